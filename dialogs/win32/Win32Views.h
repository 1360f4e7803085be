#pragma once
// The Win32 side of the dialog library: the windows behind the logic classes.
#include <windows.h>

#include <string>

#include "dialogs/EntryDialog.h"

namespace qm::dialogs {

// The module the dialog templates and icons live in.
HINSTANCE OstrumModule();

// Runs the entry dialog's template modally, owned by the active window.
class Win32EntryDialogHost : public IEntryDialogHost {
 public:
  int RunModal(EntryDialog& dialog) override;
};

// Opens the context-help window modally over owner and waits until it is closed.
void RunContextHelp(HWND owner, int helpMode);

}  // namespace qm::dialogs
