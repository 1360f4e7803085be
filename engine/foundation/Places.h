#pragma once
// Where every entry lives: one row per kind and root, with the place where
// Windows reads the entries, the stored location that holds them while they
// are taken, their flags, the mark that says they stand returned, and
// Windows' own switch for them. The engines, the cycle, the window and the
// console tool all derive their places from this one table.
#include <string>
#include <vector>

#include "engine/foundation/EntryCommon.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/KelvrinApi.h"

namespace qm {

// The three kinds of entry, in the order the window lists and launches them.
enum class EntryKind { Service, Startup, Shortcut };
inline constexpr EntryKind kEntryKinds[] = {EntryKind::Service, EntryKind::Startup, EntryKind::Shortcut};

// Where an entry stands: where Windows reads it, or in the stored location while taken.
enum class EntryPlace { Windows, Stored };

// A location selector of the engines' by-name operations: 1 is where Windows
// reads the entries, anything else the stored location.
inline EntryPlace PlaceOfSelector(int inRegistry) { return inRegistry == 1 ? EntryPlace::Windows : EntryPlace::Stored; }
inline int SelectorOf(EntryPlace place) { return place == EntryPlace::Windows ? 1 : 0; }

// Whose rights writing a place needs: the user's own (HKCU, the user's
// Startup folder) or the machine's (HKLM in either view, the common Startup
// folder), which a program without elevation does not have. Reading every
// place needs the user's rights only.
enum class PlaceRights { User, Machine };

struct Location {
  EntryKind kind;
  RegKey root;               // HKCU, HKLM as this program sees it, or the other view of HKLM
  const char* windowsKey;    // the Run or RunServices key; null for shortcuts, which stand in a folder
  const char* shellFolder;   // the Shell Folders value naming the startup folder; null for values
  const char* storedKey;
  const char* selectionsKey;
  const char* returnedMark;  // under the root's product key (see ReturnedMark.h)
  PlaceRights needs;         // to take the entries and to give them back

  bool IsPublic() const { return IsPublicRoot(root); }
  // The key that holds the entries in a place; null for shortcuts where Windows reads them.
  const char* KeyOf(EntryPlace place) const { return place == EntryPlace::Windows ? windowsKey : storedKey; }
  // Windows' own switch for the entries of this row (none for services).
  WindowsSwitch Switch() const;
};

// Every row this machine has, kind by kind (startups, services, shortcuts),
// the user's root first; on 64-bit Windows the other view of HKLM follows
// HKLM for the kinds kept in the registry. The list lives as long as the
// process; pointers into it stay valid.
KELVRIN_API const std::vector<Location>& Locations();
// The row of a kind and root; null when the kind has none there.
KELVRIN_API const Location* LocationOf(EntryKind kind, RegKey root);
// The roots of a kind, in the order they are worked.
KELVRIN_API std::vector<RegKey> RootsOf(EntryKind kind);

// "startup", "service" or "shortcut", as the console tool and the log name them.
KELVRIN_API const char* KindName(EntryKind kind);
KELVRIN_API bool KindFromName(const std::string& text, EntryKind* kind);
// "HKCU", "HKLM", "HKLM (64-bit view)" or "HKLM (32-bit view)", as the log names a root.
KELVRIN_API const char* RootLogName(RegKey root);

// Whether a new entry may be given the name: not empty, no folder in it (no
// "\\" or "/", not "." or ".."), no drive or stream (":"), no character a
// file name cannot hold, and no reserved device name
// ("CON", "NUL", "COM1", with or without an extension). A shortcut's name
// becomes a file in its startup folder, and every kind is held to the same
// rule so that one name test serves them all. Entries that stand under other
// names are kept and worked as they are; only new names are judged.
KELVRIN_API bool IsPlainName(const std::string& name);

}  // namespace qm
