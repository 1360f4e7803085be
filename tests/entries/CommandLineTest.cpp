#include <gtest/gtest.h>

#include "engine/foundation/CommandLine.h"

namespace qm {
namespace {

struct Split {
  std::string path, argument;
};

Split Cut(const std::string& commandLine) {
  Split result;
  EXPECT_EQ(1, SplitPathArgument(commandLine, &result.path, &result.argument));
  return result;
}

TEST(SplitPathArgument, CutsAtTheFirstBlankAfterExe) {
  auto scanreg = Cut("D:\\WIN\\SCANREGW.EXE /autorun");
  EXPECT_EQ("D:\\WIN\\SCANREGW.EXE", scanreg.path);
  EXPECT_EQ("/autorun", scanreg.argument);

  auto spaced = Cut("D:\\Program Files\\Tool\\tool.exe -min");
  EXPECT_EQ("D:\\Program Files\\Tool\\tool.exe", spaced.path);
  EXPECT_EQ("-min", spaced.argument);

  auto rundll = Cut("rundll32.exe shell32.dll,Control_RunDLL a b");
  EXPECT_EQ("rundll32.exe", rundll.path);
  EXPECT_EQ("shell32.dll,Control_RunDLL a b", rundll.argument);

  // Two blanks after ".exe": the argument keeps the second.
  auto twoBlanks = Cut("C:\\a.exe  -x");
  EXPECT_EQ("C:\\a.exe", twoBlanks.path);
  EXPECT_EQ(" -x", twoBlanks.argument);

  // A blank within the first four characters never ends the path.
  auto early = Cut("C:\\ a.exe x");
  EXPECT_EQ("C:\\ a.exe", early.path);
  EXPECT_EQ("x", early.argument);
}

TEST(SplitPathArgument, LeavesLinesWithoutAnExeWhole) {
  for (const std::string line : {"\"C:\\Program Files\\a.exe\" -min", "C:\\tools\\run.bat /q", "C:\\x.com arg",
                                 "", "abc", "C:\\Dir.exe\\app.exe"}) {
    auto split = Cut(line);
    EXPECT_EQ(line, split.path) << line;
    EXPECT_EQ("", split.argument) << line;
  }
}

TEST(SplitPathArgument, ReadsBackWhatJoinWrote) {
  auto joined = Cut(JoinPathArgument("C:\\Apps\\Tray.EXE", ""));
  EXPECT_EQ("C:\\Apps\\Tray.EXE", joined.path);
  EXPECT_EQ("", joined.argument);
  auto withArgument = Cut(JoinPathArgument("C:\\My Apps\\tray.exe", "/hide now"));
  EXPECT_EQ("C:\\My Apps\\tray.exe", withArgument.path);
  EXPECT_EQ("/hide now", withArgument.argument);
}

TEST(SplitPathArgument, RefusesMissingOutStrings) {
  std::string path;
  EXPECT_EQ(0, SplitPathArgument("a.exe b", &path, nullptr));
  EXPECT_EQ(0, SplitPathArgument("a.exe b", nullptr, &path));
}

}  // namespace
}  // namespace qm
