#pragma once
// Owner-drawn controls for the skinned windows and the about box. Each object
// takes over an existing dialog control by its id (Attach) and draws it
// itself; the control keeps its id, its text and its notifications.
//
// Colours are COLORREF values; 0xFFFFFFFF (a theme colour that is not set)
// draws with the system's own colour for that kind of control.
#include <windows.h>

#include <string>

#include "controls/Accessible.h"
#include "platform/win32/Handles.h"

namespace qm::controls {
inline constexpr COLORREF kNoColor = 0xFFFFFFFF;
// Whether the user has chosen a high-contrast scheme: then the controls draw
// in the system's colours whatever colour they are given, and the skinned
// windows leave their pictures out.
bool HighContrast();
}

class CODControl {
 public:
  CODControl() = default;
  CODControl(const CODControl&) = delete;
  CODControl& operator=(const CODControl&) = delete;
  virtual ~CODControl();

  // Subclasses the control id of parent; false if there is no such control
  // or this object is already bound.
  bool Attach(HWND parent, int id);
  void Detach();
  HWND Window() const { return window_; }
  // The control object attached to window; nullptr when there is none.
  static CODControl* Of(HWND window);
  // Whether a high-contrast scheme is on, as the controls of parent last read
  // it (as the system says it now, where parent has none).
  static bool HighContrastIn(HWND parent);

  void SetColor(COLORREF color);
  COLORREF GetColor() const { return color_; }
  // Hover text, shown in the display control while the pointer is over this one.
  void SetHoverText(const std::string& text) { hoverText_ = text; }
  void SetHoverDisplay(HWND display) { hoverDisplay_ = display; }
  // What a screen reader calls the control, where its text does not say it
  // ("X", "?"); empty: the text, read as words.
  void SetAccessibleName(const std::string& name) { accessibleName_ = name; }
  // The role it is announced with, where the kind's own does not fit (0: the kind's).
  void SetAccessibleRole(long role) { accessibleRole_ = role; }
  // What the control tells the accessibility interface about itself.
  virtual void Describe(qm::controls::AccessibleFacts* facts) const;
  // What the accessibility interface's default action does; false when there is none.
  virtual bool DoDefaultAction() { return false; }

  // Called by the parent's reflection with the parent's WM_DRAWITEM.
  virtual void Draw(const DRAWITEMSTRUCT& item) = 0;
  // Called for the parent's WM_COMMAND from this control; true when consumed.
  virtual bool OnCommand(int /*code*/) { return false; }

 protected:
  virtual void OnAttached() {}
  virtual LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
  // The parent's background brush for this control, as the parent answers WM_CTLCOLORSTATIC.
  HBRUSH ParentBrush(HDC dc) const;
  std::string Text() const;
  // Whether a high-contrast scheme is on, as this control's parent last read it.
  bool HighContrastScheme() const { return HighContrastIn(parent_); }
  COLORREF color_ = qm::controls::kNoColor;

 private:
  static LRESULT Hook(void* owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Shows the hover text; for the pointer, until it leaves.
  void ShowHover(bool pointer);
  void EndHover();

  HWND window_ = nullptr;
  HWND parent_ = nullptr;
  std::string hoverText_;
  HWND hoverDisplay_ = nullptr;
  std::string savedDisplayText_;
  bool hovering_ = false;
  std::string accessibleName_;
  long accessibleRole_ = 0;
};

class CODButton : public CODControl {
 public:
  // DrawText flags of the caption; centred on one line unless changed.
  void SetTextFormat(UINT format) { format_ = format; }
  void Draw(const DRAWITEMSTRUCT& item) override;
  void Describe(qm::controls::AccessibleFacts* facts) const override;
  bool DoDefaultAction() override;

 protected:
  void OnAttached() override;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  void DrawFace(const DRAWITEMSTRUCT& item, RECT* content);
  // The focus mark inside content, when the button has the focus and the window shows it.
  void DrawFocus(const DRAWITEMSTRUCT& item, const RECT& content);
  UINT format_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
};

class CODToolBarButton : public CODButton {
 public:
  // The menu that drops down when the button is pressed; the button does not own it.
  void SetMenu(HMENU menu) { menu_ = menu; }
  // The bitmap drawn left of the caption; the button does not own it.
  void SetBitmap(HBITMAP bitmap) { bitmap_ = bitmap; }
  void Draw(const DRAWITEMSTRUCT& item) override;
  bool OnCommand(int code) override;
  void Describe(qm::controls::AccessibleFacts* facts) const override;
  // Drops the menu under the button and sends the chosen command to the
  // parent.
  void DropMenu();

 protected:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  HMENU menu_ = nullptr;
  HBITMAP bitmap_ = nullptr;
};

class CODStatic : public CODControl {
 public:
  void Draw(const DRAWITEMSTRUCT& item) override;
  void Describe(qm::controls::AccessibleFacts* facts) const override;

 protected:
  void OnAttached() override;
};

class CODWebLink : public CODStatic {
 public:
  // Where the link leads ("http://...", "mailto:..."); the visible text stays the control's own.
  void SetLink(const std::string& target) { link_ = target; }
  const std::string& GetLink() const { return link_; }
  void Draw(const DRAWITEMSTRUCT& item) override;
  bool OnCommand(int code) override;
  void Describe(qm::controls::AccessibleFacts* facts) const override;
  bool DoDefaultAction() override;

 protected:
  void OnAttached() override;
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Opens the target with the shell's default action; true when the shell took it.
  virtual bool OpenLink(const std::string& target);

 private:
  std::string link_;
};
