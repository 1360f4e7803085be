// The program's start-up modes over the in-memory registry: which mode each
// command line runs, what each leaves in the flags and RunOnce values, which
// window it makes and what it says.
#include <gtest/gtest.h>

#include <functional>
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
    platform.SetText(HKeyLocalMachine, kWindowsRun, "Audio", "C:\\audio.exe /q");
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
      {"/startup", false, {"modal 0"}, {}, 1, 0, kMissing, kCleanupData, true, false},
      {"/keep", false, {}, {}, 0, 0, kStartupData, kMissing, false, false},
      {"/cleanup", true, {"modeless 1 tray takes services"}, {}, 0, 1, kStartupData, kCleanupData, false, true},
      {"/repair", false, {}, {restart}, 0, 0, kStartupData, kMissing, false, false},
      {"/restart", false, {}, {restart}, 0, 0, kMissing, kMissing, false, false},
      {"", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/STARTUP", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/startup ", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/Restore", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/cleanup now", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
      {"/cleanup ", true, normal, {}, 0, 0, kMissing, kMissing, false, false},
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
    EXPECT_EQ(c.commandLine == "/startup" ? 1 : 0, program.system.keepers);
  }
}

// A second copy says so and touches nothing, whatever its command line.
// "/restore ex" says what happened: an entry that could not go back (a
// stored line too long for the buffers that carry it) is still held.
TEST(Modes, RestoreExSaysWhenSomethingIsStillHeld) {
  Machine machine;
  machine.platform.SetText(HKeyCurrentUser, "Software\\Tarnwick\\Quill Moor\\Run", "Long",
                           "C:\\" + std::string(300, 'l') + ".exe");
  Program program;
  EXPECT_FALSE(program.Run("/restore ex"));
  ASSERT_EQ(1u, program.system.boxes.size());
  EXPECT_EQ(0u, program.system.boxes[0].find("Some services, startups or shortcuts could not be restored"));
  EXPECT_EQ(app::BoxIcon::Exclamation, program.system.icons[0]);
}

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

// The program's path in RunOnce data is quoted when it holds a blank, so that
// Windows cannot start a prefix of it; one without stays as written.
TEST(Modes, RunOnceDataQuotesOnlyAPathWithABlank) {
  struct Case {
    std::string folder, startup, cleanup;
  } cases[] = {
      {"C:\\Program Files\\Quill Moor", kStartupData, kCleanupData},
      {"D:\\Tools", "D:\\Tools\\Quillmoor.exe /startup", "D:\\Tools\\Quillmoor.exe /cleanup"},
      {"E:\\Outils\\Démarrage", "E:\\Outils\\Démarrage\\Quillmoor.exe /startup",
       "E:\\Outils\\Démarrage\\Quillmoor.exe /cleanup"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    Machine machine;
    Program(c.folder).Run("/startup");
    Program(c.folder).Run("/cleanup");
    EXPECT_EQ(c.startup, machine.StartupArm());
    EXPECT_EQ(c.cleanup, machine.CleanupArm());
  }
}

struct TakeCase {
  std::string name;
  std::function<void(TestPlatform&)> before;
  std::string commandLine;
  std::vector<std::string> windows;
  std::string logLine;  // the last log line, "" for none
  bool runTaken, servicesTaken;
  std::string cleanupArm;
};

// The takes look at their Init flag first: taken once per cycle, and not at
// all when the flag cannot be read. A copy without its installer creates what
// it needs and takes all the same.
TEST(Modes, EachTakeRunsOncePerCycleAndOnlyOverAFlagItCanRead) {
  const std::string unreadable = "not a number";
  const TakeCase cases[] = {
      {"second /startup in a cycle",
       [](TestPlatform&) { Program().Run("/startup"); }, "/startup", {}, "", true, false, kCleanupData},
      {"unreadable Init Startup",
       [&](TestPlatform& p) { p.SetText(HKeyLocalMachine, kMain, "Init Startup", unreadable); }, "/startup", {},
       "--- Error : Unable to get init startup result", false, false, kMissing},
      {"/service with Init Service at 1",
       [](TestPlatform& p) { p.SetNumber(HKeyLocalMachine, kMain, "Init Service", 1); }, "/service", {}, "", false,
       false, kMissing},
      {"unreadable Init Service",
       [&](TestPlatform& p) { p.SetText(HKeyLocalMachine, kMain, "Init Service", unreadable); }, "/service", {},
       "--- Error : Unable to get init service result", false, false, kMissing},
      {"/startup on a copy without installer",
       [](TestPlatform& p) {
         CRegistry registry;
         registry.DeleteKey(HKeyLocalMachine, "Software\\Tarnwick", "Quill Moor");
         registry.DeleteKey(HKeyLocalMachine, "Software", "Tarnwick");
         (void)p;
       },
       "/startup", {"modal 0"}, "", true, false, kCleanupData},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Machine machine;
    c.before(machine.platform);
    Program program;
    program.Run(c.commandLine);
    EXPECT_EQ(c.windows, program.windows.made);
    auto lines = machine.platform.LogLines();
    EXPECT_EQ(c.logLine, lines.empty() ? "" : lines.back());
    EXPECT_EQ(c.runTaken, machine.MailTaken());
    EXPECT_EQ(c.servicesTaken, machine.AgentTaken());
    EXPECT_EQ(c.cleanupArm, machine.CleanupArm());
  }
}

// What "/startup" and "/repair" leave for the engines, on a copy started
// without its installer and on one whose flags say a cycle is under way.
TEST(Modes, StartupAndRepairCreateOnlyWhatIsMissing) {
  for (const char* commandLine : {"/startup", "/repair"}) {
    SCOPED_TRACE(commandLine);
    TestPlatform platform;
    Program program;
    program.Run(commandLine);
    for (const char* flag : kFlags)
      EXPECT_EQ(std::string(flag) == "Init Service" || std::string(commandLine) == "/repair" ? 0 : 1,
                platform.Number(HKeyLocalMachine, kMain, flag))
          << flag;
    for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine})
      for (const char* key : {"Run", "Shc"})
        EXPECT_TRUE(CRegistry().CreateKey(root, (std::string(kMain) + "\\" + key + "\\Selections").c_str()) &&
                    platform.Names(root, std::string(kMain) + "\\" + key).empty());
  }
  Machine machine;
  machine.platform.SetNumber(HKeyLocalMachine, kMain, "Init Service", 1);
  machine.platform.SetText(HKeyCurrentUser, kMain, "Theme", "Heather");
  Program().Run("/startup");
  EXPECT_EQ(1, machine.Flag("Init Service"));
  EXPECT_EQ("Heather", machine.platform.Text(HKeyCurrentUser, kMain, "Theme"));
}

