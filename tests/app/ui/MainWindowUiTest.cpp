// The real main window over the real registry, opened as the program opens it
// and driven from a second thread with real mouse clicks and keys. Every entry
// points at its own copy of qmprobe, so that what was started, and in which
// order, can be read back from the probes' files and the log.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/MainIds.h"
#include "app/win32/WindowSession.h"
#include "controls/ODControls.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/win32/Handles.h"
#include "tests/dialogs/ui/UiSupport.h"
#include "tests/support/ReadOnlyKey.h"

namespace qm::test {
namespace {

constexpr UINT kTrayMessage = app::MainDialog::kTrayMessage;

std::string ProgramFolder() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  return folder.substr(0, folder.find_last_of('\\'));
}

// One entry of the fixture: its kind, name, selection flag and probe.
struct Probe {
  int kind;
  std::string name;
  int selected;
  std::string Exe() const { return ProgramFolder() + "\\probe-" + name + ".exe"; }
  std::string Record() const { return Exe() + ".txt"; }
  bool Started() const { return ::GetFileAttributesA(Record().c_str()) != INVALID_FILE_ATTRIBUTES; }
};

// Window-tree helpers, all answered by the window's thread.
std::vector<HTREEITEM> Children(HWND tree, HTREEITEM parent) {
  std::vector<HTREEITEM> items;
  for (HTREEITEM item = parent ? TreeView_GetChild(tree, parent) : TreeView_GetRoot(tree); item;
       item = TreeView_GetNextSibling(tree, item))
    items.push_back(item);
  return items;
}
std::string ItemText(HWND tree, HTREEITEM item) {
  char text[260] = {};
  TVITEMA data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = sizeof(text);
  ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}
HTREEITEM Find(HWND tree, const std::string& text) {
  for (HTREEITEM root : Children(tree, nullptr)) {
    if (ItemText(tree, root) == text) return root;
    for (HTREEITEM child : Children(tree, root))
      if (ItemText(tree, child) == text) return child;
  }
  return nullptr;
}
bool Checked(HWND tree, HTREEITEM item) { return TreeView_GetCheckState(tree, item) == 1; }

// Real input, at a point of a window's client area.
void MouseAt(HWND window, int x, int y) {
  POINT point = {x, y};
  ::ClientToScreen(window, &point);
  ::SetCursorPos(point.x, point.y);
}
// Settles afterwards unless the click starts work that keeps the window's thread busy.
void Click(HWND window, int x, int y, bool twice = false, bool settle = true) {
  MouseAt(window, x, y);
  for (int i = 0; i < (twice ? 2 : 1); ++i) {
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  }
  if (settle) Settle(::GetAncestor(window, GA_ROOT));
}
void ClickControl(HWND dialog, int id, bool settle = true) {
  RECT rect;
  HWND control = ::GetDlgItem(dialog, id);
  ::GetClientRect(control, &rect);
  Click(control, rect.right / 2, rect.bottom / 2, false, settle);
}
void Press(WORD key) {
  ::keybd_event(static_cast<BYTE>(key), 0, 0, 0);
  ::keybd_event(static_cast<BYTE>(key), 0, KEYEVENTF_KEYUP, 0);
}
// The item's text rectangle, for clicks relative to it.
RECT TextRect(HWND tree, HTREEITEM item) {
  RECT rect{};
  *reinterpret_cast<HTREEITEM*>(&rect) = item;
  ::SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rect));
  return rect;
}
void ClickBox(HWND tree, HTREEITEM item) {
  // Two clicks on one spot in quick succession would make a double-click.
  ::Sleep(::GetDoubleClickTime() + 100);
  RECT text = TextRect(tree, item);
  Click(tree, text.left - 26, (text.top + text.bottom) / 2);
}
void ClickText(HWND tree, HTREEITEM item, bool twice = false) {
  RECT text = TextRect(tree, item);
  Click(tree, text.left + 4, (text.top + text.bottom) / 2, twice);
}

struct WindowSearch {
  const char* className;
  const std::string* title;
  HWND besides, found;
};
BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  char name[64] = {};
  ::GetClassNameA(window, name, sizeof(name));
  if (window == search->besides || !::IsWindowVisible(window) || std::string(name) != search->className) return TRUE;
  if (!search->title->empty() && TextOf(window) != *search->title) return TRUE;
  search->found = window;
  return FALSE;
}

// A visible top-level window of the window's thread (or of `thread`), other
// than `besides`, that matches; settled unless the thread is known to be busy.
HWND WaitForWindow(const char* className, const std::string& title, HWND besides, int tries = 200,
                   bool settle = true, DWORD thread = 0) {
  for (int i = 0; i < tries; ++i) {
    WindowSearch search{className, &title, besides, nullptr};
    ::EnumThreadWindows(thread ? thread : ::GetWindowThreadProcessId(besides, nullptr), MatchWindow,
                        reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      if (settle) Settle(search.found);
      return search.found;
    }
    ::Sleep(50);
  }
  return nullptr;
}
// Answers the message box the window opens with a button; the box's text.
std::string Answer(HWND main, int button) {
  HWND box = WaitForWindow("#32770", "Quill Moor", main);
  if (!box) return "";
  std::string text = MessageBoxText(box);
  ::PostMessageA(box, WM_COMMAND, button, 0);
  WaitUntilClosed(box);
  return text;
}

// Whether the notification area holds the window's icon: the shell modifies
// only an icon it has.
bool HasTrayIcon(HWND main) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V1_SIZE;
  data.hWnd = main;
  data.uID = IDI_PROGRAM;
  return ::Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// The shell takes the icon on its own time: waits up to five seconds for it to be there or gone.
bool TrayIconComes(HWND main, bool present) {
  for (int i = 0; i < 50; ++i) {
    if (HasTrayIcon(main) == present) return true;
    ::Sleep(100);
  }
  return false;
}

