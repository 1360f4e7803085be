#include "controls/ODControls.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "controls/WindowHook.h"
#include "engine/foundation/Guard.h"

namespace {

using qm::controls::WindowHook;

// What the controls of one parent share: whether a high-contrast scheme is on,
// read once for them all and again when the system says that it changed.
struct ParentState {
  bool highContrast;
};

LRESULT ParentHook(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Owner-drawn controls report their drawing and clicks to their parent; the
// parent hands both back to the control object, so that a window using the
// controls needs no code of its own for them.
LRESULT HandleParent(ParentState* state, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (CODControl* control = CODControl::Of(item->hwndItem)) {
        control->Draw(*item);
        return TRUE;
      }
      break;
    }
    case WM_COMMAND:
      if (CODControl* control = CODControl::Of(reinterpret_cast<HWND>(lParam)))
        if (control->OnCommand(HIWORD(wParam))) return 0;
      break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // A high-contrast scheme switched on or off: the controls draw anew in what now applies.
      state->highContrast = qm::controls::HighContrast();
      for (HWND child = ::GetWindow(window, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (CODControl::Of(child)) ::InvalidateRect(child, nullptr, TRUE);
      break;
    case WM_NCDESTROY: {
      // The hook goes with the window; what its controls shared goes now.
      LRESULT result = WindowHook::Next(window, message, wParam, lParam);
      delete state;
      return result;
    }
  }
  return WindowHook::Next(window, message, wParam, lParam);
}

LRESULT ParentHook(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return qm::Guarded("Owner-drawn controls' parent", message,
                     [&] { return HandleParent(static_cast<ParentState*>(owner), window, message, wParam, lParam); },
                     LRESULT{0});
}

// With a high-contrast scheme the themes step aside: every control draws in
// the system's colours.
COLORREF Resolve(COLORREF color, int systemIndex, bool highContrast) {
  return color == qm::controls::kNoColor || highContrast ? ::GetSysColor(systemIndex) : color;
}

// Black or white, whichever reads better on the face.
COLORREF TextColorOn(COLORREF face) {
  int luminance = (299 * GetRValue(face) + 587 * GetGValue(face) + 114 * GetBValue(face)) / 1000;
  return luminance < 128 ? RGB(255, 255, 255) : RGB(0, 0, 0);
}

// The access key's underline is drawn while the window shows keyboard cues
// (UISF_HIDEACCEL off, which the system hands on as ODS_NOACCEL).
UINT PrefixFlags(const DRAWITEMSTRUCT& item) { return (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0; }

// The screen reader's object of an owner-drawn control. It holds the window,
// not the control object, which may be detached while a reader still holds this.
class ControlAccessible : public qm::controls::AccessibleObject {
 public:
  using AccessibleObject::AccessibleObject;

 protected:
  bool Facts(long child, qm::controls::AccessibleFacts* facts) const override {
    CODControl* control = CODControl::Of(Window());
    if (child != 0 || !control) return false;
    control->Describe(facts);
    return true;
  }
  bool DoDefault(long child) override {
    CODControl* control = CODControl::Of(Window());
    return child == 0 && control && control->DoDefaultAction();
  }
};

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0)); }

}  // namespace

