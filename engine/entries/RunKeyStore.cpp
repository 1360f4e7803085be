#include "engine/entries/RunKeyStore.h"

#include <map>
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

std::string Entries(const RunKeySet& keys, RegKey root) {
  return std::string(keys.kind) + " entries of " + RootLogName(root);
}

// One line for each value a walk passed over because it did not fit the
// buffers: it stays where it stands, and the user learns why.
void LogPassedOver(const RunKeySet& keys, RegKey root, const RegistryWalk& walk) {
  const std::string entry = std::string(keys.kind) + " entry of " + RootLogName(root);
  for (const auto& name : walk.passedOver)
    CLog::Error(entry + " too long to carry, left where it stands: " + name);
  for (std::uint32_t i = 0; i < walk.unnamedPassedOver; ++i)
    CLog::Error(entry + " with a name too long to carry, left where it stands");
}

// Names as the registry matches them.
std::set<std::string> Folded(const std::vector<std::string>& names) {
  std::set<std::string> folded;
  for (const auto& name : names) folded.insert(platform::FoldCase(name));
  return folded;
}

bool KeyIsMissing(const CRegistry& registry) {
  return registry.lastError == static_cast<std::uint32_t>(platform::kErrorFileNotFound);
}

bool IsEmptyText(const RegistryValue& value) {
  return value.type == platform::kRegSz && (value.data.empty() || value.data[0] == 0);
}

// Whether a value standing in the Windows key may replace the stored copy: it
// fits the buffers that carry it (the listing gave it whole), it is of the
// stored copy's type, and it is no empty text over a command line that is not.
// Anything else would leave the stored location holding what the later steps
// cannot carry back.
bool MayReplace(const RegistryValue& standing, const RegistryValue& stored) {
  if (standing.type != stored.type || standing.data == stored.data) return false;
  return !IsEmptyText(standing) || IsEmptyText(stored);
}

// Refreshes the stored copy of every entry that also stands in the Windows
// key from the value standing there, where MayReplace allows it, and gives the
// names (folded) of every value standing in the Windows key, which the copy
// back leaves alone. False if a listing failed.
bool RefreshStoredCopies(const RunKeySet& keys, RegKey root, std::set<std::string>* standing) {
  CRegistry registry;
  std::vector<RegistryValue> windowsValues;
  RegistryWalk windowsWalk;
  // No Windows key yet: nothing stands, and the copy back creates it.
  if (!registry.EnumerateValues(root, keys.windowsKey, &windowsValues, &windowsWalk)) return KeyIsMissing(registry);
  std::map<std::string, const RegistryValue*> whole;
  for (const auto& value : windowsValues) whole[platform::FoldCase(value.name)] = &value;
  for (const auto& entry : whole) standing->insert(entry.first);
  for (const auto& name : windowsWalk.passedOver) standing->insert(platform::FoldCase(name));
  if (whole.empty()) return true;

  std::vector<RegistryValue> storedValues;
  RegistryWalk storedWalk;
  if (!registry.EnumerateValues(root, keys.storedKey, &storedValues, &storedWalk)) return KeyIsMissing(registry);
  auto refresh = [&](const std::string& storedName, const RegistryValue* stored) {
    auto found = whole.find(platform::FoldCase(storedName));
    if (found == whole.end()) return;
    const RegistryValue& value = *found->second;
    // A stored copy too long to carry back is replaced by any whole value.
    if (stored ? !MayReplace(value, *stored) : IsEmptyText(value)) return;
    registry.CopyValue(root, root, keys.windowsKey, keys.storedKey, value.name.c_str());
  };
  for (const auto& stored : storedValues) refresh(stored.name, &stored);
  for (const auto& name : storedWalk.passedOver) refresh(name, nullptr);
  return true;
}

