#include "dialogs/EngineShortcutQueries.h"

#include "engine/shortcuts/ShortcutEngineer.h"

namespace qm::dialogs {

int EngineShortcutQueries::GetShortcutInfo(const std::string& name, std::string* path, std::string* argument,
                                           int type, int inRegistry) {
  return CShortcutEngineer().GetShortcutInfo(name, path, argument, type, inRegistry);
}

IShortcutQueries*& ShortcutQueriesSlot() {
  static IShortcutQueries* queries = new EngineShortcutQueries;
  return queries;
}

}  // namespace qm::dialogs
