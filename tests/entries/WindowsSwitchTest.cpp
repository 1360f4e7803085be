// Windows' own startup settings switch entries off with a value beside the
// Run keys and startup folders; an entry switched off there is first seen
// with flag 0, and a flag the user already has is never touched.
#include <gtest/gtest.h>

#include "engine/entries/StartupEngineer.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "tests/entries/EntriesFixture.h"

namespace qm::test {
namespace {

using platform::kHklm32View;
using platform::kHklm64View;

constexpr char kApproved[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";
constexpr char kShcStored[] = "Software\\Tarnwick\\Quill Moor\\Shc";
constexpr char kShcFlags[] = "Software\\Tarnwick\\Quill Moor\\Shc\\Selections";

struct Case {
  const char* what;
  RegKey otherView;      // which build on which Windows
  RegKey entryRoot;      // where the entry is stored
  bool shortcut;
  RegKey switchRoot;     // where Windows keeps its switch
  const char* switchKey;  // under kApproved
  int firstByte;         // -1: no switch value
  std::int64_t before;   // the flag before, -1 none
  std::int64_t expected;
};

const Case kCases[] = {
    {"private, switched off", kHklm64View, HKCU, false, HKCU, "Run", 3, -1, 0},
    {"private, switched on", kHklm64View, HKCU, false, HKCU, "Run", 2, -1, 1},
    {"private, switched on (6)", kHklm64View, HKCU, false, HKCU, "Run", 6, -1, 1},
    {"private, no switch", kHklm64View, HKCU, false, HKCU, "Run", -1, -1, 1},
    {"private, off, but the user chose 1", kHklm64View, HKCU, false, HKCU, "Run", 3, 1, 1},
    {"32-bit view seen by the 32-bit build, off in Run32", kHklm64View, HKLM, false, kHklm64View, "Run32", 3, -1, 0},
    {"32-bit view, off only for the 64-bit view", kHklm64View, HKLM, false, kHklm64View, "Run", 3, -1, 1},
    {"64-bit view seen by the 32-bit build, off in Run", kHklm64View, kHklm64View, false, kHklm64View, "Run", 3, -1,
     0},
    {"64-bit view seen by the 64-bit build, off in Run", kHklm32View, HKLM, false, HKLM, "Run", 3, -1, 0},
    {"32-bit view seen by the 64-bit build, off in Run32", kHklm32View, kHklm32View, false, HKLM, "Run32", 3, -1, 0},
    {"32-bit Windows, off in Run", platform::kNoKey, HKLM, false, HKLM, "Run", 3, -1, 0},
    {"user's shortcut, off", kHklm64View, HKCU, true, HKCU, "StartupFolder", 3, -1, 0},
    {"common shortcut, off", kHklm64View, HKLM, true, kHklm64View, "StartupFolder", 3, -1, 0},
    {"common shortcut, on", kHklm64View, HKLM, true, kHklm64View, "StartupFolder", 2, -1, 1},
};

TEST(WindowsSwitch, AnEntrySwitchedOffInWindowsIsFirstSeenUnselected) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    TestPlatform platform;
    platform.registry.otherView = c.otherView;
    const char* stored = c.shortcut ? kShcStored : kStored;
    const char* flags = c.shortcut ? kShcFlags : kFlags;
    CRegistry().CreateKey(c.entryRoot, flags);
    platform.SetText(c.entryRoot, stored, "Tool", "C:\\tool.exe ");
    if (c.before >= 0) platform.SetNumber(c.entryRoot, flags, "Tool", static_cast<std::uint32_t>(c.before));
    // Windows' value, named as Windows names it, in another letter case.
    const std::string switchName = c.shortcut ? "TOOL.lnk" : "TOOL";
    const std::string switchKey = std::string(kApproved) + c.switchKey;
    if (c.firstByte >= 0) {
      const std::uint8_t data[12] = {static_cast<std::uint8_t>(c.firstByte)};
      CRegistry().CreateKey(c.switchRoot, switchKey.c_str());
      CRegistry().SetValue(c.switchRoot, switchKey.c_str(), switchName.c_str(), data, sizeof(data));
    }
    if (c.shortcut)
      CShortcutEngineer().UpdateShcSelections();
    else
      CStartupEngineer().UpdateRunSelections();
    EXPECT_EQ(c.expected, platform.Number(c.entryRoot, flags, "Tool"));
    // Windows' own value is only ever read.
    if (c.firstByte >= 0) {
      std::uint8_t data[16] = {};
      std::uint32_t size = sizeof(data);
      ASSERT_EQ(1, CRegistry().GetValue(c.switchRoot, switchKey.c_str(), switchName.c_str(), data, &size));
      EXPECT_EQ(12u, size);
      EXPECT_EQ(c.firstByte, data[0]);
    }
  }
}

}  // namespace
}  // namespace qm::test
