// Taking, returning, restoring and verifying shortcut files.
#include <filesystem>
#include <functional>

#include "tests/shortcuts/ShortcutFixture.h"
#include "tests/support/FailingRegistryStore.h"

namespace qm::test {
namespace {

using Lines = std::vector<std::string>;
using ShortcutStorage = ShortcutTest;

TEST_F(ShortcutStorage, TakesOnlyLnkFilesWhateverTheirCaseAndNoFolders) {
  platform.WriteFile(In(kUserFolder, "A.lnk"), "alpha");
  platform.WriteFile(In(kUserFolder, "b.LNK"), "bravo");
  platform.WriteFile(In(kUserFolder, "notes.txt"), "text");
  platform.WriteFile(In(kUserFolder, "c.lnkx"), "no");
  platform.MakeFolder(In(kUserFolder, "Sub.lnk"));

  EXPECT_EQ(1, engineer.StartWork());

  EXPECT_EQ((Lines{"A", "b"}), platform.Names(HKeyCurrentUser, kShc));
  EXPECT_EQ("alpha", Stored(HKeyCurrentUser, "A"));
  EXPECT_EQ("bravo", Stored(HKeyCurrentUser, "b"));
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "A"));
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "b"));
  EXPECT_EQ((Lines{"c.lnkx", "notes.txt", "Sub.lnk"}), Files(kUserFolder));
  EXPECT_TRUE(platform.Names(HKeyLocalMachine, kShc).empty());

  EXPECT_EQ(1, engineer.ReturnShcEntries());
  EXPECT_EQ((Lines{"A.lnk", "b.lnk", "c.lnkx", "notes.txt", "Sub.lnk"}), Files(kUserFolder));
  EXPECT_EQ("alpha", platform.ReadFile(In(kUserFolder, "A.lnk")));
  EXPECT_EQ("bravo", platform.ReadFile(In(kUserFolder, "b.lnk")));
  // Returning leaves the stored data and the flags for the next take.
  EXPECT_EQ("alpha", Stored(HKeyCurrentUser, "A"));
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "A"));
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutStorage, StoresEveryByteUnchanged) {
  std::string bytes;
  for (int i = 0; i < 1234; ++i) bytes += static_cast<char>((i * 7) & 0xFF);
  bytes[0] = '\0';
  platform.WriteFile(In(kUserFolder, "Mail Check.lnk"), bytes);
  engineer.TakeShcEntries();
  EXPECT_EQ(bytes, Stored(HKeyCurrentUser, "Mail Check"));
  EXPECT_FALSE(platform.FileExists(In(kUserFolder, "Mail Check.lnk")));
  engineer.ReturnShcEntries();
  EXPECT_EQ(bytes, platform.ReadFile(In(kUserFolder, "Mail Check.lnk")));
}

TEST_F(ShortcutStorage, EachFolderBelongsToItsOwnRootAndTheSameNameMakesTwoEntries) {
  platform.WriteFile(In(kUserFolder, "Mail.lnk"), "mine");
  platform.WriteFile(In(kCommonFolder, "Mail.lnk"), "ours");
  platform.WriteFile(In(kCommonFolder, "Backup.lnk"), "backup");
  engineer.StartWork();
  EXPECT_EQ((Lines{"Mail"}), platform.Names(HKeyCurrentUser, kShc));
  EXPECT_EQ((Lines{"Backup", "Mail"}), platform.Names(HKeyLocalMachine, kShc));
  EXPECT_EQ("mine", Stored(HKeyCurrentUser, "Mail"));
  EXPECT_EQ("ours", Stored(HKeyLocalMachine, "Mail"));
  EXPECT_EQ(1, Flag(HKeyLocalMachine, "Backup"));
  engineer.ReturnShcEntries();
  EXPECT_EQ("mine", platform.ReadFile(In(kUserFolder, "Mail.lnk")));
  EXPECT_EQ("ours", platform.ReadFile(In(kCommonFolder, "Mail.lnk")));
  EXPECT_EQ((Lines{"Mail.lnk"}), Files(kUserFolder));
}

