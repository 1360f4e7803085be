// Quillmoor.exe itself, started as Windows and the user start it, against the
// real registry: every mode, its windows driven and closed from here, and a
// second copy that only says so. Screenshots of the log-on window and of the
// second copy's message.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/core/MainIds.h"
#include "tests/dialogs/ui/UiSupport.h"

namespace qm::test {
namespace {

constexpr char kMain[] = "Software\\Tarnwick\\Quill Moor";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kMissing[] = "<missing>";
constexpr char kPolicies[] = "Software\\Policies\\Tarnwick\\Quill Moor";

std::string Folder() {
  char path[MAX_PATH];
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string file(path, length);
  return file.substr(0, file.find_last_of('\\'));
}

std::string Text(HKEY root, const char* key, const char* name) {
  char data[1024];
  DWORD size = sizeof(data), type = 0;
  if (::RegGetValueA(root, key, name, RRF_RT_REG_SZ, &type, data, &size) != ERROR_SUCCESS) return kMissing;
  return data;
}

long long Number(HKEY root, const char* key, const char* name) {
  DWORD data = 0, size = sizeof(data);
  if (::RegGetValueA(root, key, name, RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS) return -1;
  return data;
}

void SetText(HKEY root, const char* key, const char* name, const std::string& text) {
  ::RegSetKeyValueA(root, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

// The program started with a command-line tail; null handle when it could not start.
struct Started {
  PROCESS_INFORMATION process{};
  explicit Started(const std::string& tail) {
    std::string line = "\"" + Folder() + "\\Quillmoor.exe\" " + tail;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    if (!::CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, Folder().c_str(), &startup,
                          &process))
      process = {};
  }
  ~Started() {
    if (!process.hProcess) return;
    if (::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
  bool Ended() { return process.hProcess && ::WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0; }
  bool Running() { return process.hProcess && ::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT; }
};

// Whether every keeper (its hidden window) has gone within the time; the
// session's end is told to those left when end is set, as at a log-off.
bool KeepersGone(DWORD milliseconds, bool end = false) {
  for (DWORD waited = 0; HWND keeper = ::FindWindowA("Quill Moor Keeper", nullptr); waited += 100, ::Sleep(100)) {
    if (waited >= milliseconds) return false;
    if (end) ::SendMessageA(keeper, WM_QUERYENDSESSION, 0, 0);
  }
  return true;
}

// A top-level dialog of the process titled "Quill Moor", shown or not: the
// main window (it holds the tree) or a message box (it holds a text).
HWND FindWindowOf(const Started& program, bool mainWindow) {
  for (int i = 0; i < 200; ++i) {
    if (HWND window = ProcessWindow(program.process.dwProcessId, "Quill Moor", IDC_MAIN_TREE, mainWindow)) {
      Settle(window);
      return window;
    }
    ::Sleep(50);
  }
  return nullptr;
}

// Answers the message box of the program with a button; answers its text.
std::string Answer(const Started& program, int button, const std::string& screenshot = "") {
  HWND box = FindWindowOf(program, false);
  if (!box) return "<no message box>";
  std::string text = MessageBoxText(box);
  if (!screenshot.empty()) EXPECT_TRUE(SaveScreenshot(box, screenshot));
  ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  return text;
}

class Program : public testing::Test {
 protected:
  void SetUp() override {
    Clean();
    SetText(HKEY_CURRENT_USER, kRun, "QM Program Mail", "C:\\windows\\notepad.exe -tray");
    SetText(HKEY_LOCAL_MACHINE, kServices, "QM Program Agent", "C:\\windows\\notepad.exe ");
  }
  void TearDown() override {
    // A keeper still waiting for a pass that the test never ended goes as at a log-off.
    KeepersGone(5000, true);
    Started restore("/restore");
    EXPECT_TRUE(restore.Ended());
    Clean();
  }
  void Clean() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      ::RegDeleteTreeA(root, kMain);
      ::RegDeleteTreeA(root, kPolicies);
      ::RegDeleteKeyValueA(root, kRun, "QM Program Tool");
      ::RegDeleteKeyValueA(root, kRun, "QM Program Mail");
      ::RegDeleteKeyValueA(root, kServices, "QM Program Agent");
    }
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunOnce, "QM Init Startups");
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunOnce, "QM Init Cleanups");
  }
  std::string Arm(const char* tail) {
    std::string program = Folder() + "\\Quillmoor.exe";
    if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
    return program + " " + tail;
  }
  bool MailTaken() { return Text(HKEY_CURRENT_USER, kRun, "QM Program Mail") == kMissing; }
  bool AgentTaken() { return Text(HKEY_LOCAL_MACHINE, kServices, "QM Program Agent") == kMissing; }
  long long Flag(const char* name) { return Number(HKEY_LOCAL_MACHINE, kMain, name); }
};

// A whole cycle as Windows and the user run it, on a copy without installer.
TEST_F(Program, EveryModeAgainstTheRealRegistry) {
  {
    SCOPED_TRACE("/repair: the flags, the first start armed, the restart question answered No");
    Started repair("/repair");
    EXPECT_EQ("You need to restart your computer. Restart now?", Answer(repair, IDNO));
    EXPECT_TRUE(repair.Ended());
    EXPECT_EQ(0, Flag("Init Startup"));
    EXPECT_EQ(0, Flag("Init Service"));
    EXPECT_EQ(Arm("/startup"), Text(HKEY_LOCAL_MACHINE, kRunOnce, "QM Init Startups"));
  }
  {
    SCOPED_TRACE("/startup as Windows starts it: its value gone, the entries taken, the modal window");
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunOnce, "QM Init Startups");
    Started startup("/startup");
    HWND window = FindWindowOf(startup, true);
    ASSERT_TRUE(window);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_TRUE(MailTaken());
    EXPECT_EQ(Arm("/cleanup"), Text(HKEY_CURRENT_USER, kRunOnce, "QM Init Cleanups"));
    // Windows' pass through HKLM RunOnce is still running it: its key is left alone.
    EXPECT_EQ(kMissing, Text(HKEY_LOCAL_MACHINE, kRunOnce, "QM Init Startups"));
    EXPECT_TRUE(SaveScreenshot(window, "program-startup-window"));
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), 0);
    EXPECT_TRUE(startup.Ended());
    EXPECT_EQ(1, Flag("Init Startup"));
    EXPECT_EQ(1, Flag("Init Shortcut"));
  }
  {
    SCOPED_TRACE("/startup a second time: no window, nothing taken");
    Started again("/startup");
    EXPECT_TRUE(again.Ended());
    EXPECT_TRUE(MailTaken());
  }
  {
    SCOPED_TRACE("/cleanup: everything back, waiting hidden in the tray; its Exit takes the services");
    ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kRunOnce, "QM Init Cleanups");
    // The user's RunOnce pass has begun: the keepers of both "/startup" runs arm the next one and end.
    EXPECT_TRUE(KeepersGone(5000));
    EXPECT_EQ(Arm("/startup"), Text(HKEY_LOCAL_MACHINE, kRunOnce, "QM Init Startups"));
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunOnce, "QM Init Startups");
    Started cleanup("/cleanup");
    HWND window = FindWindowOf(cleanup, true);
    ASSERT_TRUE(window);
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_FALSE(MailTaken());
    EXPECT_FALSE(AgentTaken());
    EXPECT_EQ(0, Flag("Init Startup"));
    EXPECT_TRUE(cleanup.Running());
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
    EXPECT_TRUE(cleanup.Ended());
    EXPECT_TRUE(AgentTaken());
    EXPECT_EQ(1, Flag("Init Service"));
    EXPECT_EQ(Arm("/cleanup"), Text(HKEY_CURRENT_USER, kRunOnce, "QM Init Cleanups"));
    EXPECT_EQ(Arm("/startup"), Text(HKEY_LOCAL_MACHINE, kRunOnce, "QM Init Startups"));
  }
  {
    SCOPED_TRACE("/restore ex: everything back, said so");
    Started restore("/restore ex");
    EXPECT_EQ("Services, startups and shortcuts registry entries restored.", Answer(restore, IDOK));
    EXPECT_TRUE(restore.Ended());
    EXPECT_FALSE(AgentTaken());
    EXPECT_EQ(0, Flag("Init Service"));
  }
  {
    SCOPED_TRACE("/service by hand");
    Started service("/service");
    EXPECT_TRUE(service.Ended());
    EXPECT_TRUE(AgentTaken());
  }
  {
    SCOPED_TRACE("/restore");
    Started restore("/restore");
    EXPECT_TRUE(restore.Ended());
    EXPECT_FALSE(AgentTaken());
  }
  {
    SCOPED_TRACE("the normal start, and the same switch in capitals: shown at once, closed by its button");
    for (const char* tail : {"", "/STARTUP"}) {
      Started normal(tail);
      HWND window = FindWindowOf(normal, true);
      ASSERT_TRUE(window);
      EXPECT_TRUE(::IsWindowVisible(window));
      EXPECT_FALSE(MailTaken());
      ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), 0);
      EXPECT_TRUE(normal.Ended());
    }
  }
  {
    SCOPED_TRACE("/restart answered No");
    Started restart("/restart");
    EXPECT_EQ("You need to restart your computer. Restart now?", Answer(restart, IDNO));
    EXPECT_TRUE(restart.Ended());
  }
}

