#include "app/core/TrayIcon.h"

namespace qm::app {

void TrayIcon::Add(const std::string& tip) {
  tip_ = tip;
  wanted_ = true;
  AskForSync();
}

void TrayIcon::Remove() {
  wanted_ = false;
  AskForSync();
}

// One sync on its way is enough for any number of wishes; a window that
// cannot ask for one is synced at once rather than never.
void TrayIcon::AskForSync() {
  if (!syncAsked_) syncAsked_ = shell_.PostSync();
  if (!syncAsked_) Sync();
}

void TrayIcon::Sync() {
  syncAsked_ = false;
  if (wanted_ == shown_) return;
  if (wanted_ ? shell_.NotifyAdd(tip_) : shell_.NotifyDelete())
    shown_ = wanted_;
  else if (wanted_)
    shell_.SyncAfter(kRetryMilliseconds);
}

void TrayIcon::TaskbarCreated() {
  shown_ = false;
  Sync();
}

void TrayIcon::WindowDestroyed() {
  wanted_ = false;
  Sync();
}

}  // namespace qm::app
