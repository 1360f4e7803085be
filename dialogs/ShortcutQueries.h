#pragma once
// The question the shortcut dialog asks about a shortcut. It belongs to
// the shortcut engine; the dialog library reaches it through this interface
// so that the engine can answer it, and tests can
// answer it directly.
#include <string>

#include "dialogs/OstrumApi.h"
#include "engine/foundation/Registry.h"

namespace qm::dialogs {

class IShortcutQueries {
 public:
  virtual ~IShortcutQueries() = default;
  // Fills path and argument of the shortcut named name: from the per-user
  // (type 0) or all-users folder when inRegistry is 1, else from its copy in
  // the stored location. 1 when it found and read the shortcut.
  virtual int GetShortcutInfo(const std::string& name, std::string* path, std::string* argument, int type,
                              int inRegistry) = 0;
};

// The answers the shortcut dialog uses; the library's own on Windows.
OSTRUM_API IShortcutQueries*& ShortcutQueriesSlot();

}  // namespace qm::dialogs