// Before any "/startup" (a fresh install with /LOGON=0, a new user) the user's
// flag keys do not exist: a private startup ticked in the normal window is
// saved at LAUNCH, and started. Its start is measured: the next window's field
// shows the processor time the probe says it used.
TEST_F(Program, ATickFromTheFirstStartIsSavedLaunchedAndMeasured) {
  // A program that ends by itself: nothing started here may outlive the test.
  const std::string probe = Folder() + "\\qmprobe.exe";
  ::DeleteFileA((probe + ".cpu").c_str());
  SetText(HKEY_CURRENT_USER, kRun, "QM Program Mail", probe + " /burn 700");
  Started normal("");
  HWND window = FindWindowOf(normal, true);
  ASSERT_TRUE(window);
  HWND tree = ::GetDlgItem(window, IDC_MAIN_TREE);
  // Services, then Startups, whose only child is the user's "QM Program Mail".
  LPARAM startups = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  LPARAM mail = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, startups);
  ASSERT_NE(0, mail);
  ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, mail);
  ::SendMessageA(tree, WM_KEYDOWN, VK_SPACE, 0);
  ::SendMessageA(tree, WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(2u << 12, ::SendMessageA(tree, TVM_GETITEMSTATE, mail, TVIS_STATEIMAGEMASK));  // ticked
  ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_LAUNCH_RIGHT, BN_CLICKED), 0);
  // LAUNCH saves, then starts: wait for the start's log line, however loaded the machine.
  const std::string launched = "Launching " + probe + " /burn 700";
  std::string text;
  for (int i = 0; i < 600 && text.find(launched) == std::string::npos; ++i) {
    ::Sleep(50);
    HANDLE log = ::CreateFileA((Folder() + "\\Quillmoor.log").c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (log == INVALID_HANDLE_VALUE) continue;
    text.assign(1 << 20, '\0');
    DWORD got = 0;
    ::ReadFile(log, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
    ::CloseHandle(log);
    text.resize(got);
  }
  EXPECT_NE(std::string::npos, text.find(launched)) << text;
  EXPECT_EQ(1, Number(HKEY_CURRENT_USER, "Software\\Tarnwick\\Quill Moor\\Run\\Selections", "QM Program Mail"));
  // The program stays, hidden, until the probe it started has ended and is measured.
  EXPECT_TRUE(normal.Ended());

  Started again("");
  window = FindWindowOf(again, true);
  ASSERT_TRUE(window);
  tree = ::GetDlgItem(window, IDC_MAIN_TREE);
  startups = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  mail = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, startups);
  ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, mail);
  char field[1024] = {};
  ::GetDlgItemTextA(window, IDC_MAIN_PATH, field, sizeof(field));
  HANDLE own = ::CreateFileA((probe + ".cpu").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, own) << "the probe wrote no figure";
  char figure[32] = {};
  DWORD got = 0;
  ::ReadFile(own, figure, sizeof(figure) - 1, &got, nullptr);
  ::CloseHandle(own);
  const double probeSeconds = std::atof(figure) / 1000;
  const char* shown = std::strstr(field, "Last start: ");
  ASSERT_TRUE(shown) << field;
  const double measured = std::atof(shown + std::strlen("Last start: "));
  // The probe read its own time just before it ended: what was measured over
  // its whole life is that, and the little its end took.
  EXPECT_GE(measured + 0.01, probeSeconds) << field;
  EXPECT_LE(measured, probeSeconds + 0.1) << field;
  // The field shows the command line first; the figures are further down.
  ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, startups);
  const LRESULT line = ::SendDlgItemMessageA(window, IDC_MAIN_PATH, EM_LINEFROMCHAR, shown - field, 0);
  ::SendDlgItemMessageA(window, IDC_MAIN_PATH, EM_LINESCROLL, 0, line);
  std::printf("field: %s\nthe probe's own figure: %s ms\n", field, figure);
  Settle(window);
  EXPECT_TRUE(SaveScreenshot(window, "program-measured-start"));
  ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), 0);
  EXPECT_TRUE(again.Ended());
}

