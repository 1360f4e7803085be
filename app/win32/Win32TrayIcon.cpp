#include "app/win32/Win32TrayIcon.h"

#include <shellapi.h>

#include <cstring>

namespace qm::app {

void Win32TrayIcon::Attach(HWND window, HICON icon) {
  window_ = window;
  icon_ = icon;
}

void Win32TrayIcon::Add(const std::string& tip) {
  if (window_) rules_.Add(tip);
}

void Win32TrayIcon::Remove() {
  if (window_) rules_.Remove();
}

bool Win32TrayIcon::OnMessage(UINT message, WPARAM wParam) {
  // The shell tells every window when the taskbar is made anew (Explorer
  // restarted): icons it held are gone and must be added again.
  static const UINT taskbarCreated = ::RegisterWindowMessageA("TaskbarCreated");
  if (message == taskbarCreated && taskbarCreated != 0) {
    rules_.TaskbarCreated();
    return true;
  }
  if (message == kSyncMessage) {
    rules_.Sync();
    return true;
  }
  if (message == WM_TIMER && wParam == kRetryTimer) {
    ::KillTimer(window_, kRetryTimer);
    rules_.Sync();
    return true;
  }
  return false;
}

bool Win32TrayIcon::NotifyAdd(const std::string& tip) {
  if (!window_) return false;
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window_;
  data.uID = id_;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallbackMessage;
  data.hIcon = icon_;
  std::strncpy(data.szTip, tip.c_str(), sizeof(data.szTip) - 1);
  if (!::Shell_NotifyIconA(NIM_ADD, &data)) return false;
  // The version that reports the keyboard on the icon (NIN_KEYSELECT,
  // WM_CONTEXTMENU); the mouse's messages stay as they were.
  NOTIFYICONDATAA version{};
  version.cbSize = NOTIFYICONDATAA_V2_SIZE;
  version.hWnd = window_;
  version.uID = id_;
  version.uVersion = NOTIFYICON_VERSION;
  ::Shell_NotifyIconA(NIM_SETVERSION, &version);
  return true;
}

bool Win32TrayIcon::NotifyDelete() {
  if (!window_) return false;
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = window_;
  data.uID = id_;
  return ::Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

bool Win32TrayIcon::Anchor(POINT* point) const {
  // Shell_NotifyIconGetRect came with Windows 7; looked up, so that the
  // program still starts where the shell lacks it.
  using GetRect = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
  HMODULE shell = ::GetModuleHandleA("shell32.dll");
  auto getRect = shell ? reinterpret_cast<GetRect>(::GetProcAddress(shell, "Shell_NotifyIconGetRect")) : nullptr;
  NOTIFYICONIDENTIFIER icon{sizeof(icon), window_, id_, {}};
  RECT rect{};
  if (!window_ || !getRect || FAILED(getRect(&icon, &rect))) return false;
  *point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  return true;
}

bool Win32TrayIcon::PostSync() { return window_ && ::PostMessageA(window_, kSyncMessage, 0, 0) != FALSE; }

void Win32TrayIcon::SyncAfter(unsigned milliseconds) {
  if (window_) ::SetTimer(window_, kRetryTimer, milliseconds, nullptr);
}

}  // namespace qm::app
