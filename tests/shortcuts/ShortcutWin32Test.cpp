// The shortcut engine on the real platform: the startup folders named in
// Shell Folders, shortcut files written by the COM shell-link object, the
// real registry and the shell. Names start with "QmTest" so that nothing of
// the machine's own is touched; every test puts its entries away again.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "engine/foundation/Log.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"
#include "platform/Text.h"
#include "platform/portable/ShellLinkFile.h"
#include "platform/win32/Win32ShellLink.h"

namespace qm {
namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kShc[] = "Software\\Tarnwick\\Quill Moor\\Shc";
constexpr char kShcSelections[] = "Software\\Tarnwick\\Quill Moor\\Shc\\Selections";
const char* const kNames[] = {"QmTestMail", "QmTestPost", "QmTestPublic", "QmTestLaunch"};

std::string Cmd() {
  char system[MAX_PATH];
  ::GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\cmd.exe";
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class ShortcutWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    CRegistry registry;
    ASSERT_TRUE(registry.GetValue(HKeyCurrentUser, kShellFolders, "Startup", &userFolder));
    ASSERT_TRUE(registry.GetValue(HKeyLocalMachine, kShellFolders, "Common Startup", &commonFolder));
    ::SHCreateDirectoryExA(nullptr, userFolder.c_str(), nullptr);
    ::SHCreateDirectoryExA(nullptr, commonFolder.c_str(), nullptr);
    ASSERT_TRUE(registry.CreateKey(HKeyCurrentUser, kShcSelections));
    ASSERT_TRUE(registry.CreateKey(HKeyLocalMachine, kShcSelections));
    ASSERT_NE(nullptr, platform::Current<platform::ILinkObject>());
    CleanUp();
  }
  void TearDown() override { CleanUp(); }

  void CleanUp() {
    CRegistry registry;
    for (const char* name : kNames) {
      for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
        registry.DeleteValue(root, kShc, name);
        registry.DeleteValue(root, kShcSelections, name);
      }
      ::DeleteFileA(User(name).c_str());
      ::DeleteFileA(Common(name).c_str());
      ::DeleteFileA((CLog::GetProgramPathWith("") + "\\" + name + ".lnk").c_str());
    }
  }

  std::string User(const std::string& name) const { return userFolder + "\\" + name + ".lnk"; }
  std::string Common(const std::string& name) const { return commonFolder + "\\" + name + ".lnk"; }
  std::string Stored(RegKey root, const std::string& name) {
    std::vector<std::uint8_t> bytes(1 << 16);
    std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
    if (!CRegistry().GetValue(root, kShc, name.c_str(), bytes.data(), &size)) return "<missing>";
    return std::string(bytes.begin(), bytes.begin() + size);
  }
  std::int64_t Flag(RegKey root, const std::string& name) {
    std::uint32_t flag = 0;
    if (!CRegistry().GetValue(root, kShcSelections, name.c_str(), &flag)) return -1;
    return flag;
  }
  void Create(const std::string& name, const std::string& arguments, int isPublic) {
    platform::IconHandle icon = 0;
    ASSERT_EQ(1, engineer.CreateShcEntry(&icon, name, Cmd(), arguments, isPublic, 1));
    EXPECT_NE(0u, icon);
    platform::Current<platform::IShell>()->DestroyIcon(icon);
  }

  std::string userFolder, commonFolder;
  CShortcutEngineer engineer;
};

