// The portable letter-case folding: UTF-8 decoded strictly, each character of
// the Basic Multilingual Plane upper-cased through the generated table.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/Text.h"
#include "platform/portable/Utf8.h"

namespace qm::platform {
namespace {

struct CasePair {
  std::uint16_t from;
  std::uint16_t to;
};

constexpr CasePair kUpper[] = {
#include "platform/portable/UpperCaseTable.inc"
};

std::uint32_t Upper(std::uint32_t code) {
  if (code >= 0x10000) return code;
  auto it = std::lower_bound(std::begin(kUpper), std::end(kUpper), code,
                             [](const CasePair& pair, std::uint32_t c) { return pair.from < c; });
  return it != std::end(kUpper) && it->from == code ? it->to : code;
}

}  // namespace

std::string FoldCaseByTable(const std::string& text) {
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      folded += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : static_cast<char>(c);
      ++i;
      continue;
    }
    std::uint32_t code = 0;
    std::size_t length = DecodeUtf8(text, i, code);
    if (length == 0) {
      folded += static_cast<char>(c);  // not UTF-8: the byte stands for itself
      ++i;
      continue;
    }
    AppendUtf8(Upper(code), folded);
    i += length;
  }
  return folded;
}

#if !defined(_WIN32)
std::string FoldCase(const std::string& text) { return FoldCaseByTable(text); }

bool EqualsNoCase(const std::string& a, const std::string& b) { return FoldCaseByTable(a) == FoldCaseByTable(b); }
#endif

}  // namespace qm::platform
