// The registry contract: what the engines rely on, checked through CRegistry
// against the in-memory store and, in the Windows build, against the real
// registry under a scratch key. Passing on both proves that the memory store
// behaves like the registry wherever it matters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/foundation/Registry.h"
#include "platform/Text.h"
#include "platform/portable/MemoryRegistryStore.h"
#if defined(_WIN32)
#include "platform/win32/Win32RegistryStore.h"
#include "tests/support/ReadOnlyKey.h"
#endif

namespace qm {
namespace {

using platform::IRegistryStore;
using platform::RegKey;

struct StoreKind {
  std::string name;
  std::function<std::unique_ptr<IRegistryStore>()> make;
};

std::vector<StoreKind> Stores() {
  auto memory = [](RegKey otherView) {
    return [otherView] {
      auto store = std::make_unique<platform::MemoryRegistryStore>();
      store->otherView = otherView;
      return std::unique_ptr<IRegistryStore>(std::move(store));
    };
  };
  std::vector<StoreKind> kinds{{"Memory", memory(platform::kHklm64View)},
                               {"Memory64BitBuild", memory(platform::kHklm32View)},
                               {"MemoryOneView", memory(platform::kNoKey)}};
#if defined(_WIN32)
  kinds.push_back({"Win32", [] { return std::make_unique<platform::Win32RegistryStore>(); }});
#endif
  return kinds;
}

// Deletes a key and everything below it through the store itself.
void DeleteTree(IRegistryStore& store, RegKey root, const std::string& path) {
  RegKey key = 0;
  if (store.OpenKey(root, path.c_str(), platform::kKeyRead, &key) != 0) return;
  for (;;) {
    char name[300];
    std::uint32_t size = sizeof(name);
    if (store.EnumKey(key, 0, name, &size) != 0) break;
    DeleteTree(store, root, path + "\\" + name);
  }
  store.CloseKey(key);
  std::size_t slash = path.find_last_of('\\');
  RegKey parent = 0;
  if (store.OpenKey(root, path.substr(0, slash).c_str(), platform::kKeyRead, &parent) == 0) {
    store.DeleteKey(parent, path.substr(slash + 1).c_str());
    store.CloseKey(parent);
  }
}

class RegistryContract : public testing::TestWithParam<StoreKind> {
 protected:
  void SetUp() override {
    store_ = GetParam().make();
    slot_ = std::make_unique<platform::ScopedService<IRegistryStore>>(store_.get());
    std::random_device random;
    base_ = "Software\\Quill Moor Tests\\run" + std::to_string(random());
    other_ = base_ + "\\Other";
    key_ = base_ + "\\Key";
    ASSERT_EQ(1, reg.CreateKey(HKeyCurrentUser, key_.c_str()));
  }
  void TearDown() override {
#if defined(_WIN32)
    readOnly_.reset();
#endif
    if (auto* memory = dynamic_cast<platform::MemoryRegistryStore*>(store_.get())) memory->AllowWrites();
    DeleteTree(*store_, HKeyCurrentUser, base_);
    for (RegKey root : {HKeyLocalMachine, platform::kHklm64View, platform::kHklm32View}) DeleteTree(*store_, root, base_);
    slot_.reset();
  }

  std::vector<std::string> Names(RegKey root, const std::string& path) {
    std::vector<std::string> names;
    reg.EnumerateValueNames(root, path.c_str(), &names);
    return names;
  }
  std::string Text(const std::string& path, const char* name) {
    std::string text = "<missing>";
    reg.GetValue(HKeyCurrentUser, path.c_str(), name, &text);
    return text;
  }

