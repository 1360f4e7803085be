// Away from Windows the library has no windows: ShowDialog needs a host that
// a test installs, and shortcuts are answered from the folders alone.
#include "dialogs/FolderShortcutQueries.h"

namespace qm::dialogs {

IShortcutQueries*& ShortcutQueriesSlot() {
  static IShortcutQueries* queries = new FolderShortcutQueries;
  return queries;
}

}  // namespace qm::dialogs
