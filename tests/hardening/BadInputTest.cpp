// What users' machines really hold: names and command lines too long for the
// program's buffers, values of other types than text, keys that are missing.
// Each gets the result the program promises, and no entry is lost.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "tests/support/FakeShell.h"
#include "tests/support/FakeTreeControl.h"
#include "tests/support/TestPlatform.h"
#include "tests/shortcuts/ShortcutFixture.h"
#include "platform/Text.h"

namespace qm {
namespace {

using namespace entries;
using Names = std::vector<std::string>;

class BadInput : public testing::Test {
 protected:
  BadInput() {
    platform.StartLog();
    CRegistry reg;
    reg.CreateKey(HKeyCurrentUser, kRunKey);
    reg.CreateKey(HKeyLocalMachine, kRunKey);
    reg.CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
    reg.CreateKey(HKeyLocalMachine, kStoredRunSelectionsKey);
  }
  // Every value name of a key, however long: asked of the store itself, past
  // the program's own 260-byte buffers.
  Names AllNames(RegKey root, const char* path) {
    Names names;
    platform::RegKey key = 0;
    if (platform.registry.OpenKey(root, path, platform::kKeyRead, &key) != 0) return names;
    char name[1024];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t size = sizeof(name);
      if (platform.registry.EnumValue(key, i, name, &size, nullptr, nullptr, nullptr) != 0) break;
      names.emplace_back(name, size);
    }
    platform.registry.CloseKey(key);
    return names;
  }
  void Cycle() {
    startups.StartWork();
    startups.ReturnRunEntries();
  }
  test::TestPlatform platform;
  CStartupEngineer startups;
};

TEST_F(BadInput, ValuesTooLongForTheBuffersStayWhereWindowsReadsThemAndHoldNothingBack) {
  // Memory order: the long ones come before "After", which is still taken and returned.
  std::string longName(300, 'N');
  std::string longLine = "C:\\" + std::string(300, 'd') + "\\tool.exe";
  platform.SetText(HKeyCurrentUser, kRunKey, "Short", "C:\\short.exe ");
  platform.SetText(HKeyCurrentUser, kRunKey, longName, "C:\\named.exe ");
  platform.SetText(HKeyCurrentUser, kRunKey, "Long", longLine);
  platform.SetText(HKeyCurrentUser, kRunKey, "After", "C:\\after.exe ");

  EXPECT_EQ(1, startups.StartWork());
  EXPECT_EQ((Names{"Short", "After"}), platform.Names(HKeyCurrentUser, kStoredRunKey));
  EXPECT_EQ(longLine, [&] {
    std::vector<std::uint8_t> data(400);
    std::uint32_t size = 400;
    CRegistry().GetValue(HKeyCurrentUser, kRunKey, "Long", data.data(), &size);
    return std::string(reinterpret_cast<char*>(data.data()), size - 1);
  }());
  EXPECT_EQ((Names{longName, "Long"}), AllNames(HKeyCurrentUser, kRunKey));
  // One line for each value left behind, naming it where its name can be read.
  EXPECT_EQ((Names{"--- Error : Run entry of HKCU too long to carry, left where it stands: Long",
                   "--- Error : Run entry of HKCU with a name too long to carry, left where it stands"}),
            platform.LogLines());

  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_EQ("C:\\short.exe ", platform.Text(HKeyCurrentUser, kRunKey, "Short"));
  EXPECT_EQ((Names{longName, "Long", "Short", "After"}), AllNames(HKeyCurrentUser, kRunKey));
  Cycle();
  EXPECT_EQ((Names{"Short", "After"}), platform.Names(HKeyCurrentUser, kStoredRunKey));
  EXPECT_EQ((Names{longName, "Long", "Short", "After"}), AllNames(HKeyCurrentUser, kRunKey));
}

TEST_F(BadInput, EditsRefuseCommandLinesThatCouldNotBeReadBack) {
  std::string path = "C:\\" + std::string(250, 'p') + ".exe";
  EXPECT_EQ(0, startups.CreateRunEntry("Long", path, "-arg", 0, 1));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kRunKey, "Long"));
  EXPECT_EQ((Names{"--- Error : Unable to create startup entry in registry HKCU"}), platform.LogLines());
}

