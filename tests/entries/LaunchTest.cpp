// Launching Run and RunServices entries: what is started, with what, and
// what the user and the log are told.
#include <gtest/gtest.h>

#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "tests/entries/EntriesFixture.h"
#include "tests/support/FailingRegistryStore.h"

namespace qm::test {
namespace {

using Opened = FakeShell::Opened;

class Launching : public EntriesTest {
 protected:
  CStartupEngineer startups;
  CServiceEngineer services;
};

TEST_F(Launching, OneArgumentStartupLaunchIgnoresTheFlagAndTellsTheUser) {
  platform.SetText(HKCU, kRun, "Tool", "D:\\Program Files\\Tool\\tool.exe -min");
  platform.SetText(HKLM, kRun, "Tool", "C:\\public.exe ");
  platform.SetText(HKLM, kRun, "Quoted", "\"C:\\x.exe\" -a");
  EXPECT_EQ(1, startups.LaunchRunEntry("Tool"));
  EXPECT_EQ(1, startups.LaunchRunEntry("Quoted"));
  EXPECT_EQ((std::vector<Opened>{{"D:\\Program Files\\Tool\\tool.exe", "-min"}, {"\"C:\\x.exe\" -a", ""}}),
            shell.opened);
  EXPECT_TRUE(boxes.shown.empty());

  shell.openResult = 2;  // file not found
  EXPECT_EQ(1, startups.LaunchRunEntry("Tool"));
  EXPECT_EQ(0, startups.LaunchRunEntry("Stored only"));
  EXPECT_EQ((std::vector<std::string>{"Unable to launch D:\\Program Files\\Tool\\tool.exe", "Unable to find startup"}),
            boxes.shown);
  EXPECT_TRUE(platform.LogLines().empty());
}

TEST_F(Launching, TwoArgumentStartupLaunchFromTheRunKeysStartsOnlySelectedEntries) {
  platform.SetText(HKCU, kRun, "On", "C:\\on.exe -go");
  platform.SetNumber(HKCU, kFlags, "On", 1);
  platform.SetText(HKCU, kRun, "Off", "C:\\off.exe ");
  platform.SetNumber(HKCU, kFlags, "Off", 0);
  platform.SetText(HKLM, kRun, "Unflagged", "C:\\unflagged.exe ");
  platform.SetText(HKLM, kRun, "Pub", "C:\\pub.exe ");
  platform.SetNumber(HKLM, kFlags, "Pub", 1);
  // A flag under the other root does not count.
  platform.SetNumber(HKCU, kFlags, "Unflagged", 1);

  EXPECT_EQ(1, startups.LaunchRunEntry("On", 1));
  EXPECT_EQ(0, startups.LaunchRunEntry("Off", 1));
  EXPECT_EQ(0, startups.LaunchRunEntry("Unflagged", 1));
  EXPECT_EQ(1, startups.LaunchRunEntry("Pub", 1));
  EXPECT_EQ(0, startups.LaunchRunEntry("Nobody", 1));
  shell.openResult = 32;
  EXPECT_EQ(0, startups.LaunchRunEntry("On", 1));

  EXPECT_EQ((std::vector<Opened>{{"C:\\on.exe", "-go"}, {"C:\\pub.exe", ""}, {"C:\\on.exe", "-go"}}), shell.opened);
  EXPECT_EQ((Lines{"Launching C:\\on.exe -go", "Launching C:\\pub.exe ",
                   "--- Error : Unable to find startup in registry for launch"}),
            platform.LogLines());
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Launching, TwoArgumentStartupLaunchFromTheStoredLocationHandsTheEntryBack) {
  platform.SetText(HKLM, kStored, "Pub", "C:\\pub.exe -x");
  platform.SetNumber(HKLM, kFlags, "Pub", 1);
  platform.SetText(HKCU, kStored, "Off", "C:\\off.exe ");
  EXPECT_EQ(1, startups.LaunchRunEntry("Pub", 0));
  EXPECT_EQ(0, startups.LaunchRunEntry("Off", 0));
  EXPECT_EQ(0, startups.LaunchRunEntry("Nobody", 2));
  EXPECT_EQ("C:\\pub.exe -x", platform.Text(HKLM, kRun, "Pub"));
  EXPECT_EQ("C:\\pub.exe -x", platform.Text(HKLM, kStored, "Pub"));
  EXPECT_FALSE(platform.HasValue(HKCU, kRun, "Pub"));
  EXPECT_FALSE(platform.HasValue(HKCU, kRun, "Off"));
  EXPECT_TRUE(shell.opened.empty());
  EXPECT_EQ((Lines{"--- Error : Unable to find startup in stored location for launch"}), platform.LogLines());

  // A Run key that refuses the value makes the hand-back fail.
  platform.SetNumber(HKCU, kFlags, "Off", 1);
  FailingRegistryStore failing(platform.registry);
  platform::ScopedService<platform::IRegistryStore> slot(&failing);
  failing.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::Set; };
  EXPECT_EQ(0, startups.LaunchRunEntry("Off", 0));
  EXPECT_EQ("--- Error : Unable to copy path of startup back to registry HKCU for launch", platform.LogLines().back());
}

TEST_F(Launching, OneArgumentServiceLaunchReadsTheRunServicesKeyOnly) {
  platform.SetText(HKLM, kServices, "Svc", "C:\\svc.exe /s");
  platform.SetText(HKCU, kServices, "User", "C:\\user.exe ");
  platform.SetText(HKLM, kStoredServices, "Stored", "C:\\stored.exe ");
  EXPECT_EQ(1, services.LaunchRunServiceEntry("Svc"));
  EXPECT_EQ(0, services.LaunchRunServiceEntry("User"));
  EXPECT_EQ(0, services.LaunchRunServiceEntry("Stored"));
  shell.openResult = 0;
  EXPECT_EQ(1, services.LaunchRunServiceEntry("Svc"));
  EXPECT_EQ((std::vector<Opened>{{"C:\\svc.exe", "/s"}, {"C:\\svc.exe", "/s"}}), shell.opened);
  EXPECT_EQ((std::vector<std::string>{"Unable to find service", "Unable to find service", "Unable to launch C:\\svc.exe"}),
            boxes.shown);
}

TEST_F(Launching, TwoArgumentServiceLaunchFromTheRunServicesKeyUsesTheShell) {
  platform.SetText(HKLM, kServices, "On", "C:\\on.exe -go");
  platform.SetNumber(HKLM, kServiceFlags, "On", 1);
  platform.SetText(HKLM, kServices, "Off", "C:\\off.exe ");
  platform.SetNumber(HKLM, kServiceFlags, "Off", 0);
  platform.SetNumber(HKLM, kServiceFlags, "Flag only", 1);
  EXPECT_EQ(1, services.LaunchRunServiceEntry("On", 1));
  EXPECT_EQ(0, services.LaunchRunServiceEntry("Off", 1));
  EXPECT_EQ(0, services.LaunchRunServiceEntry("Flag only", 1));
  EXPECT_EQ(0, services.LaunchRunServiceEntry("Flag only", 0));
  shell.openResult = 5;
  EXPECT_EQ(0, services.LaunchRunServiceEntry("On", 1));
  EXPECT_EQ((std::vector<Opened>{{"C:\\on.exe", "-go"}, {"C:\\on.exe", "-go"}}), shell.opened);
  EXPECT_TRUE(launcher.started.empty());
  EXPECT_EQ((Lines{"Launching C:\\on.exe -go", "--- Error : Unable to get path of service from registry for launch",
                   "--- Error : Unable to get path of service from stored location for launch"}),
            platform.LogLines());
}

TEST_F(Launching, ServiceFromTheStoredLocationRunsAsItsOwnProcessWithItsPathFirst) {
  platform.SetText(HKLM, kStoredServices, "Svc", "C:\\Program Files\\Svc\\svc.exe /service now");
  platform.SetNumber(HKLM, kServiceFlags, "Svc", 1);
  platform.SetText(HKLM, kStoredServices, "Bare", "C:\\bare.exe ");
  platform.SetNumber(HKLM, kServiceFlags, "Bare", 1);
  platform.SetText(HKLM, kStoredServices, "Off", "C:\\off.exe ");
  EXPECT_EQ(1, services.LaunchRunServiceEntry("Svc", 0));
  EXPECT_EQ(1, services.LaunchRunServiceEntry("Bare", 0));
  EXPECT_EQ(0, services.LaunchRunServiceEntry("Off", 0));
  launcher.startResult = false;
  EXPECT_EQ(0, services.LaunchRunServiceEntry("Svc", 0));

  ASSERT_EQ(3u, launcher.started.size());
  EXPECT_EQ("C:\\Program Files\\Svc\\svc.exe", launcher.started[0].application);
  EXPECT_EQ("\"C:\\Program Files\\Svc\\svc.exe\" /service now", launcher.started[0].commandLine);
  EXPECT_EQ("\"C:\\bare.exe\" ", launcher.started[1].commandLine);
  for (const auto& start : launcher.started) {
    EXPECT_GT(start.waitMilliseconds, 0u);
    EXPECT_LE(start.waitMilliseconds, 10000u);
  }
  EXPECT_TRUE(shell.opened.empty());
  // Not handed back to Windows.
  EXPECT_TRUE(platform.Names(HKLM, kServices).empty());
  EXPECT_EQ((Lines{"Launching C:\\Program Files\\Svc\\svc.exe /service now", "Launching C:\\bare.exe "}),
            platform.LogLines());
}

TEST_F(Launching, WithoutAShellOrLauncherNothingStartsAndNothingCrashes) {
  platform::ScopedService<platform::IShell> noShell(nullptr);
  platform::ScopedService<platform::IMessageBox> noBoxes(nullptr);
  platform::ScopedService<platform::IProcessLauncher> noLauncher(nullptr);
  platform.SetText(HKCU, kRun, "On", "C:\\on.exe ");
  platform.SetNumber(HKCU, kFlags, "On", 1);
  platform.SetText(HKLM, kStoredServices, "Svc", "C:\\svc.exe ");
  platform.SetNumber(HKLM, kServiceFlags, "Svc", 1);
  EXPECT_EQ(0, startups.LaunchRunEntry("On", 1));
  EXPECT_EQ(1, startups.LaunchRunEntry("On"));
  EXPECT_EQ(0, startups.LaunchRunEntry("Nobody"));
  EXPECT_EQ(0, services.LaunchRunServiceEntry("Svc", 0));
  EXPECT_TRUE(platform.LogLines().empty());
}

}  // namespace
}  // namespace qm::test
