// Taking, returning, restoring and verifying Run and RunServices entries.
#include <gtest/gtest.h>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "tests/support/FailingRegistryStore.h"
#include "tests/support/TestPlatform.h"

namespace qm {
namespace {

using entries::kRunKey;
using entries::kRunServicesKey;
using entries::kStoredRunKey;
using entries::kStoredRunSelectionsKey;
using entries::kStoredRunServicesKey;
using entries::kStoredRunServicesSelectionsKey;
using Names = std::vector<std::string>;

class RunLifecycle : public testing::Test {
 protected:
  RunLifecycle() {
    platform.StartLog();
    // The local machine's Selections keys come with the installation.
    CRegistry().CreateKey(HKeyLocalMachine, kStoredRunSelectionsKey);
    CRegistry().CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
    CRegistry().CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
  }
  test::TestPlatform platform;
  CStartupEngineer startups;
  CServiceEngineer services;
};

TEST_F(RunLifecycle, StartWorkTakesEveryEntryAndSelectsNewOnes) {
  platform.SetText(HKeyCurrentUser, kRunKey, "A", "C:\\a.exe ");
  platform.SetText(HKeyCurrentUser, kRunKey, "B", "C:\\b.exe -x");
  platform.SetText(HKeyLocalMachine, kRunKey, "A", "C:\\public.exe ");
  platform.SetText(HKeyLocalMachine, kRunKey, "Empty", "");
  platform.SetNumber(HKeyCurrentUser, kStoredRunSelectionsKey, "B", 0);  // known from an earlier cycle

  EXPECT_EQ(1, startups.StartWork());

  EXPECT_EQ((Names{"A", "B"}), platform.Names(HKeyCurrentUser, kStoredRunKey));
  EXPECT_EQ("C:\\b.exe -x", platform.Text(HKeyCurrentUser, kStoredRunKey, "B"));
  EXPECT_EQ("C:\\public.exe ", platform.Text(HKeyLocalMachine, kStoredRunKey, "A"));
  EXPECT_TRUE(platform.Names(HKeyCurrentUser, kRunKey).empty());
  // An empty command line is never taken.
  EXPECT_EQ((Names{"Empty"}), platform.Names(HKeyLocalMachine, kRunKey));
  EXPECT_FALSE(platform.HasValue(HKeyLocalMachine, kStoredRunKey, "Empty"));
  EXPECT_EQ(1, platform.Number(HKeyCurrentUser, kStoredRunSelectionsKey, "A"));
  EXPECT_EQ(0, platform.Number(HKeyCurrentUser, kStoredRunSelectionsKey, "B"));
  EXPECT_EQ(1, platform.Number(HKeyLocalMachine, kStoredRunSelectionsKey, "A"));
  EXPECT_TRUE(platform.LogLines().empty());
}

TEST_F(RunLifecycle, ACycleKeepsFlagsAndForgetsEntriesRemovedWhileReturned) {
  platform.SetText(HKeyCurrentUser, kRunKey, "Keep", "C:\\keep.exe ");
  platform.SetText(HKeyCurrentUser, kRunKey, "Gone", "C:\\gone.exe ");
  platform.SetText(HKeyCurrentUser, kRunKey, "Case", "C:\\case.exe ");
  startups.StartWork();
  CRegistry().SetValue(HKeyCurrentUser, kStoredRunSelectionsKey, "Keep", std::uint32_t{0});

  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_EQ("C:\\keep.exe ", platform.Text(HKeyCurrentUser, kRunKey, "Keep"));
  EXPECT_EQ("C:\\keep.exe ", platform.Text(HKeyCurrentUser, kStoredRunKey, "Keep"));  // in both places now

  // Behind our back: one entry uninstalled, one renamed in letter case only.
  CRegistry().DeleteValue(HKeyCurrentUser, kRunKey, "Gone");
  CRegistry().DeleteValue(HKeyCurrentUser, kRunKey, "Case");
  platform.SetText(HKeyCurrentUser, kRunKey, "CASE", "C:\\case.exe ");
  CRegistry().SetValue(HKeyCurrentUser, kStoredRunSelectionsKey, "Case", std::uint32_t{0});

  startups.StartWork();
  EXPECT_EQ((Names{"Keep", "CASE"}), platform.Names(HKeyCurrentUser, kStoredRunKey));
  EXPECT_EQ(0, platform.Number(HKeyCurrentUser, kStoredRunSelectionsKey, "Keep"));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kStoredRunSelectionsKey, "Gone"));
  // The case-changed entry is dropped with its flag and taken again as new.
  EXPECT_EQ((Names{"Keep", "CASE"}), platform.Names(HKeyCurrentUser, kStoredRunSelectionsKey));
  EXPECT_EQ(1, platform.Number(HKeyCurrentUser, kStoredRunSelectionsKey, "CASE"));
}

