#pragma once
// The shortcut dialog's questions answered by the shortcut engine itself, so
// that the dialog and the main window agree on what a shortcut is.
#include "dialogs/ShortcutQueries.h"

namespace qm::dialogs {

class OSTRUM_API EngineShortcutQueries : public IShortcutQueries {
 public:
  int GetShortcutInfo(const std::string& name, std::string* path, std::string* argument, int type,
                      int inRegistry) override;
};

}  // namespace qm::dialogs