std::string ThemeValue() {
  std::string value;
  CRegistry().GetValue(HKeyCurrentUser, kProductKey, kThemeValue, &value);
  return value;
}

struct Aside {
  RegKey root;
  const char* key;
  const char* away;
};
// The public keys of both registry views: the window lists the view this
// build does not see as well.
std::vector<Aside> SetAside() {
  std::vector<Aside> aside = {
      {HKeyCurrentUser, kRunKey, "Software\\Quill Moor window test\\Run"},
      {HKeyLocalMachine, kRunKey, "Software\\Quill Moor window test\\Run"},
      {HKeyLocalMachine, kRunServicesKey, "Software\\Quill Moor window test\\RunServices"},
  };
  if (RegKey other = OtherPublicView(); other != platform::kNoKey) {
    aside.push_back({other, kRunKey, "Software\\Quill Moor window test\\Run"});
    aside.push_back({other, kRunServicesKey, "Software\\Quill Moor window test\\RunServices"});
  }
  return aside;
}

class MainWindowUi : public testing::Test {
 protected:
  enum { kService, kStartup, kShortcut };

  void SetUp() override {
    CLog::SetApplicationNames("Quill Moor", "Quillmoor");
    ::DeleteFileA(CLog::GetProgramPathWith("Quillmoor.log").c_str());
    CLog::Setup();
    CRegistry registry;
    registry.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
    registry.CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
    registry.CreateKey(HKeyCurrentUser, kStoredShcSelectionsKey);
    registry.DeleteValue(HKeyCurrentUser, kProductKey, kThemeValue);
    // What the prefix holds already (a 64-bit Wine prefix starts winemenubuilder
    // as a service) is set aside, so that the window lists exactly our probes.
    for (const Aside& aside : SetAside()) registry.Move(aside.root, aside.root, aside.key, aside.away, 1);
    for (const Probe& probe : probes_) Add(probe, probe.name + "-argument");
  }
  void TearDown() override {
    CRegistry registry;
    for (const Aside& aside : SetAside()) registry.Move(aside.root, aside.root, aside.away, aside.key, 1);
    for (const Probe& probe : probes_) Remove(probe);
    Remove({kStartup, "Probe Created", 0});
    Remove({kStartup, "Probe Renamed", 0});
    ::DeleteFileA(Probe{kStartup, "Probe Created", 0}.Exe().c_str());
  }
  void Add(const Probe& probe, const std::string& argument) {
    ::CopyFileA((ProgramFolder() + "\\qmprobe.exe").c_str(), probe.Exe().c_str(), FALSE);
    ::DeleteFileA(probe.Record().c_str());
    if (probe.kind == kService) {
      services_.CreateRunServiceEntry(probe.name, probe.Exe(), argument, 1);
      services_.SetRunServiceSelection(probe.name, probe.selected);
    } else if (probe.kind == kStartup) {
      startups_.CreateRunEntry(probe.name, probe.Exe(), argument, 0, 1);
      startups_.SetRunSelection(probe.name, probe.selected, 1);
    } else {
      platform::IconHandle icon = 0;
      shortcuts_.CreateShcEntry(&icon, probe.name, probe.Exe(), argument, 0, 1);
      if (icon) ::DestroyIcon(reinterpret_cast<HICON>(icon));
      shortcuts_.SetShcSelection(probe.name, probe.selected, 1);
    }
  }
  void Remove(const Probe& probe) {
    if (probe.kind == kService) services_.RemoveRunServiceEntry(probe.name, 1);
    if (probe.kind == kStartup) startups_.RemoveRunEntry(probe.name, 1);
    if (probe.kind == kShortcut) shortcuts_.RemoveShcEntry(probe.name, 1);
    ::DeleteFileA(probe.Record().c_str());
  }

  // Opens the window as a normal start does (or as a "/cleanup" run does, which
  // takes the services when it is left), runs drive on a second thread with the
  // window, and closes the window afterwards if it is still there.
  void Run(const std::function<void(app::WindowSession&, HWND)>& drive, bool cleanupRun = false,
           bool machineFixed = false) {
    app::MainWindowSetup setup;
    setup.machineFixed = machineFixed;
    setup.inRegistry = 1;
    setup.trayMode = true;
    setup.takeServicesOnClose = cleanupRun;
    app::WindowSession session(setup, [this] { ++servicesTaken_; });
    ASSERT_TRUE(session.Dialog().Create());
    session.Logic().OnCommand(ID_TRAY_OPEN);
    HWND main = session.Dialog().Window();
    WithDriver(
        [&] { return session.Dialog().RunMessageLoop(); },
        [&] {
          Settle(main);
          drive(session, main);
          if (::IsWindow(main)) ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), 0);
        });
  }

  CServiceEngineer services_;
  CStartupEngineer startups_;
  CShortcutEngineer shortcuts_;
  std::atomic<int> servicesTaken_{0};
  std::vector<Probe> probes_ = {{kService, "Probe Service", 1},
                                {kStartup, "Probe Startup A", 0},
                                {kStartup, "Probe Startup B", 1},
                                {kShortcut, "Probe Shortcut", 1}};
};

