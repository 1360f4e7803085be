// qmchurn: works the engine's log-on cycle over and over on the real registry
// and startup folders, to be killed at a random moment by a test. Each round
// takes every kind (StartWork), makes a few edits of taken entries (only the
// program or the target, between the two values ChurnEntries.h names) and
// gives everything back.
//   qmchurn <seed> [<event name>]
// The named event, if given, is set once the engine is ready, so that the
// killer's clock starts when the work does.
#include <windows.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/win32/Handles.h"
#include "tools/qmchurn/ChurnEntries.h"

namespace {

using namespace qm;
using churn::Kind;

void Edit(const churn::ChurnEntry& entry, const char* path) {
  switch (entry.kind) {
    case Kind::Run:
      CStartupEngineer().ModifyRunEntry(entry.name, entry.name, path, entry.argument, entry.isPublic, entry.isPublic,
                                        0);
      break;
    case Kind::Service:
      CServiceEngineer().ModifyRunServiceEntry(entry.name, entry.name, path, entry.argument, 0);
      break;
    case Kind::Shortcut:
      CShortcutEngineer().ModifyShcEntry(nullptr, entry.name, entry.name, path, entry.argument, entry.isPublic,
                                         entry.isPublic, 0);
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::mt19937 random(static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)));
  if (argc > 2) {
    qm::win32::KernelObject ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[2]));
    if (ready) SetEvent(ready.Get());
  }
  std::vector<const churn::ChurnEntry*> edited;
  for (const auto& entry : churn::kEntries)
    if (entry.edited) edited.push_back(&entry);
  for (;;) {
    CStartupEngineer().StartWork();
    CShortcutEngineer().StartWork();
    CServiceEngineer().StartWork();
    for (int edits = 1 + static_cast<int>(random() % 3); edits > 0; --edits) {
      const churn::ChurnEntry& entry = *edited[random() % edited.size()];
      Edit(entry, random() % 2 ? entry.pathA : entry.pathB);
    }
    CStartupEngineer().ReturnRunEntries();
    CShortcutEngineer().ReturnShcEntries();
    CServiceEngineer().ReturnRunServiceEntries();
  }
}