TEST_F(ShortcutStorage, TheCycleKeepsFlagsForgetsDeletedShortcutsAndTakesEditedOnes) {
  platform.WriteFile(In(kUserFolder, "Keep.lnk"), "v1");
  platform.WriteFile(In(kUserFolder, "Gone.lnk"), "gone");
  platform.WriteFile(In(kUserFolder, "Off.lnk"), "off");
  engineer.StartWork();
  engineer.SetShcSelection("Off", 0, 0);
  engineer.ReturnShcEntries();

  std::filesystem::remove(platform.Host(In(kUserFolder, "Gone.lnk")));
  // A return before the next take keeps the deletion.
  engineer.ReturnShcEntries();
  EXPECT_FALSE(platform.FileExists(In(kUserFolder, "Gone.lnk")));
  platform.WriteFile(In(kUserFolder, "Keep.lnk"), "v2");
  platform.WriteFile(In(kUserFolder, "New.lnk"), "new");
  engineer.StartWork();

  EXPECT_EQ((Lines{"Keep", "Off", "New"}), platform.Names(HKeyCurrentUser, kShc));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kShcSelections, "Gone"));
  EXPECT_EQ("v2", Stored(HKeyCurrentUser, "Keep"));
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "Keep"));
  EXPECT_EQ(0, Flag(HKeyCurrentUser, "Off"));
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "New"));
  EXPECT_TRUE(Files(kUserFolder).empty());
}

TEST_F(ShortcutStorage, VerifyIgnoresLetterCaseAndJudgesEachRootByItsOwnFolder) {
  // Both roots stand returned, as after a ReturnShcEntries that wrote every file.
  platform.SetNumber(HKeyCurrentUser, "Software\\Tarnwick\\Quill Moor", "Shc Entries Returned", 1);
  platform.SetNumber(HKeyLocalMachine, "Software\\Tarnwick\\Quill Moor", "Shc Entries Returned", 1);
  Store(HKeyCurrentUser, "Mail", "old");
  platform.SetNumber(HKeyCurrentUser, kShcSelections, "Mail", 0);
  Store(HKeyLocalMachine, "Public", "p");
  platform.SetNumber(HKeyLocalMachine, kShcSelections, "Public", 1);
  platform.WriteFile(In(kUserFolder, "MAIL.lnk"), "new");
  platform.WriteFile(In(kUserFolder, "Public.lnk"), "private copy");

  engineer.StartWork();

  EXPECT_EQ("new", Stored(HKeyCurrentUser, "Mail"));
  EXPECT_EQ(0, Flag(HKeyCurrentUser, "Mail"));
  EXPECT_EQ("private copy", Stored(HKeyCurrentUser, "Public"));
  EXPECT_FALSE(platform.HasValue(HKeyLocalMachine, kShc, "Public"));
  EXPECT_FALSE(platform.HasValue(HKeyLocalMachine, kShcSelections, "Public"));
}

TEST_F(ShortcutStorage, ReturnAndRestoreWriteEmptyDataBackAsAnEmptyFile) {
  Store(HKeyCurrentUser, "Empty", "");
  Store(HKeyCurrentUser, "Full", "data");
  EXPECT_EQ(1, engineer.ReturnShcEntries());
  EXPECT_EQ((Lines{"Empty.lnk", "Full.lnk"}), Files(kUserFolder));
  EXPECT_EQ(1, engineer.RestoreShcEntries());
  EXPECT_EQ((Lines{"Empty.lnk", "Full.lnk"}), Files(kUserFolder));
  EXPECT_EQ("", platform.ReadFile(In(kUserFolder, "Empty.lnk")));
}

// A file that stands in the folder under a stored name when the shortcuts go
// back. Return and restore follow one rule: a whole file wins and refreshes
// the stored copy; one that is empty or cut off (a save killed half way, a
// full disk) never replaces anything, and a whole stored copy is written back
// over it. The next log-on then still finds the shortcut, whole.
TEST_F(ShortcutStorage, AStandingFileWinsOnlyWhenItIsWhole) {
  const std::string good = LinkBytes("C:\\good.exe", "-a");
  const std::string newer = LinkBytes("C:\\newer.exe", "-b");
  struct Case {
    const char* what;
    std::string standing, stored;
    std::string fileAfter, storedAfter;
    std::string takenAfter;  // stored after the next log-on's take
  };
  const Case cases[] = {
      {"whole file, whole copy", newer, good, newer, newer, newer},
      {"empty file, whole copy", "", good, good, good, good},
      {"cut-off file, whole copy", newer.substr(0, newer.size() / 2), good, good, good, good},
      {"whole file, broken copy", newer, "junk", newer, newer, newer},
      {"neither whole", "", "junk", "", "junk", ""},
  };
  for (bool restore : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (restore ? ", restore" : ", return"));
      Clear();
      Store(HKeyCurrentUser, "Mail", c.stored);
      Store(HKeyCurrentUser, "Post", good);
      platform.WriteFile(In(kUserFolder, "MAIL.lnk"), c.standing);

      EXPECT_EQ(1, restore ? engineer.RestoreShcEntries() : engineer.ReturnShcEntries());
      EXPECT_EQ(c.fileAfter, platform.ReadFile(In(kUserFolder, "MAIL.lnk")));
      EXPECT_EQ(c.storedAfter, Stored(HKeyCurrentUser, "Mail"));
      EXPECT_EQ(good, platform.ReadFile(In(kUserFolder, "Post.lnk")));
      EXPECT_EQ((Lines{"MAIL.lnk", "Post.lnk"}), Files(kUserFolder));  // and no partial file
      EXPECT_EQ(1, platform.Number(HKeyCurrentUser, "Software\\Tarnwick\\Quill Moor", "Shc Entries Returned"));

      // The next log-on takes what stands; a whole copy is never given up for a broken file.
      engineer.StartWork();
      EXPECT_EQ(c.takenAfter, Stored(HKeyCurrentUser, "Mail"));
      EXPECT_EQ(good, Stored(HKeyCurrentUser, "Post"));
      engineer.ReturnShcEntries();
      EXPECT_EQ(c.fileAfter, platform.ReadFile(In(kUserFolder, "MAIL.lnk")));
    }
  }
}

