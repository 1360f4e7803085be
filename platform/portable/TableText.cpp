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

std::string Windows1252ToUtf8(const std::string& bytes) {
  // 0x80 to 0x9F are the code page's own; the rest is Latin-1. The five bytes
  // the code page leaves undefined come through as the C1 controls they are.
  static const std::uint16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char c : bytes) AppendUtf8(c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c, text);
  return text;
}

std::string ValidUtf8(const std::string& text) {
  std::string valid;
  valid.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t code = 0;
    std::size_t length = static_cast<unsigned char>(text[i]) < 0x80 ? 1 : DecodeUtf8(text, i, code);
    if (length == 0) {
      AppendUtf8(0xFFFD, valid);
      ++i;
      continue;
    }
    valid.append(text, i, length);
    i += length;
  }
  return valid;
}

#if !defined(_WIN32)
std::string SystemAnsiToUtf8(const std::string& bytes) { return Windows1252ToUtf8(bytes); }

std::string FoldCase(const std::string& text) { return FoldCaseByTable(text); }

bool EqualsNoCase(const std::string& a, const std::string& b) { return FoldCaseByTable(a) == FoldCaseByTable(b); }
#endif

}  // namespace qm::platform
