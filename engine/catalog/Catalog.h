#pragma once
// Every entry known by its whole identity: its kind, its root (HKCU, HKLM as
// this program sees it, or HKLM's other view on 64-bit Windows), its place
// (where Windows reads it, or stored while taken) and its name. One name may
// stand in several roots as several entries; everything here acts on the one
// entry a reference names, never on another of the same name.
//
// The listing reads every place of the table (engine/foundation/Places.h)
// whole; the operations hand each reference to the engine of its kind.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/foundation/EntryCommon.h"
#include "engine/foundation/Places.h"
#include "engine/foundation/Registry.h"
#include "platform/KelvrinApi.h"
#include "platform/Processes.h"
#include "platform/Ui.h"

namespace qm::catalog {

struct EntryRef {
  EntryKind kind = EntryKind::Startup;
  RegKey root = platform::kNoKey;
  EntryPlace place = EntryPlace::Windows;
  std::string name;  // the value name, or the file name without ".lnk"

  const Location* Row() const { return LocationOf(kind, root); }
  bool IsPublic() const { return IsPublicRoot(root); }
  int Selector() const { return SelectorOf(place); }
};
// The same entry: kind, root and place alike, names alike as Windows compares them.
KELVRIN_API bool SameEntry(const EntryRef& a, const EntryRef& b);

// One entry as a listing reads it.
struct Entry {
  EntryRef ref;
  int flag = -1;                   // the stored REG_DWORD, -1 where the entry has none
  std::uint32_t type = 0;          // registry type of a Run or RunServices value
  std::vector<std::uint8_t> data;  // the value's data, or the shortcut's bytes
};

// Every entry of one kind in one place, root by root in the table's order,
// read whole. False with the reason when a place could not be read whole; a
// key or a folder that does not exist holds no entries.
KELVRIN_API bool ListPlace(EntryKind kind, EntryPlace place, std::vector<Entry>* entries, std::string* error);
// Every entry of the machine, row by row, where Windows reads it before the
// stored one. A return leaves a stored copy of every entry it gives back; where
// an entry stands where Windows reads it, that copy is no entry of its own and
// is left out.
KELVRIN_API bool ListAll(std::vector<Entry>* entries, std::string* error);

// One item under parent for each entry of the kind in the place, root by
// root, with the program's image and the box checked from the entry's flag;
// items answers each item with the entry it shows. 0 without a tree or
// parent, else 1.
KELVRIN_API int Populate(EntryKind kind, EntryPlace place, platform::ITreeControl* tree, platform::TreeItem parent,
                         std::vector<std::pair<platform::TreeItem, EntryRef>>* items);
// The image a new or changed entry gets: its program's icon, or for a
// shortcut the icon the engine handed back (taken over here).
KELVRIN_API int AddImage(EntryKind kind, platform::ITreeControl* tree, const std::string& path,
                         platform::IconHandle icon);

// What the field under the tree shows: the command line, or the shortcut's file.
KELVRIN_API std::string CommandLineOf(const EntryRef& ref);
// The program the entry starts (a shortcut's target); empty when it cannot be read.
KELVRIN_API std::string ProgramOf(const EntryRef& ref);
// The path and argument the entry's dialog opens with; false, both left as
// they were, when the entry cannot be read.
KELVRIN_API bool ReadPathArgument(const EntryRef& ref, std::string* path, std::string* argument);
// The entry's flag; 0 where it has none.
KELVRIN_API int FlagOf(const EntryRef& ref);

KELVRIN_API bool SetFlag(const EntryRef& ref, int flag);
// LAUNCH: a selected entry only; from the stored location a startup is
// handed back to its Run key, a service started as a process, a shortcut
// opened from a copy. Failures are logged.
// With started, the process it started itself is handed there (none when
// Windows starts it, or the platform cannot hold one).
KELVRIN_API bool Launch(const EntryRef& ref, std::unique_ptr<platform::IStartedProcess>* started = nullptr);
// Starts an entry where Windows reads it now, whatever its flag, telling the
// user what went wrong.
KELVRIN_API bool LaunchNow(const EntryRef& ref);
KELVRIN_API bool Remove(const EntryRef& ref);
// A new entry where ref names it, flagged 1. A name that is no plain name, or
// that differs from one the place holds only in letter case, is refused; the
// exact name of an entry of that root is written over, as the dialogs guard.
// For a shortcut *icon receives the new file's icon (may be null).
KELVRIN_API bool Create(const EntryRef& ref, const std::string& path, const std::string& argument,
                        platform::IconHandle* icon);
// Changes the entry from names into the entry to names (same kind and
// place; another name, or another root for a move between private and
// public), with its flag. A new name its root already holds, in any letter
// case, and a move onto a name the other root holds, are refused before
// anything is written.
KELVRIN_API bool Modify(const EntryRef& from, const EntryRef& to, const std::string& path, const std::string& argument,
                        platform::IconHandle* icon);
// Modify with the entry's own path and argument.
KELVRIN_API bool Rename(const EntryRef& ref, const std::string& newName);

// Whether the entry's root holds an entry of that name in that place, letter
// case ignored; a place that cannot be listed counts as holding it.
KELVRIN_API bool NameTaken(const EntryRef& ref);

// "user" or "machine".
KELVRIN_API const char* ScopeName(RegKey root);
// "32" or "64": the view of the machine's keys a public entry stands in, on
// a machine that has two; empty for the user's entries and where there is one view.
KELVRIN_API const char* ViewName(RegKey root);
KELVRIN_API const char* PlaceName(EntryPlace place);  // "windows" or "stored"

// The startup folder of a root's shortcuts; false where Shell Folders names none.
KELVRIN_API bool StartupFolderOf(RegKey root, std::string* folder);

}  // namespace qm::catalog
