#include "engine/entries/ServiceEngineer.h"

#include "engine/foundation/CommandLine.h"
#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Places.h"
#include "platform/Processes.h"
#include "platform/Text.h"

namespace qm {

using entries::RunServiceEntries;

int CServiceEngineer::StartWork() const {
  VerifyRunServiceEntries();
  TakeRunServiceEntries();
  UpdateRunServiceSelections();
  return 1;
}

int CServiceEngineer::TakeRunServiceEntries() const {
  return entries::TakeEntries(RunServiceEntries(), "Unable to move RunServices entries to stored location");
}

int CServiceEngineer::ReturnRunServiceEntries() const {
  return entries::ReturnEntries(RunServiceEntries(), entries::ReturnKind::SkipEmptyCommandLines,
                                "Unable to copy back RunServices entries from stored location to registry");
}

int CServiceEngineer::RestoreRunServiceEntries() const {
  return entries::ReturnEntries(RunServiceEntries(), entries::ReturnKind::Everything,
                                "Unable to restore RunServices entries from stored location to registry");
}

int CServiceEngineer::VerifyRunServiceEntries() const {
  entries::VerifyEntries(RunServiceEntries());
  return 1;
}

int CServiceEngineer::UpdateRunServiceSelections() const {
  entries::UpdateSelections(RunServiceEntries());
  return 1;
}

int CServiceEngineer::SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const {
  return qm::SplitPathArgument(commandLine, path, argument);
}

void CServiceEngineer::ValidateRunServiceEntries(int inRegistry) const {
  entries::ValidateEntries(RunServiceEntries(), inRegistry);
}

}  // namespace qm

