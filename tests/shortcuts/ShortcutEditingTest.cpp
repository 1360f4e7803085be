// Creating, modifying and removing shortcut entries, and the queries, in
// both places: the startup folders and the stored location.
#include <functional>
#include <tuple>

#include "tests/shortcuts/ShortcutFixture.h"
#include "tests/support/FailingRegistryStore.h"
#include "tests/support/FakeEditField.h"

namespace qm::test {
namespace {

using Lines = std::vector<std::string>;
class ShortcutEditing : public ShortcutTest {
 protected:
  // Everything an edit could touch: both stored locations with their bytes,
  // every flag, and both folders with their files.
  std::string Everything() {
    std::string all;
    for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
      for (const std::string& name : platform.Names(root, kShc)) all += name + "=" + Stored(root, name) + ";";
      for (const std::string& name : platform.Names(root, kShcSelections))
        all += name + "/" + std::to_string(Flag(root, name)) + ";";
      all += "|";
    }
    for (const char* folder : {kUserFolder, kCommonFolder})
      for (const std::string& file : Files(folder)) all += file + "=" + platform.ReadFile(In(folder, file)) + ";";
    return all;
  }
};

constexpr char kMailTarget[] = "C:\\Program Files\\Mail\\mail.exe";

TEST_F(ShortcutEditing, CreatesAPrivateShortcutInTheFolder) {
  shell.GiveIcon(In(kUserFolder, "Mail.lnk"));
  platform::IconHandle icon = 0;
  EXPECT_EQ(1, engineer.CreateShcEntry(&icon, "Mail", kMailTarget, "-check now", 0, 1));
  EXPECT_NE(0u, icon);
  EXPECT_EQ((Lines{"Mail.lnk"}), Files(kUserFolder));
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "Mail"));

  std::string target = "unset", arguments = "unset";
  EXPECT_EQ(1, engineer.GetShortcutInfo("Mail", &target, &arguments, 0, 1));
  EXPECT_EQ(kMailTarget, target);
  EXPECT_EQ("-check now", arguments);
  EXPECT_TRUE(Log().empty());
}

// While the entries are taken the folder belongs to whoever writes there:
// creating and changing a taken entry leave every file in it as it stands,
// even one that appeared since the take under the entry's own name.
TEST_F(ShortcutEditing, CreatingAndChangingATakenEntryLeaveTheFolderAlone) {
  MakeLink(In(kCommonFolder, "Mail.lnk"), "C:\\old.exe", "");
  engineer.StartWork();
  platform.WriteFile(In(kCommonFolder, "Mail.lnk"), "foreign");
  platform.WriteFile(In(kCommonFolder, "Other.lnk"), "foreign too");
  platform::IconHandle icon = 0;
  EXPECT_EQ(1, engineer.CreateShcEntry(&icon, "Mail", kMailTarget, "", 1, 0));
  EXPECT_EQ((Lines{"Mail"}), platform.Names(HKeyLocalMachine, kShc));
  EXPECT_EQ(1, Flag(HKeyLocalMachine, "Mail"));
  EXPECT_FALSE(platform.HasValue(HKeyLocalMachine, kShcSelections, "Other"));
  std::string target, arguments = "unset";
  EXPECT_EQ(1, engineer.GetShortcutInfo("Mail", &target, &arguments, 1, 0));
  EXPECT_EQ(kMailTarget, target);
  EXPECT_EQ("", arguments);

  EXPECT_EQ(1, engineer.ModifyShcEntry(nullptr, "Mail", "Mail", "C:\\new.exe", "-n", 1, 1, 0));
  EXPECT_EQ(1, engineer.GetShortcutInfo("Mail", &target, &arguments, 1, 0));
  EXPECT_EQ("C:\\new.exe", target);
  EXPECT_EQ("foreign", platform.ReadFile(In(kCommonFolder, "Mail.lnk")));
  EXPECT_EQ("foreign too", platform.ReadFile(In(kCommonFolder, "Other.lnk")));
  // The temporary copies are gone again.
  EXPECT_TRUE(Files(kTempCopies).empty());
}

