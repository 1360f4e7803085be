#pragma once
// What the Run and the RunServices engines share: one Windows key whose
// values are entries, a stored location that mirrors it value for value, a
// Selections key of flags, and the whole-set operations over them. The Run
// engine works two roots (the current user's first), the RunServices engine
// the local machine alone; each keeps its own messages.
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "engine/foundation/EntryCommon.h"
#include "engine/foundation/Places.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/ReturnedMark.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/Ui.h"

namespace qm::entries {

using qm::kRunKey;
using qm::kRunOnceKey;
using qm::kRunServicesKey;
using qm::kStoredRunKey;
using qm::kStoredRunSelectionsKey;
using qm::kStoredRunServicesKey;
using qm::kStoredRunServicesSelectionsKey;

// One kind of entry kept as registry values, as the table of places has it.
struct RunKeySet {
  EntryKind entryKind;
  const char* windowsKey;
  const char* storedKey;
  const char* selectionsKey;
  // REG_DWORD 1 under the product key of a root while the entries of that
  // root stand returned in the Windows key (see VerifyEntries).
  const char* returnedMark;
  const char* kind;  // "Run" or "RunServices", as the log lines name the entries

  // The roots as this machine has them, in the order they are worked: the
  // user's first, then HKLM followed by its other view on 64-bit Windows.
  // A set made for one take may name fewer (only): the places this process may write.
  std::vector<RegKey> Roots() const { return only.empty() ? RootsOf(entryKind) : only; }
  std::vector<RegKey> only;

  // The key that holds the entries for a location selector: 1 = where Windows reads them.
  const char* EntryKey(int inRegistry) const { return inRegistry == 1 ? windowsKey : storedKey; }
};

KELVRIN_API const RunKeySet& RunEntries();
KELVRIN_API const RunKeySet& RunServiceEntries();

// MoveEx from the Windows key into the stored location, root by root, stopping
// at the first root that fails; repairs the stored paths after a full success.
// Logs the message and answers 0 on failure.
//
// A take clears the root's returned mark before it moves anything, and only a
// return sets it again. Were the take to stop half way (a crash, a failed
// call), the next start would otherwise find entries in the stored location
// without their Windows value and forget them as uninstalled: entries lost.
// A value too long for the 260-byte buffers stays in the Windows key with one
// log line, and every value after it is still taken. A listing that fails part
// way fails the take at that root.
int TakeEntries(const RunKeySet& keys, const char* failureMessage);

enum class ReturnKind { SkipEmptyCommandLines, Everything };
// CopyEx (or Copy) from the stored location back into the Windows key, root
// by root. Where a value of an entry's name already stands in the Windows key
// (a take that failed part way, an installer that wrote it since), that value
// wins: it was written later. The stored copy is refreshed from it when it can
// be carried whole, and the stored copy is written back only where no value of
// that name stands. A root is marked returned only when every stored entry due
// back (for the first kind, all but the empty command lines) stands in the
// Windows key afterwards; otherwise the return answers 0 with its message.
int ReturnEntries(const RunKeySet& keys, ReturnKind kind, const char* failureMessage);

// Drops stored entries, and their flags, whose Windows value has gone (exact
// names): entries uninstalled while they were returned. Only a root whose
// entries are known to stand returned is verified; see TakeEntries. A root
// whose listing fails is skipped with a log line: a short list would forget
// entries that still stand.
void VerifyEntries(const RunKeySet& keys);
// Gives every stored entry without a flag the flag 1; a root whose listing
// fails gets no flag written, with a log line.
void UpdateSelections(const RunKeySet& keys);

// Whether name can be given to a new entry in key, or an entry renamed to it:
// refused (false) when the key holds another value whose name differs from it
// only in letter case, or when the key cannot be listed. The registry takes
// both spellings for one value, so writing one would land on the other entry.
bool NoCaseVariantOf(RegKey root, const char* key, const std::string& name);
// Carries an entry's value and its flag from oldName under fromRoot to
// newName under toRoot (a rename within one root, or a move between roots
// under one name). The flag is written at its new place before the value
// moves and removed from its old one after, so that no crash leaves the
// entry without the user's flag. False, with the value where it stood, when
// the flag cannot be read or written or the value cannot be carried.
bool CarryEntry(RegKey fromRoot, RegKey toRoot, const char* entryKey, const char* selectionsKey,
                const std::string& oldName, const std::string& newName);
// Whether key holds a value that the registry takes for name, letter case
// ignored; a key that cannot be listed counts as holding it.
bool HoldsNameNoCase(RegKey root, const char* key, const std::string& name);
// Completes command lines that name a program without its folder, when the
// program is found in the system or the Windows folder.
void ValidateEntries(const RunKeySet& keys, int inRegistry);

// The first of roots whose key holds a value of exactly name (kNoKey in *found
// if none does). False when a key could not be listed before the name was
// found: the entry may stand there, and acting on a later root would reach
// another entry of the same name.
bool FindRoot(const std::vector<RegKey>& roots, const char* key, const std::string& name, RegKey* found);
// As FindRoot; fallback when no root holds the name, kNoKey when that is not known.
KELVRIN_API RegKey RootHolding(const std::vector<RegKey>& roots, const char* key, const std::string& name, RegKey fallback);

// What the program of the entry named name is (the first root holding it);
// nothing when the entry or its command line cannot be read.
KELVRIN_API ProgramDescription DescribeEntry(const RunKeySet& keys, const std::string& name, int inRegistry);

// Path and argument of a command line; a line that does not split is all path.
KELVRIN_API void SplitOrWhole(const std::string& commandLine, std::string* path, std::string* argument);

// Whether a text fits the 260-byte buffers that read it back, terminator included.
bool FitsRegistryText(const std::string& text);

using qm::AddProgramImage;
using qm::OpenWithShell;
using qm::ShowMessage;

// One child of parent per entry, root by root in list order, checked from the
// stored location's flags. 0 without a tree or parent, else 1.
// itemRoots (may be null) receives each item with the root its entry stands in.
KELVRIN_API int PopulateEntries(const RunKeySet& keys, platform::ITreeControl* tree, platform::TreeItem parent,
                                int inRegistry, int fallbackImage,
                                std::vector<std::pair<platform::TreeItem, RegKey>>* itemRoots = nullptr);

}  // namespace qm::entries
