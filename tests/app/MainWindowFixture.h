#pragma once
// The main window's logic over the portable platform: real engines on the
// in-memory registry and a mapped drive, a tree that behaves like the common
// control where the window relies on it, a view that records what it is told,
// and a dialog runner and program host that answer for the user.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/core/MainIds.h"
#include "app/core/MainWindow.h"
#include "tests/support/FakeEditField.h"
#include "tests/support/FakeMenu.h"
#include "tests/support/FakeMessageBox.h"
#include "tests/support/FakeProcessLauncher.h"
#include "tests/support/FakeShell.h"
#include "tests/support/FakeTreeControl.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {

using app::TreeItem;

// Children in insertion order; selecting reports the change to the window as
// the control's TVN_SELCHANGED does, and deleting the selected item makes the
// tree select a neighbour of its own (next sibling, else previous, else parent).
class FakeMainTree : public app::IMainTree {
 public:
  struct Item {
    TreeItem parent = 0;
    std::string text;
    int image = -1;
    bool checked = false;
    bool thirtyTwoBit = false;
  };
  std::function<void(TreeItem)> onSelected;
  platform::IImageList* imageList = nullptr;

  TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int) override {
    std::vector<TreeItem> siblings = Children(parent);
    return InsertItemAfter(parent, siblings.empty() ? kFirst : siblings.back(), text, image, image);
  }
  TreeItem InsertItemAfter(TreeItem parent, TreeItem after, const std::string& text, int image, int) override {
    if (parent != 0 && !items_.count(parent)) return 0;
    TreeItem item = next_++;
    items_[item] = Item{parent, text, image, false};
    auto at = after == 0 || after == kFirst ? order_.begin() : std::find(order_.begin(), order_.end(), after) + 1;
    order_.insert(at, item);
    return item;
  }
  bool SetCheck(TreeItem item, bool checked) override {
    if (!items_.count(item)) return false;
    items_[item].checked = checked;
    return true;
  }
  bool GetCheck(TreeItem item) const override { return items_.count(item) && items_.at(item).checked; }
  std::string GetItemText(TreeItem item) const override { return items_.count(item) ? items_.at(item).text : ""; }
  int GetItemImage(TreeItem item) const override { return items_.count(item) ? items_.at(item).image : -1; }
  std::vector<TreeItem> Children(TreeItem parent) const override {
    std::vector<TreeItem> children;
    for (TreeItem item : order_)
      if (items_.at(item).parent == parent) children.push_back(item);
    return children;
  }
  platform::IImageList* GetImageList() override { return imageList; }
  void SetItemImage(TreeItem item, int image) override {
    if (items_.count(item)) items_[item].image = image;
  }
  void SetImageList(platform::IImageList* list) override { imageList = list; }
  void SetThirtyTwoBitMark(TreeItem item, bool on) override {
    if (items_.count(item)) items_[item].thirtyTwoBit = on;
  }
  void SetShieldMark(TreeItem item) override { shielded.insert(item); }
  std::set<TreeItem> shielded;
  bool ThirtyTwoBit(TreeItem item) const { return items_.count(item) && items_.at(item).thirtyTwoBit; }
  TreeItem Parent(TreeItem item) const override { return items_.count(item) ? items_.at(item).parent : 0; }
  TreeItem Selected() const override { return selected_; }
  void Select(TreeItem item) override {
    if (item == selected_) return;
    selected_ = item;
    if (onSelected) onSelected(item);
  }
  bool DeleteItem(TreeItem item) override {
    if (!items_.count(item)) return false;
    for (TreeItem child : Children(item)) DeleteItem(child);
    if (item == selected_) {
      std::vector<TreeItem> siblings = Children(Parent(item));
      auto at = std::find(siblings.begin(), siblings.end(), item);
      TreeItem neighbour = at + 1 != siblings.end() ? *(at + 1) : at != siblings.begin() ? *(at - 1) : Parent(item);
      Select(neighbour);
    }
    order_.erase(std::find(order_.begin(), order_.end(), item));
    items_.erase(item);
    return true;
  }

  std::vector<std::string> Texts(TreeItem parent) const {
    std::vector<std::string> texts;
    for (TreeItem item : Children(parent)) texts.push_back(GetItemText(item));
    return texts;
  }
  TreeItem Find(TreeItem parent, const std::string& text) const {
    for (TreeItem item : Children(parent))
      if (GetItemText(item) == text) return item;
    return 0;
  }

 private:
  static constexpr TreeItem kFirst = ~TreeItem{0};
  std::map<TreeItem, Item> items_;
  std::vector<TreeItem> order_;
  TreeItem next_ = 1;
  TreeItem selected_ = 0;
};