  CRegistry reg;
#if defined(_WIN32)
  std::unique_ptr<test::ScopedReadOnlyKey> readOnly_;
#endif
  std::unique_ptr<IRegistryStore> store_;
  std::unique_ptr<platform::ScopedService<IRegistryStore>> slot_;
  std::string base_, key_, other_;
};

TEST_P(RegistryContract, WritesNeedAnExistingKeyAndCreateKeyMakesAllParents) {
  EXPECT_EQ(0, reg.SetValue(HKeyCurrentUser, other_.c_str(), "A", std::string("x")));
  EXPECT_EQ(0, reg.IsValueNamePresent(HKeyCurrentUser, other_.c_str(), "A"));
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(0, reg.EnumerateValueNames(HKeyCurrentUser, other_.c_str(), &names));
  EXPECT_TRUE(names.empty());

  EXPECT_EQ(1, reg.CreateKey(HKeyCurrentUser, other_.c_str(), "Deep\\Deeper"));
  EXPECT_EQ(1, reg.CreateKey(HKeyCurrentUser, other_.c_str()));  // already there
  EXPECT_EQ(1, reg.SetValue(HKeyCurrentUser, (other_ + "\\Deep\\Deeper").c_str(), "A", std::string("x")));
  EXPECT_EQ("x", Text(other_ + "\\Deep\\Deeper", "A"));
}

// HKEY_LOCAL_MACHINE as a program without elevation has it: read whole, every write refused.
TEST_P(RegistryContract, AKeyThatRefusesWritesIsReadWholeAndLeftAsItIs) {
  for (const char* name : {"A", "B"}) ASSERT_EQ(1, reg.SetValue(HKeyCurrentUser, key_.c_str(), name, std::string(name)));
  if (auto* memory = dynamic_cast<platform::MemoryRegistryStore*>(store_.get())) memory->DenyWrites(HKeyCurrentUser, key_);
#if defined(_WIN32)
  else readOnly_ = std::make_unique<test::ScopedReadOnlyKey>(HKEY_CURRENT_USER, key_);
  ASSERT_TRUE(!readOnly_ || readOnly_->Applied());
#endif
  std::vector<RegistryValue> values;
  EXPECT_EQ(1, reg.EnumerateValues(HKeyCurrentUser, key_.c_str(), &values, nullptr));
  EXPECT_EQ(2u, values.size());
  EXPECT_EQ("A", Text(key_, "A"));
  EXPECT_EQ(1, reg.CreateKey(HKeyCurrentUser, key_.c_str()));  // it stands: opened for reading
  EXPECT_EQ(1, reg.Copy(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), 1));
  EXPECT_EQ(2u, Names(HKeyCurrentUser, other_).size());
  EXPECT_EQ(0, reg.SetValue(HKeyCurrentUser, key_.c_str(), "C", std::string("3")) +
                   reg.DeleteValue(HKeyCurrentUser, key_.c_str(), "A") +
                   reg.RenameValue(HKeyCurrentUser, key_.c_str(), "A", "Z") +
                   reg.Move(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), (other_ + "\\Moved").c_str(), 1));
  EXPECT_EQ(static_cast<std::uint32_t>(platform::kErrorAccessDenied), reg.lastError);
  EXPECT_EQ(2u, Names(HKeyCurrentUser, key_).size());
  RegKey key = 0;  // a key opened for reading refuses writes wherever it stands
  ASSERT_EQ(0, store_->OpenKey(HKeyCurrentUser, other_.c_str(), platform::kKeyRead, &key));
  EXPECT_EQ(platform::kErrorAccessDenied, store_->DeleteValue(key, "A"));
  store_->CloseKey(key);
}

TEST_P(RegistryContract, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
  ASSERT_EQ(1, reg.SetValue(HKeyCurrentUser, key_.c_str(), "Alpha", std::string("1")));
  ASSERT_EQ(1, reg.SetValue(HKeyCurrentUser, key_.c_str(), "Beta", std::string("2")));
  ASSERT_EQ(1, reg.SetValue(HKeyCurrentUser, key_.c_str(), "ALPHA", std::string("3")));
  // Overwriting keeps the value's place and spelling; reading ignores case.
  EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), Names(HKeyCurrentUser, key_));
  EXPECT_EQ("3", Text(key_, "alpha"));
  std::string upper = key_;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ("2", Text(upper, "BETA"));
  // The presence test alone is exact.
  EXPECT_EQ(1, reg.IsValueNamePresent(HKeyCurrentUser, key_.c_str(), "Alpha"));
  EXPECT_EQ(0, reg.IsValueNamePresent(HKeyCurrentUser, key_.c_str(), "alpha"));
}