// Whether every stored entry due back stands in the Windows key now: all
// stored names but those the copy left behind as empty texts. One listing of
// each side; false if either fails.
bool EverythingDueStands(const RunKeySet& keys, RegKey root, const std::vector<std::string>& leftEmpty) {
  CRegistry registry;
  std::vector<std::string> windowsNames, storedNames;
  if (!registry.EnumerateValueNames(root, keys.windowsKey, &windowsNames)) return false;
  if (!registry.EnumerateValueNames(root, keys.storedKey, &storedNames)) return false;
  const std::set<std::string> standing = Folded(windowsNames);
  const std::set<std::string> notDue(leftEmpty.begin(), leftEmpty.end());
  for (const auto& name : storedNames)
    if (!notDue.count(name) && !standing.count(platform::FoldCase(name))) return false;
  return true;
}

// Whether root is the view of 64-bit Windows that this program does not see
// by itself and key does not exist there: a view that nothing ever wrote to
// holds no entries, and its missing key is no failure.
bool KeyAbsent(RegKey root, const char* key);

bool AbsentFromOtherView(RegKey root, const char* key) {
  if (root == HKeyCurrentUser || root == HKeyLocalMachine) return false;
  return KeyAbsent(root, key);
}

// Whether key does not exist under root (and so holds nothing): one open,
// no listing.
bool KeyAbsent(RegKey root, const char* key) {
  platform::IRegistryStore* store = platform::Current<platform::IRegistryStore>();
  RegKey opened = platform::kNoKey;
  if (!store) return false;
  const long status = store->OpenKey(root, key, platform::kKeyRead, &opened);
  if (status == platform::kErrorSuccess) store->CloseKey(opened);
  return status == platform::kErrorFileNotFound;
}

}  // namespace

namespace {

RunKeySet FromTable(EntryKind kind, const char* logName) {
  const Location& row = *LocationOf(kind, HKeyLocalMachine);
  return RunKeySet{kind, row.windowsKey, row.storedKey, row.selectionsKey, row.returnedMark, logName, {}};
}

}  // namespace

const RunKeySet& RunEntries() {
  static const RunKeySet keys = FromTable(EntryKind::Startup, "Run");
  return keys;
}

const RunKeySet& RunServiceEntries() {
  static const RunKeySet keys = FromTable(EntryKind::Service, "RunServices");
  return keys;
}


namespace {

// Forgets the stored entries of one root whose Windows value has gone, when
// the root stands returned (see VerifyEntries). keepEmpty keeps the empty
// command lines, which a return leaves stored rather than gives back: their
// absence from the Windows key says nothing of the user.
void VerifyRoot(const RunKeySet& keys, RegKey root, bool keepEmpty = false) {
  CRegistry registry;
  // Stored entries of a root that was never returned, or whose last take
  // did not finish, may be missing from the Windows key because they were
  // taken, not uninstalled: keep them.
  if (!IsMarkedReturned(root, keys.returnedMark)) return;
  std::vector<std::string> names, windowsNames;
  if (!registry.EnumerateValueNames(root, keys.storedKey, &names)) {
    if (!KeyIsMissing(registry)) CLog::Error("Unable to verify " + Entries(keys, root) + ", none forgotten");
    return;
  }
  if (names.empty()) return;
  // A Windows key that cannot be listed, or has gone altogether, says
  // nothing about which entries were uninstalled.
  if (!registry.EnumerateValueNames(root, keys.windowsKey, &windowsNames)) {
    CLog::Error("Unable to verify " + Entries(keys, root) + ", none forgotten");
    return;
  }
  // Names as the registry matches them: "mail" standing in the Run key is
  // the entry stored as "Mail", and forgetting it would drop the user's flag
  // with it. One listing and a set keep a verify of n entries at n log n.
  const std::set<std::string> present = Folded(windowsNames);
  ForgetStoredNames(root, keys.storedKey, keys.selectionsKey, names, [&](const std::string& name) {
    if (present.count(platform::FoldCase(name))) return true;
    std::string text;
    return keepEmpty && registry.GetValue(root, keys.storedKey, name.c_str(), &text) && text.empty();
  });
}

}  // namespace

