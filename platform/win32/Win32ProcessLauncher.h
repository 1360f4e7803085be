#pragma once
#include <memory>

#include "platform/Processes.h"

namespace qm::platform {

class KELVRIN_API Win32ProcessLauncher : public IProcessLauncher {
 public:
  bool StartAndWaitForIdle(const std::string& application, const std::string& commandLine,
                           std::uint32_t waitMilliseconds) override;
  bool StartWatched(const std::string& application, const std::string& commandLine, std::uint32_t waitMilliseconds,
                    std::unique_ptr<IStartedProcess>* started) override;
  std::unique_ptr<IStartedProcess> OpenRunning(std::uint32_t id, std::uint64_t creationTime) override;
};

// Takes over an open process handle (a HANDLE) for its figures; null for none.
std::unique_ptr<IStartedProcess> HoldStartedProcess(void* process);

}  // namespace qm::platform
