#pragma once
// What the main window needs from the program around it, on Win32: the help
// file through the shell, the dialog library's about box, and the service
// take the program hands in (it belongs to the program's start-up modes).
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "app/core/DialogRunner.h"

namespace qm::app {

class Win32MainWindowHost : public IMainWindowHost {
 public:
  explicit Win32MainWindowHost(std::function<void()> takeServices) : takeServices_(std::move(takeServices)) {}
  void TakeServices() override;
  std::intptr_t OpenMaximized(const std::string& file) override;
  void ShowAbout() override;

 private:
  std::function<void()> takeServices_;
};

}  // namespace qm::app
