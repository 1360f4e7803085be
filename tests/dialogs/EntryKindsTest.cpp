// Where each dialog reads an entry and looks a name up, its texts, and the
// context help.
#include <gtest/gtest.h>

#include "dialogs/ContextHelp.h"
#include "dialogs/EngineShortcutQueries.h"
#include "dialogs/ServiceDialog.h"
#include "dialogs/ShortcutDialog.h"
#include "dialogs/StartupDialog.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "tests/dialogs/FakeEntryView.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {
namespace {

using dialogs::EntryDialog;
using dialogs::Field;

constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kStoredRun[] = "Software\\Tarnwick\\Quill Moor\\Run";
constexpr char kServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kStoredServices[] = "Software\\Tarnwick\\Quill Moor\\RunServices";
constexpr char kStoredShc[] = "Software\\Tarnwick\\Quill Moor\\Shc";
constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Creates an entry named name with a path, presses OK, and answers what the user saw.
template <class Dialog>
std::vector<std::string> TryCreate(Dialog& dialog, const std::string& name, int type = 0) {
  ScriptedHost host([&](FakeEntryView& view, EntryDialog& logic) {
    view.Type(Field::Name, name);
    view.Type(Field::Path, "C:\\p.exe");
    view.typeIndex = type;
    logic.OnOk();
  });
  dialog.ShowDialog();
  return host.messages;
}

const std::vector<std::string> kNone;

TEST(ServiceDialogTest, LooksNamesUpInTheKeyOfItsLocationUnderTheMachineOnly) {
  TestPlatform platform;
  platform.SetText(HKeyLocalMachine, kServices, "Live", "C:\\l.exe ");
  platform.SetText(HKeyLocalMachine, kStoredServices, "Kept", "C:\\k.exe ");
  platform.SetText(HKeyCurrentUser, kServices, "UserSide", "C:\\u.exe ");
  const std::vector<std::string> taken{"Service name already exists. Choose another name."};

  CServiceDialog live;
  live.inRegistry = 1;
  EXPECT_EQ(TryCreate(live, "Live"), taken);
  EXPECT_EQ(TryCreate(live, "live"), taken);  // letter case ignored, as the engine does
  EXPECT_EQ(TryCreate(live, "Kept"), kNone);
  EXPECT_EQ(TryCreate(live, "UserSide"), kNone);

  CServiceDialog stored;
  stored.inRegistry = 0;
  EXPECT_EQ(TryCreate(stored, "Kept"), taken);
  EXPECT_EQ(TryCreate(stored, "Live"), kNone);

  // A service of the other view is renamed within that view.
  platform.SetText(platform::kHklm64View, kServices, "Agent", "C:\\a.exe ");
  platform.SetText(platform::kHklm64View, kServices, "Spool", "C:\\s.exe ");
  CServiceDialog other;
  other.inRegistry = 1;
  other.dialogMode = 0;
  other.entryRoot = platform::kHklm64View;
  other.entryName = "Agent";
  EXPECT_EQ(TryCreate(other, "SPOOL"), taken);
  EXPECT_EQ(TryCreate(other, "Live"), kNone);
}

TEST(ServiceDialogTest, ModifyReadsTheStoredCommandLine) {
  TestPlatform platform;
  platform.SetText(HKeyLocalMachine, kStoredServices, "Indexer", "C:\\Program Files\\Idx\\idx.exe --low io");
  platform.SetText(HKeyLocalMachine, kStoredServices, "Bare", "C:\\bare.exe");
  for (auto [name, path, argument] : {std::tuple{"Indexer", "C:\\Program Files\\Idx\\idx.exe", "--low io"},
                                      std::tuple{"Bare", "C:\\bare.exe", ""}}) {
    CServiceDialog dialog;
    dialog.dialogMode = 0;
    dialog.entryName = name;
    ScriptedHost host(nullptr);
    dialog.ShowDialog();
    EXPECT_EQ(host.caption, "Modify Service");
    EXPECT_EQ(host.openingFields[Field::Path], path);
    EXPECT_EQ(host.openingFields[Field::Argument], argument);
  }
}

TEST(StartupDialogTest, CreateOpensOnPrivateAndReturnsTheChosenType) {
  TestPlatform platform;
  CStartupDialog dialog;
  dialog.entryType = 1;
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    EXPECT_EQ(view.typeIndex, 0);
    view.Type(Field::Name, "Agent");
    view.Type(Field::Path, "C:\\a.exe");
    view.typeIndex = 1;
    logic.OnOk();
  });
  ASSERT_EQ(dialog.ShowDialog(), 1);
  EXPECT_EQ(host.caption, "Create Startup");
  EXPECT_EQ(dialog.entryType, 1);
}

