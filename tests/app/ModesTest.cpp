// The program's start-up modes over the in-memory registry: which mode each
// command line runs, what each leaves in the flags and RunOnce values, which
// window it makes and what it says.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/app/ModesFixture.h"

namespace qm::test {
namespace {

constexpr char kMain[] = "Software\\Tarnwick\\Quill Moor";
constexpr char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char kWindowsRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kStartupData[] = "\"C:\\Program Files\\Quill Moor\\Quillmoor.exe\" /startup";
constexpr char kCleanupData[] = "\"C:\\Program Files\\Quill Moor\\Quillmoor.exe\" /cleanup";
constexpr char kMissing[] = "<missing>";
const char* const kFlags[] = {"Init Service", "Init Startup", "Init Shortcut"};

// A machine with the program installed, after a finished cycle: one Run entry
// and one service where Windows reads them, the flags at 0, nothing armed.
struct Machine {
  Machine() {
    platform.StartLog();
    for (const char* flag : kFlags) platform.SetNumber(HKeyLocalMachine, kMain, flag, 0);
    platform.SetText(HKeyCurrentUser, kWindowsRun, "Mail", "C:\\mail.exe -tray");
    platform.SetText(HKeyLocalMachine, kServices, "Agent", "C:\\agent.exe ");
  }
  std::int64_t Flag(const char* name) { return platform.Number(HKeyLocalMachine, kMain, name); }
  std::string StartupArm() { return platform.Text(HKeyLocalMachine, kRunOnce, "QM Init Startups"); }
  std::string CleanupArm() { return platform.Text(HKeyCurrentUser, kRunOnce, "QM Init Cleanups"); }
  bool MailTaken() { return !platform.HasValue(HKeyCurrentUser, kWindowsRun, "Mail"); }
  bool AgentTaken() { return !platform.HasValue(HKeyLocalMachine, kServices, "Agent"); }

  TestPlatform platform;
};

struct ModeCase {
  std::string commandLine;
  bool keepsRunning;
  std::vector<std::string> windows;
  std::vector<std::string> boxes;
  std::int64_t initStartup, initService;
  std::string startupArm, cleanupArm;
  bool runTaken, servicesTaken;
};

// Each mode from the state a finished cycle leaves, the user answering No to
// every question; a "/cleanup" run is then left by the user. Only the exact
// switches count: capitals, a trailing blank or a further word give the
// normal start.
TEST(Modes, EachSwitchRunsExactlyItsMode) {
  const std::string restart = "? You need to restart your computer. Restart now?";
  const std::vector<std::string> normal = {"modeless 1 tray", "open"};
  const ModeCase cases[] = {
      {"/restore", false, {}, {}, 0, 0, kMissing, kMissing, false, false},
      {"/restore ex", false, {}, {"Services, startups and shortcuts registry entries restored."}, 0, 0, kMissing,
       kMissing, false, false},
      {"/service", false, {}, {}, 0, 1, kMissing, kCleanupData, false, true},
      {"/startup", false, {"modal 0"}, {}, 1, 0, kStartupData, kCleanupData, true, false},
      {"/cleanup", true, {"modeless 1 tray"}, {}, 0, 1, kStartupData, kCleanupData, false, true},
      {"/repair", false, {}, {restart}, 0, 0, kStartupData, kMissing, false, false},
      {"/restart", false, {}, {restart}, 0, 0, kMissing, kMissing, false, false},
      {"", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/STARTUP", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/startup ", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/Restore", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/cleanup now", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("command line '" + c.commandLine + "'");
    Machine machine;
    Program program;
    EXPECT_EQ(c.keepsRunning, program.Run(c.commandLine));
    EXPECT_EQ(c.windows, program.windows.made);
    EXPECT_EQ(c.boxes, program.system.boxes);
    EXPECT_EQ(0, program.system.restarts);
    EXPECT_EQ(c.initStartup, machine.Flag("Init Startup"));
    EXPECT_EQ(c.initStartup, machine.Flag("Init Shortcut"));
    EXPECT_EQ(c.initService, machine.Flag("Init Service"));
    EXPECT_EQ(c.startupArm, machine.StartupArm());
    EXPECT_EQ(c.cleanupArm, machine.CleanupArm());
    EXPECT_EQ(c.runTaken, machine.MailTaken());
    EXPECT_EQ(c.servicesTaken, machine.AgentTaken());
  }
}

// A second copy says so and touches nothing, whatever its command line.
TEST(Modes, ASecondCopyOnlySaysItIsRunning) {
  for (const char* commandLine : {"/startup", "/cleanup", "/restore ex", "/repair", "/restart", ""}) {
    SCOPED_TRACE(commandLine);
    Machine machine;
    std::string before = Dump(machine.platform);
    std::string logBefore = machine.platform.Log();
    Program program;
    program.system.otherCopyRunning = true;
    EXPECT_FALSE(program.Run(commandLine));
    EXPECT_EQ(std::vector<std::string>{"Program is already running."}, program.system.boxes);
    EXPECT_TRUE(program.windows.made.empty());
    EXPECT_EQ(before, Dump(machine.platform));
    EXPECT_EQ(logBefore, machine.platform.Log());
  }
}

}  // namespace
}  // namespace qm::test
