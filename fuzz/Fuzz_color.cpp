// The colour file of a theme: any bytes as color.txt, no crash, and a theme
// that loads has four colours of 24 bits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/themes/Theme.h"
#include "platform/FileSystem.h"
#include "platform/portable/FixedSystemInfo.h"

namespace {

// Every file holds the fuzzer's bytes; every path exists.
class OneFileSystem : public qm::platform::IFileSystem {
 public:
  std::vector<std::uint8_t> bytes;
  bool Exists(const std::string&) override { return true; }
  bool IsDirectory(const std::string&) override { return false; }
  bool Size(const std::string&, std::uint64_t& size) override {
    size = bytes.size();
    return true;
  }
  qm::platform::FsResult ReadAll(const std::string&, std::vector<std::uint8_t>& data) override {
    data = bytes;
    return qm::platform::FsResult::Ok;
  }
  qm::platform::FsResult WriteAll(const std::string&, const std::vector<std::uint8_t>&) override {
    return qm::platform::FsResult::Failed;
  }
  qm::platform::FsResult Append(const std::string&, const std::string&, bool) override {
    return qm::platform::FsResult::Failed;
  }
  qm::platform::FsResult Delete(const std::string&) override { return qm::platform::FsResult::Failed; }
  qm::platform::FsResult Move(const std::string&, const std::string&, bool) override {
    return qm::platform::FsResult::Failed;
  }
  qm::platform::FsResult MakeDirectory(const std::string&) override { return qm::platform::FsResult::Failed; }
  bool List(const std::string&, const std::string&, std::vector<qm::platform::DirEntry>&) override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static OneFileSystem files;
  static qm::platform::FixedSystemInfo system;
  static qm::platform::ScopedService<qm::platform::IFileSystem> filesSlot(&files);
  static qm::platform::ScopedService<qm::platform::ISystemInfo> systemSlot(&system);
  files.bytes.assign(data, data + size);
  qm::CTheme theme("Fuzz");
  if (theme.Load()) {
    for (std::uint32_t color : {theme.titleColor, theme.buttonColor, theme.statusColor, theme.sectionColor})
      if (color > 0xFFFFFF) std::abort();
  }
  return 0;
}
