#include "controls/Accessible.h"

#include <vector>

namespace qm::controls {
namespace {

BSTR ToBstr(const std::string& text) {
  int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  BSTR out = ::SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (out && length > 0)
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out, length);
  return out;
}

void SetLong(VARIANT* out, long value) {
  ::VariantInit(out);
  out->vt = VT_I4;
  out->lVal = value;
}

}  // namespace

LRESULT AccessibleObject::Answer(AccessibleObject* made, WPARAM wParam, LPARAM lParam) {
  if (!made) return 0;
  LRESULT result = 0;
  if (static_cast<LONG>(lParam) == static_cast<LONG>(OBJID_CLIENT))
    result = ::LresultFromObject(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(made));
  made->Release();
  return result > 0 ? result : 0;
}

long AccessibleObject::WindowState(HWND window) {
  long state = 0;
  if (!::IsWindowEnabled(window)) state |= STATE_SYSTEM_UNAVAILABLE;
  if (!::IsWindowVisible(window)) state |= STATE_SYSTEM_INVISIBLE;
  if (::GetWindowLongPtrA(window, GWL_STYLE) & WS_TABSTOP) state |= STATE_SYSTEM_FOCUSABLE;
  if (::GetFocus() == window) state |= STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE;
  return state;
}

std::string AccessibleObject::SpokenText(const std::string& text) {
  std::string spoken;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') spoken += text[++i];
      continue;
    }
    // A caption written one letter a line ("L\nA\nU...") reads as the word.
    if (c == '\n' || c == '\r') continue;
    if (c == ' ' && (spoken.empty() || spoken.back() == ' ')) continue;
    spoken += c;
  }
  while (!spoken.empty() && spoken.back() == ' ') spoken.pop_back();
  return spoken;
}

std::string AccessibleObject::AccessKey(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    char key = text[i + 1];
    if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
    return std::string("Alt+") + key;
  }
  return "";
}

HRESULT AccessibleObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == __uuidof(IAccessible)) {
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG AccessibleObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&references_)); }

ULONG AccessibleObject::Release() {
  LONG left = ::InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT AccessibleObject::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return count ? S_OK : E_POINTER;
}
HRESULT AccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT AccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT AccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

long AccessibleObject::ChildOf(const VARIANT& child) const {
  if (child.vt != VT_I4) return -1;
  long id = child.lVal;
  if (id < 0 || id > ChildCount()) return -1;
  return id;
}

HRESULT AccessibleObject::Text(const VARIANT& child, std::string AccessibleFacts::*field, BSTR* out) const {
  if (!out) return E_POINTER;
  *out = nullptr;
  AccessibleFacts facts;
  long id = ChildOf(child);
  if (id < 0 || !::IsWindow(window_) || !Facts(id, &facts)) return E_INVALIDARG;
  const std::string& text = facts.*field;
  if (text.empty()) return S_FALSE;
  *out = ToBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT AccessibleObject::get_accParent(IDispatch** parent) {
  if (!parent) return E_POINTER;
  *parent = nullptr;
  // The window's own frame, as the system gives it: the standard object of OBJID_WINDOW.
  return ::CreateStdAccessibleObject(window_, OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(parent));
}

HRESULT AccessibleObject::get_accChildCount(long* count) {
  if (!count) return E_POINTER;
  *count = ChildCount();
  return S_OK;
}

HRESULT AccessibleObject::get_accChild(VARIANT child, IDispatch** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  return ChildOf(child) < 0 ? E_INVALIDARG : S_FALSE;  // children are simple elements
}

HRESULT AccessibleObject::get_accName(VARIANT child, BSTR* name) { return Text(child, &AccessibleFacts::name, name); }
HRESULT AccessibleObject::get_accValue(VARIANT child, BSTR* value) {
  return Text(child, &AccessibleFacts::value, value);
}
HRESULT AccessibleObject::get_accDescription(VARIANT child, BSTR* description) {
  return Text(child, &AccessibleFacts::description, description);
}
HRESULT AccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  return Text(child, &AccessibleFacts::shortcut, shortcut);
}
HRESULT AccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action) {
  return Text(child, &AccessibleFacts::defaultAction, action);
}

