// qmlogon: the user's and Windows' side of whole log-ons with the installed
// Quillmoor.exe, inside one Wine session.
//
//   qmlogon plant PROBE.exe        the entries: copies of the probe, Run and
//                                  RunServices values, shortcuts in both folders
//   qmlogon snapshot               every value of the Run, RunServices and RunOnce
//                                  keys and every file of both startup folders
//   qmlogon run CYCLES KILLS SEED  log-ons: CYCLES whole ones, then KILLS with the
//                                  program killed at a random moment of one mode
//
// A log-on is Wine's own start-up processing: "wineboot" without switches in a
// live session runs HKLM RunOnce synchronously (so "/startup" blocks it until
// its window closes, and this driver works the window beside it), then the Run
// values of both roots and the startup folders. "wineboot -r" runs only HKLM
// RunOnce; a new wineserver session runs RunServices and HKLM RunOnce but not
// Run (measured with Wine 8). No switch of Wine runs HKCU RunOnce, the value
// Explorer would run on Windows: the driver runs each value Windows' way, the
// value deleted before its program starts. So in these log-ons a service
// starts only when the user ticked it and the program launches it.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/core/MainIds.h"
#include "tests/dialogs/ui/UiSupport.h"
#include "tests/support/ReadOnlyKey.h"
#include "tests/support/RemoteTree.h"

namespace {

using qm::test::RemoteTree;

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kProduct[] = "Software\\Tarnwick\\Quill Moor";

enum Kind { Startup, Service, Shortcut };
struct Entry {
  Kind kind;
  bool isPublic;
  const char* name;
  const char* program;  // a copy of the probe: its record is program + ".txt"
  const char* argument;
};
// Private and public entries of every kind, some in a folder with blanks.
const Entry kEntries[] = {
    {Startup, false, "Tarn Mail", "C:\\Probes\\tarnmail.exe", "-tray"},
    {Startup, false, "Moor Sync", "C:\\Probe Files\\Moor Sync.exe", "/sync now"},
    {Startup, true, "Peat Agent", "C:\\Probes\\peatagent.exe", "/agent"},
    {Startup, true, "Heather Update", "C:\\Probe Files\\Heather Update.exe", "/update"},
    {Service, true, "Bog Service", "C:\\Probes\\bogservice.exe", "/service"},
    {Service, true, "Fen Watch", "C:\\Probe Files\\Fen Watch.exe", "/watch"},
    {Shortcut, false, "Quill Notes", "C:\\Probe Files\\Quill Notes.exe", "/notes"},
    {Shortcut, false, "Clock", "C:\\Probes\\clock.exe", ""},
    {Shortcut, true, "Common Clock", "C:\\Probes\\commonclock.exe", "/common"},
    {Shortcut, true, "Team Board", "C:\\Probe Files\\Team Board.exe", "/board"},
};
constexpr int kCount = sizeof(kEntries) / sizeof(kEntries[0]);
// "Moor Sync" waits its turn: the tray part starts it this long after it began.
constexpr int kDelayed = 1;
constexpr DWORD kDelaySeconds = 4;

HKEY RootOf(const Entry& e) { return e.isPublic ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }
std::string Sub(const char* kind) { return std::string(kProduct) + "\\" + kind; }
std::string StoredKey(const Entry& e) { return Sub(e.kind == Startup ? "Run" : e.kind == Service ? "RunServices" : "Shc"); }
std::string SelectionsKey(const Entry& e) { return StoredKey(e) + "\\Selections"; }

using Bytes = std::vector<unsigned char>;

// A value's data, or false when it is not there.
bool ReadValue(HKEY root, const std::string& key, const char* name, Bytes* data, DWORD* type = nullptr,
               REGSAM view = 0) {
  HKEY k;
  if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &k) != ERROR_SUCCESS) return false;
  DWORD size = 0, t = 0;
  bool ok = ::RegQueryValueExA(k, name, nullptr, &t, nullptr, &size) == ERROR_SUCCESS;
  if (ok) {
    data->resize(size);
    ok = ::RegQueryValueExA(k, name, nullptr, &t, data->data(), &size) == ERROR_SUCCESS;
    data->resize(size);
  }
  ::RegCloseKey(k);
  if (type) *type = t;
  return ok;
}