// What a screen reader hears of each entry of the tree: its name, its tick,
// and in words what the window otherwise only draws (the missing program's
// sign, the 32-bit programs' badge); its default action ticks as Space does.
TEST_F(MainWindowUi, TheTreeTellsScreenReadersEachEntryAndWhatItsSignsMean) {
  CRegistry registry;
  // An entry of the 32-bit programs' view, whichever build runs, where there are two views.
  const RegKey other = OtherPublicView() == platform::kNoKey ? platform::kNoKey : platform::kHklm32View;
  registry.SetValue(HKeyCurrentUser, kRunKey, "Probe Gone", std::string("C:\\gone\\probe-gone.exe "));
  if (other != platform::kNoKey) registry.SetValue(other, kRunKey, "Probe View", probes_[1].Exe() + " ");
  Run([&](app::WindowSession&, HWND main) {
    win32::ComApartment com;
    HWND tree = ::GetDlgItem(main, IDC_MAIN_TREE);
    for (const char* root : {"Services", "Startups", "Shortcuts"})
      ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Find(tree, root)));
    Settle(main);
    win32::ComPtr<IAccessible> object;
    ASSERT_HRESULT_SUCCEEDED(::AccessibleObjectFromWindow(tree, OBJID_CLIENT, __uuidof(IAccessible),
                                                          reinterpret_cast<void**>(object.Put())));
    auto heard = [&] {
      std::map<std::string, std::pair<long, Heard>> items;  // name -> child id, what is heard
      long count = 0;
      object->get_accChildCount(&count);
      for (long id = 1; id <= count; ++id) items[Hear(object.Get(), id).name] = {id, Hear(object.Get(), id)};
      return items;
    };
    auto items = heard();
    EXPECT_EQ(items.size(), 3u + probes_.size() + 1 + (other != platform::kNoKey));
    EXPECT_EQ(items["Probe Startup B"].second.state & STATE_SYSTEM_CHECKED, STATE_SYSTEM_CHECKED);
    EXPECT_EQ(items["Probe Startup A"].second.state & STATE_SYSTEM_CHECKED, 0);
    EXPECT_NE(std::string::npos, items["Probe Gone"].second.description.find("The program file is missing."));
    if (other != platform::kNoKey)
      EXPECT_NE(std::string::npos, items["Probe View"].second.description.find("Public entry of 32-bit programs"));
    VARIANT a{};  // the default action ticks "Probe Startup A", as the tree and the reader both say
    a.vt = VT_I4;
    a.lVal = items["Probe Startup A"].first;
    EXPECT_EQ(S_OK, object->accDoDefaultAction(a));
    Settle(main);
    EXPECT_EQ(heard()["Probe Startup A"].second.state & STATE_SYSTEM_CHECKED, STATE_SYSTEM_CHECKED);
  });
  registry.DeleteValue(HKeyCurrentUser, kRunKey, "Probe Gone");
  if (other != platform::kNoKey) registry.DeleteValue(other, kRunKey, "Probe View");
}

// The controls of a window whose text does not fit them, each said on the
// standard output. A text fits when it can be drawn inside the control as the
// control draws it: a button's within its edge (on the main window's toolbar
// under its tile), a label's wrapped, a line of a field's or a list's font.
int Clipped(HWND window, const std::string& title, bool mainWindow) {
  const int dpi = ::GetDeviceCaps(::GetDC(nullptr), LOGPIXELSY);
  int clipped = 0;
  HDC dc = ::CreateCompatibleDC(nullptr);
  for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    char kind[32] = {};
    ::GetClassNameA(child, kind, sizeof(kind));
    const std::string text = TextOf(child), type = kind;
    const LONG style = ::GetWindowLongA(child, GWL_STYLE), id = ::GetDlgCtrlID(child);
    RECT room, need = {0, 0, 0, 0};
    ::GetClientRect(child, &room);
    ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    const int line = metrics.tmHeight - metrics.tmInternalLeading;
    bool fits = true;
    if (type == "Button") {
      if ((style & BS_TYPEMASK) == BS_OWNERDRAW) ::InflateRect(&room, -2, -2);  // the face's edge
      const bool rows = text.find('\n') != std::string::npos;
      need.right = room.right - room.left;
      ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | (rows ? DT_WORDBREAK : DT_SINGLELINE));
      int height = rows ? need.bottom : line;
      if (mainWindow && id >= IDC_MAIN_SERVICE && id <= IDC_MAIN_SHORTCUT) height += ::MulDiv(24, dpi, 96) + 3;
      fits = need.right <= room.right - room.left + 1 && height <= room.bottom - room.top;
    } else if (type == "Static" && (style & SS_TYPEMASK) != SS_ICON) {
      need.right = room.right;
      ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK);
      fits = need.right <= room.right && need.bottom <= room.bottom + metrics.tmInternalLeading;
    } else if (type == "Edit" || type == "ComboBox") {
      fits = line <= room.bottom;
    }
    if (fits) continue;
    ++clipped;
    std::printf("%d dpi, %s: \"%s\" needs %ldx%ld, has %ldx%ld\n", dpi, title.c_str(), text.c_str(), need.right,
                need.bottom, room.right - room.left, room.bottom - room.top);
  }
  ::DeleteDC(dc);
  return clipped;
}

