#include "platform/win32/Win32MessageBox.h"

#include <windows.h>

#include "platform/Identity.h"

namespace qm::platform {

void Win32MessageBox::ShowOk(const std::string& text) {
  ::MessageBoxA(::GetActiveWindow(), text.c_str(), identity::kApplicationName, MB_OK);
}

}  // namespace qm::platform
