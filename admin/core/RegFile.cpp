#include "admin/core/RegFile.h"

#include <cstdio>

#include "platform/RegistryStore.h"
#include "platform/portable/ShellLinkFile.h"

namespace qm::admin {
namespace {

constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
// The last line of every file we write. regedit reads it as a comment; an
// import that does not find it knows the file was cut short, even at the end
// of a line, where the format itself could not tell.
constexpr char kEndLine[] = "; End of the Quill Moor entries";
constexpr std::uint32_t kRegExpandSz = 2;
// regedit breaks hex data once a line reaches 77 characters, before the backslash.
constexpr std::size_t kLineWidth = 77;

const char* RootText(RegKey root) { return root == HKeyLocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER"; }

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A text that regedit writes between quotes: one terminator at the end and
// no other NUL, no line break (it would end the line), whole UTF-8.
bool PlainText(const std::vector<std::uint8_t>& data) {
  if (data.empty() || data.back() != 0) return false;
  std::string text(data.begin(), data.end() - 1);
  if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
  return platform::Utf16ToAnsi(platform::AnsiToUtf16(text)) == text;
}

std::vector<std::uint8_t> Utf16Bytes(const std::string& utf8) {
  std::u16string wide = platform::AnsiToUtf16(utf8);
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : wide) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

void AppendHex(std::string* line, const std::vector<std::uint8_t>& data, std::string* out) {
  char byte[4];
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(byte, sizeof(byte), "%02x", data[i]);
    *line += byte;
    if (i + 1 == data.size()) break;
    *line += ',';
    if (line->size() >= kLineWidth) {
      *out += *line + "\\\r\n";
      *line = "  ";
    }
  }
}

std::string ValueLine(const WholeValue& value) {
  std::string out;
  std::string line = Quoted(value.name) + "=";
  if ((value.type == platform::kRegSz) && PlainText(value.data)) {
    return line + Quoted(TextOf(value.data)) + "\r\n";
  }
  if (value.type == platform::kRegDword && value.data.size() == 4) {
    char number[16];
    std::snprintf(number, sizeof(number), "dword:%08x",
                  static_cast<unsigned>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                        static_cast<std::uint32_t>(value.data[3]) << 24));
    return line + number + "\r\n";
  }
  std::vector<std::uint8_t> data = value.data;
  if (value.type == platform::kRegSz || value.type == kRegExpandSz) {
    // regedit writes texts it cannot quote as the UTF-16 the registry holds.
    data = Utf16Bytes(TextOf(value.data));
    data.push_back(0);
    data.push_back(0);
  }
  char type[16];
  if (value.type == platform::kRegBinary)
    line += "hex:";
  else
    std::snprintf(type, sizeof(type), "hex(%x):", static_cast<unsigned>(value.type)), line += type;
  AppendHex(&line, data, &out);
  return out + line + "\r\n";
}

// ---- reading ----

bool Fail(std::string* error, std::size_t lineNumber, const std::string& what) {
  *error = "line " + std::to_string(lineNumber) + ": " + what;
  return false;
}

// Reads a quoted text at text[*at], leaving *at after the closing quote.
bool ReadQuoted(const std::string& text, std::size_t* at, std::string* out) {
  if (*at >= text.size() || text[*at] != '"') return false;
  out->clear();
  for (std::size_t i = *at + 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      *at = i + 1;
      return true;
    }
    if (text[i] == '\\') {
      if (++i == text.size() || (text[i] != '\\' && text[i] != '"')) return false;
    }
    *out += text[i];
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ReadHexBytes(const std::string& text, std::vector<std::uint8_t>* bytes) {
  bytes->clear();
  std::size_t i = 0;
  if (text.empty()) return true;
  while (true) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i + 1 >= text.size() || HexDigit(text[i]) < 0 || HexDigit(text[i + 1]) < 0) return false;
    bytes->push_back(static_cast<std::uint8_t>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1])));
    i += 2;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i == text.size()) return true;
    if (text[i++] != ',') return false;
  }
}

bool TextFromUtf16(const std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>* data) {
  if (bytes.size() % 2 != 0) return false;
  std::u16string wide;
  for (std::size_t i = 0; i < bytes.size(); i += 2) wide += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
  while (!wide.empty() && wide.back() == 0) wide.pop_back();
  if (wide.find(u'\0') != std::u16string::npos) return false;
  *data = TextData(platform::Utf16ToAnsi(wide));
  return true;
}

