// qmctl.exe: the console tool's Windows program. It holds the program's
// single-instance mutex while it changes entries, and shows names in any
// script on the console; everything else is the portable core's.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include <iostream>
#include <string>
#include <vector>

#include "admin/core/ProgramCycle.h"
#include "admin/core/Qmctl.h"
#include "engine/foundation/Log.h"
#include "platform/Identity.h"
#include "platform/win32/Win32Console.h"

namespace {

// The named mutex that the program creates at its start. Held
// from Acquire to the end of the process, so the program cannot start a
// cycle while qmctl is changing entries either.
class ProgramMutex : public qm::admin::IInstanceGuard {
 public:
  ~ProgramMutex() override {
    if (handle_) ::CloseHandle(handle_);
  }
  bool Acquire() override {
    if (handle_) return true;
    handle_ = ::CreateMutexA(nullptr, FALSE, qm::identity::kInstanceMutex);
    if (handle_ && ::GetLastError() == ERROR_ALREADY_EXISTS) {
      ::CloseHandle(handle_);
      handle_ = nullptr;
      return false;
    }
    // No handle at all is what the program meets too and goes on with.
    return true;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  qm::win32::ScopedUtf8ConsoleOutput console;
  // The bytes the commands write, also into a pipe or a file: a CSV keeps its
  // CR LF line ends rather than getting a second CR from the C runtime.
  _setmode(_fileno(stdout), _O_BINARY);
  // The engines log into the program's log file, beside qmctl.exe.
  qm::CLog::SetApplicationNames(qm::identity::kApplicationName, qm::identity::kExecutableName);
  qm::CLog::Setup();
  std::vector<std::string> arguments(argv + 1, argv + argc);
  ProgramMutex mutex;
  qm::admin::ProgramCycle cycle;
  int code = qm::admin::Run(arguments, mutex, cycle.Operations(), std::cout, std::cerr);
  std::cout.flush();
  return code;
}
