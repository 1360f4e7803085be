// The main window's rules: check boxes and their roots, menus and the path
// field, editing all three kinds, LAUNCH, moving, themes, the tray and the log.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/catalog/Impact.h"
#include "platform/ProgramInfo.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/dialogs/FakeEntryView.h"
#include "engine/policy/PolicyNames.h"
#include "tests/support/FailingRegistryStore.h"

namespace qm::test {
namespace {

using Kind = int;
using Strings = std::vector<std::string>;
constexpr Kind kService = app::MainWindow::kService;
constexpr Kind kStartup = app::MainWindow::kStartup;
constexpr Kind kShortcut = app::MainWindow::kShortcut;

class CheckBoxes : public MainWindowTest {};

TEST_F(CheckBoxes, EveryBoxFollowsItsChildrenAndItsRoot) {
  // Boxes before: A, B, C; `target` -1 is the root. Expected: root, A, B, C.
  enum Act { Box, Text, Space };
  struct Case {
    const char* what;
    std::vector<bool> boxes;
    int target;
    Act act;
    std::vector<bool> expected;
  } cases[] = {
      {"the last clear child set sets the root", {1, 1, 0}, 2, Box, {1, 1, 1, 1}},
      {"a child set while another is clear", {0, 0, 1}, 0, Box, {0, 1, 0, 1}},
      {"any child cleared clears the root", {1, 1, 1}, 1, Box, {0, 1, 0, 1}},
      {"the root set sets every child", {0, 1, 0}, -1, Box, {1, 1, 1, 1}},
      {"the root cleared clears every child", {1, 1, 1}, -1, Box, {0, 0, 0, 0}},
      {"a click on the text only selects", {1, 0, 1}, 1, Text, {0, 1, 0, 1}},
      {"Space acts on the selected entry", {0, 1, 1}, 0, Space, {1, 1, 1, 1}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    ResetWorld();
    for (int i = 0; i < 3; ++i) AddStartup(std::string(1, static_cast<char>('A' + i)), test.boxes[i]);
    Start();
    TreeItem item = test.target < 0 ? Root(kStartup) : view.tree.Children(Root(kStartup))[test.target];
    if (test.act == Space) {
      view.tree.Select(item);
      window->OnTreeKeyDown(app::Key::Space);
      view.tree.SetCheck(item, !view.tree.GetCheck(item));
    } else {
      Click(item, test.act == Box ? 25 : -5, test.act == Box);
    }
    EXPECT_EQ(test.expected, Checks(Root(kStartup)));
    EXPECT_EQ(item, view.tree.Selected());
  }
}

TEST_F(CheckBoxes, TheMachinesEntriesStayOnAndShieldedWhereThisStartCannotHoldThemBack) {
  AddService("Agent", false);
  AddStartup("Mail", false);
  Start(1, true, false, true);
  const TreeItem agent = Entry(kService, "Agent");
  EXPECT_EQ(std::set<TreeItem>{agent}, view.tree.shielded);  // the user's Mail is not the machine's
  EXPECT_EQ(1, window->OnTreeClick(agent, 75, 100));  // on its box: the tree is told to leave it
  EXPECT_EQ(1, window->OnTreeKeyDown(app::Key::Space));
  Click(Root(kService), 25, true);
  Click(Entry(kStartup, "Mail"), 25, true);
  window->OnCommand(IDC_MAIN_LAUNCH_RIGHT);
  EXPECT_TRUE(view.tree.GetCheck(agent));
  EXPECT_EQ(0, platform.Number(HKLM, kServiceFlags, "Agent"));
  EXPECT_EQ(1, platform.Number(HKCU, kRunFlags, "Mail"));
}

TEST_F(CheckBoxes, TheBoxLiesInAFixedBandLeftOfTheText) {
  struct Case {
    bool images;
    int offset;
    bool onBox;
  } cases[] = {{true, 19, false}, {true, 20, true}, {true, 35, true},   {true, 36, false},
               {false, 0, false}, {false, 1, true}, {false, 16, true}, {false, 17, false}};
  AddStartup("A", false);
  Start();
  EXPECT_FALSE(view.tree.GetCheck(Root(kShortcut)));  // a root without children opens clear
  for (const Case& test : cases) {
    SCOPED_TRACE(std::to_string(test.offset) + (test.images ? " with images" : " without images"));
    view.tree.SetImageList(test.images ? &view.images : nullptr);
    TreeItem entry = view.tree.Children(Root(kStartup))[0];
    view.tree.SetCheck(Root(kStartup), false);
    view.tree.SetCheck(entry, false);
    window->OnTreeClick(Root(kStartup), 100 - test.offset, 100);
    EXPECT_EQ(test.onBox, view.tree.GetCheck(entry));
  }
}

class Menus : public MainWindowTest {};

TEST_F(Menus, EachKindsItemsFollowTheLastSelectedEntryOfThatKind) {
  AddService("S", true);
  AddStartup("T", true);
  Start();
  auto enabledOf = [&](std::uint32_t remove, std::uint32_t modify) {
    return std::vector<bool>{view.enabled[remove], view.enabled[modify]};
  };
  view.tree.Select(Entry(kService, "S"));
  EXPECT_EQ("C:\\svc\\S.exe -s\r\nPublic entry of 32-bit programs\r\nLast start: not measured", view.path.text);
  view.tree.Select(Entry(kStartup, "T"));
  EXPECT_EQ("C:\\run\\T.exe -r\r\nLast start: not measured", view.path.text);
  EXPECT_EQ((std::vector<bool>{true, true}), enabledOf(ID_SERVICE_REMOVE, ID_SERVICE_MODIFY));
  EXPECT_EQ((std::vector<bool>{true, true}), enabledOf(ID_STARTUP_REMOVE, ID_STARTUP_MODIFY));
  EXPECT_EQ((std::vector<bool>{false, false}), enabledOf(ID_SHORTCUT_REMOVE, ID_SHORTCUT_MODIFY));

  // Still enabled, but the selection is a startup: the service commands do nothing.
  window->OnCommand(ID_SERVICE_MODIFY);
  window->OnCommand(ID_SERVICE_REMOVE);
  EXPECT_TRUE(dialogs.calls.empty());
  EXPECT_TRUE(view.messages.empty());

  view.tree.Select(Root(kShortcut));
  EXPECT_EQ("", view.path.text);
  for (std::uint32_t id : {ID_SERVICE_REMOVE, ID_SERVICE_MODIFY, ID_STARTUP_REMOVE, ID_STARTUP_MODIFY,
                           ID_SHORTCUT_REMOVE, ID_SHORTCUT_MODIFY})
    EXPECT_FALSE(view.enabled[id]) << id;
}

// What a user reads about an entry's program, in the field under the tree and
// in the tip, and the marks on an entry whose program file is gone and on one
// of the 32-bit programs' public key: the same where Windows reads the entries
// and while they are taken (a taken shortcut's file stands in no folder; its
// stored bytes name the program), from either build on 64-bit Windows.
TEST_F(Menus, EntriesSayWhatTheirProgramIsAndWhetherItIsGone) {
  struct KnownPrograms : platform::IProgramInfo {
    bool VersionTexts(const std::string& path, platform::ProgramFacts* facts) override {
      if (path == "C:\\svc\\Known.exe") *facts = {"Mail notifier", "Tarnwick"};
      else if (path == "C:\\run\\Nameless.exe") *facts = {"", "Tarnwick"};
      else if (path == "C:\\lnk\\Described.exe") *facts = {"Clock", "Tarnwick"};
      else return false;
      return true;
    }
  } info;
  platform::ScopedService<platform::IProgramInfo> slot(&info);
  const std::string view32 = "Public entry of 32-bit programs";
  const RegKey V64 = platform::kHklm64View, V32 = platform::kHklm32View;
  const struct {
    Kind kind;
    const char* name;
    const char* commandLine;  // null: as the fixture writes it
    std::vector<std::string> lines;  // under the command line
    bool missing;
    RegKey view;  // where it stands (HKLM: the build's own view); the 32-bit view is marked
    const char* start = nullptr;  // the last start's line; null: not measured
  } cases[] = {{kService, "Known", nullptr, {"Mail notifier, Tarnwick"}, false, HKLM},
               {kStartup, "Nameless", nullptr, {"Tarnwick"}, false, HKCU,
                "Last start: 0.30 s CPU, 0.3 MB read, 0.0 MB written, 1.0 MB memory; impact low"},
               {kStartup, "Plain", nullptr, {}, false, HKCU},
               {kStartup, "Gone", nullptr, {"The program file is missing."}, true, HKCU},
               {kShortcut, "Described", nullptr, {"Clock, Tarnwick"}, false, HKCU,
                "Last start: 1.23 s CPU, 2.5 MB read, 0.6 MB written, 12.3 MB memory, ready after 0.80 s; impact high"},
               {kShortcut, "Left over", nullptr, {"The program file is missing."}, true, HKCU},
               {kStartup, "Twin", "C:\\run\\Plain.exe -64", {}, false, V64},
               {kStartup, "Twin", "C:\\run\\Plain.exe -32", {}, false, V32},
               {kService, "Twin", "C:\\svc\\Known.exe -64", {"Mail notifier, Tarnwick"}, false, V64},
               {kService, "Twin", "C:\\svc\\Known.exe -32", {"Mail notifier, Tarnwick"}, false, V32}};
  for (RegKey build : {V64, V32})  // the other view: the 32-bit build's, the 64-bit build's
    for (int inRegistry : {1, 0}) {
      SCOPED_TRACE(std::string(build == V64 ? "32-bit build" : "64-bit build") +
                   (inRegistry ? ", where Windows reads them" : ", taken"));
      ResetWorld();
      platform.registry.otherView = build;
      // The build's own view first, as the engines list them.
      const RegKey own = build == V64 ? V32 : V64;
      for (RegKey view : {own, build}) {
        const RegKey root = view == own ? HKLM : build;
        const char* bits = view == V64 ? "-64" : "-32";
        platform.SetText(root, kRunKey, "Twin", std::string("C:\\run\\Plain.exe ") + bits);
        platform.SetText(root, kRunServicesKey, "Twin", std::string("C:\\svc\\Known.exe ") + bits);
      }
      AddService("Known", true);
      AddStartup("Nameless", true);
      AddStartup("Plain", true);
      platform.SetText(HKCU, kRunKey, "Gone", "\"C:\\Old Tools\\Gone.exe\" -r");
      AddShortcut("Described", true);
      AddShortcut("Left over", true);
      platform.MakeFolder("C:\\lnk");
      platform.WriteFile("C:\\lnk\\Described.exe", "MZ");
      if (inRegistry == 0) {
        startups.StartWork();
        shortcuts.StartWork();
        services.StartWork();
      }
      // What the last starts cost, and a delay, kept per user whichever place the entry stands in.
      catalog::StartRecord busy, quiet;
      busy.state = quiet.state = catalog::StartRecord::State::Measured;
      busy.cpuMicroseconds = 1234000, busy.bytesRead = 2500000, busy.bytesWritten = 600000;
      busy.peakWorkingSet = 12300000, busy.idleMilliseconds = 800;
      quiet.cpuMicroseconds = 299999, quiet.bytesRead = 299999, quiet.peakWorkingSet = 1000000;
      const EntryPlace place = PlaceOfSelector(inRegistry);
      catalog::RecordStart({EntryKind::Shortcut, HKCU, place, "Described"}, quiet);
      catalog::RecordStart({EntryKind::Shortcut, HKCU, place, "Described"}, busy);
      catalog::SetDelay({EntryKind::Shortcut, HKCU, place, "Described"}, 30);
      catalog::RecordStart({EntryKind::Startup, HKCU, place, "Nameless"}, quiet);
      // The window stands before any icon is asked for, each entry with its kind's image; the first tick brings the rest.
      Start(inRegistry, true, false, false, false);
      shell.iconLookups.clear();
      for (int kind = 0; kind < 3; ++kind)
        for (TreeItem child : view.tree.Children(Root(kind))) EXPECT_EQ(kind, view.tree.GetItemImage(child));
      window->OnTick(0);
      EXPECT_FALSE(shell.iconLookups.empty());
      const int missingImage = view.images.Count() - 1;
      for (const auto& test : cases) {
        const RegKey standsIn = test.view == HKLM ? own : test.view;
        SCOPED_TRACE(std::string(test.name) + (standsIn == V32 ? " (32-bit view)" : ""));
        // Items of one name stand in the order the engines list the views: this build's own first.
        const int nth = standsIn == build ? 1 : 0;
        TreeItem item = 0;
        int count = 0;
        for (TreeItem child : view.tree.Children(Root(test.kind)))
          if (view.tree.GetItemText(child) == test.name && count++ == nth) item = child;
        ASSERT_NE(0u, item);
        view.tree.Select(item);
        std::string shown = view.path.text.substr(0, view.path.text.find('\r'));
        EXPECT_FALSE(shown.empty());
        if (test.commandLine) EXPECT_EQ(test.commandLine, shown);
        std::vector<std::string> lines = test.lines;
        if (standsIn == V32) lines.push_back(view32);
        if (test.start) lines.push_back(test.start);
        if (!test.start) lines.push_back("Last start: not measured");
        if (test.name == std::string("Described")) lines.push_back("Starts 30 s after the log-on");
        std::string field = shown, tip = shown;
        for (const auto& line : lines) field += "\r\n" + line, tip += "\n" + line;
        EXPECT_EQ(field, view.path.text);
        EXPECT_EQ(tip, window->TipFor(item));
        EXPECT_EQ(test.missing, view.tree.GetItemImage(item) == missingImage);
        EXPECT_EQ(standsIn == V32, view.tree.ThirtyTwoBit(item));
        EXPECT_EQ(test.name, view.tree.GetItemText(item)) << "the name is never changed by the marks";
      }
      EXPECT_EQ("", window->TipFor(Root(kStartup)));
    }
}

class Editing : public MainWindowTest {};

TEST_F(Editing, RemoveAsksThenSelectsTheNextSibling) {
  struct Case {
    Kind kind;
    std::string removed;
    bool yes;
    Strings left;
    std::string selected;  // "" = no selection
    Strings messages;
  } cases[] = {
      {kService, "B", true, {"A", "C"}, "C", {"Are you sure you want to delete B?", "B deleted."}},
      {kStartup, "B", true, {"A", "C"}, "C", {"Are you sure you want to delete B?", "B deleted."}},
      {kShortcut, "C", true, {"A", "B"}, "", {"Are you sure you want to delete C?", "C deleted."}},
      {kStartup, "A", false, {"A", "B", "C"}, "A", {"Are you sure you want to delete A?"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::to_string(test.kind) + " " + test.removed);
    ResetWorld();
    for (const char* name : {"A", "B", "C"}) Add(test.kind, name, true);
    Start();
    view.tree.Select(Entry(test.kind, test.removed));
    std::string pathBefore = view.path.text;
    view.answers = {test.yes};
    ASSERT_TRUE(window->OnKeyDown(app::Key::Delete, true));
    EXPECT_EQ(test.left, view.tree.Texts(Root(test.kind)));
    EXPECT_EQ(test.selected, view.tree.GetItemText(view.tree.Selected()));
    EXPECT_EQ(test.messages, view.messages);
    if (test.selected.empty()) EXPECT_EQ(pathBefore, view.path.text);  // the bottom entry leaves its path shown
    // What the tree shows is what Windows now reads.
    Start();
    EXPECT_EQ(test.left, view.tree.Texts(Root(test.kind)));
  }
}

TEST_F(Editing, RemoveRefusedByTheEngineOrOutsideTheTreeChangesNothing) {
  AddStartup("A", true);
  Start();
  view.tree.Select(Entry(kStartup, "A"));
  EXPECT_FALSE(window->OnKeyDown(app::Key::Delete, false));  // the path field has the focus
  EXPECT_TRUE(view.messages.empty());
  FailingRegistryStore locked(platform.registry);  // the Run key may not be written
  locked.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::DeleteValue; };
  platform::ScopedService<platform::IRegistryStore> slot(&locked);
  window->OnCommand(ID_STARTUP_REMOVE);
  EXPECT_EQ((Strings{"Are you sure you want to delete A?", "Unable to remove startup"}), view.messages);
  EXPECT_EQ((Strings{"A"}), view.tree.Texts(Root(kStartup)));
}

TEST_F(Editing, ModifiedEntryReturnsToItsPlaceWithItsBox) {
  struct Case {
    Kind kind;
    std::string modified;
    Strings order;
  } cases[] = {
      {kService, "B", {"A", "New", "C"}},
      {kStartup, "A", {"New", "B", "C"}},
      {kShortcut, "C", {"A", "B", "New"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.kind);
    ResetWorld();
    for (const char* name : {"A", "B", "C"}) Add(test.kind, name, name == test.modified);
    Start();
    // The delay goes along with the entry; the starts of the entry as it was are forgotten.
    const catalog::EntryRef before = *window->EntryOf(Entry(test.kind, test.modified));
    catalog::StartRecord measured;
    measured.state = catalog::StartRecord::State::Measured;
    catalog::RecordStart(before, measured);
    catalog::SetDelay(before, 30);
    view.tree.Select(Entry(test.kind, test.modified));
    dialogs.reply = {1, "New", "C:\\new.exe", "-n", 0};
    window->OnCommand(ID_SERVICE_MODIFY + 3 * test.kind);
    ASSERT_EQ(1u, dialogs.calls.size());
    EXPECT_EQ(0, dialogs.calls[0].dialogMode);
    EXPECT_EQ(1, dialogs.calls[0].inRegistry);
    EXPECT_EQ(test.modified, dialogs.calls[0].entryName);
    EXPECT_EQ(test.order, view.tree.Texts(Root(test.kind)));
    EXPECT_EQ("New", view.tree.GetItemText(view.tree.Selected()));
    EXPECT_TRUE(view.tree.GetCheck(view.tree.Selected()));
    // The service stays in HKLM, the 32-bit programs' key of this 32-bit build, and says so.
    const char* field[] = {"C:\\new.exe -n\r\nPublic entry of 32-bit programs", "C:\\new.exe -n", ""};
    EXPECT_EQ((test.kind == kShortcut ? std::string(kUserStartup) + "\\New.lnk" : field[test.kind]) +
                  "\r\nLast start: not measured\r\nStarts 30 s after the log-on",
              view.path.text);
    EXPECT_TRUE(catalog::StartsOf(before).empty());
    EXPECT_EQ(0, catalog::DelayOf(before));
  }
}

// Also an entry of the other view of HKLM, whose name this build's own view
// holds too: the dialog reads it, and the change lands, in its own view.
TEST_F(Editing, TheDialogLibraryOpensOnTheSelectedEntry) {
  const RegKey other = platform::kHklm64View;
  for (bool otherView : {false, true}) {
    SCOPED_TRACE(otherView ? "the other view's entry" : "this view's entry");
    ResetWorld();
    platform.SetText(HKLM, kRunKey, "Pub", "C:\\pub.exe -p");
    platform.SetNumber(HKLM, kRunFlags, "Pub", 1);
    if (otherView) {
      platform.SetText(other, kRunKey, "Pub", "C:\\pub64.exe -q");
      platform.SetNumber(other, kRunFlags, "Pub", 1);
    }
    app::LibraryDialogRunner library;
    runner = &library;
    ScriptedHost user([](FakeEntryView& dialog, dialogs::EntryDialog& logic) {
      dialog.Type(dialogs::Field::Name, "Renamed");
      logic.OnOk();
    });
    Start();
    view.tree.Select(view.tree.Children(Root(kStartup)).back());
    window->OnCommand(ID_STARTUP_MODIFY);
    EXPECT_EQ(otherView ? "C:\\pub64.exe" : "C:\\pub.exe", user.openingFields[dialogs::Field::Path]);
    EXPECT_EQ(1, user.openingType);
    EXPECT_EQ((otherView ? Strings{"Pub", "Renamed"} : Strings{"Renamed"}), view.tree.Texts(Root(kStartup)));
    EXPECT_EQ(otherView ? "C:\\pub64.exe -q" : "C:\\pub.exe -p",
              platform.Text(otherView ? other : HKLM, kRunKey, "Renamed"));
    if (otherView) EXPECT_EQ("C:\\pub.exe -p", platform.Text(HKLM, kRunKey, "Pub"));
    EXPECT_EQ(otherView, !view.tree.ThirtyTwoBit(view.tree.Children(Root(kStartup)).back()));
  }
}

TEST_F(Editing, CreateAddsTheEntryLastAndSelectsIt) {
  AddService("Old", true);
  AddStartup("Old", true);
  AddShortcut("Old", true);
  Start();
  for (Kind kind : {kService, kStartup, kShortcut}) {
    SCOPED_TRACE(kind);
    dialogs.reply = {1, "Made", "C:\\made.exe", "-m", 0};
    window->OnCommand(ID_SERVICE_CREATE + 3 * kind);
    EXPECT_EQ(1, dialogs.calls.back().dialogMode);
    EXPECT_EQ((Strings{"Old", "Made"}), view.tree.Texts(Root(kind)));
    EXPECT_EQ(Entry(kind, "Made"), view.tree.Selected());
    // Its box shows its flag (1), and the root's box follows the children.
    EXPECT_TRUE(view.tree.GetCheck(Entry(kind, "Made")));
    EXPECT_TRUE(view.tree.GetCheck(Root(kind)));
    dialogs.reply.result = 0;  // cancelled: nothing more
    window->OnCommand(ID_SERVICE_CREATE + 3 * kind);
    EXPECT_EQ((Strings{"Old", "Made"}), view.tree.Texts(Root(kind)));
  }
  EXPECT_EQ("C:\\made.exe -m", platform.Text(HKLM, kRunServicesKey, "Made"));
  EXPECT_EQ("C:\\made.exe -m", platform.Text(HKCU, kRunKey, "Made"));
  EXPECT_TRUE(platform.FileExists(std::string(kUserStartup) + "\\Made.lnk"));
}

class Launching : public MainWindowTest {};

TEST_F(Launching, SavesEveryBoxThenOffersEveryEntryInTreeOrder) {
  AddService("S1", false);
  AddService("S2", true);
  AddStartup("T1", true);
  AddShortcut("L1", false);
  // One name in both views of HKLM is two entries: each box goes to its own view's flag.
  for (RegKey root : {HKLM, platform::kHklm64View}) {
    platform.SetText(root, kRunKey, "Twin", root == HKLM ? "C:\\run\\T1.exe own" : "C:\\run\\T1.exe other");
    platform.SetNumber(root, kRunFlags, "Twin", 1);
  }
  // One name under HKCU and HKLM is two entries too: T1's box is the user's entry's alone.
  platform.SetText(HKLM, kRunKey, "T1", "C:\\run\\T1.exe machine");
  platform.SetNumber(HKLM, kRunFlags, "T1", 1);
  Start();
  // The user's boxes differ from the stored flags: S1 and L1 ticked, S2, T1 and the other view's Twin cleared.
  for (const auto& [kind, name] : {std::pair{kService, "S1"}, {kService, "S2"}, {kStartup, "T1"}, {kShortcut, "L1"}})
    Click(Entry(kind, name), 25, true);
  Click(view.tree.Children(Root(kStartup)).back(), 25, true);
  window->OnCommand(IDC_MAIN_LAUNCH_RIGHT);
  EXPECT_EQ(1, platform.Number(HKLM, kRunFlags, "Twin"));
  EXPECT_EQ(0, platform.Number(platform::kHklm64View, kRunFlags, "Twin"));
  EXPECT_EQ(1, platform.Number(HKLM, kServiceFlags, "S1"));
  EXPECT_EQ(0, platform.Number(HKLM, kServiceFlags, "S2"));
  EXPECT_EQ(0, platform.Number(HKCU, kRunFlags, "T1"));
  EXPECT_EQ(1, platform.Number(HKLM, kRunFlags, "T1"));
  EXPECT_EQ(1, platform.Number(HKCU, kShcFlags, "L1"));
  EXPECT_EQ((Strings{"Launching Services - S1...", "Launching Services - S2...", "Launching Startups - T1...",
                     "Launching Startups - Twin...", "Launching Startups - T1...", "Launching Startups - Twin...",
                     "Launching Shortcuts - L1..."}),
            view.progress);
  ASSERT_EQ(4u, shell.opened.size());
  EXPECT_EQ("C:\\svc\\S1.exe", shell.opened[0].file);
  EXPECT_EQ("own", shell.opened[1].parameters);
  EXPECT_EQ("machine", shell.opened[2].parameters);
  EXPECT_EQ(std::string(kUserStartup) + "\\L1.lnk", shell.opened[3].file);
  EXPECT_EQ((Strings{"hide", "progress open", "progress closed", "destroy"}), view.events);
}

// Before the first "/startup" the user's flag keys do not exist: LAUNCH makes them.
TEST_F(Launching, TicksAreSavedFromTheFirstStart) {
  AddStartup("Mine", true);
  CRegistry().DeleteKey(HKCU, "Software\\Tarnwick\\Quill Moor\\Run", "Selections");
  Start();
  Click(Entry(kStartup, "Mine"), 25, true);
  window->OnCommand(IDC_MAIN_LAUNCH_RIGHT);
  EXPECT_EQ(1, platform.Number(HKCU, kRunFlags, "Mine"));
  EXPECT_EQ(1u, shell.opened.size());
}

TEST_F(Launching, AtLogOnOnlyTheTickedStoredEntriesGoBackForWindowsToStart) {
  AddStartup("On", true);
  AddStartup("Off", true);
  AddStartup("Waits", true);  // ticked, but its turn comes from the tray part
  catalog::SetDelay({EntryKind::Startup, HKCU, EntryPlace::Windows, "Waits"}, 30);
  ASSERT_EQ(1, startups.TakeRunEntries());
  view.progressFails = true;  // the launch goes on without its progress window
  Start(0, false);
  Click(Entry(kStartup, "Off"), 25, true);
  window->OnCommand(IDC_MAIN_LAUNCH_LEFT);
  EXPECT_EQ((Strings{"On"}), platform.Names(HKCU, kRunKey));
  EXPECT_EQ(0, platform.Number(HKCU, kRunFlags, "Off"));
  EXPECT_EQ((Strings{"hide", "end 1"}), view.events);
}

// The tray part of a log-on starts the ticked entries with a delay, shortest
// first, each once its delay has passed and the one before stopped starting;
// each start is kept with its figures once it ended.
TEST_F(Launching, DelayedEntriesStartOneAfterAnotherAndAreMeasured) {
  for (const auto& [name, ticked, delay] : {std::tuple{"Late", true, 5}, {"Later", true, 2}, {"Off", false, 1},
                                            {"Now", true, 0}}) {
    AddStartup(name, ticked);
    catalog::SetDelay({EntryKind::Startup, HKCU, EntryPlace::Windows, name}, delay);
  }
  shell.handProcesses = true;
  Start(1, true, true, false, true, true);
  const auto files = [&] {
    Strings started;
    for (const auto& open : shell.opened) started.push_back(open.file);
    return started;
  };
  window->OnTick(1999);
  EXPECT_TRUE(shell.opened.empty());
  window->OnTick(2000);
  EXPECT_EQ((Strings{"C:\\run\\Later.exe"}), files());
  shell.processes[0]->figures.ageMilliseconds = 4000;
  window->OnTick(6000);  // Late's turn, but Later is still starting
  EXPECT_EQ(1u, shell.opened.size());
  shell.processes[0]->idle = platform::IdleState::Idle;
  window->OnTick(6250);
  EXPECT_EQ((Strings{"C:\\run\\Later.exe", "C:\\run\\Late.exe"}), files());
  shell.processes[0]->figures = {420000, 1000, 2000, 5000000, 7000, true};
  shell.processes[1]->figures.ended = true;
  window->OnTick(6500);
  const std::vector<catalog::StartRecord> later = catalog::StartsOf({EntryKind::Startup, HKCU, EntryPlace::Windows, "Later"});
  ASSERT_EQ(1u, later.size());
  EXPECT_EQ(catalog::StartRecord::State::Measured, later[0].state);
  EXPECT_EQ((std::vector<std::uint64_t>{420000, 1000, 2000, 5000000, 7000, 1, 2}),
            (std::vector<std::uint64_t>{later[0].cpuMicroseconds, later[0].bytesRead, later[0].bytesWritten,
                                        later[0].peakWorkingSet, later[0].watchedMilliseconds,
                                        static_cast<std::uint64_t>(later[0].flag), static_cast<std::uint64_t>(later[0].delay)}));
  EXPECT_EQ(4000, later[0].idleMilliseconds);
  window->OnTick(100000);
  EXPECT_EQ(2u, shell.opened.size()) << "each starts once; unticked or undelayed entries are not the tray part's";
  window->OnCommand(ID_TRAY_EXIT);
  EXPECT_EQ("destroy", view.events.back()) << "nothing left to watch: the program ends at once";
}

// Left while a start is still watched, the program hides and stands aside:
// a second copy may start, and qmctl change entries, meanwhile.
TEST_F(Launching, AWindowLeftWhileItsStartsAreWatchedStandsAside) {
  AddStartup("Busy", true);
  shell.handProcesses = true;
  Start();
  window->OnCommand(IDC_MAIN_LAUNCH_RIGHT);
  EXPECT_EQ("stand aside", view.events.back());
  shell.processes[0]->figures.ended = true;
  window->OnTick(1000);
  EXPECT_EQ("destroy", view.events.back());
}

TEST_F(Launching, ClosingFollowsTheSetUp) {
  struct Case {
    int inRegistry;
    bool trayMode;
    bool takeServices;
    Strings events;
  } cases[] = {
      {1, true, false, {"destroy"}},
      {1, true, true, {"take services", "destroy"}},
      {0, false, false, {"end 1"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.events.front());
    for (auto close : {+[](app::MainWindow& w) { w.OnCommand(IDC_MAIN_CLOSE); },
                       +[](app::MainWindow& w) { w.OnKeyDown(app::Key::Escape, false); },
                       +[](app::MainWindow& w) { w.OnCommand(IDC_MAIN_LAUNCH_LEFT); }}) {
      Start(test.inRegistry, test.trayMode, test.takeServices);
      close(*window);
      Strings closing(view.events.end() - std::min(view.events.size(), test.events.size()), view.events.end());
      EXPECT_EQ(test.events, closing);
    }
    Start(test.inRegistry, test.trayMode, test.takeServices);
    window->OnEndSession();
    EXPECT_EQ(test.events.size() == 2 ? Strings{"take services"} : Strings{}, view.events);
  }
}

// Policies hold boxes: the window shows their state and says so, the user's
// clicks, Space and the root's box leave them, LAUNCH starts what they say.
TEST_F(Launching, PolicyEntriesStartAsThePolicySaysWhateverTheBoxes) {
  for (const auto& [name, flag] : {std::pair{"Always", false}, {"Never", true}, {"Free", false}}) AddStartup(name, flag);
  platform.SetText(platform::kHklm64View, policy::kAlwaysStartKey, "1", "startup:user:always");
  platform.SetText(HKCU, policy::kNeverStartKey, "1", "startup:user:Never");
  platform.SetNumber(HKCU, policy::kPolicyKey, "LockEntries", 1);
  for (int inRegistry : {1, 0}) {
    SCOPED_TRACE(inRegistry);
    if (inRegistry == 0) ASSERT_EQ(1, startups.TakeRunEntries());
    shell.opened.clear();
    platform.SetNumber(HKCU, kRunFlags, "Free", 0);
    Start(inRegistry, inRegistry == 1);
    EXPECT_EQ((std::vector<bool>{false, true, false, false}), Checks(Root(kStartup)));
    view.tree.Select(Entry(kStartup, "Always"));
    EXPECT_NE(std::string::npos, view.path.GetText().find("\r\nSet by policy: always starts"));
    view.tree.Select(Entry(kStartup, "Never"));
    EXPECT_TRUE(window->OnKeyDown(app::Key::Space, true));
    Click(Entry(kStartup, "Always"), 25, true);
    Click(Root(kStartup), 25, true);
    EXPECT_EQ((std::vector<bool>{true, true, false, true}), Checks(Root(kStartup)));
    // Editing is refused and said.
    view.messages.clear();
    window->OnCommand(ID_STARTUP_CREATE);
    view.tree.Select(Entry(kStartup, "Never"));
    window->OnKeyDown(app::Key::Delete, true);
    EXPECT_EQ(2u, view.messages.size());
    EXPECT_FALSE(view.enabled[ID_STARTUP_REMOVE]);
    if (inRegistry == 1) {
      window->OnTreeDoubleClick();  // Never is selected: refused
      EXPECT_TRUE(shell.opened.empty());
      window->OnCommand(IDC_MAIN_LAUNCH_LEFT);
      ASSERT_EQ(2u, shell.opened.size());
      EXPECT_EQ("C:\\run\\Always.exe", shell.opened[0].file);
      EXPECT_EQ("C:\\run\\Free.exe", shell.opened[1].file);
    } else {
      // The log-on window closed without LAUNCH still gives the always-start entry back for Windows to start.
      window->OnCommand(IDC_MAIN_CLOSE);
      EXPECT_EQ((Strings{"Always"}), platform.Names(HKCU, kRunKey));
    }
    EXPECT_EQ(1, platform.Number(HKCU, kRunFlags, "Always"));
    EXPECT_EQ(0, platform.Number(HKCU, kRunFlags, "Never"));
  }
  // Locked choices hold every box, roots included, and LAUNCH keeps the stored flags.
  platform.SetNumber(platform::kHklm64View, policy::kPolicyKey, "LockChoices", 1);
  ASSERT_EQ(1, startups.ReturnRunEntries());
  platform.SetNumber(HKCU, kRunFlags, "Free", 1);
  Start();
  Click(Entry(kStartup, "Free"), 25, true);
  Click(Root(kStartup), 25, true);
  EXPECT_EQ((std::vector<bool>{false, true, false, true}), Checks(Root(kStartup)));
  window->OnCommand(IDC_MAIN_LAUNCH_LEFT);
  EXPECT_EQ(1, platform.Number(HKCU, kRunFlags, "Free"));
}

TEST_F(Launching, DoubleClickStartsOneEntryOnlyWhereWindowsReadsThem) {
  struct Case {
    int inRegistry;
    bool onRoot;
    std::size_t started;
  } cases[] = {{1, false, 1}, {1, true, 0}, {0, false, 0}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.inRegistry);
    ResetWorld();
    AddStartup("T", false);
    if (test.inRegistry == 0) ASSERT_EQ(1, startups.TakeRunEntries());
    Start(test.inRegistry, test.inRegistry == 1);
    view.tree.Select(test.onRoot ? Root(kStartup) : Entry(kStartup, "T"));
    EXPECT_EQ(0, window->OnTreeDoubleClick());
    EXPECT_EQ(test.started, shell.opened.size());
    EXPECT_TRUE(boxes.shown.empty());  // nothing was even tried
  }
}

class Moving : public MainWindowTest {};

TEST_F(Moving, EdgesSnapToTheWorkAreaFromTwelvePixels) {
  // A 200 by 100 window on a work area from (0, 40) to (1024, 738).
  struct Case {
    app::Point proposed, placed;
  } cases[] = {
      {{12, 300}, {0, 300}},   {{13, 300}, {13, 300}},   {{-12, 300}, {0, 300}},  {{-13, 300}, {-13, 300}},
      {{812, 300}, {824, 300}}, {{811, 300}, {811, 300}}, {{300, 52}, {300, 40}},  {{300, 53}, {300, 53}},
      {{300, 626}, {300, 638}}, {{300, 625}, {300, 625}}, {{10, 650}, {0, 638}},
  };
  Start();
  view.workArea = {0, 40, 1024, 738};
  for (const Case& test : cases) {
    app::Rect window{test.proposed.x, test.proposed.y, test.proposed.x + 200, test.proposed.y + 100};
    EXPECT_EQ(test.placed, this->window->OnPositionChanging(window)) << test.proposed.x << "," << test.proposed.y;
  }
}

class Themes : public MainWindowTest {
 protected:
  using Colors = std::vector<std::uint32_t>;
  Colors Shown() const { return {view.colors.title, view.colors.button, view.colors.status, view.colors.section}; }
};

TEST_F(Themes, ChoosingAThemeStoresItsNameAndRepaints) {
  std::string folder = std::string(kProgramFolder) + "\\Moss";
  platform.MakeFolder(folder);
  platform.WriteFile(folder + "\\color.txt", "Title   #1#2#3\r\nButton  #4#5#6\r\nStatus  #7#8#9\r\nSection #10#11#12\r\n");
  platform.WriteFile(folder + "\\background.bmp", "BM");
  themes.Setup();
  CTheme moss("Moss");
  ASSERT_NE(0, moss.Load());
  Start();
  platform::IMenu& popup = *view.themeMenu.GetSubMenu(0);
  popup.AppendItem("Gone", ID_THEME_FIRST + 9, false);  // listed, but its folder has since gone
  std::uint32_t mossId = popup.GetItemId(1);
  platform::MenuItemState listed;
  ASSERT_TRUE(popup.GetItemState(1, listed));
  ASSERT_EQ("Moss", listed.text);

  window->OnCommand(mossId);
  EXPECT_EQ("Moss", platform.Text(HKCU, "Software\\Tarnwick\\Quill Moor", "Theme"));
  EXPECT_EQ((Colors{moss.titleColor, moss.buttonColor, moss.statusColor, moss.sectionColor}), Shown());
  EXPECT_EQ(moss.backgroundPath, window->BackgroundFile());
  EXPECT_EQ((Strings{"repaint"}), view.events);

  window->OnCommand(mossId);  // already marked: nothing is written or painted
  EXPECT_EQ((Strings{"repaint"}), view.events);

  window->OnCommand(ID_THEME_FIRST + 9);
  EXPECT_EQ("Gone", platform.Text(HKCU, "Software\\Tarnwick\\Quill Moor", "Theme"));
  EXPECT_EQ((Colors{0, 0, 0, 0}), Shown());
  EXPECT_EQ("", window->BackgroundFile());  // the built-in bitmap
  EXPECT_EQ((Strings{"repaint", "repaint"}), view.events);
}

TEST_F(Themes, TheChoiceIsKeptWhereTheProductKeyDidNotExistYet) {
  CRegistry registry;
  for (const char* key : {"Run", "Shc"}) {
    std::string stored = std::string("Software\\Tarnwick\\Quill Moor\\") + key;
    registry.DeleteKey(HKCU, stored.c_str(), "Selections");
    registry.DeleteKey(HKCU, "Software\\Tarnwick\\Quill Moor", key);
  }
  ASSERT_EQ(1, registry.DeleteKey(HKCU, "Software\\Tarnwick", "Quill Moor"));
  Start();
  view.themeMenu.GetSubMenu(0)->AppendItem("Heather", ID_THEME_FIRST + 1, false);
  window->OnCommand(ID_THEME_FIRST + 1);
  EXPECT_EQ("Heather", platform.Text(HKCU, "Software\\Tarnwick\\Quill Moor", "Theme"));
}

class Program : public MainWindowTest {};

TEST_F(Program, TheLogIsOfferedForDeletionFromOneHundredThousandBytes) {
  struct Case {
    std::size_t size;
    bool yes;
    bool asked, deleted;
  } cases[] = {{99999, true, false, false}, {100000, false, true, false}, {100000, true, true, true}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.size);
    platform.WriteFile(platform.LogPath(), std::string(test.size, 'x'));
    view.messages.clear();
    view.answers = {test.yes};
    Start();
    EXPECT_EQ(test.asked, !view.messages.empty());
    std::size_t now = platform.ReadFile(platform.LogPath()).size();
    // Deleted and started afresh: a new header only.
    EXPECT_EQ(test.deleted, now > 0 && now < 1000);
  }
}

TEST_F(Program, TrayAndCaptionButtonsFollowTheSetUp) {
  struct Case {
    bool trayMode;
    bool takeServices;
    std::uint32_t command;
    Strings events;
  } cases[] = {
      {true, false, IDC_MAIN_MINIMIZE, {"hide", "tray+ Quill Moor"}},
      {false, false, IDC_MAIN_MINIMIZE, {}},
      {true, false, ID_TRAY_OPEN, {"show", "tray-"}},
      {true, false, ID_TRAY_EXIT, {"tray-", "destroy"}},
      {true, true, ID_TRAY_EXIT, {"take services", "tray-", "destroy"}},
      {true, false, ID_TRAY_ABOUT, {"about"}},
      {true, false, IDC_MAIN_HELP, {"open C:\\Program Files\\Quill Moor\\Quillmoor.chm"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.command);
    Start(1, test.trayMode, test.takeServices);
    window->OnCommand(test.command);
    EXPECT_EQ(test.events, view.events);
  }
  window->OnTrayNotify(IDI_PROGRAM + 1, app::TrayEvent::RightButtonUp);
  window->OnTrayNotify(IDI_PROGRAM, app::TrayEvent::Other);
  window->OnTrayNotify(IDI_PROGRAM, app::TrayEvent::RightButtonUp);
  window->OnTrayNotify(IDI_PROGRAM, app::TrayEvent::MenuKey);
  window->OnTrayNotify(IDI_PROGRAM, app::TrayEvent::LeftDoubleClick);
  EXPECT_EQ((Strings{"open C:\\Program Files\\Quill Moor\\Quillmoor.chm", "tray menu", "tray menu", "show", "tray-"}),
            view.events);
}

TEST_F(Program, FailuresAtStartAndHelpAreToldAndLogged) {
  view.hasThemeMenu = false;
  window = std::make_unique<app::MainWindow>(
      app::MainWindowParts{services, startups, shortcuts, themes, currentTheme, defaultTheme, dialogs, host},
      app::MainWindowSetup{1, true, false});
  window->Attach(&view);
  window->OnCreate(false);
  host.openResult = 32;
  window->OnCommand(ID_TRAY_HELP);
  EXPECT_EQ((Strings{"Error occur loading application resources.\nMake sure you have enough memory to run the program",
                     "Unable to setup theme options.", "Unable to launch help file"}),
            view.messages);
  Strings log = platform.LogLines();
  EXPECT_EQ((Strings{"--- Error : Constructing application dialog failed on unable setup popup for theme options",
                     "--- Error : Unable to launch help file"}),
            Strings(log.end() - std::min<std::size_t>(2, log.size()), log.end()));
  EXPECT_EQ("quit 0", view.events.at(0));
}

}  // namespace
}  // namespace qm::test