int TakeEntries(const RunKeySet& keys, const char* failureMessage) {
  CRegistry registry;
  bool taken = true;
  // Each root stands on its own: one that cannot be taken keeps its entries
  // where Windows reads them, and the next root is still taken.
  for (RegKey root : keys.Roots()) {
    // Nothing leaves the Windows key while the root still claims to be returned.
    bool cleared = false;
    if (!ClearReturnedMark(root, keys.returnedMark, &cleared)) {
      taken = false;
      continue;
    }
    RegistryWalk walk;
    if (!registry.MoveEx(root, root, keys.windowsKey, keys.storedKey, 1, &walk)) {
      // MoveEx fails before it moves anything: the root stands as it stood,
      // returned only if it was so before this take.
      if (cleared) MarkReturned(root, keys.returnedMark);
      // A Windows key that does not exist held nothing to take.
      std::vector<std::string> none;
      if (registry.EnumerateValueNames(root, keys.windowsKey, &none) || !KeyIsMissing(registry)) taken = false;
      continue;
    }
    LogPassedOver(keys, root, walk);
    // Part of the root may have moved when the listing broke off: its mark stays cleared.
    if (!walk.reachedEnd) taken = false;
  }
  if (taken) {
    ValidateEntries(keys, 0);
    return 1;
  }
  CLog::Error(failureMessage);
  return 0;
}

int ReturnEntries(const RunKeySet& keys, ReturnKind kind, const char* failureMessage) {
  CRegistry registry;
  bool everythingBack = true;
  for (RegKey root : keys.Roots()) {
    // A stored location never made (a user who has had no take yet) holds
    // nothing to give back.
    if (KeyAbsent(root, keys.storedKey)) continue;
    // A root that stands returned has nothing of its own to give back: what
    // it still stores are the copies an earlier return kept, and one whose
    // entry has gone was removed or renamed by the user since. Written back,
    // a deleted startup would come back and a renamed one stand twice.
    VerifyRoot(keys, root, true);
    std::set<std::string> standing;
    if (!RefreshStoredCopies(keys, root, &standing)) {
      CLog::Error(failureMessage);
      return 0;
    }
    RegistryWalk walk;
    int copied = kind == ReturnKind::Everything
                     ? registry.Copy(root, root, keys.storedKey, keys.windowsKey, 1, &walk, &standing)
                     : registry.CopyEx(root, root, keys.storedKey, keys.windowsKey, 1, &walk, &standing);
    if (!copied) {
      CLog::Error(failureMessage);
      return 0;
    }
    LogPassedOver(keys, root, walk);
    if (!walk.reachedEnd) {
      CLog::Error(failureMessage);
      return 0;
    }
    // A root whose entries did not all come back is not marked: the next
    // verify would forget those still missing as uninstalled. The next root is
    // still returned; an entry that cannot come back must not hold back the rest.
    if (EverythingDueStands(keys, root, walk.leftEmpty))
      MarkReturned(root, keys.returnedMark);
    else
      everythingBack = false;
  }
  if (everythingBack) return 1;
  CLog::Error(failureMessage);
  return 0;
}

void VerifyEntries(const RunKeySet& keys) {
  for (RegKey root : keys.Roots()) VerifyRoot(keys, root);
}

void UpdateSelections(const RunKeySet& keys) {
  for (RegKey root : keys.Roots()) {
    // No installation step prepares the other view of HKLM: its flags key is
    // made here once entries are stored there, or every flag would read 0.
    if (!AbsentFromOtherView(root, keys.storedKey) && root != HKeyCurrentUser && root != HKeyLocalMachine)
      CRegistry().CreateKey(root, keys.selectionsKey);
    if (!FlagNewNames(root, keys.storedKey, keys.selectionsKey, LocationOf(keys.entryKind, root)->Switch()))
      CLog::Error("Unable to update selections of " + Entries(keys, root) + ", none written");
  }
}

bool NoCaseVariantOf(RegKey root, const char* key, const std::string& name) {
  CRegistry registry;
  std::vector<std::string> names;
  if (!registry.EnumerateValueNames(root, key, &names)) return KeyIsMissing(registry);
  for (const auto& existing : names)
    if (existing != name && platform::EqualsNoCase(existing, name)) return false;
  return true;
}

bool CarryEntry(RegKey fromRoot, RegKey toRoot, const char* entryKey, const char* selectionsKey,
                const std::string& oldName, const std::string& newName) {
  return CarryWithFlag(fromRoot, toRoot, selectionsKey, oldName, newName, [&] {
    CRegistry registry;
    return fromRoot == toRoot ? registry.RenameValue(fromRoot, entryKey, oldName.c_str(), newName.c_str()) != 0
                              : registry.MoveValue(fromRoot, toRoot, entryKey, entryKey, oldName.c_str()) != 0;
  });
}

