// The window of the three entry dialogs: it forwards its events to the
// EntryDialog logic and does what the logic asks.
#include <windows.h>
#include <commdlg.h>

#include <vector>

#include "dialogs/res/resource.h"
#include "dialogs/win32/Win32Views.h"
#include "engine/foundation/Guard.h"
#include "platform/Identity.h"

namespace qm::dialogs {
namespace {

int ControlId(Field field) {
  switch (field) {
    case Field::Name: return IDC_NAME;
    case Field::Path: return IDC_PATH;
    case Field::Argument: return IDC_ARGUMENT;
    case Field::Delay: return IDC_DELAY;
    default: return 0;
  }
}

Field FieldOf(HWND dialog, HWND control) {
  for (Field field : {Field::Name, Field::Path, Field::Argument, Field::Delay})
    if (control && control == ::GetDlgItem(dialog, ControlId(field))) return field;
  return Field::Other;
}

std::string WindowText(HWND window) {
  int length = ::GetWindowTextLengthA(window);
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  ::GetWindowTextA(window, text.data(), length + 1);
  return text.data();
}

class Win32EntryView : public IEntryDialogView {
 public:
  explicit Win32EntryView(EntryDialog& dialog) : dialog_(dialog) {}

  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded("Entry dialog", message, [&]() -> INT_PTR {
      if (message == WM_INITDIALOG) {
        auto* view = reinterpret_cast<Win32EntryView*>(lParam);
        ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        view->window_ = window;
        return view->OnInitDialog();
      }
      auto* view = reinterpret_cast<Win32EntryView*>(::GetWindowLongPtrA(window, DWLP_USER));
      if (view && message == WM_COMMAND) return view->OnCommand(LOWORD(wParam), HIWORD(wParam));
      return FALSE;
    }, INT_PTR{FALSE});
  }

  void SetCaption(const std::string& caption) override { ::SetWindowTextA(window_, caption.c_str()); }
  void SetFieldText(Field field, const std::string& text) override {
    ::SetDlgItemTextA(window_, ControlId(field), text.c_str());
  }
  std::string GetFieldText(Field field) const override {
    return WindowText(::GetDlgItem(window_, ControlId(field)));
  }
  void EnableOk(bool enabled) override { ::EnableWindow(::GetDlgItem(window_, IDC_OK), enabled); }
  bool IsOkEnabled() const override { return ::IsWindowEnabled(::GetDlgItem(window_, IDC_OK)) != FALSE; }
  void SetTypeIndex(int index) override { ::SendDlgItemMessageA(window_, IDC_TYPE, CB_SETCURSEL, index, 0); }
  int GetTypeIndex() const override {
    return static_cast<int>(::SendDlgItemMessageA(window_, IDC_TYPE, CB_GETCURSEL, 0, 0));
  }
  void FocusNameSelected() override {
    HWND name = ::GetDlgItem(window_, IDC_NAME);
    ::SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(name), TRUE);
    ::SendMessageA(name, EM_SETSEL, 0, -1);
    ::SendMessageA(name, EM_SCROLLCARET, 0, 0);
  }
  void ShowMessage(const std::string& text) override {
    ::MessageBoxA(window_, text.c_str(), identity::kApplicationName, MB_OK | MB_ICONEXCLAMATION);
  }
  bool BrowseForFile(const std::string& title, const std::string& filter, std::string* path) override {
    // The class library's filter list separates with '|'; the platform's with NULs.
    std::string filters = filter;
    for (char& c : filters)
      if (c == '|') c = '\0';
    std::vector<char> file(32768, '\0');
    OPENFILENAMEA open = {};
    open.lStructSize = sizeof(open);
    open.hwndOwner = window_;
    open.lpstrFilter = filters.c_str();
    open.nFilterIndex = 1;
    open.lpstrFile = file.data();
    open.nMaxFile = static_cast<DWORD>(file.size());
    open.lpstrTitle = title.c_str();
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!::GetOpenFileNameA(&open)) return false;
    *path = file.data();
    return true;
  }
  void ShowContextHelp(int helpMode) override { RunContextHelp(window_, helpMode); }
  void Close(bool accepted) override { ::EndDialog(window_, accepted ? 1 : 0); }

 private:
  BOOL OnInitDialog() {
    if (dialog_.Kind().HasType()) {
      // The Type list, in the order of its indexes.
      ::SendDlgItemMessageA(window_, IDC_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Private"));
      ::SendDlgItemMessageA(window_, IDC_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Public"));
    }
    dialog_.Attach(this);
    initialised_ = true;
    dialog_.OnInit();
    return FALSE;  // the logic has put the focus in Name
  }

  BOOL OnCommand(int id, int code) {
    if (!initialised_) return FALSE;
    switch (id) {
      case IDC_NAME:
      case IDC_PATH:
      case IDC_ARGUMENT:
        if (code == EN_CHANGE) dialog_.OnTextChanged(FieldOf(window_, ::GetDlgItem(window_, id)));
        return TRUE;
      case IDC_BROWSE:
        if (code == BN_CLICKED) dialog_.OnBrowse();
        return TRUE;
      case IDC_OK:
        if (code == BN_CLICKED) dialog_.OnOk();
        return TRUE;
      case IDC_HELP_BUTTON:
        if (code == BN_CLICKED) dialog_.OnHelp();
        return TRUE;
      case IDOK:  // Enter, when no button has the focus
        dialog_.OnEnter(FieldOf(window_, ::GetFocus()));
        return TRUE;
      case IDC_CANCEL:
      case IDCANCEL:  // Escape
        if (id == IDCANCEL || code == BN_CLICKED) dialog_.OnCancel();
        return TRUE;
    }
    return FALSE;
  }

  EntryDialog& dialog_;
  HWND window_ = nullptr;
  bool initialised_ = false;
};

}  // namespace

HINSTANCE OstrumModule() {
  HMODULE module = nullptr;
  ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OstrumModule), &module);
  return module;
}

int Win32EntryDialogHost::RunModal(EntryDialog& dialog) {
  Win32EntryView view(dialog);
  INT_PTR result = ::DialogBoxParamA(OstrumModule(), MAKEINTRESOURCEA(dialog.Kind().ResourceId()),
                                     ::GetActiveWindow(), &Win32EntryView::Proc, reinterpret_cast<LPARAM>(&view));
  dialog.Attach(nullptr);
  return result == 1 ? 1 : 0;
}

}  // namespace qm::dialogs
