#include "platform/win32/Win32SystemInfo.h"

#include <windows.h>

namespace qm::platform {

std::string Win32SystemInfo::ModuleFileName() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  // A path that did not fit comes back cut short; better no path than a wrong one.
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(path, length);
}

std::string Win32SystemInfo::SystemDirectory() {
  char path[MAX_PATH] = {};
  UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
  return (length == 0 || length >= MAX_PATH) ? std::string() : std::string(path, length);
}

std::string Win32SystemInfo::WindowsDirectory() {
  char path[MAX_PATH] = {};
  UINT length = ::GetWindowsDirectoryA(path, MAX_PATH);
  return (length == 0 || length >= MAX_PATH) ? std::string() : std::string(path, length);
}

bool Win32SystemInfo::Version(OsVersion& out) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!::GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
  out.major = info.dwMajorVersion;
  out.minor = info.dwMinorVersion;
  out.build = info.dwBuildNumber;
  out.platformId = info.dwPlatformId;
  out.servicePack = std::string(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof(info.szCSDVersion)));
  return true;
}

LocalTime Win32SystemInfo::Now() {
  SYSTEMTIME time{};
  ::GetLocalTime(&time);
  return LocalTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

std::string Win32SystemInfo::TempDirectory() {
  char path[MAX_PATH + 1] = {};
  DWORD length = ::GetTempPathA(sizeof(path), path);
  // A path that did not fit comes back as the size it needs: no path then.
  if (length == 0 || length >= sizeof(path)) return {};
  while (length > 0 && path[length - 1] == '\\') --length;
  return std::string(path, length);
}

}  // namespace qm::platform