TEST_P(RegistryContract, NamesInEveryScriptMatchWithoutCase) {
  // Created in alphabetical order, so that every store lists them alike.
  struct Spelling {
    const char* first;
    const char* other;
  };
  const Spelling spellings[] = {{"Écran", "écran"}, {"Ωμέγα", "ΩΜΈΓΑ"}, {"Привет", "привет"}};
  std::vector<std::string> firsts;
  for (const auto& spelling : spellings) {
    ASSERT_EQ(1, reg.SetValue(HKeyCurrentUser, key_.c_str(), spelling.first, std::string("1")));
    ASSERT_EQ(1, reg.SetValue(HKeyCurrentUser, key_.c_str(), spelling.other, std::string("2")));
    EXPECT_EQ("2", Text(key_, spelling.first)) << spelling.first;
    firsts.push_back(spelling.first);
  }
  EXPECT_EQ(firsts, Names(HKeyCurrentUser, key_));

  // A rename that changes only the case keeps the value, under the new spelling.
  EXPECT_EQ(1, reg.RenameValue(HKeyCurrentUser, key_.c_str(), "Écran", "écran"));
  EXPECT_EQ("2", Text(key_, "ÉCRAN"));
  auto names = Names(HKeyCurrentUser, key_);
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"écran", "Ωμέγα", "Привет"}), names);

  // Key names too.
  ASSERT_EQ(1, reg.CreateKey(HKeyCurrentUser, key_.c_str(), "Démarrage"));
  EXPECT_EQ(1, reg.SetValue(HKeyCurrentUser, (key_ + "\\DÉMARRAGE").c_str(), "微信", std::string("w")));
  EXPECT_EQ("w", Text(key_ + "\\démarrage", "微信"));
}

TEST_P(RegistryContract, SmallBuffersAnswerMoreDataWithinThemAndEnumerationGoesOn) {
  const std::string longData(40, 'y');
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "A", std::string("x"));
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "B Longer Name", longData);
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "C", std::string("z"));
  RegKey key = 0;
  ASSERT_EQ(0, store_->OpenKey(HKeyCurrentUser, key_.c_str(), platform::kKeyReadWrite, &key));
  constexpr std::uint8_t kUntouched = 0xEE;

  // Each buffer is given as smaller than it is; nothing may land past the size given.
  struct Case {
    std::uint32_t nameSize;
    std::uint32_t dataSize;
  };
  for (Case c : {Case{5, 100}, Case{100, 10}}) {
    char name[128];
    std::uint8_t data[128];
    std::memset(name, kUntouched, sizeof(name));
    std::memset(data, kUntouched, sizeof(data));
    std::uint32_t nameSize = c.nameSize, dataSize = c.dataSize, type = 0;
    EXPECT_EQ(platform::kErrorMoreData, store_->EnumValue(key, 1, name, &nameSize, &type, data, &dataSize));
    EXPECT_EQ(kUntouched, static_cast<std::uint8_t>(name[c.nameSize]));
    EXPECT_EQ(kUntouched, data[c.dataSize]);
    if (c.dataSize < longData.size()) EXPECT_EQ(longData.size() + 1, dataSize);  // what it would need
    // The failure was for that index alone: the next one is the next value.
    nameSize = sizeof(name);
    dataSize = sizeof(data);
    ASSERT_EQ(0, store_->EnumValue(key, 2, name, &nameSize, &type, data, &dataSize));
    EXPECT_EQ("C", std::string(name, nameSize));
  }

  std::uint8_t data[100];
  std::memset(data, kUntouched, sizeof(data));
  std::uint32_t size = 10, type = 0;
  EXPECT_EQ(platform::kErrorMoreData, store_->QueryValue(key, "B Longer Name", &type, data, &size));
  EXPECT_EQ(longData.size() + 1, size);
  EXPECT_EQ(kUntouched, data[10]);
  store_->CloseKey(key);
}

