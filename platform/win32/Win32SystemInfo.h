#pragma once
#include "platform/SystemInfo.h"

namespace qm::platform {

class KELVRIN_API Win32SystemInfo : public ISystemInfo {
 public:
  std::string ModuleFileName() override;
  std::string SystemDirectory() override;
  std::string WindowsDirectory() override;
  bool Version(OsVersion& out) override;
  LocalTime Now() override;
  std::string TempDirectory() override;
};

}  // namespace qm::platform