HRESULT AccessibleObject::Number(const VARIANT& child, long AccessibleFacts::*field, VARIANT* out) const {
  if (!out) return E_POINTER;
  AccessibleFacts facts;
  long id = ChildOf(child);
  if (id < 0 || !Facts(id, &facts)) return E_INVALIDARG;
  SetLong(out, facts.*field);
  return S_OK;
}

HRESULT AccessibleObject::get_accRole(VARIANT child, VARIANT* role) { return Number(child, &AccessibleFacts::role, role); }
HRESULT AccessibleObject::get_accState(VARIANT child, VARIANT* state) {
  return Number(child, &AccessibleFacts::state, state);
}

HRESULT AccessibleObject::get_accHelp(VARIANT, BSTR* help) {
  if (help) *help = nullptr;
  return S_FALSE;
}

HRESULT AccessibleObject::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
  if (file) *file = nullptr;
  if (topic) *topic = 0;
  return S_FALSE;
}

HRESULT AccessibleObject::get_accFocus(VARIANT* child) {
  if (!child) return E_POINTER;
  ::VariantInit(child);
  if (::GetFocus() != window_) return S_FALSE;
  SetLong(child, FocusedChild());
  return S_OK;
}

HRESULT AccessibleObject::get_accSelection(VARIANT* children) {
  if (!children) return E_POINTER;
  ::VariantInit(children);
  long focused = FocusedChild();
  if (focused <= 0) return S_FALSE;
  SetLong(children, focused);
  return S_OK;
}

HRESULT AccessibleObject::accSelect(long flags, VARIANT child) {
  long id = ChildOf(child);
  if (id < 0) return E_INVALIDARG;
  if (flags & SELFLAG_TAKEFOCUS) ::SetFocus(window_);
  if (id > 0 && (flags & SELFLAG_TAKESELECTION)) return Select(id) ? S_OK : S_FALSE;
  return S_OK;
}

HRESULT AccessibleObject::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
  if (!left || !top || !width || !height) return E_POINTER;
  AccessibleFacts facts;
  long id = ChildOf(child);
  if (id < 0 || !Facts(id, &facts)) return E_INVALIDARG;
  *left = facts.screen.left;
  *top = facts.screen.top;
  *width = facts.screen.right - facts.screen.left;
  *height = facts.screen.bottom - facts.screen.top;
  return S_OK;
}

HRESULT AccessibleObject::accNavigate(long direction, VARIANT start, VARIANT* end) {
  if (!end) return E_POINTER;
  ::VariantInit(end);
  long id = ChildOf(start);
  if (id < 0) return E_INVALIDARG;
  long count = ChildCount(), next = -1;
  switch (direction) {
    case NAVDIR_FIRSTCHILD: next = id == 0 && count > 0 ? 1 : -1; break;
    case NAVDIR_LASTCHILD: next = id == 0 && count > 0 ? count : -1; break;
    case NAVDIR_NEXT: case NAVDIR_DOWN: next = id > 0 && id < count ? id + 1 : -1; break;
    case NAVDIR_PREVIOUS: case NAVDIR_UP: next = id > 1 ? id - 1 : -1; break;
    default: return id == 0 ? E_NOTIMPL : S_FALSE;
  }
  if (next < 0) return S_FALSE;
  SetLong(end, next);
  return S_OK;
}

HRESULT AccessibleObject::accHitTest(long x, long y, VARIANT* child) {
  if (!child) return E_POINTER;
  ::VariantInit(child);
  POINT point = {x, y};
  AccessibleFacts facts;
  for (long id = ChildCount(); id >= 0; --id) {
    if (Facts(id, &facts) && ::PtInRect(&facts.screen, point)) {
      SetLong(child, id);
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT AccessibleObject::accDoDefaultAction(VARIANT child) {
  long id = ChildOf(child);
  if (id < 0) return E_INVALIDARG;
  return DoDefault(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleObject::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT AccessibleObject::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

}  // namespace qm::controls