TEST_F(BadInput, ValuesOfOtherTypesKeepTheirTypeAndBytesThroughACycle) {
  CRegistry reg;
  const std::uint8_t blob[] = {0x43, 0x3A, 0x00, 0xFF, 0x10};
  reg.SetValue(HKeyCurrentUser, kRunKey, "Blob", blob, sizeof(blob));
  reg.SetValue(HKeyCurrentUser, kRunKey, "Number", std::uint32_t{0xDEADBEEF});
  platform::RegKey key = 0;
  platform.registry.OpenKey(HKeyCurrentUser, kRunKey, platform::kKeyReadWrite, &key);
  const char expand[] = "%ProgramFiles%\\Tool\\tool.exe /tray";
  platform.registry.SetValue(key, "Expand", 2, reinterpret_cast<const std::uint8_t*>(expand), sizeof(expand));
  platform.registry.CloseKey(key);

  Cycle();
  std::uint8_t data[16] = {};
  std::uint32_t size = sizeof(data), type = 0;
  platform.registry.OpenKey(HKeyCurrentUser, kRunKey, platform::kKeyReadWrite, &key);
  ASSERT_EQ(0, platform.registry.QueryValue(key, "Blob", &type, data, &size));
  EXPECT_EQ(platform::kRegBinary, type);
  EXPECT_EQ(0, std::memcmp(data, blob, sizeof(blob)));
  size = sizeof(data);
  ASSERT_EQ(0, platform.registry.QueryValue(key, "Number", &type, data, &size));
  EXPECT_EQ(platform::kRegDword, type);
  char text[64] = {};
  size = sizeof(text);
  ASSERT_EQ(0, platform.registry.QueryValue(key, "Expand", &type, reinterpret_cast<std::uint8_t*>(text), &size));
  EXPECT_EQ(2u, type);
  EXPECT_STREQ(expand, text);
  platform.registry.CloseKey(key);

  // Shown and started as the text they read as, without harm.
  test::FakeShell shell;
  platform::ScopedService<platform::IShell> shellSlot(&shell);
  test::FakeTreeControl tree;
  platform::TreeItem startupsItem = tree.InsertItem(0, "Startups", 1, 1);
  EXPECT_EQ(1, startups.PopulateRunEntries(&tree, startupsItem, 1));
  EXPECT_EQ(3u, tree.Children(startupsItem).size());
}

TEST_F(BadInput, MissingKeysGiveTheirErrorLineAndChangeNothing) {
  // No stored location at all: nothing to give back, which is no failure.
  CRegistry().DeleteKey(HKeyCurrentUser, kStoredRunKey, "Selections");
  CRegistry().DeleteKey(HKeyCurrentUser, kProductKey, "Run");
  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_EQ(1, CServiceEngineer().ReturnRunServiceEntries());
  // No Windows RunServices key: nothing to take, and no failure.
  EXPECT_EQ(1, CServiceEngineer().TakeRunServiceEntries());
  EXPECT_TRUE(platform.LogLines().empty());
  // Verify and flag updates on missing keys neither fail nor write anything.
  EXPECT_EQ(1, CServiceEngineer().StartWork());
  EXPECT_FALSE(CRegistry().CreateKey(0, kStoredRunServicesKey));
  Names none;
  EXPECT_EQ(0, CRegistry().EnumerateValueNames(HKeyLocalMachine, kStoredRunServicesKey, &none));
}

// ---------------------------------------------------------------------------
// Shortcuts: what startup folders and the stored location really hold.

constexpr char kProduct[] = "Software\\Tarnwick\\Quill Moor";

class ShortcutBadInput : public test::ShortcutTest {
 protected:
  void Cycle() {
    engineer.StartWork();
    engineer.ReturnShcEntries();
  }
};

TEST_F(ShortcutBadInput, EmptyAndJunkFilesAreCarriedByteForByte) {
  const char junkBytes[] = "\x4C\0\0\0junk\xFF\x00\x01 not a link";
  const std::string junk(junkBytes, sizeof(junkBytes) - 1);
  platform.WriteFile(In(test::kUserFolder, "Junk.lnk"), junk);
  platform.WriteFile(In(test::kUserFolder, "Empty.lnk"), "");

  engineer.StartWork();
  EXPECT_TRUE(Files(test::kUserFolder).empty());
  EXPECT_EQ(junk, Stored(HKeyCurrentUser, "Junk"));
  EXPECT_EQ("", Stored(HKeyCurrentUser, "Empty"));
  // Neither can be read as a link: the clear line, and nothing changes.
  std::string target = "unchanged", arguments = "unchanged";
  EXPECT_EQ(0, engineer.GetShortcutInfo("Junk", &target, &arguments, 0, 0));
  EXPECT_EQ(0, engineer.GetShortcutInfo("Empty", &target, &arguments, 0, 0));
  EXPECT_EQ("unchanged", target);
  EXPECT_EQ(0, engineer.ModifyShcEntry(nullptr, "Junk", "Junk", "C:\\x.exe", "", 0, 0, 0));
  EXPECT_EQ(junk, Stored(HKeyCurrentUser, "Junk"));

  // Returned as they were, the empty one too: it was the user's file.
  engineer.ReturnShcEntries();
  EXPECT_EQ(junk, platform.ReadFile(In(test::kUserFolder, "Junk.lnk")));
  EXPECT_TRUE(platform.FileExists(In(test::kUserFolder, "Empty.lnk")));
  EXPECT_EQ("", platform.ReadFile(In(test::kUserFolder, "Empty.lnk")));
  EXPECT_EQ((Names{"--- Error : Unable to load shortcut data", "--- Error : Unable to load shortcut data",
                   "--- Error : Unable to load shortcut data", "--- Error : Unable to modify shortcut data"}),
            Log());
}

