// No Run or RunServices entry is lost and no flag changes, whichever store
// call fails and wherever the process dies, through to the next log-on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "engine/catalog/Catalog.h"
#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "tests/hardening/CrashHarness.h"

namespace qm {
namespace {

using namespace entries;
using test::CrashCase;
using test::KnownEntry;
using test::TestPlatform;

struct Place {
  RegKey root;
  const char* windowsKey;
  const char* storedKey;
  const char* selectionsKey;
  const char* label;
};
const Place kPlaces[] = {{HKeyCurrentUser, kRunKey, kStoredRunKey, kStoredRunSelectionsKey, "HKCU Run"},
                         {HKeyLocalMachine, kRunKey, kStoredRunKey, kStoredRunSelectionsKey, "HKLM Run"},
                         {HKeyLocalMachine, kRunServicesKey, kStoredRunServicesKey, kStoredRunServicesSelectionsKey,
                          "HKLM RunServices"},
                         // The view of 64-bit Windows that the (32-bit) program does not see by itself.
                         {platform::kHklm64View, kRunKey, kStoredRunKey, kStoredRunSelectionsKey, "HKLM 64-bit Run"},
                         {platform::kHklm64View, kRunServicesKey, kStoredRunServicesKey,
                          kStoredRunServicesSelectionsKey, "HKLM 64-bit RunServices"}};
// Every root an entry may stand under.
const RegKey kRoots[] = {HKeyCurrentUser, HKeyLocalMachine, platform::kHklm64View};

// A text value read straight from the store, however long, the name's letter
// case ignored as the registry ignores it: the invariant must see what the
// engine's 260-byte buffers cannot.
std::optional<std::string> Whole(TestPlatform& p, RegKey root, const char* key, const std::string& name) {
  platform::RegKey handle = 0;
  if (p.registry.OpenKey(root, key, platform::kKeyRead, &handle) != platform::kErrorSuccess) return std::nullopt;
  std::uint32_t type = 0, size = 0;
  std::optional<std::string> text;
  if (p.registry.QueryValue(handle, name.c_str(), &type, nullptr, &size) == platform::kErrorSuccess) {
    std::string bytes(size, '\0');
    if (p.registry.QueryValue(handle, name.c_str(), &type, reinterpret_cast<std::uint8_t*>(bytes.data()), &size) ==
        platform::kErrorSuccess)
      text = std::string(bytes.c_str());
  }
  p.registry.CloseKey(handle);
  return text;
}

// The flag as read, -1 when missing.
std::int64_t FlagOf(TestPlatform& p, RegKey root, const char* selectionsKey, const std::string& name) {
  platform::RegKey handle = 0;
  if (p.registry.OpenKey(root, selectionsKey, platform::kKeyRead, &handle) != platform::kErrorSuccess) return -1;
  std::uint32_t type = 0, flag = 0, size = sizeof(flag);
  long status = p.registry.QueryValue(handle, name.c_str(), &type, reinterpret_cast<std::uint8_t*>(&flag), &size);
  p.registry.CloseKey(handle);
  return status == platform::kErrorSuccess ? static_cast<std::int64_t>(flag) : -1;
}

bool OneOf(const std::optional<std::string>& text, const std::vector<std::string>& legitimate) {
  return text && std::find(legitimate.begin(), legitimate.end(), *text) != legitimate.end();
}

// Every entry of the seed: its data is the Windows key's where it has one
// (the newest), or the stored copy's. A Windows value too long for the
// engine's buffers cannot be carried, so the stored copy it would have
// replaced stays legitimate beside it. The flag must stay as the user chose;
// an entry never flagged gets 1 at its first take, and an entry with an empty
// command line is never taken, so its flag is not judged. newFlags names
// (by label) entries whose flag the operation itself sets.
std::vector<KnownEntry> EntriesWith(TestPlatform& platform, const std::map<std::string, std::int64_t>& newFlags) {
  std::vector<KnownEntry> known;
  for (const Place& place : kPlaces) {
    auto names = platform.Names(place.root, place.windowsKey);
    for (const auto& stored : platform.Names(place.root, place.storedKey))
      if (!Whole(platform, place.root, place.windowsKey, stored)) names.push_back(stored);
    for (const auto& name : names) {
      auto windows = Whole(platform, place.root, place.windowsKey, name);
      auto stored = Whole(platform, place.root, place.storedKey, name);
      std::vector<std::string> legitimate;
      if (windows) legitimate.push_back(*windows);
      if (stored && (!windows || windows->size() + 1 > kRegistryBufferSize)) legitimate.push_back(*stored);
      std::string what = std::string(place.label) + " '" + name + "'";
      KnownEntry entry{what,
                       [place, name, legitimate](TestPlatform& p) {
                         return OneOf(Whole(p, place.root, place.windowsKey, name), legitimate);
                       },
                       [place, name, legitimate](TestPlatform& p) {
                         return OneOf(Whole(p, place.root, place.storedKey, name), legitimate);
                       },
                       nullptr};
      if (!legitimate.front().empty()) {
        std::int64_t chosen = FlagOf(platform, place.root, place.selectionsKey, name);
        auto set = newFlags.find(what);
        std::int64_t also = set == newFlags.end() ? -2 : set->second;
        entry.flagKept = [place, name, chosen, also](TestPlatform& p, bool settled) {
          std::int64_t flag = FlagOf(p, place.root, place.selectionsKey, name);
          return flag == also || test::FlagAsChosen(flag, chosen, settled);
        };
      }
      known.push_back(entry);
    }
  }
  return known;
}

std::vector<KnownEntry> EntriesOf(TestPlatform& platform) { return EntriesWith(platform, {}); }

void Keys(TestPlatform& platform) {
  CRegistry reg;
  for (const Place& place : kPlaces) reg.CreateKey(place.root, place.windowsKey);
  reg.CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
  // The 64-bit view's flag keys are left for the engine to make.
  reg.CreateKey(HKeyLocalMachine, kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
  (void)platform;
}

// Entries only where Windows reads them: a first log-on with the program.
// Names in other scripts than Latin go through every step like the rest.
void InWindows(TestPlatform& platform) {
  Keys(platform);
  platform.SetText(HKeyCurrentUser, kRunKey, "Mail", "C:\\mail.exe -tray");
  platform.SetText(HKeyCurrentUser, kRunKey, "Sync", "C:\\sync.exe ");
  platform.SetText(HKeyCurrentUser, kRunKey, "微信", "C:\\chat\\wechat.exe ");
  platform.SetText(HKeyLocalMachine, kRunKey, "Audio", "C:\\audio.exe /q");
  platform.SetText(HKeyLocalMachine, kRunKey, "Mail", "C:\\Program Files\\mail.exe -all");  // the user's twin
  platform.SetText(HKeyLocalMachine, kRunKey, "Blank", "");
  platform.SetText(HKeyLocalMachine, kRunKey, "Écran", "C:\\Écran\\screen.exe -s");
  platform.SetText(HKeyLocalMachine, kRunServicesKey, "Agent", "C:\\agent.exe ");
  platform.SetText(HKeyLocalMachine, kRunServicesKey, "Spooler", "C:\\spool.exe -d");
  // A 64-bit program's entries, one under a name the 32-bit view holds too.
  platform.SetText(platform::kHklm64View, kRunKey, "Audio", "C:\\Program Files\\audio64.exe /q");
  platform.SetText(platform::kHklm64View, kRunKey, "Привет", "C:\\hello64.exe ");
  platform.SetText(platform::kHklm64View, kRunServicesKey, "Agent", "C:\\agent64.exe -x");
}

// The user's choices in the stored location: some entries switched off.
void UserChoices() {
  CStartupEngineer().SetRunSelection("Mail", 0, 0);
  CStartupEngineer().SetRunSelection("Écran", 0, 0);
  CServiceEngineer().SetRunServiceSelection("Agent", 0);
  CStartupEngineer().SetRunSelection("Привет", 0, 0);
  catalog::SetFlag({EntryKind::Service, platform::kHklm64View, EntryPlace::Stored, "Agent"}, 0);
}

// Entries returned after a cycle: in both places, one changed by its installer
// meanwhile and one new since.
void Returned(TestPlatform& platform) {
  InWindows(platform);
  CStartupEngineer().StartWork();
  CServiceEngineer().StartWork();
  UserChoices();
  CStartupEngineer().ReturnRunEntries();
  CServiceEngineer().ReturnRunServiceEntries();
  platform.SetText(HKeyCurrentUser, kRunKey, "Sync", "C:\\sync2.exe ");
  platform.SetText(HKeyLocalMachine, kRunKey, "New", "C:\\new.exe ");
}

// Entries taken: only in the stored location.
void Taken(TestPlatform& platform) {
  InWindows(platform);
  CStartupEngineer().StartWork();
  CServiceEngineer().StartWork();
  UserChoices();
}

// Taken, and an updater has meanwhile written the first taken entry anew with
// a line longer than the 260-byte buffers carry.
void TakenThenLongLine(TestPlatform& platform) {
  Taken(platform);
  platform.SetText(HKeyCurrentUser, kRunKey, "Mail", "C:\\mail.exe " + std::string(300 - 12, 'x'));
}

// Taken, and an installer has meanwhile written the taken "Mail" anew under
// another letter case.
void TakenThenCaseVariant(TestPlatform& platform) {
  Taken(platform);
  platform.SetText(HKeyCurrentUser, kRunKey, "mail", "C:\\mail.exe -tray -safe");
}

// The program's next steps after an operation of one engine. A take that ran
// to its end, failed steps and all, is followed by the return; one that
// crashed is run again by the next start first. A return (or restore) that
// ran to its end is done; one that crashed is run again.
template <class Engine>
std::function<void(bool)> AfterTake(int (Engine::*startWork)() const, int (Engine::*giveBack)() const) {
  return [startWork, giveBack](bool crashed) {
    Engine engine;
    if (crashed) (engine.*startWork)();
    (engine.*giveBack)();
  };
}
template <class Engine>
std::function<void(bool)> AfterReturn(int (Engine::*giveBack)() const) {
  return [giveBack](bool crashed) {
    if (crashed) (Engine().*giveBack)();
  };
}

// After an edit of taken entries the session ends with the return.
void ReturnBoth(bool) {
  CStartupEngineer().ReturnRunEntries();
  CServiceEngineer().ReturnRunServiceEntries();
}

// Verify and the flag update are covered inside StartWork, which runs them.
// Each take and return runs once more with every listing breaking off at its
// second name.
std::vector<CrashCase> Cases() {
  using S = CStartupEngineer;
  using V = CServiceEngineer;
  auto runTake = AfterTake<S>(&S::StartWork, &S::ReturnRunEntries);
  auto serviceTake = AfterTake<V>(&V::StartWork, &V::ReturnRunServiceEntries);
  auto runReturn = AfterReturn<S>(&S::ReturnRunEntries);
  auto serviceReturn = AfterReturn<V>(&V::ReturnRunServiceEntries);
  std::vector<CrashCase> cases = {
      {"StartWork on a first log-on", InWindows, EntriesOf, [] { S().StartWork(); }, runTake},
      {"StartWork after a cycle", Returned, EntriesOf, [] { S().StartWork(); }, runTake},
      {"Service StartWork on a first log-on", InWindows, EntriesOf, [] { V().StartWork(); }, serviceTake},
      {"Service StartWork after a cycle", Returned, EntriesOf, [] { V().StartWork(); }, serviceTake},
      {"TakeRunEntries", Returned, EntriesOf, [] { S().TakeRunEntries(); }, runTake},
      {"TakeRunServiceEntries", Returned, EntriesOf, [] { V().TakeRunServiceEntries(); }, serviceTake},
      {"ReturnRunEntries", Taken, EntriesOf, [] { S().ReturnRunEntries(); }, runReturn},
      {"ReturnRunServiceEntries", Taken, EntriesOf, [] { V().ReturnRunServiceEntries(); }, serviceReturn},
  };
  std::vector<CrashCase> broken = cases;
  for (auto& c : broken) {
    c.name += ", listings breaking off";
    c.listingFailsAt = 1;
    cases.push_back(c);
  }
  cases.push_back({"RestoreRunEntries", Taken, EntriesOf, [] { S().RestoreRunEntries(); },
                   AfterReturn<S>(&S::RestoreRunEntries)});
  cases.push_back({"RestoreRunServiceEntries", Taken, EntriesOf, [] { V().RestoreRunServiceEntries(); },
                   AfterReturn<V>(&V::RestoreRunServiceEntries)});
  cases.push_back({"ReturnRunEntries over a line too long to carry", TakenThenLongLine, EntriesOf,
                   [] { S().ReturnRunEntries(); }, runReturn});
  cases.push_back({"ReturnRunEntries with a letter-case variant standing", TakenThenCaseVariant, EntriesOf,
                   [] { S().ReturnRunEntries(); }, runReturn});
  return cases;
}

// An entry being modified survives as it was, half way, or as it was meant to
// be: under its old or its new name, with its old or its new command line,
// under either root, where Windows reads it or stored; its flag follows it.
std::function<KnownEntry(TestPlatform&)> EntryBeingModified(const std::string& what, const Place& place,
                                                            const std::string& oldName, const std::string& newName,
                                                            const std::string& oldLine, const std::string& newLine) {
  return [=](TestPlatform& platform) {
    auto standsIn = [=](const char* key) {
      return [=](TestPlatform& p) {
        for (RegKey root : kRoots) {
          if (Whole(p, root, key, oldName) == oldLine) return true;
          if (OneOf(Whole(p, root, key, newName), {oldLine, newLine})) return true;
        }
        return false;
      };
    };
    std::int64_t chosen = FlagOf(platform, place.root, place.selectionsKey, oldName);
    // A stale stored copy may stand beside the entry: one place that holds it
    // with the chosen flag is enough.
    auto flagKept = [=](TestPlatform& p, bool settled) {
      for (RegKey root : kRoots)
        for (const auto& name : {oldName, newName})
          if ((Whole(p, root, place.windowsKey, name) || Whole(p, root, place.storedKey, name)) &&
              test::FlagAsChosen(FlagOf(p, root, place.selectionsKey, name), chosen, settled))
            return true;
      return false;
    };
    return KnownEntry{what, standsIn(place.windowsKey), standsIn(place.storedKey), flagKept};
  };
}

// Everything but the one entry an edit changes must stay exactly as it was.
std::function<std::vector<KnownEntry>(TestPlatform&)> AllBut(
    const std::string& label, std::function<KnownEntry(TestPlatform&)> edited = {}) {
  return [=](TestPlatform& platform) {
    std::vector<KnownEntry> kept;
    for (auto& entry : EntriesOf(platform))
      if (entry.what != label) kept.push_back(entry);
    if (edited) kept.push_back(edited(platform));
    return kept;
  };
}

// Every entry, the one whose flag the operation sets allowed its new flag.
std::function<std::vector<KnownEntry>(TestPlatform&)> FlagSet(const std::string& label, std::int64_t flag) {
  return [=](TestPlatform& platform) { return EntriesWith(platform, {{label, flag}}); };
}

std::vector<CrashCase> EditCases() {
  using S = CStartupEngineer;
  using V = CServiceEngineer;
  std::vector<CrashCase> cases;
  // Each edit where Windows reads the entries (1) and in the stored location (0).
  for (int inRegistry : {1, 0}) {
    auto seed = inRegistry == 1 ? InWindows : Taken;
    std::function<void(bool)> next = inRegistry == 1 ? std::function<void(bool)>() : ReturnBoth;
    std::string where = inRegistry == 1 ? " in the Windows keys" : " in the stored location";
    cases.push_back({"CreateRunEntry" + where, seed, EntriesOf,
                     [=] { S().CreateRunEntry("Fresh", "C:\\fresh.exe", "-x", 1, inRegistry); }, next});
    cases.push_back({"CreateRunServiceEntry" + where, seed, EntriesOf,
                     [=] { V().CreateRunServiceEntry("Fresh", "C:\\fresh.exe", "", inRegistry); }, next});
    cases.push_back({"RemoveRunEntry" + where, seed, AllBut("HKCU Run 'Sync'"),
                     [=] { S().RemoveRunEntry("Sync", inRegistry); }, next});
    cases.push_back({"RemoveRunServiceEntry" + where, seed, AllBut("HKLM RunServices 'Agent'"),
                     [=] { V().RemoveRunServiceEntry("Agent", inRegistry); }, next});
    cases.push_back({"ModifyRunEntry" + where, seed,
                     AllBut("HKCU Run 'Mail'", EntryBeingModified("the modified 'Mail'", kPlaces[0], "Mail", "Post",
                                                                  "C:\\mail.exe -tray", "C:\\post.exe -min")),
                     [=] { S().ModifyRunEntry("Mail", "Post", "C:\\post.exe", "-min", 0, 1, inRegistry); }, next});
    cases.push_back({"ModifyRunServiceEntry" + where, seed,
                     AllBut("HKLM RunServices 'Agent'",
                            EntryBeingModified("the modified 'Agent'", kPlaces[2], "Agent", "Broker",
                                               "C:\\agent.exe ", "C:\\broker.exe /d")),
                     [=] { V().ModifyRunServiceEntry("Agent", "Broker", "C:\\broker.exe", "/d", inRegistry); },
                     next});
    cases.push_back({"SetRunSelection" + where, seed, FlagSet("HKLM Run 'Audio'", 0),
                     [=] { S().SetRunSelection("Audio", 0, inRegistry); }, next});
    cases.push_back({"RemoveRunEntry of the 64-bit view" + where, seed, AllBut("HKLM 64-bit Run 'Привет'"),
                     [=] { S().RemoveRunEntry("Привет", inRegistry); }, next});
    cases.push_back({"ModifyRunEntry of the 64-bit view" + where, seed,
                     AllBut("HKLM 64-bit Run 'Привет'",
                            EntryBeingModified("the modified 'Привет'", kPlaces[3], "Привет", "Hello",
                                               "C:\\hello64.exe ", "C:\\hello.exe -v")),
                     [=] { S().ModifyRunEntry("Привет", "Hello", "C:\\hello.exe", "-v", 1, 1, inRegistry); },
                     next});
    // The twin of another root, named whole: the entry of the same name under
    // HKCU or in the other view must come through untouched.
    const EntryPlace place = PlaceOfSelector(inRegistry);
    cases.push_back({"Remove of HKLM's twin of 'Mail'" + where, seed, AllBut("HKLM Run 'Mail'"),
                     [=] { catalog::Remove({EntryKind::Startup, HKeyLocalMachine, place, "Mail"}); }, next});
    cases.push_back({"Modify of the 64-bit view's twin of 'Audio'" + where, seed,
                     AllBut("HKLM 64-bit Run 'Audio'",
                            EntryBeingModified("the modified 64-bit 'Audio'", kPlaces[3], "Audio", "Sound",
                                               "C:\\Program Files\\audio64.exe /q", "C:\\sound.exe -v")),
                     [=] {
                       catalog::Modify({EntryKind::Startup, platform::kHklm64View, place, "Audio"},
                                       {EntryKind::Startup, platform::kHklm64View, place, "Sound"}, "C:\\sound.exe",
                                       "-v", nullptr);
                     },
                     next});
    // A flag that neither twin has yet.
    const int flag = inRegistry == 1 ? 0 : 1;
    cases.push_back({"SetFlag of the 64-bit view's twin of 'Agent'" + where, seed,
                     FlagSet("HKLM 64-bit RunServices 'Agent'", flag),
                     [=] { catalog::SetFlag({EntryKind::Service, platform::kHklm64View, place, "Agent"}, flag); },
                     next});
  }
  cases.push_back({"SetRunServiceSelection", Taken, FlagSet("HKLM RunServices 'Spooler'", 0),
                   [] { V().SetRunServiceSelection("Spooler", 0); }, ReturnBoth});
  return cases;
}

TEST(RunCrashes, NoEntryIsLostAndNoFlagChangesAtAnyFaultPoint) {
  test::CrashReport total;
  auto cases = Cases();
  for (auto& c : EditCases()) cases.push_back(c);
  for (const auto& c : cases) {
    auto report = test::RunCrashCase(c);
    EXPECT_GT(report.faultPoints, 0) << c.name;
    total.faultPoints += report.faultPoints;
    total.entriesLost += report.entriesLost;
    total.flagsChanged += report.flagsChanged;
    total.leftTaken += report.leftTaken;
    for (const auto& loss : report.losses) ADD_FAILURE() << loss;
  }
  std::printf("Run and RunServices: %d fault points tried, %d entries lost, %d flags changed, %d left taken\n",
              total.faultPoints, total.entriesLost, total.flagsChanged, total.leftTaken);
  EXPECT_GT(total.faultPoints, 700 / test::FaultPointStride());
  EXPECT_EQ(0, total.entriesLost);
  EXPECT_EQ(0, total.flagsChanged);
  EXPECT_EQ(0, total.leftTaken);
}

}  // namespace
}  // namespace qm
