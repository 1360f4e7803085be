#include "engine/shortcuts/ShortcutEngineer.h"

#include <cstring>
#include <map>
#include <set>

#include "engine/foundation/CommandLine.h"
#include "engine/foundation/EntryCommon.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Places.h"
#include "engine/foundation/ReturnedMark.h"
#include "engine/foundation/StoredKeys.h"
#include "engine/shortcuts/ShortcutStorage.h"
#include "platform/FileSystem.h"
#include "platform/ShellLink.h"
#include "platform/portable/ShellLinkFile.h"
#include "platform/Text.h"

namespace qm {
namespace {

using namespace shortcuts;

// REG_DWORD 1 under the product key of a root while every stored shortcut of
// that root stands returned in its folder. Only then may a stored shortcut
// without a file be taken for one the user deleted: after a take that stopped
// half way, or a return that could not write every file, a missing file means
// the shortcut is stored, not gone.
constexpr const char* kReturnedMark = kShcReturnedMark;

// The texts of the system, each written once.
constexpr char kMsgUnableToDeleteFile[] = "Unable to delete shortcut file";
constexpr char kMsgCommonUnableToDeleteFile[] = "ShortcutEngineer is unable to delete shortcut file";
constexpr char kMsgUserNamesReturn[] = "Unable to get shortcut names in stored location HKCU for returning";
constexpr char kMsgCommonNamesReturn[] = "Unable to get shortcut names in stored location HKLM for returning";
constexpr char kMsgUserNamesRestore[] = "Unable to get shortcut names in registry HKCU for restoring";
constexpr char kMsgCommonNamesRestore[] = "Unable to get shortcut names in registry HKLM for restoring";
constexpr char kMsgUserListing[] = "Unable to list shortcut files in user folder";
constexpr char kMsgCommonListing[] = "Unable to list shortcut files in common folder";
constexpr char kMsgUserFlags[] = "Unable to update shortcut selections in stored location HKCU";
constexpr char kMsgCommonFlags[] = "Unable to update shortcut selections in stored location HKLM";
constexpr char kMsgNameTooLong[] = "Shortcut name too long for its startup folder: ";
constexpr char kMsgNotWhole[] = "Shortcut file is not whole, its stored copy is kept: ";
constexpr char kMsgSetData[] = "Unable to set shortcut data";
constexpr char kMsgSaveData[] = "Unable to save shortcut data";
constexpr char kMsgLoadData[] = "Unable to load shortcut data";
constexpr char kMsgCreateUser[] = "Unable to create shortcut in user folder";
constexpr char kMsgCreateCommon[] = "Unable to create shortcut in common folder";
constexpr char kMsgCreateTempUser[] = "Unable to create temp shortcut in user folder";
constexpr char kMsgCreateTempCommon[] = "Unable to create temp shortcut in common folder";
constexpr char kMsgRenameFile[] = "Unable to rename shortcut file";
constexpr char kMsgModifyFile[] = "Unable to modify shortcut file";
constexpr char kMsgRenameStoredUser[] = "Unable to rename shortcut entry in stored location HKCU";
constexpr char kMsgRenameStoredCommon[] = "Unable to rename shortcut entry in stored location HKLM";
constexpr char kMsgMoveStored[] = "Unable to move shortcut entry to new location";
constexpr char kMsgToFileUser[] = "Unable to load shortcut data from stored location HKCU to file";
constexpr char kMsgToFileCommon[] = "Unable to load shortcut data from stored location HKLM to file";
constexpr char kMsgModifyData[] = "Unable to modify shortcut data";
constexpr char kMsgBackUser[] = "Unable to load shortcut data back to registry HKCU";
constexpr char kMsgBackCommon[] = "Unable to load shortcut data back to registry HKLM";
constexpr char kMsgRemoveStoredUser[] = "Unable to remove shortcut entry from stored location HKCU";
constexpr char kMsgRemoveStoredCommon[] = "Unable to remove shortcut entry from stored location HKLM";
constexpr char kMsgFindShortcut[] = "Unable to find shortcut";
constexpr char kMsgUserFolder[] = "Unable to get user folder path";
constexpr char kMsgCommonFolder[] = "Unable to get common folder path";
constexpr char kMsgLaunchFile[] = "Unable to load shortcut data to file for launch";
constexpr char kMsgLaunching[] = "Launching ";
constexpr char kMsgUnableToLaunch[] = "Unable to launch ";

constexpr platform::TreeItem kNoItem = 0;
constexpr int kFallbackImage = 2;  // the Shortcuts root's own image

platform::IFileSystem* Files() { return platform::Current<platform::IFileSystem>(); }
platform::IShell* Shell() { return platform::Current<platform::IShell>(); }
platform::ILinkObject* Link() { return platform::Current<platform::ILinkObject>(); }

RegKey RootOf(int isPublic) { return isPublic ? HKeyLocalMachine : HKeyCurrentUser; }

const char* ListingMessage(RegKey root) { return root == HKeyCurrentUser ? kMsgUserListing : kMsgCommonListing; }

int ReadFlag(RegKey root, const std::string& name) {
  std::uint32_t flag = 0;
  if (!CRegistry().GetValue(root, kShcSelectionsKey, name.c_str(), &flag)) return 0;
  return static_cast<int>(flag);
}

int IsStored(RegKey root, const std::string& name) {
  return CRegistry().IsValueNamePresent(root, kShcKey, name.c_str()) == 1;
}

// The names of the place inRegistry names (the root's startup folder, or its
// stored location); false if that place cannot be listed. folder is set for
// the startup folder.
bool NamesOfPlace(RegKey root, int inRegistry, std::vector<std::string>* names, std::string* folder) {
  if (inRegistry != 1) return StoredNames(root, names);
  std::vector<std::string> paths;
  return StartupFolder(root, folder) && ListShortcuts(*folder, names, &paths);
}

// The place holds an entry of that name, letter case ignored. Besides our own
// comparison the place's own answer counts: the file system and the registry
// may fold letters that our comparison does not know, and they decide which
// entry a write lands on.
bool HoldsNameNoCase(RegKey root, const std::string& name, int inRegistry) {
  std::vector<std::string> names;
  std::string folder;
  // A place that cannot be listed is still asked for the name itself: a
  // rename of a stored value would write over the entry it did not see.
  if (NamesOfPlace(root, inRegistry, &names, &folder))
    for (const std::string& held : names)
      if (platform::EqualsNoCase(held, name)) return true;
  if (inRegistry != 1) return StoreAnswersTo(root, name);
  if (folder.empty()) return false;
  platform::IFileSystem* files = Files();
  std::string file = FileOf(folder, name);
  return files && files->Exists(file) && !files->IsDirectory(file);
}

// The place holds an entry whose name differs from name only in letter case:
// a create or rename onto it would land on that other entry.
bool HoldsCaseVariant(RegKey root, const std::string& name, int inRegistry) {
  std::vector<std::string> names;
  std::string folder;
  if (!NamesOfPlace(root, inRegistry, &names, &folder)) return false;
  for (const std::string& held : names)
    if (held == name) return false;
  return HoldsNameNoCase(root, name, inRegistry);
}

// A file that stands in the folder under a stored name, at a return or a
// restore. A whole file is newer than the stored copy (a take that failed
// part way, an installer that wrote it since) and refreshes it. One that is
// not whole (empty or cut off: a save killed half way, a full disk) never
// replaces anything; a whole stored copy is written back over it instead.
void KeepStanding(RegKey root, const std::string& name, const std::string& folder, const std::string& path) {
  platform::IFileSystem* files = Files();
  std::vector<std::uint8_t> standing;
  if (!files || files->ReadAll(path, standing) != platform::FsResult::Ok) return;
  if (IsWholeLink(standing)) {
    WriteStored(root, name, standing);
    return;
  }
  std::vector<std::uint8_t> stored;
  if (ReadStored(root, name, &stored) && IsWholeLink(stored)) WriteWhole(folder, path, stored);
}

bool OpenWithShell(const std::string& file, std::unique_ptr<platform::IStartedProcess>* started = nullptr) {
  return qm::OpenWithShell(file, "", started);
}

}  // namespace

// ---------------------------------------------------------------------------
// Storage

int CShortcutEngineer::GetStartupFolderPath(RegKey root, char* folder) const {
  if (!root || !folder) return 0;
  std::string path;
  if (!StartupFolder(root, &path)) return 0;
  std::memcpy(folder, path.c_str(), path.size() + 1);
  return 1;
}

int CShortcutEngineer::FindShortcutFilePaths(const char* pattern, std::vector<std::string>* names,
                                             std::vector<std::string>* paths) const {
  if (!pattern || !names || !paths) return 0;
  std::string text = pattern;
  std::size_t cut = text.find_last_of('\\');
  names->clear();
  paths->clear();
  if (cut != std::string::npos && platform::EqualsNoCase(text.substr(cut + 1), kLinkPattern))
    ListShortcuts(text.substr(0, cut), names, paths);
  return 1;
}

int CShortcutEngineer::LoadShortcutDataToRegistry(RegKey root, const std::vector<std::string>* names,
                                                  const std::vector<std::string>* paths) const {
  if (!root || !names || !paths) return 0;
  platform::IFileSystem* files = Files();
  if (!files) return 1;
  // Nothing leaves a folder while its root claims that every stored shortcut
  // stands returned there.
  if (!paths->empty() && !ClearReturnedMark(root, kReturnedMark)) return 1;
  for (std::size_t i = 0; i < paths->size() && i < names->size(); ++i) {
    const std::string& name = (*names)[i];
    const std::string& path = (*paths)[i];
    std::vector<std::uint8_t> bytes;
    if (files->ReadAll(path, bytes) != platform::FsResult::Ok) continue;
    // A cut-off file never replaces a whole stored copy of its name. It stays
    // where it is; the next return writes the whole copy over it. Any other
    // file is the user's, whatever its bytes (an empty one too): it is carried
    // byte for byte and comes back as it was.
    if (!IsWholeLink(bytes) && StoredIsWhole(root, name)) {
      CLog::Error(kMsgNotWhole + name);
      continue;
    }
    if (!WriteStored(root, name, bytes)) continue;
    if (files->Delete(path) != platform::FsResult::Ok) CLog::Error(kMsgUnableToDeleteFile);
  }
  return 1;
}

int CShortcutEngineer::WriteStoredShortcuts(RegKey root, const char* folder, const std::vector<std::string>* names,
                                            bool skipEmpty, bool* allWritten) const {
  bool written = Files() != nullptr;
  if (allWritten) *allWritten = false;
  if (!written) return 1;
  std::string folderText = folder ? folder : "";
  // A write that never finished leaves its partial file behind.
  ClearPartial(folderText);
  for (const std::string& name : *names) {
    std::vector<std::uint8_t> bytes;
    if (!ReadStored(root, name, &bytes)) {
      written = false;
      continue;
    }
    if (skipEmpty && bytes.empty()) continue;
    std::string path = FileOf(folderText, name);
    if (!FitsPathBuffer(path)) CLog::Error(kMsgNameTooLong + name);
    if (!WriteWhole(folderText, path, bytes)) written = false;
  }
  if (allWritten) *allWritten = written;
  return 1;
}

int CShortcutEngineer::LoadShortcutDataToFile(RegKey root, const char* folder,
                                              const std::vector<std::string>* names) const {
  if (!root || !folder || !names) return 0;
  return WriteStoredShortcuts(root, folder, names, false, nullptr);
}

int CShortcutEngineer::LoadShortcutDataToFileEx(RegKey root, const char* folder,
                                                const std::vector<std::string>* names) const {
  if (!root || !names) return 0;
  return WriteStoredShortcuts(root, folder, names, true, nullptr);
}

int CShortcutEngineer::CrossVerifyShcEntries(RegKey root, const std::vector<std::string>* names) const {
  if (!root || !names) return 0;
  std::vector<std::string> stored;
  // A stored location that cannot be listed has nothing to judge.
  if (!StoredNames(root, &stored)) return 1;
  // One set of the folder's names instead of a scan per stored name keeps a
  // verify of n shortcuts at n log n.
  const std::set<std::string> present = FoldedNames(*names);
  ForgetStoredNames(root, kShcKey, kShcSelectionsKey, stored,
                    [&present](const std::string& name) { return present.count(platform::FoldCase(name)) != 0; });
  return 1;
}

// ---------------------------------------------------------------------------
// Lifecycle

int CShortcutEngineer::StartWork() const { return StartWork(RootsOf(EntryKind::Shortcut)); }

int CShortcutEngineer::StartWork(const std::vector<RegKey>& roots) const {
  // Order matters: forget shortcuts deleted while they were returned, take
  // what the folders hold now, then select what is new.
  VerifyShcRoots(roots);
  TakeShcRoots(roots);
  UpdateShcRoots(roots);
  return 1;
}

int CShortcutEngineer::VerifyShcEntries() const { return VerifyShcRoots(RootsOf(EntryKind::Shortcut)); }
int CShortcutEngineer::TakeShcEntries() const { return TakeShcRoots(RootsOf(EntryKind::Shortcut)); }
int CShortcutEngineer::UpdateShcSelections() const { return UpdateShcRoots(RootsOf(EntryKind::Shortcut)); }

int CShortcutEngineer::VerifyShcRoots(const std::vector<RegKey>& roots) const {
  for (RegKey root : roots) {
    std::string folder;
    if (!StartupFolder(root, &folder)) continue;
    // Stored shortcuts of a root not known to stand returned may lack their
    // file because they are taken; a folder that cannot be listed says
    // nothing about which files are there. Either way nothing is forgotten.
    if (!IsMarkedReturned(root, kReturnedMark)) continue;
    std::vector<std::string> names, paths;
    if (!ListShortcuts(folder, &names, &paths)) {
      CLog::Error(ListingMessage(root));
      continue;
    }
    CrossVerifyShcEntries(root, &names);
  }
  return 1;
}

int CShortcutEngineer::TakeShcRoots(const std::vector<RegKey>& roots) const {
  for (RegKey root : roots) {
    std::string folder;
    if (!StartupFolder(root, &folder)) continue;
    std::vector<std::string> names, paths;
    if (!ListShortcuts(folder, &names, &paths)) {
      CLog::Error(ListingMessage(root));
      continue;
    }
    LoadShortcutDataToRegistry(root, &names, &paths);
  }
  return 1;
}

int CShortcutEngineer::UpdateShcRoots(const std::vector<RegKey>& roots) const {
  for (RegKey root : roots) {
    if (FlagNewNames(root, kShcKey, kShcSelectionsKey, StartupFolderSwitch(root))) continue;
    // A root without a stored location has nothing to flag; any other failure
    // left the flags as they were, and says so.
    CRegistry registry;
    std::vector<std::string> names;
    if (!registry.EnumerateValueNames(root, kShcKey, &names) &&
        registry.lastError == static_cast<std::uint32_t>(platform::kErrorFileNotFound))
      continue;
    CLog::Error(root == HKeyCurrentUser ? kMsgUserFlags : kMsgCommonFlags);
  }
  return 1;
}

int CShortcutEngineer::ReturnAll(const char* userMessage, const char* commonMessage) const {
  for (RegKey root : RootsOf(EntryKind::Shortcut)) {
    std::vector<std::string> names;
    if (!StoredNames(root, &names)) {
      // A stored location never made holds nothing to give back.
      CRegistry registry;
      if (!registry.EnumerateValueNames(root, kShcKey, &names) &&
          registry.lastError == static_cast<std::uint32_t>(platform::kErrorFileNotFound))
        continue;
      CLog::Error(root == HKeyCurrentUser ? userMessage : commonMessage);
      return 0;
    }
    std::string folder;
    if (!StartupFolder(root, &folder)) continue;
    // A folder that cannot be listed gets nothing written into it: what
    // stands there is unknown, and may be newer than the stored copy.
    std::vector<std::string> present, paths;
    if (!ListShortcuts(folder, &present, &paths)) {
      CLog::Error(ListingMessage(root));
      continue;
    }
    // A root that stands returned has nothing of its own to give back: a
    // stored copy whose file has gone since is a shortcut the user deleted or
    // renamed, and is forgotten as the next verify would, not written back.
    if (IsMarkedReturned(root, kReturnedMark)) {
      CrossVerifyShcEntries(root, &present);
      if (!StoredNames(root, &names)) {
        CLog::Error(root == HKeyCurrentUser ? userMessage : commonMessage);
        return 0;
      }
    }
    // The mark of an earlier return must not outlive a return that leaves a
    // shortcut unwritten; a mark that cannot be cleared leaves the root taken.
    if (!ClearReturnedMark(root, kReturnedMark)) continue;
    ClearPartial(folder);
    std::map<std::string, std::size_t> standing;
    for (std::size_t i = 0; i < present.size(); ++i) standing.emplace(platform::FoldCase(present[i]), i);
    for (const std::string& name : names) {
      std::string path = FileOf(folder, name);
      // A name that cannot be carried stays stored, and keeps the root from
      // being marked returned; every later name is still returned.
      if (!FitsPathBuffer(path)) {
        CLog::Error(kMsgNameTooLong + name);
        continue;
      }
      auto found = standing.find(platform::FoldCase(name));
      if (found != standing.end()) {
        KeepStanding(root, name, folder, paths[found->second]);
        continue;
      }
      std::vector<std::uint8_t> bytes;
      if (!ReadStored(root, name, &bytes)) continue;
      // Every stored shortcut was the user's file, an empty one too: it goes
      // back byte for byte, never stays stored for good.
      WriteWhole(folder, path, bytes);
    }
    // The root stands returned only when every stored name that was due is
    // now in the folder: one listing of each side after the writes, so that
    // a write that failed, a name that could not be carried or a listing cut
    // short all leave it unmarked.
    std::vector<std::string> after, afterPaths, storedAfter;
    if (!ListShortcuts(folder, &after, &afterPaths) || !StoredNames(root, &storedAfter)) continue;
    const std::set<std::string> standsNow = FoldedNames(after);
    bool all = true;
    for (const std::string& name : storedAfter) {
      std::string folded = platform::FoldCase(name);
      if (!standsNow.count(folded)) all = false;
    }
    if (all) MarkReturned(root, kReturnedMark);
  }
  return 1;
}

int CShortcutEngineer::ReturnShcEntries() const {
  return ReturnAll(kMsgUserNamesReturn, kMsgCommonNamesReturn);
}

int CShortcutEngineer::RestoreShcEntries() const {
  return ReturnAll(kMsgUserNamesRestore, kMsgCommonNamesRestore);
}

int CShortcutEngineer::IsShortcutPresent(RegKey root, std::string name) const {
  if (!root) return 0;
  std::string folder;
  std::vector<std::string> names, paths;
  if (!StartupFolder(root, &folder) || !ListShortcuts(folder, &names, &paths)) return 0;
  for (const std::string& found : names)
    if (platform::EqualsNoCase(found, name)) return 1;
  return 0;
}

// ---------------------------------------------------------------------------
// Editing

int CShortcutEngineer::CreateShortcut(std::string targetPath, std::string arguments, std::string filePath) const {
  platform::ILinkObject* link = Link();
  if (!link) return 0;
  // Each new shortcut starts from an empty link: nothing of the link loaded
  // before (working folder, icon, description, hot key) may carry over.
  if (link->Clear() != platform::kLinkOk || link->SetPath(targetPath) != platform::kLinkOk ||
      link->SetArguments(arguments) != platform::kLinkOk) {
    CLog::Error(kMsgSetData);
    return 0;
  }
  if (!SaveLinkWhole(FolderOf(filePath), filePath)) {
    CLog::Error(kMsgSaveData);
    return 0;
  }
  return 1;
}

int CShortcutEngineer::ModifyShortcut(std::string targetPath, std::string arguments, std::string filePath) const {
  platform::ILinkObject* link = Link();
  if (!link) return 0;
  if (link->Load(filePath) != platform::kLinkOk) {
    CLog::Error(kMsgLoadData);
    return 0;
  }
  if (link->SetPath(targetPath) != platform::kLinkOk || link->SetArguments(arguments) != platform::kLinkOk) {
    CLog::Error(kMsgSetData);
    return 0;
  }
  if (!SaveLinkWhole(FolderOf(filePath), filePath)) {
    CLog::Error(kMsgSaveData);
    return 0;
  }
  return 1;
}

int CShortcutEngineer::CreateShcEntry(platform::IconHandle* icon, std::string name, std::string targetPath,
                                      std::string arguments, int isPublic, int inRegistry) const {
  return CreateShcEntryAt(icon, RootOf(isPublic), name, targetPath, arguments, inRegistry);
}

int CShortcutEngineer::CreateShcEntryAt(platform::IconHandle* icon, RegKey root, std::string name,
                                        std::string targetPath, std::string arguments, int inRegistry) const {
  if (!Link()) return 0;
  char folder[kPathBufferSize];
  if (!GetStartupFolderPath(root, folder)) return 1;
  const bool isPublic = root != HKeyCurrentUser;
  const char* failure = inRegistry == 1 ? (isPublic ? kMsgCreateCommon : kMsgCreateUser)
                                        : (isPublic ? kMsgCreateTempCommon : kMsgCreateTempUser);
  // A name with a folder in it would be written outside the startup folder,
  // and one that differs from a name the place holds only in letter case
  // would land on that other entry. The exact name overwrites, as it always did.
  if (!IsPlainName(name) || HoldsCaseVariant(root, name, inRegistry)) {
    CLog::Error(failure);
    return 0;
  }
  std::string file = FileOf(folder, name);
  if (!FitsPathBuffer(file)) {
    CLog::Error(failure);
    return 0;
  }
  CRegistry().SetValue(root, kShcSelectionsKey, name.c_str(), std::uint32_t{1});
  if (inRegistry == 1) {
    if (!CreateShortcut(targetPath, arguments, file)) {
      CLog::Error(failure);
      return 0;
    }
    if (icon) *icon = LoadShortcutIcon(file, 0);
    return 1;
  }
  // While the entries are taken the folder is not ours to write: a file that
  // appeared there since the take belongs to someone else. The shortcut is
  // made in our temporary folder and stored from there.
  std::string made = TemporaryFile(name);
  std::vector<std::uint8_t> bytes;
  platform::IFileSystem* files = Files();
  bool stored = !made.empty() && CreateShortcut(targetPath, arguments, made) && files &&
                files->ReadAll(made, bytes) == platform::FsResult::Ok && WriteStored(root, name, bytes);
  if (stored && icon) *icon = LoadShortcutIcon(made, 0);
  if (!made.empty()) RemoveFile(made);
  if (!stored) {
    CLog::Error(failure);
    return 0;
  }
  return 1;
}

int CShortcutEngineer::ModifyShcEntry(platform::IconHandle* icon, std::string oldName, std::string newName,
                                      std::string targetPath, std::string arguments, int oldPublic, int newPublic,
                                      int inRegistry) const {
  return ModifyShcEntryAt(icon, RootOf(oldPublic), RootOf(newPublic), oldName, newName, targetPath, arguments,
                          inRegistry);
}

int CShortcutEngineer::ModifyShcEntryAt(platform::IconHandle* icon, RegKey oldRoot, RegKey newRoot,
                                        std::string oldName, std::string newName, std::string targetPath,
                                        std::string arguments, int inRegistry) const {
  if (!Link()) return 0;
  CRegistry registry;
  platform::IFileSystem* files = Files();
  bool rename = !platform::EqualsNoCase(oldName, newName);
  bool move = oldRoot != newRoot;
  int place = inRegistry == 1 ? 1 : 0;
  // Refused before anything changes: a new name that is no plain file name,
  // a rename onto a name its side already holds in any letter case, and a
  // move onto a name the other side holds, would each land on another entry
  // (its file, its stored bytes, its flag) or outside the startup folder.
  if (rename && (!IsPlainName(newName) || HoldsNameNoCase(oldRoot, newName, place))) {
    CLog::Error(place == 1 ? kMsgRenameFile : oldRoot == HKeyLocalMachine ? kMsgRenameStoredCommon : kMsgRenameStoredUser);
    return 0;
  }
  if (move && HoldsNameNoCase(newRoot, newName, place)) {
    CLog::Error(place == 1 ? kMsgRenameFile : kMsgMoveStored);
    return 0;
  }

  // Each step carries the flag before the file or the stored bytes, so that
  // no crash leaves the shortcut without the flag the user gave it. A step
  // that fails ends the change: the next would act on a name or a side the
  // shortcut did not reach, which may be another entry's.
  if (inRegistry == 1) {
    if (rename) {
      char folder[kPathBufferSize];
      if (!GetStartupFolderPath(oldRoot, folder) ||
          !CarryWithFlag(oldRoot, oldRoot, kShcSelectionsKey, oldName, newName, [&] {
            return files &&
                   files->Move(FileOf(folder, oldName), FileOf(folder, newName), false) == platform::FsResult::Ok;
          })) {
        CLog::Error(kMsgRenameFile);
        return 0;
      }
    }
    if (move) {
      char source[kPathBufferSize], destination[kPathBufferSize];
      bool haveFolders = GetStartupFolderPath(oldRoot, source) && GetStartupFolderPath(newRoot, destination);
      if (!haveFolders || !files ||
          !CarryWithFlag(oldRoot, newRoot, kShcSelectionsKey, newName, newName, [&] {
            return files->Move(FileOf(source, newName), FileOf(destination, newName), false) ==
                   platform::FsResult::Ok;
          })) {
        CLog::Error(kMsgRenameFile);
        return 0;
      }
    }
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(newRoot, folder)) return 1;
    std::string file = FileOf(folder, newName);
    if (!ModifyShortcut(targetPath, arguments, file)) {
      CLog::Error(kMsgModifyFile);
      return 0;
    }
    if (icon) *icon = LoadShortcutIcon(file, 0);
    return 1;
  }