// The screen's dots per inch is a setting Wine reads when a program starts, so
// this test starts itself once at each of 96, 144 and 192, and each run opens
// every window of the program (the main window, the "/startup" window, the
// three entry dialogs, the about box), measures each control's text against
// its rectangle and keeps screenshots. One more run, under a high-contrast
// scheme and a theme with colours and a picture, finds the scheme's colours.
TEST_F(MainWindowUi, EveryWindowFitsItsTextAtEachDpi) {
  const std::string results = ProgramFolder() + "\\dpi-results.txt";
  if (!std::getenv("QM_DPI")) {
    const std::string kept = ProgramFolder() + "\\control-panel.reg", self = ProgramFolder() + "\\app_ui_tests.exe";
    std::system(("reg export \"HKCU\\Control Panel\" \"" + kept + "\" /y").c_str());  // put back whole afterwards
    ::SetEnvironmentVariableA("QM_DPI", "1");
    auto run = [&](DWORD dpi) {  // dots per inch, windows, clipped, drawn in the system's colours
      ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi, sizeof(dpi));
      std::system((self + " --gtest_filter=MainWindowUi.EveryWindowFitsItsTextAtEachDpi").c_str());
      std::vector<int> got(4, -1);
      std::ifstream read(results);
      for (int& number : got) read >> number;
      EXPECT_EQ(got[0], static_cast<int>(dpi));
      return got;
    };
    int clipped = 0;
    for (DWORD dpi : {96, 144, 192}) {
      std::vector<int> got = run(dpi);
      EXPECT_EQ(got[1], 6) << dpi;
      clipped += got[2];
    }
    EXPECT_EQ(clipped, 0);
    std::printf("DPI: 96, 144, 192: %d windows, %d clipped\n", 6, clipped);
    const char* scheme[][3] = {{"Accessibility\\HighContrast", "Flags", "127"}, {"Colors", "ButtonFace", "0 0 0"},
                               {"Colors", "Window", "0 0 0"}, {"Colors", "ButtonText", "255 255 255"},
                               {"Colors", "WindowText", "255 255 255"}};
    for (const auto& value : scheme)
      ::RegSetKeyValueA(HKEY_CURRENT_USER, (std::string("Control Panel\\") + value[0]).c_str(), value[1], REG_SZ,
                        value[2], static_cast<DWORD>(std::string(value[2]).size() + 1));
    CRegistry().SetValue(HKeyCurrentUser, kProductKey, kThemeValue, std::string("Heather"));
    EXPECT_EQ(run(96)[3], 1);
    ::SetEnvironmentVariableA("QM_DPI", nullptr);
    std::system("reg delete \"HKCU\\Control Panel\" /f");
    std::system(("reg import \"" + kept + "\"").c_str());
    return;
  }
  const int dpi = ::GetDeviceCaps(::GetDC(nullptr), LOGPIXELSY);
  const bool contrast = controls::HighContrast();
  int measured = 0, clipped = 0, systemColours = 0;
  auto look = [&](HWND window, const std::string& name) {
    ++measured;
    clipped += Clipped(window, name, name.find("window") != std::string::npos);
    SaveScreenshot(window, (contrast ? "high-contrast-" : "dpi-" + std::to_string(dpi) + "-") + name);
  };
  Run([&](app::WindowSession&, HWND main) {
    HWND tree = ::GetDlgItem(main, IDC_MAIN_TREE);
    for (const char* root : {"Services", "Startups", "Shortcuts"})
      ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Find(tree, root)));
    Settle(main);
    look(main, "main-window");
    // Under the scheme, the toolbar's face and the window's ground are its colour, not the theme's colour and picture.
    HDC face = ::GetDC(::GetDlgItem(main, IDC_MAIN_SERVICE)), ground = ::GetDC(main);
    systemColours = ::GetPixel(face, 4, 4) == ::GetSysColor(COLOR_BTNFACE) &&
                    ::GetPixel(ground, 3, 100) == ::GetSysColor(COLOR_BTNFACE);
    ::ReleaseDC(::GetDlgItem(main, IDC_MAIN_SERVICE), face);
    ::ReleaseDC(main, ground);
    const struct {
      int command;
      const char *caption, *name;
    } dialogs[] = {{ID_SERVICE_CREATE, "Create Service", "service-dialog"},
                   {ID_STARTUP_CREATE, "Create Startup", "startup-dialog"},
                   {ID_SHORTCUT_CREATE, "Create Shortcut", "shortcut-dialog"},
                   {IDC_MAIN_ABOUT, "About Quill Moor...", "about-box"}};
    for (const auto& dialog : dialogs) {
      ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(dialog.command, BN_CLICKED), 0);
      HWND opened = WaitForWindow("#32770", dialog.caption, main);
      if (!opened) continue;
      look(opened, dialog.name);
      ::PostMessageA(opened, WM_COMMAND, IDCANCEL, 0);
      WaitUntilClosed(opened);
    }
  });
  app::WindowSession startup(app::MainWindowSetup{}, [] {});  // the "/startup" window: modal, no tray
  WithDriver([&] { return startup.Dialog().RunModal(); }, [&] {
    HWND window = nullptr;
    for (int i = 0; i < 200 && !(window = startup.Dialog().Window()); ++i) ::Sleep(50);
    Settle(window);
    look(window, "startup-window");
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), 0);
  });
  std::ofstream(results) << dpi << " " << measured << " " << clipped << " " << systemColours;
}

