#include "platform/portable/MemoryFileSystem.h"

#include "platform/Text.h"

namespace qm::platform {

void MemoryFileSystem::AddFolder(const std::string& path) { folders_.insert(FoldCase(path)); }

bool MemoryFileSystem::Exists(const std::string& path) {
  return files_.count(FoldCase(path)) || folders_.count(FoldCase(path));
}

bool MemoryFileSystem::IsDirectory(const std::string& path) { return folders_.count(FoldCase(path)) != 0; }

bool MemoryFileSystem::Size(const std::string& path, std::uint64_t& size) {
  auto found = files_.find(FoldCase(path));
  if (found == files_.end()) return false;
  size = found->second.bytes.size();
  return true;
}

FsResult MemoryFileSystem::ReadAll(const std::string& path, std::vector<std::uint8_t>& data) {
  auto found = files_.find(FoldCase(path));
  if (found == files_.end()) return FsResult::NotFound;
  data = found->second.bytes;
  return FsResult::Ok;
}

FsResult MemoryFileSystem::WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) {
  if (denied_.Refuses(path)) return FsResult::Failed;
  if (!folders_.count(FoldCase(path.substr(0, path.find_last_of('\\'))))) return FsResult::NotFound;
  File& file = files_[FoldCase(path)];
  if (file.name.empty()) file.name = path.substr(path.find_last_of('\\') + 1);
  file.bytes = data;
  return FsResult::Ok;
}

FsResult MemoryFileSystem::Append(const std::string& path, const std::string& bytes, bool create) {
  if (denied_.Refuses(path)) return FsResult::Failed;
  auto found = files_.find(FoldCase(path));
  if (found == files_.end() && !create) return FsResult::NotFound;
  std::vector<std::uint8_t> data = found == files_.end() ? std::vector<std::uint8_t>() : found->second.bytes;
  data.insert(data.end(), bytes.begin(), bytes.end());
  return WriteAll(path, data);
}

FsResult MemoryFileSystem::Delete(const std::string& path) {
  if (denied_.Refuses(path)) return FsResult::Failed;
  return files_.erase(FoldCase(path)) ? FsResult::Ok : FsResult::NotFound;
}

FsResult MemoryFileSystem::Move(const std::string& from, const std::string& to, bool replaceExisting) {
  if (denied_.Refuses(from) || denied_.Refuses(to)) return FsResult::Failed;
  auto found = files_.find(FoldCase(from));
  if (found == files_.end()) return FsResult::NotFound;
  // A rename that changes only letter case is a rename of the file onto itself.
  if (!replaceExisting && FoldCase(to) != found->first && files_.count(FoldCase(to))) return FsResult::Failed;
  File moved{to.substr(to.find_last_of('\\') + 1), std::move(found->second.bytes)};
  files_.erase(found);
  files_[FoldCase(to)] = std::move(moved);
  return FsResult::Ok;
}

FsResult MemoryFileSystem::MakeDirectory(const std::string& path) {
  if (denied_.Refuses(path)) return FsResult::Failed;
  AddFolder(path);
  return FsResult::Ok;
}

bool MemoryFileSystem::List(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& entries) {
  entries.clear();
  std::string prefix = FoldCase(folder) + "\\";
  if (!folders_.count(FoldCase(folder))) return false;
  for (auto it = files_.lower_bound(prefix); it != files_.end() && it->first.compare(0, prefix.size(), prefix) == 0;
       ++it) {
    if (it->first.find('\\', prefix.size()) != std::string::npos) continue;
    if (WildcardMatch(pattern, it->second.name)) entries.push_back({it->second.name, false});
  }
  return true;
}


}  // namespace qm::platform
