// Launching shortcut entries, their icons and the tree listing.
#include "tests/shortcuts/ShortcutFixture.h"
#include "tests/support/FakeTreeControl.h"

namespace qm::test {
namespace {

using Lines = std::vector<std::string>;
using ShortcutLaunch = ShortcutTest;

const std::string kTempMail = kTempCopies + "\\Mail.lnk";

TEST_F(ShortcutLaunch, ASelectedTakenEntryStartsFromATemporaryCopyThatIsGoneAfterwards) {
  Store(HKeyCurrentUser, "Mail", "mail bytes");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Mail", 1);
  bool copyWasThere = false;
  struct Watching : FakeShell {
    TestPlatform* platform;
    bool* seen;
    std::intptr_t Open(const std::string& file, const std::string& parameters) override {
      *seen = platform->ReadFile(file) == "mail bytes";
      return FakeShell::Open(file, parameters);
    }
  } watching;
  watching.platform = &platform;
  watching.seen = &copyWasThere;
  platform::ScopedService<platform::IShell> slot(&watching);

  EXPECT_EQ(1, engineer.LaunchShcEntry("Mail", 0));

  EXPECT_TRUE(copyWasThere);
  ASSERT_EQ(1u, watching.opened.size());
  EXPECT_EQ(kTempMail, watching.opened[0].file);
  EXPECT_EQ("", watching.opened[0].parameters);
  EXPECT_FALSE(platform.FileExists(kTempMail));
  EXPECT_EQ((Lines{"Launching " + kTempMail}), Log());
}

TEST_F(ShortcutLaunch, OnlySelectedEntriesStartAndTheUsersSideWins) {
  Store(HKeyCurrentUser, "Off", "x");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Off", 0);
  Store(HKeyCurrentUser, "Unflagged", "x");
  Store(HKeyCurrentUser, "Both", "mine");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Both", 0);
  Store(HKeyLocalMachine, "Both", "ours");
  platform.SetNumber(HKeyLocalMachine, kShcSelections, "Both", 1);
  EXPECT_EQ(0, engineer.LaunchShcEntry("Off", 0));
  EXPECT_EQ(0, engineer.LaunchShcEntry("Unflagged", 0));
  EXPECT_EQ(0, engineer.LaunchShcEntry("Both", 0));
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(0, engineer.LaunchShcEntry("Nowhere", 0));
  EXPECT_EQ(0, engineer.LaunchShcEntry("Nowhere", 1));
  EXPECT_EQ((Lines{"--- Error : Unable to find shortcut", "--- Error : Unable to find shortcut"}), Log());
}

TEST_F(ShortcutLaunch, ASelectedPublicShortcutStartsFromItsFolder) {
  platform.WriteFile(In(kCommonFolder, "Backup.lnk"), "x");
  platform.SetNumber(HKeyLocalMachine, kShcSelections, "Backup", 1);
  EXPECT_EQ(1, engineer.LaunchShcEntry("backup", 1));
  ASSERT_EQ(1u, shell.opened.size());
  EXPECT_EQ(In(kCommonFolder, "backup.lnk"), shell.opened[0].file);
  EXPECT_TRUE(platform.FileExists(In(kCommonFolder, "Backup.lnk")));
  EXPECT_EQ((Lines{"Launching " + In(kCommonFolder, "backup.lnk")}), Log());
}

TEST_F(ShortcutLaunch, AShellFailureIsAFailedLaunchWithoutAMessage) {
  Store(HKeyCurrentUser, "Mail", "x");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Mail", 1);
  shell.openResult = 2;  // SE_ERR_FNF
  EXPECT_EQ(0, engineer.LaunchShcEntry("Mail", 0));
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutLaunch, TheImmediateLaunchIgnoresFlagsAndTellsTheUser) {
  platform.WriteFile(In(kCommonFolder, "Backup.lnk"), "x");
  EXPECT_EQ(1, engineer.LaunchShcEntry("Backup"));
  EXPECT_EQ(In(kCommonFolder, "Backup.lnk"), shell.opened.at(0).file);
  EXPECT_EQ(0, engineer.LaunchShcEntry("Nowhere"));
  shell.openResult = 0;
  EXPECT_EQ(1, engineer.LaunchShcEntry("Backup"));
  EXPECT_EQ((Lines{"Unable to find shortcut", "Unable to launch " + In(kCommonFolder, "Backup.lnk")}), box.shown);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutLaunch, ImagesGoToTheEndOfTheTreesListAndFallBackToTwo) {
  FakeTreeControl tree;
  FakeImageList images(3);
  tree.imageList = &images;
  platform.WriteFile(In(kUserFolder, "Mail.lnk"), "x");
  shell.GiveIcon(In(kUserFolder, "Mail.lnk"));

  EXPECT_EQ(3, engineer.AddShortcutImageToTreeCtrl(&tree, In(kUserFolder, "Mail.lnk")));
  EXPECT_EQ(2, engineer.AddShortcutImageToTreeCtrl(&tree, In(kUserFolder, "NoIcon.lnk")));
  EXPECT_EQ(2, engineer.AddShortcutImageToTreeCtrl(&tree, platform::IconHandle{0}));
  EXPECT_EQ(2, engineer.AddShortcutImageToTreeCtrl(nullptr, In(kUserFolder, "Mail.lnk")));
  EXPECT_EQ(4, images.Count());
  EXPECT_EQ(0u, shell.LiveIcons());  // the list holds copies; no handle is left over
}

TEST_F(ShortcutLaunch, ListsTakenEntriesUsersFirstWithIconsAndChecks) {
  FakeTreeControl tree;
  FakeImageList images(3);
  tree.imageList = &images;
  platform::TreeItem root = tree.InsertItem(0, "Shortcuts", 2, 2);
  Store(HKeyCurrentUser, "Beta", "b");
  Store(HKeyCurrentUser, "Alpha", "a");
  Store(HKeyLocalMachine, "Gamma", "g");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Beta", 1);
  platform.SetNumber(HKeyLocalMachine, kShcSelections, "Gamma", 1);
  shell.GiveIcon(In(kTempCopies, "Beta.lnk"));
  shell.GiveIcon(In(kTempCopies, "Gamma.lnk"));

  EXPECT_EQ(1, engineer.PopulateShcEntries(&tree, root, 0));

  EXPECT_EQ((Lines{"Beta", "Alpha", "Gamma"}), tree.ChildTexts(root));
  std::vector<platform::TreeItem> items = tree.Children(root);
  EXPECT_EQ(3, tree.At(items[0]).image);
  EXPECT_EQ(2, tree.At(items[1]).image);
  EXPECT_EQ(4, tree.At(items[2]).image);
  EXPECT_EQ(4, tree.At(items[2]).selectedImage);
  EXPECT_TRUE(tree.GetCheck(items[0]));
  EXPECT_FALSE(tree.GetCheck(items[1]));
  EXPECT_TRUE(tree.GetCheck(items[2]));
  EXPECT_TRUE(Files(kTempCopies).empty());  // every temporary copy is gone
  EXPECT_EQ(0u, shell.LiveIcons());
  EXPECT_TRUE(Log().empty());
}

// A shortcut's icon comes from its bytes: shortcuts alike under one root are
// looked up once in a listing and share the image, in the folders and stored.
TEST_F(ShortcutLaunch, ShortcutsAlikeUnderOneRootShareOneLookupAndImage) {
  for (int inRegistry : {1, 0}) {
    SCOPED_TRACE(inRegistry);
    FakeTreeControl tree;
    FakeImageList images(3);
    tree.imageList = &images;
    platform::TreeItem root = tree.InsertItem(0, "Shortcuts", 2, 2);
    shell.iconLookups.clear();
    const struct {
      RegKey root;
      const char* name;
      const char* bytes;
    } links[] = {{HKeyCurrentUser, "A1", "same"},
                 {HKeyCurrentUser, "A2", "same"},
                 {HKeyCurrentUser, "B", "other"},
                 {HKeyLocalMachine, "C", "same"}};
    for (const auto& link : links) {
      std::string folder = link.root == HKeyCurrentUser ? kUserFolder : kCommonFolder;
      std::string file = std::string(link.name) + ".lnk";
      if (inRegistry == 1) platform.WriteFile(In(folder, file), link.bytes);
      if (inRegistry == 0) Store(link.root, link.name, link.bytes);
      shell.GiveIcon(In(inRegistry == 1 ? folder : kTempCopies, file));
    }
    EXPECT_EQ(1, engineer.PopulateShcEntries(&tree, root, inRegistry));
    std::vector<int> shown;
    for (platform::TreeItem item : tree.Children(root)) shown.push_back(tree.At(item).image);
    EXPECT_EQ((std::vector<int>{3, 3, 4, 5}), shown);
    EXPECT_EQ(3u, shell.iconLookups.size());
    EXPECT_EQ(0u, shell.LiveIcons());
    if (inRegistry == 0) EXPECT_TRUE(Files(kTempCopies).empty());
    for (const auto& link : links)
      platform.files.Delete(In(link.root == HKeyCurrentUser ? kUserFolder : kCommonFolder, std::string(link.name) + ".lnk"));
  }
}

TEST_F(ShortcutLaunch, ListsTheFoldersInSearchOrder) {
  FakeTreeControl tree;
  FakeImageList images(3);
  tree.imageList = &images;
  platform::TreeItem root = tree.InsertItem(0, "Shortcuts", 2, 2);
  tree.InsertItem(root, "existing", 0, 0);
  platform.WriteFile(In(kUserFolder, "b.lnk"), "x");
  platform.WriteFile(In(kUserFolder, "A.LNK"), "x");
  platform.WriteFile(In(kCommonFolder, "A.lnk"), "x");
  platform.SetNumber(HKeyLocalMachine, kShcSelections, "A", 1);

  EXPECT_EQ(1, engineer.PopulateShcEntries(&tree, root, 1));
  EXPECT_EQ((Lines{"existing", "A", "b", "A"}), tree.ChildTexts(root));
  std::vector<platform::TreeItem> items = tree.Children(root);
  EXPECT_FALSE(tree.GetCheck(items[1]));
  EXPECT_TRUE(tree.GetCheck(items[3]));
  EXPECT_EQ(0, engineer.PopulateShcEntries(nullptr, root, 1));
  EXPECT_EQ(0, engineer.PopulateShcEntries(&tree, 0, 1));
}

// The temporary copies of taken shortcuts, for the launch, the icon and the
// shortcut's information: written where the user can write, gone after use,
// and a copy that cannot be written is a failure, never a copy.
TEST_F(ShortcutLaunch, TemporaryCopiesWorkUnderAReadOnlyProgramFolderAndReportWhatCannotBeWritten) {
  struct Case {
    std::string readOnly;  // the folder no write may change
    int launched;
    int image;
    int info;
    Lines log;
  };
  const Case cases[] = {
      {kProgramFolder, 1, 3, 1, {}},  // the log beside the program cannot grow either
      {kTempFolder,
       0,
       2,
       0,
       {"--- Error : Unable to load shortcut data to file for launch", "--- Error : Unable to load shortcut data",
        "--- Error : Unable to load shortcut data"}},
  };
  Store(HKeyCurrentUser, "Mail", LinkBytes("C:\\mail.exe", "-check"));
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Mail", 1);
  shell.GiveIcon(kTempMail);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.readOnly);
    platform.WriteFile(platform.LogPath(), "");
    FolderGuard files(platform.files, c.readOnly);
    platform::ScopedService<platform::IFileSystem> slot(&files);
    struct Watching : FakeShell {
      TestPlatform* platform;
      bool copyWasWhole = false;
      std::intptr_t Open(const std::string& file, const std::string& parameters) override {
        copyWasWhole = platform->ReadFile(file) == LinkBytes("C:\\mail.exe", "-check");
        return FakeShell::Open(file, parameters);
      }
    } watching;
    watching.platform = &platform;
    watching.GiveIcon(kTempMail);
    platform::ScopedService<platform::IShell> shellSlot(&watching);
    FakeTreeControl tree;
    FakeImageList images(3);
    tree.imageList = &images;
    platform::TreeItem root = tree.InsertItem(0, "Shortcuts", 2, 2);
    std::string target, arguments;

    EXPECT_EQ(c.launched, engineer.LaunchShcEntry("Mail", 0));
    EXPECT_EQ(c.launched == 1, watching.copyWasWhole);
    EXPECT_EQ(1, engineer.PopulateShcEntries(&tree, root, 0));
    EXPECT_EQ(c.image, tree.At(tree.Children(root).at(0)).image);
    EXPECT_EQ(c.info, engineer.GetShortcutInfo("Mail", &target, &arguments, 0, 0));
    EXPECT_EQ(c.info == 1 ? "-check" : "", arguments);

    EXPECT_FALSE(platform.FileExists(kTempMail));
    EXPECT_EQ((Lines{"Quillmoor.log"}), Files(kProgramFolder));
    EXPECT_EQ(c.log, Log());
  }
}

}  // namespace
}  // namespace qm::test
