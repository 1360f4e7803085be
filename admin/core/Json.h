#pragma once
// JSON as qmctl writes it (lists, check reports) and reads it (desired-state
// files): the whole of RFC 8259, strictly, with a limit on nesting.
#include <string>
#include <vector>

namespace qm::admin {

// A text as a JSON string, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string Json(const std::string& text);

struct JsonMember;

struct JsonValue {
  enum class Type { Null, Boolean, Number, String, Array, Object };
  Type type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string text;                                        // a string, in UTF-8
  std::vector<JsonValue> items;                            // an array
  std::vector<JsonMember> members;                         // an object, in file order

  // The member of that name; null when there is none (or this is no object).
  const JsonValue* Find(const std::string& name) const;
};

struct JsonMember {
  std::string name;
  JsonValue value;
};

// False with the reason and where it stands (byte offset) for anything that
// is not one whole JSON text; a UTF-8 byte-order mark before it is allowed.
bool ParseJson(const std::string& text, JsonValue* value, std::string* error);

}  // namespace qm::admin
