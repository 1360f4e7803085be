#include "app/win32/PathEdit.h"

#include "controls/WindowHook.h"
#include "engine/foundation/Guard.h"

using qm::controls::WindowHook;

CPathEdit::~CPathEdit() { Detach(); }

bool CPathEdit::Attach(HWND parent, int id) {
  HWND window = ::GetDlgItem(parent, id);
  if (!window || window_) return false;
  if (!WindowHook::Install(window, Hook, this)) return false;
  window_ = window;
  return true;
}

void CPathEdit::Detach() {
  if (!window_) return;
  WindowHook::Remove(window_, Hook);
  window_ = nullptr;
}

LRESULT CPathEdit::Hook(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return qm::Guarded("Path field", message,
                     [&] { return Handle(window, message, wParam, lParam, static_cast<CPathEdit*>(owner)); },
                     LRESULT{0});
}

LRESULT CPathEdit::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, CPathEdit* field) {
  switch (message) {
    case WM_CHAR:
    case WM_SETFOCUS:
    case WM_RBUTTONDOWN:
      return 0;
    // Typing is not the only way to change an edit's text: the Delete key and
    // the clipboard commands would too, and the field must keep what the
    // engine wrote.
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_DELETE) return 0;
      break;
    case WM_NCDESTROY:
      field->Detach();
      break;
  }
  return WindowHook::Next(window, message, wParam, lParam);
}