bool ReadData(const std::string& text, WholeValue* value) {
  std::size_t at = 0;
  if (!text.empty() && text[0] == '"') {
    std::string data;
    if (!ReadQuoted(text, &at, &data) || at != text.size()) return false;
    value->type = platform::kRegSz;
    value->data = TextData(data);
    return true;
  }
  if (text.rfind("dword:", 0) == 0) {
    std::string digits = text.substr(6);
    if (digits.size() != 8) return false;
    std::uint32_t number = 0;
    for (char c : digits) {
      if (HexDigit(c) < 0) return false;
      number = number * 16 + static_cast<std::uint32_t>(HexDigit(c));
    }
    value->type = platform::kRegDword;
    value->data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                   static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    return true;
  }
  std::vector<std::uint8_t> bytes;
  if (text.rfind("hex:", 0) == 0) {
    value->type = platform::kRegBinary;
    if (!ReadHexBytes(text.substr(4), &bytes)) return false;
    value->data = bytes;
    return true;
  }
  if (text.rfind("hex(", 0) == 0) {
    std::size_t close = text.find("):");
    if (close == std::string::npos || close == 4 || close > 12) return false;
    std::uint32_t type = 0;
    for (std::size_t i = 4; i < close; ++i) {
      if (HexDigit(text[i]) < 0) return false;
      type = type * 16 + static_cast<std::uint32_t>(HexDigit(text[i]));
    }
    if (!ReadHexBytes(text.substr(close + 2), &bytes)) return false;
    value->type = type;
    if (type == platform::kRegSz || type == kRegExpandSz) return TextFromUtf16(bytes, &value->data);
    if (type == platform::kRegDword && bytes.size() != 4) return false;
    value->data = bytes;
    return true;
  }
  return false;
}

bool ReadKeyLine(const std::string& line, RegFileKey* key) {
  if (line.size() < 3 || line.back() != ']' || line[1] == '-') return false;
  std::string full = line.substr(1, line.size() - 2);
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    std::string prefix = std::string(RootText(root)) + "\\";
    if (full.rfind(prefix, 0) == 0 && full.size() > prefix.size()) {
      key->root = root;
      key->path = full.substr(prefix.size());
      return key->path.find("\\\\") == std::string::npos && key->path.back() != '\\';
    }
  }
  return false;
}

}  // namespace

std::vector<std::uint8_t> WriteRegFile(const std::vector<RegFileKey>& keys) {
  std::string text = std::string(kHeader) + "\r\n\r\n";
  for (const RegFileKey& key : keys) {
    text += "[" + std::string(RootText(key.root)) + "\\" + key.path + "]\r\n";
    for (const WholeValue& value : key.values) text += ValueLine(value);
    text += "\r\n";
  }
  text += std::string(kEndLine) + "\r\n";
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  std::vector<std::uint8_t> body = Utf16Bytes(text);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

bool ReadRegFile(const std::vector<std::uint8_t>& bytes, std::vector<RegFileKey>* keys, std::string* error) {
  keys->clear();
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE || bytes.size() % 2 != 0) {
    *error = "not a registry file in UTF-16 (no byte-order mark, or cut off)";
    return false;
  }
  std::u16string wide;
  for (std::size_t i = 2; i < bytes.size(); i += 2) wide += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
  // Lone surrogates would come back as other characters: the file is damaged.
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char16_t unit = wide[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      *error = "not valid UTF-16 text";
      return false;
    }
    if (unit == 0) {
      *error = "a NUL character inside the text";
      return false;
    }
  }
  std::string text = platform::Utf16ToAnsi(wide);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (lines.empty() || lines[0] != kHeader) {
    *error = "the first line is not \"" + std::string(kHeader) + "\"";
    return false;
  }
  std::size_t last = lines.size();
  while (last > 1 && lines[last - 1].empty()) --last;
  if (last < 2 || lines[last - 1] != kEndLine) {
    *error = "the file is cut short (its last line is not \"" + std::string(kEndLine) + "\")";
    return false;
  }
  lines.resize(last - 1);
  for (std::size_t n = 1; n < lines.size(); ++n) {
    std::size_t number = n + 1;
    std::string line = lines[n];
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      RegFileKey key;
      if (!ReadKeyLine(line, &key)) return Fail(error, number, "not a key of HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE");
      keys->push_back(key);
      continue;
    }
    if (line[0] != '"') return Fail(error, number, "neither a key nor a named value");
    if (keys->empty()) return Fail(error, number, "a value before the first key");
    // Hex data goes on over lines that end in a backslash.
    while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
      line.pop_back();
      if (++n >= lines.size() || lines[n].empty()) return Fail(error, number, "hex data cut off");
      std::size_t indent = lines[n].find_first_not_of(" \t");
      if (indent == std::string::npos) return Fail(error, number, "hex data cut off");
      line += lines[n].substr(indent);
    }
    WholeValue value;
    std::size_t at = 0;
    if (!ReadQuoted(line, &at, &value.name) || at >= line.size() || line[at] != '=')
      return Fail(error, number, "a value name that is not closed, or no '='");
    if (value.name.empty() || !ReadData(line.substr(at + 1), &value))
      return Fail(error, number, "data that cannot be read");
    keys->back().values.push_back(std::move(value));
  }
  return true;
}

}  // namespace qm::admin
