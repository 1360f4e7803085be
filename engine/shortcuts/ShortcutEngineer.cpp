#include "engine/shortcuts/ShortcutEngineer.h"

#include <cstring>
#include <set>

#include "engine/foundation/CommandLine.h"
#include "engine/foundation/EntryCommon.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/ReturnedMark.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"
#include "platform/ShellLink.h"
#include "platform/Text.h"

namespace qm {
namespace {

constexpr const char* kShcKey = kStoredShcKey;
constexpr const char* kShcSelectionsKey = kStoredShcSelectionsKey;
// REG_DWORD 1 under the product key of a root while every stored shortcut of
// that root stands returned in its folder. Only then may a stored shortcut
// without a file be taken for one the user deleted: after a take that stopped
// half way, or a return that could not write every file, a missing file means
// the shortcut is stored, not gone.
constexpr const char* kReturnedMark = kShcReturnedMark;
constexpr char kLinkExtension[] = ".lnk";
constexpr char kLinkPattern[] = "*.lnk";
// Written whole under this name first and then renamed, so that a shortcut
// file is either complete or absent: a half-written one would be taken back
// at the next take as if it were whole. It does not match "*.lnk".
constexpr char kPartialFileName[] = "~qmwrite.tmp";

constexpr std::size_t kPathBufferSize = 260;  // MAX_PATH, terminator included

// The texts of the system, each written once.
constexpr char kMsgUnableToDeleteFile[] = "Unable to delete shortcut file";
constexpr char kMsgCommonUnableToDeleteFile[] = "ShortcutEngineer is unable to delete shortcut file";
constexpr char kMsgUserNamesReturn[] = "Unable to get shortcut names in stored location HKCU for returning";
constexpr char kMsgCommonNamesReturn[] = "Unable to get shortcut names in stored location HKLM for returning";
constexpr char kMsgUserNamesRestore[] = "Unable to get shortcut names in registry HKCU for restoring";
constexpr char kMsgCommonNamesRestore[] = "Unable to get shortcut names in registry HKLM for restoring";
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

std::string FileOf(const std::string& folder, const std::string& name) { return folder + "\\" + name + kLinkExtension; }

bool FitsPathBuffer(const std::string& path) { return path.size() < kPathBufferSize; }

int ReadFlag(RegKey root, const std::string& name) {
  std::uint32_t flag = 0;
  if (!CRegistry().GetValue(root, kShcSelectionsKey, name.c_str(), &flag)) return 0;
  return static_cast<int>(flag);
}

int IsStored(RegKey root, const std::string& name) {
  return CRegistry().IsValueNamePresent(root, kShcKey, name.c_str()) == 1;
}

std::vector<std::string> StoredNames(RegKey root) {
  std::vector<std::string> names;
  if (!CRegistry().EnumerateValueNames(root, kShcKey, &names)) names.clear();
  return names;
}

// The whole stored value; false if there is none.
bool ReadStoredBytes(RegKey root, const std::string& name, std::vector<std::uint8_t>& bytes) {
  CRegistry registry;
  std::uint8_t probe = 0;
  std::uint32_t size = 0;
  // A buffer of no bytes asks for the size: success means an empty value.
  if (registry.GetValue(root, kShcKey, name.c_str(), &probe, &size)) {
    bytes.clear();
    return true;
  }
  if (registry.lastError != static_cast<std::uint32_t>(platform::kErrorMoreData)) return false;
  try {
    bytes.assign(size, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!registry.GetValue(root, kShcKey, name.c_str(), bytes.data(), &size)) return false;
  bytes.resize(size);
  return true;
}

// Deletes a temporary shortcut file. A file that is already gone leaves
// nothing behind and is no failure.
bool DeleteTemporary(const std::string& path) {
  platform::IFileSystem* files = Files();
  if (!files) return false;
  platform::FsResult result = files->Delete(path);
  return result == platform::FsResult::Ok || result == platform::FsResult::NotFound;
}

// The shortcut files of a folder; false if the folder cannot be listed, which
// is not the same as a folder without shortcuts.
bool ListShortcuts(const std::string& pattern, std::vector<std::string>* names, std::vector<std::string>* paths) {
  names->clear();
  paths->clear();
  platform::IFileSystem* files = Files();
  std::size_t cut = pattern.find_last_of('\\');
  if (!files || cut == std::string::npos || !FitsPathBuffer(pattern)) return false;
  std::string folder = pattern.substr(0, cut);
  std::vector<platform::DirEntry> found;
  if (!files->List(folder, pattern.substr(cut + 1), found)) return false;
  for (const platform::DirEntry& entry : found) {
    if (entry.isDirectory || entry.name == "." || entry.name == "..") continue;
    std::size_t dot = entry.name.find_last_of('.');
    names->push_back(dot == std::string::npos ? entry.name : entry.name.substr(0, dot));
    paths->push_back(folder + "\\" + entry.name);
  }
  return true;
}

// Stores the bytes of every file that has a stored copy of its name; false if
// any could not be read or stored.
bool RefreshStoredCopies(RegKey root, const std::vector<std::string>& names, const std::vector<std::string>& paths,
                         const std::set<std::string>& stored) {
  platform::IFileSystem* files = Files();
  if (!files) return false;
  CRegistry registry;
  bool all = true;
  for (std::size_t i = 0; i < names.size() && i < paths.size(); ++i) {
    if (!stored.count(platform::FoldCase(names[i]))) continue;
    std::vector<std::uint8_t> bytes;
    if (files->ReadAll(paths[i], bytes) != platform::FsResult::Ok || bytes.size() > 0xFFFFFFFFu) {
      all = false;
      continue;
    }
    std::uint8_t none = 0;
    if (!registry.SetValue(root, kShcKey, names[i].c_str(), bytes.empty() ? &none : bytes.data(),
                           static_cast<std::uint32_t>(bytes.size())))
      all = false;
  }
  return all;
}

std::string PatternOf(const char* folder) { return std::string(folder) + "\\" + kLinkPattern; }

std::set<std::string> FoldedNames(const std::vector<std::string>& names) {
  std::set<std::string> folded;
  for (const std::string& name : names) folded.insert(platform::FoldCase(name));
  return folded;
}

bool OpenWithShell(const std::string& file) { return qm::OpenWithShell(file, ""); }

}  // namespace

// ---------------------------------------------------------------------------
// Storage

int CShortcutEngineer::GetStartupFolderPath(RegKey root, char* folder) const {
  if (!root || !folder) return 0;
  const char* valueName = nullptr;
  if (root == HKeyCurrentUser)
    valueName = "Startup";
  else if (root == HKeyLocalMachine)
    valueName = "Common Startup";
  else
    return 0;
  std::string path;
  if (!CRegistry().GetValue(root, kShellFoldersKey, valueName, &path)) return 0;
  // Room for the longest file name is checked where names are added.
  if (!FitsPathBuffer(path)) return 0;
  std::memcpy(folder, path.c_str(), path.size() + 1);
  return 1;
}

int CShortcutEngineer::FindShortcutFilePaths(const char* pattern, std::vector<std::string>* names,
                                             std::vector<std::string>* paths) const {
  if (!pattern || !names || !paths) return 0;
  ListShortcuts(pattern, names, paths);
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
  CRegistry registry;
  for (std::size_t i = 0; i < paths->size() && i < names->size(); ++i) {
    const std::string& name = (*names)[i];
    const std::string& path = (*paths)[i];
    std::vector<std::uint8_t> bytes;
    if (files->ReadAll(path, bytes) != platform::FsResult::Ok) continue;
    if (bytes.size() > 0xFFFFFFFFu) continue;
    std::uint8_t none = 0;
    const std::uint8_t* data = bytes.empty() ? &none : bytes.data();
    if (!registry.SetValue(root, kShcKey, name.c_str(), data, static_cast<std::uint32_t>(bytes.size()))) continue;
    if (files->Delete(path) != platform::FsResult::Ok) CLog::Error(kMsgUnableToDeleteFile);
  }
  return 1;
}

int CShortcutEngineer::WriteStoredShortcuts(RegKey root, const char* folder, const std::vector<std::string>* names,
                                            bool skipEmpty, bool* allWritten) const {
  platform::IFileSystem* files = Files();
  bool written = files != nullptr;
  if (allWritten) *allWritten = false;
  if (!files) return 1;
  std::string folderText = folder ? folder : "";
  std::string partial = folderText + "\\" + kPartialFileName;
  // A write that never finished (the program died between writing and
  // renaming) leaves its partial file behind, which Windows would try to open
  // at log-on. Its bytes are still stored, so it can always go.
  if (files->Exists(partial)) files->Delete(partial);
  for (const std::string& name : *names) {
    std::vector<std::uint8_t> bytes;
    if (!ReadStoredBytes(root, name, bytes)) {
      written = false;
      continue;
    }
    if (skipEmpty && bytes.empty()) continue;
    std::string path = FileOf(folderText, name);
    if (!FitsPathBuffer(path) || !FitsPathBuffer(partial)) {
      written = false;
      continue;
    }
    if (files->WriteAll(partial, bytes) != platform::FsResult::Ok) {
      files->Delete(partial);
      written = false;
      continue;
    }
    if (files->Move(partial, path, true) != platform::FsResult::Ok) {
      files->Delete(partial);
      written = false;
    }
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
  // One set of the folder's names instead of a scan per stored name keeps a
  // verify of n shortcuts at n log n.
  const std::set<std::string> present = FoldedNames(*names);
  ForgetStoredNames(root, kShcKey, kShcSelectionsKey, StoredNames(root),
                    [&present](const std::string& stored) { return present.count(platform::FoldCase(stored)) != 0; });
  return 1;
}

// ---------------------------------------------------------------------------
// Lifecycle

int CShortcutEngineer::StartWork() const {
  // Order matters: forget shortcuts deleted while they were returned, take
  // what the folders hold now, then select what is new.
  VerifyShcEntries();
  TakeShcEntries();
  UpdateShcSelections();
  return 1;
}

int CShortcutEngineer::VerifyShcEntries() const {
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(root, folder)) continue;
    // Stored shortcuts of a root not known to stand returned may lack their
    // file because they are taken; a folder that cannot be listed says
    // nothing about which files are there. Either way nothing is forgotten.
    if (!IsMarkedReturned(root, kReturnedMark)) continue;
    std::vector<std::string> names, paths;
    if (!ListShortcuts(PatternOf(folder), &names, &paths)) continue;
    CrossVerifyShcEntries(root, &names);
  }
  return 1;
}

int CShortcutEngineer::TakeShcEntries() const {
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(root, folder)) continue;
    std::vector<std::string> names, paths;
    FindShortcutFilePaths((std::string(folder) + "\\" + kLinkPattern).c_str(), &names, &paths);
    LoadShortcutDataToRegistry(root, &names, &paths);
  }
  return 1;
}

