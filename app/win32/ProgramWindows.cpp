#include "app/win32/ProgramWindows.h"

#include <utility>

#include "app/core/MainIds.h"
#include "app/win32/MessageBoxes.h"
#include "engine/foundation/Guard.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "platform/Identity.h"

namespace qm::app {
namespace {

// Restarting needs the shutdown privilege, which a process holds but has not enabled.
void EnableShutdownPrivilege() {
  win32::KernelObject token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Put())) return;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (::LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
    ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

}  // namespace

bool Win32ProgramSystem::ClaimInstance() {
  mutex_.Reset(::CreateMutexA(nullptr, FALSE, identity::kInstanceMutex));
  // No mutex at all is no reason not to start.
  return !(mutex_ && ::GetLastError() == ERROR_ALREADY_EXISTS);
}

void Win32ProgramSystem::ShowMessage(const std::string& text, BoxIcon icon) {
  ShowMessageBox(nullptr, text, MB_OK, icon);
}

bool Win32ProgramSystem::AskYesNo(const std::string& text, BoxIcon icon) {
  return ShowMessageBox(nullptr, text, MB_YESNO, icon) == IDYES;
}

bool Win32ProgramSystem::RestartComputer() {
  EnableShutdownPrivilege();
  return ::ExitWindowsEx(EWX_REBOOT, 0) != 0;
}

std::string Win32ProgramSystem::ProgramFolder() { return CLog::GetProgramPathWith(""); }

namespace {

// The process's token's elevation type; TokenElevationTypeDefault where it cannot be read.
TOKEN_ELEVATION_TYPE ElevationType() {
  HANDLE opened = nullptr;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return type;
  win32::KernelObject token(opened);
  DWORD size = 0;
  if (!::GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof(type), &size))
    type = TokenElevationTypeDefault;
  return type;
}

// Whether User Account Control is on: a full token alone does not say so (Wine
// gives one to every process, and every process there writes everywhere).
bool AccountControlOn() {
  std::uint32_t on = 0;
  return CRegistry().GetValue(HKeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                              "EnableLUA", &on) &&
         on != 0;
}

}  // namespace

bool Win32ProgramSystem::ElevatedAlone() { return ElevationType() == TokenElevationTypeFull && AccountControlOn(); }

bool Win32ProgramSystem::RunOnceRuns() {
  // Windows runs RunOnce values for an administrator, filtered or not, and
  // for no standard user. A split token belongs to an administrator.
  if (ElevationType() != TokenElevationTypeDefault) return true;
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof(sid);
  BOOL member = FALSE;
  // Not to be found out: the cycle goes on as it always did.
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &sidSize) ||
      !::CheckTokenMembership(nullptr, sid, &member))
    return true;
  return member != FALSE;
}

bool Win32ProgramSystem::StartKeeper(bool returnArmed) {
  // A "/cleanup" of an earlier log-on of this session may still hold its word
  // set: it is taken back here, before this log-on's "/cleanup" can set it
  // (the keeper itself may start only after that).
  win32::KernelObject word(::CreateEventA(nullptr, TRUE, FALSE, identity::kCleanupDoneEvent));
  if (word) ::ResetEvent(word.Get());
  win32::KernelObject ready(::CreateEventA(nullptr, TRUE, FALSE, identity::kKeeperReadyEvent));
  if (ready) ::ResetEvent(ready.Get());
  std::string line = cycle::RunOnceCommand(ProgramFolder(), returnArmed ? "/keep" : "/keep unarmed");
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started = {};
  if (!ready ||
      !::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    CLog::Error("Unable to start the keeper: error " + std::to_string(::GetLastError()));
    return false;
  }
  win32::KernelObject process(started.hProcess), thread(started.hThread);
  // Nothing is taken before the keeper listens: a session that ended before
  // it made its window would end it without a word.
  HANDLE either[] = {ready.Get(), process.Get()};
  if (::WaitForMultipleObjects(2, either, FALSE, 30000) == WAIT_OBJECT_0) return true;
  CLog::Error("The keeper did not start listening");
  return false;
}

