#include "platform/win32/Win32Shell.h"

#include <windows.h>
#include <shellapi.h>

namespace qm::platform {

std::intptr_t Win32Shell::Open(const std::string& file, const std::string& parameters) {
  HINSTANCE result = ::ShellExecuteA(nullptr, nullptr, file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<std::intptr_t>(result);
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