// Policies written with reg.exe, as an administrator without a domain does:
// the window holds the boxes and says why, LAUNCH and the log-on window start
// what they say. The screenshot shows the held box and its line.
TEST_F(Program, PoliciesSetWithRegAddAreHonouredByTheWindowAndTheLogOn) {
  SetText(HKEY_CURRENT_USER, kRun, "QM Program Mail", "C:\\windows\\system32\\cmd.exe /c exit 3");
  SetText(HKEY_CURRENT_USER, kRun, "QM Program Tool", "C:\\windows\\system32\\cmd.exe /c exit 4");
  ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kServices, "QM Program Agent");
  // The machine's own reg.exe, as an administrator runs it.
  PVOID redirection = nullptr;
  const BOOL native = ::Wow64DisableWow64FsRedirection(&redirection);
  for (const char* add : {"\"HKLM\\Software\\Policies\\Tarnwick\\Quill Moor\\NeverStart\" /v 1 /d \"startup:user:QM Program Mail\"",
                          "\"HKCU\\Software\\Policies\\Tarnwick\\Quill Moor\\AlwaysStart\" /v 1 /d \"startup:user:qm program tool\""}) {
    std::string line = std::string("C:\\windows\\system32\\reg.exe add ") + add + " /f";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION process{};
    DWORD code = 1;
    ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    ::WaitForSingleObject(process.hProcess, 30000);
    EXPECT_TRUE(::GetExitCodeProcess(process.hProcess, &code) && code == 0) << line;
    ::CloseHandle(process.hThread), ::CloseHandle(process.hProcess);
  }
  if (native) ::Wow64RevertWow64FsRedirection(redirection);
  ::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Tarnwick\\Quill Moor\\Run\\Selections", "QM Program Mail", REG_DWORD,
                    "\1\0\0\0", 4);
  {
    SCOPED_TRACE("the normal window: boxes held, Space refused, LAUNCH starts the always-start entry only");
    Started normal("");
    HWND window = FindWindowOf(normal, true);
    ASSERT_TRUE(window);
    HWND tree = ::GetDlgItem(window, IDC_MAIN_TREE);
    LPARAM startups = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    LPARAM items[2] = {};  // Mail, Tool, known by their command lines; other tests' entries may stand beside them
    std::string mailField;
    for (LPARAM item = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, startups); item;
         item = ::SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, item)) {
      char field[1024] = {};
      ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
      ::GetDlgItemTextA(window, IDC_MAIN_PATH, field, sizeof(field));
      if (std::strstr(field, "cmd.exe /c exit 3")) items[0] = item, mailField = field;
      if (std::strstr(field, "cmd.exe /c exit 4")) items[1] = item;
    }
    EXPECT_NE(std::string::npos, mailField.find("Set by policy: never starts")) << mailField;
    EXPECT_EQ(1u << 12, ::SendMessageA(tree, TVM_GETITEMSTATE, items[0], TVIS_STATEIMAGEMASK));  // clear, against its flag
    EXPECT_EQ(2u << 12, ::SendMessageA(tree, TVM_GETITEMSTATE, items[1], TVIS_STATEIMAGEMASK));  // ticked
    ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, items[0]);
    // Space as the keyboard sends it, through the program's message loop.
    for (UINT message : {WM_KEYDOWN, WM_CHAR, WM_KEYUP})
      ::PostMessageA(tree, message, message == WM_CHAR ? ' ' : VK_SPACE, 0);
    Settle(window);
    EXPECT_EQ(1u << 12, ::SendMessageA(tree, TVM_GETITEMSTATE, items[0], TVIS_STATEIMAGEMASK));
    ::SendDlgItemMessageA(window, IDC_MAIN_PATH, EM_LINESCROLL, 0, 1);  // the field's line under the command
    Settle(window);
    EXPECT_TRUE(SaveScreenshot(window, "program-policy-window"));
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_LAUNCH_RIGHT, BN_CLICKED), 0);
    EXPECT_TRUE(normal.Ended());
    HANDLE log = ::CreateFileA((Folder() + "\\Quillmoor.log").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, log);
    std::string text(1 << 20, '\0');
    DWORD got = 0;
    ::ReadFile(log, text.data(), static_cast<DWORD>(text.size()), &got, nullptr), ::CloseHandle(log);
    EXPECT_NE(std::string::npos, text.find("Launching C:\\windows\\system32\\cmd.exe /c exit 4"));
    EXPECT_EQ(std::string::npos, text.find("Launching C:\\windows\\system32\\cmd.exe /c exit 3"));
    EXPECT_EQ(0, Number(HKEY_CURRENT_USER, "Software\\Tarnwick\\Quill Moor\\Run\\Selections", "QM Program Mail"));
  }
  {
    SCOPED_TRACE("the log-on window closed without LAUNCH: the always-start entry goes back for Windows to start");
    Started startup("/startup");
    HWND window = FindWindowOf(startup, true);
    ASSERT_TRUE(window);
    EXPECT_TRUE(MailTaken());
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), 0);
    EXPECT_TRUE(startup.Ended());
    EXPECT_EQ("C:\\windows\\system32\\cmd.exe /c exit 4", Text(HKEY_CURRENT_USER, kRun, "QM Program Tool"));
    EXPECT_TRUE(MailTaken());
  }
}

