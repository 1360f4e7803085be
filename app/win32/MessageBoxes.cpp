#include "app/win32/MessageBoxes.h"

#include "engine/foundation/Log.h"

namespace qm::app {

int ShowMessageBox(HWND owner, const std::string& text, UINT buttons, BoxIcon icon) {
  UINT flags = 0;
  switch (icon) {
    case BoxIcon::Information: flags = MB_ICONINFORMATION; break;
    case BoxIcon::Question: flags = MB_ICONQUESTION; break;
    case BoxIcon::Exclamation: flags = MB_ICONEXCLAMATION; break;
    case BoxIcon::None: break;
  }
  std::string title = CLog::ApplicationName();
  return ::MessageBoxA(owner, text.c_str(), title.c_str(), buttons | flags);
}

}  // namespace qm::app
