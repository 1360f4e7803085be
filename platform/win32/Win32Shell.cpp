#include "platform/win32/Win32Shell.h"

#include <windows.h>
#include <shellapi.h>

#include <utility>

#include "platform/win32/Win32ProcessLauncher.h"

namespace qm::platform {

std::intptr_t Win32Shell::Open(const std::string& file, const std::string& parameters) {
  HINSTANCE result = ::ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<std::intptr_t>(result);
}

std::intptr_t Win32Shell::OpenWatched(const std::string& file, const std::string& parameters,
                                      std::unique_ptr<IStartedProcess>* started) {
  SHELLEXECUTEINFOA execute{};
  execute.cbSize = sizeof(execute);
  // The process handle is asked for, and taken over at once; the shell waits
  // for nothing the program does. A program that is gone is answered with an
  // error code, never with the shell's own message box: that would hold every
  // start after it until someone clicks it away.
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.lpFile = file.c_str();
  execute.lpParameters = parameters.c_str();
  execute.nShow = SW_SHOWNORMAL;
  BOOL done = ::ShellExecuteExA(&execute);
  std::unique_ptr<IStartedProcess> process = HoldStartedProcess(execute.hProcess);
  if (started) *started = std::move(process);
  if (!done) return reinterpret_cast<std::intptr_t>(execute.hInstApp) > 32 ? 0 : reinterpret_cast<std::intptr_t>(execute.hInstApp);
  return 42;
}

IconHandle Win32Shell::SmallIcon(const std::string& path) {
  SHFILEINFOA info{};
  if (!::SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON)) return 0;
  return reinterpret_cast<IconHandle>(info.hIcon);
}

void Win32Shell::DestroyIcon(IconHandle icon) {
  if (icon) ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

}  // namespace qm::platform
