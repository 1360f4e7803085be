#include "dialogs/AboutDialog.h"

#include <windows.h>

#include "controls/ODControls.h"
#include "dialogs/res/resource.h"
#include "dialogs/win32/Win32Views.h"
#include "engine/foundation/Guard.h"

namespace qm {

const char* AboutWebPage() { return "http://www.tarnwick.example/quillmoor/"; }
const char* AboutSupportMail() { return "mailto:help@tarnwick.example"; }
const char* AboutCommentMail() { return "mailto:ideas@tarnwick.example"; }

namespace {

struct AboutWindow {
  CODStatic labels[6];
  CODWebLink links[3];
};

INT_PTR HandleAbout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* about = reinterpret_cast<AboutWindow*>(lParam);
      const int labelIds[] = {IDC_ABOUT_VERSION,   IDC_ABOUT_NOTICE1,       IDC_ABOUT_NOTICE2,
                              IDC_ABOUT_WEB_LABEL, IDC_ABOUT_SUPPORT_LABEL, IDC_ABOUT_COMMENT_LABEL};
      for (int i = 0; i < 6; ++i) about->labels[i].Attach(window, labelIds[i]);
      const int linkIds[] = {IDC_ABOUT_WEB_LINK, IDC_ABOUT_SUPPORT_LINK, IDC_ABOUT_COMMENT_LINK};
      const char* targets[] = {AboutWebPage(), AboutSupportMail(), AboutCommentMail()};
      for (int i = 0; i < 3; ++i) {
        about->links[i].Attach(window, linkIds[i]);
        about->links[i].SetLink(targets[i]);
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) {  // Escape and the close box
        ::EndDialog(window, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDOK) return TRUE;  // Enter does nothing here
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded("About box", message, [&] { return HandleAbout(window, message, wParam, lParam); }, INT_PTR{FALSE});
}

}  // namespace

int CAboutDialog::ShowDialog() const {
  AboutWindow about;
  ::DialogBoxParamA(dialogs::OstrumModule(), MAKEINTRESOURCEA(IDD_ABOUT), ::GetActiveWindow(), AboutProc,
                    reinterpret_cast<LPARAM>(&about));
  return 1;
}

}  // namespace qm
