#include "app/win32/PathEdit.h"

#include <commctrl.h>

#include "engine/foundation/Guard.h"

namespace {
constexpr UINT_PTR kSubclassId = 0x514D5045;
}

CPathEdit::~CPathEdit() { Detach(); }

bool CPathEdit::Attach(HWND parent, int id) {
  HWND window = ::GetDlgItem(parent, id);
  if (!window || window_) return false;
  if (!::SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) return false;
  window_ = window;
  return true;
}

void CPathEdit::Detach() {
  if (!window_) return;
  ::RemoveWindowSubclass(window_, SubclassProc, kSubclassId);
  window_ = nullptr;
}

LRESULT CALLBACK CPathEdit::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR data) {
  return qm::Guarded("Path field", message,
                     [&] { return Handle(window, message, wParam, lParam, reinterpret_cast<CPathEdit*>(data)); },
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
  return ::DefSubclassProc(window, message, wParam, lParam);
}
