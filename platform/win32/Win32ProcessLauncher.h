#pragma once
#include "platform/Processes.h"

namespace qm::platform {

class KELVRIN_API Win32ProcessLauncher : public IProcessLauncher {
 public:
  bool StartAndWaitForIdle(const std::string& application, const std::string& commandLine,
                           std::uint32_t waitMilliseconds) override;
};

}  // namespace qm::platform