TEST_P(RegistryContract, ValueIndexesAreDenseAndDeletionShiftsThem) {
  for (const char* name : {"Zulu", "alpha", "Mike"})
    ASSERT_EQ(1, reg.SetValue(HKeyCurrentUser, key_.c_str(), name, std::string(name)));
  // Windows and the memory store hand values out in order of creation, Wine
  // in alphabetical order; nothing may depend on which.
  auto names = Names(HKeyCurrentUser, key_);
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ((std::vector<std::string>{"Mike", "Zulu", "alpha"}), sorted);
  if (GetParam().name == "Memory") EXPECT_EQ((std::vector<std::string>{"Zulu", "alpha", "Mike"}), names);

  // Move counts on the shift: all three arrive although each deletion renumbers.
  EXPECT_EQ(1, reg.Move(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), 1));
  EXPECT_TRUE(Names(HKeyCurrentUser, key_).empty());
  EXPECT_EQ(names, Names(HKeyCurrentUser, other_));
}

TEST_P(RegistryContract, TextReadsStopAt260Bytes) {
  std::string fits(259, 'a'), full(260, 'b'), tooLong(300, 'c');
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Fits", fits);
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Full", full);
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Long", tooLong);
  EXPECT_EQ(fits, Text(key_, "Fits"));
  // Stored with its terminator, a text of 260 characters needs 261 bytes.
  EXPECT_EQ("<missing>", Text(key_, "Full"));
  std::string untouched = "untouched";
  EXPECT_EQ(0, reg.GetValue(HKeyCurrentUser, key_.c_str(), "Long", &untouched));
  EXPECT_EQ("untouched", untouched);
  EXPECT_NE(0u, reg.lastError);
  EXPECT_EQ(0, reg.GetValue(HKeyCurrentUser, key_.c_str(), "Missing", &untouched));
  EXPECT_EQ("untouched", untouched);
}

TEST_P(RegistryContract, NumbersCarryAll32BitsAndLongerDataIsRefused) {
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Big", std::uint32_t{0xA1B2C3D4});
  std::uint32_t number = 7;
  EXPECT_EQ(1, reg.GetValue(HKeyCurrentUser, key_.c_str(), "Big", &number));
  EXPECT_EQ(0xA1B2C3D4u, number);

  const std::uint8_t twoBytes[] = {0x34, 0x12};
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Short", twoBytes, 2);
  EXPECT_EQ(1, reg.GetValue(HKeyCurrentUser, key_.c_str(), "Short", &number));
  EXPECT_EQ(0x1234u, number);

  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Text", std::string("12345"));
  number = 7;
  EXPECT_EQ(0, reg.GetValue(HKeyCurrentUser, key_.c_str(), "Text", &number));
  EXPECT_EQ(7u, number);

  // One listing reads each number as the read by name does, found in any letter case.
  std::map<std::string, std::uint32_t> numbers;
  ASSERT_EQ(1, reg.ReadNumbers(HKeyCurrentUser, key_.c_str(), &numbers));
  EXPECT_EQ((std::map<std::string, std::uint32_t>{{platform::FoldCase("BIG"), 0xA1B2C3D4u},
                                                  {platform::FoldCase("short"), 0x1234u}}),
            numbers);
}

