#include "engine/entries/StartupEngineer.h"

#include "engine/foundation/CommandLine.h"
#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Places.h"
#include "platform/Text.h"

namespace qm {

using entries::RunEntries;

int CStartupEngineer::StartWork() const {
  // Order matters: forget entries uninstalled while they were returned, take
  // what is in the Run keys now, then select what is new.
  VerifyRunEntries();
  TakeRunEntries();
  UpdateRunSelections();
  return 1;
}

int CStartupEngineer::StartWork(const std::vector<RegKey>& roots) const {
  if (roots.empty()) return 1;
  entries::RunKeySet keys = RunEntries();
  keys.only = roots;
  entries::VerifyEntries(keys);
  entries::TakeEntries(keys, "Unable to move Run entries to stored location");
  entries::UpdateSelections(keys);
  return 1;
}

int CStartupEngineer::TakeRunEntries() const {
  return entries::TakeEntries(RunEntries(), "Unable to move Run entries to stored location");
}

int CStartupEngineer::ReturnRunEntries() const {
  return entries::ReturnEntries(RunEntries(), entries::ReturnKind::SkipEmptyCommandLines,
                                "Unable to copy back Run entries from stored location to registry");
}

int CStartupEngineer::RestoreRunEntries() const {
  return entries::ReturnEntries(RunEntries(), entries::ReturnKind::Everything,
                                "Unable to restore Run entries from stored location to registry");
}

int CStartupEngineer::VerifyRunEntries() const {
  entries::VerifyEntries(RunEntries());
  return 1;
}

int CStartupEngineer::UpdateRunSelections() const {
  entries::UpdateSelections(RunEntries());
  return 1;
}

int CStartupEngineer::SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const {
  return qm::SplitPathArgument(commandLine, path, argument);
}

void CStartupEngineer::ValidateRunEntries(int inRegistry) const { entries::ValidateEntries(RunEntries(), inRegistry); }

}  // namespace qm