TEST_F(ShortcutEditing, ANewShortcutCarriesNothingOverFromTheLinkLoadedBefore) {
  platform::ShellLinkData rich = platform::ShellLinkData::Empty();
  rich.target = "C:\\old.exe";
  rich.hasText[platform::ShellLinkData::kWorkingDir] = true;
  rich.text[platform::ShellLinkData::kWorkingDir] = u"C:\\old";
  rich.hasText[platform::ShellLinkData::kName] = true;
  rich.text[platform::ShellLinkData::kName] = u"old description";
  std::vector<std::uint8_t> bytes = platform::EncodeShellLink(rich);
  platform.WriteFile(In(kUserFolder, "Old.lnk"), std::string(bytes.begin(), bytes.end()));
  std::string target, arguments;
  ASSERT_EQ(1, engineer.GetShortcutInfo("Old", &target, &arguments, 0, 1));

  ASSERT_EQ(1, engineer.CreateShcEntry(nullptr, "Mail", kMailTarget, "", 0, 1));
  std::string written = platform.ReadFile(In(kUserFolder, "Mail.lnk"));
  platform::ShellLinkData made;
  ASSERT_TRUE(platform::DecodeShellLink(std::vector<std::uint8_t>(written.begin(), written.end()), made));
  EXPECT_EQ(kMailTarget, made.target);
  EXPECT_FALSE(made.hasText[platform::ShellLinkData::kWorkingDir]);
  EXPECT_FALSE(made.hasText[platform::ShellLinkData::kName]);
}

TEST_F(ShortcutEditing, CreateFailuresAreNamedByPlaceAndSide) {
  // A folder where the file should go makes the save fail; a taken shortcut is made in our temporary folder.
  platform.MakeFolder(In(kUserFolder, "Mail.lnk"));
  platform.MakeFolder(In(kTempCopies, "Mail.lnk"));
  EXPECT_EQ(0, engineer.CreateShcEntry(nullptr, "Mail", kMailTarget, "", 0, 1));
  EXPECT_EQ(0, engineer.CreateShcEntry(nullptr, "Mail", kMailTarget, "", 1, 0));
  EXPECT_EQ((Lines{"--- Error : Unable to save shortcut data", "--- Error : Unable to create shortcut in user folder",
                   "--- Error : Unable to save shortcut data",
                   "--- Error : Unable to create temp shortcut in common folder"}),
            Log());
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "Mail"));  // the flag is written first and stays
}

TEST_F(ShortcutEditing, WithoutALinkObjectNothingIsEditedOrSaid) {
  platform::ScopedService<platform::ILinkObject> none(nullptr);
  EXPECT_EQ(0, engineer.CreateShcEntry(nullptr, "Mail", kMailTarget, "", 0, 1));
  EXPECT_EQ(0, engineer.ModifyShcEntry(nullptr, "Mail", "Mail", kMailTarget, "", 0, 0, 1));
  EXPECT_TRUE(Files(kUserFolder).empty());
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kShcSelections, "Mail"));
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutEditing, ModifiesInTheFoldersRenamingAndMovingFileAndFlag) {
  MakeLink(In(kUserFolder, "Mail.lnk"), kMailTarget, "-a");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Mail", 0);
  shell.GiveIcon(In(kCommonFolder, "Post.lnk"));
  platform::IconHandle icon = 0;

  EXPECT_EQ(1, engineer.ModifyShcEntry(&icon, "Mail", "Post", "C:\\post.exe", "-b", 0, 1, 1));

  EXPECT_NE(0u, icon);
  EXPECT_TRUE(Files(kUserFolder).empty());
  EXPECT_EQ((Lines{"Post.lnk"}), Files(kCommonFolder));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kShcSelections, "Mail"));
  EXPECT_EQ(0, Flag(HKeyLocalMachine, "Post"));
  std::string target, arguments;
  engineer.GetShortcutInfo("Post", &target, &arguments, 1, 1);
  EXPECT_EQ("C:\\post.exe", target);
  EXPECT_EQ("-b", arguments);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutEditing, ANameChangedOnlyInCaseIsRewrittenInPlace) {
  MakeLink(In(kUserFolder, "Mail.lnk"), kMailTarget, "");
  EXPECT_EQ(1, engineer.ModifyShcEntry(nullptr, "Mail", "MAIL", kMailTarget, "-x", 0, 0, 1));
  EXPECT_EQ((Lines{"Mail.lnk"}), Files(kUserFolder));
  std::string target, arguments;
  engineer.GetShortcutInfo("mail", &target, &arguments, 0, 1);
  EXPECT_EQ("-x", arguments);
}

