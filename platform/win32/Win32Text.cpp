// Letter case as the system sees it: the ordinal case-insensitive comparison
// of the UTF-16 names (what the registry and NTFS use for names) and, for the
// folded key, the system's own upper-casing of each UTF-16 unit, which is
// what that comparison compares.
#include <windows.h>

#include <string>

#include "platform/Text.h"

namespace qm::platform {
namespace {

bool IsAscii(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

std::string UpperAscii(const std::string& text) {
  std::string upper = text;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

// The text in UTF-16, or false when its bytes are not a text of the active
// code page: such bytes then compare as themselves.
bool Widen(const std::string& text, std::wstring& wide) {
  wide.clear();
  if (text.empty()) return true;
  int length = ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                     nullptr, 0);
  if (length <= 0) return false;
  wide.resize(static_cast<std::size_t>(length));
  return ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                               wide.data(), length) == length;
}

// Back to the active code page; false when a character would not survive.
bool Narrow(const std::wstring& wide, std::string& text) {
  text.clear();
  if (wide.empty()) return true;
  BOOL lossy = FALSE;
  bool utf8 = ::GetACP() == CP_UTF8;
  int length = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                     utf8 ? nullptr : &lossy);
  if (length <= 0 || lossy) return false;
  text.resize(static_cast<std::size_t>(length));
  return ::WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                               utf8 ? nullptr : &lossy) == length &&
         !lossy;
}

}  // namespace

std::string FoldCase(const std::string& text) {
  if (IsAscii(text)) return UpperAscii(text);
  std::wstring wide;
  if (!Widen(text, wide)) return FoldCaseByTable(text);
  std::wstring upper(wide.size(), L'\0');
  int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()),
                               upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
  if (length != static_cast<int>(wide.size())) return FoldCaseByTable(text);
  std::string folded;
  if (!Narrow(upper, folded)) return FoldCaseByTable(text);
  return folded;
}

std::string SystemAnsiToUtf8(const std::string& bytes) {
  if (bytes.empty() || IsAscii(bytes)) return bytes;
  // The machine's own ANSI code page, not the active one of this process
  // (UTF-8 by its manifest).
  DWORD codePage = 0;
  if (!::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                        reinterpret_cast<LPWSTR>(&codePage), sizeof(codePage) / sizeof(WCHAR)) ||
      codePage == 0)
    codePage = 1252;
  int length = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (length <= 0) return Windows1252ToUtf8(bytes);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
  int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return Windows1252ToUtf8(bytes);
  std::string text(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), size, nullptr, nullptr);
  return text;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
  if (IsAscii(a) && IsAscii(b)) return UpperAscii(a) == UpperAscii(b);
  std::wstring wideA, wideB;
  if (!Widen(a, wideA) || !Widen(b, wideB)) return FoldCase(a) == FoldCase(b);
  if (wideA.empty() || wideB.empty()) return wideA.empty() && wideB.empty();
  return ::CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                                static_cast<int>(wideB.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace qm::platform
