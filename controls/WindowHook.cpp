#include "controls/WindowHook.h"

namespace qm::controls {
namespace {

struct HookState {
  HookHandler handler;
  void* owner;
  WNDPROC previous;
  bool unicode;      // the window's character set as the hook found it
  int depth = 0;     // how many of the window's messages the hook is inside
  bool removed = false;
  bool destroyed = false;
};

LRESULT CALLBACK HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

WNDPROC TopProcedure(HWND window, bool unicode) {
  return reinterpret_cast<WNDPROC>(unicode ? ::GetWindowLongPtrW(window, GWLP_WNDPROC)
                                           : ::GetWindowLongPtrA(window, GWLP_WNDPROC));
}

// The hook's state on window, where the hook's procedure is the window's own
// procedure now: only then is the user data known to be a hook's.
HookState* TopState(HWND window) {
  if (!window) return nullptr;
  if (TopProcedure(window, ::IsWindowUnicode(window) != FALSE) != HookProc) return nullptr;
  return reinterpret_cast<HookState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Once the hook is out of the window's messages: a removed hook gives the
// window its procedure back if nothing has been put in front of it since; a
// destroyed window's state goes.
void Settle(HWND window, HookState* state) {
  if (state->depth > 0) return;
  if (state->destroyed) {
    delete state;
    return;
  }
  if (!state->removed || TopProcedure(window, state->unicode) != HookProc) return;
  if (state->unicode)
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->previous));
  else
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->previous));
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  delete state;
}

LRESULT CALLBACK HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<HookState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!state) return ::DefWindowProcW(window, message, wParam, lParam);
  ++state->depth;
  LRESULT result = state->removed ? WindowHook::Next(window, message, wParam, lParam)
                                  : state->handler(state->owner, window, message, wParam, lParam);
  --state->depth;
  if (message == WM_NCDESTROY) {
    // The window is gone once this returns: its user data with it.
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    state->destroyed = true;
  }
  Settle(window, state);
  return result;
}

}  // namespace

bool WindowHook::Install(HWND window, HookHandler handler, void* owner) {
  if (!window || !handler || !::IsWindow(window)) return false;
  if (HookState* state = TopState(window)) {
    if (!state->removed && state->handler != handler) return false;
    state->handler = handler;
    state->owner = owner;
    state->removed = false;
    return true;
  }
  if (::GetWindowLongPtrW(window, GWLP_USERDATA) != 0) return false;
  bool unicode = ::IsWindowUnicode(window) != FALSE;
  auto* state = new HookState{handler, owner, nullptr, unicode};
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  LONG_PTR previous = unicode ? ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HookProc))
                              : ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HookProc));
  if (!previous) {
    // Not a window of this process.
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    delete state;
    return false;
  }
  state->previous = reinterpret_cast<WNDPROC>(previous);
  return true;
}

void WindowHook::Remove(HWND window, HookHandler handler) {
  if (!window || !::IsWindow(window)) return;
  // The window was hooked by handler: under a procedure put in front since,
  // its user data is still the hook's.
  auto* state = reinterpret_cast<HookState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!state || state->handler != handler || state->removed) return;
  state->removed = true;
  state->owner = nullptr;
  Settle(window, state);
}

void* WindowHook::OwnerOf(HWND window, HookHandler handler) {
  HookState* state = TopState(window);
  return state && !state->removed && state->handler == handler ? state->owner : nullptr;
}

LRESULT WindowHook::Next(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<HookState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!state || !state->previous) return ::DefWindowProcW(window, message, wParam, lParam);
  return state->unicode ? ::CallWindowProcW(state->previous, window, message, wParam, lParam)
                        : ::CallWindowProcA(state->previous, window, message, wParam, lParam);
}

}  // namespace qm::controls
