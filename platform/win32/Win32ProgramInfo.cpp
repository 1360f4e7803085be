#include "platform/win32/Win32ProgramInfo.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace qm::platform {
namespace {

// One text of the StringFileInfo block of a translation; empty if absent.
std::string Text(const std::vector<char>& block, const char* translation, const char* name) {
  char query[64];
  std::snprintf(query, sizeof(query), "\\StringFileInfo\\%s\\%s", translation, name);
  void* text = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(block.data(), query, &text, &length) || !text || length == 0) return {};
  // The length counts the terminating NUL where there is one; never read past it.
  const char* begin = static_cast<const char*>(text);
  std::size_t size = 0;
  while (size < length && begin[size]) ++size;
  return std::string(begin, size);
}

}  // namespace

bool Win32ProgramInfo::VersionTexts(const std::string& path, ProgramFacts* facts) {
  if (!facts) return false;
  *facts = {};
  DWORD handle = 0;
  DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<char> block(size);
  if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
  struct Translation {
    WORD language;
    WORD codePage;
  };
  void* translations = nullptr;
  UINT length = 0;
  char translation[16];
  if (::VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translations, &length) && translations &&
      length >= sizeof(Translation)) {
    const Translation* first = static_cast<const Translation*>(translations);
    std::snprintf(translation, sizeof(translation), "%04x%04x", first->language, first->codePage);
  } else {
    // No translation table: the block most programs carry, US English in Unicode.
    std::snprintf(translation, sizeof(translation), "040904b0");
  }
  facts->description = Text(block, translation, "FileDescription");
  facts->publisher = Text(block, translation, "CompanyName");
  return true;
}

}  // namespace qm::platform
