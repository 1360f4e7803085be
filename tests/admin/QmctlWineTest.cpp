// qmctl.exe itself against the real registry and startup folders: what it
// lists before and after a cycle, the program's mutex, and export, wipe and
// import, by qmctl and by the registry editor, checked through the system's
// "W" functions byte for byte.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "tests/support/LinkBytes.h"
#include "tests/support/ReadOnlyKey.h"

namespace qm {
namespace {

using test::LinkBytes;

std::wstring Wide(const std::string& utf8) {
  int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

HKEY Root(RegKey root) { return root == HKeyCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// Every value of a key through RegEnumValueW: UTF-16 name -> type and raw data.
std::map<std::wstring, std::string> ValuesW(RegKey root, const std::string& key) {
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
    values[std::wstring(name, nameSize)] = std::to_string(type) + ":" + data;
  }
  ::RegCloseKey(open);
  return values;
}

std::map<std::wstring, std::string> FilesW(const std::string& folder) {
  std::map<std::wstring, std::string> files;
  WIN32_FIND_DATAW found;
  HANDLE search = ::FindFirstFileW((Wide(folder) + L"\\*.lnk").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return files;
  do {
    HANDLE file = ::CreateFileW((Wide(folder) + L"\\" + found.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes(found.nFileSizeLow, '\0');
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) {
      ::ReadFile(file, bytes.data(), found.nFileSizeLow, &read, nullptr);
      ::CloseHandle(file);
    }
    files[found.cFileName] = bytes.substr(0, read);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return files;
}

struct Ran {
  DWORD code = 0xFFFFFFFF;
  std::string out;
};

// Runs a command line, its standard output through a pipe, and waits for it.
Ran RunProgram(const std::wstring& commandLine) {
  Ran ran;
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return ran;
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  std::wstring line = commandLine;
  BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
  ::CloseHandle(writeEnd);
  if (started) {
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got) ran.out.append(buffer, got);
    ::WaitForSingleObject(process.hProcess, 60000);
    ::GetExitCodeProcess(process.hProcess, &ran.code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  ::CloseHandle(readEnd);
  return ran;
}

// The registry places and folders that hold entries and flags.
struct Place {
  RegKey root;
  const char* key;
};
const Place kPlaces[] = {
    {HKeyCurrentUser, kRunKey},
    {HKeyLocalMachine, kRunKey},
    {HKeyLocalMachine, kRunServicesKey},
    {HKeyCurrentUser, kStoredRunSelectionsKey},
    {HKeyLocalMachine, kStoredRunSelectionsKey},
    {HKeyLocalMachine, kStoredRunServicesSelectionsKey},
    {HKeyCurrentUser, kStoredShcSelectionsKey},
    {HKeyLocalMachine, kStoredShcSelectionsKey},
};
// How Machine() names a shortcut file: the mark, the side (0 the user's), "|", the file name.
constexpr wchar_t kFolderMark[] = L"folder ";
constexpr char kExportFolders[] = "Software\\Tarnwick\\Quill Moor\\Export\\Startup Folder";

class QmctlOnWindows : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t self[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self, length);
    folder.resize(folder.rfind(L'\\'));
    qmctl_ = L"\"" + folder + L"\\qmctl.exe\"";
    file_ = folder + L"\\entries 微信.reg";
    CRegistry reg;
    ASSERT_TRUE(reg.GetValue(HKeyCurrentUser, kShellFoldersKey, "Startup", &folders_[0]));
    ASSERT_TRUE(reg.GetValue(HKeyLocalMachine, kShellFoldersKey, "Common Startup", &folders_[1]));
    for (const auto& each : folders_) ::SHCreateDirectoryExA(nullptr, each.c_str(), nullptr);
    for (const Place& place : kPlaces) reg.CreateKey(place.root, place.key);
    reg.CreateKey(HKeyCurrentUser, kStoredShcKey);
    reg.CreateKey(HKeyLocalMachine, kStoredShcKey);
    reg.SetValue(HKeyCurrentUser, kRunKey, "Éditeur", std::string("C:\\Programme Éditeur\\édit.exe /ouvrir"));
    reg.SetValue(HKeyLocalMachine, kRunKey, "微信", std::string("C:\\Программы\\微信\\WeChat.exe /autostart"));
    reg.SetValue(HKeyLocalMachine, kRunKey, "Quote \"x\" \\y", std::string("\"C:\\a b\\c.exe\" \"q\""));
    reg.SetValue(HKeyLocalMachine, kRunServicesKey, "Служба 📝", std::string("C:\\Заметки 📝\\служба.exe "));
    reg.SetValue(HKeyCurrentUser, kStoredRunSelectionsKey, "Éditeur", 0u);
    reg.SetValue(HKeyLocalMachine, kStoredRunServicesSelectionsKey, "Служба 📝", 1u);
    WriteLink(0, "Привет", LinkBytes("C:\\Программы\\Привет.exe", "-тихо"));
    WriteLink(1, "Notes 📝", LinkBytes("C:\\Заметки 📝\\notes.exe", "/a «b»"));
    reg.SetValue(HKeyLocalMachine, kStoredShcSelectionsKey, "Notes 📝", 0u);
  }
  void TearDown() override {
    Wipe();
    // The copies a cycle leaves in the stored location.
    for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine})
      for (const char* key : {kStoredRunKey, kStoredRunServicesKey, kStoredShcKey})
        for (const auto& each : ValuesW(root, key)) {
          HKEY open = nullptr;
          if (::RegOpenKeyExW(Root(root), Wide(key).c_str(), 0, KEY_ALL_ACCESS, &open) != ERROR_SUCCESS) continue;
          ::RegDeleteValueW(open, each.first.c_str());
          ::RegCloseKey(open);
        }
    CRegistry().DeleteKey(HKeyCurrentUser, "Software\\Tarnwick\\Quill Moor\\Export", "Startup Folder");
    CRegistry().DeleteKey(HKeyLocalMachine, "Software\\Tarnwick\\Quill Moor\\Export", "Startup Folder");
    ::DeleteFileW(file_.c_str());
    CRegistry().DeleteValue(HKeyCurrentUser, kRunOnceKey, "QM Init Cleanups");
    CRegistry().DeleteValue(HKeyLocalMachine, kRunOnceKey, "QM Init Startups");
  }

  void WriteLink(int side, const std::string& name, const std::string& bytes) {
    HANDLE file = ::CreateFileW(Wide(folders_[side] + "\\" + name + ".lnk").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
  }

  // Every entry, every flag and every shortcut file of the machine.
  std::map<std::wstring, std::string> Machine() {
    std::map<std::wstring, std::string> all;
    for (const Place& place : kPlaces)
      for (const auto& [name, data] : ValuesW(place.root, place.key))
        all[(place.root == HKeyCurrentUser ? L"HKCU\\" : L"HKLM\\") + Wide(place.key) + L"|" + name] = data;
    for (int side = 0; side < 2; ++side)
      for (const auto& [name, bytes] : FilesW(folders_[side])) all[kFolderMark + std::to_wstring(side) + L"|" + name] = bytes;
    return all;
  }
  void Wipe() {
    for (const Place& place : kPlaces)
      for (const auto& each : ValuesW(place.root, place.key)) {
        HKEY open = nullptr;
        if (::RegOpenKeyExW(Root(place.root), Wide(place.key).c_str(), 0, KEY_ALL_ACCESS, &open) != ERROR_SUCCESS) continue;
        ::RegDeleteValueW(open, each.first.c_str());
        ::RegCloseKey(open);
      }
    for (int side = 0; side < 2; ++side)
      for (const auto& each : FilesW(folders_[side])) ::DeleteFileW((Wide(folders_[side]) + L"\\" + each.first).c_str());
  }
  Ran Qmctl(const std::wstring& arguments) { return RunProgram(qmctl_ + L" " + arguments); }
  std::wstring File() const { return L"\"" + file_ + L"\""; }

  std::wstring qmctl_, file_;
  std::string folders_[2];
};

TEST_F(QmctlOnWindows, ListShowsTheEntriesBeforeAndAfterACycle) {
  Ran before = Qmctl(L"list --csv");
  ASSERT_EQ(0u, before.code);
  for (const char* row : {"startup,user,windows,0,Éditeur,C:\\Programme Éditeur\\édit.exe /ouvrir,",
                          "service,machine,windows,1,Служба 📝,C:\\Заметки 📝\\служба.exe ,",
                          "shortcut,user,windows,,Привет,C:\\Программы\\Привет.exe -тихо,",
                          "shortcut,machine,windows,0,Notes 📝,C:\\Заметки 📝\\notes.exe /a «b»,"})
    EXPECT_NE(std::string::npos, before.out.find(row)) << row << before.out;
  // Rows end in CR LF as written, not in the CR CR LF a text-mode pipe makes of them.
  EXPECT_EQ(std::string::npos, before.out.find("\r\r\n"));
  EXPECT_NE(std::string::npos, before.out.find("ready_seconds,impact\r\n"));
  {
    // HKLM's Run keys as a program without elevation has them: the same list.
    test::ScopedReadOnlyKey run(HKEY_LOCAL_MACHINE, kRunKey), services(HKEY_LOCAL_MACHINE, kRunServicesKey);
    ASSERT_TRUE(run.Applied() && services.Applied());
    EXPECT_EQ(before.out, Qmctl(L"list --csv").out);
  }
  // The program's own cycle, through qmctl: a log-on's take, then the return.
  Ran take = Qmctl(L"take");
  ASSERT_EQ(0u, take.code) << take.out;
  Ran taken = Qmctl(L"list --csv");
  ASSERT_EQ(0u, taken.code);
  for (const char* row : {"startup,user,stored,0,Éditeur,C:\\Programme Éditeur\\édit.exe /ouvrir,",
                          "shortcut,user,stored,1,Привет,C:\\Программы\\Привет.exe -тихо,",
                          "shortcut,machine,stored,0,Notes 📝,C:\\Заметки 📝\\notes.exe /a «b»,"})
    EXPECT_NE(std::string::npos, taken.out.find(row)) << row << taken.out;
  EXPECT_EQ(std::string::npos, taken.out.find(",windows,")) << taken.out;
  std::string cleanup;
  EXPECT_TRUE(CRegistry().GetValue(HKeyCurrentUser, kRunOnceKey, "QM Init Cleanups", &cleanup));
  EXPECT_NE(std::string::npos, cleanup.find("Quillmoor.exe")) << cleanup;
  ASSERT_EQ(0u, Qmctl(L"return").code);
  Ran returned = Qmctl(L"list --csv");
  for (const char* row : {"startup,user,windows,0,Éditeur,C:\\Programme Éditeur\\édit.exe /ouvrir,",
                          "service,machine,windows,1,Служба 📝,C:\\Заметки 📝\\служба.exe ,",
                          "shortcut,machine,windows,0,Notes 📝,C:\\Заметки 📝\\notes.exe /a «b»,"})
    EXPECT_NE(std::string::npos, returned.out.find(row)) << row << returned.out;
  std::uint32_t flag = 1;
  EXPECT_TRUE(CRegistry().GetValue(HKeyLocalMachine, kProductKey, "Init Startup", &flag));
  EXPECT_EQ(0u, flag);
}

TEST_F(QmctlOnWindows, ChangesWaitForTheProgramsMutex) {
  HANDLE program = ::CreateMutexA(nullptr, FALSE, "Quill Moor");
  ASSERT_NE(nullptr, program);
  auto before = Machine();
  EXPECT_EQ(1u, Qmctl(L"enable Éditeur").code);
  EXPECT_TRUE(before == Machine());
  EXPECT_EQ(0u, Qmctl(L"list").code);
  ::CloseHandle(program);
  EXPECT_EQ(0u, Qmctl(L"enable Éditeur").code);
  std::uint32_t flag = 0;
  EXPECT_TRUE(CRegistry().GetValue(HKeyCurrentUser, kStoredRunSelectionsKey, "Éditeur", &flag));
  EXPECT_EQ(1u, flag);
}

TEST_F(QmctlOnWindows, ExportWipeImportByQmctlAndByRegeditGivesTheSameBytes) {
  auto before = Machine();
  ASSERT_EQ(0u, Qmctl(L"export " + File()).code);
  Wipe();
  ASSERT_FALSE(before == Machine());
  Ran imported = Qmctl(L"import " + File());
  EXPECT_EQ(0u, imported.code) << imported.out;
  EXPECT_TRUE(before == Machine());

  // The registry editor reads the same file: every value where it stood, and
  // the shortcut files as their bytes under a key of our own.
  Wipe();
  // The editor of the machine's own width, as a user of 64-bit Windows starts
  // it: the file names the 32-bit view's keys under Wow6432Node, which Wine's
  // 32-bit editor nests once more.
  PVOID redirection = nullptr;
  const BOOL native = ::Wow64DisableWow64FsRedirection(&redirection);
  Ran regedit = RunProgram(L"C:\\windows\\regedit.exe /s " + File());
  if (native) ::Wow64RevertWow64FsRedirection(redirection);
  EXPECT_EQ(0u, regedit.code);
  auto afterRegedit = Machine();
  for (const auto& [name, data] : before) {
    if (name.rfind(kFolderMark, 0) == 0) continue;  // a shortcut file
    EXPECT_TRUE(afterRegedit.count(name) && afterRegedit[name] == data);
  }
  for (int side = 0; side < 2; ++side) {
    auto stored = ValuesW(side ? HKeyLocalMachine : HKeyCurrentUser, kExportFolders);
    for (const auto& [name, data] : before) {
      std::wstring prefix = kFolderMark + std::to_wstring(side) + L"|";
      if (name.rfind(prefix, 0) != 0) continue;
      std::wstring entry = name.substr(prefix.size(), name.size() - prefix.size() - 4);  // without ".lnk"
      ASSERT_TRUE(stored.count(entry));
      EXPECT_EQ("3:" + data, stored[entry]);
    }
  }
}

// Policies written with reg.exe, and a desired state checked and applied, by
// their exit codes: rows in order on one machine.
TEST_F(QmctlOnWindows, PoliciesAndDesiredStatesAnswerByExitCode) {
  const std::wstring state = file_.substr(0, file_.rfind(L'\\')) + L"\\state 微信.json";
  auto write = [&](const std::string& text) {
    HANDLE file = ::CreateFileW(state.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
  };
  const std::string wanted = R"({"entries": [
    {"kind": "startup", "scope": "user", "name": "Éditeur", "start": true},
    {"kind": "shortcut", "scope": "machine", "name": "Notes 📝", "start": true},
    {"kind": "startup", "scope": "user", "name": "Fleet 📝", "start": false, "command": "C:\\Fleet\\fleet.exe -q"}]})";
  // The machine's own reg.exe, as an administrator runs it.
  auto reg = [](const std::wstring& arguments) {
    PVOID redirection = nullptr;
    const BOOL native = ::Wow64DisableWow64FsRedirection(&redirection);
    Ran ran = RunProgram(L"C:\\windows\\system32\\reg.exe " + arguments);
    if (native) ::Wow64RevertWow64FsRedirection(redirection);
    return ran;
  };
  const std::wstring never = L"\"HKLM\\Software\\Policies\\Tarnwick\\Quill Moor\\NeverStart\"";
  struct Row {
    const char* what;
    std::function<Ran()> run;
    DWORD code;
    const char* said;  // in standard output
  } rows[] = {
      {"a policy set with reg add", [&] { return reg(L"add " + never + L" /v 1 /d \"startup:user:Éditeur\" /f"); }, 0, ""},
      {"enable against it", [&] { return Qmctl(L"enable Éditeur"); }, 1, ""},
      {"apply against it", [&] { write(wanted); return Qmctl(L"apply \"" + state + L"\""); }, 1, ""},
      {"the policy gone", [&] { return reg(L"delete " + never + L" /f"); }, 0, ""},
      {"differ", [&] { return Qmctl(L"check \"" + state + L"\""); }, 3, "startup \"Éditeur\" (user): does not start, should"},
      {"differ, as JSON", [&] { return Qmctl(L"check --json \"" + state + L"\""); }, 3, "\"what\": \"exists\""},
      {"apply", [&] { return Qmctl(L"apply \"" + state + L"\""); }, 0, "apply: 3 changes"},
      {"match", [&] { return Qmctl(L"check \"" + state + L"\""); }, 0, "check: the machine matches"},
      {"apply again", [&] { return Qmctl(L"apply \"" + state + L"\""); }, 0, "apply: nothing to change"},
      {"bad file, check", [&] { write("{\"entries\": [}"); return Qmctl(L"check \"" + state + L"\""); }, 2, ""},
      {"bad file, apply", [&] { return Qmctl(L"apply \"" + state + L"\""); }, 2, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    auto before = Machine();
    Ran ran = row.run();
    EXPECT_EQ(row.code, ran.code) << ran.out;
    EXPECT_NE(std::string::npos, ran.out.find(row.said)) << ran.out;
    if (row.code != 0 || std::string(row.what) == "match" || std::string(row.what) == "apply again")
      EXPECT_TRUE(before == Machine());
  }
  std::uint32_t flag = 0;
  EXPECT_TRUE(CRegistry().GetValue(HKeyCurrentUser, kStoredRunSelectionsKey, "Éditeur", &flag));
  EXPECT_EQ(1u, flag);
  std::string created;
  EXPECT_TRUE(CRegistry().GetValue(HKeyCurrentUser, kRunKey, "Fleet 📝", &created));
  EXPECT_EQ("C:\\Fleet\\fleet.exe -q", created);
  ::DeleteFileW(state.c_str());
}

}  // namespace
}  // namespace qm
