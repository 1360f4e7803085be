#include "platform/win32/Win32ProcessLauncher.h"

#include <windows.h>

#include <vector>

#include "platform/win32/Handles.h"

namespace qm::platform {

bool Win32ProcessLauncher::StartAndWaitForIdle(const std::string& application, const std::string& commandLine,
                                               std::uint32_t waitMilliseconds) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION started{};
  // CreateProcessA may write into the command line, so it gets a copy of its own.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!::CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started))
    return false;
  win32::KernelObject process(started.hProcess);
  win32::KernelObject thread(started.hThread);
  // A program that never asks for input must not hold its caller for ever.
  ::WaitForInputIdle(process.Get(), waitMilliseconds);
  return true;
}

}  // namespace qm::platform
