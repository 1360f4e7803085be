#pragma once
// Starting a program as a process of its own.
#include <cstdint>
#include <string>

#include "platform/Services.h"

namespace qm::platform {

class IProcessLauncher {
 public:
  virtual ~IProcessLauncher() = default;
  // CreateProcessA(application, commandLine, no inheritance,
  // CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, SW_SHOWNORMAL), then
  // WaitForInputIdle for at most waitMilliseconds; the process and thread
  // handles are closed before it returns. True if the process started.
  virtual bool StartAndWaitForIdle(const std::string& application, const std::string& commandLine,
                                   std::uint32_t waitMilliseconds) = 0;
};

QM_DECLARE_SERVICE(IProcessLauncher);

}  // namespace qm::platform
