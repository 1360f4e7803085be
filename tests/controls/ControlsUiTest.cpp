// The owner-drawn controls in a real window under Wine: colours drawn, the
// click notification, hover texts, the toolbar button's menu, the web link.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "controls/ODControls.h"
#include "controls/WindowHook.h"
#include "engine/foundation/Log.h"
#include "tests/dialogs/ui/UiSupport.h"

namespace qm::test {
namespace {

enum : int { kButton = 101, kToolBar = 102, kStatic = 103, kLink = 104, kStatus = 105, kMenuFirst = 501 };

struct Host {
  std::vector<std::pair<int, int>> commands;  // id, notification code
  bool menuDriven = false;
};
Host* g_host = nullptr;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && g_host) g_host->commands.push_back({LOWORD(wParam), HIWORD(wParam)});
  if (message == WM_ENTERIDLE && wParam == MSGF_MENU && g_host && !g_host->menuDriven) {
    // The user picks the second item of the dropped menu with the keyboard.
    g_host->menuDriven = true;
    HWND menu = reinterpret_cast<HWND>(lParam);
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
      ::PostMessageA(menu, WM_KEYDOWN, key, 0);
      ::PostMessageA(menu, WM_KEYUP, key, 0xC0000001);
    }
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

class RecordingLink : public CODWebLink {
 public:
  std::vector<std::string> opened;

 protected:
  bool OpenLink(const std::string& target) override {
    opened.push_back(target);
    return true;
  }
};

class ControlsUiTest : public testing::Test {
 protected:
  void SetUp() override {
    g_host = &host;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = ::GetModuleHandleA(nullptr);
    windowClass.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = "QmControlsHost";
    windowClass.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    ::RegisterClassA(&windowClass);
    window = ::CreateWindowA("QmControlsHost", "Controls", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 420, 200,
                             nullptr, nullptr, windowClass.hInstance, nullptr);
    Child("BUTTON", "Close", BS_PUSHBUTTON, 10, 10, 100, 30, kButton);
    Child("BUTTON", "Startup", BS_PUSHBUTTON, 120, 10, 110, 30, kToolBar);
    Child("STATIC", "Caption text", SS_LEFT, 10, 60, 150, 20, kStatic);
    Child("STATIC", "www.tarnwick.example", SS_LEFT, 10, 90, 200, 20, kLink);
    Child("STATIC", "Ready", SS_LEFT, 10, 130, 300, 20, kStatus);
    menu.Reset(::CreatePopupMenu());
    ::AppendMenuA(menu.Get(), MF_STRING, kMenuFirst, "Create Startup");
    ::AppendMenuA(menu.Get(), MF_STRING, kMenuFirst + 1, "Remove Startup");
    bitmap.Reset(MakeBitmap(RGB(0, 128, 0)));
  }
  void TearDown() override {
    button.Detach();
    ::DestroyWindow(window);
    g_host = nullptr;
  }
  void Child(const char* kind, const char* text, DWORD style, int x, int y, int w, int h, int id) {
    ::CreateWindowA(kind, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleA(nullptr), nullptr);
  }
  static HBITMAP MakeBitmap(COLORREF color, int size = 16) {
    HDC screen = ::GetDC(nullptr);
    HBITMAP made = ::CreateCompatibleBitmap(screen, size, size);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ previous = ::SelectObject(memory, made);
    RECT all = {0, 0, size, size};
    HBRUSH brush = ::CreateSolidBrush(color);
    ::FillRect(memory, &all, brush);
    ::DeleteObject(brush);
    ::SelectObject(memory, previous);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return made;
  }
  COLORREF PixelOf(int id, int x, int y) {
    HWND control = ::GetDlgItem(window, id);
    ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = ::GetDC(control);
    COLORREF pixel = ::GetPixel(dc, x, y);
    ::ReleaseDC(control, dc);
    return pixel;
  }
  void Pump() {
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }

