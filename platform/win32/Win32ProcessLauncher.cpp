#include "platform/win32/Win32ProcessLauncher.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "platform/win32/Handles.h"

namespace qm::platform {
namespace {

std::uint64_t FromFileTime(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

class Win32StartedProcess : public IStartedProcess {
 public:
  explicit Win32StartedProcess(HANDLE process) : process_(process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (::GetProcessTimes(process_.Get(), &created, &exited, &kernel, &user)) creation_ = FromFileTime(created);
    id_ = ::GetProcessId(process_.Get());
  }

  std::uint32_t Id() const override { return id_; }
  std::uint64_t CreationTime() const override { return creation_; }

  bool Read(ProcessFigures* figures) override {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!::GetProcessTimes(process_.Get(), &created, &exited, &kernel, &user)) return false;
    ProcessFigures read;
    // Wine answers another process's times with the asking process's own; its
    // threads' times it answers truly. Each thread is held open, so that one
    // that ended still counts. Windows counts every thread in the process's
    // times, also those that came and went between two readings.
    const std::uint64_t threads = ThreadMicroseconds();
    read.cpuMicroseconds = UnderWine() ? threads : std::max((FromFileTime(kernel) + FromFileTime(user)) / 10, threads);
    read.ended = ::WaitForSingleObject(process_.Get(), 0) == WAIT_OBJECT_0;
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    std::uint64_t until = read.ended && FromFileTime(exited) ? FromFileTime(exited) : FromFileTime(now);
    std::uint64_t from = FromFileTime(created);
    read.ageMilliseconds = until > from ? (until - from) / 10000 : 0;
    IO_COUNTERS io{};
    if (::GetProcessIoCounters(process_.Get(), &io)) {
      read.bytesRead = io.ReadTransferCount;
      read.bytesWritten = io.WriteTransferCount;
    }
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (::GetProcessMemoryInfo(process_.Get(), &memory, sizeof(memory))) read.peakWorkingSet = memory.PeakWorkingSetSize;
    *figures = read;
    return true;
  }

  IdleState Idle(std::uint32_t waitMilliseconds) override {
    DWORD answer = ::WaitForInputIdle(process_.Get(), waitMilliseconds);
    if (answer == 0) return IdleState::Idle;
    if (answer == WAIT_TIMEOUT) return IdleState::Busy;
    return IdleState::NoWindow;  // a console program, or one that ended
  }

 private:
  std::uint64_t ThreadMicroseconds() {
    win32::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    if (snapshot)
      for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more; more = ::Thread32Next(snapshot.Get(), &entry))
        // A thread that could not be opened yet (just starting) is tried again at the next reading.
        if (entry.th32OwnerProcessID == id_ && !threads_[entry.th32ThreadID].first)
          threads_[entry.th32ThreadID].first.Reset(
              ::OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
    std::uint64_t sum = 0;
    for (auto& [id, thread] : threads_) {
      FILETIME created{}, exited{}, kernel{}, user{};
      if (thread.first && ::GetThreadTimes(thread.first.Get(), &created, &exited, &kernel, &user))
        thread.second = std::max(thread.second, (FromFileTime(kernel) + FromFileTime(user)) / 10);
      sum += thread.second;
    }
    return sum;
  }

  win32::KernelObject process_;
  // Every thread seen, with the most time it was found to have used.
  std::map<DWORD, std::pair<win32::KernelObject, std::uint64_t>> threads_;
  std::uint64_t creation_ = 0;
  std::uint32_t id_ = 0;
};

}  // namespace

std::unique_ptr<IStartedProcess> HoldStartedProcess(void* process) {
  if (!process) return nullptr;
  return std::make_unique<Win32StartedProcess>(static_cast<HANDLE>(process));
}

bool Win32ProcessLauncher::StartAndWaitForIdle(const std::string& application, const std::string& commandLine,
                                               std::uint32_t waitMilliseconds) {
  return StartWatched(application, commandLine, waitMilliseconds, nullptr);
}

bool Win32ProcessLauncher::StartWatched(const std::string& application, const std::string& commandLine,
                                        std::uint32_t waitMilliseconds, std::unique_ptr<IStartedProcess>* started) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION created{};
  // CreateProcessA may write into the command line, so it gets a copy of its own.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!::CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &created))
    return false;
  win32::KernelObject process(created.hProcess);
  win32::KernelObject thread(created.hThread);
  // A program that never asks for input must not hold its caller for ever.
  ::WaitForInputIdle(process.Get(), waitMilliseconds);
  if (started) *started = HoldStartedProcess(process.Release());
  return true;
}

std::unique_ptr<IStartedProcess> Win32ProcessLauncher::OpenRunning(std::uint32_t id, std::uint64_t creationTime) {
  HANDLE opened = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, id);
  if (!opened) opened = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id);
  std::unique_ptr<IStartedProcess> process = HoldStartedProcess(opened);
  // The id may have gone to a process created later.
  if (process && process->CreationTime() != creationTime) return nullptr;
  return process;
}

}  // namespace qm::platform
