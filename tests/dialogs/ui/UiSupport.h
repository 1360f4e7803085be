#pragma once
// Helpers of the window tests: find a window another thread opened, read and
// drive its controls, and keep a picture of it.
#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>

namespace qm::test {

// The top-level dialog window with this caption, waited for up to ten seconds; null if none came.
HWND WaitForDialog(const std::string& caption);
// A top-level window of another process with this caption, shown or not:
// one that holds the control `child` when withChild, one without it otherwise;
// null when there is none yet.
HWND ProcessWindow(DWORD process, const std::string& caption, int child, bool withChild);
// Waits until the window is gone; false after ten seconds.
bool WaitUntilClosed(HWND window);
std::string TextOf(HWND window);
// The text of a message box: its static text control.
std::string MessageBoxText(HWND box);
// Lets the window's thread finish its work and paint.
void Settle(HWND window);
// Saves the window as it is on the screen to <screenshots>/<name>.bmp; false on failure.
bool SaveScreenshot(HWND window, const std::string& name);

// What a screen reader hears of a window's client object or one of its children:
// name, description and access key (ASCII), role, state.
struct Heard {
  std::string name, description, shortcut;
  long role = 0, state = 0;
};
Heard Hear(IAccessible* object, long child = CHILDID_SELF);

// Runs show on this thread (it opens a modal window) while drive runs on a
// second thread; answers show's result once both are done.
int WithDriver(const std::function<int()>& show, const std::function<void()>& drive);

}  // namespace qm::test
