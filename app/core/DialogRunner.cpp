#include "app/core/DialogRunner.h"

namespace qm::app {

int LibraryDialogRunner::Run(CServiceDialog& dialog) { return dialog.ShowDialog(); }
int LibraryDialogRunner::Run(CStartupDialog& dialog) { return dialog.ShowDialog(); }
int LibraryDialogRunner::Run(CShortcutDialog& dialog) { return dialog.ShowDialog(); }

}  // namespace qm::app