// A name is looked up where the entry would stand: its own root and view
// while its Type stays, else the side the Type names; the same name on the
// other side is a twin, not a clash. A new name must be a plain file name.
TEST(StartupDialogTest, NamesAreLookedUpInTheRootAndViewTheEntryLandsIn) {
  TestPlatform platform;
  for (const char* name : {"Private one", "Écran", "Twin", "LPT1"})
    platform.SetText(HKeyCurrentUser, kRun, name, "C:\\q.exe ");
  for (const char* name : {"Public one", "Twin"}) platform.SetText(HKeyLocalMachine, kRun, name, "C:\\p.exe ");
  for (const char* name : {"View64", "Only64"}) platform.SetText(platform::kHklm64View, kRun, name, "C:\\v.exe ");
  platform.SetText(HKeyCurrentUser, kStoredRun, "Stored one", "C:\\s.exe ");
  const std::vector<std::string> taken{"Startup name already exists. Choose another name."};
  const std::vector<std::string> plain{
      "A name cannot hold \\ / : * ? \" < > | and cannot be a device name such as CON or NUL. Choose another name."};
  struct Case {
    int inRegistry;
    RegKey root;             // 0: a create
    const char* entryName;   // the modified entry, of Type 1 where its root is public
    const char* typed;
    int type;
    const std::vector<std::string>& expected;
  };
  const Case cases[] = {
      {1, 0, "", "Public one", 1, taken},         {1, 0, "", "PUBLIC ONE", 1, taken},
      {1, 0, "", "Public one", 0, kNone},         {1, 0, "", "Private one", 0, taken},
      {1, 0, "", "éCRAN", 0, taken},              {1, 0, "", "Private one", 1, kNone},
      {1, 0, "", "Stored one", 0, kNone},         {0, 0, "", "Stored one", 0, taken},
      {0, 0, "", "Public one", 1, kNone},         {1, 0, "", "a\\b", 0, plain},
      {0, 0, "", "NUL", 1, plain},                {1, HKeyCurrentUser, "Private one", "x:y", 0, plain},
      {1, platform::kHklm64View, "View64", "only64", 1, taken},
      {1, platform::kHklm64View, "View64", "Public one", 1, kNone},
      {1, HKeyCurrentUser, "Twin", "Twin", 1, taken},  // a move onto the other side's name
      {1, HKeyCurrentUser, "Private one", "Private one", 1, kNone},
      {1, HKeyCurrentUser, "LPT1", "LPT1", 0, kNone},  // an entry keeps the name it has
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.entryName) + " -> " + c.typed);
    CStartupDialog dialog;
    dialog.inRegistry = c.inRegistry;
    if (c.root) {
      dialog.dialogMode = 0;
      dialog.entryRoot = c.root;
      dialog.entryType = c.root == HKeyCurrentUser ? 0 : 1;
      dialog.entryName = c.entryName;
    }
    EXPECT_EQ(TryCreate(dialog, c.typed, c.type), c.expected);
  }
}

TEST(StartupDialogTest, ModifyReadsThePublicValueAndSplitsAfterExe) {
  TestPlatform platform;
  platform.SetText(HKeyCurrentUser, kRun, "Sync", "C:\\wrong.exe ");
  platform.SetText(HKeyLocalMachine, kRun, "Sync", "C:\\Program Files\\Sync Tool\\SYNC.EXE /tray /quiet");
  CStartupDialog dialog;
  dialog.dialogMode = 0;
  dialog.inRegistry = 1;
  dialog.entryType = 1;
  dialog.entryName = "Sync";
  ScriptedHost host(nullptr);
  EXPECT_EQ(dialog.ShowDialog(), 0);
  EXPECT_EQ(host.openingType, 1);
  EXPECT_EQ(host.openingFields[Field::Path], "C:\\Program Files\\Sync Tool\\SYNC.EXE");
  EXPECT_EQ(host.openingFields[Field::Argument], "/tray /quiet");
}

class RecordingShortcutQueries : public dialogs::IShortcutQueries {
 public:
  int GetShortcutInfo(const std::string& name, std::string* path, std::string* argument, int type,
                      int inRegistry) override {
    asked = name + "|" + std::to_string(type) + "|" + std::to_string(inRegistry);
    if (name != "Notes") return 0;
    *path = "C:\\Notes\\notes.exe";
    *argument = "-tray";
    return 1;
  }
  std::string asked;
};

class ScopedQueries {
 public:
  explicit ScopedQueries(dialogs::IShortcutQueries* queries) : previous_(dialogs::ShortcutQueriesSlot()) {
    dialogs::ShortcutQueriesSlot() = queries;
  }
  ~ScopedQueries() { dialogs::ShortcutQueriesSlot() = previous_; }

 private:
  dialogs::IShortcutQueries* previous_;
};

TEST(ShortcutDialogTest, ModifyAsksTheShortcutEngineForPathAndArgument) {
  TestPlatform platform;
  RecordingShortcutQueries queries;
  ScopedQueries scoped(&queries);
  CShortcutDialog dialog;
  dialog.dialogMode = 0;
  dialog.inRegistry = 1;
  dialog.entryType = 1;
  dialog.entryName = "Notes";
  ScriptedHost host(nullptr);
  dialog.ShowDialog();
  EXPECT_EQ(host.caption, "Modify Shortcut");
  EXPECT_EQ(queries.asked, "Notes|1|1");
  EXPECT_EQ(host.openingFields[Field::Path], "C:\\Notes\\notes.exe");
  EXPECT_EQ(host.openingFields[Field::Argument], "-tray");
}