// Keys as the keyboard gives them to the window with the focus, each with `with` held.
void Keys(std::initializer_list<WORD> keys, WORD with = 0) {
  for (WORD key : keys) {
    if (with) ::keybd_event(static_cast<BYTE>(with), 0, 0, 0);
    ::keybd_event(static_cast<BYTE>(key), 0, 0, 0);
    ::keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
    if (with) ::keybd_event(static_cast<BYTE>(with), 0, KEYEVENTF_KEYUP, 0);
    ::Sleep(60);
  }
}
// A window of the program with this caption, once it has come.
HWND Opened(const Started& program, const char* caption) {
  HWND window = nullptr;
  for (int i = 0; i < 100 && !(window = ProcessWindow(program.process.dwProcessId, caption, 0, false)); ++i) ::Sleep(50);
  if (window) Settle(window);
  return window;
}

// The whole program with the keyboard alone: a startup found by typing, modified
// through its menu opened in the tree with Shift+F10, ticked with Space, a theme
// from the Theme button's menu, the about box from the tray menu the shell opens
// for the keyboard (NIN_KEYSELECT), and LAUNCH by its access key.
TEST_F(Program, KeysAloneModifyChooseAThemeOpenTheTrayMenuAndLaunch) {
  SetText(HKEY_CURRENT_USER, kRun, "QM Program Mail", "C:\\windows\\system32\\cmd.exe /c exit");
  Started normal("");
  HWND window = FindWindowOf(normal, true);
  ASSERT_TRUE(window);
  ::SetForegroundWindow(window);
  Settle(window);
  Keys({'S', 'T', VK_RIGHT, VK_DOWN});  // "St": Startups, opened, down to its entry
  Keys({VK_F10}, VK_SHIFT);             // the entry's menu, as the Startup button's
  Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // Create, Remove, Modify startup
  HWND dialog = Opened(normal, "Modify Startup");
  ASSERT_TRUE(dialog);
  Keys({'A'}, VK_MENU);  // &Argument
  Keys({VK_END, VK_SPACE, '0', VK_RETURN});
  EXPECT_TRUE(WaitUntilClosed(dialog));
  Settle(window);
  EXPECT_EQ("C:\\windows\\system32\\cmd.exe /c exit 0", Text(HKEY_CURRENT_USER, kRun, "QM Program Mail"));
  Keys({VK_SPACE});  // the tree keeps the focus: Space ticks the modified entry
  Keys({'E'}, VK_MENU);                   // Th&eme
  Keys({VK_DOWN, VK_DOWN, VK_RETURN});   // the first theme after "Original"
  Settle(window);
  EXPECT_NE(kMissing, Text(HKEY_CURRENT_USER, kMain, "Theme"));
  EXPECT_TRUE(SaveScreenshot(window, "program-keyboard-theme"));
  ::PostMessageA(window, WM_APP + 100, IDI_PROGRAM, NIN_KEYSELECT);
  Settle(window);
  Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // "Quillmoor...", "Help Topics", "About Quillmoor"
  HWND about = Opened(normal, "About Quill Moor...");
  ASSERT_TRUE(about);
  Keys({VK_ESCAPE});
  EXPECT_TRUE(WaitUntilClosed(about));
  Settle(window);
  Keys({'L'}, VK_MENU);  // &LAUNCH, which ends the run
  EXPECT_TRUE(normal.Ended());
  EXPECT_EQ(1, Number(HKEY_CURRENT_USER, "Software\\Tarnwick\\Quill Moor\\Run\\Selections", "QM Program Mail"));
}

// A second copy, whatever its switch, says so and changes nothing.
TEST_F(Program, ASecondCopyOnlySaysItIsRunning) {
  Started first("");
  HWND window = FindWindowOf(first, true);
  ASSERT_TRUE(window);
  for (const char* tail : {"/startup", "/restore ex"}) {
    SCOPED_TRACE(tail);
    Started second(tail);
    EXPECT_EQ("Program is already running.",
              Answer(second, IDOK, std::string("program-already-running") + (tail[1] == 's' ? "" : "-restore")));
    EXPECT_TRUE(second.Ended());
    EXPECT_FALSE(MailTaken());
    EXPECT_EQ(kMissing, Text(HKEY_CURRENT_USER, kRunOnce, "QM Init Cleanups"));
    EXPECT_EQ(-1, Flag("Init Startup"));
  }
  ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), 0);
  EXPECT_TRUE(first.Ended());
}

}  // namespace
}  // namespace qm::test
