// The context-help window that explains the Type list of the startup and
// shortcut dialogs. No buttons: the close box, Escape or Enter close it.
#include <windows.h>

#include "controls/ODControls.h"
#include "dialogs/ContextHelp.h"
#include "dialogs/res/resource.h"
#include "dialogs/win32/Win32Views.h"
#include "engine/foundation/Guard.h"

namespace qm::dialogs {
namespace {

struct HelpWindow {
  int helpMode;
  CODStatic privateLabel;
  CODStatic publicLabel;
};

INT_PTR HandleHelp(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* help = reinterpret_cast<HelpWindow*>(lParam);
      help->privateLabel.Attach(window, IDC_HELP_PRIVATE_LABEL);
      help->publicLabel.Attach(window, IDC_HELP_PUBLIC_LABEL);
      ContextHelpTexts texts = ContextHelpFor(help->helpMode);
      ::SetDlgItemTextA(window, IDC_HELP_PRIVATE_TEXT, texts.privateText.c_str());
      ::SetDlgItemTextA(window, IDC_HELP_PUBLIC_TEXT, texts.publicText.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(window, LOWORD(wParam));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK HelpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded("Context help", message, [&] { return HandleHelp(window, message, wParam, lParam); },
                 INT_PTR{FALSE});
}

}  // namespace

void RunContextHelp(HWND owner, int helpMode) {
  HelpWindow help{helpMode, {}, {}};
  ::DialogBoxParamA(OstrumModule(), MAKEINTRESOURCEA(IDD_CONTEXT_HELP), owner, HelpProc,
                    reinterpret_cast<LPARAM>(&help));
}

}  // namespace qm::dialogs