  if (rename && !CarryWithFlag(oldRoot, oldRoot, kShcSelectionsKey, oldName, newName, [&] {
        return registry.RenameValue(oldRoot, kShcKey, oldName.c_str(), newName.c_str()) != 0;
      })) {
    CLog::Error(oldRoot == HKeyLocalMachine ? kMsgRenameStoredCommon : kMsgRenameStoredUser);
    return 0;
  }
  if (move && !CarryWithFlag(oldRoot, newRoot, kShcSelectionsKey, newName, newName, [&] {
        return registry.MoveValue(oldRoot, newRoot, kShcKey, kShcKey, newName.c_str()) != 0;
      })) {
    CLog::Error(kMsgMoveStored);
    return 0;
  }
  // The stored bytes are changed through a copy in our temporary folder: the
  // startup folder is not ours to write while the entries are taken.
  std::string file = WriteTemporaryCopy(newRoot, newName);
  if (file.empty()) {
    CLog::Error(newRoot == HKeyLocalMachine ? kMsgToFileCommon : kMsgToFileUser);
    return 0;
  }
  if (!ModifyShortcut(targetPath, arguments, file)) {
    RemoveFile(file);
    CLog::Error(kMsgModifyData);
    return 0;
  }
  std::vector<std::uint8_t> bytes;
  bool stored = files && files->ReadAll(file, bytes) == platform::FsResult::Ok && IsWholeLink(bytes) &&
                WriteStored(newRoot, newName, bytes);
  if (stored && icon) *icon = LoadShortcutIcon(file, 0);
  RemoveFile(file);
  if (!stored) {
    CLog::Error(newRoot == HKeyLocalMachine ? kMsgBackCommon : kMsgBackUser);
    return 0;
  }
  return 1;
}

