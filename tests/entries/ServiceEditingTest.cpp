// Creating, removing, modifying and selecting single RunServices entries.
#include <gtest/gtest.h>

#include "engine/entries/ServiceEngineer.h"
#include "tests/entries/EntriesFixture.h"
#include "tests/support/FailingRegistryStore.h"
#include "tests/support/FakeEditField.h"

namespace qm::test {
namespace {

class ServiceEditing : public EntriesTest {
 protected:
  CServiceEngineer engine;
};

TEST_F(ServiceEditing, CreateRemoveAndSelectWorkOnTheLocalMachineOnly) {
  EXPECT_EQ(1, engine.CreateRunServiceEntry("Svc", "C:\\svc.exe", "", 1));
  EXPECT_EQ("C:\\svc.exe ", platform.Text(HKLM, kServices, "Svc"));
  EXPECT_EQ(1, platform.Number(HKLM, kServiceFlags, "Svc"));
  EXPECT_EQ(1, engine.CreateRunServiceEntry("Kept", "C:\\kept.exe", "-k", 0));
  EXPECT_EQ("C:\\kept.exe -k", platform.Text(HKLM, kStoredServices, "Kept"));
  EXPECT_FALSE(platform.HasValue(HKCU, kServices, "Svc"));

  platform.SetText(HKCU, kServices, "User", "C:\\user.exe ");
  EXPECT_EQ(1, engine.RemoveRunServiceEntry("User", 1));
  EXPECT_TRUE(platform.HasValue(HKCU, kServices, "User"));
  EXPECT_EQ(1, engine.RemoveRunServiceEntry("Svc", 0));  // not in the stored location
  EXPECT_TRUE(platform.HasValue(HKLM, kServices, "Svc"));
  EXPECT_EQ(1, engine.RemoveRunServiceEntry("Svc", 1));
  EXPECT_FALSE(platform.HasValue(HKLM, kServices, "Svc"));
  EXPECT_FALSE(platform.HasValue(HKLM, kServiceFlags, "Svc"));

  // A flag is written whether or not the service exists.
  EXPECT_EQ(1, engine.SetRunServiceSelection("Nowhere", 0));
  EXPECT_EQ(0, platform.Number(HKLM, kServiceFlags, "Nowhere"));
  EXPECT_FALSE(platform.HasValue(HKCU, kServiceFlags, "Nowhere"));

  FakeEditField edit;
  platform.SetText(HKCU, kStoredServices, "Kept", "C:\\user-copy.exe ");
  EXPECT_EQ(1, engine.RetrieveRunServicePath(&edit, "Kept", 0));
  EXPECT_EQ("C:\\kept.exe -k", edit.text);
  EXPECT_EQ(1, engine.RetrieveRunServicePath(&edit, "Kept", 1));
  EXPECT_EQ("", edit.text);
  EXPECT_EQ(0, engine.RetrieveRunServicePath(nullptr, "Kept", 0));
  EXPECT_TRUE(platform.LogLines().empty());
}

TEST_F(ServiceEditing, ModifyRenamesWithItsFlagAndRewrites) {
  platform.SetText(HKLM, kServices, "Old", "C:\\old.exe ");
  platform.SetNumber(HKLM, kServiceFlags, "Old", 0);
  EXPECT_EQ(1, engine.ModifyRunServiceEntry("Old", "New", "C:\\new.exe", "/s", 1));
  EXPECT_EQ((Lines{"New"}), platform.Names(HKLM, kServices));
  EXPECT_EQ("C:\\new.exe /s", platform.Text(HKLM, kServices, "New"));
  EXPECT_EQ(0, platform.Number(HKLM, kServiceFlags, "New"));
  EXPECT_EQ(1, engine.ModifyRunServiceEntry("New", "NEW", "C:\\new.exe", "", 1));
  EXPECT_EQ((Lines{"New"}), platform.Names(HKLM, kServices));
  EXPECT_EQ("C:\\new.exe ", platform.Text(HKLM, kServices, "New"));

  // A failed rename ends the change: nothing is written under the new name.
  EXPECT_EQ(0, engine.ModifyRunServiceEntry("Gone", "Fresh", "C:\\fresh.exe", "", 1));
  EXPECT_EQ(0, engine.ModifyRunServiceEntry("Gone", "Fresh", "C:\\fresh.exe", "", 0));
  EXPECT_FALSE(platform.HasValue(HKLM, kServices, "Fresh"));
  EXPECT_FALSE(platform.HasValue(HKLM, kStoredServices, "Fresh"));
  EXPECT_EQ((Lines{"--- Error : Unable to rename service and selection in registry and stored location",
                   "--- Error : Unable to rename service and selection in stored location"}),
            platform.LogLines());
}

TEST_F(ServiceEditing, FailedWritesAndDeletionsAreLoggedWithTheirPlace) {
  platform.SetText(HKLM, kServices, "A", "C:\\a.exe ");
  platform.SetText(HKLM, kStoredServices, "B", "C:\\b.exe ");
  FailingRegistryStore failing(platform.registry);
  platform::ScopedService<platform::IRegistryStore> slot(&failing);
  failing.failWhen = [](StoreCall call, const std::string&) {
    return call == StoreCall::Set || call == StoreCall::DeleteValue;
  };
  EXPECT_EQ(0, engine.CreateRunServiceEntry("C", "C:\\c.exe", "", 1));
  EXPECT_EQ(0, engine.CreateRunServiceEntry("C", "C:\\c.exe", "", 0));
  EXPECT_EQ(0, engine.RemoveRunServiceEntry("A", 1));
  EXPECT_EQ(0, engine.RemoveRunServiceEntry("B", 0));
  EXPECT_EQ(0, engine.ModifyRunServiceEntry("A", "A", "C:\\a.exe", "-x", 1));
  EXPECT_EQ(0, engine.ModifyRunServiceEntry("B", "b", "C:\\b.exe", "-x", 0));
  EXPECT_EQ(0, engine.SetRunServiceSelection("A", 1));
  EXPECT_EQ((Lines{"--- Error : Unable to create service entry in registry",
                   "--- Error : Unable to create service entry in stored location",
                   "--- Error : Unable to remove service entry from registry",
                   "--- Error : Unable to remove service entry from stored location",
                   "--- Error : Unable to add modified service in registry",
                   "--- Error : Unable to add modified service in stored location"}),
            platform.LogLines());
}

TEST_F(ServiceEditing, LinesTooLongToReadBackAreRefused) {
  std::string path = "C:\\" + std::string(260, 's') + ".exe";
  platform.SetText(HKLM, kServices, "S", "C:\\s.exe ");
  EXPECT_EQ(0, engine.CreateRunServiceEntry("Long", path, "", 1));
  EXPECT_EQ(0, engine.ModifyRunServiceEntry("S", "S", path, "", 1));
  EXPECT_FALSE(platform.HasValue(HKLM, kServices, "Long"));
  EXPECT_FALSE(platform.HasValue(HKLM, kServiceFlags, "Long"));
  EXPECT_EQ("C:\\s.exe ", platform.Text(HKLM, kServices, "S"));
  EXPECT_EQ((Lines{"--- Error : Unable to create service entry in registry",
                   "--- Error : Unable to add modified service in registry"}),
            platform.LogLines());
}

}  // namespace
}  // namespace qm::test
