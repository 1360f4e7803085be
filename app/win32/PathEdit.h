#pragma once
// The main window's path field: an edit control that shows the selected
// entry's command line but takes no typing, no focus and no context menu, so
// that what it shows is always what the engine wrote.
#include <windows.h>

class CPathEdit {
 public:
  CPathEdit() = default;
  CPathEdit(const CPathEdit&) = delete;
  CPathEdit& operator=(const CPathEdit&) = delete;
  ~CPathEdit();

  // Subclasses the control id of parent; false if there is none or this object is bound already.
  bool Attach(HWND parent, int id);
  void Detach();
  HWND Window() const { return window_; }

 private:
  static LRESULT Hook(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, CPathEdit* field);
  HWND window_ = nullptr;
};
