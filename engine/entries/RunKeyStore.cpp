#include "engine/entries/RunKeyStore.h"

#include <set>
#include <string>

#include "engine/foundation/CommandLine.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/ReturnedMark.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

namespace qm::entries {
namespace {

std::string WithBackslash(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

bool FileExists(const std::string& path) {
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  return files && files->Exists(path);
}

// The value names of a key as IsValueNamePresent sees them: compared byte for
// byte, letter case included. One listing and a set instead of one listing per
// name keeps a verify of n entries at n log n.
std::set<std::string> ExactNames(RegKey root, const char* key) {
  std::vector<std::string> names;
  CRegistry().EnumerateValueNames(root, key, &names);
  return std::set<std::string>(names.begin(), names.end());
}

void RefreshStoredCopies(const RunKeySet& keys, RegKey root) {
  CRegistry registry;
  std::vector<std::string> windowsNames, storedNames;
  if (!registry.EnumerateValueNames(root, keys.windowsKey, &windowsNames) || windowsNames.empty()) return;
  registry.EnumerateValueNames(root, keys.storedKey, &storedNames);
  std::set<std::string> stored;
  for (const auto& name : storedNames) stored.insert(platform::FoldCase(name));
  for (const auto& name : windowsNames)
    if (stored.count(platform::FoldCase(name)))
      registry.CopyValue(root, root, keys.windowsKey, keys.storedKey, name.c_str());
}

}  // namespace

const RunKeySet& RunEntries() {
  static const RunKeySet keys{kRunKey, kStoredRunKey, kStoredRunSelectionsKey, kRunReturnedMark,
                              {HKeyCurrentUser, HKeyLocalMachine}};
  return keys;
}

const RunKeySet& RunServiceEntries() {
  static const RunKeySet keys{kRunServicesKey, kStoredRunServicesKey, kStoredRunServicesSelectionsKey,
                              kRunServicesReturnedMark, {HKeyLocalMachine}};
  return keys;
}


int TakeEntries(const RunKeySet& keys, const char* failureMessage) {
  CRegistry registry;
  for (RegKey root : keys.roots) {
    // Nothing leaves the Windows key while the root still claims to be returned.
    if (!ClearReturnedMark(root, keys.returnedMark)) {
      CLog::Error(failureMessage);
      return 0;
    }
    if (!registry.MoveEx(root, root, keys.windowsKey, keys.storedKey, 1)) {
      // MoveEx fails before it moves anything: the root still stands returned.
      MarkReturned(root, keys.returnedMark);
      CLog::Error(failureMessage);
      return 0;
    }
  }
  ValidateEntries(keys, 0);
  return 1;
}

int ReturnEntries(const RunKeySet& keys, ReturnKind kind, const char* failureMessage) {
  CRegistry registry;
  for (RegKey root : keys.roots) {
    // A value that stands in the Windows key was not taken (a take that
    // failed part way, an installer that wrote it since): it is newer than
    // the stored copy, which must not overwrite it on the way back.
    if (kind == ReturnKind::SkipEmptyCommandLines) RefreshStoredCopies(keys, root);
    int copied = kind == ReturnKind::Everything ? registry.Copy(root, root, keys.storedKey, keys.windowsKey, 1)
                                                : registry.CopyEx(root, root, keys.storedKey, keys.windowsKey, 1);
    if (!copied) {
      CLog::Error(failureMessage);
      return 0;
    }
    MarkReturned(root, keys.returnedMark);
  }
  return 1;
}

void VerifyEntries(const RunKeySet& keys) {
  CRegistry registry;
  for (RegKey root : keys.roots) {
    // Stored entries of a root that was never returned, or whose last take
    // did not finish, may be missing from the Windows key because they were
    // taken, not uninstalled: keep them.
    if (!IsMarkedReturned(root, keys.returnedMark)) continue;
    std::vector<std::string> names;
    registry.EnumerateValueNames(root, keys.storedKey, &names);
    const auto present = ExactNames(root, keys.windowsKey);
    ForgetStoredNames(root, keys.storedKey, keys.selectionsKey, names,
                      [&present](const std::string& name) { return present.count(name) != 0; });
  }
}

void UpdateSelections(const RunKeySet& keys) {
  for (RegKey root : keys.roots) FlagNewNames(root, keys.storedKey, keys.selectionsKey);
}

void ValidateEntries(const RunKeySet& keys, int inRegistry) {
  platform::ISystemInfo* system = platform::Current<platform::ISystemInfo>();
  if (!system) return;
  const std::string folders[] = {WithBackslash(system->SystemDirectory()), WithBackslash(system->WindowsDirectory())};
  const char* entryKey = keys.EntryKey(inRegistry);
  CRegistry registry;
  for (RegKey root : keys.roots) {
    std::vector<std::string> names;
    registry.EnumerateValueNames(root, entryKey, &names);
    for (const auto& name : names) {
      std::string commandLine;
      if (!registry.GetValue(root, entryKey, name.c_str(), &commandLine)) continue;
      // A drive letter and colon, or a backslash third, count as a full path.
      if (commandLine.size() <= 3 || commandLine[1] == ':' || commandLine[2] == '\\') continue;
      std::string path, argument;
      if (!SplitPathArgument(commandLine, &path, &argument)) path = commandLine;
      for (const auto& folder : folders) {
        if (folder.empty()) continue;
        std::string fullPath = folder + path;
        // The folder and the program must fit a path buffer, and the repaired
        // line must still fit the 260-byte buffers that carry it back to the
        // Run key; an entry that would not is left as it is rather than made
        // impossible to return.
        if (fullPath.size() + 1 > kRegistryBufferSize) continue;
        if (!FileExists(fullPath)) continue;
        std::string repaired = JoinPathArgument(fullPath, argument);
        if (repaired.size() + 1 <= kRegistryBufferSize) registry.SetValue(root, entryKey, name.c_str(), repaired);
        break;
      }
    }
  }
}

void SplitOrWhole(const std::string& commandLine, std::string* path, std::string* argument) {
  if (SplitPathArgument(commandLine, path, argument) != 1) {
    *path = commandLine;
    argument->clear();
  }
}

bool FitsRegistryText(const std::string& text) { return text.size() + 1 <= kRegistryBufferSize; }

int PopulateEntries(const RunKeySet& keys, platform::ITreeControl* tree, platform::TreeItem parent, int inRegistry,
                    int fallbackImage) {
  if (!tree || !parent) return 0;
  const char* entryKey = keys.EntryKey(inRegistry);
  CRegistry registry;
  for (RegKey root : keys.roots) {
    std::vector<std::string> names;
    registry.EnumerateValueNames(root, entryKey, &names);
    for (const auto& name : names) {
      std::string commandLine;
      int image = fallbackImage;
      // A line too long to read still gets its item, with the kind's own icon.
      if (registry.GetValue(root, entryKey, name.c_str(), &commandLine)) {
        std::string path, argument;
        SplitOrWhole(commandLine, &path, &argument);
        image = AddProgramImage(tree, path, fallbackImage);
      }
      platform::TreeItem item = tree->InsertItem(parent, name, image, image);
      std::uint32_t flag = 0;
      if (!registry.GetValue(root, keys.selectionsKey, name.c_str(), &flag)) flag = 0;
      tree->SetCheck(item, flag != 0);
    }
  }
  return 1;
}

}  // namespace qm::entries
