// qmlogon_bench: the whole log-on under Wine, with and without the installed
// Quillmoor.exe, timed in the same run (scripts/bench logon runs it inside one
// live Wine session).
//
//   qmlogon_bench plant PROBE.exe     30 entries, each its own copy of the probe:
//                                     Run values of both roots, shortcuts in the
//                                     user's Startup folder
//   qmlogon_bench install FOLDER      the registry the setup writes for the
//                                     program copied into FOLDER, with the next
//                                     log-on armed ("QM Init Startups")
//   qmlogon_bench rounds N            N rounds after one to warm up, each:
//     Windows' own pass  "QM Init Startups" set aside, "wineboot" started; until
//                        the last probe wrote its record
//     with Quill Moor    "wineboot" started, which runs "/startup" from HKLM
//                        RunOnce; until its window stands painted, then LAUNCH
//                        pressed; until the last probe wrote its record; then
//                        "/cleanup" run as Explorer runs HKCU RunOnce and left
//                        through the tray, so that every entry stands where
//                        Windows reads it again
//
// A probe's start is the moment it wrote its record ("<probe>.txt", the file's
// last write time), on the same clock as the moments this driver takes.
// RunServices and the common Startup folder are left out: Wine's log-on runs
// neither (wineboot starts the shortcuts of the user's folder only). Nothing here passes
// or fails on time; the exit code is 1, with the reason, when a round could not
// be measured.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/core/MainIds.h"
#include "platform/win32/Handles.h"
#include "tests/dialogs/ui/UiSupport.h"
#include "tests/support/RemoteTree.h"

namespace {

using qm::test::RemoteTree;
using qm::win32::KernelObject;
using qm::win32::RegKeyHandle;

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kProduct[] = "Software\\Tarnwick\\Quill Moor";
constexpr char kStartupValue[] = "QM Init Startups";
constexpr char kProbeFolder[] = "C:\\QM Bench";
constexpr int kEntries = 30;
constexpr DWORD kWaitMs = 60000;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// ------------------------------------------------------------------ entries

enum Place { UserRun, MachineRun, UserFolder, kPlaces };
const char* const kPlaceNames[] = {"HKCU Run", "HKLM Run", "user Startup folder"};

struct Entry {
  Place place;
  std::string name, program;
};

// Round the places in turn: 10 entries in each.
std::vector<Entry> Entries() {
  std::vector<Entry> entries;
  for (int i = 0; i < kEntries; ++i) {
    char number[8];
    std::snprintf(number, sizeof(number), "%02d", i + 1);
    entries.push_back({static_cast<Place>(i % kPlaces), std::string("Bench Probe ") + number,
                       std::string(kProbeFolder) + "\\probe" + number + ".exe"});
  }
  return entries;
}

std::string StartupFolder() {
  char path[MAX_PATH] = {};
  ::SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, 0, path);
  return path;
}
std::string LinkPath(const Entry& e) { return StartupFolder() + "\\" + e.name + ".lnk"; }
HKEY RootOf(const Entry& e) { return e.place == UserRun ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }
std::string Record(const Entry& e) { return e.program + ".txt"; }

bool SetText(HKEY root, const char* key, const char* name, const std::string& text) {
  return ::RegSetKeyValueA(root, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1)) ==
         ERROR_SUCCESS;
}

bool ReadText(HKEY root, const char* key, const char* name, std::string* text) {
  char data[2048] = {};
  DWORD size = sizeof(data) - 1;
  if (::RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS) return false;
  *text = data;
  return true;
}

bool DeleteValue(HKEY root, const char* key, const char* name) {
  RegKeyHandle k;
  if (::RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, k.Put()) != ERROR_SUCCESS) return false;
  return ::RegDeleteValueA(k.Get(), name) == ERROR_SUCCESS;
}

// Where Windows reads it: the Run value, or the shortcut file.
bool Stands(const Entry& e) {
  if (e.place == UserFolder)
    return ::GetFileAttributesA(LinkPath(e).c_str()) != INVALID_FILE_ATTRIBUTES;
  std::string text;
  return ReadText(RootOf(e), kRun, e.name.c_str(), &text);
}

bool SaveShortcut(const Entry& e) {
  qm::win32::ComPtr<IShellLinkA> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.Put()))))
    return false;
  link->SetPath(e.program.c_str());
  link->SetArguments("/bench");
  qm::win32::ComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put())))) return false;
  wchar_t path[MAX_PATH];
  ::MultiByteToWideChar(CP_UTF8, 0, LinkPath(e).c_str(), -1, path, MAX_PATH);
  return SUCCEEDED(file->Save(path, TRUE));
}

