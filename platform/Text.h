#pragma once
// Letter-case folding as Windows does it for names of the ANSI code page's
// basic letters.
#include <string>

namespace qm::platform {

inline std::string FoldCase(const std::string& text) {
  std::string folded = text;
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

inline bool EqualsNoCase(const std::string& a, const std::string& b) { return FoldCase(a) == FoldCase(b); }

}  // namespace qm::platform