TEST_F(MainWindowUi, ChecksMenusEditsAndTheTrayWorkAsAUserDrivesThem) {
  Run([&](app::WindowSession&, HWND main) {
    HWND tree = ::GetDlgItem(main, IDC_MAIN_TREE);
    // The window opens with the focus in the tree: a Space then ticks, it does not press the close button.
    GUITHREADINFO focus{};
    focus.cbSize = sizeof(focus);
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(main, nullptr), &focus));
    EXPECT_EQ(focus.hwndFocus, tree);
    ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Find(tree, "Startups")));
    ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Find(tree, "Services")));
    ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Find(tree, "Shortcuts")));
    Settle(main);
    EXPECT_TRUE(SaveScreenshot(main, "main-window-no-theme"));
    HTREEITEM startups = Find(tree, "Startups"), a = Find(tree, "Probe Startup A");
    ASSERT_TRUE(a);
    // Roots open set only when every entry under them is.
    EXPECT_TRUE(Checked(tree, Find(tree, "Services")));
    EXPECT_FALSE(Checked(tree, startups));

    // A click on the text selects and shows the path, and ticks nothing.
    ClickText(tree, a);
    EXPECT_EQ(TreeView_GetSelection(tree), a);
    EXPECT_FALSE(Checked(tree, a));
    EXPECT_NE(TextOf(::GetDlgItem(main, IDC_MAIN_PATH)).find("probe-Probe Startup A.exe"), std::string::npos);
    // The box ticks the entry, and its root with the last clear one; a second click clears both.
    ClickBox(tree, a);
    EXPECT_TRUE(Checked(tree, a));
    EXPECT_TRUE(Checked(tree, startups));
    ClickBox(tree, a);
    EXPECT_FALSE(Checked(tree, a));
    EXPECT_FALSE(Checked(tree, startups));

    // A double-click starts the entry at once, ticked or not.
    ClickText(tree, a, true);
    for (int i = 0; i < 100 && !probes_[1].Started(); ++i) ::Sleep(50);
    EXPECT_TRUE(probes_[1].Started());

    // Create through the Startup button's menu and the real dialog.
    ClickControl(main, IDC_MAIN_STARTUP);
    Press(VK_DOWN);
    Press(VK_RETURN);
    HWND create = WaitForWindow("#32770", "Create Startup", main);
    ASSERT_TRUE(create);
    Probe created{kStartup, "Probe Created", 0};
    ::CopyFileA((ProgramFolder() + "\\qmprobe.exe").c_str(), created.Exe().c_str(), FALSE);
    ::SetDlgItemTextA(create, 22009, created.name.c_str());
    ::SetDlgItemTextA(create, 1008, created.Exe().c_str());
    ::PostMessageA(create, WM_COMMAND, MAKEWPARAM(1011, BN_CLICKED), 0);
    WaitUntilClosed(create);
    Settle(main);
    HTREEITEM made = Find(tree, created.name);
    EXPECT_TRUE(made);
    EXPECT_EQ(TreeView_GetSelection(tree), made);
    EXPECT_TRUE(CRegistry().IsValueNamePresent(HKeyCurrentUser, kRunKey, created.name.c_str()));

    // Delete on the selected entry asks; No keeps it, Yes removes it and selects nothing below it.
    ::PostMessageA(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tree), TRUE);
    Settle(main);
    Press(VK_DELETE);
    EXPECT_EQ(Answer(main, IDNO), "Are you sure you want to delete Probe Created?");
    EXPECT_TRUE(Find(tree, created.name));
    Press(VK_DELETE);
    EXPECT_EQ(Answer(main, IDYES), "Are you sure you want to delete Probe Created?");
    EXPECT_EQ(Answer(main, IDOK), "Probe Created deleted.");
    EXPECT_FALSE(Find(tree, created.name));
    EXPECT_FALSE(CRegistry().IsValueNamePresent(HKeyCurrentUser, kRunKey, created.name.c_str()));

    // "Remove service" from the menu works on the selected service only.
    ClickText(tree, Find(tree, "Probe Service"));
    ::PostMessageA(main, WM_COMMAND, ID_SERVICE_REMOVE, 0);
    EXPECT_EQ(Answer(main, IDNO), "Are you sure you want to delete Probe Service?");
    ::PostMessageA(main, WM_COMMAND, ID_STARTUP_REMOVE, 0);
    Settle(main);
    EXPECT_FALSE(WaitForWindow("#32770", "Quill Moor", main, 10));

    // A modified entry keeps its place under its root, its box and the selection.
    ClickText(tree, Find(tree, "Probe Startup B"));
    ::PostMessageA(main, WM_COMMAND, ID_STARTUP_MODIFY, 0);
    HWND modify = WaitForWindow("#32770", "Modify Startup", main);
    ASSERT_TRUE(modify);
    ::SetDlgItemTextA(modify, 22009, "Probe Renamed");
    ::PostMessageA(modify, WM_COMMAND, MAKEWPARAM(1011, BN_CLICKED), 0);
    WaitUntilClosed(modify);
    Settle(main);
    std::vector<HTREEITEM> startupItems = Children(tree, startups);
    ASSERT_EQ(startupItems.size(), 2u);
    EXPECT_EQ(ItemText(tree, startupItems[1]), "Probe Renamed");
    EXPECT_TRUE(Checked(tree, startupItems[1]));
    EXPECT_EQ(TreeView_GetSelection(tree), startupItems[1]);

    // Help without its file says so; the about box opens over the window.
    ClickControl(main, IDC_MAIN_HELP);
    EXPECT_EQ(Answer(main, IDOK), "Unable to launch help file");
    ClickControl(main, IDC_MAIN_ABOUT);
    HWND about = WaitForWindow("#32770", "About Quill Moor...", main);
    EXPECT_TRUE(about);
    if (about) ::PostMessageA(about, WM_COMMAND, IDCANCEL, 0);
    WaitUntilClosed(about);

    // To the tray and back; the tray menu opens with its first item as the default.
    EXPECT_FALSE(HasTrayIcon(main)) << "a normally started window has no tray icon";
    ClickControl(main, IDC_MAIN_MINIMIZE);
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_TRUE(TrayIconComes(main, true));
    // Explorer made anew has lost every icon; the window puts its own back.
    NOTIFYICONDATAA lost{};
    lost.cbSize = NOTIFYICONDATAA_V1_SIZE;
    lost.hWnd = main;
    lost.uID = IDI_PROGRAM;
    ::Shell_NotifyIconA(NIM_DELETE, &lost);
    ::SendMessageA(main, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(TrayIconComes(main, true)) << "the icon is gone for good after Explorer restarts";
    ::PostMessageA(main, kTrayMessage, IDI_PROGRAM, WM_LBUTTONDBLCLK);
    Settle(main);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_TRUE(TrayIconComes(main, false));
    // Minimise and open in quick succession, before the shell has been told: the icon follows the last.
    const struct {
      std::vector<UINT> commands;
      bool shown;
    } quick[] = {{{IDC_MAIN_MINIMIZE, ID_TRAY_OPEN}, true},
                 {{IDC_MAIN_MINIMIZE, ID_TRAY_OPEN, IDC_MAIN_MINIMIZE}, false},
                 {{ID_TRAY_OPEN, IDC_MAIN_MINIMIZE}, false},
                 {{ID_TRAY_OPEN}, true}};
    for (const auto& step : quick) {
      for (UINT command : step.commands) ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
      Settle(main);
      EXPECT_EQ(::IsWindowVisible(main) != FALSE, step.shown) << step.commands.size();
      EXPECT_TRUE(TrayIconComes(main, !step.shown)) << step.commands.size();
    }
    ::PostMessageA(main, kTrayMessage, IDI_PROGRAM, WM_RBUTTONUP);
    HWND menu = WaitForWindow("#32768", "", main);
    ASSERT_TRUE(menu);
    ::Sleep(300);
    EXPECT_TRUE(SaveScreenshot(menu, "tray-menu"));
    auto popup = reinterpret_cast<HMENU>(::SendMessageA(menu, MN_GETHMENU, 0, 0));
    EXPECT_EQ(::GetMenuDefaultItem(popup, TRUE, 0), 0u);
    Press(VK_ESCAPE);
    Settle(main);
  });
  EXPECT_EQ(servicesTaken_, 0) << "a normal start leaves the RunServices entries where they are";
}

