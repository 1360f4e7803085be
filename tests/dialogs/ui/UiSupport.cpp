#include "tests/dialogs/ui/UiSupport.h"

#include <thread>
#include <vector>

namespace qm::test {
namespace {

// With no window manager on the test display, Wine draws the captions and
// frames itself only when told that nobody else will; without this the
// screenshots have no title bars. Read when the first window is made.
struct WineDrawsFrames {
  WineDrawsFrames() {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) == ERROR_SUCCESS) {
      ::RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
      ::RegCloseKey(key);
    }
  }
} wineDrawsFrames;

}  // namespace

HWND WaitForDialog(const std::string& caption) {
  for (int i = 0; i < 200; ++i) {
    HWND window = ::FindWindowA(MAKEINTATOM(32770), caption.c_str());
    if (window && ::IsWindowVisible(window)) {
      Settle(window);
      return window;
    }
    ::Sleep(50);
  }
  return nullptr;
}

namespace {
struct Wanted {
  DWORD process;
  const std::string& caption;
  int child;
  bool withChild;
  HWND window;
};
BOOL CALLBACK MatchWanted(HWND window, LPARAM param) {
  auto* w = reinterpret_cast<Wanted*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  // GetWindowText, not WM_GETTEXT: it reads another process's caption without
  // waiting on that process, which may hang or be killed at any moment.
  char title[256] = {};
  ::GetWindowTextA(window, title, sizeof(title));
  if (owner != w->process || w->caption != title) return TRUE;
  if ((::GetDlgItem(window, w->child) != nullptr) != w->withChild) return TRUE;
  w->window = window;
  return FALSE;
}
}  // namespace

HWND ProcessWindow(DWORD process, const std::string& caption, int child, bool withChild) {
  Wanted wanted{process, caption, child, withChild, nullptr};
  ::EnumWindows(&MatchWanted, reinterpret_cast<LPARAM>(&wanted));
  return wanted.window;
}

bool WaitUntilClosed(HWND window) {
  for (int i = 0; i < 200; ++i) {
    if (!::IsWindow(window)) return true;
    ::Sleep(50);
  }
  return false;
}

std::string TextOf(HWND window) {
  char text[1024] = {};
  ::SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

std::string MessageBoxText(HWND box) {
  HWND text = ::GetDlgItem(box, 0xFFFF);
  return text ? TextOf(text) : std::string();
}

namespace {

// A sent message overtakes everything posted, so a sent WM_NULL says only that
// the thread pumps. A marker posted behind the messages and seen leaving the
// queue says they were all handled; a second one covers what their handlers
// posted in turn. A fixed pause alone was too short on a loaded machine.
UINT SettleMarker() {
  static const UINT marker = ::RegisterWindowMessageA("Quill Moor test settle");
  return marker;
}

HANDLE SettledEvent() {
  static const HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  return event;
}

LRESULT CALLBACK WatchForMarker(int code, WPARAM removed, LPARAM message) {
  const MSG* msg = reinterpret_cast<const MSG*>(message);
  if (code == HC_ACTION && removed == PM_REMOVE && msg->message == SettleMarker()) ::SetEvent(SettledEvent());
  return ::CallNextHookEx(nullptr, code, removed, message);
}

}  // namespace

void Settle(HWND window) {
  DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  if (thread && thread != ::GetCurrentThreadId() && SettledEvent()) {
    HHOOK hook = ::SetWindowsHookExA(WH_GETMESSAGE, WatchForMarker, nullptr, thread);
    for (int round = 0; hook && round < 2; ++round) {
      ::ResetEvent(SettledEvent());
      if (!::PostMessageA(window, SettleMarker(), 0, 0)) break;
      ::WaitForSingleObject(SettledEvent(), 10000);
    }
    if (hook) ::UnhookWindowsHookEx(hook);
  }
  ::SendMessageA(window, WM_NULL, 0, 0);
  ::Sleep(250);
  ::SendMessageA(window, WM_NULL, 0, 0);
}

bool SaveScreenshot(HWND window, const std::string& name) {
  RECT rect;
  if (!::GetWindowRect(window, &rect)) return false;
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  ::SelectObject(memory, previous);

  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  DWORD stride = ((width * 3 + 3) / 4) * 4;
  std::vector<char> pixels(stride * height);
  BITMAPINFO info = {};
  info.bmiHeader = header;
  int lines = ::GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (lines != height) return false;

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::string path = std::string(QM_SCREENSHOT_DIR) + "/" + name + ".bmp";
  HANDLE out = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = ::WriteFile(out, &file, sizeof(file), &written, nullptr) &&
            ::WriteFile(out, &header, sizeof(header), &written, nullptr) &&
            ::WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
  ::CloseHandle(out);
  return ok;
}

Heard Hear(IAccessible* object, long child) {
  VARIANT id{};
  id.vt = VT_I4;
  id.lVal = child;
  auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*read)(VARIANT, BSTR*)) {
    BSTR got = nullptr;
    std::string out;
    if ((object->*read)(id, &got) == S_OK && got)
      for (const wchar_t* c = got; *c; ++c) out += static_cast<char>(*c);
    ::SysFreeString(got);
    return out;
  };
  Heard heard{text(&IAccessible::get_accName), text(&IAccessible::get_accDescription),
              text(&IAccessible::get_accKeyboardShortcut)};
  VARIANT value{};
  if (object->get_accRole(id, &value) == S_OK) heard.role = value.lVal;
  if (object->get_accState(id, &value) == S_OK) heard.state = value.lVal;
  return heard;
}

int WithDriver(const std::function<int()>& show, const std::function<void()>& drive) {
  std::thread driver(drive);
  int result = show();
  driver.join();
  return result;
}

}  // namespace qm::test