namespace {

// Long enough after a log-on that Windows' start-up pass is over, whatever ran in it.
constexpr unsigned long long kLongestPass = 10ull * 60 * 1000;

// The keeper's hidden window: the session's end is the pass's end too.
LRESULT CALLBACK KeeperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded("Keeper window", message, [&]() -> LRESULT {
    if (message != WM_QUERYENDSESSION) return ::DefWindowProcA(window, message, wParam, lParam);
    if (auto* ends = reinterpret_cast<bool*>(::GetWindowLongPtrA(window, GWLP_USERDATA))) *ends = true;
    return TRUE;
  }, LRESULT{TRUE});
}

}  // namespace

bool Win32ProgramSystem::WaitForWord(unsigned long milliseconds) {
  HANDLE event = cleanupDone_.Get();
  const DWORD got = ::MsgWaitForMultipleObjects(event ? 1 : 0, event ? &event : nullptr, FALSE, milliseconds,
                                                QS_ALLINPUT);
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
  return event && got == WAIT_OBJECT_0;
}

void Win32ProgramSystem::AwaitPassEnd(const std::function<bool()>& passOver) {
  waitStarted_ = ::GetTickCount64();
  cleanupDone_.Reset(::CreateEventA(nullptr, TRUE, FALSE, identity::kCleanupDoneEvent));
  WNDCLASSA type = {};
  type.lpfnWndProc = KeeperProc;
  type.hInstance = ::GetModuleHandleA(nullptr);
  type.lpszClassName = "Quill Moor Keeper";
  ::RegisterClassA(&type);
  keeperWindow_.Reset(::CreateWindowA(type.lpszClassName, identity::kApplicationName, WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, type.hInstance, nullptr));
  if (keeperWindow_) ::SetWindowLongPtrA(keeperWindow_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&sessionEnds_));
  win32::KernelObject ready(::OpenEventA(EVENT_MODIFY_STATE, FALSE, identity::kKeeperReadyEvent));
  if (ready) ::SetEvent(ready.Get());
  while (!sessionEnds_ && ::GetTickCount64() - waitStarted_ < kLongestPass) {
    if (WaitForWord(250) || passOver()) return;
  }
}

void Win32ProgramSystem::AwaitCleanup() {
  while (!sessionEnds_ && ::GetTickCount64() - waitStarted_ < kLongestPass)
    if (WaitForWord(250)) return;
}

void Win32ProgramSystem::TellKeeper() {
  cleanupDone_.Reset(::CreateEventA(nullptr, TRUE, FALSE, identity::kCleanupDoneEvent));
  if (cleanupDone_) ::SetEvent(cleanupDone_.Get());
}

Win32MainWindows::Win32MainWindows(const ProgramWindowParts& parts, std::function<void()> takeServices,
                                   std::function<void()> standAside)
    : parts_(parts), host_(std::move(takeServices), std::move(standAside)) {}

Win32MainWindows::~Win32MainWindows() {
  dialog_.reset();
  logic_.reset();
}

void Win32MainWindows::Make(const MainWindowSetup& setup) {
  dialog_.reset();
  MainWindowParts window{parts_.services, parts_.startups,     parts_.shortcuts, parts_.themes,
                         parts_.currentTheme, parts_.defaultTheme, dialogs_,       host_};
  logic_ = std::make_unique<MainWindow>(window, setup);
  dialog_ = std::make_unique<MainDialog>(*logic_, ::GetModuleHandleA(nullptr));
}

void Win32MainWindows::RunModal(const MainWindowSetup& setup) {
  Make(setup);
  dialog_->RunModal();
  // The log-on launch's window lives only for its mode.
  dialog_.reset();
  logic_.reset();
}

bool Win32MainWindows::CreateModeless(const MainWindowSetup& setup) {
  Make(setup);
  return dialog_->Create();
}

void Win32MainWindows::OpenModeless() {
  if (logic_) logic_->OnCommand(ID_TRAY_OPEN);
}

int Win32MainWindows::RunMessageLoop() { return dialog_ ? dialog_->RunMessageLoop() : 0; }

}  // namespace qm::app
