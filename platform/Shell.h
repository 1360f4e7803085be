#pragma once
// The shell as the engines use it: open a file with parameters, and a file's
// small icon.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Processes.h"
#include "platform/Services.h"

namespace qm::platform {

// An icon handle (HICON on Windows); 0 is none. Whoever receives one from
// SmallIcon owns it and gives it back with DestroyIcon.
using IconHandle = std::uintptr_t;

class IShell {
 public:
  virtual ~IShell() = default;
  // ShellExecuteA(no owner, default verb, file, parameters, no working folder,
  // SW_SHOWNORMAL). Answers the shell's instance value: above 32 is success.
  // Never waits for the program.
  virtual std::intptr_t Open(const std::string& file, const std::string& parameters) = 0;
  // The same, handing the process the shell started to *started; left empty
  // where none was started or the platform cannot hold it.
  virtual std::intptr_t OpenWatched(const std::string& file, const std::string& parameters,
                             std::unique_ptr<IStartedProcess>* /*started*/) {
    return Open(file, parameters);
  }
  // SHGetFileInfoA(path, 0, SHGFI_ICON | SHGFI_SMALLICON); 0 if the shell has none.
  virtual IconHandle SmallIcon(const std::string& path) = 0;
  virtual void DestroyIcon(IconHandle icon) = 0;
};

QM_DECLARE_SERVICE(IShell);

}  // namespace qm::platform