// A theme the "Theme" value names that is not installed leaves the default
// theme: black, on the built-in background.
TEST(Modes, AMissingThemeLeavesTheBlackDefault) {
  for (const char* theme : {"Gone", ""}) {
    SCOPED_TRACE(theme);
    Machine machine;
    machine.platform.SetText(HKeyCurrentUser, kMain, "Theme", theme);
    Program program;
    program.Run("");
    for (auto color : {program.currentTheme.titleColor, program.currentTheme.buttonColor,
                       program.currentTheme.statusColor, program.currentTheme.sectionColor})
      EXPECT_EQ(0u, color);
    EXPECT_TRUE(program.currentTheme.backgroundPath.empty());
  }
}

struct LeftCase {
  std::string name;
  std::function<void(TestPlatform&)> interrupted;
  bool asked;
};

// The normal start notices entries that an interrupted cycle left taken with
// nothing armed, and gives them back only when the user says so.
TEST(Modes, ANormalStartOffersBackWhatAnInterruptedCycleLeftTaken) {
  auto startedThen = [](std::function<void(CRegistry&)> then) {
    return [then](TestPlatform&) {
      Program().Run("/startup");
      Program().Run("/keep");  // as Windows' pass ends
      CRegistry registry;
      then(registry);
    };
  };
  auto disarm = [](CRegistry& r, bool startup, bool cleanup) {
    if (startup) r.DeleteValue(HKeyLocalMachine, kRunOnce, "QM Init Startups");
    if (cleanup) r.DeleteValue(HKeyCurrentUser, kRunOnce, "QM Init Cleanups");
  };
  const LeftCase cases[] = {
      {"taken, both arms used up", startedThen([&](CRegistry& r) { disarm(r, true, true); }), true},
      {"taken, flags lost as well",
       startedThen([&](CRegistry& r) {
         disarm(r, true, true);
         for (const char* flag : kFlags) r.SetValue(HKeyLocalMachine, kMain, flag, std::uint32_t{0});
       }),
       true},
      {"taken, the return still armed", startedThen([&](CRegistry& r) { disarm(r, true, false); }), false},
      {"taken, the next start still armed", startedThen([&](CRegistry& r) { disarm(r, false, true); }), false},
      {"a service of HKLM's other view left stored",
       [](TestPlatform& p) { p.SetText(platform::kHklm64View, kStoredRunServicesKey, "Agent64", "C:\\a64.exe "); }, true},
      {"returned after a whole log-on", [](TestPlatform&) {
         Program().Run("/startup");
         Program().Run("/restore");
       }, false},
  };
  for (bool yes : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name + (yes ? ", answered Yes" : ", answered No"));
      Machine machine;
      c.interrupted(machine.platform);
      bool wasTaken = machine.MailTaken();
      Program program;
      program.system.answerYes = yes;
      EXPECT_TRUE(program.Run(""));
      EXPECT_EQ(c.asked ? 1u : 0u, program.system.boxes.size());
      if (c.asked) EXPECT_EQ(app::BoxIcon::Question, program.system.icons.front());
      EXPECT_EQ(c.asked && yes ? false : wasTaken, machine.MailTaken());
      if (c.asked && yes) EXPECT_EQ(kStartupData, machine.StartupArm());
    }
  }
}

struct RestartCase {
  bool yes, works;
  int restarts;
  std::vector<std::string> boxes;
};

// The restart question restarts only on Yes and says so when Windows refuses.
TEST(Modes, TheRestartQuestionRestartsOnlyOnYes) {
  const std::string question = "? You need to restart your computer. Restart now?";
  const RestartCase cases[] = {
      {false, true, 0, {question}},
      {true, true, 1, {question}},
      {true, false, 1, {question, "Unable to restart your computer. You need to do it manually."}},
  };
  for (const char* commandLine : {"/restart", "/repair"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(commandLine) + (c.yes ? " Yes" : " No") + (c.works ? "" : ", refused"));
      Machine machine;
      Program program;
      program.system.answerYes = c.yes;
      program.system.restartWorks = c.works;
      EXPECT_FALSE(program.Run(commandLine));
      EXPECT_EQ(c.restarts, program.system.restarts);
      EXPECT_EQ(c.boxes, program.system.boxes);
      EXPECT_EQ(app::BoxIcon::Information, program.system.icons.back());
    }
  }
}

}  // namespace
}  // namespace qm::test