TEST(ShortcutDialogTest, ModifyOpensWithWhatTheEngineReadsFromTheFileOrItsStoredBytes) {
  TestPlatform platform;
  platform.SetText(HKeyCurrentUser, kShellFolders, "Startup", "C:\\Users\\me\\Startup");
  platform.MakeFolder("C:\\Users\\me\\Startup");
  CRegistry().CreateKey(HKeyCurrentUser, kStoredShc);
  platform::IconHandle icon = 0;
  ASSERT_EQ(1, CShortcutEngineer().CreateShcEntry(&icon, "Notes", "C:\\Tools\\notes.exe", "-tray now", 0, 1));
  dialogs::EngineShortcutQueries engine;
  ScopedQueries scoped(&engine);

  for (int inRegistry : {1, 0}) {
    if (inRegistry == 0) ASSERT_EQ(1, CShortcutEngineer().TakeShcEntries());
    CShortcutDialog dialog;
    dialog.dialogMode = 0;
    dialog.inRegistry = inRegistry;
    dialog.entryType = 0;
    dialog.entryName = "Notes";
    ScriptedHost host(nullptr);
    dialog.ShowDialog();
    EXPECT_EQ(host.openingFields[Field::Path], "C:\\Tools\\notes.exe") << inRegistry;
    EXPECT_EQ(host.openingFields[Field::Argument], "-tray now") << inRegistry;
  }
}

TEST(ShortcutDialogTest, FolderAndStoredTestsLookAtTheSideTheTypeNamesIgnoringCase) {
  TestPlatform platform;
  dialogs::EngineShortcutQueries folders;
  ScopedQueries scoped(&folders);
  platform.SetText(HKeyCurrentUser, kShellFolders, "Startup", "C:\\Users\\me\\Startup");
  platform.SetText(HKeyLocalMachine, kShellFolders, "Common Startup", "C:\\All\\Startup\\");
  platform.MakeFolder("C:\\Users\\me\\Startup");
  platform.MakeFolder("C:\\All\\Startup");
  platform.WriteFile("C:\\Users\\me\\Startup\\Editor.lnk", "L");
  platform.WriteFile("C:\\All\\Startup\\Player.lnk", "L");
  platform.SetText(HKeyLocalMachine, kStoredShc, "Archived", "L");
  const std::vector<std::string> taken{"Shortcut name already exists. Choose another name."};

  CShortcutDialog live;
  live.inRegistry = 1;
  EXPECT_EQ(TryCreate(live, "EDITOR"), taken);
  EXPECT_EQ(TryCreate(live, "player", 1), taken);
  EXPECT_EQ(TryCreate(live, "player", 0), kNone);
  EXPECT_EQ(TryCreate(live, "Archived", 1), kNone);
  EXPECT_EQ(TryCreate(live, "..\\Player", 1).size(), 1u);

  CShortcutDialog stored;
  EXPECT_EQ(TryCreate(stored, "Archived", 1), taken);
  EXPECT_EQ(TryCreate(stored, "archived", 1), taken);
  EXPECT_EQ(TryCreate(stored, "archived", 0), kNone);
  EXPECT_EQ(TryCreate(stored, "Editor"), kNone);
}

TEST(ContextHelpTest, EachDialogOpensItsOwnTexts) {
  TestPlatform platform;
  std::vector<int> modes;
  for (int kind = 0; kind < 2; ++kind) {
    ScriptedHost host([&](FakeEntryView& view, EntryDialog& logic) {
      logic.OnHelp();
      modes.insert(modes.end(), view.helpModes.begin(), view.helpModes.end());
    });
    if (kind == 0) {
      CStartupDialog startup;
      startup.ShowDialog();
    } else {
      CShortcutDialog shortcut;
      shortcut.ShowDialog();
    }
  }
  EXPECT_EQ(modes, (std::vector<int>{1, 0}));

  dialogs::ContextHelpTexts startup = dialogs::ContextHelpFor(1);
  EXPECT_EQ(startup.privateText,
            "Startup of this type will only exist for current logon user. It will only be launched when this user "
            "logs on to it.");
  EXPECT_EQ(startup.publicText,
            "Startup of this type will exist for all users of this machine. It will be launched regardless which "
            "user logs on to it.");
  dialogs::ContextHelpTexts shortcut = dialogs::ContextHelpFor(0);
  EXPECT_EQ(shortcut.privateText,
            "Shortcut of this type will only exist for current logon user. It will only be launched when this user "
            "logs on to it.");
  EXPECT_EQ(shortcut.publicText,
            "Shortut of this type will exist for all users of this machine. It will be launched regardless which "
            "user logs on to it.");
  EXPECT_EQ(dialogs::ContextHelpFor(7).publicText, shortcut.publicText);
}

}  // namespace
}  // namespace qm::test