// A root stands returned only when every stored name that was due is in its
// folder. What cannot be carried back stays stored, is logged once, and no
// later name is left behind for it.
TEST_F(ShortcutStorage, WhatCannotBeReturnedStaysStoredAndLeavesTheRootUnmarked) {
  const std::string tooLong(215, 'x');  // the folder, this name and ".lnk" need 261 bytes
  struct Case {
    const char* what;
    std::function<void(TestPlatform&)> obstacle;
    Lines log;
  };
  const Case cases[] = {
      {"a name too long for the folder", [&](TestPlatform&) { Store(HKeyCurrentUser, tooLong, LinkBytes("C:\\x.exe")); },
       {"--- Error : Shortcut name too long for its startup folder: " + tooLong}},
      {"a folder in the way of the file", [&](TestPlatform& machine) {
         Store(HKeyCurrentUser, "Blocked", LinkBytes("C:\\x.exe"));
         machine.MakeFolder(In(kUserFolder, "Blocked.lnk"));
       }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Clear();
    c.obstacle(platform);
    Store(HKeyCurrentUser, "Zulu", LinkBytes("C:\\z.exe"));
    platform.SetNumber(HKeyCurrentUser, kShcSelections, "Zulu", 0);

    EXPECT_EQ(1, engineer.ReturnShcEntries());
    EXPECT_TRUE(platform.FileExists(In(kUserFolder, "Zulu.lnk")));
    EXPECT_EQ(-1, platform.Number(HKeyCurrentUser, "Software\\Tarnwick\\Quill Moor", "Shc Entries Returned"));
    EXPECT_EQ(c.log, Log());

    // The next log-on forgets nothing and changes no choice.
    engineer.StartWork();
    EXPECT_EQ(2u, platform.Names(HKeyCurrentUser, kShc).size());
    EXPECT_EQ(0, Flag(HKeyCurrentUser, "Zulu"));
  }
}

// A folder that cannot be listed is never taken for an empty one: verify,
// take and return leave its root alone and say so; a flag update that
// cannot list the flags writes none.
TEST_F(ShortcutStorage, AListingThatFailsSkipsItsRootAndSaysSo) {
  const std::string mail = LinkBytes("C:\\mail.exe");
  platform.WriteFile(In(kUserFolder, "Mail.lnk"), mail);
  platform.WriteFile(In(kCommonFolder, "Ours.lnk"), mail);
  engineer.StartWork();
  engineer.SetShcSelection("Mail", 0, 0);
  engineer.ReturnShcEntries();
  platform.WriteFile(In(kUserFolder, "New.lnk"), mail);
  const std::string listing = "--- Error : Unable to list shortcut files in user folder";
  {
    FolderGuard files(platform.files, kUserFolder, FolderGuard::kListing);
    platform::ScopedService<platform::IFileSystem> slot(&files);
    engineer.StartWork();  // verify and take
    EXPECT_EQ((Lines{"Mail.lnk", "New.lnk"}), Files(kUserFolder));
    EXPECT_TRUE(Files(kCommonFolder).empty());
    engineer.ReturnShcEntries();
    EXPECT_EQ((Lines{"Ours.lnk"}), Files(kCommonFolder));
  }
  EXPECT_EQ((Lines{listing, listing, listing}), Log());
  EXPECT_EQ(mail, Stored(HKeyCurrentUser, "Mail"));
  EXPECT_EQ(0, Flag(HKeyCurrentUser, "Mail"));

  platform.WriteFile(platform.LogPath(), "");
  engineer.TakeShcEntries();
  {
    FailingRegistryStore store(platform.registry);
    store.failWhen = [](StoreCall call, const std::string& path) { return call == StoreCall::Open && path == kShcSelections; };
    platform::ScopedService<platform::IRegistryStore> slot(&store);
    engineer.UpdateShcSelections();
  }
  EXPECT_EQ((Lines{"--- Error : Unable to update shortcut selections in stored location HKCU",
                   "--- Error : Unable to update shortcut selections in stored location HKLM"}),
            Log());
  EXPECT_EQ(0, Flag(HKeyCurrentUser, "Mail"));
  EXPECT_EQ(-1, Flag(HKeyCurrentUser, "New"));
}

TEST_F(ShortcutStorage, AFileThatCannotBeWrittenLeavesNothingBehind) {
  // A folder in the way of the file: the write cannot complete.
  platform.MakeFolder(In(kUserFolder, "Mail.lnk"));
  Store(HKeyCurrentUser, "Mail", "data");
  Store(HKeyCurrentUser, "Other", "other");
  EXPECT_EQ(1, engineer.RestoreShcEntries());
  EXPECT_EQ((Lines{"Mail.lnk", "Other.lnk"}), Files(kUserFolder));
  EXPECT_TRUE(platform.files.IsDirectory(In(kUserFolder, "Mail.lnk")));
  EXPECT_EQ("other", platform.ReadFile(In(kUserFolder, "Other.lnk")));
}

TEST_F(ShortcutStorage, APartialFileLeftByAnUnfinishedWriteIsClearedByTheNextReturn) {
  platform.WriteFile(In(kUserFolder, "~qmwrite.tmp"), "half a shortcut");
  EXPECT_EQ(1, engineer.ReturnShcEntries());
  EXPECT_TRUE(Files(kUserFolder).empty());
}

TEST_F(ShortcutStorage, AStoredLocationNeverMadeHoldsNothingToGiveBack) {
  CRegistry().DeleteKey(HKeyCurrentUser, kShc, "Selections");
  CRegistry().DeleteKey(HKeyCurrentUser, "Software\\Tarnwick\\Quill Moor", "Shc");
  Store(HKeyLocalMachine, "Public", "p");
  EXPECT_EQ(1, engineer.ReturnShcEntries());
  EXPECT_EQ(1, engineer.RestoreShcEntries());
  EXPECT_EQ((Lines{"Public.lnk"}), Files(kCommonFolder));
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutStorage, AnUnreadableFolderPathSkipsOnlyItsRoot) {
  CRegistry().DeleteValue(HKeyCurrentUser, kShellFolders, "Startup");
  Store(HKeyCurrentUser, "Mine", "m");
  Store(HKeyLocalMachine, "Ours", "o");
  EXPECT_EQ(1, engineer.ReturnShcEntries());
  EXPECT_EQ((Lines{"Ours.lnk"}), Files(kCommonFolder));
  EXPECT_EQ(1, engineer.StartWork());
  EXPECT_EQ("m", Stored(HKeyCurrentUser, "Mine"));  // not judged against an unknown folder
  EXPECT_TRUE(Files(kCommonFolder).empty());
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutStorage, ATakeIntoAMissingStoredLocationLeavesTheFile) {
  CRegistry().DeleteKey(HKeyLocalMachine, kShc, "Selections");
  CRegistry().DeleteKey(HKeyLocalMachine, "Software\\Tarnwick\\Quill Moor", "Shc");
  platform.WriteFile(In(kCommonFolder, "Ours.lnk"), "o");
  engineer.StartWork();
  EXPECT_EQ((Lines{"Ours.lnk"}), Files(kCommonFolder));
  EXPECT_TRUE(Log().empty());
}

TEST_F(ShortcutStorage, PresenceIgnoresCaseButNotTheExtension) {
  platform.WriteFile(In(kUserFolder, "mail.lnk"), "x");
  platform.WriteFile(In(kCommonFolder, "Mail.txt"), "x");
  EXPECT_EQ(1, engineer.IsShortcutPresent(HKeyCurrentUser, "Mail"));
  EXPECT_EQ(0, engineer.IsShortcutPresent(HKeyLocalMachine, "Mail"));
  EXPECT_EQ(0, engineer.IsShortcutPresent(0, "Mail"));
  EXPECT_EQ(0, engineer.IsShortcutPresent(0x80000000u, "Mail"));
}

}  // namespace
}  // namespace qm::test