int Plant(const char* probe) {
  qm::win32::ComApartment com;
  ::CreateDirectoryA(kProbeFolder, nullptr);
  for (const Entry& e : Entries()) {
    if (!::CopyFileA(probe, e.program.c_str(), FALSE)) throw Failure("cannot copy the probe to " + e.program);
    bool planted = false;
    if (e.place != UserFolder) {
      planted = SetText(RootOf(e), kRun, e.name.c_str(), "\"" + e.program + "\" /bench");
    } else {
      ::SHCreateDirectoryExA(nullptr, StartupFolder().c_str(), nullptr);
      planted = SaveShortcut(e);
    }
    if (!planted) throw Failure("cannot plant '" + e.name + "' in the " + kPlaceNames[e.place]);
  }
  return 0;
}

// What the setup writes: the stored location, the Init flags at 0 where
// missing, and the next log-on armed.
int Install(const std::string& folder) {
  const DWORD zero = 0;
  for (const char* flag : {"Init Service", "Init Startup", "Init Shortcut"}) {
    DWORD value = 0, size = sizeof(value);
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, kProduct, flag, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS &&
        ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kProduct, flag, REG_DWORD, &zero, sizeof(zero)) != ERROR_SUCCESS)
      throw Failure(std::string("cannot write \"") + flag + "\"");
  }
  for (const char* kind : {"Run", "RunServices", "Shc"}) {
    RegKeyHandle key;
    std::string path = std::string(kProduct) + "\\" + kind + "\\Selections";
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, key.Put(), nullptr) !=
        ERROR_SUCCESS)
      throw Failure("cannot create " + path);
  }
  if (!SetText(HKEY_LOCAL_MACHINE, kRunOnce, kStartupValue, "\"" + folder + "\\Quillmoor.exe\" /startup"))
    throw Failure("cannot arm the next log-on");
  return 0;
}

// ---------------------------------------------------------------- processes

// Wall-clock time in milliseconds: the clock the file system stamps records with.
double Now() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return static_cast<double>((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) /
         10000.0;
}

KernelObject Start(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    throw Failure("cannot start " + commandLine);
  ::CloseHandle(info.hThread);
  return KernelObject(info.hProcess);
}

bool Ended(const KernelObject& process, DWORD milliseconds) {
  return ::WaitForSingleObject(process.Get(), milliseconds) == WAIT_OBJECT_0;
}

// The processes whose file name is one of these (compared as Windows compares names).
std::vector<DWORD> ProcessesNamed(const std::vector<std::string>& names) {
  std::vector<DWORD> ids;
  qm::win32::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 process{};
  process.dwSize = sizeof(process);
  for (BOOL more = ::Process32First(snapshot.Get(), &process); more; more = ::Process32Next(snapshot.Get(), &process))
    for (const std::string& name : names)
      if (::lstrcmpiA(process.szExeFile, name.c_str()) == 0) ids.push_back(process.th32ProcessID);
  return ids;
}

// The program's main window (the one that holds the tree), shown or not.
HWND MainWindowOf(DWORD process) { return qm::test::ProcessWindow(process, "Quill Moor", IDC_MAIN_TREE, true); }

