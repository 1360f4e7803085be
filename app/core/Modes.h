#pragma once
// The program's start: one copy only, the log, and exactly one mode chosen by
// the command-line tail. Portable: what is bound to the system (the instance
// mutex, message boxes, restarting Windows, the program's folder, the real
// main window) comes through the two interfaces below, so that every mode runs
// on Linux over the in-memory registry.
#include <functional>
#include <string>

#include "app/core/MainView.h"
#include "app/core/MainWindow.h"
#include "engine/cycle/Cycle.h"
#include "engine/themes/Theme.h"
#include "engine/themes/ThemeManager.h"

namespace qm::app {

class IProgramSystem {
 public:
  virtual ~IProgramSystem() = default;
  // Takes the named instance mutex; false when another copy already holds it.
  virtual bool ClaimInstance() = 0;
  // Message boxes titled with the application's name: OK only, and Yes/No (true for Yes).
  virtual void ShowMessage(const std::string& text, BoxIcon icon) = 0;
  virtual bool AskYesNo(const std::string& text, BoxIcon icon) = 0;
  // Restarts the computer; false when the system refused.
  virtual bool RestartComputer() = 0;
  // The running program's folder, without a trailing backslash.
  virtual std::string ProgramFolder() = 0;
  // Whether Windows runs RunOnce values for this account: for every
  // administrator, for no standard user.
  virtual bool RunOnceRuns() = 0;
  // Whether this start runs elevated under User Account Control: the starts
  // that follow it from HKCU RunOnce will have the user's filtered rights.
  virtual bool ElevatedAlone() = 0;

  // The keeper: a windowless copy of the program ("/keep") with this
  // process's rights; false when it could not be started. returnArmed: the
  // user's "/cleanup" value stands, so that its going tells the keeper that
  // Windows' pass is over.
  virtual bool StartKeeper(bool returnArmed) = 0;
  // In the keeper: returns once Windows' start-up pass is over (passOver
  // answers true, asked now and then; or "/cleanup" has told it), or after
  // long enough that it must be.
  virtual void AwaitPassEnd(const std::function<bool()>& passOver) = 0;
  // In the keeper: returns once "/cleanup" has told it that it has given back
  // what it could, or after the same long wait.
  virtual void AwaitCleanup() = 0;
  // In "/cleanup", after its return: tells the keeper.
  virtual void TellKeeper() = 0;
};

// The main window as the modes make it.
class IMainWindows {
 public:
  virtual ~IMainWindows() = default;
  // Runs the window modally until it closes.
  virtual void RunModal(const MainWindowSetup& setup) = 0;
  // Makes the window modeless and hidden (its tray icon added); false when it
  // could not be made. It then lives until the program ends.
  virtual bool CreateModeless(const MainWindowSetup& setup) = 0;
  // Shows the modeless window as the tray's open does (the tray icon goes).
  virtual void OpenModeless() = 0;
};

struct ModesParts {
  CRegistry& registry;
  const CStartupEngineer& startups;
  const CShortcutEngineer& shortcuts;
  const CServiceEngineer& services;
  CThemeManager& themes;
  CTheme& currentTheme;
  CTheme& defaultTheme;
  IProgramSystem& system;
  IMainWindows& windows;
};

class Modes {
 public:
  // Gives the default theme black colours and makes the current one its copy.
  explicit Modes(const ModesParts& parts);
  Modes(const Modes&) = delete;
  Modes& operator=(const Modes&) = delete;

  // The start-up hook: true when the program goes on with its message loop
  // (a modeless main window exists), false when it ends.
  bool Start(const std::string& commandLine);

  // The service take; the window runs it when a "/cleanup" run ends.
  void TakeServices();

 private:
  bool Dispatch(const std::string& commandLine);
  void RestoreWithReport();
  void StartupLaunch();
  void Keep(bool returnArmed);
  bool Cleanup();
  void Repair();
  bool NormalStart();
  void PrepareKeys();
  void SetUpTheme();
  // Says once why the choice at log-on is not, or not wholly, available to this start.
  void TellRights(bool machine);
  void AskRestart();

  ModesParts parts_;
  cycle::Cycle cycle_;
};

}  // namespace qm::app