TEST_F(RunLifecycle, ReturnLeavesEmptyCommandLinesOutAndRestoreCarriesThem) {
  platform.SetText(HKeyCurrentUser, kStoredRunKey, "Blank", "");
  platform.SetText(HKeyCurrentUser, kStoredRunKey, "Full", "C:\\f.exe ");
  platform.SetText(HKeyLocalMachine, kStoredRunKey, "Pub", "C:\\p.exe ");
  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_EQ((Names{"Full"}), platform.Names(HKeyCurrentUser, kRunKey));
  EXPECT_EQ((Names{"Pub"}), platform.Names(HKeyLocalMachine, kRunKey));
  EXPECT_EQ(1, startups.RestoreRunEntries());
  EXPECT_EQ((Names{"Full", "Blank"}), platform.Names(HKeyCurrentUser, kRunKey));
}

TEST_F(RunLifecycle, AFailureUnderTheUserStopsBeforeTheMachineAndLogsOnce) {
  platform.SetText(HKeyCurrentUser, kRunKey, "Mine", "C:\\m.exe ");
  platform.SetText(HKeyLocalMachine, kRunKey, "Ours", "C:\\o.exe ");
  platform.SetText(HKeyLocalMachine, kStoredRunKey, "Old", "C:\\old.exe ");
  test::FailingRegistryStore failing(platform.registry);
  platform::ScopedService<platform::IRegistryStore> slot(&failing);
  failing.failWhen = [](test::StoreCall call, const std::string&) { return call == test::StoreCall::Create; };

  EXPECT_EQ(0, startups.TakeRunEntries());
  EXPECT_EQ((Names{"--- Error : Unable to move Run entries to stored location"}), platform.LogLines());
  EXPECT_EQ((Names{"Ours"}), platform.Names(HKeyLocalMachine, kRunKey));
  EXPECT_EQ((Names{"Mine"}), platform.Names(HKeyCurrentUser, kRunKey));

  EXPECT_EQ(0, startups.ReturnRunEntries());
  EXPECT_EQ(0, startups.RestoreRunEntries());
  EXPECT_EQ(0, services.TakeRunServiceEntries());
  EXPECT_EQ(0, services.ReturnRunServiceEntries());
  EXPECT_EQ(0, services.RestoreRunServiceEntries());
  EXPECT_EQ((Names{"--- Error : Unable to move Run entries to stored location",
                   "--- Error : Unable to copy back Run entries from stored location to registry",
                   "--- Error : Unable to restore Run entries from stored location to registry",
                   "--- Error : Unable to move RunServices entries to stored location",
                   "--- Error : Unable to copy back RunServices entries from stored location to registry",
                   "--- Error : Unable to restore RunServices entries from stored location to registry"}),
            platform.LogLines());
}

TEST_F(RunLifecycle, SelectionsStayUnwrittenWhileTheMachineKeyIsMissing) {
  CRegistry().DeleteKey(HKeyLocalMachine, "Software\\Tarnwick\\Quill Moor\\Run", "Selections");
  CRegistry().CreateKey(HKeyCurrentUser, kRunKey);
  platform.SetText(HKeyLocalMachine, kRunKey, "Pub", "C:\\p.exe ");
  EXPECT_EQ(1, startups.StartWork());
  EXPECT_EQ((Names{"Pub"}), platform.Names(HKeyLocalMachine, kStoredRunKey));
  EXPECT_EQ(-1, platform.Number(HKeyLocalMachine, kStoredRunSelectionsKey, "Pub"));
  EXPECT_TRUE(platform.LogLines().empty());
}

TEST_F(RunLifecycle, TakeCompletesProgramsNamedWithoutTheirFolder) {
  platform.WriteFile("C:\\windows\\rundll32.exe", "MZ");
  platform.WriteFile("C:\\windows\\system32\\sysonly.exe", "MZ");
  platform.WriteFile("C:\\windows\\system32\\both.exe", "MZ");
  platform.WriteFile("C:\\windows\\both.exe", "MZ");
  platform.SetText(HKeyCurrentUser, kRunKey, "Rundll", "rundll32.exe shell32.dll,Control_RunDLL");
  platform.SetText(HKeyCurrentUser, kRunKey, "Sys", "SYSONLY.EXE");
  platform.SetText(HKeyLocalMachine, kRunKey, "Both", "both.exe -q");
  platform.SetText(HKeyLocalMachine, kRunKey, "Drive", "C:rundll32.exe x");
  platform.SetText(HKeyLocalMachine, kRunKey, "Unknown", "nowhere.exe x");
  platform.SetText(HKeyLocalMachine, kRunKey, "Short", "a.exe");  // three characters or fewer are left alone
  platform.SetText(HKeyLocalMachine, kRunKey, "Tiny", "x.e");

  startups.TakeRunEntries();
  EXPECT_EQ("C:\\windows\\rundll32.exe shell32.dll,Control_RunDLL",
            platform.Text(HKeyCurrentUser, kStoredRunKey, "Rundll"));
  EXPECT_EQ("C:\\windows\\system32\\SYSONLY.EXE ", platform.Text(HKeyCurrentUser, kStoredRunKey, "Sys"));
  EXPECT_EQ("C:\\windows\\system32\\both.exe -q", platform.Text(HKeyLocalMachine, kStoredRunKey, "Both"));
  EXPECT_EQ("C:rundll32.exe x", platform.Text(HKeyLocalMachine, kStoredRunKey, "Drive"));
  EXPECT_EQ("nowhere.exe x", platform.Text(HKeyLocalMachine, kStoredRunKey, "Unknown"));
  EXPECT_EQ("x.e", platform.Text(HKeyLocalMachine, kStoredRunKey, "Tiny"));
}

