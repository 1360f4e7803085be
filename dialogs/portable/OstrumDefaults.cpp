// Away from Windows the library has no windows: ShowDialog needs a host that
// a test installs.
#include "dialogs/EntryDialog.h"

namespace qm::dialogs {

IEntryDialogHost* DefaultEntryDialogHost() { return nullptr; }

}  // namespace qm::dialogs