int CShortcutEngineer::RemoveShcEntry(std::string name, int inRegistry) const {
  RegKey root = RootHolding(name, inRegistry == 1 ? 1 : 0);
  if (!root) return 1;
  return RemoveShcEntryAt(root, name, inRegistry);
}

int CShortcutEngineer::RemoveShcEntryAt(RegKey root, std::string name, int inRegistry) const {
  CRegistry registry;
  if (inRegistry == 1) {
    registry.DeleteValue(root, kShcSelectionsKey, name.c_str());
    char folder[kPathBufferSize];
    if (GetStartupFolderPath(root, folder)) {
      platform::IFileSystem* files = Files();
      if (!files || files->Delete(FileOf(folder, name)) != platform::FsResult::Ok) {
        CLog::Error(kMsgUnableToDeleteFile);
        return 0;
      }
    }
    return 1;
  }
  registry.DeleteValue(root, kShcSelectionsKey, name.c_str());
  if (!registry.DeleteValue(root, kShcKey, name.c_str())) {
    CLog::Error(root == HKeyLocalMachine ? kMsgRemoveStoredCommon : kMsgRemoveStoredUser);
    return 0;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Launching, icons and the tree

int CShortcutEngineer::LaunchShcEntry(std::string name, int inRegistry) const {
  RegKey root = RootHolding(name, inRegistry == 1 ? 1 : 0);
  if (!root) {
    CLog::Error(kMsgFindShortcut);
    return 0;
  }
  return LaunchShcEntryAt(root, name, inRegistry);
}

int CShortcutEngineer::LaunchShcEntryAt(RegKey root, std::string name, int inRegistry,
                                        std::unique_ptr<platform::IStartedProcess>* started) const {
  if (ReadFlag(root, name) == 0) return 0;
  if (inRegistry == 1) {
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(root, folder)) {
      CLog::Error(root == HKeyCurrentUser ? kMsgUserFolder : kMsgCommonFolder);
      return 0;
    }
    std::string file = FileOf(folder, name);
    if (!OpenWithShell(file, started)) return 0;
    CLog::Message(kMsgLaunching + file);
    return 1;
  }

  std::string file = WriteTemporaryCopy(root, name);
  if (file.empty()) {
    CLog::Error(kMsgLaunchFile);
    return 0;
  }
  if (!OpenWithShell(file, started)) {
    RemoveFile(file);
    return 0;
  }
  CLog::Message(kMsgLaunching + file);
  // The target runs by now: a copy that cannot be deleted is logged, but
  // does not turn the launch into a failure.
  if (!RemoveFile(file)) CLog::Error(root == HKeyCurrentUser ? kMsgUnableToDeleteFile : kMsgCommonUnableToDeleteFile);
  return 1;
}

int CShortcutEngineer::LaunchShcEntry(std::string name) const {
  RegKey root = RootHolding(name, 1);
  if (!root) {
    ShowMessage(kMsgFindShortcut);
    return 0;
  }
  return LaunchShcEntryNowAt(root, name);
}

int CShortcutEngineer::LaunchShcEntryNowAt(RegKey root, std::string name) const {
  char folder[kPathBufferSize];
  if (!GetStartupFolderPath(root, folder)) {
    ShowMessage(kMsgFindShortcut);
    return 1;
  }
  std::string file = FileOf(folder, name);
  if (!OpenWithShell(file)) ShowMessage(kMsgUnableToLaunch + file);
  return 1;
}

platform::IconHandle CShortcutEngineer::LoadShortcutIcon(std::string filePath, int deleteFile) const {
  platform::IShell* shell = Shell();
  platform::IconHandle icon = shell ? shell->SmallIcon(filePath) : 0;
  // A temporary copy that stays is logged; the listing goes on.
  if (deleteFile == 1 && !RemoveFile(filePath)) CLog::Error(kMsgUnableToDeleteFile);
  return icon;
}

platform::IconHandle CShortcutEngineer::LoadShortcutIcon(RegKey root, std::string name, int deleteFile) const {
  std::string file = WriteTemporaryCopy(root, name);
  if (file.empty()) {
    CLog::Error(kMsgLoadData);
    return 0;
  }
  return LoadShortcutIcon(file, deleteFile);
}

int CShortcutEngineer::AddShortcutImageToTreeCtrl(platform::ITreeControl* tree, platform::IconHandle icon) const {
  return AddIconImage(tree, icon, kFallbackImage);
}

int CShortcutEngineer::AddShortcutImageToTreeCtrl(platform::ITreeControl* tree, std::string filePath) const {
  return AddProgramImage(tree, filePath, kFallbackImage);
}

int CShortcutEngineer::PopulateShcEntries(platform::ITreeControl* tree, platform::TreeItem parent,
                                          int inRegistry) const {
  return PopulateShcEntries(tree, parent, inRegistry, nullptr);
}

int CShortcutEngineer::PopulateShcEntries(platform::ITreeControl* tree, platform::TreeItem parent, int inRegistry,
                                          std::vector<std::pair<platform::TreeItem, RegKey>>* itemRoots) const {
  if (!tree || parent == kNoItem) return 0;
  // A shortcut's icon comes from its bytes alone (its target or its icon
  // location), so shortcuts with the same bytes under one root share one
  // image. A shortcut that cannot be read is looked up on its own.
  ImageCache cache(tree, kFallbackImage);
  auto keyOf = [](RegKey root, const std::vector<std::uint8_t>& bytes) {
    return std::to_string(static_cast<int>(root == HKeyLocalMachine)) + std::string(bytes.begin(), bytes.end());
  };
  platform::IFileSystem* files = Files();
  // Without an image list every item takes the kind's image: no shortcut is read for it.
  const bool images = tree->GetImageList() != nullptr;
  for (RegKey root : RootsOf(EntryKind::Shortcut)) {
    const FlagListing flags(root, kShcSelectionsKey);
    if (inRegistry == 1) {
      char folder[kPathBufferSize];
      if (!GetStartupFolderPath(root, folder)) continue;
      std::vector<std::string> names, paths;
      FindShortcutFilePaths((std::string(folder) + "\\" + kLinkPattern).c_str(), &names, &paths);
      for (std::size_t i = 0; i < names.size(); ++i) {
        std::vector<std::uint8_t> bytes;
        auto make = [&] { return AddShortcutImageToTreeCtrl(tree, paths[i]); };
        bool read = images && files && files->ReadAll(paths[i], bytes) == platform::FsResult::Ok;
        int image = !images ? kFallbackImage : read ? cache.Image(keyOf(root, bytes), make) : make();
        platform::TreeItem item = tree->InsertItem(parent, names[i], image, image);
        tree->SetCheck(item, flags.On(names[i]));
        if (itemRoots) itemRoots->emplace_back(item, root);
      }
      continue;
    }
    std::vector<std::string> stored;
    StoredNames(root, &stored);
    for (const std::string& name : stored) {
      std::vector<std::uint8_t> bytes;
      auto make = [&] { return AddShortcutImageToTreeCtrl(tree, LoadShortcutIcon(root, name, 1)); };
      int image = !images                       ? kFallbackImage
                  : ReadStored(root, name, &bytes) ? cache.Image(keyOf(root, bytes), make)
                                                   : make();
      platform::TreeItem item = tree->InsertItem(parent, name, image, image);
      tree->SetCheck(item, flags.On(name));
      if (itemRoots) itemRoots->emplace_back(item, root);
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Queries and the selection flag

int CShortcutEngineer::GetShortcutInfo(std::string name, std::string* targetPath, std::string* arguments,
                                       int isPublic, int inRegistry) const {
  return GetShortcutInfoAt(RootOf(isPublic), name, targetPath, arguments, inRegistry);
}

int CShortcutEngineer::GetShortcutInfoAt(RegKey root, std::string name, std::string* targetPath,
                                         std::string* arguments, int inRegistry) const {
  if (!targetPath || !arguments) return 0;
  platform::ILinkObject* link = Link();
  if (!link) return 0;
  std::string file;
  if (inRegistry == 1) {
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(root, folder)) return 1;
    file = FileOf(folder, name);
  } else {
    // A copy that cannot be written (no stored value, a full disk) is the
    // same failure as one that cannot be read.
    file = WriteTemporaryCopy(root, name);
    if (file.empty()) {
      CLog::Error(kMsgLoadData);
      return 0;
    }
  }
  if (link->Load(file) != platform::kLinkOk) {
    if (inRegistry != 1) RemoveFile(file);
    CLog::Error(kMsgLoadData);
    return 0;
  }
  std::string path, args;
  link->GetArguments(&args);
  link->GetPath(&path);
  *targetPath = path;
  *arguments = args;
  if (inRegistry != 1 && !RemoveFile(file)) {
    CLog::Error(kMsgUnableToDeleteFile);
    return 0;
  }
  return 1;
}

int CShortcutEngineer::GetShortcutTarget(std::string name, std::string* targetPath, int inRegistry) const {
  RegKey root = RootHolding(name, inRegistry);
  if (!root) return 0;
  return GetShortcutTargetAt(root, name, targetPath, inRegistry);
}

int CShortcutEngineer::GetShortcutTargetAt(RegKey root, std::string name, std::string* targetPath,
                                           int inRegistry) const {
  if (!targetPath) return 0;
  std::vector<std::uint8_t> bytes;
  if (inRegistry == 1) {
    std::string folder;
    platform::IFileSystem* files = Files();
    if (!files || !StartupFolder(root, &folder) || files->ReadAll(FileOf(folder, name), bytes) != platform::FsResult::Ok)
      return 0;
  } else if (!ReadStored(root, name, &bytes)) {
    return 0;
  }
  platform::ShellLinkData link;
  if (bytes.empty() || !platform::DecodeShellLink(bytes, link)) return 0;
  *targetPath = link.target;
  return 1;
}

int CShortcutEngineer::IsShortcutPublic(std::string name, int inRegistry) const {
  if (inRegistry == 1) return IsShortcutPresent(HKeyCurrentUser, name) ? 0 : 1;
  return IsStored(HKeyCurrentUser, name) ? 0 : 1;
}

int CShortcutEngineer::RetrieveShcPath(platform::IEditField* field, std::string name, int inRegistry) const {
  if (!field) return 0;
  std::string folderText;
  char folder[kPathBufferSize];
  if (inRegistry == 1) {
    if (IsShortcutPresent(HKeyCurrentUser, name) && GetStartupFolderPath(HKeyCurrentUser, folder)) folderText = folder;
    if (IsShortcutPresent(HKeyLocalMachine, name) && GetStartupFolderPath(HKeyLocalMachine, folder))
      folderText = folder;
  } else if (IsStored(HKeyCurrentUser, name)) {
    if (GetStartupFolderPath(HKeyCurrentUser, folder)) folderText = folder;
  } else if (IsStored(HKeyLocalMachine, name)) {
    if (GetStartupFolderPath(HKeyLocalMachine, folder)) folderText = folder;
  }
  field->SetText(FileOf(folderText, name));
  return 1;
}

int CShortcutEngineer::SetShcSelection(std::string name, int flag, int inRegistry) const {
  RegKey root = RootHolding(name, inRegistry);
  if (!root) return 0;
  return SetShcSelectionAt(root, name, flag);
}

int CShortcutEngineer::SetShcSelectionAt(RegKey root, std::string name, int flag) const {
  CRegistry registry;
  // The flags key is made where it is missing (a first start before any take).
  return registry.CreateKey(root, kShcSelectionsKey) &&
         registry.SetValue(root, kShcSelectionsKey, name.c_str(), static_cast<std::uint32_t>(flag));
}

RegKey CShortcutEngineer::RootHolding(const std::string& name, int inRegistry) const {
  for (RegKey root : RootsOf(EntryKind::Shortcut)) {
    if (inRegistry == 1 ? IsShortcutPresent(root, name) : IsStored(root, name)) return root;
  }
  return 0;
}

int CShortcutEngineer::SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const {
  return qm::SplitPathArgument(commandLine, path, argument);
}

}  // namespace qm
