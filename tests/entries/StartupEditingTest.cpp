// Creating, removing, modifying and selecting single Run entries.
#include <gtest/gtest.h>

#include <functional>

#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "tests/entries/EntriesFixture.h"
#include "tests/support/FailingRegistryStore.h"
#include "tests/support/FakeEditField.h"

namespace qm::test {
namespace {

class StartupEditing : public EntriesTest {
 protected:
  CStartupEngineer engine;
};

TEST_F(StartupEditing, CreateWritesTheJoinedLineIntoTheChosenKeyAndTheFlagIntoTheStoredLocation) {
  EXPECT_EQ(1, engine.CreateRunEntry("Tray", "C:\\Tools\\tray.exe", "", 0, 1));
  EXPECT_EQ("C:\\Tools\\tray.exe ", platform.Text(HKCU, kRun, "Tray"));
  EXPECT_EQ(1, platform.Number(HKCU, kFlags, "Tray"));
  EXPECT_FALSE(platform.HasValue(HKCU, kStored, "Tray"));

  EXPECT_EQ(1, engine.CreateRunEntry("Scan", "D:\\WIN\\SCANREGW.EXE", "/autorun", 1, 0));
  EXPECT_EQ("D:\\WIN\\SCANREGW.EXE /autorun", platform.Text(HKLM, kStored, "Scan"));
  EXPECT_EQ(1, platform.Number(HKLM, kFlags, "Scan"));
  EXPECT_FALSE(platform.HasValue(HKLM, kRun, "Scan"));
  EXPECT_TRUE(platform.Names(HKCU, kStored).empty());

  // An existing entry is overwritten and selected again.
  platform.SetNumber(HKLM, kFlags, "Scan", 0);
  EXPECT_EQ(1, engine.CreateRunEntry("Scan", "D:\\WIN\\SCANREGW.EXE", "/quiet", 1, 0));
  EXPECT_EQ("D:\\WIN\\SCANREGW.EXE /quiet", platform.Text(HKLM, kStored, "Scan"));
  EXPECT_EQ(1, platform.Number(HKLM, kFlags, "Scan"));
  EXPECT_TRUE(platform.LogLines().empty());
}

TEST_F(StartupEditing, CreateFailuresNameThePlaceThatRefused) {
  FailingRegistryStore failing(platform.registry);
  platform::ScopedService<platform::IRegistryStore> slot(&failing);
  failing.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::Set; };
  EXPECT_EQ(0, engine.CreateRunEntry("A", "C:\\a.exe", "", 1, 1));
  EXPECT_EQ(0, engine.CreateRunEntry("A", "C:\\a.exe", "", 0, 1));
  EXPECT_EQ(0, engine.CreateRunEntry("A", "C:\\a.exe", "", 0, 0));
  EXPECT_EQ((Lines{"--- Error : Unable to create startup entry in registry HKLM",
                   "--- Error : Unable to create startup entry in registry HKCU",
                   "--- Error : Unable to create startup entry in stored location"}),
            platform.LogLines());
}

TEST_F(StartupEditing, CreateRefusesALineTooLongToBeReadBack) {
  std::string path = "C:\\" + std::string(250, 'p') + ".exe";
  EXPECT_EQ(0, engine.CreateRunEntry("Long", path, "-x", 0, 1));
  EXPECT_FALSE(platform.HasValue(HKCU, kRun, "Long"));
  EXPECT_FALSE(platform.HasValue(HKCU, kFlags, "Long"));
  EXPECT_EQ((Lines{"--- Error : Unable to create startup entry in registry HKCU"}), platform.LogLines());
  // 259 characters still fit.
  EXPECT_EQ(1, engine.CreateRunEntry("Fits", "C:\\" + std::string(251, 'p') + ".exe", "", 0, 1));
  EXPECT_EQ(259u, platform.Text(HKCU, kRun, "Fits").size());
}

TEST_F(StartupEditing, RemoveTakesThePrivateEntryFirstAndOnlyFromTheChosenKey) {
  for (RegKey root : {HKCU, HKLM}) {
    platform.SetText(root, kRun, "Both", "C:\\both.exe ");
    platform.SetText(root, kStored, "Both", "C:\\both.exe ");
    platform.SetNumber(root, kFlags, "Both", 1);
  }
  EXPECT_EQ(1, engine.RemoveRunEntry("Both", 1));
  EXPECT_FALSE(platform.HasValue(HKCU, kRun, "Both"));
  EXPECT_FALSE(platform.HasValue(HKCU, kFlags, "Both"));
  EXPECT_TRUE(platform.HasValue(HKCU, kStored, "Both"));
  EXPECT_TRUE(platform.HasValue(HKLM, kRun, "Both"));
  EXPECT_EQ(1, platform.Number(HKLM, kFlags, "Both"));

  EXPECT_EQ(1, engine.RemoveRunEntry("Both", 0));  // the private copy in the stored location
  EXPECT_FALSE(platform.HasValue(HKCU, kStored, "Both"));
  EXPECT_TRUE(platform.HasValue(HKLM, kStored, "Both"));
  EXPECT_EQ(1, engine.RemoveRunEntry("Both", 0));
  EXPECT_FALSE(platform.HasValue(HKLM, kStored, "Both"));
  EXPECT_FALSE(platform.HasValue(HKLM, kFlags, "Both"));
  EXPECT_TRUE(platform.HasValue(HKLM, kRun, "Both"));

  // Nothing there, nothing done, nothing said; the name test is exact.
  EXPECT_EQ(1, engine.RemoveRunEntry("both", 1));
  EXPECT_TRUE(platform.HasValue(HKLM, kRun, "Both"));
  EXPECT_TRUE(platform.LogLines().empty());
}

TEST_F(StartupEditing, RemoveThatCannotDeleteSaysWhereAndAnswers0) {
  platform.SetText(HKCU, kRun, "A", "a.exe ");
  platform.SetText(HKLM, kStored, "B", "b.exe ");
  FailingRegistryStore failing(platform.registry);
  platform::ScopedService<platform::IRegistryStore> slot(&failing);
  failing.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::DeleteValue; };
  EXPECT_EQ(0, engine.RemoveRunEntry("A", 1));
  EXPECT_EQ(0, engine.RemoveRunEntry("B", 0));
  EXPECT_EQ((Lines{"--- Error : Unable to remove startup entry from registry HKCU",
                   "--- Error : Unable to remove startup entry from stored location HKLM"}),
            platform.LogLines());
}