long Number(HKEY root, const char* key, const char* name) {
  Bytes data;
  if (!ReadValue(root, key, name, &data) || data.size() != 4) return -1;
  return *reinterpret_cast<DWORD*>(data.data());
}
bool Armed(HKEY root, const char* name) {
  Bytes data;
  return ReadValue(root, kRunOnce, name, &data);
}

bool ReadFile(const std::string& path, Bytes* data) {
  HANDLE f = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD size = ::GetFileSize(f, nullptr), got = 0;
  data->resize(size);
  bool ok = size == 0 || ::ReadFile(f, data->data(), size, &got, nullptr);
  ::CloseHandle(f);
  return ok && got == size;
}

std::string StartupFolder(bool isPublic) {
  char path[MAX_PATH] = {};
  ::SHGetFolderPathA(nullptr, isPublic ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP, nullptr, 0, path);
  return path;
}
std::string LinkPath(const Entry& e) { return StartupFolder(e.isPublic) + "\\" + e.name + ".lnk"; }
std::string CommandLine(const Entry& e) { return std::string(e.program) + " " + e.argument; }

// The entry where Windows reads it: the Run or RunServices value's bytes, or the shortcut file's.
bool WindowsBytes(const Entry& e, Bytes* data) {
  if (e.kind == Shortcut) return ReadFile(LinkPath(e), data);
  return ReadValue(RootOf(e), e.kind == Startup ? kRun : kServices, e.name, data);
}
bool StoredBytes(const Entry& e, Bytes* data) { return ReadValue(RootOf(e), StoredKey(e), e.name, data); }
long FlagOf(const Entry& e) { return Number(RootOf(e), SelectionsKey(e).c_str(), e.name); }

int Records(const Entry& e) {
  Bytes data;
  if (!ReadFile(std::string(e.program) + ".txt", &data)) return 0;
  int lines = 0;
  for (unsigned char c : data) lines += c == '\n';
  return lines;
}

std::string Hex(const Bytes& data) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char c : data) text += {digits[c >> 4], digits[c & 15]};
  return text;
}

void SetText(HKEY root, const char* key, const char* name, const std::string& text) {
  ::RegSetKeyValueA(root, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

int Plant(const char* probe) {
  ::CoInitialize(nullptr);
  for (const Entry& e : kEntries) {
    std::string folder(e.program, std::strrchr(e.program, 0x5c) - e.program);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    if (!::CopyFileA(probe, e.program, FALSE)) return std::printf("cannot copy the probe to %s\n", e.program), 1;
    if (e.kind != Shortcut) {
      SetText(RootOf(e), e.kind == Startup ? kRun : kServices, e.name, CommandLine(e));
      continue;
    }
    ::SHCreateDirectoryExA(nullptr, StartupFolder(e.isPublic).c_str(), nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&link))))
      return std::printf("no shell link object\n"), 1;
    link->SetPath(e.program);
    link->SetArguments(e.argument);
    wchar_t path[MAX_PATH];
    ::MultiByteToWideChar(CP_UTF8, 0, LinkPath(e).c_str(), -1, path, MAX_PATH);
    bool saved = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                 SUCCEEDED(file->Save(path, TRUE));
    if (file) file->Release();
    link->Release();
    if (!saved) return std::printf("cannot save %s\n", LinkPath(e).c_str()), 1;
  }
  // Kept beside the entry's flag, as "qmctl delay" keeps it.
  const DWORD delay = kDelaySeconds;
  ::RegSetKeyValueA(RootOf(kEntries[kDelayed]), (SelectionsKey(kEntries[kDelayed]) + "\\Delays").c_str(),
                    kEntries[kDelayed].name, REG_DWORD, &delay, sizeof(delay));
  return 0;
}

