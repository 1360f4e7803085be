// What users' machines really hold: names and command lines too long for the
// program's buffers, values of other types than text, keys that are missing.
// Each gets the result the program promises, and no entry is lost.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "tests/support/FakeShell.h"
#include "tests/support/FakeTreeControl.h"
#include "tests/support/TestPlatform.h"

namespace qm {
namespace {

using namespace entries;
using Names = std::vector<std::string>;

class BadInput : public testing::Test {
 protected:
  BadInput() {
    platform.StartLog();
    CRegistry reg;
    reg.CreateKey(HKeyCurrentUser, kRunKey);
    reg.CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
    reg.CreateKey(HKeyLocalMachine, kStoredRunSelectionsKey);
  }
  // Every value name of a key, however long: asked of the store itself, past
  // the program's own 260-byte buffers.
  Names AllNames(RegKey root, const char* path) {
    Names names;
    platform::RegKey key = 0;
    if (platform.registry.OpenKey(root, path, &key) != 0) return names;
    char name[1024];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t size = sizeof(name);
      if (platform.registry.EnumValue(key, i, name, &size, nullptr, nullptr, nullptr) != 0) break;
      names.emplace_back(name, size);
    }
    platform.registry.CloseKey(key);
    return names;
  }
  void Cycle() {
    startups.StartWork();
    startups.ReturnRunEntries();
  }
  test::TestPlatform platform;
  CStartupEngineer startups;
};

TEST_F(BadInput, ValuesTooLongForTheBuffersStayWhereWindowsReadsThem) {
  // Memory order: the long ones come first, so nothing after them is taken either.
  std::string longName(300, 'N');
  std::string longLine = "C:\\" + std::string(300, 'd') + "\\tool.exe";
  platform.SetText(HKeyCurrentUser, kRunKey, "Short", "C:\\short.exe ");
  platform.SetText(HKeyCurrentUser, kRunKey, longName, "C:\\named.exe ");
  platform.SetText(HKeyCurrentUser, kRunKey, "Long", longLine);
  platform.SetText(HKeyCurrentUser, kRunKey, "After", "C:\\after.exe ");

  EXPECT_EQ(1, startups.StartWork());
  EXPECT_EQ((Names{"Short"}), platform.Names(HKeyCurrentUser, kStoredRunKey));
  EXPECT_EQ(longLine, [&] {
    std::vector<std::uint8_t> data(400);
    std::uint32_t size = 400;
    CRegistry().GetValue(HKeyCurrentUser, kRunKey, "Long", data.data(), &size);
    return std::string(reinterpret_cast<char*>(data.data()), size - 1);
  }());
  EXPECT_EQ((Names{longName, "Long", "After"}), AllNames(HKeyCurrentUser, kRunKey));
  startups.ReturnRunEntries();
  EXPECT_EQ("C:\\short.exe ", platform.Text(HKeyCurrentUser, kRunKey, "Short"));
  EXPECT_EQ((Names{longName, "Long", "After", "Short"}), AllNames(HKeyCurrentUser, kRunKey));
}

TEST_F(BadInput, EditsRefuseCommandLinesThatCouldNotBeReadBack) {
  std::string path = "C:\\" + std::string(250, 'p') + ".exe";
  EXPECT_EQ(0, startups.CreateRunEntry("Long", path, "-arg", 0, 1));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kRunKey, "Long"));
  EXPECT_EQ((Names{"--- Error : Unable to create startup entry in registry HKCU"}), platform.LogLines());
}

TEST_F(BadInput, ValuesOfOtherTypesKeepTheirTypeAndBytesThroughACycle) {
  CRegistry reg;
  const std::uint8_t blob[] = {0x43, 0x3A, 0x00, 0xFF, 0x10};
  reg.SetValue(HKeyCurrentUser, kRunKey, "Blob", blob, sizeof(blob));
  reg.SetValue(HKeyCurrentUser, kRunKey, "Number", std::uint32_t{0xDEADBEEF});
  platform::RegKey key = 0;
  platform.registry.OpenKey(HKeyCurrentUser, kRunKey, &key);
  const char expand[] = "%ProgramFiles%\\Tool\\tool.exe /tray";
  platform.registry.SetValue(key, "Expand", 2, reinterpret_cast<const std::uint8_t*>(expand), sizeof(expand));
  platform.registry.CloseKey(key);

  Cycle();
  std::uint8_t data[16] = {};
  std::uint32_t size = sizeof(data), type = 0;
  platform.registry.OpenKey(HKeyCurrentUser, kRunKey, &key);
  ASSERT_EQ(0, platform.registry.QueryValue(key, "Blob", &type, data, &size));
  EXPECT_EQ(platform::kRegBinary, type);
  EXPECT_EQ(0, std::memcmp(data, blob, sizeof(blob)));
  size = sizeof(data);
  ASSERT_EQ(0, platform.registry.QueryValue(key, "Number", &type, data, &size));
  EXPECT_EQ(platform::kRegDword, type);
  char text[64] = {};
  size = sizeof(text);
  ASSERT_EQ(0, platform.registry.QueryValue(key, "Expand", &type, reinterpret_cast<std::uint8_t*>(text), &size));
  EXPECT_EQ(2u, type);
  EXPECT_STREQ(expand, text);
  platform.registry.CloseKey(key);

  // Shown and started as the text they read as, without harm.
  test::FakeShell shell;
  platform::ScopedService<platform::IShell> shellSlot(&shell);
  test::FakeTreeControl tree;
  platform::TreeItem startupsItem = tree.InsertItem(0, "Startups", 1, 1);
  EXPECT_EQ(1, startups.PopulateRunEntries(&tree, startupsItem, 1));
  EXPECT_EQ(3u, tree.Children(startupsItem).size());
}

TEST_F(BadInput, MissingKeysGiveTheirErrorLineAndChangeNothing) {
  // No stored location at all: nothing to give back.
  CRegistry().DeleteKey(HKeyCurrentUser, kStoredRunKey, "Selections");
  CRegistry().DeleteKey(HKeyCurrentUser, kProductKey, "Run");
  EXPECT_EQ(0, startups.ReturnRunEntries());
  EXPECT_EQ(0, CServiceEngineer().ReturnRunServiceEntries());
  // No Windows RunServices key: nothing to take.
  EXPECT_EQ(0, CServiceEngineer().TakeRunServiceEntries());
  EXPECT_EQ((Names{"--- Error : Unable to copy back Run entries from stored location to registry",
                   "--- Error : Unable to copy back RunServices entries from stored location to registry",
                   "--- Error : Unable to move RunServices entries to stored location"}),
            platform.LogLines());
  // Verify and flag updates on missing keys neither fail nor write anything.
  EXPECT_EQ(1, CServiceEngineer().StartWork());
  EXPECT_FALSE(CRegistry().CreateKey(0, kStoredRunServicesKey));
  Names none;
  EXPECT_EQ(0, CRegistry().EnumerateValueNames(HKeyLocalMachine, kStoredRunServicesKey, &none));
}

}  // namespace
}  // namespace qm