TEST_F(StartupEditing, ModifyRenamesMovesAndRewrites) {
  platform.SetText(HKCU, kRun, "Old", "C:\\old.exe -a");
  platform.SetNumber(HKCU, kFlags, "Old", 0);
  EXPECT_EQ(1, engine.ModifyRunEntry("Old", "New", "C:\\new.exe", "-b", 0, 1, 1));
  EXPECT_TRUE(platform.Names(HKCU, kRun).empty());
  EXPECT_FALSE(platform.HasValue(HKCU, kFlags, "New"));
  EXPECT_FALSE(platform.HasValue(HKCU, kFlags, "Old"));
  EXPECT_EQ("C:\\new.exe -b", platform.Text(HKLM, kRun, "New"));
  EXPECT_EQ(0, platform.Number(HKLM, kFlags, "New"));  // the user's choice travels with it

  // An entry an installer wrote has no flag yet: it is renamed and moved all the same.
  platform.SetText(HKCU, kRun, "Bare", "C:\\bare.exe ");
  EXPECT_EQ(1, engine.ModifyRunEntry("Bare", "Plain", "C:\\bare.exe", "", 0, 1, 1));
  EXPECT_EQ("C:\\bare.exe ", platform.Text(HKLM, kRun, "Plain"));
  EXPECT_FALSE(platform.HasValue(HKCU, kRun, "Bare"));

  // Letter case alone renames nothing: the old spelling stays.
  platform.SetText(HKCU, kStored, "tool", "C:\\tool.exe ");
  EXPECT_EQ(1, engine.ModifyRunEntry("tool", "TOOL", "C:\\tool.exe", "-min", 0, 0, 0));
  EXPECT_EQ((Lines{"tool"}), platform.Names(HKCU, kStored));
  EXPECT_EQ("C:\\tool.exe -min", platform.Text(HKCU, kStored, "tool"));
  EXPECT_TRUE(platform.LogLines().empty());
}

