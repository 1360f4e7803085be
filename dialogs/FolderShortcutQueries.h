#pragma once
// The shortcut questions answered from the startup folders themselves: a
// shortcut is present when its ".lnk" file is. Reading a shortcut's target
// needs the shell-link format, which only the Windows build of this class
// knows (Win32ShortcutQueries).
#include "dialogs/ShortcutQueries.h"

namespace qm::dialogs {

class OSTRUM_API FolderShortcutQueries : public IShortcutQueries {
 public:
  int GetShortcutInfo(const std::string& name, std::string* path, std::string* argument, int type,
                      int inRegistry) override;
  int IsShortcutPresent(RegKey root, const std::string& name) override;

  // The "Startup" (current user) or "Common Startup" (local machine) folder; empty if unknown.
  static std::string StartupFolder(RegKey root);
};

}  // namespace qm::dialogs