TEST_F(ShortcutWin32, TakesBothFoldersIntoTheRegistryAndReturnsThemByteForByte) {
  Create("QmTestMail", "/c exit 0", 0);
  Create("QmTestPublic", "/c exit 1", 1);
  std::string mine = ReadBytes(User("QmTestMail"));
  std::string ours = ReadBytes(Common("QmTestPublic"));
  ASSERT_GT(mine.size(), 76u);

  engineer.StartWork();
  EXPECT_FALSE(Exists(User("QmTestMail")));
  EXPECT_FALSE(Exists(Common("QmTestPublic")));
  EXPECT_EQ(mine, Stored(HKeyCurrentUser, "QmTestMail"));
  EXPECT_EQ(ours, Stored(HKeyLocalMachine, "QmTestPublic"));
  EXPECT_EQ(1, Flag(HKeyCurrentUser, "QmTestMail"));
  EXPECT_EQ(1, Flag(HKeyLocalMachine, "QmTestPublic"));
  EXPECT_EQ(0, engineer.IsShortcutPublic("QmTestMail", 0));
  EXPECT_EQ(1, engineer.IsShortcutPublic("QmTestPublic", 0));

  EXPECT_EQ(1, engineer.ReturnShcEntries());
  EXPECT_EQ(mine, ReadBytes(User("QmTestMail")));
  EXPECT_EQ(ours, ReadBytes(Common("QmTestPublic")));
  EXPECT_EQ(1, engineer.IsShortcutPresent(HKeyCurrentUser, "qmtestmail"));
}

TEST_F(ShortcutWin32, ModifiesATakenShortcutRenamedMovedAndRetargeted) {
  Create("QmTestMail", "/c exit 0", 0);
  engineer.StartWork();
  ASSERT_EQ(1, engineer.SetShcSelection("QmTestMail", 0, 0));

  platform::IconHandle icon = 0;
  EXPECT_EQ(1, engineer.ModifyShcEntry(&icon, "QmTestMail", "QmTestPost", Cmd(), "/c exit 7", 0, 1, 0));
  if (icon) platform::Current<platform::IShell>()->DestroyIcon(icon);
  EXPECT_NE(0u, icon);

  EXPECT_FALSE(Exists(Common("QmTestPost")));
  EXPECT_FALSE(Exists(User("QmTestMail")));
  EXPECT_EQ("<missing>", Stored(HKeyCurrentUser, "QmTestMail"));
  EXPECT_NE("<missing>", Stored(HKeyLocalMachine, "QmTestPost"));
  EXPECT_EQ(0, Flag(HKeyLocalMachine, "QmTestPost"));
  std::string target, arguments;
  EXPECT_EQ(1, engineer.GetShortcutInfo("QmTestPost", &target, &arguments, 1, 0));
  EXPECT_TRUE(platform::EqualsNoCase(Cmd(), target)) << target;
  EXPECT_EQ("/c exit 7", arguments);
  EXPECT_FALSE(Exists(CLog::GetProgramPathWith("QmTestPost.lnk")));
}