TEST_F(StartupEditing, ModifyEndsAtTheFirstFailedStepAndWritesNothingAfterIt) {
  // No such entry: the rename fails and nothing is written under the new name or root.
  EXPECT_EQ(0, engine.ModifyRunEntry("Gone", "Here", "C:\\here.exe", "", 1, 0, 1));
  EXPECT_EQ(0, engine.ModifyRunEntry("Gone", "There", "C:\\there.exe", "", 0, 0, 0));
  EXPECT_FALSE(platform.HasValue(HKCU, kRun, "Here"));
  EXPECT_FALSE(platform.HasValue(HKCU, kStored, "There"));

  platform.SetText(HKLM, kStored, "P", "p.exe ");
  platform.SetText(HKCU, kRun, "Q", "q.exe ");
  FailingRegistryStore failing(platform.registry);
  platform::ScopedService<platform::IRegistryStore> slot(&failing);
  failing.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::Set; };
  EXPECT_EQ(0, engine.ModifyRunEntry("P", "R", "r.exe", "", 1, 0, 0));
  EXPECT_EQ(0, engine.ModifyRunEntry("Q", "Q", "q.exe", "-x", 0, 0, 1));
  EXPECT_EQ("p.exe ", platform.Text(HKLM, kStored, "P"));
  EXPECT_FALSE(platform.HasValue(HKCU, kStored, "R"));
  EXPECT_EQ((Lines{"--- Error : Unable to rename public startup and selection in registry and stored location",
                   "--- Error : Unable to rename private startup and selection in stored location",
                   "--- Error : Unable to rename public startup and selection in stored location",
                   "--- Error : Unable to add modified private startup in registry HKCU"}),
            platform.LogLines());
}

TEST_F(StartupEditing, SelectionGoesToTheRootThatHoldsTheEntry) {
  platform.SetText(HKLM, kRun, "Pub", "pub.exe ");
  platform.SetText(HKCU, kStored, "Priv", "priv.exe ");
  EXPECT_EQ(1, engine.SetRunSelection("Pub", 0, 1));
  EXPECT_EQ(0, platform.Number(HKLM, kFlags, "Pub"));
  EXPECT_FALSE(platform.HasValue(HKCU, kFlags, "Pub"));
  EXPECT_EQ(1, engine.SetRunSelection("Priv", 1, 0));
  EXPECT_EQ(1, platform.Number(HKCU, kFlags, "Priv"));
  EXPECT_EQ(0, engine.SetRunSelection("Priv", 1, 1));  // not in the Run keys
  EXPECT_EQ(0, engine.SetRunSelection("Nobody", 1, 0));
  EXPECT_FALSE(platform.HasValue(HKLM, kFlags, "Nobody"));

  EXPECT_EQ(1, engine.IsStartupPublic("Pub", 1));
  EXPECT_EQ(0, engine.IsStartupPublic("Priv", 0));
  EXPECT_EQ(1, engine.IsStartupPublic("Priv", 1));
  EXPECT_EQ(1, engine.IsStartupPublic("Nobody", 0));
}

TEST_F(StartupEditing, RetrieveShowsTheWholeLinePrivateFirst) {
  platform.SetText(HKLM, kRun, "Same", "C:\\public.exe -p");
  platform.SetText(HKCU, kRun, "Same", "C:\\private.exe -q");
  platform.SetText(HKLM, kStored, "Pub", "C:\\Program Files\\x.exe -y z");
  FakeEditField edit;
  EXPECT_EQ(1, engine.RetrieveRunPath(&edit, "Same", 1));
  EXPECT_EQ("C:\\private.exe -q", edit.text);
  EXPECT_EQ(1, engine.RetrieveRunPath(&edit, "Pub", 0));
  EXPECT_EQ("C:\\Program Files\\x.exe -y z", edit.text);
  EXPECT_EQ(1, engine.RetrieveRunPath(&edit, "Nobody", 1));
  EXPECT_EQ("", edit.text);
  EXPECT_EQ(0, engine.RetrieveRunPath(nullptr, "Same", 1));
}

