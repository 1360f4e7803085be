#include "app/win32/MessageBoxes.h"

#include "platform/Identity.h"

namespace qm::app {

int ShowMessageBox(HWND owner, const std::string& text, UINT buttons, BoxIcon icon) {
  UINT flags = 0;
  switch (icon) {
    case BoxIcon::Information: flags = MB_ICONINFORMATION; break;
    case BoxIcon::Question: flags = MB_ICONQUESTION; break;
    case BoxIcon::Exclamation: flags = MB_ICONEXCLAMATION; break;
    case BoxIcon::None: break;
  }
  return ::MessageBoxA(owner, text.c_str(), identity::kApplicationName, buttons | flags);
}

}  // namespace qm::app