class RecordingMainView : public app::IMainView {
 public:
  FakeMainTree tree;
  FakeEditField path;
  FakeImageList images;
  FakeMenu themeMenu;
  bool hasThemeMenu = true;
  std::map<std::uint32_t, bool> enabled;
  app::WindowColors colors;
  std::vector<std::string> messages;  // shown and asked, in order
  std::deque<bool> answers;           // the user's answers to questions; Yes when none is left
  std::vector<std::string> events;    // what happened to the window, in order
  std::vector<std::string> progress;  // every text the progress window showed
  app::Rect workArea{0, 0, 1024, 738};
  bool progressFails = false;

  app::IMainTree& Tree() override { return tree; }
  platform::IEditField& PathField() override { return path; }
  platform::IMenu* ThemeMenu() override { return hasThemeMenu ? &themeMenu : nullptr; }
  void SetTitle(const std::string& title) override { events.push_back("title " + title); }
  void SetHoverText(int, const std::string&) override {}
  void SetColors(const app::WindowColors& newColors) override { colors = newColors; }
  void InstallImageList() override {
    images = FakeImageList(3);
    tree.SetImageList(&images);
  }
  void InstallRootImages() override {}
  int AddMissingProgramImage() override { return images.AppendIcon(platform::IconHandle{0x4D}); }
  void EnableCommand(std::uint32_t command, bool on) override { enabled[command] = on; }
  void ShowMessage(const std::string& text, app::BoxIcon) override { messages.push_back(text); }
  bool AskYesNo(const std::string& text, app::BoxIcon) override {
    messages.push_back(text);
    if (answers.empty()) return true;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void PostQuit(int code) override { events.push_back("quit " + std::to_string(code)); }
  void Hide() override { events.push_back("hide"); }
  void ShowNormal() override { events.push_back("show"); }
  void Destroy() override { events.push_back("destroy"); }
  void EndModal(int result) override { events.push_back("end " + std::to_string(result)); }
  void Repaint() override { events.push_back("repaint"); }
  void AddTrayIcon(const std::string& tip) override { events.push_back("tray+ " + tip); }
  void RemoveTrayIcon() override { events.push_back("tray-"); }
  void ShowTrayMenu() override { events.push_back("tray menu"); }
  app::Rect WorkArea() override { return workArea; }
  std::unique_ptr<app::IProgressWindow> OpenProgress() override;
  void StartTicking(std::uint32_t milliseconds) override { events.push_back("tick " + std::to_string(milliseconds)); }
};

class RecordingProgress : public app::IProgressWindow {
 public:
  explicit RecordingProgress(RecordingMainView& view) : view_(view) { view_.events.push_back("progress open"); }
  ~RecordingProgress() override { view_.events.push_back("progress closed"); }
  void SetText(const std::string& text) override { text_ = text; }
  void ShowAndPaint() override { view_.progress.push_back(text_); }

 private:
  RecordingMainView& view_;
  std::string text_;
};

inline std::unique_ptr<app::IProgressWindow> RecordingMainView::OpenProgress() {
  if (progressFails) return nullptr;
  return std::make_unique<RecordingProgress>(*this);
}

// The user at an entry dialog: sees the opening values, answers with new ones.
struct DialogCall {
  std::string kind;
  int dialogMode = -1, inRegistry = -1, entryType = -1;
  std::string entryName;
};
struct DialogReply {
  int result = 1;
  std::string name, path, argument;
  int entryType = 0;
};

class ScriptedDialogs : public app::IDialogRunner {
 public:
  std::vector<DialogCall> calls;
  DialogReply reply;

