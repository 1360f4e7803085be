#pragma once
// Files and folders over kernel32.
#include "platform/FileSystem.h"

namespace qm::platform {

class KELVRIN_API Win32FileSystem : public IFileSystem {
 public:
  bool Exists(const std::string& path) override;
  bool ExistsForShell(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  bool Size(const std::string& path, std::uint64_t& size) override;
  FsResult ReadAll(const std::string& path, std::vector<std::uint8_t>& data) override;
  FsResult WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) override;
  FsResult Append(const std::string& path, const std::string& bytes, bool create) override;
  FsResult Delete(const std::string& path) override;
  FsResult Move(const std::string& from, const std::string& to, bool replaceExisting) override;
  FsResult MakeDirectory(const std::string& path) override;
  bool List(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& entries) override;
};

}  // namespace qm::platform
