#pragma once
// What the engines need to know about the machine and the running program.
#include <cstdint>
#include <string>

#include "platform/Services.h"

namespace qm::platform {

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platformId = 0;  // 0 Win32s, 1 Windows 9x, 2 NT
  std::string servicePack;       // szCSDVersion
};

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class ISystemInfo {
 public:
  virtual ~ISystemInfo() = default;
  // Full path of the running program's executable (GetModuleFileNameA of the process).
  virtual std::string ModuleFileName() = 0;
  // GetSystemDirectoryA / GetWindowsDirectoryA; empty on failure.
  virtual std::string SystemDirectory() = 0;
  virtual std::string WindowsDirectory() = 0;
  // GetVersionExA; false when the query fails.
  virtual bool Version(OsVersion& out) = 0;
  virtual LocalTime Now() = 0;
  // The user's temporary folder (GetTempPathA), without a trailing backslash;
  // empty on failure. A folder the user can write wherever the program lies.
  virtual std::string TempDirectory() = 0;
};

QM_DECLARE_SERVICE(ISystemInfo);

}  // namespace qm::platform