TEST_F(ShortcutBadInput, AFolderNamedLikeAShortcutIsNoEntryAndBlocksNothingElse) {
  platform.MakeFolder(In(test::kUserFolder, "Tools.lnk"));
  platform.WriteFile(In(test::kUserFolder, "Tools.lnk\\inner.lnk"), "inner");
  platform.WriteFile(In(test::kUserFolder, "Mail.lnk"), "mail");
  Cycle();
  EXPECT_EQ((Names{"Mail"}), platform.Names(HKeyCurrentUser, test::kShc));
  EXPECT_TRUE(platform.files.IsDirectory(In(test::kUserFolder, "Tools.lnk")));
  EXPECT_EQ("inner", platform.ReadFile(In(test::kUserFolder, "Tools.lnk\\inner.lnk")));
  EXPECT_EQ(0, engineer.IsShortcutPresent(HKeyCurrentUser, "Tools"));

  // A stored shortcut (taken: its root no longer stands returned) whose file
  // cannot be written back because a folder is in the way stays stored,
  // through the next take too.
  Store(HKeyCurrentUser, "Tools", "tools");
  CRegistry().DeleteValue(HKeyCurrentUser, kProductKey, "Shc Entries Returned");
  engineer.ReturnShcEntries();
  EXPECT_TRUE(platform.files.IsDirectory(In(test::kUserFolder, "Tools.lnk")));
  Cycle();
  EXPECT_EQ("tools", Stored(HKeyCurrentUser, "Tools"));
  EXPECT_EQ("mail", platform.ReadFile(In(test::kUserFolder, "Mail.lnk")));
}

TEST_F(ShortcutBadInput, MissingShellFoldersValuesLeaveThatSideAlone) {
  platform.WriteFile(In(test::kUserFolder, "Mail.lnk"), "mail");
  platform.WriteFile(In(test::kCommonFolder, "Audio.lnk"), "audio");
  Store(HKeyCurrentUser, "Old", "old");
  CRegistry().DeleteValue(HKeyCurrentUser, test::kShellFolders, "Startup");

  Cycle();
  EXPECT_EQ("mail", platform.ReadFile(In(test::kUserFolder, "Mail.lnk")));
  EXPECT_EQ("old", Stored(HKeyCurrentUser, "Old"));
  EXPECT_EQ("audio", Stored(HKeyLocalMachine, "Audio"));
  EXPECT_EQ("audio", platform.ReadFile(In(test::kCommonFolder, "Audio.lnk")));
  EXPECT_EQ(0, engineer.LaunchShcEntry("Mail", 1));
  EXPECT_EQ(1, engineer.CreateShcEntry(nullptr, "Fresh", "C:\\fresh.exe", "", 0, 1));
  EXPECT_EQ((Names{"--- Error : Unable to find shortcut"}), Log());

  // No Shell Folders key at all: nothing taken, nothing returned, nothing lost.
  CRegistry().DeleteKey(HKeyLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", "Shell Folders");
  Cycle();
  EXPECT_EQ("audio", platform.ReadFile(In(test::kCommonFolder, "Audio.lnk")));
  EXPECT_EQ("audio", Stored(HKeyLocalMachine, "Audio"));
}

TEST_F(ShortcutBadInput, AMissingStartupFolderForgetsNothingThatIsStored) {
  platform.WriteFile(In(test::kUserFolder, "Mail.lnk"), "mail");
  Cycle();  // Mail returned: the side stands returned
  ASSERT_EQ(1, platform.Number(HKeyCurrentUser, kProduct, "Shc Entries Returned"));
  engineer.StartWork();
  std::filesystem::remove_all(platform.Host(test::kUserFolder));

  EXPECT_EQ(1, engineer.ReturnShcEntries());
  engineer.StartWork();
  EXPECT_EQ("mail", Stored(HKeyCurrentUser, "Mail"));
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "Mail"));

  // The folder back: the next return gives the shortcut back.
  platform.MakeFolder(test::kUserFolder);
  engineer.ReturnShcEntries();
  EXPECT_EQ("mail", platform.ReadFile(In(test::kUserFolder, "Mail.lnk")));
}

