#pragma once
// Where shortcut entries are kept and how their bytes move: the two startup
// folders, the listing of a folder, the stored copies under the product key,
// files written whole or not at all, and the temporary copies of taken
// shortcuts. CShortcutEngineer builds its operations on these; none of them
// logs, the engineer decides what a failure means. The console tool writes
// the shortcuts it imports through the same whole-or-nothing write.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/KelvrinApi.h"

namespace qm::shortcuts {

inline constexpr const char* kShcKey = kStoredShcKey;
inline constexpr const char* kShcSelectionsKey = kStoredShcSelectionsKey;
inline constexpr std::size_t kPathBufferSize = 260;  // MAX_PATH, terminator included
inline constexpr char kLinkExtension[] = ".lnk";
inline constexpr char kLinkPattern[] = "*.lnk";
// Every file is written whole under this name first and then renamed, so that
// a shortcut file is either complete or absent: a half-written one would be
// taken back at the next take as if it were whole. It does not match "*.lnk",
// so Windows never starts it and no listing of shortcuts sees it.
inline constexpr char kPartialFileName[] = "~qmwrite.tmp";

KELVRIN_API bool FitsPathBuffer(const std::string& path);
KELVRIN_API std::string FileOf(const std::string& folder, const std::string& name);
std::string PatternOf(const std::string& folder);
std::set<std::string> FoldedNames(const std::vector<std::string>& names);

// The startup folder of a root as Shell Folders names it; false for any other
// root, a value that cannot be read or a path that leaves no room in the
// 260-byte buffers.
bool StartupFolder(RegKey root, std::string* folder);

// The shortcut files of a folder (names without ".lnk", and full paths);
// false if the folder cannot be listed, which is not the same as a folder
// without shortcuts.
bool ListShortcuts(const std::string& folder, std::vector<std::string>* names, std::vector<std::string>* paths);

// The stored names of a root; false (and an empty list) if they cannot be listed.
bool StoredNames(RegKey root, std::vector<std::string>* names);
// The whole stored value; false if there is none or it cannot be read.
bool ReadStored(RegKey root, const std::string& name, std::vector<std::uint8_t>* bytes);
bool WriteStored(RegKey root, const std::string& name, const std::vector<std::uint8_t>& bytes);
// True if the store answers to the name, whatever letter case it was stored in.
bool StoreAnswersTo(RegKey root, const std::string& name);

// A shortcut that can be carried: not empty and readable as a shell link.
// An empty or cut-off file (a save killed half way, a full disk) is not.
bool IsWholeLink(const std::vector<std::uint8_t>& bytes);
// The stored copy exists and is whole.
bool StoredIsWhole(RegKey root, const std::string& name);

// Writes bytes to path through the folder's partial file and a rename over
// path: afterwards path holds either all of the bytes or what it held before.
KELVRIN_API bool WriteWhole(const std::string& folder, const std::string& path, const std::vector<std::uint8_t>& bytes);
// Removes the partial file an unfinished write or save left in the folder.
// Its bytes are still stored (or were never ours), so it can always go.
void ClearPartial(const std::string& folder);
// Whether this process may write in the folder, found by trying: the
// folder's partial file is written empty and removed at once.
KELVRIN_API bool FolderTakesWrites(const std::string& folder);
// Deletes a file; one that is already gone is no failure.
bool RemoveFile(const std::string& path);

// The link object saves to the folder's partial file, which is then renamed
// over path: a save killed half way (the link object empties the file before
// it writes) never leaves a cut-off shortcut under a name Windows starts.
// False if the save or the rename failed; path is then as it was.
bool SaveLinkWhole(const std::string& folder, const std::string& path);

// Temporary copies of taken shortcuts, for the shell and the link object to
// read. They go to a folder of ours under the user's temporary folder, which
// the user can always write (the program's own folder may be read-only under
// Program Files). The path of the copy; empty if it could not be written whole.
std::string WriteTemporaryCopy(RegKey root, const std::string& name);
// Where a temporary file for the shortcut of that name goes, in the same folder
// of ours; empty if the folder cannot be made or the path would not fit.
std::string TemporaryFile(const std::string& name);
// The folder part of a path; empty when it names none.
std::string FolderOf(const std::string& path);

}  // namespace qm::shortcuts