// What Windows would start and what the install may touch, value by value and file by file.
int Snapshot() {
  const char* keys[] = {kRun, kServices, kRunOnce};
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
      for (const char* key : keys) {
        HKEY k;
        if (::RegOpenKeyExA(root, key, 0, KEY_READ | view, &k) != ERROR_SUCCESS) continue;
        char name[16384];
        for (DWORD i = 0;; ++i) {
          DWORD length = sizeof(name);
          if (::RegEnumValueA(k, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
          Bytes data;
          DWORD type = 0;
          ReadValue(root, key, name, &data, &type, view);
          std::printf("%s %s %s|%s|%lu|%s\n", root == HKEY_CURRENT_USER ? "HKCU" : "HKLM",
                      view == KEY_WOW64_64KEY ? "64" : "32", key, name, type, Hex(data).c_str());
        }
        ::RegCloseKey(k);
      }
  for (bool isPublic : {false, true}) {
    WIN32_FIND_DATAA found;
    std::string folder = StartupFolder(isPublic);
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      Bytes data;
      ReadFile(folder + "\\" + found.cFileName, &data);
      std::printf("%s|%s|%s\n", folder.c_str(), found.cFileName, Hex(data).c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  return 0;
}

// ---------------------------------------------------------------- processes

// The running copies of the program; without keepers, only those that no
// copy started (a "/startup" starts its keeper).
std::vector<DWORD> ProgramProcesses(bool keepers = true) {
  std::vector<PROCESSENTRY32> found;
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32 process{};
  process.dwSize = sizeof(process);
  for (BOOL more = ::Process32First(snapshot, &process); more; more = ::Process32Next(snapshot, &process))
    if (::lstrcmpiA(process.szExeFile, "Quillmoor.exe") == 0) found.push_back(process);
  ::CloseHandle(snapshot);
  std::vector<DWORD> ids;
  for (const PROCESSENTRY32& each : found)
    if (keepers || std::none_of(found.begin(), found.end(), [&](const PROCESSENTRY32& other) {
          return other.th32ProcessID == each.th32ParentProcessID;
        }))
      ids.push_back(each.th32ProcessID);
  return ids;
}

HANDLE Start(const std::string& commandLine, HANDLE token = nullptr) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!(token ? ::CreateProcessAsUserA(token, nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                       &startup, &info)
              : ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)))
    return nullptr;
  ::CloseHandle(info.hThread);
  return info.hProcess;
}

bool Ended(HANDLE process, DWORD milliseconds) {
  return !process || ::WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
}

void Kill(HANDLE process) {
  ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, 10000);
}

// Kills the process after the delay; false when it had ended by itself first.
bool KillAfter(HANDLE process, DWORD delay) {
  ::Sleep(delay);
  if (Ended(process, 0)) return false;
  Kill(process);
  return true;
}

// The same beside the thread that works the window: its exit code says whether it killed.
struct LaterKill {
  HANDLE process;
  DWORD delay;
};
DWORD WINAPI KillLater(void* job) {
  auto* kill = static_cast<LaterKill*>(job);
  return KillAfter(kill->process, kill->delay);
}

// The program's main window (it holds the tree), shown or not; null once the process has ended.
// The session ends for a copy as Windows ends it: its windows, hidden ones
// too, asked whether it may end; then whatever still runs is ended.
BOOL CALLBACK AskToEnd(HWND window, LPARAM process) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  DWORD_PTR answer = 0;
  if (owner == static_cast<DWORD>(process)) {
    ::SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    ::SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
  }
  return TRUE;
}
void EndSession(DWORD id) {
  HANDLE left = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
  if (!left) return;
  ::EnumWindows(AskToEnd, static_cast<LPARAM>(id));
  if (!Ended(left, 2000)) Kill(left);
  ::CloseHandle(left);
}

HWND MainWindowOf(HANDLE process) {
  for (;;) {
    if (HWND window = qm::test::ProcessWindow(::GetProcessId(process), "Quill Moor", IDC_MAIN_TREE, true))
      return window;
    if (Ended(process, 20)) return nullptr;
  }
}

// ------------------------------------------------------- the /startup window


// ------------------------------------------------------------------ the run

// The modes a kill lands in; kModes: no kill.
enum Mode { Take, Window, Launch, Cleanup, Tray, Exit, kModes };
const char* const kModeNames[] = {"take", "window", "launch", "cleanup", "tray", "exit"};