TEST_F(RunLifecycle, RepairNeverMakesALineTooLongToReturn) {
  platform.system.windowsDirectory = "C:\\" + std::string(120, 'w');
  platform.system.systemDirectory = "C:\\nosuch";
  platform.MakeFolder(platform.system.windowsDirectory);
  platform.WriteFile(platform.system.windowsDirectory + "\\tool.exe", "MZ");
  std::string line = "tool.exe " + std::string(140, 'a');
  platform.SetText(HKeyCurrentUser, kRunKey, "Long", line);

  startups.StartWork();
  EXPECT_EQ(line, platform.Text(HKeyCurrentUser, kStoredRunKey, "Long"));
  startups.ReturnRunEntries();
  EXPECT_EQ(line, platform.Text(HKeyCurrentUser, kRunKey, "Long"));
}

TEST_F(RunLifecycle, ServicesLiveUnderTheMachineOnly) {
  platform.SetText(HKeyLocalMachine, kRunServicesKey, "S1", "C:\\s1.exe ");
  platform.SetText(HKeyLocalMachine, kRunServicesKey, "S2", "C:\\s2.exe -d");
  platform.SetText(HKeyCurrentUser, kRunServicesKey, "Private", "C:\\p.exe ");

  EXPECT_EQ(1, services.StartWork());
  EXPECT_EQ((Names{"S1", "S2"}), platform.Names(HKeyLocalMachine, kStoredRunServicesKey));
  EXPECT_EQ(1, platform.Number(HKeyLocalMachine, kStoredRunServicesSelectionsKey, "S1"));
  EXPECT_EQ(1, platform.Number(HKeyLocalMachine, kStoredRunServicesSelectionsKey, "S2"));
  EXPECT_TRUE(platform.Names(HKeyLocalMachine, kRunServicesKey).empty());
  EXPECT_EQ((Names{"Private"}), platform.Names(HKeyCurrentUser, kRunServicesKey));
  EXPECT_TRUE(platform.Names(HKeyCurrentUser, kStoredRunServicesKey).empty());

  CRegistry().DeleteValue(HKeyLocalMachine, kStoredRunServicesKey, "S2");
  EXPECT_EQ(1, services.ReturnRunServiceEntries());
  EXPECT_EQ((Names{"S1"}), platform.Names(HKeyLocalMachine, kRunServicesKey));
  services.StartWork();
  EXPECT_EQ((Names{"S1"}), platform.Names(HKeyLocalMachine, kStoredRunServicesKey));
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

TEST_F(RunLifecycle, ATakeThatStoppedHalfWayLosesNothingAtTheNextStart) {
  platform.SetText(HKeyCurrentUser, kRunKey, "Mine", "C:\\m.exe ");
  platform.SetText(HKeyLocalMachine, kRunKey, "Ours", "C:\\o.exe ");
  startups.StartWork();
  startups.ReturnRunEntries();
  {
    // The machine's half of the next take fails after the user's half went through.
    test::FailingRegistryStore failing(platform.registry);
    platform::ScopedService<platform::IRegistryStore> slot(&failing);
    int creates = 0;
    failing.failWhen = [&creates](test::StoreCall call, const std::string& path) {
      return call == test::StoreCall::Create && path == kStoredRunKey && ++creates == 2;
    };
    CRegistry().DeleteValue(HKeyLocalMachine, kStoredRunKey, "Ours");
    startups.StartWork();
  }
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kRunKey, "Mine"));
  // The program ends before it can return; the next start takes again.
  startups.StartWork();
  EXPECT_EQ("C:\\m.exe ", platform.Text(HKeyCurrentUser, kStoredRunKey, "Mine"));
  EXPECT_EQ("C:\\o.exe ", platform.Text(HKeyLocalMachine, kStoredRunKey, "Ours"));
}

TEST_F(RunLifecycle, AValueWrittenToTheRunKeyWhileTakenIsNotOverwrittenOnReturn) {
  platform.SetText(HKeyCurrentUser, kRunKey, "Tool", "C:\\v1\\tool.exe ");
  startups.StartWork();
  platform.SetText(HKeyCurrentUser, kRunKey, "Tool", "C:\\v2\\tool.exe ");  // reinstalled meanwhile
  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_EQ("C:\\v2\\tool.exe ", platform.Text(HKeyCurrentUser, kRunKey, "Tool"));
  EXPECT_EQ("C:\\v2\\tool.exe ", platform.Text(HKeyCurrentUser, kStoredRunKey, "Tool"));
}

}  // namespace
}  // namespace qm
