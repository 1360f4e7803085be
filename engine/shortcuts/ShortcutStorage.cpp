#include "engine/shortcuts/ShortcutStorage.h"

#include <new>

#include "engine/foundation/Places.h"
#include "platform/FileSystem.h"
#include "platform/Identity.h"
#include "platform/RegistryStore.h"
#include "platform/ShellLink.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "platform/portable/ShellLinkFile.h"

namespace qm::shortcuts {
namespace {

// Our own folder under the user's temporary folder.
constexpr const char* kTemporaryFolderName = identity::kApplicationName;

platform::IFileSystem* Files() { return platform::Current<platform::IFileSystem>(); }

}  // namespace

bool FitsPathBuffer(const std::string& path) { return path.size() < kPathBufferSize; }

std::string FileOf(const std::string& folder, const std::string& name) {
  return folder + "\\" + name + kLinkExtension;
}

std::string PatternOf(const std::string& folder) { return folder + "\\" + kLinkPattern; }

std::set<std::string> FoldedNames(const std::vector<std::string>& names) {
  std::set<std::string> folded;
  for (const std::string& name : names) folded.insert(platform::FoldCase(name));
  return folded;
}

bool StartupFolder(RegKey root, std::string* folder) {
  const Location* row = LocationOf(EntryKind::Shortcut, root);
  if (!row) return false;
  std::string path;
  if (!CRegistry().GetValue(root, kShellFoldersKey, row->shellFolder, &path)) return false;
  // Room for each file name is checked where the name is added.
  if (!FitsPathBuffer(path)) return false;
  *folder = path;
  return true;
}

bool ListShortcuts(const std::string& folder, std::vector<std::string>* names, std::vector<std::string>* paths) {
  names->clear();
  paths->clear();
  platform::IFileSystem* files = Files();
  if (!files || !FitsPathBuffer(PatternOf(folder))) return false;
  std::vector<platform::DirEntry> found;
  if (!files->List(folder, kLinkPattern, found)) return false;
  for (const platform::DirEntry& entry : found) {
    if (entry.isDirectory || entry.name == "." || entry.name == "..") continue;
    std::size_t dot = entry.name.find_last_of('.');
    names->push_back(dot == std::string::npos ? entry.name : entry.name.substr(0, dot));
    paths->push_back(folder + "\\" + entry.name);
  }
  return true;
}

bool StoredNames(RegKey root, std::vector<std::string>* names) {
  if (CRegistry().EnumerateValueNames(root, kShcKey, names)) return true;
  names->clear();
  return false;
}

bool ReadStored(RegKey root, const std::string& name, std::vector<std::uint8_t>* bytes) {
  CRegistry registry;
  std::uint8_t probe = 0;
  std::uint32_t size = 0;
  // A buffer of no bytes asks for the size: success means an empty value.
  if (registry.GetValue(root, kShcKey, name.c_str(), &probe, &size)) {
    bytes->clear();
    return true;
  }
  if (registry.lastError != static_cast<std::uint32_t>(platform::kErrorMoreData)) return false;
  try {
    bytes->assign(size, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!registry.GetValue(root, kShcKey, name.c_str(), bytes->data(), &size)) return false;
  bytes->resize(size);
  return true;
}

bool WriteStored(RegKey root, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() > 0xFFFFFFFFu) return false;
  std::uint8_t none = 0;
  return CRegistry().SetValue(root, kShcKey, name.c_str(), bytes.empty() ? &none : bytes.data(),
                              static_cast<std::uint32_t>(bytes.size())) == 1;
}

bool StoreAnswersTo(RegKey root, const std::string& name) {
  CRegistry registry;
  std::uint8_t probe = 0;
  std::uint32_t size = 0;
  if (registry.GetValue(root, kShcKey, name.c_str(), &probe, &size)) return true;
  return registry.lastError == static_cast<std::uint32_t>(platform::kErrorMoreData);
}

bool IsWholeLink(const std::vector<std::uint8_t>& bytes) {
  platform::ShellLinkData link;
  return !bytes.empty() && platform::DecodeShellLink(bytes, link);
}

bool StoredIsWhole(RegKey root, const std::string& name) {
  std::vector<std::uint8_t> bytes;
  return ReadStored(root, name, &bytes) && IsWholeLink(bytes);
}

bool WriteWhole(const std::string& folder, const std::string& path, const std::vector<std::uint8_t>& bytes) {
  platform::IFileSystem* files = Files();
  std::string partial = folder + "\\" + kPartialFileName;
  if (!files || !FitsPathBuffer(path) || !FitsPathBuffer(partial)) return false;
  if (files->WriteAll(partial, bytes) != platform::FsResult::Ok || files->Move(partial, path, true) != platform::FsResult::Ok) {
    files->Delete(partial);
    return false;
  }
  return true;
}

void ClearPartial(const std::string& folder) {
  platform::IFileSystem* files = Files();
  std::string partial = folder + "\\" + kPartialFileName;
  if (files && files->Exists(partial)) files->Delete(partial);
}

bool FolderTakesWrites(const std::string& folder) {
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  const std::string partial = folder + "\\" + kPartialFileName;
  if (!files || !FitsPathBuffer(partial)) return false;
  if (files->WriteAll(partial, {}) != platform::FsResult::Ok) return false;
  return files->Delete(partial) == platform::FsResult::Ok;
}

bool RemoveFile(const std::string& path) {
  platform::IFileSystem* files = Files();
  if (!files) return false;
  platform::FsResult result = files->Delete(path);
  return result == platform::FsResult::Ok || result == platform::FsResult::NotFound;
}

bool SaveLinkWhole(const std::string& folder, const std::string& path) {
  platform::ILinkObject* link = platform::Current<platform::ILinkObject>();
  platform::IFileSystem* files = Files();
  std::string partial = folder + "\\" + kPartialFileName;
  if (!link || !files || !FitsPathBuffer(path) || !FitsPathBuffer(partial)) return false;
  if (link->Save(partial) != platform::kLinkOk || files->Move(partial, path, true) != platform::FsResult::Ok) {
    files->Delete(partial);
    return false;
  }
  return true;
}

std::string TemporaryFile(const std::string& name) {
  platform::ISystemInfo* system = platform::Current<platform::ISystemInfo>();
  platform::IFileSystem* files = Files();
  if (!system || !files) return {};
  std::string temporary = system->TempDirectory();
  if (temporary.empty()) return {};
  std::string folder = temporary + "\\" + kTemporaryFolderName;
  if (!files->IsDirectory(folder) && files->MakeDirectory(folder) != platform::FsResult::Ok) return {};
  std::string file = FileOf(folder, name);
  return FitsPathBuffer(file) ? file : std::string();
}

std::string WriteTemporaryCopy(RegKey root, const std::string& name) {
  std::string file = TemporaryFile(name);
  std::vector<std::uint8_t> bytes;
  if (file.empty() || !ReadStored(root, name, &bytes) || !WriteWhole(FolderOf(file), file, bytes)) return {};
  return file;
}

std::string FolderOf(const std::string& path) {
  std::size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace qm::shortcuts