// Writing a name that the registry takes for another entry's would land on
// that entry: a new name that is a letter-case variant of another entry, a
// rename onto a name the root holds in any letter case, a move to the other
// root when it already holds the name, and a new name that is no plain file
// name are refused before anything changes, with the operation's message.
TEST_F(StartupEditing, NamesThatWouldLandOnAnotherEntryAreRefusedAndChangeNothing) {
  for (RegKey root : {HKCU, HKLM})
    for (const char* key : {kRun, kStored}) {
      platform.SetText(root, key, root == HKCU ? "mail" : "pub", "C:\\mine.exe ");
      platform.SetText(root, key, root == HKCU ? "Tool" : "TOOL", "C:\\tool.exe ");
      platform.SetText(root, key, "Other", "C:\\other.exe ");
    }
  for (const char* key : {kServices, kStoredServices}) {
    platform.SetText(HKLM, key, "svc", "C:\\svc.exe ");
    platform.SetText(HKLM, key, "Other", "C:\\other.exe ");
  }
  for (const char* key : {kFlags, kServiceFlags})
    for (const char* name : {"mail", "pub", "Tool", "TOOL", "Other", "svc"}) platform.SetNumber(HKLM, key, name, 0);
  for (const char* name : {"mail", "Tool", "Other"}) platform.SetNumber(HKCU, kFlags, name, 0);
  auto snapshot = [this] {
    std::string all;
    for (RegKey root : {HKCU, HKLM})
      for (const char* key : {kRun, kStored, kFlags, kServices, kStoredServices, kServiceFlags})
        for (const auto& name : platform.Names(root, key))
          all += name + "=" + platform.Text(root, key, name) + std::to_string(platform.Number(root, key, name)) + ";";
    return all;
  };
  const std::string before = snapshot();

  CStartupEngineer startups;
  CServiceEngineer services;
  struct Case {
    std::function<int()> edit;
    const char* message;
  };
  const Case cases[] = {
      {[&] { return startups.CreateRunEntry("MAIL", "C:\\new.exe", "", 0, 1); },
       "Unable to create startup entry in registry HKCU"},
      {[&] { return startups.CreateRunEntry("Pub", "C:\\new.exe", "", 1, 0); },
       "Unable to create startup entry in stored location"},
      {[&] { return startups.ModifyRunEntry("Other", "MAIL", "C:\\new.exe", "", 0, 0, 1); },
       "Unable to rename private startup and selection in registry and stored location"},
      {[&] { return startups.ModifyRunEntry("Other", "tool", "C:\\new.exe", "", 1, 1, 0); },
       "Unable to rename public startup and selection in stored location"},
      {[&] { return startups.ModifyRunEntry("Tool", "Tool", "C:\\new.exe", "", 0, 1, 1); },
       "Unable to move startup from source to destination in registry"},
      {[&] { return startups.ModifyRunEntry("TOOL", "TOOL", "C:\\new.exe", "", 1, 0, 0); },
       "Unable to move startup from source to destination in stored location"},
      {[&] { return startups.ModifyRunEntry("mail", "PUB", "C:\\new.exe", "", 0, 1, 1); },
       "Unable to move startup from source to destination in registry"},
      {[&] { return services.CreateRunServiceEntry("SVC", "C:\\new.exe", "", 1); },
       "Unable to create service entry in registry"},
      {[&] { return services.CreateRunServiceEntry("Svc", "C:\\new.exe", "", 0); },
       "Unable to create service entry in stored location"},
      {[&] { return services.ModifyRunServiceEntry("Other", "SVC", "C:\\new.exe", "", 1); },
       "Unable to rename service and selection in registry and stored location"},
      {[&] { return services.ModifyRunServiceEntry("Other", "sVc", "C:\\new.exe", "", 0); },
       "Unable to rename service and selection in stored location"},
      {[&] { return startups.ModifyRunEntry("Other", "Tool", "C:\\new.exe", "", 0, 0, 1); },
       "Unable to rename private startup and selection in registry and stored location"},
      {[&] { return startups.ModifyRunEntry("Other", "TOOL", "C:\\new.exe", "", 1, 1, 0); },
       "Unable to rename public startup and selection in stored location"},
      {[&] { return services.ModifyRunServiceEntry("Other", "svc", "C:\\new.exe", "", 1); },
       "Unable to rename service and selection in registry and stored location"},
      {[&] { return services.ModifyRunServiceEntry("Other", "svc", "C:\\new.exe", "", 0); },
       "Unable to rename service and selection in stored location"},
      {[&] { return startups.CreateRunEntry("..\\x", "C:\\new.exe", "", 0, 1); },
       "Unable to create startup entry in registry HKCU"},
      {[&] { return startups.CreateRunEntry("CON", "C:\\new.exe", "", 1, 0); },
       "Unable to create startup entry in stored location"},
      {[&] { return startups.ModifyRunEntry("Other", "a/b", "C:\\new.exe", "", 0, 0, 1); },
       "Unable to rename private startup and selection in registry and stored location"},
      {[&] { return services.CreateRunServiceEntry("lpt1.log", "C:\\new.exe", "", 1); },
       "Unable to create service entry in registry"},
      {[&] { return services.ModifyRunServiceEntry("Other", "x:y", "C:\\new.exe", "", 0); },
       "Unable to rename service and selection in stored location"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::size_t logged = platform.LogLines().size();
    EXPECT_EQ(0, c.edit());
    EXPECT_EQ(before, snapshot());
    Lines lines = platform.LogLines();
    EXPECT_EQ((Lines{std::string("--- Error : ") + c.message}), Lines(lines.begin() + logged, lines.end()));
  }
}

}  // namespace
}  // namespace qm::test
