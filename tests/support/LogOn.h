#pragma once
// One log-on as the program works it: "/startup" takes every kind (Run
// entries, shortcuts, RunServices entries, in that order), "/cleanup" gives
// every kind back. The crash suite, the kill test and the benchmark run it.
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/shortcuts/ShortcutEngineer.h"

namespace qm::test {

inline void NextLogOn() {
  CStartupEngineer().StartWork();
  CShortcutEngineer().StartWork();
  CServiceEngineer().StartWork();
  CStartupEngineer().ReturnRunEntries();
  CShortcutEngineer().ReturnShcEntries();
  CServiceEngineer().ReturnRunServiceEntries();
}

}  // namespace qm::test
