#include "platform/win32/Win32MessageBox.h"

#include <windows.h>

#include "engine/foundation/Log.h"

namespace qm::platform {

void Win32MessageBox::ShowOk(const std::string& text) {
  std::string title = CLog::ApplicationName();
  ::MessageBoxA(::GetActiveWindow(), text.c_str(), title.c_str(), MB_OK);
}

}  // namespace qm::platform
