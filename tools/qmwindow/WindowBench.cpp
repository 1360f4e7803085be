// qmwindow_bench: how long a start takes until the main window stands
// populated and painted on the screen, against a minimal dialog with a tree of
// as many items, both timed from the creation of their own process.
//
//   qmwindow_bench fill N       N services, startups and shortcuts, all of qmprobe
//   qmwindow_bench clear N      removes them again
//   qmwindow_bench window       opens the main window (normal start), prints the time, ends
//   qmwindow_bench baseline N   opens a bare dialog with a 3*N-item tree, prints the time, ends
//   qmwindow_bench controls N   opens the main window's own template, all its controls, with a
//                               3*N-item tree and owner-drawn faces that are only filled: what any
//                               window with these controls costs, before the program does anything
//
// Times go to standard output in milliseconds; nothing here passes or fails.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/MainIds.h"
#include "app/res/resource.h"
#include "app/win32/WindowSession.h"
#include "engine/foundation/Log.h"
#include "platform/Identity.h"
#include "platform/win32/Handles.h"

namespace {

using qm::CServiceEngineer;
using qm::CShortcutEngineer;
using qm::CStartupEngineer;

double MillisecondsSinceProcessStart() {
  FILETIME created, exited, kernel, user, now;
  ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
  ::GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

std::string Beside(const char* file) {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}

std::string Name(const char* kind, int i) { return std::string("Bench ") + kind + " " + std::to_string(i); }

void Fill(int count) {
  std::string probe = Beside("qmprobe.exe");
  for (int i = 0; i < count; ++i) {
    CServiceEngineer().CreateRunServiceEntry(Name("Service", i), probe, "bench", 1);
    CStartupEngineer().CreateRunEntry(Name("Startup", i), probe, "bench", 0, 1);
    qm::platform::IconHandle icon = 0;
    CShortcutEngineer().CreateShcEntry(&icon, Name("Shortcut", i), probe, "bench", 0, 1);
    qm::win32::IconHandle owned(reinterpret_cast<HICON>(icon));
  }
}

void Clear(int count) {
  for (int i = 0; i < count; ++i) {
    CServiceEngineer().RemoveRunServiceEntry(Name("Service", i), 1);
    CStartupEngineer().RemoveRunEntry(Name("Startup", i), 1);
    CShortcutEngineer().RemoveShcEntry(Name("Shortcut", i), 1);
  }
}

void ShowAndReport(HWND window) {
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  std::printf("%.1f\n", MillisecondsSinceProcessStart());
  std::fflush(stdout);
}

int Window() {
  qm::app::MainWindowSetup setup;
  setup.inRegistry = 1;
  setup.trayMode = true;
  qm::app::WindowSession session(setup, nullptr);
  if (!session.Dialog().Create()) return 1;
  session.Logic().OnCommand(ID_TRAY_OPEN);
  ShowAndReport(session.Dialog().Window());
  session.Dialog().Destroy();
  return 0;
}

// A dialog template in memory: Arial 8, the main window's size, one tree.
std::vector<WORD> BareTemplate() {
  std::vector<WORD> words;
  auto add = [&](DWORD value, int count) {
    for (int i = 0; i < count; ++i) words.push_back(i == 0 ? LOWORD(value) : HIWORD(value));
  };
  auto text = [&](const wchar_t* s) {
    do words.push_back(*s); while (*s++);
  };
  auto align = [&] {
    if (words.size() % 2) words.push_back(0);
  };
  add(WS_POPUP | DS_SETFONT | DS_CENTER, 2);  // style
  add(0, 2);                                  // extended style
  words.push_back(1);                         // one control
  words.insert(words.end(), {0, 0, 253, 199});
  words.insert(words.end(), {0, 0});  // no menu, default class
  text(L"");                          // no title
  words.push_back(8);
  text(L"Arial");
  align();
  add(WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_CHECKBOXES, 2);
  add(0, 2);
  words.insert(words.end(), {35, 72, 183, 75, 1011});
  text(L"SysTreeView32");
  text(L"");
  words.push_back(0);
  return words;
}

INT_PTR CALLBACK BareProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// The least an owner-drawn control can draw: its face, filled.
INT_PTR CALLBACK ControlsProc(HWND, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    ::FillRect(item->hDC, &item->rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    return TRUE;
  }
  return message == WM_INITDIALOG;
}

void FillTree(HWND tree, int count) {
  const char* kinds[] = {"Services", "Startups", "Shortcuts"};
  for (const char* kind : kinds) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(kind);
    auto root = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    for (int i = 0; i < count; ++i) {
      std::string name = Name(kind, i);
      insert.hParent = root;
      insert.item.pszText = const_cast<char*>(name.c_str());
      ::SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
    }
  }
}

int Baseline(int count) {
  std::vector<WORD> words = BareTemplate();
  qm::win32::WindowHandle window(::CreateDialogIndirectParamA(
      ::GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(words.data()), nullptr, BareProc, 0));
  if (!window) return 1;
  FillTree(::GetDlgItem(window.Get(), 1011), count);
  ShowAndReport(window.Get());
  return 0;
}

int Controls(int count) {
  qm::win32::WindowHandle window(
      ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN_WINDOW), nullptr, ControlsProc, 0));
  if (!window) return 1;
  // Its check boxes as the window switches them on.
  HWND tree = ::GetDlgItem(window.Get(), IDC_MAIN_TREE);
  ::SetWindowLongPtrA(tree, GWL_STYLE, ::GetWindowLongPtrA(tree, GWL_STYLE) | TVS_CHECKBOXES);
  FillTree(tree, count);
  ShowAndReport(window.Get());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  std::string mode = argc > 1 ? argv[1] : "";
  int count = argc > 2 ? std::atoi(argv[2]) : 50;
  if (mode == "baseline") return Baseline(count);
  if (mode == "controls") return Controls(count);
  qm::win32::ComApartment com;
  qm::CLog::SetApplicationNames(qm::identity::kApplicationName, qm::identity::kExecutableName);
  int result = 2;
  if (mode == "fill") Fill(count), result = 0;
  if (mode == "clear") Clear(count), result = 0;
  if (mode == "window") result = Window();
  if (result == 2) std::fprintf(stderr, "usage: qmwindow_bench fill N | clear N | window | baseline N | controls N\n");
  return result;
}
