// The portable letter-case folding: UTF-8 decoded strictly, each character of
// the Basic Multilingual Plane upper-cased through the generated table.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/Text.h"

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

// The length of the well-formed UTF-8 sequence at text[i] and its character,
// or 0 when the bytes there do not form one (overlong, surrogate, cut short).
std::size_t Decode(const std::string& text, std::size_t i, std::uint32_t& code) {
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(i);
  std::size_t length;
  std::uint32_t min;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80, code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800, code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000, code = lead & 0x07u;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i + k) & 0x3Fu);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void Encode(std::uint32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
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
    std::size_t length = Decode(text, i, code);
    if (length == 0) {
      folded += static_cast<char>(c);  // not UTF-8: the byte stands for itself
      ++i;
      continue;
    }
    Encode(Upper(code), folded);
    i += length;
  }
  return folded;
}

#if !defined(_WIN32)
std::string FoldCase(const std::string& text) { return FoldCaseByTable(text); }

bool EqualsNoCase(const std::string& a, const std::string& b) { return FoldCaseByTable(a) == FoldCaseByTable(b); }
#endif

}  // namespace qm::platform
