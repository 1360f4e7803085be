#include "app/win32/MainDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "app/res/resource.h"
#include "app/win32/MessageBoxes.h"
#include "app/win32/ProgressWindow.h"
#include "engine/foundation/Guard.h"
#include "engine/foundation/Log.h"

namespace qm::app {
namespace {

TreeItem FromItem(HTREEITEM item) { return reinterpret_cast<TreeItem>(item); }

// The screen's dots per inch (96 at 100 %); the program is aware of the
// system's setting, so its windows are drawn at it, not stretched.
int ScreenDpi() {
  HDC screen = ::GetDC(nullptr);
  int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// A length of 96 dots per inch at the screen's.
int Scaled(int length) { return ::MulDiv(length, ScreenDpi(), 96); }

Key KeyOf(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_ESCAPE: return Key::Escape;
    case VK_DELETE: return Key::Delete;
    case VK_RETURN: return Key::Enter;
    case VK_SPACE: return Key::Space;
    default: return Key::Other;
  }
}

}  // namespace

// Construction and the window's life

MainDialog::MainDialog(MainWindow& logic, HINSTANCE module) : logic_(logic), module_(module), tray_(IDI_PROGRAM) {
  logic_.Attach(this);
  bool loaded = LoadResources();
  if (themeMenu_) themeMenuView_ = std::make_unique<platform::Win32Menu>(themeMenu_.Get());
  logic_.OnCreate(loaded);
}

MainDialog::~MainDialog() {
  // Before any member goes: destroying the window still runs its procedure.
  window_.Reset();
  logic_.Attach(nullptr);
}

bool MainDialog::LoadResources() {
  icon_.Reset(static_cast<HICON>(::LoadImageA(module_, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, 0, 0,
                                              LR_DEFAULTSIZE)));
  smallIcon_.Reset(static_cast<HICON>(::LoadImageA(module_, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXSMICON),
                                                   ::GetSystemMetrics(SM_CYSMICON), 0)));
  // The toolbar's tiles at the size that keeps them beside the text as at 96
  // dots per inch: drawn larger, never stretched.
  const int tile = Scaled(24);
  const int size = tile >= 42 ? 48 : tile >= 30 ? 36 : 24;
  // In the order the program has always checked them, stopping at the first that is missing.
  win32::MenuHandle* menus[] = {&trayMenu_, &themeMenu_, &serviceMenu_, &startupMenu_, &shortcutMenu_};
  const int menuIds[] = {IDM_TRAY, IDM_THEME, IDM_SERVICE, IDM_STARTUP, IDM_SHORTCUT};
  for (int i = 0; i < 5; ++i) {
    menus[i]->Reset(::LoadMenuA(module_, MAKEINTRESOURCEA(menuIds[i])));
    if (!*menus[i]) return false;
  }
  win32::GdiObject* bitmaps[] = {&themeBitmap_, &serviceBitmap_, &startupBitmap_, &shortcutBitmap_, &background_};
  const int bitmapIds[] = {size == 48 ? IDB_THEME_48 : size == 36 ? IDB_THEME_36 : IDB_THEME,
                           size == 48 ? IDB_SERVICE_48 : size == 36 ? IDB_SERVICE_36 : IDB_SERVICE,
                           size == 48 ? IDB_STARTUP_48 : size == 36 ? IDB_STARTUP_36 : IDB_STARTUP,
                           size == 48 ? IDB_SHORTCUT_48 : size == 36 ? IDB_SHORTCUT_36 : IDB_SHORTCUT,
                           IDB_BACKGROUND};
  for (int i = 0; i < 5; ++i) {
    bitmaps[i]->Reset(::LoadBitmapA(module_, MAKEINTRESOURCEA(bitmapIds[i])));
    if (!*bitmaps[i]) return false;
  }
  return static_cast<bool>(icon_);
}