// A "/cleanup" run gives the RunServices entries to the stored location when
// it ends by tray Exit or Windows ending; a normal start never does.
TEST_F(MainWindowUi, TheMachinesEntriesStayOnWithAShieldWhereTheStartCannotHoldThemBack) {
  test::ScopedReadOnlyKey services(HKEY_LOCAL_MACHINE, kRunServicesKey);  // as a start without elevation has it
  Run([&](app::WindowSession&, HWND main) {
    HWND tree = ::GetDlgItem(main, IDC_MAIN_TREE);
    ::SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Find(tree, "Services")));
    HTREEITEM service = Find(tree, "Probe Service");
    ASSERT_TRUE(service && services.Applied());
    ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(service));
    ::SendMessageA(tree, WM_KEYDOWN, VK_SPACE, 0), ::SendMessageA(tree, WM_CHAR, ' ', 0);
    Settle(main);
    EXPECT_TRUE(Checked(tree, service));
    EXPECT_TRUE(SaveScreenshot(main, "main-window-machine-fixed"));
  }, false, true);
}

TEST_F(MainWindowUi, TrayExitAndWindowsEndingTakeTheServicesOnlyInACleanupRun) {
  const struct {
    bool cleanupRun;
    bool endSession;  // else Exit from the tray menu
    int taken;
    bool windowStays;
  } cases[] = {{true, false, 1, false}, {false, false, 0, false}, {true, true, 1, true}, {false, true, 0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.cleanupRun ? "/cleanup" : "normal") + (c.endSession ? " ending" : " exit"));
    servicesTaken_ = 0;
    Run(
        [&](app::WindowSession&, HWND main) {
          if (c.endSession) {
            ::SendMessageA(main, WM_ENDSESSION, TRUE, 0);
          } else {
            // A window that has only just shown may not be active yet, and its menu would not open.
            HWND menu = nullptr;
            for (int attempt = 0; attempt < 3 && !menu; ++attempt) {
              ::Sleep(300);
              ::PostMessageA(main, kTrayMessage, IDI_PROGRAM, WM_RBUTTONUP);
              menu = WaitForWindow("#32768", "", main, 40);
            }
            ASSERT_TRUE(menu);
            Press(VK_UP);  // the last item: "Exit Quillmoor"
            Press(VK_RETURN);
            WaitUntilClosed(main);
          }
          Settle(main);
          EXPECT_EQ(::IsWindow(main) != FALSE, c.windowStays);
          EXPECT_EQ(servicesTaken_, c.taken);
        },
        c.cleanupRun);
    // A window that outlived the ending is closed afterwards, which takes them as any close does.
    EXPECT_EQ(servicesTaken_, c.endSession ? 2 * c.taken : c.taken);
  }
}