bool HoldsNameNoCase(RegKey root, const char* key, const std::string& name) {
  CRegistry registry;
  std::vector<std::string> names;
  if (!registry.EnumerateValueNames(root, key, &names)) return !KeyIsMissing(registry);
  for (const auto& existing : names)
    if (platform::EqualsNoCase(existing, name)) return true;
  return false;
}

void ValidateEntries(const RunKeySet& keys, int inRegistry) {
  platform::ISystemInfo* system = platform::Current<platform::ISystemInfo>();
  if (!system) return;
  const std::string folders[] = {WithBackslash(system->SystemDirectory()), WithBackslash(system->WindowsDirectory())};
  const char* entryKey = keys.EntryKey(inRegistry);
  CRegistry registry;
  for (RegKey root : keys.Roots()) {
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

bool FindRoot(const std::vector<RegKey>& roots, const char* key, const std::string& name, RegKey* found) {
  *found = platform::kNoKey;
  CRegistry registry;
  for (RegKey root : roots) {
    std::vector<std::string> names;
    if (!registry.EnumerateValueNames(root, key, &names)) {
      if (KeyIsMissing(registry)) continue;
      return false;
    }
    for (const auto& existing : names)
      if (existing == name) {  // exact, as IsValueNamePresent compares
        *found = root;
        return true;
      }
  }
  return true;
}

RegKey RootHolding(const std::vector<RegKey>& roots, const char* key, const std::string& name, RegKey fallback) {
  RegKey found = platform::kNoKey;
  if (!FindRoot(roots, key, name, &found)) return platform::kNoKey;
  return found != platform::kNoKey ? found : fallback;
}

ProgramDescription DescribeEntry(const RunKeySet& keys, const std::string& name, int inRegistry) {
  const char* entryKey = keys.EntryKey(inRegistry);
  RegKey root = platform::kNoKey;
  std::string commandLine;
  if (!FindRoot(keys.Roots(), entryKey, name, &root) || !root ||
      !CRegistry().GetValue(root, entryKey, name.c_str(), &commandLine))
    return {};
  std::string path, argument;
  SplitOrWhole(commandLine, &path, &argument);
  return DescribeProgram(path);
}

void SplitOrWhole(const std::string& commandLine, std::string* path, std::string* argument) {
  if (SplitPathArgument(commandLine, path, argument) != 1) {
    *path = commandLine;
    argument->clear();
  }
}

bool FitsRegistryText(const std::string& text) { return text.size() + 1 <= kRegistryBufferSize; }

int PopulateEntries(const RunKeySet& keys, platform::ITreeControl* tree, platform::TreeItem parent, int inRegistry,
                    int fallbackImage, std::vector<std::pair<platform::TreeItem, RegKey>>* itemRoots) {
  if (!tree || !parent) return 0;
  const char* entryKey = keys.EntryKey(inRegistry);
  CRegistry registry;
  ImageCache images(tree, fallbackImage);
  // Without an image list every item takes the kind's image: no command line is read for it.
  const bool withImages = tree->GetImageList() != nullptr;
  for (RegKey root : keys.Roots()) {
    std::vector<std::string> names;
    registry.EnumerateValueNames(root, entryKey, &names);
    if (names.empty()) continue;
    const FlagListing flags(root, keys.selectionsKey);
    for (const auto& name : names) {
      std::string commandLine;
      int image = fallbackImage;
      // A line too long to read still gets its item, with the kind's own icon.
      if (withImages && registry.GetValue(root, entryKey, name.c_str(), &commandLine)) {
        std::string path, argument;
        SplitOrWhole(commandLine, &path, &argument);
        image = images.ProgramImage(path);
      }
      platform::TreeItem item = tree->InsertItem(parent, name, image, image);
      tree->SetCheck(item, flags.On(name));
      if (itemRoots) itemRoots->emplace_back(item, root);
    }
  }
  return 1;
}

}  // namespace qm::entries
