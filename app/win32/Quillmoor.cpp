// Quillmoor.exe: the program. It owns the registry gateway, the three engines
// and the themes for its whole life, hands them to its modes, and runs the
// message loop while a modeless main window exists.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/core/Modes.h"
#include "app/win32/ProgramWindows.h"
#include "platform/win32/Handles.h"

// commandLine is the tail after the program's name, the blanks before it left
// out; the modes compare it whole, trailing blanks included.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  qm::win32::ComApartment com;
  int result = 0;
  {
    qm::CRegistry registry;
    qm::CThemeManager themes;
    qm::CServiceEngineer services;
    qm::CStartupEngineer startups;
    qm::CShortcutEngineer shortcuts;
    qm::CTheme defaultTheme;
    qm::CTheme currentTheme;
    qm::app::Win32ProgramSystem system;
    qm::app::Modes* modes = nullptr;
    qm::app::Win32MainWindows windows({services, startups, shortcuts, themes, currentTheme, defaultTheme},
                                      [&modes] {
                                        if (modes) modes->TakeServices();
                                      },
                                      [&system] { system.ReleaseInstance(); });
    qm::app::Modes program({registry, startups, shortcuts, services, themes, currentTheme, defaultTheme, system,
                            windows});
    modes = &program;
    if (program.Start(commandLine ? commandLine : "")) result = windows.RunMessageLoop();
  }
  return result;
}