// A folder that exists but cannot be listed (access denied).
class UnlistableFolder : public platform::IFileSystem {
 public:
  UnlistableFolder(platform::IFileSystem& inner, std::string folder) : inner_(inner), folder_(std::move(folder)) {}
  bool Exists(const std::string& p) override { return inner_.Exists(p); }
  bool IsDirectory(const std::string& p) override { return inner_.IsDirectory(p); }
  bool Size(const std::string& p, std::uint64_t& s) override { return inner_.Size(p, s); }
  platform::FsResult ReadAll(const std::string& p, std::vector<std::uint8_t>& d) override { return inner_.ReadAll(p, d); }
  platform::FsResult WriteAll(const std::string& p, const std::vector<std::uint8_t>& d) override {
    return inner_.WriteAll(p, d);
  }
  platform::FsResult Append(const std::string& p, const std::string& b, bool c) override { return inner_.Append(p, b, c); }
  platform::FsResult Delete(const std::string& p) override { return inner_.Delete(p); }
  platform::FsResult Move(const std::string& f, const std::string& t, bool r) override { return inner_.Move(f, t, r); }
  platform::FsResult MakeDirectory(const std::string& p) override { return inner_.MakeDirectory(p); }
  bool List(const std::string& folder, const std::string& pattern, std::vector<platform::DirEntry>& entries) override {
    if (platform::EqualsNoCase(folder, folder_)) {
      entries.clear();
      return false;
    }
    return inner_.List(folder, pattern, entries);
  }

 private:
  platform::IFileSystem& inner_;
  std::string folder_;
};

TEST_F(ShortcutBadInput, AnUnreadableStartupFolderForgetsNothingAndGetsNothingWritten) {
  platform.WriteFile(In(test::kUserFolder, "Mail.lnk"), "mail");
  platform.WriteFile(In(test::kCommonFolder, "Audio.lnk"), "audio");
  Cycle();
  engineer.StartWork();
  platform.WriteFile(In(test::kUserFolder, "Mail.lnk"), "mail, rewritten while taken");
  {
    UnlistableFolder files(platform.files, test::kUserFolder);
    platform::ScopedService<platform::IFileSystem> slot(&files);
    EXPECT_EQ(1, engineer.ReturnShcEntries());
    EXPECT_EQ("mail, rewritten while taken", platform.ReadFile(In(test::kUserFolder, "Mail.lnk")));
    EXPECT_EQ("audio", platform.ReadFile(In(test::kCommonFolder, "Audio.lnk")));
    engineer.StartWork();
    EXPECT_EQ("mail", Stored(HKeyCurrentUser, "Mail"));
    EXPECT_EQ("audio", Stored(HKeyLocalMachine, "Audio"));
  }
  engineer.StartWork();
  EXPECT_EQ("mail, rewritten while taken", Stored(HKeyCurrentUser, "Mail"));
  EXPECT_TRUE(Files(test::kUserFolder).empty());
}

TEST_F(ShortcutBadInput, StoredValuesOfOtherTypesTravelAsTheirBytes) {
  platform::RegKey key = 0;
  ASSERT_EQ(0, platform.registry.CreateKey(HKeyCurrentUser, test::kShc, platform::kKeySetValue, &key));
  const char text[] = "C:\\tool.exe";
  platform.registry.SetValue(key, "Text", platform::kRegSz, reinterpret_cast<const std::uint8_t*>(text), sizeof(text));
  platform.registry.CloseKey(key);
  platform.SetText(HKeyCurrentUser, test::kShcSelections, "Text", "1");  // a flag that is not a number

  engineer.UpdateShcSelections();
  EXPECT_EQ("1", platform.Text(HKeyCurrentUser, test::kShcSelections, "Text"));  // left as it was

  engineer.ReturnShcEntries();
  EXPECT_EQ(std::string(text, sizeof(text)), platform.ReadFile(In(test::kUserFolder, "Text.lnk")));
  engineer.StartWork();
  EXPECT_EQ(std::string(text, sizeof(text)), Stored(HKeyCurrentUser, "Text"));
  EXPECT_TRUE(Log().empty());
}

}  // namespace
}  // namespace qm