BOOL CALLBACK FindUnpainted(HWND child, LPARAM param) {
  if (::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(param) = true;
    return FALSE;
  }
  return TRUE;
}
// Shown, and nothing of it waits to be painted.
bool Painted(HWND window) {
  if (!::IsWindowVisible(window) || ::GetUpdateRect(window, nullptr, FALSE)) return false;
  bool unpainted = false;
  ::EnumChildWindows(window, &FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
  return !unpainted;
}

// ------------------------------------------------------- the /startup window


// ------------------------------------------------------------------ a round

struct Figures {
  double window = 0, launch = 0, windows = 0;  // milliseconds
  double Whole() const { return window + launch; }
};

class Bench {
 public:
  Bench() : entries_(Entries()) {
    for (const Entry& e : entries_) probeNames_.push_back(e.program.substr(e.program.rfind('\\') + 1));
    if (!ReadText(HKEY_LOCAL_MACHINE, kRunOnce, kStartupValue, &armed_))
      throw Failure("\"QM Init Startups\" is not armed in HKLM RunOnce: install the program first");
  }

  // Windows' own start-up processing of the entries, the program not armed.
  double WindowsPass(const char* round) {
    Prepare(round);
    DeleteValue(HKEY_LOCAL_MACHINE, kRunOnce, kStartupValue);
    const double started = Now();
    KernelObject boot = Start("wineboot.exe");
    const double last = LastStart(round, "Windows' own pass");
    if (!Ended(boot, kWaitMs)) throw Failure(std::string(round) + ": wineboot did not end");
    if (!SetText(HKEY_LOCAL_MACHINE, kRunOnce, kStartupValue, armed_))
      throw Failure("cannot arm \"QM Init Startups\" again");
    if (!ProcessesNamed({"Quillmoor.exe"}).empty())
      throw Failure(std::string(round) + ": Quill Moor ran in Windows' own pass");
    return last - started;
  }

  // The same log-on with the program armed: its window, LAUNCH, its return.
  void QuillMoorPass(const char* round, Figures* figures) {
    Prepare(round);
    std::string armed;
    if (!ReadText(HKEY_LOCAL_MACHINE, kRunOnce, kStartupValue, &armed))
      throw Failure(std::string(round) + ": \"QM Init Startups\" is not armed");
    const double started = Now();
    KernelObject boot = Start("wineboot.exe");
    KernelObject startup;
    HWND window = nullptr;
    for (;;) {
      if (!startup) {
        std::vector<DWORD> ids = ProcessesNamed({"Quillmoor.exe"});
        if (!ids.empty()) startup.Reset(::OpenProcess(PROCESS_ALL_ACCESS, FALSE, ids[0]));
      }
      if (startup && !window) window = MainWindowOf(::GetProcessId(startup.Get()));
      // Painted, and its thread back at its messages: what it drew has reached the screen.
      if (window && Painted(window)) {
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
        if (Painted(window)) break;
      }
      if (startup && Ended(startup, 0)) throw Failure(std::string(round) + ": \"/startup\" ended without its window");
      if (!startup && Ended(boot, 0)) throw Failure(std::string(round) + ": wineboot did not start \"/startup\"");
      if (Now() - started > kWaitMs) throw Failure(std::string(round) + ": no \"/startup\" window painted");
      ::Sleep(2);
    }
    figures->window = Now() - started;

    TickAll(round, startup.Get(), window);
    const double pressed = Now();
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_LAUNCH_LEFT, BN_CLICKED), 0);
    figures->launch = LastStart(round, "LAUNCH") - pressed;
    if (!Ended(startup, kWaitMs)) throw Failure(std::string(round) + ": the \"/startup\" window did not end after LAUNCH");
    if (!Ended(boot, kWaitMs)) throw Failure(std::string(round) + ": wineboot did not end");
    Cleanup(round);
  }

 private:
  // Every entry stands where Windows reads it, no record is left, no probe runs.
  void Prepare(const char* round) {
    for (int i = 0; !ProcessesNamed(probeNames_).empty(); ++i, ::Sleep(10))
      if (i > 1000) throw Failure(std::string(round) + ": probes of the last pass still run");
    for (const Entry& e : entries_) {
      if (!Stands(e)) throw Failure(std::string(round) + ": '" + e.name + "' is not where Windows reads it");
      ::DeleteFileA(Record(e).c_str());
    }
  }

  // The moment the last probe wrote its record.
  double LastStart(const char* round, const char* pass) {
    const double waiting = Now();
    for (;;) {
      double last = 0;
      std::string missing;
      for (const Entry& e : entries_) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExA(Record(e).c_str(), GetFileExInfoStandard, &data) || data.nFileSizeLow == 0) {
          missing += (missing.empty() ? "'" : ", '") + e.name + "' (" + kPlaceNames[e.place] + ")";
          continue;
        }
        const FILETIME& t = data.ftLastWriteTime;
        last = std::max(last, static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                                  t.dwLowDateTime) / 10000.0);
      }
      if (missing.empty()) return last;
      if (Now() - waiting > kWaitMs)
        throw Failure(std::string(round) + ", " + pass + ": never started: " + missing);
      ::Sleep(10);
    }
  }

  // Each of the entries listed, none started yet, every box ticked.
  void TickAll(const char* round, HANDLE process, HWND window) {
    RemoteTree tree(process, ::GetDlgItem(window, IDC_MAIN_TREE));
    if (!tree.Ready()) throw Failure("cannot read the tree of the \"/startup\" window");
    std::vector<RemoteTree::Item> items = tree.Entries();
    for (const Entry& e : entries_) {
      auto item = std::find_if(items.begin(), items.end(), [&](const RemoteTree::Item& i) { return i.text == e.name; });
      if (item == items.end()) throw Failure(std::string(round) + ": '" + e.name + "' is not listed in the window");
      if (::GetFileAttributesA(Record(e).c_str()) != INVALID_FILE_ATTRIBUTES)
        throw Failure(std::string(round) + ": '" + e.name + "' started before LAUNCH");
      if (!item->checked && !tree.ClickCheckBox(item->handle))
        throw Failure(std::string(round) + ": the box of '" + e.name + "' did not take the click");
    }
  }

  // HKCU RunOnce as Explorer runs it, each value deleted before its program
  // starts; "/cleanup" returns the entries and waits in the tray, where it is
  // left with Exit.
  void Cleanup(const char* round) {
    KernelObject cleanup;
    {
      RegKeyHandle key;
      if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRunOnce, 0, KEY_READ | KEY_SET_VALUE, key.Put()) != ERROR_SUCCESS)
        throw Failure(std::string(round) + ": no HKCU RunOnce key after \"/startup\"");
      char name[256];
      DWORD length = sizeof(name);
      while (::RegEnumValueA(key.Get(), 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        std::string command;
        ReadText(HKEY_CURRENT_USER, kRunOnce, name, &command);
        ::RegDeleteValueA(key.Get(), name);
        KernelObject process = Start(command);
        if (std::string(name) == "QM Init Cleanups") cleanup = std::move(process);
        length = sizeof(name);
      }
    }
    if (!cleanup) throw Failure(std::string(round) + ": \"QM Init Cleanups\" was not armed after \"/startup\"");
    HWND tray = nullptr;
    for (int i = 0; !tray; ++i, ::Sleep(10)) {
      tray = MainWindowOf(::GetProcessId(cleanup.Get()));
      if (!tray && (Ended(cleanup, 0) || i > 3000))
        throw Failure(std::string(round) + ": \"/cleanup\" did not wait in the tray");
    }
    ::PostMessageA(tray, WM_COMMAND, MAKEWPARAM(ID_TRAY_EXIT, 0), 0);
    if (!Ended(cleanup, kWaitMs)) throw Failure(std::string(round) + ": \"/cleanup\" did not end on Exit");
  }

  std::vector<Entry> entries_;
  std::vector<std::string> probeNames_;
  std::string armed_;  // the "QM Init Startups" command, set aside for Windows' own pass
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Print(const char* label, const Figures& f) {
  std::printf("%s: log-on to window painted %.0f ms, LAUNCH to last probe %.0f ms, Windows' own pass %.0f ms;"
              " ratios %.2f (whole log-on), %.2f (LAUNCH to last probe)\n",
              label, f.window, f.launch, f.windows, f.Whole() / f.windows, f.launch / f.windows);
  std::fflush(stdout);
}

