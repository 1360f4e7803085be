// qmprobe: a program for the tests to start. It appends its whole command line,
// as Windows handed it over, as one line to "<its own path>.txt" and exits.
//
//   /idle N   afterwards waits for input (a message loop) for N milliseconds,
//             so that whoever started it sees it become ready for input;
//   /busy N   afterwards sleeps N milliseconds without ever asking for input,
//             as a program that never becomes ready;
//   /burn N   first keeps the processor busy until it has used N milliseconds
//             of processor time, then writes the time it used, as the system
//             counts it, in milliseconds to "<its own path>.cpu".
// A GUI program without windows, so that starting it never opens a console.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The number after a switch in the command line, or -1 if the switch is absent.
long SwitchValue(const char* commandLine, const char* name) {
  const char* found = std::strstr(commandLine, name);
  if (!found) return -1;
  return std::strtol(found + std::strlen(name), nullptr, 10);
}

void AppendLine(const char* commandLine) {
  char self[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  std::string file = std::string(self, length) + ".txt";
  HANDLE out = ::CreateFileA(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  std::string line = std::string(commandLine) + "\r\n";
  DWORD written = 0;
  ::WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ::CloseHandle(out);
}

void WaitForInput(long milliseconds) {
  UINT_PTR timer = ::SetTimer(nullptr, 0, static_cast<UINT>(milliseconds), nullptr);
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.wParam == timer) break;
    ::DispatchMessageA(&message);
  }
  ::KillTimer(nullptr, timer);
}

std::uint64_t ProcessorMilliseconds() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto value = [](const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return (value(kernel) + value(user)) / 10000;
}

void Burn(long milliseconds) {
  volatile std::uint64_t sum = 0;
  while (ProcessorMilliseconds() < static_cast<std::uint64_t>(milliseconds))
    for (int i = 0; i < 100000; ++i) sum = sum + i;
  char self[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  HANDLE out = ::CreateFileA((std::string(self, length) + ".cpu").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  std::string text = std::to_string(ProcessorMilliseconds());
  DWORD written = 0;
  ::WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  ::CloseHandle(out);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char* commandLine = ::GetCommandLineA();
  AppendLine(commandLine);
  long idle = SwitchValue(commandLine, "/idle ");
  long busy = SwitchValue(commandLine, "/busy ");
  long burn = SwitchValue(commandLine, "/burn ");
  if (burn > 0) Burn(burn);
  if (idle > 0) WaitForInput(idle);
  if (busy > 0) ::Sleep(static_cast<DWORD>(busy));
  return 0;
}
