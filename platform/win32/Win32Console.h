#pragma once
// A console shows the bytes a program writes in its output code page, which
// is the OEM code page whatever the active code page is, and the C runtime
// converts what it writes to a console in text mode by a code page of its own.
// A console program that writes the engine's UTF-8 texts switches the console
// to UTF-8 for its own lifetime, and writes its standard output unconverted
// and in whole blocks (a character cut between two writes would not show).
// Output into a pipe or a file is left as it is.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace qm::win32 {

class ScopedUtf8ConsoleOutput {
 public:
  ScopedUtf8ConsoleOutput() {
    if (::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) != FILE_TYPE_CHAR) return;
    previous_ = ::GetConsoleOutputCP();
    if (previous_ == 0 || !::SetConsoleOutputCP(CP_UTF8)) {
      previous_ = 0;
      return;
    }
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stdout, nullptr, _IOFBF, 1 << 14);
  }
  ~ScopedUtf8ConsoleOutput() {
    if (previous_ == 0) return;
    std::fflush(stdout);
    ::SetConsoleOutputCP(previous_);
  }
  ScopedUtf8ConsoleOutput(const ScopedUtf8ConsoleOutput&) = delete;
  ScopedUtf8ConsoleOutput& operator=(const ScopedUtf8ConsoleOutput&) = delete;

 private:
  UINT previous_ = 0;  // 0: not a console, nothing changed
};

}  // namespace qm::win32
