#pragma once
// What a screen reader hears of a window we draw ourselves: the object a
// window hands out for WM_GETOBJECT (OBJID_CLIENT). A subclass says what the
// window and each of its children are (name, role, state, description); the
// plumbing of the accessibility interface is here once.
//
// Children are simple elements numbered from 1; 0 (CHILDID_SELF) is the window.
// The interface is named by __uuidof: MinGW's oleacc import library gives
// IID_IAccessible as an import thunk, whose bytes are no interface id.
#include <windows.h>
#include <oleacc.h>

#include <string>

namespace qm::controls {

struct AccessibleFacts {
  std::string name;  // UTF-8, as every text of the program
  long role = ROLE_SYSTEM_CLIENT;
  long state = 0;
  std::string description;
  std::string value;
  std::string shortcut;       // "Alt+R"
  std::string defaultAction;  // "Press", "Check"...
  RECT screen = {0, 0, 0, 0};  // where it stands, in screen pixels
};

class AccessibleObject : public IAccessible {
 public:
  explicit AccessibleObject(HWND window) : window_(window) {}
  virtual ~AccessibleObject() = default;

  // The answer to WM_GETOBJECT for a window: this object for OBJID_CLIENT,
  // handed over (the caller keeps no reference); 0 for anything else, which
  // the window's default procedure should then answer.
  static LRESULT Answer(AccessibleObject* made, WPARAM wParam, LPARAM lParam);
  // The state every window has: unavailable, invisible, focusable, focused.
  static long WindowState(HWND window);
  // The window's text as read aloud: the "&" of the access key gone, line breaks
  // and blanks run together.
  static std::string SpokenText(const std::string& text);
  // "Alt+X" for the access key of a text, empty when it has none.
  static std::string AccessKey(const std::string& text);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch: not offered; screen readers use the accessibility methods.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override;

 protected:
  HWND Window() const { return window_; }
  virtual long ChildCount() const { return 0; }
  // The facts of child (0: the window); false when there is no such child.
  virtual bool Facts(long child, AccessibleFacts* facts) const = 0;
  virtual bool DoDefault(long /*child*/) { return false; }
  // The child that has the keyboard's focus while the window has it; 0 for the window itself.
  virtual long FocusedChild() const { return 0; }
  virtual bool Select(long /*child*/) { return false; }

 private:
  // The child a VARIANT names, or -1 when it names none.
  long ChildOf(const VARIANT& child) const;
  HRESULT Text(const VARIANT& child, std::string AccessibleFacts::*field, BSTR* out) const;
  HRESULT Number(const VARIANT& child, long AccessibleFacts::*field, VARIANT* out) const;

  HWND window_;
  LONG references_ = 1;
};

}  // namespace qm::controls
