// On Windows the dialogs are real windows, and shortcuts are read through the
// shell's link object.
#include "dialogs/EntryDialog.h"
#include "dialogs/win32/Win32Views.h"

namespace qm::dialogs {

IEntryDialogHost* DefaultEntryDialogHost() {
  static Win32EntryDialogHost host;
  return &host;
}

IShortcutQueries*& ShortcutQueriesSlot() {
  static IShortcutQueries* queries = new Win32ShortcutQueries;
  return queries;
}

}  // namespace qm::dialogs
