#pragma once
// How the main window runs the entry dialogs and reaches the program around it.
// Both are handed to the window by constructor, so that tests can answer in
// place of a user and of the program.
#include <cstdint>
#include <string>

#include "dialogs/ServiceDialog.h"
#include "dialogs/ShortcutDialog.h"
#include "dialogs/StartupDialog.h"

namespace qm::app {

// Runs a filled-in dialog; answers what its ShowDialog answers (1 = OK).
class IDialogRunner {
 public:
  virtual ~IDialogRunner() = default;
  virtual int Run(CServiceDialog& dialog) = 0;
  virtual int Run(CStartupDialog& dialog) = 0;
  virtual int Run(CShortcutDialog& dialog) = 0;
};

// The dialog library's own windows.
class LibraryDialogRunner : public IDialogRunner {
 public:
  int Run(CServiceDialog& dialog) override;
  int Run(CStartupDialog& dialog) override;
  int Run(CShortcutDialog& dialog) override;
};

// What the window needs from the program that made it.
class IMainWindowHost {
 public:
  virtual ~IMainWindowHost() = default;
  // Takes the RunServices entries into the stored location, as the program
  // does when it leaves a "/cleanup" run.
  virtual void TakeServices() = 0;
  // Opens a file with its handler, maximised; answers the shell's instance
  // value (above 32 is success).
  virtual std::intptr_t OpenMaximized(const std::string& file) = 0;
  virtual void ShowAbout() = 0;
  // The window is gone and the program only watches the starts it made: a
  // second copy may start, and qmctl change entries, from now on.
  virtual void StandAside() = 0;
};

}  // namespace qm::app