namespace qm {
namespace {

using entries::kStoredRunSelectionsKey;

// The image of the main window's startups parent, for programs without an icon.
constexpr int kStartupImage = 1;

RegKey RootOf(int isPublic) { return isPublic ? HKeyLocalMachine : HKeyCurrentUser; }

}  // namespace

int CStartupEngineer::CreateRunEntry(std::string name, std::string path, std::string argument, int isPublic,
                                     int inRegistry) const {
  return CreateRunEntryAt(RootOf(isPublic), name, path, argument, inRegistry);
}

int CStartupEngineer::CreateRunEntryAt(RegKey root, std::string name, std::string path, std::string argument,
                                       int inRegistry) const {
  std::string commandLine = JoinPathArgument(path, argument);
  const char* entryKey = RunEntries().EntryKey(inRegistry);
  CRegistry registry;
  int written = 0;
  // A line the 260-byte reads cannot take back is refused before anything is
  // written, and so is a name that is no plain name or that the registry
  // would take for another entry's.
  if (entries::FitsRegistryText(commandLine) && IsPlainName(name) && entries::NoCaseVariantOf(root, entryKey, name)) {
    registry.SetValue(root, kStoredRunSelectionsKey, name.c_str(), std::uint32_t{1});
    written = registry.SetValue(root, entryKey, name.c_str(), commandLine);
  }
  if (written) return 1;
  if (inRegistry == 1)
    CLog::Error(IsPublicRoot(root) ? "Unable to create startup entry in registry HKLM"
                                   : "Unable to create startup entry in registry HKCU");
  else
    CLog::Error("Unable to create startup entry in stored location");
  return 0;
}

int CStartupEngineer::RemoveRunEntry(std::string name, int inRegistry) const {
  const char* entryKey = RunEntries().EntryKey(inRegistry);
  // The private entry goes first; one call removes one entry. Where a root
  // cannot be listed, nothing is removed: a later root may hold another
  // entry of that name.
  RegKey root = platform::kNoKey;
  const bool known = entries::FindRoot(RunEntries().Roots(), entryKey, name, &root);
  if (known && root == platform::kNoKey) return 1;
  return RemoveRunEntryAt(known ? root : HKeyCurrentUser, name, inRegistry, known);
}

int CStartupEngineer::RemoveRunEntryAt(RegKey root, std::string name, int inRegistry, bool known) const {
  const char* entryKey = RunEntries().EntryKey(inRegistry);
  CRegistry registry;
  if (known) {
    registry.DeleteValue(root, kStoredRunSelectionsKey, name.c_str());
    if (registry.DeleteValue(root, entryKey, name.c_str())) return 1;
  }
  bool user = root == HKeyCurrentUser;
  if (inRegistry == 1)
    CLog::Error(user ? "Unable to remove startup entry from registry HKCU"
                     : "Unable to remove startup entry from registry HKLM");
  else
    CLog::Error(user ? "Unable to remove startup entry from stored location HKCU"
                     : "Unable to remove startup entry from stored location HKLM");
  return 0;
}

int CStartupEngineer::ModifyRunEntry(std::string oldName, std::string newName, std::string path,
                                     std::string argument, int oldPublic, int newPublic, int inRegistry) const {
  const char* entryKey = RunEntries().EntryKey(inRegistry);
  // A public entry stays in the view of HKLM it stands in; one made public
  // goes to the view this program sees.
  RegKey oldRoot = oldPublic ? entries::RootHolding(PublicRoots(), entryKey, oldName, HKeyLocalMachine) : HKeyCurrentUser;
  RegKey newRoot = newPublic ? (oldPublic ? oldRoot : HKeyLocalMachine) : HKeyCurrentUser;
  return ModifyRunEntryAt(oldRoot, newRoot, oldName, newName, path, argument, inRegistry);
}

int CStartupEngineer::ModifyRunEntryAt(RegKey oldRoot, RegKey newRoot, std::string oldName, std::string newName,
                                       std::string path, std::string argument, int inRegistry) const {
  std::string commandLine = JoinPathArgument(path, argument);
  const char* entryKey = RunEntries().EntryKey(inRegistry);
  const bool oldPublic = IsPublicRoot(oldRoot), newPublic = IsPublicRoot(newRoot);
  bool registryKeys = inRegistry == 1;
  CRegistry registry;
  int result = 1;
  const bool renames = !platform::EqualsNoCase(oldName, newName);
  const bool moves = oldRoot != newRoot;
  const char* renameFailure =
      registryKeys ? (oldPublic ? "Unable to rename public startup and selection in registry and stored location"
                                : "Unable to rename private startup and selection in registry and stored location")
                   : (oldPublic ? "Unable to rename public startup and selection in stored location"
                                : "Unable to rename private startup and selection in stored location");
  const char* moveFailure = registryKeys ? "Unable to move startup from source to destination in registry"
                                         : "Unable to move startup from source to destination in stored location";

  // Refused before anything changes: a new name that is no plain name, or
  // that the root already holds in any letter case, and a move onto a name
  // the other root holds, would each write over that other entry and its flag.
  if (renames && (!IsPlainName(newName) || entries::HoldsNameNoCase(oldRoot, entryKey, newName))) {
    CLog::Error(renameFailure);
    return 0;
  }
  if (moves && entries::HoldsNameNoCase(newRoot, entryKey, newName)) {
    CLog::Error(moveFailure);
    return 0;
  }

  // A change of letter case alone is no rename: the value keeps its old case.
  // A step that fails ends the change: what follows would write under a name
  // or a root the entry did not reach.
  if (renames && !entries::CarryEntry(oldRoot, oldRoot, entryKey, kStoredRunSelectionsKey, oldName, newName)) {
    CLog::Error(renameFailure);
    return 0;
  }

  if (moves && !entries::CarryEntry(oldRoot, newRoot, entryKey, kStoredRunSelectionsKey, newName, newName)) {
    CLog::Error(moveFailure);
    return 0;
  }

  // As in CreateRunEntry, a line too long to read back is not written.
  if (!entries::FitsRegistryText(commandLine) ||
      !registry.SetValue(newRoot, entryKey, newName.c_str(), commandLine)) {
    if (registryKeys)
      CLog::Error(newPublic ? "Unable to add modified public startup in registry HKLM"
                            : "Unable to add modified private startup in registry HKCU");
    else
      CLog::Error(newPublic ? "Unable to add modified public startup in stored location HKLM"
                            : "Unable to add modified private startup in stored location HKCU");
    result = 0;
  }
  return result;
}

int CStartupEngineer::SetRunSelection(std::string name, int flag, int inRegistry) const {
  const char* entryKey = RunEntries().EntryKey(inRegistry);
  RegKey root = platform::kNoKey;
  if (!entries::FindRoot(RunEntries().Roots(), entryKey, name, &root) || root == platform::kNoKey) return 0;
  return SetRunSelectionAt(root, name, flag);
}

int CStartupEngineer::SetRunSelectionAt(RegKey root, std::string name, int flag) const {
  CRegistry registry;
  // The flags key is made where it is missing (a first start before any take).
  return registry.CreateKey(root, kStoredRunSelectionsKey) &&
         registry.SetValue(root, kStoredRunSelectionsKey, name.c_str(), static_cast<std::uint32_t>(flag));
}

int CStartupEngineer::IsStartupPublic(std::string name, int inRegistry) const {
  return CRegistry().IsValueNamePresent(HKeyCurrentUser, RunEntries().EntryKey(inRegistry), name.c_str()) == 1 ? 0
                                                                                                                  : 1;
}

int CStartupEngineer::RetrieveRunPath(platform::IEditField* edit, std::string name, int inRegistry) const {
  if (!edit) return 0;
  const char* entryKey = RunEntries().EntryKey(inRegistry);
  CRegistry registry;
  std::string commandLine;
  if (!registry.GetValue(entries::RootHolding(RunEntries().Roots(), entryKey, name, HKeyCurrentUser), entryKey,
                         name.c_str(), &commandLine))
    commandLine.clear();
  edit->SetText(commandLine);
  return 1;
}

int CStartupEngineer::LaunchRunEntry(std::string name) const {
  return LaunchRunEntryNowAt(entries::RootHolding(RunEntries().Roots(), entries::kRunKey, name, HKeyCurrentUser), name);
}

int CStartupEngineer::LaunchRunEntryNowAt(RegKey root, std::string name) const {
  CRegistry registry;
  std::string commandLine;
  if (!registry.GetValue(root, entries::kRunKey, name.c_str(), &commandLine)) {
    entries::ShowMessage("Unable to find startup");
    return 0;
  }
  std::string path, argument;
  entries::SplitOrWhole(commandLine, &path, &argument);
  if (!entries::OpenWithShell(path, argument)) entries::ShowMessage("Unable to launch " + path);
  return 1;
}

int CStartupEngineer::LaunchRunEntry(std::string name, int inRegistry) const {
  const char* entryKey = RunEntries().EntryKey(inRegistry);
  RegKey root = platform::kNoKey;
  if (!entries::FindRoot(RunEntries().Roots(), entryKey, name, &root) || !root) {
    CLog::Error(inRegistry == 1 ? "Unable to find startup in registry for launch"
                                : "Unable to find startup in stored location for launch");
    return 0;
  }
  return LaunchRunEntryAt(root, name, inRegistry);
}

int CStartupEngineer::LaunchRunEntryAt(RegKey root, std::string name, int inRegistry,
                                       std::unique_ptr<platform::IStartedProcess>* started) const {
  bool registryKeys = inRegistry == 1;
  CRegistry registry;
  std::uint32_t flag = 0;
  if (!registry.GetValue(root, kStoredRunSelectionsKey, name.c_str(), &flag) || flag == 0) return 0;
  bool user = root == HKeyCurrentUser;

  if (!registryKeys) {
    // Windows starts it from its Run key; the system starts nothing itself.
    if (registry.CopyValue(root, root, entries::kStoredRunKey, entries::kRunKey, name.c_str())) return 1;
    CLog::Error(user ? "Unable to copy path of startup back to registry HKCU for launch"
                     : "Unable to copy path of startup back to registry HKLM for launch");
    return 0;
  }

  std::string commandLine;
  if (!registry.GetValue(root, entries::kRunKey, name.c_str(), &commandLine)) {
    CLog::Error(user ? "Unable to get path of startup from registry HKCU for launch"
                     : "Unable to get path of startup from registry HKLM for launch");
    return 0;
  }
  std::string path, argument;
  entries::SplitOrWhole(commandLine, &path, &argument);
  if (!entries::OpenWithShell(path, argument, started)) return 0;
  CLog::Message("Launching " + JoinPathArgument(path, argument));
  return 1;
}

int CStartupEngineer::PopulateRunEntries(platform::ITreeControl* tree, platform::TreeItem parent,
                                         int inRegistry) const {
  return entries::PopulateEntries(RunEntries(), tree, parent, inRegistry, kStartupImage);
}

int CStartupEngineer::AddStartupImageToTreeCtrl(platform::ITreeControl* tree, std::string path) const {
  return entries::AddProgramImage(tree, path, kStartupImage);
}

}  // namespace qm
