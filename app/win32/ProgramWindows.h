#pragma once
// The program's Win32 side of its modes: the instance mutex, message boxes,
// restarting Windows, and the real main window made over the program's own
// engines and themes.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "app/core/Modes.h"
#include "app/win32/MainDialog.h"
#include "app/win32/MainWindowHost.h"
#include "platform/win32/Handles.h"

namespace qm::app {

class Win32ProgramSystem : public IProgramSystem {
 public:
  bool ClaimInstance() override;
  void ShowMessage(const std::string& text, BoxIcon icon) override;
  bool AskYesNo(const std::string& text, BoxIcon icon) override;
  bool RestartComputer() override;
  std::string ProgramFolder() override;
  bool RunOnceRuns() override;
  bool ElevatedAlone() override;
  bool StartKeeper(bool returnArmed) override;
  void AwaitPassEnd(const std::function<bool()>& passOver) override;
  void AwaitCleanup() override;
  void TellKeeper() override;
  // Lets go of the instance mutex: the program only watches its starts now.
  void ReleaseInstance() { mutex_.Reset(); }

 private:
  // Held until the window is gone, so that a second copy sees it.
  win32::KernelObject mutex_;
  // "/cleanup": set, and held as long as the program lives, so that a keeper
  // that opens it late still finds it set. The keeper: the same event, waited for.
  win32::KernelObject cleanupDone_;
  // The keeper: when it began waiting; 0 before.
  unsigned long long waitStarted_ = 0;
  // The keeper: a hidden window that hears the session end (the pass is
  // certainly over then), and whether it has.
  win32::WindowHandle keeperWindow_;
  bool sessionEnds_ = false;
  // The keeper: waits up to milliseconds for "/cleanup"'s word, answering
  // the messages sent meanwhile; true when the word came.
  bool WaitForWord(unsigned long milliseconds);
};

// What the main window works with besides its view, owned by the program.
struct ProgramWindowParts {
  const CServiceEngineer& services;
  const CStartupEngineer& startups;
  const CShortcutEngineer& shortcuts;
  CThemeManager& themes;
  CTheme& currentTheme;
  const CTheme& defaultTheme;
};

class Win32MainWindows : public IMainWindows {
 public:
  // takeServices is what leaving a "/cleanup" run does.
  Win32MainWindows(const ProgramWindowParts& parts, std::function<void()> takeServices,
                   std::function<void()> standAside);
  ~Win32MainWindows() override;

  void RunModal(const MainWindowSetup& setup) override;
  bool CreateModeless(const MainWindowSetup& setup) override;
  void OpenModeless() override;
  // The program's message loop while the modeless window exists.
  int RunMessageLoop();

 private:
  void Make(const MainWindowSetup& setup);

  ProgramWindowParts parts_;
  LibraryDialogRunner dialogs_;
  Win32MainWindowHost host_;
  std::unique_ptr<MainWindow> logic_;
  std::unique_ptr<MainDialog> dialog_;
};

}  // namespace qm::app
