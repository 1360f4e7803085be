#pragma once
// The main window's notification-area icon on Win32: the shell's calls, the
// posted sync and the retry timer, under the wanted-state rules of TrayIcon.
#include <windows.h>

#include <string>

#include "app/core/TrayIcon.h"

namespace qm::app {

class Win32TrayIcon : private ITrayShell {
 public:
  // The message the icon reports with.
  static constexpr UINT kCallbackMessage = WM_APP + 100;
  // The sync the rules ask for, posted to the window.
  static constexpr UINT kSyncMessage = WM_APP + 101;
  // The timer of a refused add's next try.
  static constexpr UINT_PTR kRetryTimer = 1;

  explicit Win32TrayIcon(UINT iconId) : id_(iconId), rules_(*this) {}

  // The window the icon belongs to and the picture it shows; Attach(nullptr,
  // nullptr) once the window is gone.
  void Attach(HWND window, HICON icon);
  void Add(const std::string& tip);
  void Remove();
  // The window's messages that belong to the icon (the sync, the retry timer,
  // a taskbar made anew); true when message was one of them.
  bool OnMessage(UINT message, WPARAM wParam);
  // The window is being destroyed: a shown icon goes at once.
  void OnDestroy() { rules_.WindowDestroyed(); }
  // The middle of the icon on the screen, where a menu asked for from the
  // keyboard opens; false when the shell cannot say.
  bool Anchor(POINT* point) const;

 private:
  bool NotifyAdd(const std::string& tip) override;
  bool NotifyDelete() override;
  bool PostSync() override;
  void SyncAfter(unsigned milliseconds) override;

  UINT id_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;  // the window's own, which it owns
  TrayIcon rules_;
};

}  // namespace qm::app