TEST_F(ShortcutEditing, ModifyingAMissingFileLogsTwice) {
  EXPECT_EQ(0, engineer.ModifyShcEntry(nullptr, "Mail", "Mail", kMailTarget, "", 0, 0, 1));
  EXPECT_EQ((Lines{"--- Error : Unable to load shortcut data", "--- Error : Unable to modify shortcut file"}), Log());
}

TEST_F(ShortcutEditing, ModifiesATakenEntryRenamedAndMovedThroughATemporaryFile) {
  MakeLink(In(kUserFolder, "Mail.lnk"), kMailTarget, "-a");
  engineer.StartWork();
  engineer.SetShcSelection("Mail", 0, 0);
  platform::IconHandle icon = 0;
  shell.GiveIcon(In(kTempCopies, "Post.lnk"));

  EXPECT_EQ(1, engineer.ModifyShcEntry(&icon, "Mail", "Post", "C:\\post.exe", "-b", 0, 1, 0));

  EXPECT_NE(0u, icon);
  EXPECT_TRUE(Files(kCommonFolder).empty());
  EXPECT_TRUE(platform.Names(HKeyCurrentUser, kShc).empty());
  EXPECT_EQ((Lines{"Post"}), platform.Names(HKeyLocalMachine, kShc));
  EXPECT_EQ(0, Flag(HKeyLocalMachine, "Post"));
  std::string target, arguments;
  EXPECT_EQ(1, engineer.GetShortcutInfo("Post", &target, &arguments, 1, 0));
  EXPECT_EQ("C:\\post.exe", target);
  EXPECT_EQ("-b", arguments);
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutEditing, ModifyingAVanishedTakenEntryEndsAtTheFailedRename) {
  EXPECT_EQ(0, engineer.ModifyShcEntry(nullptr, "Mail", "Post", kMailTarget, "", 0, 0, 0));
  EXPECT_EQ((Lines{"--- Error : Unable to rename shortcut entry in stored location HKCU"}), Log());
  EXPECT_TRUE(Files(kUserFolder).empty());
  EXPECT_TRUE(platform.Names(HKeyCurrentUser, kShc).empty());
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kShcSelections, "Post"));
}

