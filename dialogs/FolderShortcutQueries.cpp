#include "dialogs/FolderShortcutQueries.h"

#include "platform/FileSystem.h"

namespace qm::dialogs {

std::string FolderShortcutQueries::StartupFolder(RegKey root) {
  CRegistry registry;
  std::string folder;
  const char* valueName = root == HKeyLocalMachine ? "Common Startup" : "Startup";
  if (!registry.GetValue(root, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", valueName,
                         &folder))
    return std::string();
  return folder;
}

int FolderShortcutQueries::GetShortcutInfo(const std::string&, std::string*, std::string*, int, int) { return 0; }

int FolderShortcutQueries::IsShortcutPresent(RegKey root, const std::string& name) {
  std::string folder = StartupFolder(root);
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  if (folder.empty() || name.empty() || !files) return 0;
  if (folder.back() != '\\') folder += '\\';
  // The file system ignores letter case, as Windows does.
  return files->Exists(folder + name + ".lnk") ? 1 : 0;
}

}  // namespace qm::dialogs