int CShortcutEngineer::UpdateShcSelections() const {
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) FlagNewNames(root, kShcKey, kShcSelectionsKey);
  return 1;
}

int CShortcutEngineer::ReturnAll(bool skipEmpty, const char* userMessage, const char* commonMessage) const {
  CRegistry registry;
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    std::vector<std::string> names;
    if (!registry.EnumerateValueNames(root, kShcKey, &names)) {
      CLog::Error(root == HKeyCurrentUser ? userMessage : commonMessage);
      return 0;
    }
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(root, folder)) continue;
    // A shortcut whose file stands in the folder was not taken (its deletion
    // failed, or an installer wrote it since): it is newer than the stored
    // copy, which must not overwrite it on the way back. A folder that cannot
    // be listed gets nothing written into it.
    std::vector<std::string> present, paths;
    if (!ListShortcuts(PatternOf(folder), &present, &paths)) continue;
    // The mark of an earlier return must not outlive a return that leaves a
    // shortcut unwritten; a mark that cannot be cleared leaves the root taken.
    if (!ClearReturnedMark(root, kReturnedMark)) continue;
    const std::set<std::string> standing = FoldedNames(present);
    std::vector<std::string> toWrite;
    for (const std::string& name : names)
      if (!standing.count(platform::FoldCase(name))) toWrite.push_back(name);
    bool refreshed = RefreshStoredCopies(root, present, paths, FoldedNames(names));
    bool written = false;
    WriteStoredShortcuts(root, folder, &toWrite, skipEmpty, &written);
    if (refreshed && written) MarkReturned(root, kReturnedMark);
  }
  return 1;
}

