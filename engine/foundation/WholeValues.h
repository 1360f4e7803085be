#pragma once
// Registry values read and written whole, through the registry store itself
// rather than the gateway's 260-byte buffers: what lists, exports and imports
// every entry must see values of any length, or a backup would quietly leave
// a long one out.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/foundation/Registry.h"
#include "platform/KelvrinApi.h"

namespace qm {

struct WholeValue {
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

// Every value of the key. False with an empty list when the key exists but
// cannot be listed whole; a missing key answers true and no values.
KELVRIN_API bool ReadWholeValues(RegKey root, const char* path, std::vector<WholeValue>* values);
KELVRIN_API bool ReadWholeValue(RegKey root, const char* path, const std::string& name, WholeValue* value);
// Creates the key as needed.
KELVRIN_API bool WriteWholeValue(RegKey root, const char* path, const std::string& name, std::uint32_t type,
                                 const std::vector<std::uint8_t>& data);
// True also when the key or the value was not there.
KELVRIN_API bool DeleteWholeValue(RegKey root, const char* path, const std::string& name);

// The text of a REG_SZ or REG_EXPAND_SZ value up to its terminator.
KELVRIN_API std::string TextOf(const std::vector<std::uint8_t>& data);
// A text as RegSetValueExA stores it: the bytes and one terminator.
KELVRIN_API std::vector<std::uint8_t> TextData(const std::string& text);
// A REG_DWORD's number, from its four bytes; -1 for data that is not four bytes.
KELVRIN_API long long NumberOf(const WholeValue& value);
KELVRIN_API std::vector<std::uint8_t> NumberData(std::uint32_t number);

}  // namespace qm
