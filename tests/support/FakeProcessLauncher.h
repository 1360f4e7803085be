#pragma once
// A process launcher that starts nothing: it records each request and answers
// whether the "process" started as the test says.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Processes.h"

namespace qm::test {

class FakeProcessLauncher : public platform::IProcessLauncher {
 public:
  struct Started {
    std::string application;
    std::string commandLine;
    std::uint32_t waitMilliseconds = 0;
  };

  bool startResult = true;
  std::vector<Started> started;

  bool StartAndWaitForIdle(const std::string& application, const std::string& commandLine,
                           std::uint32_t waitMilliseconds) override {
    started.push_back({application, commandLine, waitMilliseconds});
    return startResult;
  }
};

}  // namespace qm::test
