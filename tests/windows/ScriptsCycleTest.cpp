// Whole log-on cycles under the real registry and the real startup folders
// with entries named in several scripts: taken, returned, taken and returned
// again, and checked through the system's "W" functions that every entry
// stands where it should, name and data byte for byte. A name too long for
// the 260-byte buffers once in UTF-8 stays where it stands, whole.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/Shell.h"

namespace qm {
namespace {

std::wstring Wide(const std::string& utf8) {
  int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Repeat(const char* letter, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += letter;
  return text;
}

HKEY Root(RegKey root) { return root == HKeyCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// Every value of a key, read with RegEnumValueW: UTF-16 name -> raw data.
std::map<std::wstring, std::string> ValuesW(RegKey root, const char* key) {
  std::map<std::wstring, std::string> values;
  HKEY open = nullptr;
  if (::RegOpenKeyExW(Root(root), Wide(key).c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS) return values;
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD nameSize = 16384, type = 0, dataSize = 0;
    if (::RegEnumValueW(open, index, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS) break;
    std::string data(dataSize, '\0');
    nameSize = 16384;
    ::RegEnumValueW(open, index, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &dataSize);
    data.resize(dataSize);
    values[std::wstring(name, nameSize)] = data;
  }
  ::RegCloseKey(open);
  return values;
}

// One value through RegQueryValueExW, or "<missing>".
std::string QueryW(RegKey root, const char* key, const std::string& name) {
  HKEY open = nullptr;
  if (::RegOpenKeyExW(Root(root), Wide(key).c_str(), 0, KEY_READ, &open) != ERROR_SUCCESS) return "<missing>";
  DWORD size = 0, type = 0;
  std::string data = "<missing>";
  if (::RegQueryValueExW(open, Wide(name).c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    data.assign(size, '\0');
    ::RegQueryValueExW(open, Wide(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  }
  ::RegCloseKey(open);
  return data;
}

// A text as RegQueryValueExW hands it out: UTF-16 with its terminator.
std::string TextW(const std::string& utf8) {
  std::wstring wide = Wide(utf8);
  return std::string(reinterpret_cast<const char*>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t));
}

// The .lnk files of a folder, found with FindFirstFileW: UTF-16 name -> bytes.
std::map<std::wstring, std::string> FilesW(const std::string& folder) {
  std::map<std::wstring, std::string> files;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((Wide(folder) + L"\\*.lnk").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    std::wstring path = Wide(folder) + L"\\" + found.cFileName;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes(found.nFileSizeLow, '\0');
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
      ::ReadFile(file, bytes.data(), found.nFileSizeLow, &read, nullptr);
      ::CloseHandle(file);
    }
    bytes.resize(read);
    files[found.cFileName] = bytes;
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return files;
}

void WriteFileW(const std::string& path) {
  HANDLE file = ::CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
  DWORD written = 0;
  ::WriteFile(file, "MZ", 2, &written, nullptr);
  ::CloseHandle(file);
}

struct RunValue {
  RegKey root;
  const char* key;
  const char* storedKey;
  std::string name;
  std::string commandLine;
};

struct Shortcut {
  int isPublic;
  std::string name;
  std::string target;
  std::string arguments;
};

const std::string kFolders[] = {"C:\\Программы", "C:\\Программы\\微信", "C:\\Programme Éditeur",
                                "C:\\Заметки 📝"};

class ScriptsCycle : public testing::Test {
 protected:
  void SetUp() override {
    CRegistry reg;
    ASSERT_TRUE(reg.GetValue(HKeyCurrentUser, kShellFoldersKey, "Startup", &userFolder_));
    ASSERT_TRUE(reg.GetValue(HKeyLocalMachine, kShellFoldersKey, "Common Startup", &commonFolder_));
    for (const auto& folder : {userFolder_, commonFolder_}) ::SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    for (const auto& folder : kFolders) ::CreateDirectoryW(Wide(folder).c_str(), nullptr);
    for (const char* key : {kRunKey, kStoredRunSelectionsKey}) {
      reg.CreateKey(HKeyCurrentUser, key);
      reg.CreateKey(HKeyLocalMachine, key);
    }
    reg.CreateKey(HKeyLocalMachine, kRunServicesKey);
    reg.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
    reg.CreateKey(HKeyCurrentUser, kStoredShcSelectionsKey);
    reg.CreateKey(HKeyLocalMachine, kStoredShcSelectionsKey);

    values_ = {
        {HKeyCurrentUser, kRunKey, kStoredRunKey, "Éditeur", "C:\\Programme Éditeur\\édit.exe /ouvrir"},
        {HKeyCurrentUser, kRunKey, kStoredRunKey, "Привет", "C:\\Программы\\Привет.exe -тихо"},
        // 100 Cyrillic letters are 200 bytes in UTF-8 and fit the 260-byte buffers.
        {HKeyCurrentUser, kRunKey, kStoredRunKey, Repeat("Д", 100), "C:\\Программы\\Д.exe "},
        {HKeyLocalMachine, kRunKey, kStoredRunKey, "微信", "C:\\Программы\\微信\\WeChat.exe /autostart"},
        {HKeyLocalMachine, kRunKey, kStoredRunKey, "Notes 📝", "C:\\Заметки 📝\\notes.exe "},
        {HKeyLocalMachine, kRunServicesKey, kStoredRunServicesKey, "Служба 微信 📝",
         "C:\\Программы\\微信\\служба.exe /d"},
    };
    shortcuts_ = {
        {0, "微信", "C:\\Программы\\微信\\WeChat.exe", "/min"},
        {0, "Notes 📝", "C:\\Заметки 📝\\notes.exe", ""},
        {1, "Éditeur", "C:\\Programme Éditeur\\édit.exe", "/ouvrir «tout»"},
        {1, "Привет", "C:\\Программы\\Привет.exe", "-тихо"},
    };
    CleanUp();
  }
  void TearDown() override { CleanUp(); }

  void CleanUp() {
    CRegistry reg;
    for (const auto& value : values_) {
      for (const char* key : {value.key, value.storedKey, kStoredRunSelectionsKey, kStoredRunServicesSelectionsKey})
        reg.DeleteValue(value.root, key, value.name.c_str());
    }
    reg.DeleteValue(HKeyCurrentUser, kRunKey, tooLong_.c_str());
    for (const auto& shortcut : shortcuts_) {
      for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
        reg.DeleteValue(root, kStoredShcKey, shortcut.name.c_str());
        reg.DeleteValue(root, kStoredShcSelectionsKey, shortcut.name.c_str());
      }
      ::DeleteFileW(Wide(Link(shortcut)).c_str());
    }
  }

  std::string Link(const Shortcut& shortcut) const {
    return (shortcut.isPublic ? commonFolder_ : userFolder_) + "\\" + shortcut.name + ".lnk";
  }

  // Every entry stands in the Windows places, whole, and the stored location
  // holds a whole copy of each or none (as a return leaves it).
  void ExpectReturned(const std::map<std::wstring, std::string> (&files)[2]) {
    for (const auto& value : values_) {
      SCOPED_TRACE(value.name);
      EXPECT_EQ(TextW(value.commandLine), QueryW(value.root, value.key, value.name));
      auto listed = ValuesW(value.root, value.key);
      ASSERT_TRUE(listed.count(Wide(value.name)));
      EXPECT_EQ(TextW(value.commandLine), listed[Wide(value.name)]);
    }
    for (int side = 0; side < 2; ++side) {
      auto standing = FilesW(side ? commonFolder_ : userFolder_);
      for (const auto& [name, bytes] : files[side]) {
        ASSERT_TRUE(standing.count(name));
        EXPECT_EQ(bytes, standing[name]);
      }
    }
  }

  // Nothing of ours stands in the Windows places; the stored location holds each whole.
  void ExpectTaken(const std::map<std::wstring, std::string> (&files)[2]) {
    for (const auto& value : values_) {
      SCOPED_TRACE(value.name);
      EXPECT_EQ("<missing>", QueryW(value.root, value.key, value.name));
      EXPECT_EQ(TextW(value.commandLine), ValuesW(value.root, value.storedKey)[Wide(value.name)]);
    }
    for (int side = 0; side < 2; ++side) {
      auto standing = FilesW(side ? commonFolder_ : userFolder_);
      auto stored = ValuesW(side ? HKeyLocalMachine : HKeyCurrentUser, kStoredShcKey);
      for (const auto& [file, bytes] : files[side]) {
        std::wstring name = file.substr(0, file.size() - 4);
        EXPECT_FALSE(standing.count(file));
        EXPECT_EQ(bytes, stored[name]);
      }
    }
  }

  std::string userFolder_, commonFolder_;
  std::vector<RunValue> values_;
  std::vector<Shortcut> shortcuts_;
  // 140 Cyrillic letters are 280 bytes in UTF-8: more than a name buffer holds. The walk must pass
  // over it and still carry every entry listed after it.
  std::string tooLong_ = Repeat("А", 140);  // Cyrillic A: listed before the other Cyrillic names under Wine
};

TEST_F(ScriptsCycle, EveryEntrySurvivesTwoWholeCyclesByteForByte) {
  CRegistry reg;
  for (const auto& value : values_)
    ASSERT_EQ(1, reg.SetValue(value.root, value.key, value.name.c_str(), value.commandLine));
  // Created last, so that it is the last value of its key in creation order and in alphabetical order alike.
  ASSERT_EQ(1, reg.SetValue(HKeyCurrentUser, kRunKey, tooLong_.c_str(), std::string("C:\\Программы\\Я.exe ")));
  std::string tooLongBefore = QueryW(HKeyCurrentUser, kRunKey, tooLong_);
  ASSERT_EQ(TextW("C:\\Программы\\Я.exe "), tooLongBefore);

  CShortcutEngineer shortcuts;
  for (const auto& shortcut : shortcuts_) {
    WriteFileW(shortcut.target);
    platform::IconHandle icon = 0;
    ASSERT_EQ(1, shortcuts.CreateShcEntry(&icon, shortcut.name, shortcut.target, shortcut.arguments, shortcut.isPublic,
                                          1))
        << shortcut.name;
    platform::Current<platform::IShell>()->DestroyIcon(icon);
  }
  std::map<std::wstring, std::string> files[2];
  for (const auto& shortcut : shortcuts_) {
    auto standing = FilesW(shortcut.isPublic ? commonFolder_ : userFolder_);
    std::wstring file = Wide(shortcut.name) + L".lnk";
    ASSERT_TRUE(standing.count(file)) << shortcut.name;
    ASSERT_GT(standing[file].size(), 76u);
    files[shortcut.isPublic][file] = standing[file];
  }

  CStartupEngineer startups;
  CServiceEngineer services;
  for (int cycle = 0; cycle < 2; ++cycle) {
    SCOPED_TRACE(cycle);
    startups.StartWork();
    shortcuts.StartWork();
    services.StartWork();
    ExpectTaken(files);
    EXPECT_EQ(tooLongBefore, QueryW(HKeyCurrentUser, kRunKey, tooLong_));

    startups.ReturnRunEntries();
    shortcuts.ReturnShcEntries();
    services.ReturnRunServiceEntries();
    ExpectReturned(files);
    EXPECT_EQ(tooLongBefore, QueryW(HKeyCurrentUser, kRunKey, tooLong_));
  }
  // The shortcut targets keep the names of their folders.
  for (const auto& shortcut : shortcuts_) {
    std::string target, arguments;
    EXPECT_EQ(1, shortcuts.GetShortcutInfo(shortcut.name, &target, &arguments, shortcut.isPublic, 1));
    EXPECT_EQ(shortcut.target, target);
    EXPECT_EQ(shortcut.arguments, arguments);
  }
  for (const auto& shortcut : shortcuts_) ::DeleteFileW(Wide(shortcut.target).c_str());
}

}  // namespace
}  // namespace qm
