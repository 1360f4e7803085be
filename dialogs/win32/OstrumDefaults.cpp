// On Windows the dialogs are real windows.
#include "dialogs/EntryDialog.h"
#include "dialogs/win32/Win32Views.h"

namespace qm::dialogs {

IEntryDialogHost* DefaultEntryDialogHost() {
  static Win32EntryDialogHost host;
  return &host;
}

}  // namespace qm::dialogs
