// Taking, returning, restoring and verifying Run and RunServices entries.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <tuple>

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

  // A return before the next start does what its verify would: the removal stays done.
  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kRunKey, "Gone"));
  EXPECT_EQ(1, startups.RestoreRunEntries());
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kRunKey, "Gone"));

  startups.StartWork();
  EXPECT_EQ(0, platform.Number(HKeyCurrentUser, kStoredRunSelectionsKey, "Keep"));
  EXPECT_FALSE(platform.HasValue(HKeyCurrentUser, kStoredRunSelectionsKey, "Gone"));
  // The registry takes "CASE" for the entry stored as "Case": the same entry,
  // which keeps the flag the user gave it rather than coming back new with 1.
  EXPECT_EQ(2u, platform.Names(HKeyCurrentUser, kStoredRunKey).size());
  EXPECT_EQ(2u, platform.Names(HKeyCurrentUser, kStoredRunSelectionsKey).size());
  EXPECT_EQ(0, platform.Number(HKeyCurrentUser, kStoredRunSelectionsKey, "CASE"));
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

TEST_F(RunLifecycle, AFailedRootKeepsItsEntriesAndTheTakeLogsOnce) {
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
  // No RunServices key stands: nothing to take, which is no failure.
  EXPECT_EQ(1, services.TakeRunServiceEntries());
  EXPECT_EQ(0, services.ReturnRunServiceEntries());
  EXPECT_EQ(0, services.RestoreRunServiceEntries());
  EXPECT_EQ((Names{"--- Error : Unable to move Run entries to stored location",
                   "--- Error : Unable to copy back Run entries from stored location to registry",
                   "--- Error : Unable to restore Run entries from stored location to registry",
                   "--- Error : Unable to copy back RunServices entries from stored location to registry",
                   "--- Error : Unable to restore RunServices entries from stored location to registry"}),
            platform.LogLines());
}