namespace qm::controls {

bool HighContrast() {
  HIGHCONTRASTA contrast{};
  contrast.cbSize = sizeof(contrast);
  if (::SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
      (contrast.dwFlags & HCF_HIGHCONTRASTON))
    return true;
  // Wine answers the question above with "off" whatever is set; the setting
  // as Windows keeps it for the user is read as well.
  char flags[16] = {};
  DWORD size = sizeof(flags);
  if (::RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Accessibility\\HighContrast", "Flags", RRF_RT_REG_SZ, nullptr,
                     flags, &size) != ERROR_SUCCESS)
    return false;
  return (std::strtoul(flags, nullptr, 10) & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace qm::controls

CODControl::~CODControl() { Detach(); }

CODControl* CODControl::Of(HWND window) {
  return static_cast<CODControl*>(WindowHook::OwnerOf(window, &CODControl::Hook));
}

bool CODControl::Attach(HWND parent, int id) {
  HWND window = ::GetDlgItem(parent, id);
  if (!window || window_) return false;
  if (!WindowHook::Install(window, &CODControl::Hook, this)) return false;
  if (!WindowHook::OwnerOf(parent, ParentHook)) {
    auto* shared = new ParentState{qm::controls::HighContrast()};
    if (!WindowHook::Install(parent, ParentHook, shared)) {
      delete shared;
      WindowHook::Remove(window, &CODControl::Hook);
      return false;
    }
  }
  window_ = window;
  parent_ = parent;
  OnAttached();
  // A hidden control draws itself as it shows.
  if (::IsWindowVisible(window_)) ::InvalidateRect(window_, nullptr, TRUE);
  return true;
}

void CODControl::Detach() {
  if (!window_) return;
  EndHover();
  WindowHook::Remove(window_, &CODControl::Hook);
  window_ = nullptr;
}

bool CODControl::HighContrastIn(HWND parent) {
  auto* shared = static_cast<const ParentState*>(WindowHook::OwnerOf(parent, ParentHook));
  return shared ? shared->highContrast : qm::controls::HighContrast();
}

void CODControl::SetColor(COLORREF color) {
  color_ = color;
  // A hidden control draws itself as it shows.
  if (window_ && ::IsWindowVisible(window_)) ::InvalidateRect(window_, nullptr, TRUE);
}

LRESULT CODControl::Hook(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* control = static_cast<CODControl*>(owner);
  return qm::Guarded("Owner-drawn control", message, [&] {
    if (message != WM_NCDESTROY) return control->Handle(message, wParam, lParam);
    control->Detach();
    return WindowHook::Next(window, message, wParam, lParam);
  }, LRESULT{0});
}

LRESULT CODControl::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MOUSEMOVE:
      ShowHover(true);
      break;
    case WM_MOUSELEAVE:
    case WM_KILLFOCUS:
      EndHover();
      break;
    case WM_SETFOCUS:
      // The keyboard's way to the hover text: the status line says what the
      // focused control does, as it does for the one under the pointer.
      ShowHover(false);
      break;
    case WM_GETOBJECT:
      if (LRESULT answer = qm::controls::AccessibleObject::Answer(new ControlAccessible(window_), wParam, lParam))
        return answer;
      break;
  }
  return Default(message, wParam, lParam);
}

void CODControl::Describe(qm::controls::AccessibleFacts* facts) const {
  using qm::controls::AccessibleObject;
  std::string text = Text();
  facts->name = accessibleName_.empty() ? AccessibleObject::SpokenText(text) : accessibleName_;
  facts->description = hoverText_;
  facts->shortcut = AccessibleObject::AccessKey(text);
  facts->state = AccessibleObject::WindowState(window_);
  ::GetWindowRect(window_, &facts->screen);
  if (accessibleRole_ != 0) facts->role = accessibleRole_;
}

LRESULT CODControl::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return WindowHook::Next(window_, message, wParam, lParam);
}

void CODControl::ShowHover(bool pointer) {
  if (hovering_ || hoverText_.empty() || !hoverDisplay_ || !::IsWindow(hoverDisplay_)) return;
  int length = ::GetWindowTextLengthA(hoverDisplay_);
  std::vector<char> saved(static_cast<std::size_t>(length) + 1, '\0');
  ::GetWindowTextA(hoverDisplay_, saved.data(), length + 1);
  savedDisplayText_ = saved.data();
  ::SetWindowTextA(hoverDisplay_, hoverText_.c_str());
  TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window_, 0};
  if (pointer) ::TrackMouseEvent(&track);
  hovering_ = true;
}

void CODControl::EndHover() {
  if (!hovering_) return;
  hovering_ = false;
  if (::IsWindow(hoverDisplay_)) ::SetWindowTextA(hoverDisplay_, savedDisplayText_.c_str());
}

HBRUSH CODControl::ParentBrush(HDC dc) const {
  HWND parent = ::GetParent(window_);
  auto brush = reinterpret_cast<HBRUSH>(
      ::SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window_)));
  return brush ? brush : ::GetSysColorBrush(COLOR_BTNFACE);
}

std::string CODControl::Text() const {
  int length = ::GetWindowTextLengthA(window_);
  std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
  ::GetWindowTextA(window_, text.data(), length + 1);
  return text.data();
}

// Buttons

void CODButton::OnAttached() {
  if ((::GetWindowLongPtrA(Window(), GWL_STYLE) & BS_TYPEMASK) != BS_OWNERDRAW)
    ::SendMessageA(Window(), BM_SETSTYLE, BS_OWNERDRAW, TRUE);
}

