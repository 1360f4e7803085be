#pragma once
// What every entry engine does alike: ask the shell to open something, tell
// the user, put a program's icon into the tree, give new stored entries their
// flag, and forget stored entries that have gone from where Windows reads them.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/foundation/Registry.h"
#include "platform/Processes.h"
#include "platform/Ui.h"

namespace qm {

// The shell's open action on path with argument as parameters; true when the
// shell reports a start (an instance value above 32). No shell, no start.
// With started, the process the shell started is handed there (when the
// platform holds one), for its figures.
bool OpenWithShell(const std::string& path, const std::string& argument,
                   std::unique_ptr<platform::IStartedProcess>* started = nullptr);

// Shows an OK message box, where the platform has them.
void ShowMessage(const std::string& text);

// Appends the program's small icon to the tree's normal image list and answers
// its index, or fallbackImage when there is no tree, no icon or no list.
int AddProgramImage(platform::ITreeControl* tree, const std::string& path, int fallbackImage);

// Appends an icon that was handed over to us to the tree's normal image list,
// destroys our handle (the list keeps its own copy) and answers the index, or
// fallbackImage.
int AddIconImage(platform::ITreeControl* tree, platform::IconHandle icon, int fallbackImage);

// What an entry's program is, for the tree's tip and the field under it: the
// file description and publisher of its version resource, and whether its
// file is gone (a program uninstalled, its entry left over). Only a path with
// a folder is judged missing: a bare name is found by Windows' search path.
struct ProgramDescription {
  std::string description;
  std::string publisher;
  bool missing = false;
};
// path as split from a command line; surrounding double quotes are dropped.
KELVRIN_API ProgramDescription DescribeProgram(const std::string& path);
// Whether the program a path names is gone, without reading its version
// resource: cheap enough for every entry of a listing.
KELVRIN_API bool ProgramMissing(const std::string& path);

// Where Windows' own startup settings (Windows 8 and later) say whether an
// entry is switched on: a key of binary values named like the entry plus a
// suffix (".lnk" for shortcuts). No root: the entries have no such switch.
struct WindowsSwitch {
  RegKey root = platform::kNoKey;
  const char* key = nullptr;
  const char* suffix = "";
};
// The switch of the Run entries of root, and of the shortcuts of the startup
// folder of root (HKCU: the user's, HKLM: the common one).
WindowsSwitch RunSwitch(RegKey root);
WindowsSwitch StartupFolderSwitch(RegKey root);

// The images one listing has put into a tree's list, by what each was made
// from: a program's path, or a shortcut's bytes. Asking the shell for an icon
// is the slow step of a listing (milliseconds per file under Wine, more for a
// shortcut), and many entries start one program; each distinct file is asked
// for once and its entries share the image. A cache lives for one listing, as
// the list may be rebuilt between listings.
class ImageCache {
 public:
  ImageCache(platform::ITreeControl* tree, int fallbackImage) : tree_(tree), fallbackImage_(fallbackImage) {}

  // The image for the program at path, as AddProgramImage answers it.
  int ProgramImage(const std::string& path);
  // The image made for key; make() adds it (or answers the fallback) the
  // first time only.
  int Image(const std::string& key, const std::function<int()>& make);

 private:
  platform::ITreeControl* tree_;
  int fallbackImage_;
  std::map<std::string, int> images_;
};

// The flags of one selections key, read in one listing for a listing of its
// entries rather than a key opened per entry. On answers as the flag read by
// name would: in any letter case, false where there is none.
class FlagListing {
 public:
  FlagListing(RegKey root, const char* selectionsKey) { CRegistry().ReadNumbers(root, selectionsKey, &flags_); }
  bool On(const std::string& name) const;

 private:
  std::map<std::string, std::uint32_t> flags_;
};

// Gives every stored entry of root without a flag the flag 1 (names compared
// as the registry matches them, letter case ignored). Both lists are read once, so n
// entries cost n log n. A listing that fails changes nothing: a flag the user
// set to 0 must never be taken for a missing one. False if a listing failed;
// a stored location that does not exist yet holds nothing to flag (true).
// An entry that Windows' own switch marks off gets 0 instead: the user turned
// it off there, and it must not start just because Quill Moor took it. A
// switch key that cannot be read writes no flag either (false).
bool FlagNewNames(RegKey root, const char* storedKey, const char* selectionsKey, const WindowsSwitch& windows = {});

// Carries an entry from oldName under fromRoot to newName under toRoot with
// its flag: carry() moves the entry itself (a value, a file) and answers
// whether it did. The flag is written at its new place before the entry moves
// and removed from its old one after, so that no crash at any step leaves
// the entry without the flag the user gave it; an entry without a flag (one
// an installer wrote) has none to carry. False, with the entry and its flag
// where they stood, when the flag cannot be read or written or carry() fails.
bool CarryWithFlag(RegKey fromRoot, RegKey toRoot, const char* selectionsKey, const std::string& oldName,
                   const std::string& newName, const std::function<bool()>& carry);

// Deletes each of storedNames, and its flag, for which stillThere answers
// false: entries that were uninstalled while they stood returned. The caller
// has made sure its listing of where Windows reads them was whole.
void ForgetStoredNames(RegKey root, const char* storedKey, const char* selectionsKey,
                       const std::vector<std::string>& storedNames,
                       const std::function<bool(const std::string&)>& stillThere);

}  // namespace qm
