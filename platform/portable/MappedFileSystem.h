#pragma once
// Windows paths over a POSIX file system, as Wine maps them: each drive letter
// is a host folder, backslashes separate names, and every name is resolved
// without regard to letter case against what is on disk. A name that does not
// exist yet is used as written, so new files keep the case they were given.
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/portable/DeniedFolders.h"

namespace qm::platform {

class KELVRIN_API MappedFileSystem : public IFileSystem {
 public:
  // drives: upper-case drive letter -> host folder.
  explicit MappedFileSystem(std::map<char, std::string> drives = {});
  void MapDrive(char letter, const std::string& hostFolder);

  // The host path of a Windows path; empty when the drive is not mapped.
  std::optional<std::string> HostPath(const std::string& windowsPath) const;

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
  std::optional<std::filesystem::path> Resolve(const std::string& windowsPath) const;
  std::map<char, std::string> drives_;
};

}  // namespace qm::platform
