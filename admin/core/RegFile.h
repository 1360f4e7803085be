#pragma once
// Files in the registry editor's own format ("Windows Registry Editor Version
// 5.00", UTF-16LE with a byte-order mark, CR LF line ends), written as regedit
// writes them and read strictly: a file that is damaged anywhere is refused
// whole, so that an import never changes half of what it should.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/foundation/WholeValues.h"

namespace qm::admin {

struct RegFileKey {
  RegKey root = HKeyCurrentUser;
  std::string path;  // without the root, as written
  std::vector<WholeValue> values;  // texts as UTF-8 with one terminator, as RegSetValueExA stores them
};

// The whole file, byte-order mark included.
std::vector<std::uint8_t> WriteRegFile(const std::vector<RegFileKey>& keys);

// False, with the line and what is wrong in *error, unless every line of the
// file is well formed. Deletions ("[-key]", "name"=-), default values and
// roots other than HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE are refused:
// our files never hold them.
bool ReadRegFile(const std::vector<std::uint8_t>& bytes, std::vector<RegFileKey>* keys, std::string* error);

}  // namespace qm::admin
