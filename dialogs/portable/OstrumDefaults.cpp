// Away from Windows the library has no windows: ShowDialog needs a host that
// a test installs, and shortcuts are answered from the folders alone.
#include "dialogs/EntryDialog.h"
#include "dialogs/FolderShortcutQueries.h"

namespace qm::dialogs {

IEntryDialogHost* DefaultEntryDialogHost() { return nullptr; }

IShortcutQueries*& ShortcutQueriesSlot() {
  static IShortcutQueries* queries = new FolderShortcutQueries;
  return queries;
}

}  // namespace qm::dialogs