TEST_F(RunLifecycle, EachRootIsTakenOnItsOwn) {
  CRegistry().DeleteKey(HKeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion", "Run");
  platform.SetText(HKeyLocalMachine, kRunKey, "Ours", "C:\\o.exe ");
  EXPECT_EQ(1, startups.TakeRunEntries());
  EXPECT_EQ("C:\\o.exe ", platform.Text(HKeyLocalMachine, kStoredRunKey, "Ours"));
  EXPECT_TRUE(platform.LogLines().empty());
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

namespace qm {
namespace {

// The Run engine (its private root) and the RunServices engine side by side,
// so that one table runs against both.
struct Kind {
  const char* name;
  RegKey root;
  const char* windowsKey;
  const char* storedKey;
  const char* flagsKey;
  std::function<int()> startWork, take, giveBack, restore;
};

const Kind kKinds[] = {
    {"Run", HKeyCurrentUser, kRunKey, kStoredRunKey, kStoredRunSelectionsKey,
     [] { return CStartupEngineer().StartWork(); }, [] { return CStartupEngineer().TakeRunEntries(); },
     [] { return CStartupEngineer().ReturnRunEntries(); }, [] { return CStartupEngineer().RestoreRunEntries(); }},
    {"RunServices", HKeyLocalMachine, kRunServicesKey, kStoredRunServicesKey, kStoredRunServicesSelectionsKey,
     [] { return CServiceEngineer().StartWork(); }, [] { return CServiceEngineer().TakeRunServiceEntries(); },
     [] { return CServiceEngineer().ReturnRunServiceEntries(); },
     [] { return CServiceEngineer().RestoreRunServiceEntries(); }},
};

// A store that fails, for a key path, every open or create of it (call Open or
// Create), or once the nth call of a kind made after it was opened (a listing
// that fails part way).
struct FailingAfterOpen {
  FailingAfterOpen(test::TestPlatform& platform, const char* path, test::StoreCall call, int nth)
      : failing(platform.registry), slot(&failing) {
    failing.failWhen = [this, path = std::string(path), call, nth](test::StoreCall made, const std::string& what) {
      const bool opens = made == test::StoreCall::Open || made == test::StoreCall::Create;
      if (opens && made == call) return what == path;
      if (opens) {
        if (what == path && !spent) armed = true, count = 0;
        return false;
      }
      if (!armed || made != call || ++count != nth) return false;
      spent = true;
      armed = false;
      return true;
    };
  }
  test::FailingRegistryStore failing;
  platform::ScopedService<platform::IRegistryStore> slot;
  bool armed = false, spent = false;
  int count = 0;
};

// Entries A, B and C of one kind, and what a test needs to judge them.
class KindTest : public RunLifecycle {
 protected:
  KindTest() {
    // Both Run keys stand, so that a Run take fails only where a test says.
    CRegistry().CreateKey(HKeyCurrentUser, kRunKey);
    CRegistry().CreateKey(HKeyLocalMachine, kRunKey);
  }
  virtual const Kind& K() const = 0;
  // A, B and C taken, with the user's choices: A selected, B and C not.
  void Take() {
    const Kind& k = K();
    for (const auto& entry : flags) platform.SetText(k.root, k.windowsKey, entry.first, "C:\\" + entry.first + ".exe ");
    k.startWork();
    for (const auto& entry : flags) CRegistry().SetValue(k.root, k.flagsKey, entry.first.c_str(), entry.second);
  }
  // Every entry stands somewhere, with the flag the user chose.
  void ExpectNothingLost() {
    const Kind& k = K();
    for (const auto& entry : flags) {
      SCOPED_TRACE(entry.first);
      EXPECT_TRUE(platform.HasValue(k.root, k.storedKey, entry.first) ||
                  platform.HasValue(k.root, k.windowsKey, entry.first));
      EXPECT_EQ(entry.second, platform.Number(k.root, k.flagsKey, entry.first));
    }
  }
  // A value's type and bytes as one text, a text without its terminator;
  // "missing" if there is none.
  std::string Describe(const char* key, const std::string& name) {
    platform::RegKey handle = 0;
    if (platform.registry.OpenKey(K().root, key, platform::kKeyRead, &handle) != 0) return "no key";
    std::vector<std::uint8_t> data(1000);
    std::uint32_t size = 1000, type = 0;
    long status = platform.registry.QueryValue(handle, name.c_str(), &type, data.data(), &size);
    platform.registry.CloseKey(handle);
    if (status != 0) return "missing";
    while (type == platform::kRegSz && size > 0 && data[size - 1] == 0) --size;
    return std::to_string(type) + ":" + std::string(data.begin(), data.begin() + size);
  }
  const std::map<std::string, std::uint32_t> flags{{"A", 1}, {"B", 0}, {"C", 0}};
};

// What can go wrong between a take and the next log-on, and what the operation
// under it answers. Whatever it is, the next log-on and the return after it
// lose no entry and change no flag; every step that could not be done is in
// the log.
struct Mishap {
  const char* id;
  bool returnedFirst;  // else the entries stand taken when it happens
  std::function<int(test::TestPlatform&, const Kind&)> happen;
  int answer;
  bool logged = true;
};

const Mishap kMishaps[] = {
    {"UpdaterWritesALineTooLongWhileTaken", false,
     [](test::TestPlatform& platform, const Kind& k) {
       platform.SetText(k.root, k.windowsKey, "A", "C:\\" + std::string(300, 'u') + ".exe");
       return k.giveBack();
     },
     1, false},
    {"StoredCopyTooLongToCarryBack", false,
     [](test::TestPlatform& platform, const Kind& k) {
       platform.SetText(k.root, k.storedKey, "A", "C:\\" + std::string(300, 's') + ".exe");
       return k.giveBack();
     },
     0},
    {"StoredListingFailsPartWayThroughTheReturn", false,
     [](test::TestPlatform& platform, const Kind& k) {
       FailingAfterOpen fault(platform, k.storedKey, test::StoreCall::EnumValue, 2);
       return k.giveBack();
     },
     0},
    {"WindowsKeyCannotBeOpenedAtTheNextLogOn", true,
     [](test::TestPlatform& platform, const Kind& k) {
       FailingAfterOpen fault(platform, k.windowsKey, test::StoreCall::Open, 1);
       return k.startWork();
     },
     1},
    {"WindowsListingFailsPartWayThroughVerify", true,
     [](test::TestPlatform& platform, const Kind& k) {
       FailingAfterOpen fault(platform, k.windowsKey, test::StoreCall::EnumValue, 2);
       return k.startWork();
     },
     1},
    {"FlagListingFailsPartWayThroughTheUpdate", true,
     [](test::TestPlatform& platform, const Kind& k) {
       FailingAfterOpen fault(platform, k.flagsKey, test::StoreCall::EnumValue, 2);
       return k.startWork();
     },
     1},
    {"WindowsListingFailsPartWayThroughATake", true,
     [](test::TestPlatform& platform, const Kind& k) {
       FailingAfterOpen fault(platform, k.windowsKey, test::StoreCall::EnumValue, 2);
       return k.take();
     },
     0},
    {"ATakeThatCannotBeginWhileTaken", false,
     [](test::TestPlatform& platform, const Kind& k) {
       FailingAfterOpen fault(platform, k.storedKey, test::StoreCall::Create, 1);
       return k.take();
     },
     0},
};

class Mishaps : public KindTest, public testing::WithParamInterface<std::tuple<Kind, Mishap>> {
 protected:
  const Kind& K() const override { return std::get<0>(GetParam()); }
};

TEST_P(Mishaps, LoseNoEntryAndNoFlagByTheNextLogOn) {
  const Kind& k = K();
  const Mishap& mishap = std::get<1>(GetParam());
  Take();
  if (mishap.returnedFirst) EXPECT_EQ(1, k.giveBack());
  EXPECT_EQ(mishap.answer, mishap.happen(platform, k));
  EXPECT_EQ(mishap.logged, !platform.LogLines().empty());
  k.startWork();
  ExpectNothingLost();
  k.giveBack();
  ExpectNothingLost();
}

INSTANTIATE_TEST_SUITE_P(Engines, Mishaps, testing::Combine(testing::ValuesIn(kKinds), testing::ValuesIn(kMishaps)),
                         [](const testing::TestParamInfo<std::tuple<Kind, Mishap>>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).id;
                         });

class EveryKind : public KindTest, public testing::WithParamInterface<Kind> {
 protected:
  const Kind& K() const override { return GetParam(); }
};

// An entry that stands both where Windows reads it and in the stored location:
// the standing value wins (it was written later), the stored copy follows it
// when it can be carried whole, and a stored copy is written back only where
// nothing of its name stands. Empty command lines are restored too.
TEST_P(EveryKind, RestoreLetsTheStandingValueWin) {
  const Kind& k = K();
  const std::string v1 = "1:C:\\v1.exe ", v2 = "1:C:\\v2.exe ";
  const std::string tooLong = "C:\\" + std::string(300, 'l') + ".exe";
  struct Case {
    const char* name;
    std::function<void()> stand;  // what stands in the Windows key, beside the stored copy "C:\\v1.exe "
    std::string windows, stored;  // afterwards, as Describe gives them
  };
  const Case cases[] = {
      {"Newer", [&] { platform.SetText(k.root, k.windowsKey, "Newer", "C:\\v2.exe "); }, v2, v2},
      {"Same", [&] { platform.SetText(k.root, k.windowsKey, "Same", "C:\\v1.exe "); }, v1, v1},
      {"TooLong", [&] { platform.SetText(k.root, k.windowsKey, "TooLong", tooLong); }, "1:" + tooLong, v1},
      {"Number", [&] { platform.SetNumber(k.root, k.windowsKey, "Number", 7); }, std::string("4:\x07\0\0\0", 6), v1},
      {"Blanked", [&] { platform.SetText(k.root, k.windowsKey, "Blanked", ""); }, "1:", v1},
      {"Missing", [] {}, v1, v1},
  };
  for (const Case& c : cases) {
    platform.SetText(k.root, k.storedKey, c.name, "C:\\v1.exe ");
    c.stand();
  }
  platform.SetText(k.root, k.storedKey, "Empty", "");

  EXPECT_EQ(1, k.restore());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.windows, Describe(k.windowsKey, c.name));
    EXPECT_EQ(c.stored, Describe(k.storedKey, c.name));
  }
  EXPECT_EQ("1:", Describe(k.windowsKey, "Empty"));
}

INSTANTIATE_TEST_SUITE_P(Engines, EveryKind, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qm
