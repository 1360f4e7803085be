#pragma once
// The notification-area icon as a wanted state. Adding or removing it only
// records the wish and asks for a sync; the shell is told at the sync, once
// the window's thread is free again, so that a normal start (added during the
// window's initialisation, removed when it opens) makes no shell call at all:
// Wine's shell took about two seconds to answer that removal. An add the
// shell refuses (at log-on the taskbar may not be there yet) is tried again
// every half second, and a shell made anew gets the icon again: a hidden
// window with no icon could never be opened.
#include <string>

namespace qm::app {

// What the icon needs of the system; the window implements it.
class ITrayShell {
 public:
  virtual ~ITrayShell() = default;
  // Tells the shell to show the icon with its tip, or to drop it; false when
  // the shell refused.
  virtual bool NotifyAdd(const std::string& tip) = 0;
  virtual bool NotifyDelete() = 0;
  // Asks for TrayIcon::Sync once the window's thread is free again; false
  // when that cannot be asked.
  virtual bool PostSync() = 0;
  // Asks for TrayIcon::Sync after the given time.
  virtual void SyncAfter(unsigned milliseconds) = 0;
};

class TrayIcon {
 public:
  static constexpr unsigned kRetryMilliseconds = 500;

  explicit TrayIcon(ITrayShell& shell) : shell_(shell) {}
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // The wishes.
  void Add(const std::string& tip);
  void Remove();
  // Tells the shell what it lacks of the wish; a refused add asks to be tried again.
  void Sync();
  // The shell was made anew (Explorer restarted) and has lost every icon.
  void TaskbarCreated();
  // The window is going: an icon left behind would outlive the program.
  void WindowDestroyed();

  bool Shown() const { return shown_; }

 private:
  void AskForSync();

  ITrayShell& shell_;
  std::string tip_;
  bool wanted_ = false;
  bool shown_ = false;
  bool syncAsked_ = false;
};

}  // namespace qm::app