bool MainDialog::Make() {
  if (::CreateDialogParamA(module_, MAKEINTRESOURCEA(IDD_MAIN_WINDOW), nullptr, &MainDialog::Proc,
                           reinterpret_cast<LPARAM>(this)))
    return true;
  CLog::Error("Unable to create the main window");
  return false;
}

bool MainDialog::Create() {
  if (Window()) return false;
  modeless_ = true;
  if (!Make()) modeless_ = false;
  return modeless_;
}

int MainDialog::RunModal() {
  // The modal run is the window's own loop rather than DialogBox's, so that
  // the window's keys are taken before the controls see them, as in the
  // modeless window.
  if (Window()) return 0;
  modalEnded_ = false;
  modalResult_ = 0;
  if (!Make()) return 0;
  if (!modalEnded_ && Window()) {
    ::ShowWindow(Window(), SW_SHOWNORMAL);
    ::SetForegroundWindow(Window());
  }
  MSG message;
  while (!modalEnded_ && Window()) {
    BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      // A quit asked for during the run ends the run and is passed on.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) break;
    if (PreTranslate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  window_.Reset();
  return modalResult_;
}

int MainDialog::RunMessageLoop() {
  MSG message;
  BOOL got;
  while ((got = ::GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (got < 0) return 0;
    if (Window() && PreTranslate(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

bool MainDialog::PreTranslate(MSG& message) {
  if (!Window()) return false;
  if (message.hwnd != Window() && !::IsChild(Window(), message.hwnd)) return false;
  // The context-menu key and Shift+F10 in the tree open the entry's menu.
  // Taken here, down and up, because not every system turns them into
  // WM_CONTEXTMENU (Wine does not), and none must do it a second time.
  const UINT kind = message.message;
  const bool menuKey = message.wParam == VK_APPS || (message.wParam == VK_F10 && (::GetKeyState(VK_SHIFT) & 0x8000));
  if (menuKey && tree_ && ::GetFocus() == tree_->Window() &&
      (kind == WM_KEYDOWN || kind == WM_SYSKEYDOWN || kind == WM_KEYUP || kind == WM_SYSKEYUP)) {
    if (kind == WM_KEYDOWN || kind == WM_SYSKEYDOWN)
      Guarded("Main window key", kind, [&] { return OnTreeContextMenu(-1), true; }, true);
    return true;
  }
  // Space belongs to the tree, which reports it as its own key-down, unless
  // the window holds the selected entry's box: then none of its messages reach
  // the tree, whichever of them the tree toggles on.
  const bool space = message.wParam == VK_SPACE &&
                     (message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR);
  if (space) {
    HWND tree = TreeWindow();
    if (Guarded("Main window key", message.message,
                [&] { return logic_.OnKeyDown(Key::Space, tree && ::GetFocus() == tree); }, true))
      return true;
  } else if (message.message == WM_KEYDOWN) {
    Key key = KeyOf(message.wParam);
    // Enter on a focused button presses it, as Space does: the window's own
    // rule for Enter (swallowed) is there so that Enter never closes the
    // window, not to take the keyboard's way to the buttons.
    HWND focus = ::GetFocus();
    if (key == Key::Enter && focus && ::IsChild(Window(), focus) &&
        (::SendMessageA(focus, WM_GETDLGCODE, 0, 0) & (DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON))) {
      ::SendMessageA(focus, BM_CLICK, 0, 0);
      return true;
    }
    if (key != Key::Other && key != Key::Space) {
      HWND tree = TreeWindow();
      // A key whose handling failed is consumed all the same.
      if (Guarded("Main window key", message.message,
                  [&] { return logic_.OnKeyDown(key, tree && ::GetFocus() == tree); }, true))
        return true;
    }
  }
  return Window() && ::IsDialogMessageA(Window(), &message);
}

void MainDialog::RepaintChildrenIn(const RECT& area) {
  // The controls under the area at once, and the window itself validated
  // again, as it is painting the area now.
  ::RedrawWindow(Window(), &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  ::RedrawWindow(Window(), &area, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
  // The frames too, where a control has one (the tree's and the field's
  // borders); a frame to draw again would cost every control a message more.
  for (HWND child : framedChildren_) {
    RECT bounds, common;
    ::GetWindowRect(child, &bounds);
    ::MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&bounds), 2);
    if (!::IntersectRect(&common, &bounds, &area)) continue;
    ::OffsetRect(&common, -bounds.left, -bounds.top);
    ::RedrawWindow(child, &common, nullptr, RDW_INVALIDATE | RDW_FRAME);
  }
}

void MainDialog::FindFramedChildren() {
  framedChildren_.clear();
  for (HWND child = ::GetWindow(Window(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT bounds, inner;
    ::GetWindowRect(child, &bounds);
    ::GetClientRect(child, &inner);
    if (inner.right != bounds.right - bounds.left || inner.bottom != bounds.bottom - bounds.top)
      framedChildren_.push_back(child);
  }
}

// The window procedure

INT_PTR CALLBACK MainDialog::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<MainDialog*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    self->window_.Reset(window);
  } else {
    self = reinterpret_cast<MainDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
  }
  if (!self) return FALSE;
  return Guarded("Main window", message, [&] { return self->Handle(message, wParam, lParam); }, INT_PTR{FALSE});
}

INT_PTR MainDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  if (tray_.OnMessage(message, wParam)) return TRUE;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND: {
      int code = HIWORD(wParam), id = LOWORD(wParam);
      // The system menu's Close and Alt+F4 close the window as its own close button does.
      if (id == IDCANCEL) {
        logic_.OnCommand(IDC_MAIN_CLOSE);
        return TRUE;
      }
      if (id == IDOK) return TRUE;
      // Clicks, menu choices and accelerators; the field's and the caption's notifications are not commands.
      if (code == BN_CLICKED || code == 1) {
        if (id == IDC_MAIN_PATH || id == IDC_MAIN_CAPTION) return TRUE;
        logic_.OnCommand(static_cast<std::uint32_t>(id));
      }
      return TRUE;
    }
    case WM_CLOSE:
      logic_.OnCommand(IDC_MAIN_CLOSE);
      return TRUE;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_PAINT:
      Paint();
      return TRUE;
    case WM_ERASEBKGND:
      // Painting covers the whole window with the background; erasing first would only flicker.
      if (::IsIconic(Window())) return FALSE;
      ::SetWindowLongPtrA(Window(), DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The caption is drawn straight onto the background.
      if (reinterpret_cast<HWND>(lParam) == caption_.Window())
        return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
      return FALSE;
    case WM_LBUTTONDOWN: {
      // The window has no caption: a press anywhere on its background drags it.
      POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ::ClientToScreen(Window(), &point);
      ::PostMessageA(Window(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
      return FALSE;
    }
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(*reinterpret_cast<WINDOWPOS*>(lParam));
      return FALSE;
    case WM_CONTEXTMENU:
      if (tree_ && reinterpret_cast<HWND>(wParam) == tree_->Window()) {
        OnTreeContextMenu(lParam);
        return TRUE;
      }
      return FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_.Get());
    case WM_ENDSESSION:
      logic_.OnEndSession();
      return TRUE;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // A high-contrast scheme switched on or off, or the system's colours
      // changed: the window and its controls draw anew in what now applies.
      if (tree_) ::SendMessageA(tree_->Window(), message, wParam, lParam);
      Repaint();
      return FALSE;
    case Win32TrayIcon::kCallbackMessage: {
      // The shell answers the keyboard on the icon (Enter, Shift+F10, the
      // context-menu key) with NIN_KEYSELECT and WM_CONTEXTMENU; after a right
      // click it sends WM_CONTEXTMENU as well, which the menu the click
      // showed has answered already.
      const bool afterRightClick = lastTrayEvent_ == WM_RBUTTONUP;
      lastTrayEvent_ = static_cast<UINT>(lParam);
      TrayEvent event = lParam == WM_RBUTTONUP       ? TrayEvent::RightButtonUp
                        : lParam == WM_LBUTTONDBLCLK ? TrayEvent::LeftDoubleClick
                        : lParam == NIN_KEYSELECT    ? TrayEvent::MenuKey
                        : lParam == WM_CONTEXTMENU && !afterRightClick ? TrayEvent::MenuKey
                                                     : TrayEvent::Other;
      logic_.OnTrayNotify(static_cast<std::uint32_t>(wParam), event);
      return TRUE;
    }
    case kKeepBoxMessage:
      if (tree_) tree_->SetCheck(static_cast<TreeItem>(lParam), true);
      return TRUE;
    case WM_TIMER:
      if (wParam != kTickTimer) return FALSE;
      logic_.OnTick(::GetTickCount64());
      return TRUE;
    case WM_DESTROY:
      ::KillTimer(Window(), kTickTimer);
      tray_.OnDestroy();
      return FALSE;
    case WM_NCDESTROY:
      tray_.Attach(nullptr, nullptr);
      window_.Release();
      tree_.reset();
      pathField_.reset();
      if (modeless_) ::PostQuitMessage(0);
      modeless_ = false;
      return FALSE;
  }
  return FALSE;
}

BOOL MainDialog::OnInitDialog() {
  LONG_PTR style = ::GetWindowLongPtrA(Window(), GWL_STYLE);
  ::SetWindowLongPtrA(Window(), GWL_STYLE, style | WS_SYSMENU);
  ::SendMessageA(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
  ::SendMessageA(Window(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(smallIcon_ ? smallIcon_.Get() : icon_.Get()));
  tray_.Attach(Window(), smallIcon_ ? smallIcon_.Get() : icon_.Get());

  // The check boxes of a tree made from a template with them are set up late:
  // the boxes the engines set while filling it would be cleared again when
  // the window first shows. The template leaves them out; switched on here,
  // before any item exists, they are set up now, and once.
  HWND tree = ::GetDlgItem(Window(), IDC_MAIN_TREE);
  ::SetWindowLongPtrA(tree, GWL_STYLE, ::GetWindowLongPtrA(tree, GWL_STYLE) | TVS_CHECKBOXES);
  tree_ = std::make_unique<Win32MainTree>(tree);
  pathEdit_.Attach(Window(), IDC_MAIN_PATH);
  pathField_ = std::make_unique<platform::Win32EditField>(::GetDlgItem(Window(), IDC_MAIN_PATH));

  caption_.Attach(Window(), IDC_MAIN_CAPTION);
  CODButton* buttons[] = {&close_, &help_, &about_, &minimize_, &status_, &launchLeft_, &launchRight_};
  const int buttonIds[] = {IDC_MAIN_CLOSE,  IDC_MAIN_HELP,        IDC_MAIN_ABOUT,       IDC_MAIN_MINIMIZE,
                           IDC_MAIN_STATUS, IDC_MAIN_LAUNCH_LEFT, IDC_MAIN_LAUNCH_RIGHT};
  for (int i = 0; i < 7; ++i) buttons[i]->Attach(Window(), buttonIds[i]);
  // What a screen reader says for the buttons that show a sign instead of a word.
  close_.SetAccessibleName("Close");
  help_.SetAccessibleName("Help");
  about_.SetAccessibleName("About");
  minimize_.SetAccessibleName("Minimize");
  status_.SetAccessibleRole(ROLE_SYSTEM_STATUSBAR);
  struct Tool {
    CODToolBarButton* button;
    int id;
    HGDIOBJ bitmap;
    HMENU menu;
  };
  const Tool tools[] = {
      {&service_, IDC_MAIN_SERVICE, serviceBitmap_.Get(), serviceMenu_.Get()},
      {&startup_, IDC_MAIN_STARTUP, startupBitmap_.Get(), startupMenu_.Get()},
      {&shortcut_, IDC_MAIN_SHORTCUT, shortcutBitmap_.Get(), shortcutMenu_.Get()},
      {&theme_, IDC_MAIN_THEME, themeBitmap_.Get(), themeMenu_.Get()},
  };
  for (const Tool& tool : tools) {
    tool.button->Attach(Window(), tool.id);
    tool.button->SetBitmap(static_cast<HBITMAP>(tool.bitmap));
    tool.button->SetMenu(tool.menu ? ::GetSubMenu(tool.menu, 0) : nullptr);
  }
  // "_" sits on the base line: in the window's font its line is taller than
  // the button, which cuts the stroke off. A font as tall as the button keeps it.
  RECT small = {0, 0, 1, 9};
  ::MapDialogRect(Window(), &small);
  LOGFONTA font{};
  font.lfHeight = small.bottom - 4;
  font.lfWeight = FW_BOLD;
  lstrcpyA(font.lfFaceName, "Arial");
  minimizeFont_.Reset(::CreateFontIndirectA(&font));
  if (minimizeFont_) ::SendMessageA(minimize_.Window(), WM_SETFONT, reinterpret_cast<WPARAM>(minimizeFont_.Get()), FALSE);
  launchLeft_.SetTextFormat(DT_CENTER | DT_WORDBREAK);
  launchRight_.SetTextFormat(DT_CENTER | DT_WORDBREAK);

  logic_.OnInit();
  FindFramedChildren();
  // The focus starts in the tree, not on the template's first control (the
  // close button): a Space pressed right after the window opens must tick an
  // entry, not end the program.
  ::SetFocus(tree);
  return FALSE;
}

INT_PTR MainDialog::OnNotify(const NMHDR& header) {
  if (!tree_ || header.hwndFrom != tree_->Window()) return FALSE;
  int result = 0;
  switch (header.code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
      result = logic_.OnSelectionChanged(FromItem(reinterpret_cast<const NMTREEVIEWA&>(header).itemNew.hItem));
      break;
    case NM_CLICK: {
      // Where the click happened, not where the pointer is by now.
      DWORD position = ::GetMessagePos();
      TVHITTESTINFO hit{};
      hit.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
      ::ScreenToClient(tree_->Window(), &hit.pt);
      HTREEITEM item = TreeView_HitTest(tree_->Window(), &hit);
      RECT text{};
      if (item) TreeView_GetItemRect(tree_->Window(), item, &text, TRUE);
      result = logic_.OnTreeClick(FromItem(item), hit.pt.x, text.left);
      break;
    }
    case TVN_KEYDOWN:
      result = logic_.OnTreeKeyDown(KeyOf(reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey));
      // The tree turns the box itself once the key is through; a fixed one is set on again after.
      if (result)
        ::PostMessageA(Window(), kKeepBoxMessage, 0, static_cast<LPARAM>(FromItem(TreeView_GetSelection(tree_->Window()))));
      break;
    case NM_DBLCLK:
      result = logic_.OnTreeDoubleClick();
      break;
    case TVN_GETINFOTIPA: {
      auto& tip = const_cast<NMTVGETINFOTIPA&>(reinterpret_cast<const NMTVGETINFOTIPA&>(header));
      std::string text = logic_.TipFor(FromItem(tip.hItem));
      if (tip.pszText && tip.cchTextMax > 0 && !text.empty()) {
        // A tip longer than the control's buffer is shortened: it is only shown, never stored.
        std::size_t length = std::min(text.size(), static_cast<std::size_t>(tip.cchTextMax - 1));
        text.copy(tip.pszText, length);
        tip.pszText[length] = '\0';
      }
      break;
    }
    case TVN_GETINFOTIPW: {
      auto& tip = const_cast<NMTVGETINFOTIPW&>(reinterpret_cast<const NMTVGETINFOTIPW&>(header));
      std::string text = logic_.TipFor(FromItem(tip.hItem));
      if (tip.pszText && tip.cchTextMax > 0 && !text.empty()) {
        int written = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, tip.pszText, tip.cchTextMax);
        if (written == 0) tip.pszText[0] = L'\0';
        tip.pszText[tip.cchTextMax - 1] = L'\0';
      }
      break;
    }
    default:
      return FALSE;
  }
  if (Window()) ::SetWindowLongPtrA(Window(), DWLP_MSGRESULT, result);
  return TRUE;
}

// The context-menu key, Shift+F10 or a right click in the tree drops the menu
// of the kind the entry belongs to (its root's place: Services, Startups,
// Shortcuts) at the entry, the same menu as the kind's toolbar button, so the
// keyboard reaches create, remove and modify from the tree itself.
void MainDialog::OnTreeContextMenu(LPARAM position) {
  HWND tree = tree_->Window();
  POINT at = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  HTREEITEM item = TreeView_GetSelection(tree);
  if (position != static_cast<LPARAM>(-1)) {  // the mouse: the item under it, selected first
    TVHITTESTINFO hit{};
    hit.pt = at;
    ::ScreenToClient(tree, &hit.pt);
    if ((item = TreeView_HitTest(tree, &hit))) TreeView_SelectItem(tree, item);
  }
  if (!item) return;
  HTREEITEM root = item;
  while (HTREEITEM up = TreeView_GetParent(tree, root)) root = up;
  int kind = 0;
  for (HTREEITEM top = TreeView_GetRoot(tree); top && top != root; top = TreeView_GetNextSibling(tree, top)) ++kind;
  const win32::MenuHandle* menus[] = {&serviceMenu_, &startupMenu_, &shortcutMenu_};
  HMENU menu = kind < 3 && menus[kind]->Get() ? ::GetSubMenu(menus[kind]->Get(), 0) : nullptr;
  if (!menu) return;
  if (position == static_cast<LPARAM>(-1)) {  // the keyboard: below the entry's text
    RECT text{};
    TreeView_GetItemRect(tree, item, &text, TRUE);
    at = {text.left, text.bottom};
    ::ClientToScreen(tree, &at);
  }
  UINT command = static_cast<UINT>(::TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON,
                                                    at.x, at.y, 0, Window(), nullptr));
  if (command != 0) logic_.OnCommand(command);
}

void MainDialog::OnWindowPosChanging(WINDOWPOS& position) {
  if (position.flags & SWP_NOMOVE) return;
  RECT now;
  ::GetWindowRect(Window(), &now);
  int width = (position.flags & SWP_NOSIZE) ? now.right - now.left : position.cx;
  int height = (position.flags & SWP_NOSIZE) ? now.bottom - now.top : position.cy;
  Point snapped = logic_.OnPositionChanging({position.x, position.y, position.x + width, position.y + height});
  position.x = snapped.x;
  position.y = snapped.y;
}

void MainDialog::Paint() {
  win32::PaintDC paint(Window());
  HDC dc = paint.Get();
  // The background is stretched over the controls too (the caption is drawn
  // straight onto it), so every control under the painted part draws itself
  // again afterwards; otherwise a control painted before its parent, as after
  // a theme change, would vanish under the new background.
  RepaintChildrenIn(paint.Area());
  RECT client;
  ::GetClientRect(Window(), &client);
  if (::IsIconic(Window())) {
    ::SendMessageA(Window(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, icon_.Get());
    return;
  }
  if (CODControl::HighContrastIn(Window())) {
    // The theme's picture steps aside for the scheme's own window colour.
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  win32::MemoryDC memory(::CreateCompatibleDC(dc));
  // The theme's file is read again at every paint, so that a theme folder
  // changed on disk shows at once; a file that does not load keeps the last picture.
  // Without a theme the program's own picture, loaded once with the window.
  std::string file = logic_.BackgroundFile();
  if (!file.empty()) {
    HANDLE loaded = ::LoadImageA(nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (loaded) themeBackground_.Reset(loaded);
  } else {
    themeBackground_.Reset();
  }
  HGDIOBJ picture = themeBackground_ ? themeBackground_.Get() : background_.Get();
  BITMAP size{};
  if (!memory.Get() || !picture || !::GetObjectA(picture, sizeof(size), &size)) return;
  win32::Selection selected(memory.Get(), picture);
  ::SetStretchBltMode(dc, COLORONCOLOR);
  ::SetBrushOrgEx(dc, 0, 0, nullptr);
  ::StretchBlt(dc, 0, 0, client.right, client.bottom, memory.Get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
}

// IMainView

CODControl* MainDialog::Control(int id) {
  switch (id) {
    case IDC_MAIN_CAPTION: return &caption_;
    case IDC_MAIN_CLOSE: return &close_;
    case IDC_MAIN_HELP: return &help_;
    case IDC_MAIN_ABOUT: return &about_;
    case IDC_MAIN_MINIMIZE: return &minimize_;
    case IDC_MAIN_STATUS: return &status_;
    case IDC_MAIN_LAUNCH_LEFT: return &launchLeft_;
    case IDC_MAIN_LAUNCH_RIGHT: return &launchRight_;
    case IDC_MAIN_SERVICE: return &service_;
    case IDC_MAIN_STARTUP: return &startup_;
    case IDC_MAIN_SHORTCUT: return &shortcut_;
    case IDC_MAIN_THEME: return &theme_;
    default: return nullptr;
  }
}

void MainDialog::SetTitle(const std::string& title) { ::SetWindowTextA(Window(), title.c_str()); }

void MainDialog::SetHoverText(int control, const std::string& text) {
  CODControl* target = Control(control);
  if (!target) return;
  target->SetHoverText(text);
  target->SetHoverDisplay(::GetDlgItem(Window(), IDC_MAIN_STATUS));
}

void MainDialog::SetColors(const WindowColors& colors) {
  caption_.SetColor(colors.title);
  for (CODButton* button : {&close_, &help_, &about_, &minimize_, &launchLeft_, &launchRight_})
    button->SetColor(colors.button);
  status_.SetColor(colors.status);
  for (CODToolBarButton* button : {&service_, &startup_, &shortcut_, &theme_}) button->SetColor(colors.section);
}

namespace {

// The roots' icons and the badge of the 32-bit programs' entries, in the
// places the tree keeps for them.
constexpr int kRootIcons[] = {IDI_SERVICES, IDI_STARTUPS, IDI_SHORTCUTS, IDI_VIEW32};

}  // namespace

void MainDialog::InstallImageList() {
  // Colour with a mask rather than the plain 16 colours: the engines add the
  // programs' own icons to this list, and they must keep their colours.
  // At the size of the tree's text: 16 pixels at 96 dots per inch.
  const int size = Scaled(16);
  const int places = static_cast<int>(std::size(kRootIcons));
  images_ = platform::Win32ImageList::Create(places, 1, size);
  if (!images_.Handle()) return;
  ImageList_SetBkColor(images_.Handle(), RGB(255, 255, 255));
  // The places stand empty until the icons come: a picture whose mask hides
  // all of it. Loading the icons costs more than the rest of the tree.
  const std::size_t bytes = static_cast<std::size_t>((size * places + 15) / 16 * 2 * size);
  std::vector<BYTE> zeros(bytes, 0), ones(bytes, 0xFF);
  win32::GdiObject blank(::CreateBitmap(size * places, size, 1, 1, zeros.data()));
  win32::GdiObject mask(::CreateBitmap(size * places, size, 1, 1, ones.data()));
  if (blank.Get() && mask.Get())
    ImageList_Add(images_.Handle(), static_cast<HBITMAP>(blank.Get()), static_cast<HBITMAP>(mask.Get()));
  tree_->SetImageList(&images_);
}

void MainDialog::InstallRootImages() {
  if (!images_.Handle()) return;
  // Each icon taken from its own image of the list's size.
  const int size = Scaled(16);
  int place = 0;
  for (int id : kRootIcons) {
    win32::IconHandle icon(static_cast<HICON>(::LoadImageA(module_, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0)));
    if (icon) ImageList_ReplaceIcon(images_.Handle(), place, icon.Get());
    ++place;
  }
  if (tree_) ::InvalidateRect(tree_->Window(), nullptr, FALSE);
}

int MainDialog::AddMissingProgramImage() {
  // The system's warning sign: what Windows itself shows beside something that
  // needs the user's attention. A shared icon; the list keeps its own copy.
  HICON warning = ::LoadIconA(nullptr, IDI_WARNING);
  if (!warning || !images_.Handle()) return -1;
  return images_.AppendIcon(reinterpret_cast<platform::IconHandle>(warning));
}

void MainDialog::EnableCommand(std::uint32_t command, bool enabled) {
  for (const win32::MenuHandle* menu : {&serviceMenu_, &startupMenu_, &shortcutMenu_})
    if (menu->Get()) ::EnableMenuItem(menu->Get(), command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void MainDialog::ShowMessage(const std::string& text, BoxIcon icon) {
  ShowMessageBox(Window(), text, MB_OK, icon);
}

bool MainDialog::AskYesNo(const std::string& text, BoxIcon icon) {
  return ShowMessageBox(Window(), text, MB_YESNO, icon) == IDYES;
}

void MainDialog::PostQuit(int exitCode) { ::PostQuitMessage(exitCode); }

void MainDialog::Hide() {
  if (!Window()) return;
  ::ShowWindow(Window(), SW_HIDE);
  // A hidden window gets no word that the pointer has left its controls; the
  // status line would keep the last hover text until the pointer came back.
  for (int id : {IDC_MAIN_CAPTION, IDC_MAIN_CLOSE, IDC_MAIN_HELP, IDC_MAIN_ABOUT, IDC_MAIN_MINIMIZE,
                 IDC_MAIN_LAUNCH_LEFT, IDC_MAIN_LAUNCH_RIGHT, IDC_MAIN_SERVICE, IDC_MAIN_STARTUP, IDC_MAIN_SHORTCUT,
                 IDC_MAIN_THEME})
    ::SendMessageA(::GetDlgItem(Window(), id), WM_MOUSELEAVE, 0, 0);
}

void MainDialog::ShowNormal() {
  if (!Window()) return;
  ::ShowWindow(Window(), SW_SHOWNORMAL);
  ::SetForegroundWindow(Window());
}

void MainDialog::Destroy() {
  window_.Reset();
}

void MainDialog::EndModal(int result) {
  modalEnded_ = true;
  modalResult_ = result;
  Hide();
}

void MainDialog::Repaint() {
  if (Window()) ::RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void MainDialog::ShowTrayMenu() {
  if (!Window() || !trayMenu_) return;
  // At the pointer, or at the icon when the keyboard asked for the menu.
  POINT cursor;
  const bool fromKeyboard = lastTrayEvent_ == NIN_KEYSELECT || lastTrayEvent_ == WM_CONTEXTMENU;
  if (!fromKeyboard || !tray_.Anchor(&cursor)) ::GetCursorPos(&cursor);
  HMENU popup = ::GetSubMenu(trayMenu_.Get(), 0);
  if (!popup) return;
  ::SetMenuDefaultItem(popup, 0, TRUE);
  ::SetForegroundWindow(Window());
  ::TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, Window(), nullptr);
  ::SetForegroundWindow(Window());
}

Rect MainDialog::WorkArea() {
  RECT area{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return {area.left, area.top, area.right, area.bottom};
}

std::unique_ptr<IProgressWindow> MainDialog::OpenProgress() { return Win32ProgressWindow::Open(module_); }

void MainDialog::StartTicking(std::uint32_t milliseconds) {
  if (Window()) ::SetTimer(Window(), kTickTimer, milliseconds, nullptr);
}

}  // namespace qm::app