namespace qm {
namespace {

using entries::kStoredRunServicesSelectionsKey;

// The image of the main window's services parent, for programs without an icon.
constexpr int kServiceImage = 0;

// The view of HKLM whose key holds the entry named name; HKLM itself if none does.
RegKey Holding(const char* key, const std::string& name) {
  return entries::RootHolding(PublicRoots(), key, name, HKeyLocalMachine);
}

}  // namespace

int CServiceEngineer::PopulateRunServiceEntries(platform::ITreeControl* tree, platform::TreeItem parent,
                                                int inRegistry) const {
  return entries::PopulateEntries(RunServiceEntries(), tree, parent, inRegistry, kServiceImage);
}

int CServiceEngineer::AddServiceImageToTreeCtrl(platform::ITreeControl* tree, std::string path) const {
  return entries::AddProgramImage(tree, path, kServiceImage);
}

int CServiceEngineer::RetrieveRunServicePath(platform::IEditField* edit, std::string name, int inRegistry) const {
  if (!edit) return 0;
  const char* entryKey = RunServiceEntries().EntryKey(inRegistry);
  std::string commandLine;
  if (!CRegistry().GetValue(Holding(entryKey, name), entryKey, name.c_str(), &commandLine)) commandLine.clear();
  edit->SetText(commandLine);
  return 1;
}

int CServiceEngineer::CreateRunServiceEntry(std::string name, std::string path, std::string argument,
                                            int inRegistry) const {
  return CreateRunServiceEntryAt(HKeyLocalMachine, name, path, argument, inRegistry);
}

int CServiceEngineer::CreateRunServiceEntryAt(RegKey root, std::string name, std::string path, std::string argument,
                                              int inRegistry) const {
  std::string commandLine = JoinPathArgument(path, argument);
  CRegistry registry;
  int written = 0;
  const char* entryKey = RunServiceEntries().EntryKey(inRegistry);
  // A line the 260-byte reads cannot take back is refused before anything is
  // written, and so is a name that is no plain name or that the registry
  // would take for another entry's.
  if (entries::FitsRegistryText(commandLine) && IsPlainName(name) && entries::NoCaseVariantOf(root, entryKey, name)) {
    registry.SetValue(root, kStoredRunServicesSelectionsKey, name.c_str(), std::uint32_t{1});
    written = registry.SetValue(root, entryKey, name.c_str(), commandLine);
  }
  if (written) return 1;
  CLog::Error(inRegistry == 1 ? "Unable to create service entry in registry"
                              : "Unable to create service entry in stored location");
  return 0;
}

int CServiceEngineer::RemoveRunServiceEntry(std::string name, int inRegistry) const {
  const char* entryKey = RunServiceEntries().EntryKey(inRegistry);
  RegKey root = platform::kNoKey;
  const bool known = entries::FindRoot(PublicRoots(), entryKey, name, &root);
  if (known && root == platform::kNoKey) return 1;
  return RemoveRunServiceEntryAt(known ? root : HKeyLocalMachine, name, inRegistry, known);
}

int CServiceEngineer::RemoveRunServiceEntryAt(RegKey root, std::string name, int inRegistry, bool known) const {
  const char* entryKey = RunServiceEntries().EntryKey(inRegistry);
  CRegistry registry;
  if (known) {
    registry.DeleteValue(root, kStoredRunServicesSelectionsKey, name.c_str());
    if (registry.DeleteValue(root, entryKey, name.c_str())) return 1;
  }
  CLog::Error(inRegistry == 1 ? "Unable to remove service entry from registry"
                              : "Unable to remove service entry from stored location");
  return 0;
}

int CServiceEngineer::ModifyRunServiceEntry(std::string oldName, std::string newName, std::string path,
                                            std::string argument, int inRegistry) const {
  // The entry stays in the view it stands in.
  return ModifyRunServiceEntryAt(Holding(RunServiceEntries().EntryKey(inRegistry), oldName), oldName, newName, path,
                                 argument, inRegistry);
}

int CServiceEngineer::ModifyRunServiceEntryAt(RegKey root, std::string oldName, std::string newName,
                                              std::string path, std::string argument, int inRegistry) const {
  std::string commandLine = JoinPathArgument(path, argument);
  const char* entryKey = RunServiceEntries().EntryKey(inRegistry);
  CRegistry registry;
  const char* renameFailure = inRegistry == 1
                                  ? "Unable to rename service and selection in registry and stored location"
                                  : "Unable to rename service and selection in stored location";
  const bool renames = !platform::EqualsNoCase(oldName, newName);
  // A new name that is no plain name, or that the root already holds in any
  // letter case, is refused before anything changes: the rename would land
  // on that other entry.
  if (renames && (!IsPlainName(newName) || entries::HoldsNameNoCase(root, entryKey, newName))) {
    CLog::Error(renameFailure);
    return 0;
  }
  // A change of letter case alone is no rename: the value keeps its old case.
  // A rename that fails ends the change: the line would land under a name the
  // entry did not reach.
  if (renames && !entries::CarryEntry(root, root, entryKey, kStoredRunServicesSelectionsKey, oldName, newName)) {
    CLog::Error(renameFailure);
    return 0;
  }
  // As in CreateRunServiceEntry, a line too long to read back is not written.
  if (!entries::FitsRegistryText(commandLine) ||
      !registry.SetValue(root, entryKey, newName.c_str(), commandLine)) {
    CLog::Error(inRegistry == 1 ? "Unable to add modified service in registry"
                                : "Unable to add modified service in stored location");
    return 0;
  }
  return 1;
}

int CServiceEngineer::SetRunServiceSelection(std::string name, int flag) const {
  // The flag goes to the view whose stored location or RunServices key holds the entry.
  RegKey root = platform::kNoKey;
  if (!entries::FindRoot(PublicRoots(), entries::kStoredRunServicesKey, name, &root)) return 0;
  if (root == platform::kNoKey) root = Holding(entries::kRunServicesKey, name);
  return SetRunServiceSelectionAt(root, name, flag);
}

int CServiceEngineer::SetRunServiceSelectionAt(RegKey root, std::string name, int flag) const {
  CRegistry registry;
  return registry.CreateKey(root, kStoredRunServicesSelectionsKey) &&
         registry.SetValue(root, kStoredRunServicesSelectionsKey, name.c_str(), static_cast<std::uint32_t>(flag));
}

int CServiceEngineer::LaunchRunServiceEntry(std::string name) const {
  return LaunchRunServiceEntryNowAt(Holding(entries::kRunServicesKey, name), name);
}

int CServiceEngineer::LaunchRunServiceEntryNowAt(RegKey root, std::string name) const {
  std::string commandLine;
  if (!CRegistry().GetValue(root, entries::kRunServicesKey, name.c_str(), &commandLine)) {
    entries::ShowMessage("Unable to find service");
    return 0;
  }
  std::string path, argument;
  entries::SplitOrWhole(commandLine, &path, &argument);
  if (!entries::OpenWithShell(path, argument)) entries::ShowMessage("Unable to launch " + path);
  return 1;
}

int CServiceEngineer::LaunchRunServiceEntry(std::string name, int inRegistry) const {
  return LaunchRunServiceEntryAt(Holding(RunServiceEntries().EntryKey(inRegistry), name), name, inRegistry);
}

int CServiceEngineer::LaunchRunServiceEntryAt(RegKey root, std::string name, int inRegistry,
                                              std::unique_ptr<platform::IStartedProcess>* started) const {
  CRegistry registry;
  const char* entryKey = RunServiceEntries().EntryKey(inRegistry);
  std::uint32_t flag = 0;
  if (!registry.GetValue(root, kStoredRunServicesSelectionsKey, name.c_str(), &flag) || flag == 0) return 0;
  std::string commandLine;
  if (!registry.GetValue(root, entryKey, name.c_str(), &commandLine)) {
    CLog::Error(inRegistry == 1 ? "Unable to get path of service from registry for launch"
                                : "Unable to get path of service from stored location for launch");
    return 0;
  }
  std::string path, argument;
  entries::SplitOrWhole(commandLine, &path, &argument);
  std::string launched = "Launching " + JoinPathArgument(path, argument);

  if (inRegistry == 1) {
    if (!entries::OpenWithShell(path, argument, started)) return 0;
    CLog::Message(launched);
    return 1;
  }

  // Not handed back to Windows: the service runs as a process of its own. Its
  // command line begins with its own path, as every program expects.
  platform::IProcessLauncher* launcher = platform::Current<platform::IProcessLauncher>();
  const std::string line = "\"" + path + "\" " + argument;
  if (!launcher || !(started ? launcher->StartWatched(path, line, kReadyWaitMilliseconds, started)
                             : launcher->StartAndWaitForIdle(path, line, kReadyWaitMilliseconds)))
    return 0;
  CLog::Message(launched);
  return 1;
}

}  // namespace qm