TEST_P(RegistryContract, RawReadsReportTheSizeAndRefuseSmallBuffers) {
  const std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Blob", bytes, sizeof(bytes));
  std::uint8_t buffer[16] = {};
  std::uint32_t size = sizeof(buffer);
  EXPECT_EQ(1, reg.GetValue(HKeyCurrentUser, key_.c_str(), "Blob", buffer, &size));
  EXPECT_EQ(6u, size);
  EXPECT_EQ(0, std::memcmp(buffer, bytes, 6));
  size = 3;
  EXPECT_EQ(0, reg.GetValue(HKeyCurrentUser, key_.c_str(), "Blob", buffer, &size));
  EXPECT_EQ(6u, size);
}

TEST_P(RegistryContract, CopyExAndMoveExLeaveEmptyTextsBehind) {
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "A Full", std::string("C:\\a.exe "));
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "B Empty", std::string(""));
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "C Flag", std::uint32_t{0});

  EXPECT_EQ(1, reg.CopyEx(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), 1));
  EXPECT_EQ((std::vector<std::string>{"A Full", "C Flag"}), Names(HKeyCurrentUser, other_));
  EXPECT_EQ(3u, Names(HKeyCurrentUser, key_).size());

  EXPECT_EQ(1, reg.MoveEx(HKeyCurrentUser, HKeyLocalMachine, key_.c_str(), other_.c_str(), 1));
  EXPECT_EQ((std::vector<std::string>{"B Empty"}), Names(HKeyCurrentUser, key_));
  EXPECT_EQ((std::vector<std::string>{"A Full", "C Flag"}), Names(HKeyLocalMachine, other_));

  EXPECT_EQ(1, reg.Copy(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), 1));
  EXPECT_EQ("", Text(other_, "B Empty"));
}

TEST_P(RegistryContract, TransfersPassOverValuesThatDoNotFitAndGoOn) {
  // Names in alphabetical and in creation order alike, so every store walks them the same way.
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "A Before", std::string("short"));
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "B Huge", std::string(400, 'h'));
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "C After", std::string("short"));
  EXPECT_EQ(1, reg.Move(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), 1));
  EXPECT_EQ((std::vector<std::string>{"A Before", "C After"}), Names(HKeyCurrentUser, other_));
  EXPECT_EQ((std::vector<std::string>{"B Huge"}), Names(HKeyCurrentUser, key_));

  // A name longer than the 259 characters a buffer holds is passed over too.
  std::string longName = "B" + std::string(259, 'n');
  reg.SetValue(HKeyCurrentUser, other_.c_str(), longName.c_str(), std::string("x"));
  reg.SetValue(HKeyCurrentUser, other_.c_str(), "C Last", std::string("x"));
  EXPECT_EQ((std::vector<std::string>{"A Before", "C After", "C Last"}), Names(HKeyCurrentUser, other_));
  EXPECT_EQ(1, reg.IsValueNamePresent(HKeyCurrentUser, other_.c_str(), "C Last"));
}

TEST_P(RegistryContract, RecursiveCopyCarriesSubkeysAndValuesOnlyIgnoresThem) {
  reg.CreateKey(HKeyCurrentUser, key_.c_str(), "Sub");
  reg.SetValue(HKeyCurrentUser, (key_ + "\\Sub").c_str(), "Inner", std::string("i"));
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Outer", std::string("o"));

  EXPECT_EQ(1, reg.Copy(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), 1));
  EXPECT_EQ(0, reg.IsValueNamePresent(HKeyCurrentUser, (other_ + "\\Sub").c_str(), "Inner"));

  std::string tree = base_ + "\\Tree";
  EXPECT_EQ(1, reg.Move(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), tree.c_str(), 0));
  EXPECT_EQ("i", Text(tree + "\\Sub", "Inner"));
  EXPECT_EQ("o", Text(tree, "Outer"));
  // A moved tree leaves its emptied keys behind.
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(1, reg.EnumerateValueNames(HKeyCurrentUser, (key_ + "\\Sub").c_str(), &names));
  EXPECT_TRUE(names.empty());
}