TEST_F(ShortcutEditing, RemovesFromTheUsersSideFirst) {
  platform.WriteFile(In(kUserFolder, "Mail.lnk"), "mine");
  platform.WriteFile(In(kCommonFolder, "Mail.lnk"), "ours");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Mail", 1);
  platform.SetNumber(HKeyLocalMachine, kShcSelections, "Mail", 1);
  EXPECT_EQ(1, engineer.RemoveShcEntry("MAIL", 1));
  EXPECT_TRUE(Files(kUserFolder).empty());
  EXPECT_EQ((Lines{"Mail.lnk"}), Files(kCommonFolder));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kShcSelections, "Mail"));
  EXPECT_EQ(1, Flag(HKeyLocalMachine, "Mail"));

  Store(HKeyCurrentUser, "Taken", "t");
  Store(HKeyLocalMachine, "Taken", "t");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Taken", 1);
  EXPECT_EQ(1, engineer.RemoveShcEntry("Taken", 0));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kShc, "Taken"));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kShcSelections, "Taken"));
  EXPECT_TRUE(platform.HasValue(HKeyLocalMachine, kShc, "Taken"));

  EXPECT_EQ(1, engineer.RemoveShcEntry("Nowhere", 0));
  EXPECT_EQ(1, engineer.RemoveShcEntry("Nowhere", 1));
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutEditing, QueriesTellTheSideAndThePath) {
  platform.WriteFile(In(kUserFolder, "MAIL.lnk"), "x");
  Store(HKeyCurrentUser, "MAIL", "x");
  Store(HKeyLocalMachine, "Both", "x");
  EXPECT_EQ(0, engineer.IsShortcutPublic("Mail", 1));  // the folder ignores case
  EXPECT_EQ(1, engineer.IsShortcutPublic("Mail", 0));  // the stored location does not
  EXPECT_EQ(0, engineer.IsShortcutPublic("MAIL", 0));
  EXPECT_EQ(1, engineer.IsShortcutPublic("Nowhere", 1));

  FakeEditField field;
  EXPECT_EQ(1, engineer.RetrieveShcPath(&field, "Mail", 1));
  EXPECT_EQ(In(kUserFolder, "Mail.lnk"), field.text);
  EXPECT_EQ(1, engineer.RetrieveShcPath(&field, "Both", 0));
  EXPECT_EQ(In(kCommonFolder, "Both.lnk"), field.text);
  EXPECT_EQ(0, engineer.RetrieveShcPath(nullptr, "Both", 0));
}

TEST_F(ShortcutEditing, SelectionIsWrittenOnlyForAnEntryThatExists) {
  Store(HKeyCurrentUser, "Mail", "x");
  EXPECT_EQ(1, engineer.SetShcSelection("Mail", 0, 0));
  EXPECT_EQ(0, Flag(HKeyCurrentUser, "Mail"));
  EXPECT_EQ(0, engineer.SetShcSelection("Nowhere", 1, 0));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kShcSelections, "Nowhere"));
  platform.WriteFile(In(kCommonFolder, "Ours.lnk"), "x");
  EXPECT_EQ(1, engineer.SetShcSelection("ours", 1, 1));
  EXPECT_EQ(1, Flag(HKeyLocalMachine, "ours"));
}

TEST_F(ShortcutEditing, InfoOnTheWrongSideIsALoadFailure) {
  MakeLink(In(kUserFolder, "Mail.lnk"), kMailTarget, "");
  engineer.StartWork();
  std::string target = "unchanged", arguments = "unchanged";
  EXPECT_EQ(0, engineer.GetShortcutInfo("Mail", &target, &arguments, 1, 0));
  EXPECT_EQ(0, engineer.GetShortcutInfo("Mail", nullptr, &arguments, 0, 0));
  EXPECT_EQ("unchanged", target);
  EXPECT_EQ((Lines{"--- Error : Unable to load shortcut data"}), Log());
}

