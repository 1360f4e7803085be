#pragma once
// The program's message boxes: titled with the application's name, with the
// icon the logic chose.
#include <windows.h>

#include <string>

#include "app/core/MainView.h"

namespace qm::app {

// Shows text with the given buttons (MB_OK, MB_YESNO) over owner (null: no
// owner); answers the button pressed, as MessageBoxA does.
int ShowMessageBox(HWND owner, const std::string& text, UINT buttons, BoxIcon icon);

}  // namespace qm::app