int CShortcutEngineer::ReturnShcEntries() const {
  return ReturnAll(true, kMsgUserNamesReturn, kMsgCommonNamesReturn);
}

int CShortcutEngineer::RestoreShcEntries() const {
  return ReturnAll(false, kMsgUserNamesRestore, kMsgCommonNamesRestore);
}

int CShortcutEngineer::IsShortcutPresent(RegKey root, std::string name) const {
  if (!root) return 0;
  char folder[kPathBufferSize];
  if (!GetStartupFolderPath(root, folder)) return 0;
  std::vector<std::string> names, paths;
  FindShortcutFilePaths((std::string(folder) + "\\" + kLinkPattern).c_str(), &names, &paths);
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
  if (link->Save(filePath) != platform::kLinkOk) {
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
  if (link->Save(filePath) != platform::kLinkOk) {
    CLog::Error(kMsgSaveData);
    return 0;
  }
  return 1;
}

int CShortcutEngineer::CreateShcEntry(platform::IconHandle* icon, std::string name, std::string targetPath,
                                      std::string arguments, int isPublic, int inRegistry) const {
  if (!Link()) return 0;
  RegKey root = RootOf(isPublic);
  char folder[kPathBufferSize];
  if (!GetStartupFolderPath(root, folder)) return 1;
  std::string file = FileOf(folder, name);
  CRegistry().SetValue(root, kShcSelectionsKey, name.c_str(), std::uint32_t{1});
  if (!FitsPathBuffer(file) || !CreateShortcut(targetPath, arguments, file)) {
    if (inRegistry == 1)
      CLog::Error(isPublic ? kMsgCreateCommon : kMsgCreateUser);
    else
      CLog::Error(isPublic ? kMsgCreateTempCommon : kMsgCreateTempUser);
    return 0;
  }
  if (icon) *icon = LoadShortcutIcon(file, 0);
  if (inRegistry != 1) {
    // Taken at once, with whatever else appeared in the folder since the last take.
    std::vector<std::string> names, paths;
    FindShortcutFilePaths((std::string(folder) + "\\" + kLinkPattern).c_str(), &names, &paths);
    LoadShortcutDataToRegistry(root, &names, &paths);
  }
  return 1;
}

int CShortcutEngineer::ModifyShcEntry(platform::IconHandle* icon, std::string oldName, std::string newName,
                                      std::string targetPath, std::string arguments, int oldPublic, int newPublic,
                                      int inRegistry) const {
  if (!Link()) return 0;
  int result = 1;
  CRegistry registry;
  platform::IFileSystem* files = Files();
  RegKey oldRoot = RootOf(oldPublic);
  RegKey newRoot = RootOf(newPublic);
  bool rename = !platform::EqualsNoCase(oldName, newName);
  bool move = (oldPublic != 0) != (newPublic != 0);

  if (inRegistry == 1) {
    if (rename) {
      registry.RenameValue(oldRoot, kShcSelectionsKey, oldName.c_str(), newName.c_str());
      char folder[kPathBufferSize];
      if (GetStartupFolderPath(oldRoot, folder)) {
        if (!files || files->Move(FileOf(folder, oldName), FileOf(folder, newName), false) != platform::FsResult::Ok) {
          CLog::Error(kMsgRenameFile);
          result = 0;
        }
      }
    }
    if (move) {
      registry.MoveValue(oldRoot, newRoot, kShcSelectionsKey, kShcSelectionsKey, newName.c_str());
      char source[kPathBufferSize], destination[kPathBufferSize];
      bool haveFolders = GetStartupFolderPath(oldRoot, source) && GetStartupFolderPath(newRoot, destination);
      if (!haveFolders || !files ||
          files->Move(FileOf(source, newName), FileOf(destination, newName), false) != platform::FsResult::Ok) {
        CLog::Error(kMsgRenameFile);
        result = 0;
      }
    }
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(newRoot, folder)) return result;
    std::string file = FileOf(folder, newName);
    if (!ModifyShortcut(targetPath, arguments, file)) {
      CLog::Error(kMsgModifyFile);
      return 0;
    }
    if (icon) *icon = LoadShortcutIcon(file, 0);
    return result;
  }

  if (rename) {
    if (!registry.RenameValue(oldRoot, kShcKey, oldName.c_str(), newName.c_str()) ||
        !registry.RenameValue(oldRoot, kShcSelectionsKey, oldName.c_str(), newName.c_str())) {
      CLog::Error(oldRoot == HKeyLocalMachine ? kMsgRenameStoredCommon : kMsgRenameStoredUser);
      result = 0;
    }
  }
  if (move) {
    if (!registry.MoveValue(oldRoot, newRoot, kShcKey, kShcKey, newName.c_str()) ||
        !registry.MoveValue(oldRoot, newRoot, kShcSelectionsKey, kShcSelectionsKey, newName.c_str())) {
      CLog::Error(kMsgMoveStored);
      result = 0;
    }
  }
  char folder[kPathBufferSize];
  if (!GetStartupFolderPath(newRoot, folder)) return result;
  std::vector<std::string> names{newName};
  if (!LoadShortcutDataToFile(newRoot, folder, &names)) {
    CLog::Error(newRoot == HKeyLocalMachine ? kMsgToFileCommon : kMsgToFileUser);
    return 0;
  }
  std::string file = FileOf(folder, newName);
  if (!ModifyShortcut(targetPath, arguments, file)) {
    CLog::Error(kMsgModifyData);
    return 0;
  }
  if (icon) *icon = LoadShortcutIcon(file, 0);
  std::vector<std::string> paths{file};
  if (!LoadShortcutDataToRegistry(newRoot, &names, &paths)) {
    CLog::Error(newRoot == HKeyLocalMachine ? kMsgBackCommon : kMsgBackUser);
    return 0;
  }
  return result;
}