// An edit onto a name that another entry holds, letter case aside, would land
// on that entry, and a name that is no plain file name would put the file
// outside its folder: refused with the operation's own failure line, and
// nothing changes, also where the place cannot be listed. Private is the
// user's side, public the all-users side.
TEST_F(ShortcutEditing, EditsOntoAnotherEntrysNameAreRefusedAndChangeNothing) {
  using Edit = std::function<int(CShortcutEngineer&)>;
  struct Case {
    const char* what;
    int inRegistry;
    Edit edit;
    const char* failure;
  };
  const Case cases[] = {
      {"move to the side that holds the name", 1,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Mail", "Mail", "C:\\new.exe", "", 0, 1, 1); },
       "Unable to rename shortcut file"},
      {"move to the side that holds the name, taken", 0,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Mail", "Mail", "C:\\new.exe", "", 0, 1, 0); },
       "Unable to move shortcut entry to new location"},
      {"rename and move onto the other side's name, taken", 0,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Post", "Pub", "C:\\new.exe", "", 0, 1, 0); },
       "Unable to move shortcut entry to new location"},
      {"rename onto the exact name", 1,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Post", "Mail", "C:\\new.exe", "", 0, 0, 1); },
       "Unable to rename shortcut file"},
      {"rename onto the exact name, taken", 0,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Post", "Mail", "C:\\new.exe", "", 0, 0, 0); },
       "Unable to rename shortcut entry in stored location HKCU"},
      {"rename onto the exact name, the folder unlistable", 1,
       [this](CShortcutEngineer& e) {
         FolderGuard guard(platform.files, kUserFolder, FolderGuard::kListing);
         platform::ScopedService<platform::IFileSystem> slot(&guard);
         return e.ModifyShcEntry(nullptr, "Post", "Mail", "C:\\new.exe", "", 0, 0, 1);
       },
       "Unable to rename shortcut file"},
      {"rename onto the exact name, taken, the stored names unlistable", 0,
       [this](CShortcutEngineer& e) {
         FailingRegistryStore failing(platform.registry);
         failing.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::EnumValue; };
         platform::ScopedService<platform::IRegistryStore> slot(&failing);
         return e.ModifyShcEntry(nullptr, "Post", "Mail", "C:\\new.exe", "", 0, 0, 0);
       },
       "Unable to rename shortcut entry in stored location HKCU"},
      {"rename onto a flag left over, the move refused", 1,
       [this](CShortcutEngineer& e) {
         FolderGuard guard(platform.files, kUserFolder);
         platform::ScopedService<platform::IFileSystem> slot(&guard);
         return e.ModifyShcEntry(nullptr, "Post", "Gone", "C:\\new.exe", "", 0, 0, 1);
       },
       "Unable to rename shortcut file"},
      {"rename to a name with a folder", 1,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Post", "..\\Post", "C:\\new.exe", "", 0, 0, 1); },
       "Unable to rename shortcut file"},
      {"rename to a device name, taken", 0,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Post", "com1", "C:\\new.exe", "", 0, 0, 0); },
       "Unable to rename shortcut entry in stored location HKCU"},
      {"create with a folder in the name", 1,
       [](CShortcutEngineer& e) { return e.CreateShcEntry(nullptr, "..\\Fresh", "C:\\new.exe", "", 0, 1); },
       "Unable to create shortcut in user folder"},
      {"create a device name, taken", 0,
       [](CShortcutEngineer& e) { return e.CreateShcEntry(nullptr, "Nul.txt", "C:\\new.exe", "", 1, 0); },
       "Unable to create temp shortcut in common folder"},
      {"rename onto a case variant", 1,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Post", "mail", "C:\\new.exe", "", 0, 0, 1); },
       "Unable to rename shortcut file"},
      {"rename onto a case variant, taken", 0,
       [](CShortcutEngineer& e) { return e.ModifyShcEntry(nullptr, "Post", "mail", "C:\\new.exe", "", 0, 0, 0); },
       "Unable to rename shortcut entry in stored location HKCU"},
      {"create a case variant", 1,
       [](CShortcutEngineer& e) { return e.CreateShcEntry(nullptr, "mail", "C:\\new.exe", "", 0, 1); },
       "Unable to create shortcut in user folder"},
      {"create a case variant, taken", 0,
       [](CShortcutEngineer& e) { return e.CreateShcEntry(nullptr, "MAIL", "C:\\new.exe", "", 1, 0); },
       "Unable to create temp shortcut in common folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Clear();
    // Mine: Mail and Post; ours: Mail and Pub. Each with its own target and flag.
    for (auto [root, folder, name, flag] : {std::tuple{HKeyCurrentUser, kUserFolder, "Mail", 0},
                                           std::tuple{HKeyCurrentUser, kUserFolder, "Post", 1},
                                           std::tuple{HKeyLocalMachine, kCommonFolder, "Mail", 0},
                                           std::tuple{HKeyLocalMachine, kCommonFolder, "Pub", 1}}) {
      std::string bytes = LinkBytes(std::string("C:\\") + name + (root == HKeyCurrentUser ? "-mine" : "-ours"));
      if (c.inRegistry == 1)
        platform.WriteFile(In(folder, std::string(name) + ".lnk"), bytes);
      else
        Store(root, name, bytes);
      platform.SetNumber(root, kShcSelections, name, flag);
    }
    platform.SetNumber(HKeyCurrentUser, kShcSelections, "Gone", 0);  // of an entry removed by hand
    const std::string before = Everything();

    EXPECT_EQ(0, c.edit(engineer));

    EXPECT_EQ(before, Everything());
    EXPECT_EQ((Lines{std::string("--- Error : ") + c.failure}), Log());
  }
}

