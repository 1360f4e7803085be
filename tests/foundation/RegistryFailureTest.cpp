// How the registry gateway behaves when single store calls fail: what a real
// registry does under a full disk, a locked key or missing rights.
#include <gtest/gtest.h>

#include <set>

#include "engine/foundation/Registry.h"
#include "platform/Text.h"
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

// A value too long for the buffers is passed over and named; every value after
// it is still carried; a listing that fails part way is told apart from the end.
TEST_F(RegistryFailures, WalksPassOverWhatDoesNotFitAndTellWhetherTheyReachedTheEnd) {
  using Transfer = int (CRegistry::*)(RegKey, RegKey, const char*, const char*, int, RegistryWalk*,
                                      const std::set<std::string>*);
  struct Case {
    const char* what;
    Transfer transfer;
    std::vector<std::string> carried, leftInSource, leftEmpty;
  };
  const std::vector<std::string> all{"V0", "V1", "V2", "Huge", "Blank", "After"};
  const Case cases[] = {
      {"Copy", &CRegistry::Copy, {"V0", "V2", "Blank", "After"}, all, {}},
      {"CopyEx", &CRegistry::CopyEx, {"V0", "V2", "After"}, all, {"Blank"}},
      {"Move", &CRegistry::Move, {"V0", "V2", "Blank", "After"}, {"V1", "Huge", "<long>"}, {}},
      {"MoveEx", &CRegistry::MoveEx, {"V0", "V2", "After"}, {"V1", "Huge", "<long>", "Blank"}, {"Blank"}},
  };
  const std::string longName(300, 'L');
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string source = std::string("Source ") + c.what, destination = std::string("Target ") + c.what;
    platform.SetText(HKeyCurrentUser, source, "V0", "zero");
    platform.SetText(HKeyCurrentUser, source, "V1", "one");
    platform.SetText(HKeyCurrentUser, source, "V2", "two");
    platform.SetText(HKeyCurrentUser, source, "Huge", std::string(300, 'h'));
    platform.SetText(HKeyCurrentUser, source, longName, "named");
    platform.SetText(HKeyCurrentUser, source, "Blank", "");
    platform.SetText(HKeyCurrentUser, source, "After", "after");
    RegistryWalk walk;
    const std::set<std::string> leaveAlone{platform::FoldCase("V1")};  // folded, as the registry matches names
    EXPECT_EQ(1, (reg.*c.transfer)(HKeyCurrentUser, HKeyLocalMachine, source.c_str(), destination.c_str(), 1, &walk,
                                   &leaveAlone));
    EXPECT_EQ(c.carried, platform.Names(HKeyLocalMachine, destination));
    std::vector<std::string> left;  // asked of the store itself, past the gateway's buffers
    platform::RegKey key = 0;
    platform.registry.OpenKey(HKeyCurrentUser, source.c_str(), platform::kKeyRead, &key);
    char name[400];
    for (std::uint32_t i = 0, size = sizeof(name); platform.registry.EnumValue(key, i, name, &size, nullptr, nullptr,
                                                                               nullptr) == 0;
         ++i, size = sizeof(name))
      left.push_back(std::string(name, size) == longName ? "<long>" : std::string(name, size));
    platform.registry.CloseKey(key);
    std::vector<std::string> expectedLeft = c.leftInSource;
    if (expectedLeft == all) expectedLeft.insert(expectedLeft.begin() + 4, "<long>");
    EXPECT_EQ(expectedLeft, left);
    EXPECT_EQ((std::vector<std::string>{"Huge"}), walk.passedOver);
    EXPECT_EQ(1u, walk.unnamedPassedOver);
    EXPECT_EQ(c.leftEmpty, walk.leftEmpty);
    EXPECT_TRUE(walk.reachedEnd);
  }
}

TEST_F(RegistryFailures, AListingThatFailsPartWayIsNoShortList) {
  platform.SetText(HKeyCurrentUser, "Src", std::string(300, 'L'), "named");
  platform.SetText(HKeyCurrentUser, "Src", "Huge", std::string(300, 'h'));
  // Whole, they pass over what does not fit.
  std::vector<std::string> names;
  std::vector<RegistryValue> values;
  RegistryWalk walk;
  EXPECT_EQ(1, reg.EnumerateValueNames(HKeyCurrentUser, "Src", &names, &walk));
  EXPECT_EQ((std::vector<std::string>{"V0", "V1", "V2", "Huge"}), names);
  EXPECT_EQ(1u, walk.unnamedPassedOver);
  walk = RegistryWalk();
  EXPECT_EQ(1, reg.EnumerateValues(HKeyCurrentUser, "Src", &values, &walk));
  ASSERT_EQ(3u, values.size());
  EXPECT_EQ("V2", values[2].name);
  EXPECT_EQ(platform::kRegSz, values[2].type);
  EXPECT_EQ((std::vector<std::uint8_t>{'t', 'w', 'o', 0}), values[2].data);
  EXPECT_EQ((std::vector<std::string>{"Huge"}), walk.passedOver);
  // A name too long for the buffer hides none of the names after it.
  EXPECT_EQ(1, reg.IsValueNamePresent(HKeyCurrentUser, "Src", "Huge"));

  // The third enumeration fails: each answers what it is (0, nothing, or a walk that did not reach the end).
  int enumerations = 0;
  failing.failWhen = [&enumerations](StoreCall call, const std::string&) {
    return call == StoreCall::EnumValue && ++enumerations == 3;
  };
  walk = RegistryWalk();
  EXPECT_EQ(0, reg.EnumerateValueNames(HKeyCurrentUser, "Src", &names, &walk));
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(walk.reachedEnd);
  enumerations = 0;
  walk = RegistryWalk();
  EXPECT_EQ(0, reg.EnumerateValues(HKeyCurrentUser, "Src", &values, &walk));
  EXPECT_TRUE(values.empty());
  EXPECT_FALSE(walk.reachedEnd);
  enumerations = 0;
  walk = RegistryWalk();
  EXPECT_EQ(1, reg.Copy(HKeyCurrentUser, HKeyCurrentUser, "Src", "Dst", 1, &walk));
  EXPECT_FALSE(walk.reachedEnd);
  EXPECT_EQ((std::vector<std::string>{"V0", "V1"}), platform.Names(HKeyCurrentUser, "Dst"));
}

}  // namespace
}  // namespace qm