TEST_P(RegistryContract, TransfersFailOnlyWhenTheSourceCannotBeOpened) {
  EXPECT_EQ(0, reg.Copy(HKeyCurrentUser, HKeyCurrentUser, (base_ + "\\Nowhere").c_str(), other_.c_str(), 1));
  EXPECT_EQ(0, reg.MoveEx(HKeyCurrentUser, HKeyCurrentUser, nullptr, other_.c_str(), 1));
  EXPECT_EQ(0, reg.CopyEx(0, HKeyCurrentUser, key_.c_str(), other_.c_str(), 1));
  // An empty source still succeeds and creates the destination.
  EXPECT_EQ(1, reg.CopyEx(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), 1));
  std::vector<std::string> names;
  EXPECT_EQ(1, reg.EnumerateValueNames(HKeyCurrentUser, other_.c_str(), &names));
}

TEST_P(RegistryContract, SingleValueTransfersCarryDataOfAnySize) {
  std::string big(5000, 'x');
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Big", big.c_str(), static_cast<std::uint32_t>(big.size()));
  EXPECT_EQ(1, reg.CopyValue(HKeyCurrentUser, HKeyLocalMachine, key_.c_str(), other_.c_str(), "Big"));
  EXPECT_EQ(1, reg.MoveValue(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), "Big"));
  EXPECT_EQ(0, reg.IsValueNamePresent(HKeyCurrentUser, key_.c_str(), "Big"));
  std::vector<std::uint8_t> buffer(6000);
  std::uint32_t size = 6000;
  EXPECT_EQ(1, reg.GetValue(HKeyLocalMachine, other_.c_str(), "Big", buffer.data(), &size));
  EXPECT_EQ(5001u, size);  // the text and the terminator the store added
  EXPECT_EQ(0, reg.CopyValue(HKeyCurrentUser, HKeyCurrentUser, key_.c_str(), other_.c_str(), "Missing"));
}

TEST_P(RegistryContract, RenameKeepsTypeAndDataAndHandlesCaseOnlyRenames) {
  reg.SetValue(HKeyCurrentUser, key_.c_str(), "Old", std::uint32_t{42});
  EXPECT_EQ(1, reg.RenameValue(HKeyCurrentUser, key_.c_str(), "Old", "New"));
  EXPECT_EQ((std::vector<std::string>{"New"}), Names(HKeyCurrentUser, key_));
  std::uint32_t number = 0;
  EXPECT_EQ(1, reg.GetValue(HKeyCurrentUser, key_.c_str(), "New", &number));
  EXPECT_EQ(42u, number);

  // Only the spelling changes; the value must survive.
  EXPECT_EQ(1, reg.RenameValue(HKeyCurrentUser, key_.c_str(), "New", "NEW"));
  EXPECT_EQ((std::vector<std::string>{"NEW"}), Names(HKeyCurrentUser, key_));
  EXPECT_EQ(1, reg.GetValue(HKeyCurrentUser, key_.c_str(), "new", &number));
  EXPECT_EQ(42u, number);
  EXPECT_EQ(0, reg.RenameValue(HKeyCurrentUser, key_.c_str(), "Missing", "Other"));
}

TEST_P(RegistryContract, DeleteKeyRemovesOnlyLeafKeys) {
  reg.CreateKey(HKeyCurrentUser, other_.c_str(), "Leaf\\Child");
  EXPECT_EQ(0, reg.DeleteKey(HKeyCurrentUser, other_.c_str(), "Leaf"));
  EXPECT_EQ(1, reg.DeleteKey(HKeyCurrentUser, (other_ + "\\Leaf").c_str(), "Child"));
  EXPECT_EQ(1, reg.DeleteKey(HKeyCurrentUser, other_.c_str(), "Leaf"));
  EXPECT_EQ(0, reg.DeleteKey(HKeyCurrentUser, other_.c_str(), "Leaf"));
  EXPECT_EQ(0, reg.DeleteKey(HKeyCurrentUser, other_.c_str(), ""));
  EXPECT_EQ(1, reg.CreateKey(HKeyCurrentUser, other_.c_str()));
}

