#pragma once
// A procedure put in front of a window's own, as comctl32's SetWindowSubclass
// does, but found again at each message without asking anyone: comctl32 keeps
// its subclasses in a window property, and Wine fetches a property from its
// server at every message (two round trips a message, more than a busy tree
// costs in all). A hook keeps its state in the window's GWLP_USERDATA instead,
// which the system reads in the process; a window whose user data is already
// taken cannot be hooked.
//
// The state belongs to the window, not to the hook's owner: Remove forgets the
// handler and gives the window its own procedure back where nothing has been
// put in front since (and once the hook's procedure has returned, if Remove is
// called from inside it); otherwise the state goes on passing the messages
// through until the window is destroyed.
#include <windows.h>

namespace qm::controls {

// One message for a hook: its owner (as given to Install) and the message. The
// handler passes what it does not answer on with Next.
using HookHandler = LRESULT (*)(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class WindowHook {
 public:
  // Puts handler in front of window's procedure, for owner. Hooking a window
  // again with the same handler only changes its owner; false when the window
  // carries other user data or another hook, or is not of this process.
  static bool Install(HWND window, HookHandler handler, void* owner);
  // Takes handler's hook off a window that handler hooked; nothing when it is off already.
  static void Remove(HWND window, HookHandler handler);
  // The owner of window's hook by handler; nullptr when it has none.
  static void* OwnerOf(HWND window, HookHandler handler);
  // Passes a message on to the procedure the hook was put in front of, in the
  // window's own character set; for a window without a hook, to the default.
  static LRESULT Next(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace qm::controls
