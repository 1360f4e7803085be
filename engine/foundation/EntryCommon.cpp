#include "engine/foundation/EntryCommon.h"

#include <set>

#include "platform/Shell.h"
#include "platform/Text.h"

namespace qm {

bool OpenWithShell(const std::string& path, const std::string& argument) {
  platform::IShell* shell = platform::Current<platform::IShell>();
  return shell && shell->Open(path, argument) > 32;
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
  if (!tree) return fallbackImage;
  platform::IShell* shell = platform::Current<platform::IShell>();
  if (!shell) return fallbackImage;
  platform::IconHandle icon = shell->SmallIcon(path);
  if (!icon) return fallbackImage;
  return AddIconImage(tree, icon, fallbackImage);
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

bool FlagNewNames(RegKey root, const char* storedKey, const char* selectionsKey) {
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
  for (const auto& name : names)
    if (!flagged.count(platform::FoldCase(name))) registry.SetValue(root, selectionsKey, name.c_str(), std::uint32_t{1});
  return true;
}

bool CarryWithFlag(RegKey fromRoot, RegKey toRoot, const char* selectionsKey, const std::string& oldName,
                   const std::string& newName, const std::function<bool()>& carry) {
  CRegistry registry;
  std::uint32_t flag = 0;
  bool hasFlag = registry.GetValue(fromRoot, selectionsKey, oldName.c_str(), &flag) != 0;
  if (!hasFlag && registry.lastError != static_cast<std::uint32_t>(platform::kErrorFileNotFound)) return false;
  if (hasFlag && (!registry.CreateKey(toRoot, selectionsKey) ||
                  !registry.SetValue(toRoot, selectionsKey, newName.c_str(), flag)))
    return false;
  if (!carry()) {
    if (hasFlag) registry.DeleteValue(toRoot, selectionsKey, newName.c_str());
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