TEST_P(RegistryContract, NullArgumentsTouchNothing) {
  reg.lastError = 1234;
  EXPECT_EQ(0, reg.SetValue(HKeyCurrentUser, key_.c_str(), nullptr, std::uint32_t{1}));
  EXPECT_EQ(0, reg.SetValue(0, key_.c_str(), "A", std::uint32_t{1}));
  EXPECT_EQ(0, reg.GetValue(HKeyCurrentUser, key_.c_str(), "A", static_cast<std::string*>(nullptr)));
  EXPECT_EQ(0, reg.DeleteValue(HKeyCurrentUser, nullptr, "A"));
  EXPECT_EQ(0, reg.EnumerateValueNames(HKeyCurrentUser, key_.c_str(), nullptr));
  EXPECT_EQ(1234u, reg.lastError);
  EXPECT_TRUE(Names(HKeyCurrentUser, key_).empty());
}

// The system decides whether to add a text's missing terminator by looking at
// the byte after the caller's buffer; the memory store must not read there.
// On 64-bit Windows HKLM\Software is kept twice: a program sees its own view
// through HKLM, the 32-bit view is the 64-bit view's Software\Wow6432Node,
// and one name is two values. With one view every root opens the same key.
TEST_P(RegistryContract, EachViewOfTheMachineKeepsItsOwnSoftware) {
  const RegKey other = store_->OtherView();
  const RegKey own = other == platform::kHklm64View ? platform::kHklm32View : platform::kHklm64View;
  auto read = [&](RegKey root, const std::string& path) {
    std::string text;
    return reg.GetValue(root, path.c_str(), "Name", &text) ? text : std::string("<missing>");
  };
  ASSERT_EQ(1, reg.CreateKey(own, base_.c_str()));
  ASSERT_EQ(1, reg.SetValue(own, base_.c_str(), "Name", std::string("own")));
  EXPECT_EQ("own", read(HKeyLocalMachine, base_));
  if (other == platform::kNoKey) {
    EXPECT_EQ("own", read(platform::kHklm64View, base_));
    EXPECT_EQ("own", read(platform::kHklm32View, base_));
    return;
  }
  EXPECT_EQ("<missing>", read(other, base_));
  ASSERT_EQ(1, reg.CreateKey(other, base_.c_str()));
  ASSERT_EQ(1, reg.SetValue(other, base_.c_str(), "Name", std::string("other")));
  EXPECT_EQ("own", read(own, base_));
  EXPECT_EQ("other", read(other, base_));
  const std::string seenFrom64 = "Software\\Wow6432Node" + base_.substr(std::strlen("Software"));
  EXPECT_EQ(read(platform::kHklm32View, base_), read(platform::kHklm64View, seenFrom64));
}

TEST(MemoryRegistryStore, StoresAnUnterminatedTextWithoutReadingPastIt) {
  platform::MemoryRegistryStore store;
  RegKey key = 0;
  ASSERT_EQ(0, store.CreateKey(HKeyCurrentUser, "Texts", platform::kKeyReadWrite, &key));
  std::vector<std::uint8_t> exact{'a', 'b', 'c'};  // on the heap, exactly as long as given
  ASSERT_EQ(0, store.SetValue(key, "Text", platform::kRegSz, exact.data(), 3));
  std::uint8_t data[8] = {};
  std::uint32_t size = sizeof(data), type = 0;
  ASSERT_EQ(0, store.QueryValue(key, "Text", &type, data, &size));
  EXPECT_EQ(4u, size);
  EXPECT_EQ(std::string("abc", 4), std::string(reinterpret_cast<char*>(data), size));
  store.CloseKey(key);
}

INSTANTIATE_TEST_SUITE_P(Stores, RegistryContract, testing::ValuesIn(Stores()),
                         [](const testing::TestParamInfo<StoreKind>& info) { return info.param.name; });

}  // namespace
}  // namespace qm