  Host host;
  HWND window = nullptr;
  CODButton button;
  win32::MenuHandle menu;
  win32::GdiObject bitmap;
};

TEST_F(ControlsUiTest, ButtonDrawsItsColourOrTheSystemFaceAndNotifiesItsParent) {
  ASSERT_TRUE(button.Attach(window, kButton));
  EXPECT_FALSE(button.Attach(window, kButton));
  EXPECT_EQ(PixelOf(kButton, 6, 6), ::GetSysColor(COLOR_BTNFACE));  // 0xFFFFFFFF: the system's face
  button.SetColor(RGB(200, 40, 40));
  EXPECT_EQ(PixelOf(kButton, 6, 6), RGB(200, 40, 40));
  ::SendMessageA(::GetDlgItem(window, kButton), BM_CLICK, 0, 0);
  Pump();
  ASSERT_FALSE(host.commands.empty());
  EXPECT_EQ(host.commands.back(), std::make_pair(int(kButton), int(BN_CLICKED)));
}

TEST_F(ControlsUiTest, AHighContrastSchemeSwitchedOnWhileTheWindowStandsReachesItsControls) {
  ASSERT_TRUE(button.Attach(window, kButton));
  button.SetColor(RGB(200, 40, 40));
  EXPECT_EQ(PixelOf(kButton, 6, 6), RGB(200, 40, 40));
  const char key[] = "Control Panel\\Accessibility\\HighContrast";
  for (const char* flags : {"127", "126"}) {
    ::RegSetKeyValueA(HKEY_CURRENT_USER, key, "Flags", REG_SZ, flags, 4);
    ::SendMessageA(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(PixelOf(kButton, 6, 6), flags[2] == '7' ? ::GetSysColor(COLOR_BTNFACE) : RGB(200, 40, 40)) << flags;
  }
  ::RegDeleteKeyA(HKEY_CURRENT_USER, key);
}

TEST_F(ControlsUiTest, HoverTextShowsInTheDisplayControlAndGoesAgain) {
  ASSERT_TRUE(button.Attach(window, kButton));
  HWND status = ::GetDlgItem(window, kStatus);
  button.SetHoverText("Close the window");
  button.SetHoverDisplay(status);
  ::SendMessageA(::GetDlgItem(window, kButton), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(TextOf(status), "Close the window");
  ::SendMessageA(::GetDlgItem(window, kButton), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(TextOf(status), "Ready");
  ::SetFocus(button.Window());  // the keyboard's way to the same text
  EXPECT_EQ(TextOf(status), "Close the window");
  ::SetFocus(window);
  EXPECT_EQ(TextOf(status), "Ready");
}

TEST_F(ControlsUiTest, ToolBarButtonDropsItsMenuAndSendsTheChosenCommand) {
  CODToolBarButton toolbar;
  ASSERT_TRUE(toolbar.Attach(window, kToolBar));
  toolbar.SetBitmap(static_cast<HBITMAP>(bitmap.Get()));
  toolbar.SetMenu(menu.Get());
  EXPECT_EQ(PixelOf(kToolBar, 12, 15), RGB(0, 128, 0));  // the bitmap, left in the face
  // The drop arrow (its top row at the face's middle, right) shows on every face.
  for (COLORREF face : {RGB(0, 0, 0), RGB(255, 255, 255), RGB(30, 60, 120)}) {
    toolbar.SetColor(face);
    EXPECT_NE(PixelOf(kToolBar, 101, 14), face) << std::hex << face;
  }
  toolbar.SetColor(controls::kNoColor);
  Settle(window);
  SaveScreenshot(window, "controls");
  ::SendMessageA(::GetDlgItem(window, kToolBar), BM_CLICK, 0, 0);
  Pump();
  EXPECT_TRUE(host.menuDriven);
  // The parent sees the chosen item, not the click that dropped the menu.
  EXPECT_EQ(host.commands, (std::vector<std::pair<int, int>>{{kMenuFirst + 1, 0}}));
}

// The pixels of the caption's colour inside a control's edge.
int InkOf(HWND control, COLORREF ink) {
  RECT rect;
  ::GetClientRect(control, &rect);
  ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  HDC dc = ::GetDC(control);
  int count = 0;
  for (int y = 3; y < rect.bottom - 3; ++y)
    for (int x = 3; x < rect.right - 3; ++x) count += ::GetPixel(dc, x, y) == ink;
  ::ReleaseDC(control, dc);
  return count;
}

// The same caption drawn whole, in the control's font, on a white ground.
int InkOfWholeText(HWND control, const char* text) {
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP canvas = ::CreateCompatibleBitmap(screen, 200, 40);
  HGDIOBJ previousBitmap = ::SelectObject(memory, canvas);
  HGDIOBJ previousFont = ::SelectObject(memory, reinterpret_cast<HFONT>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  RECT all = {0, 0, 200, 40};
  ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
  ::SetTextColor(memory, RGB(0, 0, 0));
  ::SetBkMode(memory, TRANSPARENT);
  ::DrawTextA(memory, text, -1, &all, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  int count = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) count += ::GetPixel(memory, x, y) == RGB(0, 0, 0);
  ::SelectObject(memory, previousFont);
  ::SelectObject(memory, previousBitmap);
  ::DeleteObject(canvas);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return count;
}

// A toolbar button of the main window's size keeps its whole caption beside
// the drop arrow, however wide the font draws it; a flat one too, where it fits.
TEST_F(ControlsUiTest, ToolBarButtonShowsItsWholeCaption) {
  const struct {
    const char* caption;
    int width, height;
  } cases[] = {{"Shortcut", 82, 62}, {"Startup", 82, 62}, {"Startup", 160, 30}};
  HWND control = ::GetDlgItem(window, kToolBar);
  ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  CODToolBarButton toolbar;
  ASSERT_TRUE(toolbar.Attach(window, kToolBar));
  win32::GdiObject tile(MakeBitmap(RGB(0, 128, 0), 24));  // the main window's toolbar tiles
  toolbar.SetBitmap(static_cast<HBITMAP>(tile.Get()));
  toolbar.SetMenu(menu.Get());
  toolbar.SetColor(RGB(255, 255, 255));
  for (const auto& c : cases) {
    ::SetWindowTextA(control, c.caption);
    ::SetWindowPos(control, nullptr, 0, 0, c.width, c.height, SWP_NOMOVE | SWP_NOZORDER);
    constexpr int kArrowInk = 5 + 3 + 1;
    EXPECT_EQ(InkOf(control, RGB(0, 0, 0)), InkOfWholeText(control, c.caption) + kArrowInk) << c.caption << " " << c.width;
  }
  SaveScreenshot(window, "controls-toolbar");
}

TEST_F(ControlsUiTest, StaticDrawsInItsColourAndWebLinkOpensItsTarget) {
  CODStatic label;
  ASSERT_TRUE(label.Attach(window, kStatic));
  label.SetColor(RGB(0, 0, 255));
  HWND control = ::GetDlgItem(window, kStatic);
  ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  HDC dc = ::GetDC(control);
  int blue = 0;
  for (int x = 0; x < 80; ++x)
    for (int y = 0; y < 16; ++y) blue += ::GetPixel(dc, x, y) == RGB(0, 0, 255);
  ::ReleaseDC(control, dc);
  EXPECT_GT(blue, 10);

  RecordingLink link;
  ASSERT_TRUE(link.Attach(window, kLink));
  link.SetLink("http://www.tarnwick.example/quillmoor/");
  ::SendMessageA(::GetDlgItem(window, kLink), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ::SendMessageA(::GetDlgItem(window, kLink), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  Pump();
  EXPECT_EQ(link.opened, std::vector<std::string>{"http://www.tarnwick.example/quillmoor/"});
  EXPECT_EQ(TextOf(::GetDlgItem(window, kLink)), "www.tarnwick.example");
}

// Every kind of owner-drawn control tells the accessibility interface its
// name (a sign's button the one it is given), role, state (a disabled one
// unavailable), hover text and access key; the default action presses.
TEST_F(ControlsUiTest, EveryControlTellsScreenReadersWhatItIs) {
  win32::ComApartment com;
  CODToolBarButton toolbar;
  CODStatic label;
  RecordingLink link;
  ASSERT_TRUE(button.Attach(window, kButton) && toolbar.Attach(window, kToolBar) && label.Attach(window, kStatic) &&
              link.Attach(window, kLink));
  ::SetWindowTextA(button.Window(), "X");
  button.SetAccessibleName("Close");
  button.SetHoverText("Close window and terminate program");
  ::SetWindowTextA(toolbar.Window(), "S&tartup");
  toolbar.SetMenu(menu.Get());
  link.SetLink("mailto:help@tarnwick.example");
  const long told = STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_HASPOPUP | STATE_SYSTEM_READONLY | STATE_SYSTEM_LINKED;
  const struct {
    HWND control;
    bool enabled;
    Heard heard;
  } cases[] = {
      {button.Window(), true, {"Close", "Close window and terminate program", "", ROLE_SYSTEM_PUSHBUTTON, 0}},
      {button.Window(), false, {"Close", "Close window and terminate program", "", ROLE_SYSTEM_PUSHBUTTON,
                                STATE_SYSTEM_UNAVAILABLE}},
      {toolbar.Window(), true, {"Startup", "", "Alt+T", ROLE_SYSTEM_BUTTONMENU, STATE_SYSTEM_HASPOPUP}},
      {label.Window(), true, {"Caption text", "", "", ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY}},
      {link.Window(), true, {"www.tarnwick.example", "", "", ROLE_SYSTEM_LINK, STATE_SYSTEM_LINKED | STATE_SYSTEM_READONLY}},
  };
  win32::ComPtr<IAccessible> object;
  for (const auto& c : cases) {
    ::EnableWindow(c.control, c.enabled);
    ASSERT_HRESULT_SUCCEEDED(::AccessibleObjectFromWindow(c.control, OBJID_CLIENT, __uuidof(IAccessible),
                                                          reinterpret_cast<void**>(object.Put())));
    Heard heard = Hear(object.Get());
    EXPECT_EQ(std::make_tuple(heard.name, heard.description, heard.shortcut, heard.role, heard.state & told),
              std::make_tuple(c.heard.name, c.heard.description, c.heard.shortcut, c.heard.role, c.heard.state));
  }
  host.commands.clear();
  ::EnableWindow(button.Window(), TRUE);
  VARIANT self{};
  self.vt = VT_I4;
  ::AccessibleObjectFromWindow(button.Window(), OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(object.Put()));
  EXPECT_EQ(S_OK, object->accDoDefaultAction(self));  // the enabled button is pressed
  Pump();
  EXPECT_EQ(host.commands, (std::vector<std::pair<int, int>>{{kButton, BN_CLICKED}}));
  ::SendMessageA(link.Window(), WM_KEYDOWN, VK_SPACE, 0);  // Space on the link opens it
  EXPECT_EQ(link.opened.size(), 1u);
}

// A hook counts one message and, where asked, takes itself off while inside it.
struct Counter {
  int seen = 0;
  bool removeInside = false;
};
LRESULT Counting(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* counter = static_cast<Counter*>(owner);
  if (message == WM_USER && ++counter->seen && counter->removeInside) controls::WindowHook::Remove(window, Counting);
  return controls::WindowHook::Next(window, message, wParam, lParam);
}
LRESULT Passing(void*, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return controls::WindowHook::Next(window, message, wParam, lParam);
}
WNDPROC g_under = nullptr;
LRESULT CALLBACK InFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::CallWindowProcW(g_under, window, message, wParam, lParam);
}

TEST_F(ControlsUiTest, AHookStepsAsideHoweverItIsTakenOffAndLeavesTextAsItWas) {
  using controls::WindowHook;
  enum Way { kFromOutside, kFromInside, kUnderAnother };
  for (bool unicode : {false, true}) {
    for (Way way : {kFromOutside, kFromInside, kUnderAnother}) {
      SCOPED_TRACE(testing::Message() << "unicode " << unicode << ", way " << way);
      HWND edit = unicode ? ::CreateWindowW(L"EDIT", L"", WS_CHILD, 0, 0, 80, 20, window, nullptr, nullptr, nullptr)
                          : ::CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 80, 20, window, nullptr, nullptr, nullptr);
      auto procedure = [&] {
        return unicode ? ::GetWindowLongPtrW(edit, GWLP_WNDPROC) : ::GetWindowLongPtrA(edit, GWLP_WNDPROC);
      };
      const LONG_PTR own = procedure();
      Counter counter;
      counter.removeInside = way == kFromInside;
      ASSERT_TRUE(WindowHook::Install(edit, Counting, &counter));
      EXPECT_FALSE(WindowHook::Install(edit, Passing, nullptr));
      EXPECT_EQ(&counter, WindowHook::OwnerOf(edit, Counting));
      if (way == kUnderAnother)
        g_under = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InFront)));
      ::SendMessageW(edit, WM_USER, 0, 0);
      if (way != kFromInside) WindowHook::Remove(edit, Counting);
      ::SendMessageW(edit, WM_USER, 0, 0);
      EXPECT_EQ(1, counter.seen);
      EXPECT_EQ(nullptr, WindowHook::OwnerOf(edit, Counting));
      if (way != kUnderAnother) {
        EXPECT_EQ(own, procedure());
        EXPECT_EQ(0, ::GetWindowLongPtrW(edit, GWLP_USERDATA));
      }
      // Hooked, a name reaches the window in its own character set, unconverted.
      ASSERT_TRUE(WindowHook::Install(edit, Passing, nullptr) || way == kUnderAnother);
      const wchar_t* name = unicode ? L"Gr\u00FC\u00DFe \u6771\u4EAC" : L"Gr\u00FC\u00DFe";
      wchar_t back[32] = {};
      ::SetWindowTextW(edit, name);
      ::GetWindowTextW(edit, back, 32);
      EXPECT_STREQ(name, back);
      ::DestroyWindow(edit);
    }
  }
  HWND taken = ::CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 80, 20, window, nullptr, nullptr, nullptr);
  ::SetWindowLongPtrA(taken, GWLP_USERDATA, 1);
  EXPECT_FALSE(WindowHook::Install(taken, Passing, nullptr));
  ::DestroyWindow(taken);
}

// A control that fails while drawing or at a message of its own: the failure
// goes into the log, never into the system, and the window goes on.
class FailingButton : public CODButton {
 public:
  UINT failAt = 0;
  void Draw(const DRAWITEMSTRUCT& item) override {
    if (failAt == WM_DRAWITEM) throw std::runtime_error("no brush");
    CODButton::Draw(item);
  }

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == failAt) throw std::runtime_error("no hover");
    return CODButton::Handle(message, wParam, lParam);
  }
};

TEST_F(ControlsUiTest, AFailingControlIsLoggedAndTheWindowGoesOn) {
  const struct {
    UINT failAt;
    const char* line;
  } cases[] = {{WM_DRAWITEM, "--- Error : Owner-drawn controls' parent failed on message 43: no brush"},
               {WM_MOUSEMOVE, "--- Error : Owner-drawn control failed on message 512: no hover"}};
  CLog::SetApplicationNames("Quill Moor", "controls_ui_failures");
  const std::string log = CLog::GetProgramPathWith("controls_ui_failures.log");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    ::DeleteFileA(log.c_str());
    CLog::Setup();
    FailingButton failing;
    failing.failAt = c.failAt;
    ASSERT_TRUE(failing.Attach(window, kButton));
    HWND control = ::GetDlgItem(window, kButton);
    ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::SendMessageA(control, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    Pump();
    EXPECT_TRUE(::IsWindow(control));
    std::stringstream text;
    text << std::ifstream(log, std::ios::binary).rdbuf();
    EXPECT_NE(std::string::npos, text.str().find(std::string(c.line) + "\r\n")) << text.str();
  }
  CLog::SetApplicationNames("", "");
}

}  // namespace
}  // namespace qm::test