  int Run(CServiceDialog& dialog) override { return Answer("service", dialog, nullptr); }
  int Run(CStartupDialog& dialog) override { return Answer("startup", dialog, &dialog.entryType); }
  int Run(CShortcutDialog& dialog) override { return Answer("shortcut", dialog, &dialog.entryType); }

 private:
  template <class Dialog> int Answer(const char* kind, Dialog& dialog, int* type) {
    calls.push_back({kind, dialog.dialogMode, dialog.inRegistry, type ? *type : -1, dialog.entryName});
    if (reply.result != 1) return reply.result;
    dialog.entryName = reply.name;
    dialog.entryPath = reply.path;
    dialog.entryArgument = reply.argument;
    if (type) *type = reply.entryType;
    return 1;
  }
};

class RecordingHost : public app::IMainWindowHost {
 public:
  std::vector<std::string>& events;
  std::intptr_t openResult = 42;
  explicit RecordingHost(std::vector<std::string>& log) : events(log) {}
  void TakeServices() override { events.push_back("take services"); }
  std::intptr_t OpenMaximized(const std::string& file) override {
    events.push_back("open " + file);
    return openResult;
  }
  void ShowAbout() override { events.push_back("about"); }
  void StandAside() override { events.push_back("stand aside"); }
};

inline constexpr RegKey HKCU = HKeyCurrentUser;
inline constexpr RegKey HKLM = HKeyLocalMachine;
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr char kRunFlags[] = "Software\\Tarnwick\\Quill Moor\\Run\\Selections";
inline constexpr char kServiceFlags[] = "Software\\Tarnwick\\Quill Moor\\RunServices\\Selections";
inline constexpr char kShcFlags[] = "Software\\Tarnwick\\Quill Moor\\Shc\\Selections";
inline constexpr char kUserStartup[] = "C:\\Users\\ann\\Start Menu\\Programs\\Startup";
inline constexpr char kCommonStartup[] = "C:\\ProgramData\\Start Menu\\Programs\\Startup";

class MainWindowTest : public testing::Test {
 protected:
  MainWindowTest() : host(view.events), shellSlot_(&shell), boxSlot_(&boxes), launcherSlot_(&launcher) {
    const char* shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    platform.SetText(HKCU, shellFolders, "Startup", kUserStartup);
    platform.SetText(HKLM, shellFolders, "Common Startup", kCommonStartup);
    platform.MakeFolder(kUserStartup);
    platform.MakeFolder(kCommonStartup);
    // The programs the entries start stand on the disk, unless a test takes one away.
    for (const char* folder : {"C:\\svc", "C:\\run"}) platform.MakeFolder(folder);
    platform.WriteFile("C:\\new.exe", "MZ");
    platform.StartLog();
    for (std::uint32_t* color : {&defaultTheme.titleColor, &defaultTheme.buttonColor, &defaultTheme.statusColor,
                                 &defaultTheme.sectionColor})
      *color = 0;
    currentTheme.FullAssign(defaultTheme);
    ResetWorld();
  }

  // No entries anywhere, no dialog or shell calls, a fresh view.
  void ResetWorld() {
    CRegistry registry;
    for (RegKey root : {HKCU, HKLM}) {
      registry.CreateKey(root, kRunKey);
      registry.CreateKey(root, kRunFlags);
      registry.CreateKey(root, kShcFlags);
    }
    registry.CreateKey(HKLM, kRunServicesKey);
    registry.CreateKey(HKLM, kServiceFlags);
    const char* stored[] = {"Software\\Tarnwick\\Quill Moor\\Run", "Software\\Tarnwick\\Quill Moor\\Shc"};
    for (RegKey root : {HKCU, HKLM})
      for (const char* key : {kRunKey, kRunFlags, kShcFlags, kRunServicesKey, kServiceFlags, stored[0], stored[1]})
        for (const std::string& name : platform.Names(root, key)) registry.DeleteValue(root, key, name.c_str());
    for (const char* folder : {kUserStartup, kCommonStartup}) {
      std::vector<platform::DirEntry> files;
      platform.files.List(folder, "*", files);
      for (const auto& file : files) platform.files.Delete(std::string(folder) + "\\" + file.name);
    }
    shell.opened.clear();
    dialogs = ScriptedDialogs();
    view = RecordingMainView();
    view.themeMenu.AddSubMenu("Theme").AddItem("Original", ID_THEME_FIRST);
  }