TEST_F(ShortcutWin32, LaunchesATakenShortcutFromATemporaryCopyThatIsGoneAfterwards) {
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  std::string marker = std::string(temp) + "qmtest-launched.txt";
  ::DeleteFileA(marker.c_str());
  Create("QmTestLaunch", "/c echo launched> \"" + marker + "\"", 0);
  engineer.StartWork();

  EXPECT_EQ(1, engineer.LaunchShcEntry("QmTestLaunch", 0));
  EXPECT_FALSE(Exists(CLog::GetProgramPathWith("QmTestLaunch.lnk")));
  EXPECT_FALSE(Exists(std::string(temp) + "Quill Moor\\QmTestLaunch.lnk"));
  for (int i = 0; i < 100 && !Exists(marker); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(Exists(marker));
  ::DeleteFileA(marker.c_str());
}

// What a save killed inside the link object leaves (Wine's save empties the
// file before it writes) never replaces the whole stored copy: the return
// writes the copy back over it and the next log-on takes the whole shortcut.
TEST_F(ShortcutWin32, AnEmptiedShortcutBesideItsStoredCopyComesBackWhole) {
  Create("QmTestMail", "/c exit 0", 0);
  engineer.StartWork();
  platform::IconHandle icon = 0;
  ASSERT_EQ(1, engineer.ModifyShcEntry(&icon, "QmTestMail", "QmTestMail", Cmd(), "/c exit 0", 0, 0, 0));
  if (icon) platform::Current<platform::IShell>()->DestroyIcon(icon);
  const std::string good = Stored(HKeyCurrentUser, "QmTestMail");
  EXPECT_FALSE(Exists(userFolder + "\\~qmwrite.tmp"));  // saved whole, then renamed
  std::ofstream(User("QmTestMail"), std::ios::binary | std::ios::trunc).close();

  EXPECT_EQ(1, engineer.ReturnShcEntries());
  EXPECT_EQ(good, ReadBytes(User("QmTestMail")));
  engineer.StartWork();
  EXPECT_EQ(good, Stored(HKeyCurrentUser, "QmTestMail"));
  EXPECT_EQ(1, engineer.ReturnShcEntries());
  EXPECT_EQ(good, ReadBytes(User("QmTestMail")));
}

// The registry folds letters beyond A to Z: a case-only rename of a taken
// shortcut must keep it, whichever spelling it ends under.
TEST_F(ShortcutWin32, ACaseOnlyRenameBeyondAsciiKeepsTheTakenShortcut) {
  const std::string upper = "QmTest\xC3\x89" "cran";  // Écran, in UTF-8: the code page of our programs
  const std::string lower = "QmTest\xC3\xA9" "cran";
  Create(upper, "/c exit 0", 0);
  engineer.StartWork();
  ASSERT_EQ(1, engineer.SetShcSelection(upper, 0, 0));

  engineer.ModifyShcEntry(nullptr, upper, lower, Cmd(), "/c exit 0", 0, 0, 0);

  EXPECT_NE("<missing>", Stored(HKeyCurrentUser, lower));
  EXPECT_EQ(0, Flag(HKeyCurrentUser, lower));
  EXPECT_FALSE(Exists(User(lower)));
  for (const char* key : {kShc, kShcSelections}) CRegistry().DeleteValue(HKeyCurrentUser, key, lower.c_str());
}

// The two implementations of the link object read each other's files.
TEST(ShellLinkInterop, OurFilesLoadInTheComObjectAndTheComObjectsInOurs) {
  std::unique_ptr<platform::Win32ShellLink> com = platform::Win32ShellLink::Create();
  ASSERT_NE(nullptr, com);
  platform::PortableShellLink ours;
  char temp[MAX_PATH];
  ::GetTempPathA(MAX_PATH, temp);
  struct Case {
    std::string target, arguments;
  };
  const Case cases[] = {{Cmd(), "/c echo \"two words\""},
                        {"C:\\Program Files\\Nowhere\\absent.exe", ""},
                        {"C:\\windows\\notepad.exe", "café"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    std::string file = std::string(temp) + "qmtest-interop.lnk";
    std::string target, arguments;

    ASSERT_EQ(platform::kLinkOk, ours.Clear());
    ours.SetPath(c.target);
    ours.SetArguments(c.arguments);
    ASSERT_EQ(platform::kLinkOk, ours.Save(file));
    ASSERT_EQ(platform::kLinkOk, com->Load(file));
    com->GetPath(&target);
    com->GetArguments(&arguments);
    EXPECT_TRUE(platform::EqualsNoCase(c.target, target)) << target;
    EXPECT_EQ(c.arguments, arguments);

    ASSERT_EQ(platform::kLinkOk, com->Clear());
    com->SetPath(c.target);
    com->SetArguments(c.arguments);
    ASSERT_EQ(platform::kLinkOk, com->Save(file));
    ASSERT_EQ(platform::kLinkOk, ours.Load(file));
    ours.GetPath(&target);
    ours.GetArguments(&arguments);
    EXPECT_TRUE(platform::EqualsNoCase(c.target, target)) << target;
    EXPECT_EQ(c.arguments, arguments);
    ::DeleteFileA(file.c_str());
  }
}

}  // namespace
}  // namespace qm