int CShortcutEngineer::RemoveShcEntry(std::string name, int inRegistry) const {
  CRegistry registry;
  if (inRegistry == 1) {
    RegKey root = RootHolding(name, 1);
    if (!root) return 1;
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
  RegKey root = RootHolding(name, 0);
  if (!root) return 1;
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
  if (inRegistry == 1) {
    RegKey root = RootHolding(name, 1);
    if (!root) {
      CLog::Error(kMsgFindShortcut);
      return 0;
    }
    if (ReadFlag(root, name) == 0) return 0;
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(root, folder)) {
      CLog::Error(root == HKeyCurrentUser ? kMsgUserFolder : kMsgCommonFolder);
      return 0;
    }
    std::string file = FileOf(folder, name);
    if (!OpenWithShell(file)) return 0;
    CLog::Message(kMsgLaunching + file);
    return 1;
  }

  RegKey root = RootHolding(name, 0);
  if (!root) {
    CLog::Error(kMsgFindShortcut);
    return 0;
  }
  if (ReadFlag(root, name) == 0) return 0;
  std::string directory = CLog::GetProgramPathWith("");
  std::vector<std::string> names{name};
  if (LoadShortcutDataToFile(root, directory.c_str(), &names) != 1) {
    CLog::Error(kMsgLaunchFile);
    return 0;
  }
  std::string file = FileOf(directory, name);
  if (!OpenWithShell(file)) return 0;
  CLog::Message(kMsgLaunching + file);
  // The target runs by now: a copy that cannot be deleted is logged, but
  // does not turn the launch into a failure.
  if (!DeleteTemporary(file)) CLog::Error(root == HKeyCurrentUser ? kMsgUnableToDeleteFile : kMsgCommonUnableToDeleteFile);
  return 1;
}

