#include "app/win32/MainWindowHost.h"

#include <windows.h>
#include <shellapi.h>

#include "dialogs/AboutDialog.h"

namespace qm::app {

void Win32MainWindowHost::TakeServices() {
  if (takeServices_) takeServices_();
}

std::intptr_t Win32MainWindowHost::OpenMaximized(const std::string& file) {
  return reinterpret_cast<std::intptr_t>(
      ::ShellExecuteA(nullptr, nullptr, file.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED));
}

void Win32MainWindowHost::StandAside() {
  if (standAside_) standAside_();
}

void Win32MainWindowHost::ShowAbout() {
  CAboutDialog about;
  about.ShowDialog();
}

}  // namespace qm::app
