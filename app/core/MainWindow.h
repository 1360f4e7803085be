#pragma once
// The main window's rules and state, without a window: the three roots and
// their entries, the check boxes, the edit commands, LAUNCH, the tray, the
// theme menu and the log-size question. A Win32 view forwards its events here
// and is told what to show through IMainView.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "app/core/DialogRunner.h"
#include "app/core/MainView.h"
#include "engine/catalog/Catalog.h"
#include "engine/catalog/Impact.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/policy/Policy.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "engine/themes/Theme.h"
#include "engine/themes/ThemeManager.h"

namespace qm::app {

// What the window works with, all owned by the program and living longer
// than the window.
struct MainWindowParts {
  const CServiceEngineer& services;
  const CStartupEngineer& startups;
  const CShortcutEngineer& shortcuts;
  CThemeManager& themes;
  CTheme& currentTheme;
  const CTheme& defaultTheme;
  IDialogRunner& dialogs;
  IMainWindowHost& host;
};

// The set-up, fixed for the window's life.
struct MainWindowSetup {
  // 1: the entries where Windows reads them; 0: those in the stored location.
  int inRegistry = 0;
  // On: modeless, hides into the notification area, closing ends the program.
  // Off: modal, closing ends the modal run.
  bool trayMode = false;
  // On: leaving the window (closing it, Exit from the tray, the end of a
  // LAUNCH, Windows ending) takes the RunServices entries into the stored
  // location, as the window of a "/cleanup" run does.
  bool takeServicesOnClose = false;
  // On: this start may not write the machine's places, so their entries start
  // with Windows whatever is chosen here. Their boxes show so and do not
  // change, and their images carry a shield.
  bool machineFixed = false;
  // On: the tray part of a log-on. It goes on watching the starts "/startup"
  // made, and starts each ticked entry that has a delay that long after it
  // began, one after another.
  bool startDelayed = false;
};

// Keys that reach the window before its controls see them.
enum class Key { Escape, Delete, Enter, Space, Other };

// What the notification-area icon reports.
// MenuKey: the keyboard asked for the menu (Enter on the icon, Shift+F10, the context-menu key).
enum class TrayEvent { RightButtonUp, LeftDoubleClick, MenuKey, Other };

class MainWindow {
 public:
  MainWindow(const MainWindowParts& parts, const MainWindowSetup& setup);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  void Attach(IMainView* view) { view_ = view; }

  // Construction, once the view has loaded its resources (icons, menus, bitmaps).
  void OnCreate(bool resourcesLoaded);
  // The window exists: controls, roots, entries, tray icon, log-size question.
  void OnInit();

  // Tree notifications; each answers the notification result.
  int OnSelectionChanged(TreeItem item);
  // The tree's tip for an item: an entry's command line (a shortcut's file)
  // and what its program says of itself; empty for the roots.
  std::string TipFor(TreeItem item) const;
  // A click: the item under the cursor (0 for none), the cursor's x and the
  // left edge of the item's text, both in tree coordinates.
  int OnTreeClick(TreeItem item, int cursorX, int textLeft);
  // 1 when the key turned a box that is fixed (see machineFixed): the view sets it on again.
  int OnTreeKeyDown(Key key);
  int OnTreeDoubleClick();

  // A key-down before any control sees it; true when the window consumed it.
  bool OnKeyDown(Key key, bool treeHasFocus);
  // Buttons, menu commands and the tray menu, by id.
  void OnCommand(std::uint32_t id);
  // The window is about to move to `proposed`; answers where it goes instead.
  Point OnPositionChanging(const Rect& proposed);
  void OnEndSession();
  void OnTrayNotify(std::uint32_t iconId, TrayEvent event);
  // The window's ticks: the first, once it stands painted, brings the
  // entries' icons and marks; in a tray window the starts are read, the
  // delayed entries started when their turn comes, and a window that waited
  // for its starts to be measured goes.
  void OnTick(std::uint64_t nowMilliseconds);
  static constexpr std::uint32_t kTickMilliseconds = 250;

  // The bitmap file to stretch over the window; empty for the built-in one.
  std::string BackgroundFile() const;

  // The three kinds, in the order the window lists and launches them: each
  // kind's root item stands at the kind's position.
  static constexpr int kService = static_cast<int>(EntryKind::Service);
  static constexpr int kStartup = static_cast<int>(EntryKind::Startup);
  static constexpr int kShortcut = static_cast<int>(EntryKind::Shortcut);
  static constexpr int kKinds = 3;
  TreeItem Root(int kind) const { return roots_[kind]; }
  // The entry an item shows; null for the roots and unknown items.
  const catalog::EntryRef* EntryOf(TreeItem item) const;

 private:
  // The entries with their boxes, each with its kind's image.
  void Populate();
  void Dress();
  // Records the entry an item shows, and the 32-bit programs' mark on it.
  void SetEntry(TreeItem item, const catalog::EntryRef& ref);
  // An entry's command line (a shortcut's file), as the field under the tree shows it.
  std::string CommandLineOf(TreeItem item) const;
  // The program file an entry starts; empty when it cannot be read.
  std::string ProgramOf(TreeItem item) const;
  // What the field and the tip say below the command line.
  std::vector<std::string> LinesAbout(TreeItem item) const;
  // What a program file says of itself: its description and publisher, or
  // that it is gone; empty when nothing is known.
  static std::string ProgramFacts(const std::string& program);
  // Gives the entries whose program file is gone an image that says so.
  void MarkMissingPrograms();
  void SetRootChecks();
  // The root's box: checked exactly when it has children and all are.
  void FollowChildren(TreeItem root);
  void ApplyThemeColors();
  void CheckLogSize();

  void Propagate(TreeItem item);
  // An entry of the machine's that this start cannot hold back (see machineFixed).
  bool Fixed(TreeItem item) const;
  // What the policies decide for an item's entry; nothing for a root.
  policy::Decision PolicyOf(TreeItem item) const;
  // Whether a policy holds the item's box: the entry's own, or every box.
  bool Pinned(TreeItem item) const;
  // Shows each policy entry's box in the state its policy sets.
  void PinBoxes();
  // Says so and answers true when a policy forbids creating, modifying and removing.
  bool EntriesLocked();
  // The entries a policy always starts, when the log-on window closes without LAUNCH.
  void StartForcedEntries();
  // The kind whose root is the item's parent; kKinds for a root or none.
  int KindOf(TreeItem item) const;
  // The selected entry when it is one of that kind, else 0.
  TreeItem SelectedEntryOf(int kind) const;

  void Create(int kind);
  void Remove(int kind);
  void Modify(int kind);

  void Launch();
  void LaunchAtOnce();
  void Close();
  void Exit();
  void Minimize();
  void Open();
  void Help();
  void ChangeTheme(std::uint32_t command);
  void TakeServicesIfAsked();
  // Ends a tray window, or hides it until its starts are measured.
  void Leave();
  void QueueDelayed();
  void StartNextDelayed(std::uint64_t nowMilliseconds);

  MainWindowParts parts_;
  MainWindowSetup setup_;
  IMainView* view_ = nullptr;
  std::array<TreeItem, kKinds> roots_{};
  std::map<TreeItem, catalog::EntryRef> entries_;
  catalog::StartWatch watch_;
  // The ticked entries with a delay, shortest first, with theirs in seconds.
  std::vector<std::pair<int, catalog::EntryRef>> delayed_;
  std::uint64_t firstTick_ = 0;
  bool ticked_ = false;
  bool leaving_ = false;
  bool dressed_ = false;
  policy::Policies policies_;
  bool launched_ = false;
};

}  // namespace qm::app
