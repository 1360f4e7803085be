// How the registry gateway behaves when single store calls fail: what a real
// registry does under a full disk, a locked key or missing rights.
#include <gtest/gtest.h>

#include "engine/foundation/Registry.h"
#include "tests/support/FailingRegistryStore.h"
#include "tests/support/TestPlatform.h"

namespace qm {
namespace {

using test::StoreCall;

class RegistryFailures : public testing::Test {
 protected:
  RegistryFailures() : failing(platform.registry), slot(&failing) {
    platform.SetText(HKeyCurrentUser, "Src", "V0", "zero");
    platform.SetText(HKeyCurrentUser, "Src", "V1", "one");
    platform.SetText(HKeyCurrentUser, "Src", "V2", "two");
  }
  test::TestPlatform platform;
  test::FailingRegistryStore failing;
  platform::ScopedService<platform::IRegistryStore> slot;
  CRegistry reg;
};

TEST_F(RegistryFailures, MoveKeepsEveryValueWhoseWriteFailed) {
  failing.failWhen = [](StoreCall call, const std::string& name) { return call == StoreCall::Set && name == "V1"; };
  EXPECT_EQ(1, reg.Move(HKeyCurrentUser, HKeyCurrentUser, "Src", "Dst", 1));
  EXPECT_EQ((std::vector<std::string>{"V1"}), platform.Names(HKeyCurrentUser, "Src"));
  EXPECT_EQ((std::vector<std::string>{"V0", "V2"}), platform.Names(HKeyCurrentUser, "Dst"));

  EXPECT_EQ(1, reg.MoveEx(HKeyCurrentUser, HKeyCurrentUser, "Src", "Dst", 1));
  EXPECT_EQ("one", platform.Text(HKeyCurrentUser, "Src", "V1"));
}

TEST_F(RegistryFailures, MoveValueWhoseDeletionFailsLeavesTheValueInBothKeys) {
  failing.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::DeleteValue; };
  EXPECT_EQ(0, reg.MoveValue(HKeyCurrentUser, HKeyLocalMachine, "Src", "Dst", "V0"));
  EXPECT_EQ("zero", platform.Text(HKeyCurrentUser, "Src", "V0"));
  EXPECT_EQ("zero", platform.Text(HKeyLocalMachine, "Dst", "V0"));
  EXPECT_EQ(static_cast<std::uint32_t>(platform::kErrorAccessDenied), reg.lastError);
}

TEST_F(RegistryFailures, RenameWhoseWriteFailsKeepsTheOldValue) {
  failing.failWhen = [](StoreCall call, const std::string& name) { return call == StoreCall::Set && name != "V0"; };
  EXPECT_EQ(0, reg.RenameValue(HKeyCurrentUser, "Src", "V0", "Renamed"));
  EXPECT_EQ(0, reg.RenameValue(HKeyCurrentUser, "Src", "V0", "v0"));
  EXPECT_EQ("zero", platform.Text(HKeyCurrentUser, "Src", "V0"));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, "Src", "Renamed"));
}

TEST_F(RegistryFailures, TransferFailsWhenTheDestinationCannotBeCreated) {
  failing.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::Create; };
  EXPECT_EQ(0, reg.MoveEx(HKeyCurrentUser, HKeyCurrentUser, "Src", "Dst", 1));
  EXPECT_EQ(3u, platform.Names(HKeyCurrentUser, "Src").size());
}

TEST_F(RegistryFailures, EveryOpenedKeyIsClosedOnEveryPath) {
  failing.failWhen = [](StoreCall call, const std::string&) { return call == StoreCall::Query; };
  std::string text;
  reg.GetValue(HKeyCurrentUser, "Src", "V0", &text);
  reg.CopyValue(HKeyCurrentUser, HKeyCurrentUser, "Src", "Dst", "V0");
  reg.RenameValue(HKeyCurrentUser, "Src", "V0", "X");
  failing.failWhen = [](StoreCall, const std::string&) { return false; };
  reg.Copy(HKeyCurrentUser, HKeyCurrentUser, "Src", "Dst", 0);
  reg.IsValueNamePresent(HKeyCurrentUser, "Src", "V2");
  reg.MoveValue(HKeyCurrentUser, HKeyLocalMachine, "Src", "Dst", "V1");
  EXPECT_EQ(0u, platform.registry.OpenHandleCount());
}

TEST_F(RegistryFailures, PathsTooLongForTheirBufferAreRefused) {
  std::string parent(200, 'p');
  std::string child(70, 'c');
  EXPECT_EQ(0, reg.CreateKey(HKeyCurrentUser, parent.c_str(), child.c_str()));

  // A recursive transfer skips a subkey whose joined path would not fit.
  std::string deep = "Src\\" + std::string(250, 'd').substr(0, 240);
  platform.SetText(HKeyCurrentUser, deep, "Inner", "x");
  EXPECT_EQ(1, reg.Copy(HKeyCurrentUser, HKeyCurrentUser, "Src", std::string(30, 'D').c_str(), 0));
  EXPECT_EQ(3u, platform.Names(HKeyCurrentUser, std::string(30, 'D')).size());
}

}  // namespace
}  // namespace qm
