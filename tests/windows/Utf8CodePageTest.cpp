// Every program we build runs with UTF-8 as its active code page (the
// manifest), so the engine's byte strings carry names in any script through
// the system's "A" functions; and the platform's letter-case comparison is the
// system's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace qm {
namespace {

std::wstring Wide(const std::string& utf8) {
  int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                        nullptr);
  return text;
}

bool SystemEqualsNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty();
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

struct NamedText {
  const char* name;
  const char* data;
};
const NamedText kTexts[] = {
    {"微信", "C:\\Программы\\微信\\WeChat.exe /autostart"},
    {"Éditeur", "C:\\Programme Éditeur\\édit.exe /ouvrir"},
    {"Привет", "C:\\Привет\\привет.exe -тихо"},
    {"Notes 📝", "C:\\Заметки 📝\\notes.exe"},
};

TEST(Utf8CodePage, IsTheActiveCodePage) { EXPECT_EQ(65001u, ::GetACP()); }

TEST(Utf8CodePage, ValuesWrittenThroughTheAFunctionsReadBackWholeThroughTheWFunctions) {
  std::string path = "Software\\Quill Moor Tests\\utf8 " + std::to_string(std::random_device()());
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &key, nullptr));
  for (const auto& text : kTexts) {
    SCOPED_TRACE(text.name);
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, text.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data),
                                              static_cast<DWORD>(std::strlen(text.data) + 1)));
    wchar_t data[300] = {};
    DWORD size = sizeof(data), type = 0;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegQueryValueExW(key, Wide(text.name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size));
    EXPECT_EQ(Wide(text.data), std::wstring(data));
  }
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[300];
    DWORD size = 300;
    if (::RegEnumValueW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.push_back(Utf8(std::wstring(name, size)));
  }
  EXPECT_EQ(std::size(kTexts), names.size());
  for (const auto& text : kTexts) EXPECT_NE(names.end(), std::find(names.begin(), names.end(), text.name));
  ::RegCloseKey(key);
  ::RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
}

// Names in several scripts: the platform's comparison, its folded key and the
// system's ordinal comparison agree on each pair.
TEST(Utf8CodePage, CaseFoldingAgreesWithTheSystemsOrdinalComparison) {
  const char* names[] = {"Écran", "écran", "ÉCRAN", "Ecran",  "Привет", "привет", "ПРИВЕТ", "Привeт", "ΣΊΣΥΦΟΣ",
                         "σίσυφος", "σίσυφοσ", "Łódź", "ŁÓDŹ", "微信", "微博", "Notes 📝", "NOTES 📝", "notes 📒",
                         "straße", "STRASSE", "ｆｕｌｌ", "ＦＵＬＬ", "ǆ", "ǅ", "Ǆ", "Mail", "MAIL", "mail"};
  for (const char* a : names) {
    for (const char* b : names) {
      bool system = SystemEqualsNoCase(Wide(a), Wide(b));
      EXPECT_EQ(system, platform::EqualsNoCase(a, b)) << a << " / " << b;
      EXPECT_EQ(system, platform::FoldCase(a) == platform::FoldCase(b)) << a << " / " << b;
    }
  }
}

// Every character of the Basic Multilingual Plane: its folded key is one the
// system takes for the same name, and two characters share a key exactly when
// the system takes them for one. The portable table is held against it; where
// the system's Unicode differs from the table's, the number is reported.
TEST(Utf8CodePage, EveryCharacterFoldsAsTheSystemComparesIt) {
  int tableDiffers = 0;
  for (unsigned code = 1; code < 0x10000; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    std::wstring one(1, static_cast<wchar_t>(code));
    std::string utf8 = Utf8(one);
    std::string key = platform::FoldCase(utf8);
    ASSERT_TRUE(SystemEqualsNoCase(one, Wide(key))) << std::hex << code;
    std::string byTable = platform::FoldCaseByTable(utf8);
    bool sameKey = platform::FoldCase(byTable) == key;
    ASSERT_EQ(SystemEqualsNoCase(one, Wide(byTable)), sameKey) << std::hex << code;
    if (byTable != key) ++tableDiffers;
  }
  std::printf("characters the portable table folds otherwise than this system: %d\n", tableDiffers);
}

}  // namespace
}  // namespace qm