// The exact name, and a change of letter case of the entry itself, are no
// other entry's name: the edit goes through and the entry is kept.
TEST_F(ShortcutEditing, TheSameNameAndACaseOnlyRenameOfItselfAreKept) {
  struct Case {
    const char* what;
    int inRegistry;
    const char* oldName;  // empty: create
    const char* newName;
  };
  const Case cases[] = {
      {"case-only rename", 1, "mail", "Mail"},        {"case-only rename, taken", 0, "mail", "Mail"},
      {"create over the same name", 1, "", "mail"},   {"create over the same name, taken", 0, "", "mail"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Clear();
    if (c.inRegistry == 1)
      platform.WriteFile(In(kUserFolder, "mail.lnk"), LinkBytes("C:\\old.exe"));
    else
      Store(HKeyCurrentUser, "mail", LinkBytes("C:\\old.exe"));
    int result = *c.oldName ? engineer.ModifyShcEntry(nullptr, c.oldName, c.newName, "C:\\new.exe", "", 0, 0, c.inRegistry)
                            : engineer.CreateShcEntry(nullptr, c.newName, "C:\\new.exe", "", 0, c.inRegistry);
    EXPECT_EQ(1, result);
    EXPECT_EQ(c.inRegistry == 1 ? 1u : 0u, Files(kUserFolder).size());
    EXPECT_EQ(c.inRegistry == 1 ? 0u : 1u, platform.Names(HKeyCurrentUser, kShc).size());
    std::string target, arguments;
    EXPECT_EQ(1, engineer.GetShortcutInfo("mail", &target, &arguments, 0, c.inRegistry));
    EXPECT_EQ("C:\\new.exe", target);
    EXPECT_TRUE(Log().empty());
  }
}

// The link object empties a file before it writes it: a save killed in
// between must never cost the shortcut. Saves go to a partial file that is
// renamed over the shortcut only once it is whole.
TEST_F(ShortcutEditing, ASaveKilledHalfWayCostsNoShortcut) {
  struct DyingSave : platform::PortableShellLink {
    long Save(const std::string& file) override {
      platform::Current<platform::IFileSystem>()->WriteAll(file, {});
      return platform::kLinkFail;
    }
  };
  const std::string good = LinkBytes("C:\\mail.exe", "-check");
  for (int inRegistry : {1, 0}) {
    SCOPED_TRACE(inRegistry);
    Clear();
    platform.WriteFile(In(kUserFolder, "Mail.lnk"), good);
    if (inRegistry != 1) engineer.StartWork();
    {
      DyingSave dying;
      platform::ScopedService<platform::ILinkObject> slot(&dying);
      EXPECT_EQ(0, engineer.ModifyShcEntry(nullptr, "Mail", "Mail", "C:\\other.exe", "", 0, 0, inRegistry));
      EXPECT_EQ(0, engineer.CreateShcEntry(nullptr, "Post", "C:\\post.exe", "", 0, inRegistry));
    }
    // Two log-on cycles later the shortcut stands whole where it was.
    for (int cycle = 0; cycle < 2; ++cycle) {
      engineer.ReturnShcEntries();
      engineer.StartWork();
    }
    engineer.ReturnShcEntries();
    EXPECT_EQ(good, platform.ReadFile(In(kUserFolder, "Mail.lnk")));
    EXPECT_EQ(good, Stored(HKeyCurrentUser, "Mail"));
    EXPECT_FALSE(platform.FileExists(In(kUserFolder, "Post.lnk")));
  }
}

}  // namespace
}  // namespace qm::test
