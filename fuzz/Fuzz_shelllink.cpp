// The shell-link reader: any bytes as a ".lnk" file, no crash; a link that
// loads hands out its target and arguments, and a save then a load of it
// gives the same two back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/portable/ShellLinkFile.h"

namespace {

// Files held in memory by exact path; nothing else exists.
class MemoryFiles : public qm::platform::IFileSystem {
 public:
  std::map<std::string, std::vector<std::uint8_t>> files;
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  bool IsDirectory(const std::string&) override { return false; }
  bool Size(const std::string& path, std::uint64_t& size) override {
    auto found = files.find(path);
    if (found == files.end()) return false;
    size = found->second.size();
    return true;
  }
  qm::platform::FsResult ReadAll(const std::string& path, std::vector<std::uint8_t>& data) override {
    auto found = files.find(path);
    if (found == files.end()) return qm::platform::FsResult::NotFound;
    data = found->second;
    return qm::platform::FsResult::Ok;
  }
  qm::platform::FsResult WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) override {
    files[path] = data;
    return qm::platform::FsResult::Ok;
  }
  qm::platform::FsResult Append(const std::string&, const std::string&, bool) override {
    return qm::platform::FsResult::Failed;
  }
  qm::platform::FsResult Delete(const std::string& path) override {
    return files.erase(path) ? qm::platform::FsResult::Ok : qm::platform::FsResult::NotFound;
  }
  qm::platform::FsResult Move(const std::string&, const std::string&, bool) override {
    return qm::platform::FsResult::Failed;
  }
  qm::platform::FsResult MakeDirectory(const std::string&) override { return qm::platform::FsResult::Failed; }
  bool List(const std::string&, const std::string&, std::vector<qm::platform::DirEntry>&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFiles files;
  static qm::platform::ScopedService<qm::platform::IFileSystem> filesSlot(&files);
  files.files.clear();
  files.files["C:\\in.lnk"].assign(data, data + size);

  qm::platform::PortableShellLink link;
  if (link.Load("C:\\in.lnk") != qm::platform::kLinkOk) return 0;
  std::string target, arguments;
  if (link.GetPath(&target) != qm::platform::kLinkOk || link.GetArguments(&arguments) != qm::platform::kLinkOk)
    std::abort();
  if (link.Save("C:\\out.lnk") != qm::platform::kLinkOk) std::abort();

  qm::platform::PortableShellLink again;
  if (again.Load("C:\\out.lnk") != qm::platform::kLinkOk) std::abort();
  std::string target2, arguments2;
  again.GetPath(&target2);
  again.GetArguments(&arguments2);
  if (target2 != target || arguments2 != arguments) {
    std::fprintf(stderr, "round trip changed the link:\n  target [%s] -> [%s]\n  arguments [%s] -> [%s]\n",
                 target.c_str(), target2.c_str(), arguments.c_str(), arguments2.c_str());
    std::abort();
  }
  return 0;
}