// Moved near an edge of the work area, the window lies on it from 12 pixels
// on; from 13 it stays where it was put. Its size never changes.
TEST_F(MainWindowUi, TheWindowSnapsToTheWorkAreaWithinTwelvePixels) {
  Run([&](app::WindowSession&, HWND main) {
    RECT work, before;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::GetWindowRect(main, &before);
    int width = before.right - before.left, height = before.bottom - before.top;
    int middleX = (work.left + work.right - width) / 2, middleY = (work.top + work.bottom - height) / 2;
    const struct {
      int x, y;          // where the window is put
      int wantX, wantY;  // where it lies
    } cases[] = {
        {work.left + 12, middleY, work.left, middleY},
        {work.left + 13, middleY, work.left + 13, middleY},
        {work.right - width - 12, middleY, work.right - width, middleY},
        {work.right - width - 13, middleY, work.right - width - 13, middleY},
        {middleX, work.top - 12, middleX, work.top},
        {middleX, work.bottom - height + 12, middleX, work.bottom - height},
        {middleX, work.bottom - height - 13, middleX, work.bottom - height - 13},
    };
    for (const auto& c : cases) {
      ::SetWindowPos(main, nullptr, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      RECT now;
      ::GetWindowRect(main, &now);
      EXPECT_EQ(now.left, c.wantX) << c.x << "," << c.y;
      EXPECT_EQ(now.top, c.wantY) << c.x << "," << c.y;
      EXPECT_EQ(now.right - now.left, width);
      EXPECT_EQ(now.bottom - now.top, height);
    }
    // And as a user drags it from the background, to 10 pixels from the left edge.
    ::SetWindowPos(main, nullptr, middleX, middleY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Settle(main);
    POINT grab = {4, 150};  // background between the left LAUNCH button and the edge
    MouseAt(main, grab.x, grab.y);
    ::ClientToScreen(main, &grab);
    ::mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    ::Sleep(200);
    for (int step = 1; step <= 4; ++step) {
      ::SetCursorPos(grab.x - (middleX - work.left - 10) * step / 4, grab.y);
      ::Sleep(100);
    }
    ::mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    Settle(main);
    RECT dragged;
    ::GetWindowRect(main, &dragged);
    EXPECT_EQ(dragged.left, work.left);
  });
}

// A log of 100,000 bytes or more is offered for deletion as the window opens;
// Yes deletes it (a fresh one is begun), No keeps it; a smaller one is not asked about.
TEST_F(MainWindowUi, ALogOfAHundredThousandBytesIsOfferedForDeletion) {
  const struct {
    std::size_t size;
    int answer;  // 0: no question
    bool kept;
  } cases[] = {{99999, 0, true}, {100000, IDNO, true}, {100000, IDYES, false}};
  std::string log = CLog::GetProgramPathWith("Quillmoor.log");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " " + std::to_string(c.answer));
    { std::ofstream(log, std::ios::binary | std::ios::trunc) << std::string(c.size, 'x'); }
    std::string asked;
    app::MainWindowSetup setup;
    setup.inRegistry = 1;
    setup.trayMode = true;
    app::WindowSession session(setup, nullptr);
    DWORD thread = ::GetCurrentThreadId();
    WithDriver(
        [&] {
          if (!session.Dialog().Create()) return 1;
          session.Logic().OnCommand(ID_TRAY_OPEN);
          return session.Dialog().RunMessageLoop();
        },
        [&] {
          HWND box = WaitForWindow("#32770", "Quill Moor", nullptr, c.answer ? 200 : 20, true, thread);
          if (box) {
            asked = MessageBoxText(box);
            ::PostMessageA(box, WM_COMMAND, c.answer ? c.answer : IDNO, 0);
            WaitUntilClosed(box);
          }
          HWND main = nullptr;
          for (int i = 0; i < 200 && !main; ++i, ::Sleep(50)) main = session.Dialog().Window();
          if (main) {
            Settle(main);
            ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CLOSE, BN_CLICKED), 0);
          }
        });
    EXPECT_EQ(asked.empty(), c.answer == 0) << asked;
    std::ifstream left(log, std::ios::binary | std::ios::ate);
    EXPECT_EQ(static_cast<std::size_t>(left.tellg()) >= c.size, c.kept);
  }
}

TEST_F(MainWindowUi, EachThemePaintsItsBackgroundAndIsKept) {
  Run([&](app::WindowSession& session, HWND main) {
    platform::IMenu* themes = session.Dialog().ThemeMenu()->GetSubMenu(0);
    ASSERT_TRUE(themes);
    std::map<COLORREF, std::string> backgrounds;
    for (int position = themes->GetItemCount() - 1; position >= 0; --position) {
      platform::MenuItemState item;
      ASSERT_TRUE(themes->GetItemState(position, item));
      ::PostMessageA(main, WM_COMMAND, item.id, 0);
      Settle(main);
      Settle(main);
      EXPECT_EQ(ThemeValue(), item.text);
      EXPECT_TRUE(SaveScreenshot(main, "main-window-" + item.text));
      // A point of the background between the left LAUNCH button and the edge.
      HDC screen = ::GetDC(nullptr);
      POINT point = {4, 150};
      ::ClientToScreen(main, &point);
      backgrounds[::GetPixel(screen, point.x, point.y)] = item.text;
      // The controls are drawn again over the new background, not hidden under it.
      HWND tree = ::GetDlgItem(main, IDC_MAIN_TREE);
      RECT inside;
      ::GetClientRect(tree, &inside);
      POINT emptyRow = {inside.right - 8, inside.bottom - 8};
      ::ClientToScreen(tree, &emptyRow);
      EXPECT_EQ(::GetPixel(screen, emptyRow.x, emptyRow.y), ::GetSysColor(COLOR_WINDOW)) << item.text;
      ::ReleaseDC(nullptr, screen);
    }
    EXPECT_EQ(backgrounds.size(), static_cast<std::size_t>(themes->GetItemCount()))
        << "two themes painted the same background";
  });
}

// How many GDI and USER objects there are, as far as the system lets us see.
// Windows counts them per process. Wine answers 0 there, but hands out handle
// slots from tables that reuse freed slots before they open new ones: after
// taking more probes than there can be free slots, the highest slot a probe
// got, less the probes, is the number of objects alive (give or take a fixed
// offset). The GDI table is the process's own; the USER table is shared with
// Wine's other processes, which may move it by a few.
struct ObjectCounts {
  long gdi, user;
};
ObjectCounts CountObjects() {
  HANDLE self = ::GetCurrentProcess();
  ObjectCounts counts = {static_cast<long>(::GetGuiResources(self, GR_GDIOBJECTS)),
                         static_cast<long>(::GetGuiResources(self, GR_USEROBJECTS))};
  if (counts.gdi != 0 || counts.user != 0) return counts;
  constexpr long kProbes = 3000;
  std::vector<HBRUSH> brushes;
  std::vector<HMENU> menus;
  long highestGdi = 0, highestUser = 0;
  for (long i = 0; i < kProbes; ++i) {
    brushes.push_back(::CreateSolidBrush(RGB(1, 2, 3)));
    menus.push_back(::CreateMenu());
    highestGdi = std::max<long>(highestGdi, LOWORD(reinterpret_cast<UINT_PTR>(brushes.back())));
    // A USER handle's slot is its low word over two.
    highestUser = std::max<long>(highestUser, LOWORD(reinterpret_cast<UINT_PTR>(menus.back())) / 2);
  }
  for (HBRUSH brush : brushes) ::DeleteObject(brush);
  for (HMENU menu : menus) ::DestroyMenu(menu);
  return {highestGdi - kProbes, highestUser - kProbes};
}