int CShortcutEngineer::LaunchShcEntry(std::string name) const {
  RegKey root = RootHolding(name, 1);
  if (!root) {
    ShowMessage(kMsgFindShortcut);
    return 0;
  }
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
  if (deleteFile == 1 && !DeleteTemporary(filePath)) CLog::Error(kMsgUnableToDeleteFile);
  return icon;
}

platform::IconHandle CShortcutEngineer::LoadShortcutIcon(RegKey root, std::string name, int deleteFile) const {
  std::string directory = CLog::GetProgramPathWith("");
  std::vector<std::string> names{name};
  if (!LoadShortcutDataToFile(root, directory.c_str(), &names)) return 0;
  return LoadShortcutIcon(FileOf(directory, name), deleteFile);
}

int CShortcutEngineer::AddShortcutImageToTreeCtrl(platform::ITreeControl* tree, platform::IconHandle icon) const {
  return AddIconImage(tree, icon, kFallbackImage);
}

int CShortcutEngineer::AddShortcutImageToTreeCtrl(platform::ITreeControl* tree, std::string filePath) const {
  return AddProgramImage(tree, filePath, kFallbackImage);
}

int CShortcutEngineer::PopulateShcEntries(platform::ITreeControl* tree, platform::TreeItem parent,
                                          int inRegistry) const {
  if (!tree || parent == kNoItem) return 0;
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    if (inRegistry == 1) {
      char folder[kPathBufferSize];
      if (!GetStartupFolderPath(root, folder)) continue;
      std::vector<std::string> names, paths;
      FindShortcutFilePaths((std::string(folder) + "\\" + kLinkPattern).c_str(), &names, &paths);
      for (std::size_t i = 0; i < names.size(); ++i) {
        int image = AddShortcutImageToTreeCtrl(tree, paths[i]);
        platform::TreeItem item = tree->InsertItem(parent, names[i], image, image);
        tree->SetCheck(item, ReadFlag(root, names[i]) != 0);
      }
      continue;
    }
    for (const std::string& name : StoredNames(root)) {
      int image = AddShortcutImageToTreeCtrl(tree, LoadShortcutIcon(root, name, 1));
      platform::TreeItem item = tree->InsertItem(parent, name, image, image);
      tree->SetCheck(item, ReadFlag(root, name) != 0);
    }
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Queries and the selection flag

int CShortcutEngineer::GetShortcutInfo(std::string name, std::string* targetPath, std::string* arguments,
                                       int isPublic, int inRegistry) const {
  if (!targetPath || !arguments) return 0;
  platform::ILinkObject* link = Link();
  if (!link) return 0;
  RegKey root = RootOf(isPublic);
  std::string file;
  if (inRegistry == 1) {
    char folder[kPathBufferSize];
    if (!GetStartupFolderPath(root, folder)) return 1;
    file = FileOf(folder, name);
  } else {
    std::string directory = CLog::GetProgramPathWith("");
    std::vector<std::string> names{name};
    if (!LoadShortcutDataToFile(root, directory.c_str(), &names)) return 1;
    file = FileOf(directory, name);
  }
  if (link->Load(file) != platform::kLinkOk) {
    CLog::Error(kMsgLoadData);
    return 0;
  }
  std::string path, args;
  link->GetArguments(&args);
  link->GetPath(&path);
  *targetPath = path;
  *arguments = args;
  if (inRegistry != 1 && !DeleteTemporary(file)) {
    CLog::Error(kMsgUnableToDeleteFile);
    return 0;
  }
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
  return CRegistry().SetValue(root, kShcSelectionsKey, name.c_str(), static_cast<std::uint32_t>(flag));
}

RegKey CShortcutEngineer::RootHolding(const std::string& name, int inRegistry) const {
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    if (inRegistry == 1 ? IsShortcutPresent(root, name) : IsStored(root, name)) return root;
  }
  return 0;
}

int CShortcutEngineer::SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const {
  return qm::SplitPathArgument(commandLine, path, argument);
}

}  // namespace qm