struct Counts {
  int cycles = 0, kills = 0, lost = 0, changed = 0, stranded = 0, faults = 0;
  int killsIn[kModes] = {};
};

class Run {
 public:
  explicit Run(unsigned seed) : random_(seed) {
    for (int i = 0; i < kCount; ++i) {
      if (!WindowsBytes(kEntries[i], &original_[i])) Fault("'%s' is not planted", kEntries[i].name);
      flag_[i] = FlagOf(kEntries[i]);
    }
  }

  // One log-on. kill < 0: a whole one, every step checked; otherwise the
  // program is killed when it is in that mode, if this log-on reaches it.
  // filtered: an administrator's log-on under User Account Control: the
  // machine's keys written by Administrators only, "/startup" elevated (as
  // Wine starts it), "/cleanup" filtered (Administrators disabled in its token).
  void LogOn(int kill, bool endSession, bool readd, bool filtered = false) {
    const DWORD started = ::GetTickCount();
    const bool whole = kill < 0;
    constexpr char kSystem[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    const DWORD lua = filtered ? 1 : 0;
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSystem, "EnableLUA", REG_DWORD, &lua, sizeof(lua));
    std::unique_ptr<qm::test::AdministratorsOnly> machine;
    if (filtered) machine = std::make_unique<qm::test::AdministratorsOnly>(std::initializer_list<const char*>{
                      kRun, kRunOnce, kServices, kProduct});
    if (machine && !machine->Applied()) Fault("the machine's keys could not be kept for Administrators");
    HANDLE token = filtered ? qm::test::AdministratorsOnly::Filtered() : nullptr;
    for (const Entry& e : kEntries) ::DeleteFileA((std::string(e.program) + ".txt").c_str());
    bool ticks[kCount], listed[kCount] = {};
    for (bool& tick : ticks) tick = random_() % 3 != 0;
    if (readd) ticks[0] = false;  // the Run entry its program writes again, unticked: its flag must stay 0
    // A moment anywhere in the mode, as long as the whole log-ons took there.
    const DWORD delay = kill >= 0 && kill < kModes ? random_() % span_[kill] : 0;
    DWORD mark = 0;
    auto took = [&](int mode) {
      if (whole) span_[mode] = std::max<DWORD>(1, ::GetTickCount() - mark);
    };
    int killedIn = -1;

    HANDLE boot = Start("wineboot.exe");
    if (!boot) Fault("wineboot did not start");
    // "/startup", started by Wine from HKLM RunOnce; it ends at once when the entries stand taken already.
    HANDLE startup = nullptr;
    while (!startup && !Ended(boot, 5)) {
      std::vector<DWORD> ids = ProgramProcesses(false);
      if (!ids.empty()) startup = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, ids[0]);
    }
    mark = ::GetTickCount();
    if (startup && kill == Take && KillAfter(startup, delay)) killedIn = Take;
    HWND window = startup && killedIn < 0 ? MainWindowOf(startup) : nullptr;
    if (window) {
      took(Take);
      qm::test::Settle(window);
      LaterKill job{startup, delay};
      HANDLE killer = kill == Window ? ::CreateThread(nullptr, 0, KillLater, &job, 0, nullptr) : nullptr;
      // Unless a kill may strike while it reads, it checks the boxes shown.
      UserChooses(startup, window, ticks, listed, kill != Window);
      // The second log-on lists every kind, the user's boxes clicked.
      if (whole && logOns_ == 1) shot_ = qm::test::SaveScreenshot(window, "logon-startup-window");
      // A user who kills the window does so before pressing LAUNCH.
      if (killer) {
        DWORD killed = 0;
        ::WaitForSingleObject(killer, INFINITE);
        ::GetExitCodeThread(killer, &killed);
        ::CloseHandle(killer);
        if (killed) killedIn = Window;
      }
      if (killedIn < 0) ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_LAUNCH_LEFT, BN_CLICKED), 0);
      mark = ::GetTickCount();
      if (kill == Launch && killedIn < 0 && KillAfter(startup, delay)) killedIn = Launch;
      if (!Ended(startup, 30000)) Fault("the \"/startup\" window did not end after LAUNCH");
      took(Launch);
      // Each listed entry's flag is the user's new choice, or, where the
      // program was killed before it saved them all, the one before it.
      for (int i = 0; i < kCount; ++i)
        if (listed[i] && (killedIn < 0 || FlagOf(kEntries[i]) == ticks[i])) flag_[i] = ticks[i];
    } else if (whole) {
      Fault("no \"/startup\" window at a whole log-on");
    }
    if (!Ended(boot, 30000)) Fault("wineboot did not end");
    ::CloseHandle(boot);

    if (whole) {
      if (Number(HKEY_LOCAL_MACHINE, kProduct, "Init Startup") != 1 ||
          Number(HKEY_LOCAL_MACHINE, kProduct, "Init Shortcut") != 1 || !Armed(HKEY_CURRENT_USER, "QM Init Cleanups") ||
          Armed(HKEY_LOCAL_MACHINE, "QM Init Startups"))
        Fault("after \"/startup\": Init Startup, Init Shortcut at 1, the return armed, HKLM RunOnce left alone");
    }
    if (readd) ReAdd(listed);

    HANDLE cleanup = killedIn < 0 ? RunUserRunOnce(token) : nullptr;
    if (token) ::CloseHandle(token);
    mark = ::GetTickCount();
    if (cleanup && kill == Cleanup && KillAfter(cleanup, delay)) killedIn = Cleanup;
    HWND tray = cleanup && killedIn < 0 ? MainWindowOf(cleanup) : nullptr;
    if (tray) {
      took(Cleanup);
      if (kill == Tray && KillAfter(cleanup, delay)) {
        killedIn = Tray;
      } else {
        // The machine's entries come back from the keeper, once "/cleanup" has told it.
        for (int i = 0; i < 50 && filtered && ProgramProcesses().size() > 1; ++i) ::Sleep(100);
        if (whole) CheckReturned(ticks, listed, readd);
        if (whole) CheckDelayed(ticks[kDelayed] && listed[kDelayed]);
        if (endSession) {
          // As Windows ends a session: the question, the end, and whatever still runs is ended.
          DWORD_PTR answer = 0;
          ::SendMessageTimeoutA(tray, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
          ::SendMessageTimeoutA(tray, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
          if (!Ended(cleanup, 1000)) Kill(cleanup);
        } else {
          ::PostMessageA(tray, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
          mark = ::GetTickCount();
          if (kill == Exit && KillAfter(cleanup, delay)) killedIn = Exit;
        }
        if (!Ended(cleanup, 30000)) Fault("the \"/cleanup\" program did not end on Exit");
        if (!endSession) took(Exit);
        // A filtered "/cleanup" leaves the machine's services to Windows.
        if (whole && !filtered) CheckServicesTaken();
      }
    } else if (whole) {
      Fault("no \"/cleanup\" program waiting in the tray");
    }
    // The keeper ends once the user's RunOnce pass has begun; one of a log-on
    // cut short before it hears the session end: the pass is over then too.
    for (int i = 0; i < 50 && cleanup && !ProgramProcesses().empty(); ++i) ::Sleep(100);
    for (DWORD id : ProgramProcesses()) {
      if (cleanup) Fault("a Quillmoor.exe still runs after the log-on");
      EndSession(id);
    }
    WaitForProbes();
    for (const Entry& e : kEntries)
      if (Records(e) > 1) Fault("'%s' started %d times in one log-on", e.name, Records(e));

    CheckInvariant();
    if (!Armed(HKEY_CURRENT_USER, "QM Init Cleanups") && !Armed(HKEY_LOCAL_MACHINE, "QM Init Startups")) {
      // A "/startup" killed before its first write, after a "/cleanup" killed
      // before it took the services: nothing is taken (the invariant says so),
      // but nothing starts the program again, as on Windows. The user would
      // run the setup again; the next log-on is armed as the setup arms it.
      char folder[MAX_PATH] = {};
      ::SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, folder);
      SetText(HKEY_LOCAL_MACHINE, kRunOnce, "QM Init Startups",
              "\"" + std::string(folder) + "\\Quill Moor\\Quillmoor.exe\" /startup");
      ++rearmed_;
    }
    ++logOns_;
    if (killedIn >= 0) ++counts_.kills, ++counts_.killsIn[killedIn];
    else if (tray) ++counts_.cycles;
    // What this log-on went through: "/startup" (s), its window (w), "/cleanup" (c), its tray wait (t).
    std::printf("log-on %d: %s%s, %lu ms (%s%s%s%s)\n", logOns_,
                killedIn >= 0 ? kModeNames[killedIn] : tray ? "whole" : "cut short", filtered ? ", filtered" : "",
                ::GetTickCount() - started, startup ? "s" : "-", window ? "w" : "-", cleanup ? "c" : "-",
                tray ? "t" : "-");
    std::fflush(stdout);
    if (startup) ::CloseHandle(startup);
    if (cleanup) ::CloseHandle(cleanup);
  }

  int Kills() const { return counts_.kills; }

  // The mode with the fewest kills so far among those this log-on reaches:
  // with the Run entries and shortcuts still taken, "/startup" ends at once.
  int NextKillMode() {
    const bool window = Number(HKEY_LOCAL_MACHINE, kProduct, "Init Startup") == 0;
    int next = Cleanup;
    for (int m = 0; m < kModes; ++m)
      if ((window || m >= Cleanup) && counts_.killsIn[m] < counts_.killsIn[next]) next = m;
    return next;
  }

  void Summary() {
    std::printf("kills by mode (within its first ms):");
    for (int m = 0; m < kModes; ++m) std::printf(" %s %d (%lu)", kModeNames[m], counts_.killsIn[m], span_[m]);
    std::printf("\nlog-ons: %d, the cycle armed again by hand %d times, %d probes stuck at their start\n", logOns_,
                rearmed_, stuck_);
    std::printf("screenshot: %s\n", shot_ ? "logon-startup-window" : "none");
    std::printf("counts: %d %d %d %d %d %d\n", counts_.cycles, counts_.kills, counts_.lost, counts_.changed,
                counts_.stranded, counts_.faults);
  }

 private:
  template <typename... Args>
  void Fault(const char* format, Args... args) {
    std::printf("FAULT (log-on %d): ", logOns_ + 1);
    std::printf(format, args...);
    std::printf("\n");
    ++counts_.faults;
  }

  int IndexOf(const std::string& name) {
    for (int i = 0; i < kCount; ++i)
      if (name == kEntries[i].name) return i;
    return -1;
  }

  // What the window shows must be the choices of the last log-on; then the
  // boxes are clicked to this log-on's choices.
  void UserChooses(HANDLE process, HWND window, const bool* ticks, bool* listed, bool checkShown) {
    RemoteTree tree(process, ::GetDlgItem(window, IDC_MAIN_TREE));
    for (const RemoteTree::Item& item : tree.Entries()) {
      int i = IndexOf(item.text);
      if (i < 0) continue;  // the prefix's own, as Wine's menu builder: the user leaves it be
      listed[i] = true;
      if (checkShown && flag_[i] >= 0 && item.checked != (flag_[i] == 1))
        Fault("'%s' shows %d, the user chose %ld", item.text.c_str(), item.checked, flag_[i]);
      if (item.checked != ticks[i] && !tree.ClickCheckBox(item.handle) && !Ended(process, 0))
        Fault("clicking the box of '%s' did not change it", item.text.c_str());
    }
    for (const RemoteTree::Item& item : tree.Entries()) {
      int i = IndexOf(item.text);
      if (i >= 0 && item.checked != ticks[i] && !Ended(process, 0))
        Fault("the box of '%s' shows %d after the clicks", item.text.c_str(), item.checked);
    }
  }

  // A program writes its Run value again while it is taken, as an update would.
  void ReAdd(const bool* listed) {
    if (!listed[0]) Fault("'%s' was not taken", kEntries[0].name);
    SetText(RootOf(kEntries[0]), kRun, kEntries[0].name, CommandLine(kEntries[0]));
  }

  // HKCU RunOnce as Explorer runs it: each value deleted, then its program started.
  HANDLE RunUserRunOnce(HANDLE token) {
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunOnce, 0, KEY_READ | KEY_SET_VALUE, &key) != ERROR_SUCCESS) return nullptr;
    HANDLE ours = nullptr;
    char name[256];
    DWORD length = sizeof(name);
    while (::RegEnumValueA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      Bytes data;
      ReadValue(HKEY_CURRENT_USER, kRunOnce, name, &data);
      ::RegDeleteValueA(key, name);
      HANDLE process = Start(reinterpret_cast<const char*>(data.data()), token);
      if (std::string(name) == "QM Init Cleanups" && process) ours = process;
      else if (process) ::CloseHandle(process);
      length = sizeof(name);
    }
    ::RegCloseKey(key);
    return ours;
  }

  // What Wine and the program started has written its record and ended. A
  // probe whose launcher was killed inside CreateProcess can stay under Wine
  // as a process that never started to run (one thread, waiting on the pipe
  // of its start); it never ran, so it is ended here and counted apart.
  void WaitForProbes() {
    for (int round = 0; round < 200; ++round) {
      std::vector<DWORD> running;
      HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
      PROCESSENTRY32 process{};
      process.dwSize = sizeof(process);
      for (BOOL more = ::Process32First(snapshot, &process); more; more = ::Process32Next(snapshot, &process))
        for (const Entry& e : kEntries)
          if (::lstrcmpiA(process.szExeFile, std::strrchr(e.program, 0x5c) + 1) == 0)
            running.push_back(process.th32ProcessID);
      ::CloseHandle(snapshot);
      if (running.empty()) return;
      if (round < 199) {
        ::Sleep(10);
        continue;
      }
      for (DWORD id : running) {
        HANDLE stuck = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (stuck) Kill(stuck), ::CloseHandle(stuck);
        ++stuck_;
      }
    }
  }

  // After "/cleanup": every entry back where Windows reads it, byte for byte;
  // exactly the ticked entries started, each once.
  void CheckReturned(const bool* ticks, const bool* listed, bool readd) {
    if (Number(HKEY_LOCAL_MACHINE, kProduct, "Init Startup") != 0 ||
        Number(HKEY_LOCAL_MACHINE, kProduct, "Init Shortcut") != 0 ||
        Number(HKEY_LOCAL_MACHINE, kProduct, "Init Service") != 0 || !Armed(HKEY_LOCAL_MACHINE, "QM Init Startups") ||
        Armed(HKEY_CURRENT_USER, "QM Init Cleanups"))
      Fault("after \"/cleanup\": the Init flags at 0, only \"QM Init Startups\" armed");
    WaitForProbes();
    for (int i = 0; i < kCount; ++i) {
      const Entry& e = kEntries[i];
      Bytes data;
      if (!WindowsBytes(e, &data) || data != original_[i]) Fault("'%s' is not back byte for byte", e.name);
      bool launched = ticks[i] && listed[i];
      // Its turn comes from the tray part, later (CheckDelayed): neither Windows nor LAUNCH started it.
      if (i == kDelayed) launched = false;
      if (Records(e) != (launched ? 1 : 0))
        Fault("'%s' started %d times, ticked %d%s", e.name, Records(e), ticks[i], readd ? " (re-added)" : "");
    }
  }

  // The delayed entry, ticked, starts once after its delay, from the tray
  // part, and its start is measured; unticked, it never starts.
  void CheckDelayed(bool launched) {
    const Entry& e = kEntries[kDelayed];
    const std::string impact = SelectionsKey(e) + "\\Impact\\" + (e.isPublic ? "machine" : "user");
    Bytes before;
    ReadValue(HKEY_CURRENT_USER, impact, e.name, &before);
    ::Sleep(kDelaySeconds * 1000 + 500);
    for (int i = 0; i < 100 && launched && Records(e) == 0; ++i) ::Sleep(100);
    if (Records(e) != (launched ? 1 : 0))
      Fault("the delayed '%s' started %d times, ticked %d", e.name, Records(e), launched);
    if (!launched) return;
    Bytes after;
    for (int i = 0; i < 100; ++i, ::Sleep(100)) {
      after.clear();
      if (ReadValue(HKEY_CURRENT_USER, impact, e.name, &after) && after != before &&
          std::string(after.begin(), after.end()).rfind("measured ", 0) == 0)
        break;
    }
    std::string newest(after.begin(), after.end());
    std::printf("the delayed '%s' started after %lu s, its newest start kept as \"%s\"\n", e.name, kDelaySeconds,
                newest.substr(0, newest.find(';')).c_str());
    if (newest.rfind("measured ", 0) != 0)
      Fault("no measurement of the delayed '%s' appeared (\"%s\")", e.name, newest.c_str());
  }

  void CheckServicesTaken() {
    for (int i = 0; i < kCount; ++i) {
      Bytes data;
      if (kEntries[i].kind == Service && (WindowsBytes(kEntries[i], &data) || !StoredBytes(kEntries[i], &data)))
        Fault("'%s' is not stored after the exit", kEntries[i].name);
    }
    if (Number(HKEY_LOCAL_MACHINE, kProduct, "Init Service") != 1 || !Armed(HKEY_CURRENT_USER, "QM Init Cleanups"))
      Fault("after the exit: Init Service at 1 and \"QM Init Cleanups\" armed");
  }

  // After every log-on: each entry stands, with its data, where Windows reads
  // it or stored; its flag is the user's; and what is taken has a return armed.
  void CheckInvariant() {
    bool armed = Armed(HKEY_CURRENT_USER, "QM Init Cleanups") || Armed(HKEY_LOCAL_MACHINE, "QM Init Startups");
    for (int i = 0; i < kCount; ++i) {
      const Entry& e = kEntries[i];
      Bytes standing, stored;
      bool stands = WindowsBytes(e, &standing) && standing == original_[i];
      bool kept = StoredBytes(e, &stored) && stored == original_[i];
      if (!stands && !kept) {
        ++counts_.lost;
        std::printf("LOST (log-on %d): '%s'\n", logOns_ + 1, e.name);
      } else if (!stands && !armed) {
        ++counts_.stranded;
        std::printf("STRANDED (log-on %d): '%s' taken with no return armed\n", logOns_ + 1, e.name);
      }
      long flag = FlagOf(e);
      if (flag_[i] < 0 && (flag == 1 || flag < 0)) flag_[i] = flag;  // a new entry is flagged by its first take
      if (flag != flag_[i]) {
        ++counts_.changed;
        std::printf("FLAG (log-on %d): '%s' %ld, the user's %ld\n", logOns_ + 1, e.name, flag, flag_[i]);
        flag_[i] = flag;
      }
    }
  }

  std::mt19937 random_;
  Bytes original_[kCount];
  long flag_[kCount];
  bool shot_ = false;
  int logOns_ = 0, rearmed_ = 0, stuck_ = 0;
  // How long each mode lasted in the last whole log-on, in milliseconds; the
  // window and the tray wait last as long as the user lets them.
  DWORD span_[kModes] = {300, 600, 300, 300, 300, 300};
  Counts counts_;
};

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "plant" && argc == 3) return Plant(argv[2]);
  if (command == "snapshot") return Snapshot();
  if (command != "run" || argc != 5) {
    std::fprintf(stderr, "usage: qmlogon plant PROBE | snapshot | run CYCLES KILLS SEED\n");
    return 2;
  }
  const int cycles = std::atoi(argv[2]), kills = std::atoi(argv[3]);
  Run run(static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)));
  // The whole log-ons: the last ends with the Windows session, one sees a
  // program write its Run value again while it is taken.
  for (int c = 0; c < cycles; ++c) run.LogOn(-1, c == cycles - 1, c == 1);
  // Kills spread over every mode, each followed by the next log-on. A log-on
  // that does not reach its mode (the program may end by itself first) goes
  // on to the end and is the next kill's start.
  for (int attempt = 0; run.Kills() < kills && attempt < 3 * kills; ++attempt)
    run.LogOn(run.NextKillMode(), false, false);
  // Whatever the kills left, the cycle comes round again: one log-on to bring
  // it round, then a whole one checked step by step.
  run.LogOn(kModes, false, false);
  run.LogOn(-1, false, false);
  // And one as an administrator's under User Account Control.
  run.LogOn(-1, false, false, true);
  run.Summary();
  return 0;
}
