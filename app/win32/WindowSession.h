#pragma once
// The main window with everything it works with (the three engines, the
// themes, the dialog library, the host), made the way a program makes it:
// the theme named by the "Theme" value is the current one. qmwindow and the
// window tests open the real window through it. The default theme has black
// colours and no background; the current theme starts as a copy of it.
#include <windows.h>

#include <functional>
#include <memory>

#include "app/core/MainWindow.h"
#include "app/win32/MainDialog.h"
#include "app/win32/MainWindowHost.h"

namespace qm::app {

class WindowSession {
 public:
  // takeServices runs where the program leaving a "/cleanup" run takes the RunServices entries.
  WindowSession(const MainWindowSetup& setup, std::function<void()> takeServices);
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  MainWindow& Logic() { return logic_; }
  MainDialog& Dialog() { return *dialog_; }
  const CTheme& CurrentTheme() const { return current_; }

 private:
  CServiceEngineer services_;
  CStartupEngineer startups_;
  CShortcutEngineer shortcuts_;
  CThemeManager themes_;
  CTheme current_;
  CTheme default_;
  LibraryDialogRunner dialogs_;
  Win32MainWindowHost host_;
  MainWindow logic_;
  std::unique_ptr<MainDialog> dialog_;
};

}  // namespace qm::app
