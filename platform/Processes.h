#pragma once
// Starting a program as a process of its own, and what a started process has
// cost so far.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Services.h"

namespace qm::platform {

// What a process has used since it was created, as the system counts it.
struct ProcessFigures {
  std::uint64_t cpuMicroseconds = 0;  // user and kernel time together
  std::uint64_t bytesRead = 0;
  std::uint64_t bytesWritten = 0;
  std::uint64_t peakWorkingSet = 0;  // bytes
  std::uint64_t ageMilliseconds = 0;  // from its creation to this reading (to its end once it ended)
  bool ended = false;
};

// What Idle answers.
enum class IdleState { Busy, Idle, NoWindow };

// A process that was started, or opened again by its id, held open for its
// figures for as long as this object lives.
class IStartedProcess {
 public:
  virtual ~IStartedProcess() = default;
  virtual std::uint32_t Id() const = 0;
  // When the process was created, in 100-nanosecond steps since 1601 (FILETIME):
  // with the id, what tells it from a later process that got the same id.
  virtual std::uint64_t CreationTime() const = 0;
  // False when the system would not give the figures.
  virtual bool Read(ProcessFigures* figures) = 0;
  // WaitForInputIdle for at most waitMilliseconds.
  virtual IdleState Idle(std::uint32_t waitMilliseconds) = 0;
};

class IProcessLauncher {
 public:
  virtual ~IProcessLauncher() = default;
  // CreateProcessA(application, commandLine, no inheritance,
  // CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, SW_SHOWNORMAL), then
  // WaitForInputIdle for at most waitMilliseconds; the process and thread
  // handles are closed before it returns. True if the process started.
  virtual bool StartAndWaitForIdle(const std::string& application, const std::string& commandLine,
                                   std::uint32_t waitMilliseconds) = 0;
  // The same, handing the process to *started (left empty where the platform
  // cannot hold it).
  virtual bool StartWatched(const std::string& application, const std::string& commandLine,
                            std::uint32_t waitMilliseconds, std::unique_ptr<IStartedProcess>* /*started*/) {
    return StartAndWaitForIdle(application, commandLine, waitMilliseconds);
  }
  // A running process by its id, when it is still the one created at
  // creationTime; null when it has ended, cannot be opened, or the id now
  // names another process.
  virtual std::unique_ptr<IStartedProcess> OpenRunning(std::uint32_t /*id*/, std::uint64_t /*creationTime*/) {
    return nullptr;
  }
};

QM_DECLARE_SERVICE(IProcessLauncher);

}  // namespace qm::platform
