#include "engine/foundation/EntryCommon.h"

#include <set>

#include "engine/foundation/StoredKeys.h"
#include "platform/FileSystem.h"
#include "platform/ProgramInfo.h"
#include "platform/Shell.h"
#include "platform/Text.h"

namespace qm {

bool OpenWithShell(const std::string& path, const std::string& argument,
                   std::unique_ptr<platform::IStartedProcess>* started) {
  platform::IShell* shell = platform::Current<platform::IShell>();
  if (!shell) return false;
  return (started ? shell->OpenWatched(path, argument, started) : shell->Open(path, argument)) > 32;
}

void ShowMessage(const std::string& text) {
  if (platform::IMessageBox* box = platform::Current<platform::IMessageBox>()) box->ShowOk(text);
}

int AddIconImage(platform::ITreeControl* tree, platform::IconHandle icon, int fallbackImage) {
  platform::IShell* shell = platform::Current<platform::IShell>();
  platform::IImageList* list = tree && icon ? tree->GetImageList() : nullptr;
  int index = -1;
  if (list) {
    index = list->AppendIcon(icon);
    tree->SetImageList(list);
  }
  // The image list keeps its own copy of the icon.
  if (icon && shell) shell->DestroyIcon(icon);
  return index < 0 ? fallbackImage : index;
}

int AddProgramImage(platform::ITreeControl* tree, const std::string& path, int fallbackImage) {
  // Without an image list no icon could be kept: the shell is not asked.
  if (!tree || !tree->GetImageList()) return fallbackImage;
  platform::IShell* shell = platform::Current<platform::IShell>();
  if (!shell) return fallbackImage;
  platform::IconHandle icon = shell->SmallIcon(path);
  if (!icon) return fallbackImage;
  return AddIconImage(tree, icon, fallbackImage);
}

namespace {

// The 64-bit view keeps the switches of both views (Run32 for the 32-bit
// one); with one view, HKLM itself.
RegKey SwitchesOfMachine() {
  RegKey other = OtherPublicView();
  if (other == platform::kHklm64View) return other;  // a 32-bit program on 64-bit Windows
  return HKeyLocalMachine;
}

// Folded names, suffix included, that the switch marks off. False when the
// key exists but cannot be read whole.
bool SwitchedOff(const WindowsSwitch& windows, std::set<std::string>* off) {
  if (windows.root == platform::kNoKey) return true;
  CRegistry registry;
  std::vector<RegistryValue> values;
  RegistryWalk walk;
  if (!registry.EnumerateValues(windows.root, windows.key, &values, &walk))
    return registry.lastError == static_cast<std::uint32_t>(platform::kErrorFileNotFound);
  for (const auto& value : values)
    if (!value.data.empty() && value.data[0] != 2 && value.data[0] != 6) off->insert(platform::FoldCase(value.name));
  return walk.reachedEnd;
}

}  // namespace

namespace {

std::string Unquoted(const std::string& path) {
  if (path.size() < 2 || path.front() != '"') return path;
  const std::size_t close = path.find('"', 1);
  return path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

}  // namespace

namespace {

// The file Windows would start for a program path as split from a command
// line: the path itself, or for an unquoted one that names no file, the first
// part before a blank that does, as Windows tries them ("C:\Tools\sync.cmd /q"
// starts sync.cmd; the splitter cuts only after ".exe"), each also with ".exe"
// added. Empty when none stands.
std::string FileToStart(const std::string& path) {
  const std::string file = Unquoted(path);
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  if (!files) return "";
  // Windows' shell starts it: a 32-bit program's view of System32 is not the one that counts.
  if (files->ExistsForShell(file)) return file;
  if (file.size() != path.size()) return "";  // a quoted path is the whole path
  for (std::size_t blank = file.find(' '); blank != std::string::npos; blank = file.find(' ', blank + 1)) {
    const std::string part = file.substr(0, blank);
    if (files->ExistsForShell(part)) return part;
    if (files->ExistsForShell(part + ".exe")) return part + ".exe";
  }
  return "";
}

}  // namespace

bool ProgramMissing(const std::string& path) {
  const std::string file = Unquoted(path);
  // A bare name is found through the search path when it starts; only a path
  // with its folder can be judged gone.
  if (file.find('\\') == std::string::npos && file.find(':') == std::string::npos) return false;
  // A path with an environment variable in it is expanded only when Windows
  // starts it; unexpanded it names no file, and that says nothing.
  if (file.find('%') != std::string::npos) return false;
  return platform::Current<platform::IFileSystem>() && FileToStart(path).empty();
}

ProgramDescription DescribeProgram(const std::string& path) {
  ProgramDescription result;
  const std::string file = Unquoted(path);
  if (file.empty()) return result;
  if (ProgramMissing(path)) {
    result.missing = true;
    return result;
  }
  const std::string found = FileToStart(path);
  platform::ProgramFacts facts;
  if (platform::IProgramInfo* info = platform::Current<platform::IProgramInfo>();
      info && info->VersionTexts(found.empty() ? file : found, &facts)) {
    result.description = facts.description;
    result.publisher = facts.publisher;
  }
  return result;
}

WindowsSwitch RunSwitch(RegKey root) {
  if (root == HKeyCurrentUser) return {HKeyCurrentUser, kApprovedRunKey};
  return {SwitchesOfMachine(), IsThirtyTwoBitView(root) ? kApprovedRun32Key : kApprovedRunKey};
}

WindowsSwitch StartupFolderSwitch(RegKey root) {
  return {root == HKeyCurrentUser ? HKeyCurrentUser : SwitchesOfMachine(), kApprovedStartupFolderKey, ".lnk"};
}

int ImageCache::Image(const std::string& key, const std::function<int()>& make) {
  auto found = images_.find(key);
  if (found != images_.end()) return found->second;
  int image = make();
  images_.emplace(key, image);
  return image;
}

int ImageCache::ProgramImage(const std::string& path) {
  return Image(path, [&] { return AddProgramImage(tree_, path, fallbackImage_); });
}

bool FlagListing::On(const std::string& name) const {
  auto flag = flags_.find(platform::FoldCase(name));
  return flag != flags_.end() && flag->second != 0;
}

bool FlagNewNames(RegKey root, const char* storedKey, const char* selectionsKey, const WindowsSwitch& windows) {
  CRegistry registry;
  std::vector<std::string> names, flagNames;
  // No stored location yet holds nothing to flag.
  if (!registry.EnumerateValueNames(root, storedKey, &names))
    return registry.lastError == static_cast<std::uint32_t>(platform::kErrorFileNotFound);
  if (names.empty()) return true;
  if (!registry.EnumerateValueNames(root, selectionsKey, &flagNames)) {
    // No Selections key yet means no flags yet; any other failure means we
    // cannot tell which flags stand.
    if (registry.lastError != static_cast<std::uint32_t>(platform::kErrorFileNotFound)) return false;
    flagNames.clear();
  }
  // Names as the registry matches them: the flag "mail" is the flag of the
  // entry stored as "Mail", and writing 1 for "Mail" would overwrite it.
  std::set<std::string> flagged;
  for (const auto& name : flagNames) flagged.insert(platform::FoldCase(name));
  std::set<std::string> off;
  if (!SwitchedOff(windows, &off)) return false;
  for (const auto& name : names) {
    if (flagged.count(platform::FoldCase(name))) continue;
    const bool on = !off.count(platform::FoldCase(name + windows.suffix));
    registry.SetValue(root, selectionsKey, name.c_str(), std::uint32_t{on ? 1u : 0u});
  }
  return true;
}

bool CarryWithFlag(RegKey fromRoot, RegKey toRoot, const char* selectionsKey, const std::string& oldName,
                   const std::string& newName, const std::function<bool()>& carry) {
  CRegistry registry;
  std::uint32_t flag = 0;
  bool hasFlag = registry.GetValue(fromRoot, selectionsKey, oldName.c_str(), &flag) != 0;
  if (!hasFlag && registry.lastError != static_cast<std::uint32_t>(platform::kErrorFileNotFound)) return false;
  // A flag standing at the new place (another entry's that appeared meanwhile,
  // or one left over) is put back as it was if the carry fails.
  std::uint32_t before = 0;
  const bool hadBefore = hasFlag && registry.GetValue(toRoot, selectionsKey, newName.c_str(), &before) != 0;
  if (hasFlag && (!registry.CreateKey(toRoot, selectionsKey) ||
                  !registry.SetValue(toRoot, selectionsKey, newName.c_str(), flag)))
    return false;
  if (!carry()) {
    if (hadBefore)
      registry.SetValue(toRoot, selectionsKey, newName.c_str(), before);
    else if (hasFlag)
      registry.DeleteValue(toRoot, selectionsKey, newName.c_str());
    return false;
  }
  if (hasFlag) registry.DeleteValue(fromRoot, selectionsKey, oldName.c_str());
  return true;
}

void ForgetStoredNames(RegKey root, const char* storedKey, const char* selectionsKey,
                       const std::vector<std::string>& storedNames,
                       const std::function<bool(const std::string&)>& stillThere) {
  CRegistry registry;
  for (const auto& name : storedNames) {
    if (stillThere(name)) continue;
    registry.DeleteValue(root, storedKey, name.c_str());
    registry.DeleteValue(root, selectionsKey, name.c_str());
  }
}

}  // namespace qm
