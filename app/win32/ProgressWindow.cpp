#include "app/win32/ProgressWindow.h"

#include "app/res/resource.h"
#include "engine/foundation/Guard.h"

namespace qm::app {

std::unique_ptr<IProgressWindow> Win32ProgressWindow::Open(HINSTANCE module) {
  HWND window = ::CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr, &Win32ProgressWindow::Proc, 0);
  if (!window) return nullptr;
  return std::unique_ptr<IProgressWindow>(new Win32ProgressWindow(window));
}

INT_PTR CALLBACK Win32ProgressWindow::Proc(HWND, UINT message, WPARAM, LPARAM) {
  return Guarded("Progress window", message, [&] { return message == WM_INITDIALOG ? TRUE : FALSE; }, INT_PTR{FALSE});
}

void Win32ProgressWindow::SetText(const std::string& text) {
  ::SetDlgItemTextA(window_.Get(), IDC_PROGRESS_TEXT, text.c_str());
}

void Win32ProgressWindow::ShowAndPaint() {
  ::ShowWindow(window_.Get(), SW_SHOWNORMAL);
  // Nothing runs the message loop between two launches, so the window is
  // painted here, children included, or it would stay blank.
  ::RedrawWindow(window_.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  // What was drawn can still wait in a batch, or under Wine in the window's
  // surface, which reaches the screen only when the thread looks at its
  // messages: it looks now, taking none, or the window may stay blank
  // throughout when the starts follow each other quickly.
  ::GdiFlush();
  ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

}  // namespace qm::app
