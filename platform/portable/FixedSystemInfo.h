#pragma once
// System information that a test (or the Linux build) sets by hand.
#include "platform/SystemInfo.h"

namespace qm::platform {

class FixedSystemInfo : public ISystemInfo {
 public:
  std::string moduleFileName = "C:\\Program Files\\Quill Moor\\Quillmoor.exe";
  std::string systemDirectory = "C:\\windows\\system32";
  std::string windowsDirectory = "C:\\windows";
  std::string tempDirectory = "C:\\Users\\ann\\Temp";
  bool versionAvailable = true;
  OsVersion version{6, 1, 7601, 2, "Service Pack 1"};
  LocalTime now{2026, 12, 7, 9, 5, 0};

  std::string ModuleFileName() override { return moduleFileName; }
  std::string SystemDirectory() override { return systemDirectory; }
  std::string WindowsDirectory() override { return windowsDirectory; }
  bool Version(OsVersion& out) override {
    if (versionAvailable) out = version;
    return versionAvailable;
  }
  LocalTime Now() override { return now; }
  std::string TempDirectory() override { return tempDirectory; }
};

}  // namespace qm::platform
