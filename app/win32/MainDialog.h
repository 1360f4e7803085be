#pragma once
// The main window on Win32: template 101 with its owner-drawn controls, tree,
// path field, menus, images, tray icon and painting. It forwards every message
// to MainWindow with its values and does what MainWindow asks through
// IMainView; it decides nothing itself.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <map>
#include <string>

#include "app/core/MainView.h"
#include "app/core/MainWindow.h"
#include "app/win32/PathEdit.h"
#include "controls/ODControls.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32EditField.h"
#include "platform/win32/Win32Menu.h"
#include "platform/win32/Win32TreeControl.h"

namespace qm::app {

// The main window's tree as the logic sees it: the engines' tree control plus
// the selection and the edits.
class Win32MainTree : public IMainTree {
 public:
  explicit Win32MainTree(HWND tree) : tree_(tree) {}

  TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override;
  bool SetCheck(TreeItem item, bool checked) override { return tree_.SetCheck(item, checked); }
  bool GetCheck(TreeItem item) const override { return tree_.GetCheck(item); }
  std::string GetItemText(TreeItem item) const override { return tree_.GetItemText(item); }
  int GetItemImage(TreeItem item) const override { return tree_.GetItemImage(item); }
  std::vector<TreeItem> Children(TreeItem parent) const override { return tree_.Children(parent); }
  platform::IImageList* GetImageList() override { return tree_.GetImageList(); }
  void SetImageList(platform::IImageList* list) override { tree_.SetImageList(list); }

  TreeItem Parent(TreeItem item) const override;
  TreeItem Selected() const override;
  void Select(TreeItem item) override;
  bool DeleteItem(TreeItem item) override;
  void SetItemImage(TreeItem item, int image) override;
  void SetThirtyTwoBitMark(TreeItem item, bool on) override;
  TreeItem InsertItemAfter(TreeItem parent, TreeItem after, const std::string& text, int image,
                           int selectedImage) override;

  HWND Window() const { return tree_.Window(); }

 private:
  // The image of base with the 32-bit programs' badge drawn over it, made
  // once per image: -1 when it cannot be made.
  int BadgedImage(int base);

  platform::Win32TreeControl tree_;
  std::map<int, int> badged_;    // plain image -> with the badge
  std::map<int, int> unbadged_;  // and back
};

class MainDialog : public IMainView {
 public:
  // The message the tray icon reports with.
  static constexpr UINT kTrayMessage = WM_APP + 100;
  // Posted by AddTrayIcon and RemoveTrayIcon: the shell is told what the
  // icon should be once the window's thread is free again.
  static constexpr UINT kTraySyncMessage = WM_APP + 101;
  // Tries a tray icon the shell refused again after a while.
  static constexpr UINT_PTR kTrayRetryTimer = 1;
  static constexpr UINT kTrayRetryMilliseconds = 500;

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

  HWND Window() const { return window_; }
  HWND TreeWindow() const { return tree_ ? tree_->Window() : nullptr; }

  // IMainView
  IMainTree& Tree() override { return *tree_; }
  platform::IEditField& PathField() override { return *pathField_; }
  int AddMissingProgramImage() override;
  platform::IMenu* ThemeMenu() override { return themeMenuView_.get(); }
  void SetTitle(const std::string& title) override;
  void SetHoverText(int control, const std::string& text) override;
  void SetColors(const WindowColors& colors) override;
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
  void AddTrayIcon(const std::string& tip) override;
  void RemoveTrayIcon() override;
  void ShowTrayMenu() override;
  Rect WorkArea() override;
  std::unique_ptr<IProgressWindow> OpenProgress() override;

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  BOOL OnInitDialog();
  INT_PTR OnNotify(const NMHDR& header);
  void OnWindowPosChanging(WINDOWPOS& position);
  void Paint();
  void RepaintChildrenIn(const RECT& area);
  CODControl* Control(int id);
  bool LoadResources();
  void PostTraySync();
  void SyncTrayIcon();

  MainWindow& logic_;
  HINSTANCE module_;
  HWND window_ = nullptr;
  bool modeless_ = false;
  bool modalEnded_ = false;
  int modalResult_ = 0;
  // The tray icon: what the window wants, what the shell has, and whether a
  // sync is on its way.
  bool trayWanted_ = false, trayShown_ = false, traySyncPosted_ = false;
  std::string trayTip_;

  win32::IconHandle icon_, smallIcon_;
  // In loading order: tray, theme, service, startup, shortcut.
  win32::MenuHandle trayMenu_, themeMenu_, serviceMenu_, startupMenu_, shortcutMenu_;
  std::unique_ptr<platform::Win32Menu> themeMenuView_;
  // The toolbar's four and the window's background, which painting replaces.
  win32::GdiObject themeBitmap_, serviceBitmap_, startupBitmap_, shortcutBitmap_, background_;
  platform::Win32ImageList images_;
  win32::GdiObject minimizeFont_;

  std::unique_ptr<Win32MainTree> tree_;
  CPathEdit pathEdit_;
  std::unique_ptr<platform::Win32EditField> pathField_;
  CODStatic caption_;
  CODButton close_, help_, about_, minimize_, status_, launchLeft_, launchRight_;
  CODToolBarButton service_, startup_, shortcut_, theme_;
};

// What the window needs from the program around it, on Win32: the help file
// through the shell, the dialog library's about box, and the service take the
// program hands in (it belongs to the program's start-up modes).
class Win32MainWindowHost : public IMainWindowHost {
 public:
  explicit Win32MainWindowHost(std::function<void()> takeServices) : takeServices_(std::move(takeServices)) {}
  void TakeServices() override;
  std::intptr_t OpenMaximized(const std::string& file) override;
  void ShowAbout() override;

 private:
  std::function<void()> takeServices_;
};

}  // namespace qm::app