void CODButton::Describe(qm::controls::AccessibleFacts* facts) const {
  facts->role = ROLE_SYSTEM_PUSHBUTTON;
  facts->defaultAction = "Press";
  CODControl::Describe(facts);
  if (::SendMessageA(Window(), BM_GETSTATE, 0, 0) & BST_PUSHED) facts->state |= STATE_SYSTEM_PRESSED;
}

bool CODButton::DoDefaultAction() {
  // Posted: the click may open a menu or a dialog, which must not run inside the reader's call.
  return ::IsWindowEnabled(Window()) && ::PostMessageA(Window(), BM_CLICK, 0, 0);
}

LRESULT CODButton::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  // The face covers the whole button: erasing first would only cost a
  // round of messages to the parent and show the erased colour for a moment.
  if (message == WM_ERASEBKGND) return 1;
  return CODControl::Handle(message, wParam, lParam);
}

void CODButton::DrawFace(const DRAWITEMSTRUCT& item, RECT* content) {
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  const bool highContrast = HighContrastScheme();
  COLORREF face = Resolve(color_, COLOR_BTNFACE, highContrast);
  qm::win32::GdiObject brush(::CreateSolidBrush(face));
  ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
  bool pressed = (item.itemState & ODS_SELECTED) != 0;
  ::DrawEdge(dc, &rect, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
  if (pressed) ::OffsetRect(&rect, 1, 1);
  *content = rect;
  ::SetBkMode(dc, TRANSPARENT);
  COLORREF ink = highContrast ? ::GetSysColor(COLOR_BTNTEXT) : TextColorOn(face);
  ::SetTextColor(dc, (item.itemState & ODS_DISABLED) ? ::GetSysColor(COLOR_GRAYTEXT) : ink);
}

void CODButton::Draw(const DRAWITEMSTRUCT& item) {
  RECT content;
  DrawFace(item, &content);
  qm::win32::Selection font(item.hDC, FontOf(Window()));
  RECT textRect = content;
  ::InflateRect(&textRect, -2, -1);
  std::string text = Text();
  if (format_ & DT_WORDBREAK) {
    // Word-wrapped captions are centred vertically by hand: DT_VCENTER only works on one line.
    RECT measured = textRect;
    ::DrawTextA(item.hDC, text.c_str(), -1, &measured, format_ | DT_CALCRECT | PrefixFlags(item));
    int offset = ((textRect.bottom - textRect.top) - (measured.bottom - measured.top)) / 2;
    if (offset > 0) textRect.top += offset;
  }
  ::DrawTextA(item.hDC, text.c_str(), -1, &textRect, format_ | PrefixFlags(item));
  DrawFocus(item, content);
}

void CODButton::DrawFocus(const DRAWITEMSTRUCT& item, const RECT& content) {
  // The focus mark follows the window's keyboard cues: hidden after a mouse
  // click (UISF_HIDEFOCUS, which the system hands on as ODS_NOFOCUSRECT), shown
  // once a key moves the focus.
  if (!(item.itemState & ODS_FOCUS) || (item.itemState & ODS_NOFOCUSRECT)) return;
  RECT focus = content;
  ::InflateRect(&focus, -2, -2);
  ::SetTextColor(item.hDC, RGB(0, 0, 0));
  ::SetBkColor(item.hDC, RGB(255, 255, 255));
  ::DrawFocusRect(item.hDC, &focus);
}

void CODToolBarButton::Draw(const DRAWITEMSTRUCT& item) {
  RECT content;
  DrawFace(item, &content);
  HDC dc = item.hDC;
  qm::win32::Selection font(dc, FontOf(Window()));
  std::string text = Text();
  BITMAP info = {};
  bool hasBitmap = bitmap_ && ::GetObjectA(bitmap_, sizeof(info), &info);
  SIZE image = hasBitmap ? SIZE{info.bmWidth, info.bmHeight} : SIZE{0, 0};
  // Measured as drawn: the access key's "&" takes no room.
  const UINT prefix = PrefixFlags(item);
  SIZE label = {0, 0};
  if (!text.empty()) {
    RECT measured = {0, 0, 0, 0};
    ::DrawTextA(dc, text.c_str(), -1, &measured, DT_SINGLELINE | DT_CALCRECT | prefix);
    label = {measured.right - measured.left, measured.bottom - measured.top};
  }
  // The arrow grows with the caption's font (5 pixels at 96 dots per inch), an odd width so that it has a tip.
  constexpr int kGap = 3;
  const int kArrowWidth = std::max<int>(5, (label.cy / 3) | 1);
  int arrowRoom = menu_ ? kArrowWidth + kGap : 0;
  int width = content.right - content.left, height = content.bottom - content.top;
  // The small arrow that says the button drops a menu, in the caption's
  // colour, which DrawFace chose to show on the face.
  auto drawArrow = [&](int x, int y) {
    qm::win32::GdiObject ink(::CreateSolidBrush(::GetTextColor(dc)));
    for (int row = 0; row < (kArrowWidth + 1) / 2; ++row) {
      RECT line = {x + row, y + row, x + kArrowWidth - row, y + row + 1};
      ::FillRect(dc, &line, static_cast<HBRUSH>(ink.Get()));
    }
  };
  auto drawBitmap = [&](int x, int y) {
    qm::win32::MemoryDC memory(::CreateCompatibleDC(dc));
    if (!memory) return;
    qm::win32::Selection selected(memory.Get(), bitmap_);
    ::BitBlt(dc, x, y, image.cx, image.cy, memory.Get(), 0, 0, SRCCOPY);
  };
  // A face tall enough for the bitmap over the caption puts it there, so that
  // the caption has the face's whole width: beside the bitmap a caption such
  // as "Shortcut" is cut short on a narrow button.
  if (hasBitmap && !text.empty() && image.cy + kGap + label.cy <= height - 2) {
    int top = content.top + (height - image.cy - kGap - label.cy) / 2;
    int centre = (content.left + content.right) / 2;
    drawBitmap(centre - image.cx / 2, top);
    int row = std::min<int>(label.cx + arrowRoom, width - 4);
    RECT textRect = {centre - row / 2, top + image.cy + kGap, centre - row / 2 + row - arrowRoom,
                     top + image.cy + kGap + label.cy};
    ::DrawTextA(dc, text.c_str(), -1, &textRect, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | prefix);
    if (menu_) drawArrow(textRect.right + kGap, (textRect.top + textRect.bottom) / 2 - 1);
    DrawFocus(item, content);
    return;
  }
  const RECT face = content;
  int left = content.left + 3;
  if (menu_) {
    drawArrow(content.right - 9, (content.top + content.bottom) / 2 - 1);
    content.right -= 11;
  }
  if (hasBitmap) {
    int x = text.empty() ? (content.left + content.right - image.cx) / 2 : left;
    drawBitmap(x, (content.top + content.bottom - image.cy) / 2);
    left += image.cx + kGap;
  }
  if (!text.empty()) {
    RECT textRect = {left, content.top, content.right, content.bottom};
    ::DrawTextA(dc, text.c_str(), -1, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | prefix);
  }
  DrawFocus(item, face);
}

bool CODToolBarButton::OnCommand(int code) {
  if (code != BN_CLICKED || !menu_) return false;
  // A click, Space, or the access key with Alt.
  DropMenu();
  return true;
}

void CODToolBarButton::Describe(qm::controls::AccessibleFacts* facts) const {
  CODButton::Describe(facts);
  if (!menu_) return;
  facts->role = ROLE_SYSTEM_BUTTONMENU;
  facts->state |= STATE_SYSTEM_HASPOPUP;
  facts->defaultAction = "Open";
}

void CODToolBarButton::DropMenu() {
  if (!menu_) return;
  RECT rect;
  ::GetWindowRect(Window(), &rect);
  HWND parent = ::GetParent(Window());
  UINT command = static_cast<UINT>(::TrackPopupMenu(menu_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_LEFTBUTTON,
                                                    rect.left, rect.bottom, 0, parent, nullptr));
  if (command != 0) ::SendMessageA(parent, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

LRESULT CODToolBarButton::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  // Down and F4 drop the menu, as on a drop-down button of the system's own;
  // the dialog manager would otherwise take Down to move the focus on.
  const auto dropKey = [](WPARAM key) { return key == VK_DOWN || key == VK_F4; };
  if (message == WM_GETDLGCODE && menu_) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    LRESULT code = Default(message, wParam, lParam);
    if (msg && msg->message == WM_KEYDOWN && dropKey(msg->wParam)) code |= DLGC_WANTMESSAGE;
    return code;
  }
  if (message == WM_KEYDOWN && menu_ && dropKey(wParam)) {
    DropMenu();
    return 0;
  }
  return CODButton::Handle(message, wParam, lParam);
}

// Statics and links

void CODStatic::OnAttached() {
  LONG_PTR style = ::GetWindowLongPtrA(Window(), GWL_STYLE);
  // SS_NOTIFY lets the pointer reach the control, for hover texts and links.
  ::SetWindowLongPtrA(Window(), GWL_STYLE, (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_OWNERDRAW | SS_NOTIFY);
}

void CODStatic::Draw(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  ::FillRect(dc, &rect, ParentBrush(dc));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, Resolve(color_, COLOR_BTNTEXT, HighContrastScheme()));
  qm::win32::Selection font(dc, FontOf(Window()));
  std::string text = Text();
  ::DrawTextA(dc, text.c_str(), -1, &rect, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

void CODStatic::Describe(qm::controls::AccessibleFacts* facts) const {
  facts->role = ROLE_SYSTEM_STATICTEXT;
  CODControl::Describe(facts);
  facts->state = (facts->state & ~STATE_SYSTEM_FOCUSABLE) | STATE_SYSTEM_READONLY;
}

void CODWebLink::OnAttached() {
  CODStatic::OnAttached();
  ::SetWindowLongPtrA(Window(), GWL_STYLE, ::GetWindowLongPtrA(Window(), GWL_STYLE) | WS_TABSTOP);
}

void CODWebLink::Describe(qm::controls::AccessibleFacts* facts) const {
  CODStatic::Describe(facts);
  facts->role = ROLE_SYSTEM_LINK;
  facts->state |= STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE;
  if (::GetFocus() == Window()) facts->state |= STATE_SYSTEM_FOCUSED;
  facts->value = link_;
  facts->defaultAction = "Jump";
}

bool CODWebLink::DoDefaultAction() { return !link_.empty() && OpenLink(link_); }

void CODWebLink::Draw(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT rect = item.rcItem;
  ::FillRect(dc, &rect, ParentBrush(dc));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, HighContrastScheme()                    ? ::GetSysColor(COLOR_HOTLIGHT)
                     : color_ == qm::controls::kNoColor ? RGB(0, 0, 204)
                                                        : color_);
  LOGFONTA logFont = {};
  HFONT base = FontOf(Window());
  if (!base || !::GetObjectA(base, sizeof(logFont), &logFont)) ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(logFont), &logFont);
  logFont.lfUnderline = TRUE;
  qm::win32::GdiObject underlined(::CreateFontIndirectA(&logFont));
  qm::win32::Selection font(dc, underlined.Get());
  std::string text = Text();
  ::DrawTextA(dc, text.c_str(), -1, &rect, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  // The focus frame round the text, while the window shows keyboard cues.
  if (::GetFocus() != Window() || (::SendMessageA(Window(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) return;
  RECT frame = rect;
  ::DrawTextA(dc, text.c_str(), -1, &frame, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  frame.right = std::min(frame.right + 1, rect.right);
  ::DrawFocusRect(dc, &frame);
}

LRESULT CODWebLink::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  // Tab reaches the link; Space there opens it, as a click does. Enter stays
  // the window's (the about box ignores it).
  const auto openKey = [](WPARAM key) { return key == VK_SPACE; };
  switch (message) {
    case WM_GETDLGCODE: {
      const auto* msg = reinterpret_cast<const MSG*>(lParam);
      LRESULT code = Default(message, wParam, lParam);
      return msg && msg->message == WM_KEYDOWN && openKey(msg->wParam) ? code | DLGC_WANTMESSAGE : code;
    }
    case WM_KEYDOWN:
      if (!openKey(wParam)) break;
      if (!link_.empty()) OpenLink(link_);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
      ::InvalidateRect(Window(), nullptr, TRUE);
      break;
  }
  if (message == WM_SETCURSOR) {
    ::SetCursor(::LoadCursor(nullptr, IDC_HAND));
    return TRUE;
  }
  return CODStatic::Handle(message, wParam, lParam);
}

bool CODWebLink::OnCommand(int code) {
  if (code != STN_CLICKED) return false;
  if (!link_.empty()) OpenLink(link_);
  return true;
}

bool CODWebLink::OpenLink(const std::string& target) {
  auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteA(::GetParent(Window()), nullptr, target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}
