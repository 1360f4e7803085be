#pragma once
// The main window on Win32: template 101 with its owner-drawn controls, tree,
// path field, menus, images, tray icon and painting. It forwards every message
// to MainWindow with its values and does what MainWindow asks through
// IMainView; it decides nothing itself.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/core/MainView.h"
#include "app/core/MainWindow.h"
#include "app/win32/MainTree.h"
#include "app/win32/PathEdit.h"
#include "app/win32/Win32TrayIcon.h"
#include "controls/ODControls.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32EditField.h"
#include "platform/win32/Win32Menu.h"
#include "platform/win32/Win32TreeControl.h"

namespace qm::app {

class MainDialog : public IMainView {
 public:
  // The message the tray icon reports with.
  static constexpr UINT kTrayMessage = Win32TrayIcon::kCallbackMessage;
  // Posted after a key the tree turns a fixed box with: the box is set on again (lParam: the item).
  static constexpr UINT kKeepBoxMessage = WM_APP + 102;

  // Loads the window's icon, menus and bitmaps from module and lets the logic
  // check them and fill the theme menu; the window itself comes later.
  MainDialog(MainWindow& logic, HINSTANCE module);
  ~MainDialog() override;
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  // Makes the window modeless and hidden; the program shows it. Destroying it
  // then ends the program's message loop. False when it could not be made.
  bool Create();
  // Makes the window and runs it until the logic ends the run; answers the
  // result it ended with (0 when the window could not be made, or a quit came).
  int RunModal();
  // The program's message loop while the modeless window exists; answers the quit code.
  int RunMessageLoop();
  // Keys the window takes before its controls see them, then the dialog's
  // own keyboard navigation; true when the message is consumed.
  bool PreTranslate(MSG& message);

  HWND Window() const { return window_.Get(); }
  HWND TreeWindow() const { return tree_ ? tree_->Window() : nullptr; }

  // IMainView
  IMainTree& Tree() override { return *tree_; }
  platform::IEditField& PathField() override { return *pathField_; }
  int AddMissingProgramImage() override;
  platform::IMenu* ThemeMenu() override { return themeMenuView_.get(); }
  void SetTitle(const std::string& title) override;
  void SetHoverText(int control, const std::string& text) override;
  void SetColors(const WindowColors& colors) override;
  void InstallImageList() override;
  void InstallRootImages() override;
  void EnableCommand(std::uint32_t command, bool enabled) override;
  void ShowMessage(const std::string& text, BoxIcon icon) override;
  bool AskYesNo(const std::string& text, BoxIcon icon) override;
  void PostQuit(int exitCode) override;
  void Hide() override;
  void ShowNormal() override;
  void Destroy() override;
  void EndModal(int result) override;
  void Repaint() override;
  void AddTrayIcon(const std::string& tip) override { tray_.Add(tip); }
  void RemoveTrayIcon() override { tray_.Remove(); }
  void ShowTrayMenu() override;
  Rect WorkArea() override;
  std::unique_ptr<IProgressWindow> OpenProgress() override;
  void StartTicking(std::uint32_t milliseconds) override;

 private:
  // The tray icon's retry timer is 1.
  static constexpr UINT_PTR kTickTimer = 2;
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Makes the window from its template; false when it could not be made.
  bool Make();
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  INT_PTR OnNotify(const NMHDR& header);
  void OnWindowPosChanging(WINDOWPOS& position);
  void OnTreeContextMenu(LPARAM position);
  void Paint();
  void RepaintChildrenIn(const RECT& area);
  // The controls with a frame of their own, found once the window is made.
  void FindFramedChildren();
  CODControl* Control(int id);
  bool LoadResources();

  MainWindow& logic_;
  HINSTANCE module_;
  // Owned from WM_INITDIALOG until the window has gone, whoever destroyed it.
  win32::WindowHandle window_;
  std::vector<HWND> framedChildren_;
  bool modeless_ = false;
  bool modalEnded_ = false;
  int modalResult_ = 0;
  // The tray icon's last report, so that the menu a right click showed is not shown again.
  UINT lastTrayEvent_ = 0;

  win32::IconHandle icon_, smallIcon_;
  Win32TrayIcon tray_;
  // In loading order: tray, theme, service, startup, shortcut.
  win32::MenuHandle trayMenu_, themeMenu_, serviceMenu_, startupMenu_, shortcutMenu_;
  std::unique_ptr<platform::Win32Menu> themeMenuView_;
  // The toolbar's four and the window's background, which painting replaces.
  win32::GdiObject themeBitmap_, serviceBitmap_, startupBitmap_, shortcutBitmap_, background_;
  win32::GdiObject themeBackground_;  // the theme's picture as last loaded; none without a theme
  platform::Win32ImageList images_;
  win32::GdiObject minimizeFont_;

  std::unique_ptr<Win32MainTree> tree_;
  CPathEdit pathEdit_;
  std::unique_ptr<platform::Win32EditField> pathField_;
  CODStatic caption_;
  CODButton close_, help_, about_, minimize_, status_, launchLeft_, launchRight_;
  CODToolBarButton service_, startup_, shortcut_, theme_;
};

}  // namespace qm::app
