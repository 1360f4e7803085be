#pragma once
// The progress window of a launch: template 145, modeless, without a parent,
// naming each entry as it is started. Destroying the object destroys it.
#include <windows.h>

#include <memory>
#include <string>

#include "app/core/MainView.h"
#include "platform/win32/Handles.h"

namespace qm::app {

class Win32ProgressWindow : public IProgressWindow {
 public:
  // Makes the window from module's template; null when it cannot be made.
  static std::unique_ptr<IProgressWindow> Open(HINSTANCE module);

  void SetText(const std::string& text) override;
  void ShowAndPaint() override;

 private:
  explicit Win32ProgressWindow(HWND window) : window_(window) {}
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  win32::WindowHandle window_;
};

}  // namespace qm::app
