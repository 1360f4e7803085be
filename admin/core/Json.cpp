#include "admin/core/Json.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Text.h"

namespace qm::admin {

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : platform::ValidUtf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

const JsonValue* JsonValue::Find(const std::string& name) const {
  for (const JsonMember& member : members)
    if (member.name == name) return &member.value;
  return nullptr;
}

namespace {

// Deep enough for any state file, shallow enough for any stack.
constexpr int kDepthLimit = 64;

class Parser {
 public:
  explicit Parser(const std::string& text) : text_(text) {}

  bool Whole(JsonValue* value, std::string* error) {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;
    bool ok = Value(value, 0) && (Space(), at_ == text_.size() || Fail("text after the end"));
    if (!ok) *error = why_ + " at byte " + std::to_string(at_);
    return ok;
  }

 private:
  bool Fail(const char* why) {
    if (why_.empty()) why_ = why;
    return false;
  }
  void Space() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool Word(const char* word) {
    const std::string expected(word);
    if (text_.compare(at_, expected.size(), expected) != 0) return Fail("an unknown word");
    at_ += expected.size();
    return true;
  }

  bool Value(JsonValue* value, int depth) {
    if (depth > kDepthLimit) return Fail("nesting too deep");
    Space();
    if (at_ >= text_.size()) return Fail("the end of the text where a value belongs");
    switch (text_[at_]) {
      case '{': return Object(value, depth);
      case '[': return Array(value, depth);
      case '"': value->type = JsonValue::Type::String; return String(&value->text);
      case 't': value->type = JsonValue::Type::Boolean; value->boolean = true; return Word("true");
      case 'f': value->type = JsonValue::Type::Boolean; return Word("false");
      case 'n': value->type = JsonValue::Type::Null; return Word("null");
      default: return Number(value);
    }
  }

  bool Object(JsonValue* value, int depth) {
    value->type = JsonValue::Type::Object;
    ++at_;
    Space();
    if (at_ < text_.size() && text_[at_] == '}') return ++at_, true;
    for (;;) {
      Space();
      std::string name;
      if (at_ >= text_.size() || text_[at_] != '"') return Fail("a member without a quoted name");
      if (!String(&name)) return false;
      Space();
      if (at_ >= text_.size() || text_[at_] != ':') return Fail("a member without ':'");
      ++at_;
      JsonValue member;
      if (!Value(&member, depth + 1)) return false;
      value->members.push_back(JsonMember{std::move(name), std::move(member)});
      Space();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == '}') return ++at_, true;
      return Fail("an object not closed by '}'");
    }
  }

  bool Array(JsonValue* value, int depth) {
    value->type = JsonValue::Type::Array;
    ++at_;
    Space();
    if (at_ < text_.size() && text_[at_] == ']') return ++at_, true;
    for (;;) {
      JsonValue item;
      if (!Value(&item, depth + 1)) return false;
      value->items.push_back(std::move(item));
      Space();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == ']') return ++at_, true;
      return Fail("an array not closed by ']'");
    }
  }

  bool Hex4(unsigned* unit) {
    if (at_ + 4 > text_.size()) return Fail("a cut \\u escape");
    *unit = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return Fail("a bad \\u escape");
      *unit = *unit * 16 + static_cast<unsigned>(digit);
    }
    return true;
  }

  static void Utf8(unsigned code, std::string* out) {
    if (code < 0x80) {
      *out += static_cast<char>(code);
    } else if (code < 0x800) {
      *out += static_cast<char>(0xC0 | code >> 6);
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out += static_cast<char>(0xE0 | code >> 12);
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | code >> 18);
      *out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      *out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      *out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool String(std::string* out) {
    ++at_;
    std::string raw;
    for (;;) {
      if (at_ >= text_.size()) return Fail("a string not closed");
      const unsigned char c = static_cast<unsigned char>(text_[at_++]);
      if (c == '"') break;
      if (c < 0x20) return Fail("a control character in a string");
      if (c != '\\') {
        raw += static_cast<char>(c);
        continue;
      }
      if (at_ >= text_.size()) return Fail("a string not closed");
      const char escape = text_[at_++];
      switch (escape) {
        case '"': case '\\': case '/': raw += escape; break;
        case 'b': raw += '\b'; break;
        case 'f': raw += '\f'; break;
        case 'n': raw += '\n'; break;
        case 'r': raw += '\r'; break;
        case 't': raw += '\t'; break;
        case 'u': {
          unsigned unit = 0, low = 0;
          if (!Hex4(&unit)) return false;
          if (unit >= 0xDC00 && unit <= 0xDFFF) return Fail("a lone low surrogate");
          if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (text_.compare(at_, 2, "\\u") != 0) return Fail("a lone high surrogate");
            at_ += 2;
            if (!Hex4(&low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("a lone high surrogate");
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          }
          Utf8(unit, &raw);
          break;
        }
        default: return Fail("an unknown escape");
      }
    }
    if (platform::ValidUtf8(raw) != raw) return Fail("a string that is not UTF-8");
    *out = std::move(raw);
    return true;
  }

  bool Number(JsonValue* value) {
    const std::size_t start = at_;
    auto digits = [&] {
      std::size_t first = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ > first;
    };
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (at_ < text_.size() && text_[at_] == '0')
      ++at_;
    else if (!digits())
      return Fail("an unknown value");
    if (at_ < text_.size() && text_[at_] == '.' && (++at_, !digits())) return Fail("a number without digits");
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return Fail("a number without digits");
    }
    value->type = JsonValue::Type::Number;
    value->number = std::strtod(text_.substr(start, at_ - start).c_str(), nullptr);
    return true;
  }

  const std::string& text_;
  std::size_t at_ = 0;
  std::string why_;
};

}  // namespace

bool ParseJson(const std::string& text, JsonValue* value, std::string* error) {
  *value = JsonValue{};
  return Parser(text).Whole(value, error);
}

}  // namespace qm::admin