int Rounds(int rounds) {
  Bench bench;
  std::printf("%d entries (", kEntries);
  for (int p = 0; p < kPlaces; ++p)
    std::printf("%s%d %s", p ? ", " : "", (kEntries - p + kPlaces - 1) / kPlaces, kPlaceNames[p]);
  std::printf("); RunServices and the common Startup folder left out: Wine's log-on runs neither\n");
  std::vector<Figures> all;
  for (int r = 0; r <= rounds; ++r) {
    std::string label = r ? "round " + std::to_string(r) : std::string("warm-up");
    Figures f;
    f.windows = bench.WindowsPass(label.c_str());
    bench.QuillMoorPass(label.c_str(), &f);
    Print(label.c_str(), f);
    if (r) all.push_back(f);
  }
  std::vector<double> window, launch, windows, whole, launchRatio;
  for (const Figures& f : all) {
    window.push_back(f.window);
    launch.push_back(f.launch);
    windows.push_back(f.windows);
    whole.push_back(f.Whole() / f.windows);
    launchRatio.push_back(f.launch / f.windows);
  }
  std::printf("medians of %d rounds: log-on to window painted %.0f ms, LAUNCH to last probe %.0f ms,"
              " Windows' own pass %.0f ms\n",
              rounds, Median(window), Median(launch), Median(windows));
  std::printf("median ratios: whole log-on with Quill Moor / Windows' own pass %.2f,"
              " LAUNCH to last probe / Windows' own pass %.2f\n",
              Median(whole), Median(launchRatio));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "plant" && argc == 3) return Plant(argv[2]);
    if (command == "install" && argc == 3) return Install(argv[2]);
    if (command == "rounds" && argc == 3 && std::atoi(argv[2]) > 0) return Rounds(std::atoi(argv[2]));
  } catch (const Failure& failure) {
    std::printf("could not measure: %s\n", failure.what());
    return 1;
  }
  std::fprintf(stderr, "usage: qmlogon_bench plant PROBE.exe | install FOLDER | rounds N\n");
  return 2;
}
