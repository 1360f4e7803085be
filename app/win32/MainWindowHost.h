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
  Win32MainWindowHost(std::function<void()> takeServices, std::function<void()> standAside)
      : takeServices_(std::move(takeServices)), standAside_(std::move(standAside)) {}
  void TakeServices() override;
  std::intptr_t OpenMaximized(const std::string& file) override;
  void ShowAbout() override;
  void StandAside() override;

 private:
  std::function<void()> takeServices_;
  std::function<void()> standAside_;
};

}  // namespace qm::app