  // An entry where Windows reads it, with its stored selection flag.
  void Add(int kind, const std::string& name, bool selected) {
    if (kind == app::MainWindow::kService) AddService(name, selected);
    if (kind == app::MainWindow::kStartup) AddStartup(name, selected);
    if (kind == app::MainWindow::kShortcut) AddShortcut(name, selected);
  }

  // Entries where Windows reads them, each with its stored selection flag.
  void AddService(const std::string& name, bool selected) {
    platform.SetText(HKLM, kRunServicesKey, name, "C:\\svc\\" + name + ".exe -s");
    platform.WriteFile("C:\\svc\\" + name + ".exe", "MZ");
    platform.SetNumber(HKLM, kServiceFlags, name, selected);
  }
  void AddStartup(const std::string& name, bool selected) {
    platform.SetText(HKCU, kRunKey, name, "C:\\run\\" + name + ".exe -r");
    platform.WriteFile("C:\\run\\" + name + ".exe", "MZ");
    platform.SetNumber(HKCU, kRunFlags, name, selected);
  }
  void AddShortcut(const std::string& name, bool selected) {
    platform::IconHandle icon = 0;
    ASSERT_EQ(1, shortcuts.CreateShcEntry(&icon, name, "C:\\lnk\\" + name + ".exe", "-l", 0, 1));
    if (icon) shell.DestroyIcon(icon);
    platform.SetNumber(HKCU, kShcFlags, name, selected);
  }

  // Makes the window and brings it up as the program would.
  app::MainWindow& Start(int inRegistry = 1, bool trayMode = true, bool takeServicesOnClose = false,
                         bool machineFixed = false, bool painted = true, bool startDelayed = false) {
    window = std::make_unique<app::MainWindow>(
        app::MainWindowParts{services, startups, shortcuts, themes, currentTheme, defaultTheme, *runner, host},
        app::MainWindowSetup{inRegistry, trayMode, takeServicesOnClose, machineFixed, startDelayed});
    window->Attach(&view);
    view.tree = FakeMainTree();
    view.path = FakeEditField();
    view.tree.onSelected = [this](TreeItem item) { window->OnSelectionChanged(item); };
    window->OnCreate(true);
    window->OnInit();
    if (painted) window->OnTick(0);  // the first tick, once the window stands painted, brings the icons and marks
    view.events.clear();
    return *window;
  }

  TreeItem Root(int kind) const { return window->Root(kind); }
  TreeItem Entry(int kind, const std::string& name) const { return view.tree.Find(Root(kind), name); }
  // A click as the tree reports it, `offset` pixels left of the item's text; a
  // click that lands on the box is followed by the control's own toggle,
  // unless the window answered nonzero.
  void Click(TreeItem item, int offset, bool onBox) {
    if (window->OnTreeClick(item, 100 - offset, 100) == 0 && onBox) view.tree.SetCheck(item, !view.tree.GetCheck(item));
  }
  std::vector<bool> Checks(TreeItem parent) const {
    std::vector<bool> checks{view.tree.GetCheck(parent)};
    for (TreeItem child : view.tree.Children(parent)) checks.push_back(view.tree.GetCheck(child));
    return checks;
  }

  TestPlatform platform;
  FakeShell shell;
  FakeMessageBox boxes;
  FakeProcessLauncher launcher;
  CServiceEngineer services;
  CStartupEngineer startups;
  CShortcutEngineer shortcuts;
  CThemeManager themes;
  CTheme currentTheme, defaultTheme;
  ScriptedDialogs dialogs;
  app::IDialogRunner* runner = &dialogs;  // the dialogs the window runs
  RecordingMainView view;
  RecordingHost host;
  std::unique_ptr<app::MainWindow> window;

 private:
  platform::ScopedService<platform::IShell> shellSlot_;
  platform::ScopedService<platform::IMessageBox> boxSlot_;
  platform::ScopedService<platform::IProcessLauncher> launcherSlot_;
};

}  // namespace qm::test
