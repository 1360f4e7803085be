// qmwindow: the main window over the real registry, in the set-up a command
// line would give the program:
//
//   qmwindow            the normal start: the entries where Windows reads them,
//                       modeless, shown, hides into the notification area;
//   qmwindow /cleanup   the same, left hidden with its tray icon; leaving takes
//                       the RunServices entries into the stored location;
//   qmwindow /startup   the log-on launch: the stored entries, modal, no tray.
//
// It takes and returns nothing by itself; only leaving a "/cleanup" run takes
// the services, through the program's own service take (which arms their
// return). Quillmoor.exe is the program; this is the window alone.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/core/MainIds.h"
#include "app/win32/WindowSession.h"
#include "engine/cycle/Cycle.h"
#include "engine/foundation/Log.h"
#include "platform/Identity.h"
#include "platform/win32/Handles.h"

namespace {

// The program's own service take, shared with Quillmoor.exe: once per cycle,
// marked by "Init Service", its return armed first.
void TakeServices() {
  qm::CRegistry registry;
  qm::CStartupEngineer startups;
  qm::CShortcutEngineer shortcuts;
  qm::CServiceEngineer services;
  qm::cycle::Cycle({registry, startups, shortcuts, services}, qm::CLog::GetProgramPathWith("")).TakeServices();
}

std::string CommandTail() {
  std::string tail;
  for (int i = 1; i < __argc; ++i) {
    if (i > 1) tail += ' ';
    tail += __argv[i];
  }
  return tail;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  qm::win32::ComApartment com;
  qm::CLog::SetApplicationNames(qm::identity::kApplicationName, qm::identity::kExecutableName);
  qm::CLog::Setup();

  const std::string tail = CommandTail();
  const bool launchAtLogOn = tail == "/startup";
  qm::app::MainWindowSetup setup;
  setup.inRegistry = launchAtLogOn ? 0 : 1;
  setup.trayMode = !launchAtLogOn;
  setup.takeServicesOnClose = tail == "/cleanup";
  int result = 0;
  {
    qm::app::WindowSession session(setup, TakeServices);
    if (launchAtLogOn) {
      result = session.Dialog().RunModal();
    } else if (session.Dialog().Create()) {
      // A normal start opens the window at once; "/cleanup" waits in the notification area.
      if (!setup.takeServicesOnClose) session.Logic().OnCommand(ID_TRAY_OPEN);
      result = session.Dialog().RunMessageLoop();
    }
  }
  return result;
}
