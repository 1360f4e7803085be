#include <gtest/gtest.h>

#include "engine/foundation/Log.h"
#include "tests/support/TestPlatform.h"

namespace qm {
namespace {

const std::string kTitle =
    "==========================================================\r\n"
    "Quillmoor Log File\r\n"
    "==========================================================\r\n\r\n";
const std::string kOs = "Operating System Platform : Microsoft Windows NT 6.1\r\n"
                        "Additional OS Information : Service Pack 1\r\n";
const std::string kDateTime =
    "\r\n----------------------------------------------------------\r\n"
    "Date : 07 December 2026\r\n"
    "Time : 9 : 5 : 0\r\n"
    "----------------------------------------------------------\r\n\r\n";

TEST(Log, FirstSetupWritesTheWholeHeaderAndLaterOnesOnlyDateAndTime) {
  test::TestPlatform platform;
  CLog::Setup();
  EXPECT_EQ(kTitle + kOs + kDateTime, platform.Log());
  CLog::Error("Unable to move Run entries to stored location");
  CLog::Message("Launching C:\\x.exe");
  CLog::Setup();
  EXPECT_EQ(kTitle + kOs + kDateTime +
                "--- Error : Unable to move Run entries to stored location\r\n"
                "Launching C:\\x.exe\r\n" +
                kDateTime,
            platform.Log());
}

TEST(Log, NothingIsWrittenBeforeTheFileExists) {
  test::TestPlatform platform;
  CLog::Error("lost");
  CLog::Message("lost");
  EXPECT_FALSE(platform.FileExists(platform.LogPath()));
}

TEST(Log, TitleAndFileNameComeFromTheApplication) {
  test::TestPlatform platform;
  CLog::SetApplicationNames("Quill Moor", "Quillmoor");
  platform.system.moduleFileName = "C:\\Program Files\\Quill Moor\\QMTEST.EXE";
  CLog::Setup();
  EXPECT_EQ(0u, platform.Log().find("==========================================================\r\n"
                                    "Quill Moor Log File\r\n"));
}

TEST(Log, DatesUseTheProgramsOwnMonthNames) {
  test::TestPlatform platform;
  platform.system.now = {2026, 2, 5, 23, 59, 7};
  EXPECT_EQ("05 Febuary 2026", CLog::DateText());
  EXPECT_EQ("23 : 59 : 7", CLog::TimeText());
  platform.system.now.month = 13;
  EXPECT_EQ("05  2026", CLog::DateText());
}

TEST(Log, OsBlockFollowsThePlatformAndServicePack) {
  test::TestPlatform platform;
  auto block = [&](std::uint32_t id, std::uint32_t minor, const char* sp) {
    platform.system.version = {4, minor, 0, id, sp};
    return CLog::OsBlock();
  };
  EXPECT_EQ("Operating System Platform : Microsoft Windows 98\nAdditional OS Information : None\n",
            block(1, 10, " A"));
  EXPECT_EQ("Operating System Platform : Microsoft Windows ME\nAdditional OS Information : None\n", block(1, 90, ""));
  EXPECT_EQ("Operating System Platform : Microsoft Windows 95\nAdditional OS Information : B\n", block(1, 0, "B"));
  EXPECT_EQ("Operating System Platform : Undetermined\nAdditional OS Information : None\n", block(1, 3, ""));
  EXPECT_EQ("Operating System Platform : Microsoft Windows 3.1\nAdditional OS Information : None\n",
            block(0, 3, ""));
  EXPECT_EQ("Operating System Platform : Microsoft Windows NT 4.0\nAdditional OS Information : Service Pack 6\n",
            block(2, 0, "Service Pack 6"));
  platform.system.versionAvailable = false;
  EXPECT_EQ("Operating System Platform : Undetermined\nAdditional OS Information : None\n", CLog::OsBlock());
}

TEST(Log, ProgramPathsAreBuiltBesideTheExecutable) {
  test::TestPlatform platform;
  EXPECT_EQ("C:\\Program Files\\Quill Moor", CLog::GetProgramPathWith(""));
  EXPECT_EQ("C:\\Program Files\\Quill Moor\\color.txt", CLog::GetProgramPathWith("color.txt"));
  platform.system.moduleFileName = "Quillmoor.exe";
  EXPECT_EQ("", CLog::GetProgramPathWith("color.txt"));
  CLog::Setup();  // no folder, no log: nothing to write to
}

}  // namespace
}  // namespace qm
