#pragma once
// Every startup entry of the machine as the console tool sees it: each kind,
// each root, where it stands (where Windows reads it, or stored while taken),
// its selection flag and its data, read whole. The tool lists, exports and
// imports whatever stands, so it reads values of any length through the
// registry store itself rather than the gateway's 260-byte buffers: a backup
// that quietly left out a long entry would lose it.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/foundation/EntryCommon.h"
#include "engine/foundation/Registry.h"

namespace qm::admin {

enum class Kind { Startup, Service, Shortcut };
enum class Place { Windows, Stored };

struct Entry {
  Kind kind = Kind::Startup;
  RegKey root = HKeyCurrentUser;
  Place place = Place::Windows;
  std::string name;  // value name, or file name without ".lnk"
  int flag = -1;     // -1: no flag, else the stored REG_DWORD
  std::uint32_t type = 0;  // registry type of a Run or RunServices value
  std::vector<std::uint8_t> data;  // the value's data, or the shortcut's bytes
};

// Where one kind of entry of one root is kept.
struct Location {
  Kind kind;
  RegKey root;
  const char* windowsKey;  // null for shortcuts: they stand in a folder
  const char* storedKey;
  const char* selectionsKey;
  const char* shellFolder;  // Shell Folders value naming the startup folder; null for values
};
// On 64-bit Windows the Run and RunServices keys of the machine are kept in
// two views; each view is a location of its own, right after HKLM's.
const std::vector<Location>& Locations();
const Location* LocationOf(Kind kind, RegKey root);

const char* KindName(Kind kind);
const char* RootName(RegKey root);  // "user" or "machine"
// "32" or "64": which view of the machine's keys a public entry stands in, on a
// machine that has two; empty for the user's entries and where there is one view.
const char* ViewName(RegKey root);
const char* PlaceName(Place place);
bool KindFromName(const std::string& text, Kind* kind);

// The startup folder of a root's shortcuts; false if Shell Folders does not name one.
bool StartupFolder(const Location& location, std::string* folder);

// Every entry, in the order of Locations(), Windows' place before the stored
// one; a stored copy of an entry that stands where Windows reads it is left out. False with the reason when a place could not be read whole; a key or a
// folder that does not exist holds no entries.
bool CollectEntries(std::vector<Entry>* entries, std::string* error);

// What the entry starts: the command line, or the shortcut's target and
// arguments joined by a blank; empty when the shortcut cannot be read.
std::string CommandOf(const Entry& entry);
// What the program an entry starts says of itself, and whether its file is gone.
ProgramDescription ProgramOf(const Entry& entry);

// One registry value read whole; the store itself, not the gateway's buffers.
struct Value {
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};
// False with an empty list when the key exists but cannot be listed whole;
// a missing key answers true and no values.
bool ReadValues(RegKey root, const char* path, std::vector<Value>* values);
bool ReadValue(RegKey root, const char* path, const std::string& name, Value* value);
// Creates the key as needed.
bool WriteValue(RegKey root, const char* path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data);
bool DeleteValue(RegKey root, const char* path, const std::string& name);

// The text of a REG_SZ or REG_EXPAND_SZ value up to its terminator.
std::string TextOf(const std::vector<std::uint8_t>& data);
// A text as RegSetValueExA stores it: the bytes and one terminator.
std::vector<std::uint8_t> TextData(const std::string& text);

// Writes bytes to path whole or not at all: through a partial file of the
// folder that no "*.lnk" listing sees, renamed over path. A file cut short
// would be taken at the next log-on as if it were whole.
bool WriteFileWhole(const std::string& folder, const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace qm::admin