TEST_F(MainWindowUi, PaintsAndThemeChangesLeaveNoObjectsBehind) {
  Run([&](app::WindowSession& session, HWND main) {
    platform::IMenu* themes = session.Dialog().ThemeMenu()->GetSubMenu(0);
    ASSERT_TRUE(themes && themes->GetItemCount() >= 3);
    // One round first, so that what is made once (fonts, cached bitmaps of the system) is counted before.
    auto round = [&](int changes, int paints) {
      for (int i = 0; i < changes; ++i) {
        ::SendMessageA(main, WM_COMMAND, themes->GetItemId(1 + i % 2), 0);
        ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      }
      for (int i = 0; i < paints; ++i) ::RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    };
    round(2, 2);
    ObjectCounts before = CountObjects();
    round(100, 1000);
    ObjectCounts after = CountObjects();
    std::printf("GDI objects %ld -> %ld, USER objects %ld -> %ld\n", before.gdi, after.gdi, before.user, after.user);
    // One object kept per paint or per change would show as a hundred or more;
    // the system may let go of one it had cached.
    EXPECT_LE(after.gdi, before.gdi);
    EXPECT_NEAR(after.user, before.user, 5);
  });
}

// What the progress window showed each time it was painted during a launch,
// seen from inside the window's thread (which runs no message loop meanwhile),
// and whether the screen showed text there while each start was made: looked
// at as the next entry's name is set and as the window goes away.
std::vector<std::string> g_progressTexts;
std::vector<bool> g_progressOnScreen;

// Whether the screen shows text where a control stands: mostly the dialog's
// face, with dark letters on it (a window not yet drawn shows black or nothing).
bool ShowsText(HWND control) {
  RECT rect;
  if (!::GetWindowRect(control, &rect)) return false;
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP copy = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = ::SelectObject(memory, copy);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  int face = 0, dark = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      COLORREF pixel = ::GetPixel(memory, x, y);
      face += pixel == ::GetSysColor(COLOR_3DFACE);
      dark += GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 200;
    }
  ::SelectObject(memory, previous);
  ::DeleteObject(copy);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return face > width * height / 2 && dark > 20;
}
void LookAtProgressScreen(HWND text) {
  const bool shown = ShowsText(text);
  if (shown && std::find(g_progressOnScreen.begin(), g_progressOnScreen.end(), true) == g_progressOnScreen.end())
    SaveScreenshot(::GetParent(text), "progress-window");
  g_progressOnScreen.push_back(shown);
}
LRESULT CALLBACK ProgressSpy(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  const bool hiding = sent->message == WM_WINDOWPOSCHANGING &&
                      (reinterpret_cast<const WINDOWPOS*>(sent->lParam)->flags & SWP_HIDEWINDOW);
  if (code == HC_ACTION && sent->message == WM_PAINT && ::GetDlgCtrlID(sent->hwnd) == 1015) {
    HWND progress = ::GetParent(sent->hwnd);
    if (progress && ::IsWindowVisible(progress) && ::GetParent(progress) == nullptr)
      g_progressTexts.push_back(TextOf(sent->hwnd));
  } else if (code == HC_ACTION && sent->message == WM_SETTEXT && ::GetDlgCtrlID(sent->hwnd) == 1015 &&
             !g_progressTexts.empty()) {
    LookAtProgressScreen(sent->hwnd);
  } else if (code == HC_ACTION && hiding && !g_progressTexts.empty() && ::GetDlgItem(sent->hwnd, 1015)) {
    LookAtProgressScreen(::GetDlgItem(sent->hwnd, 1015));
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindowUi, LaunchStartsExactlyTheTickedEntriesInTreeOrder) {
  g_progressTexts.clear();
  g_progressOnScreen.clear();
  HHOOK spy = ::SetWindowsHookExA(WH_CALLWNDPROCRET, ProgressSpy, nullptr, ::GetCurrentThreadId());
  ASSERT_TRUE(spy);
  Run([&](app::WindowSession&, HWND main) {
    // A click straight after the window first shows can arrive before Wine has made it active.
    ::Sleep(300);
    ClickControl(main, IDC_MAIN_LAUNCH_RIGHT, false);
    EXPECT_TRUE(WaitUntilClosed(main));
  });
  ::UnhookWindowsHookEx(spy);
  // Every listed entry is named, ticked or not, and painted before it starts.
  std::vector<std::string> expected = {"Launching Services - Probe Service...",
                                       "Launching Startups - Probe Startup A...",
                                       "Launching Startups - Probe Startup B...",
                                       "Launching Shortcuts - Probe Shortcut..."};
  EXPECT_EQ(g_progressTexts, expected);
  // However fast the starts follow each other, each entry's name reached the screen.
  EXPECT_EQ(g_progressOnScreen, std::vector<bool>(expected.size(), true));
  for (const Probe& probe : probes_) {
    for (int i = 0; i < 100 && probe.selected && !probe.Started(); ++i) ::Sleep(50);
    EXPECT_EQ(probe.Started(), probe.selected == 1) << probe.name;
  }
  // The log names every start, in the order of the tree.
  std::ifstream log(CLog::GetProgramPathWith("Quillmoor.log"));
  std::string line, order;
  while (std::getline(log, line))
    for (const Probe& probe : probes_)
      if (line.rfind("Launching ", 0) == 0 && line.find(probe.name) != std::string::npos) order += probe.name + ";";
  EXPECT_EQ(order, "Probe Service;Probe Startup B;Probe Shortcut;");
}

}  // namespace
}  // namespace qm::test
