#pragma once
// Files in memory, names matched without regard to letter case as Windows
// does. For measuring the engine without the disk or the host's directory
// scans, and for fuzzing parsers that read through the file system.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/portable/DeniedFolders.h"

namespace qm::platform {

class KELVRIN_API MemoryFileSystem : public IFileSystem {
 public:
  // Folders must be made before files are written into them.
  void AddFolder(const std::string& path);
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  bool Size(const std::string& path, std::uint64_t& size) override;
  FsResult ReadAll(const std::string& path, std::vector<std::uint8_t>& data) override;
  FsResult WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) override;
  FsResult Append(const std::string& path, const std::string& bytes, bool create) override;
  FsResult Delete(const std::string& path) override;
  FsResult Move(const std::string& from, const std::string& to, bool replaceExisting) override;
  FsResult MakeDirectory(const std::string& path) override;
  bool List(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& entries) override;

  // The rights of the process at hand: nothing in folder (or below it) may be
  // written, deleted, renamed or made from now on; reading goes on.
  void DenyWrites(const std::string& folder) { denied_.Deny(folder); }
  void AllowWrites() { denied_.Clear(); }

 private:
  DeniedFolders denied_;
  struct File {
    std::string name;
    std::vector<std::uint8_t> bytes;
  };
  std::map<std::string, File> files_;  // by folded full path: a folder's files lie together
  std::set<std::string> folders_;
};

}  // namespace qm::platform
