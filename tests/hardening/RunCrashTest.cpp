// No Run or RunServices entry is lost, whichever store call fails and
// wherever the process dies.
#include <gtest/gtest.h>

#include <cstdio>

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
  const char* label;
};
const Place kPlaces[] = {{HKeyCurrentUser, kRunKey, kStoredRunKey, "HKCU Run"},
                         {HKeyLocalMachine, kRunKey, kStoredRunKey, "HKLM Run"},
                         {HKeyLocalMachine, kRunServicesKey, kStoredRunServicesKey, "HKLM RunServices"}};

// Every entry of the seed, with the data the user last gave it (the Windows
// key's where it has one).
std::vector<KnownEntry> EntriesOf(TestPlatform& platform) {
  std::vector<KnownEntry> known;
  for (const Place& place : kPlaces) {
    auto names = platform.Names(place.root, place.windowsKey);
    for (const auto& stored : platform.Names(place.root, place.storedKey))
      if (!platform.HasValue(place.root, place.windowsKey, stored)) names.push_back(stored);
    for (const auto& name : names) {
      std::string data = platform.HasValue(place.root, place.windowsKey, name)
                             ? platform.Text(place.root, place.windowsKey, name)
                             : platform.Text(place.root, place.storedKey, name);
      known.push_back({std::string(place.label) + " '" + name + "'", [place, name, data](TestPlatform& p) {
                         return p.Text(place.root, place.windowsKey, name) == data ||
                                p.Text(place.root, place.storedKey, name) == data;
                       }});
    }
  }
  return known;
}

void Keys(TestPlatform& platform) {
  CRegistry reg;
  for (const Place& place : kPlaces) reg.CreateKey(place.root, place.windowsKey);
  reg.CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
  (void)platform;
}

// Entries only where Windows reads them: a first log-on with the program.
void InWindows(TestPlatform& platform) {
  Keys(platform);
  platform.SetText(HKeyCurrentUser, kRunKey, "Mail", "C:\\mail.exe -tray");
  platform.SetText(HKeyCurrentUser, kRunKey, "Sync", "C:\\sync.exe ");
  platform.SetText(HKeyLocalMachine, kRunKey, "Audio", "C:\\audio.exe /q");
  platform.SetText(HKeyLocalMachine, kRunKey, "Blank", "");
  platform.SetText(HKeyLocalMachine, kRunServicesKey, "Agent", "C:\\agent.exe ");
}

// Entries returned after a cycle: in both places, one changed by its installer meanwhile.
void Returned(TestPlatform& platform) {
  InWindows(platform);
  CStartupEngineer().StartWork();
  CServiceEngineer().StartWork();
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
}

// The program's next steps after an operation of one engine: a take that ran
// to its end, failed steps and all, is followed by the return; one that
// crashed is run again by the next start first.
template <class Engine>
std::function<void(bool)> NextSteps(int (Engine::*startWork)() const, int (Engine::*giveBack)() const) {
  return [startWork, giveBack](bool crashed) {
    Engine engine;
    if (crashed && startWork) (engine.*startWork)();
    (engine.*giveBack)();
  };
}

// Verify and the flag update are covered inside StartWork, which runs them.
std::vector<CrashCase> Cases() {
  using S = CStartupEngineer;
  using V = CServiceEngineer;
  auto runTake = NextSteps<S>(&S::StartWork, &S::ReturnRunEntries);
  auto serviceTake = NextSteps<V>(&V::StartWork, &V::ReturnRunServiceEntries);
  auto runReturn = NextSteps<S>(nullptr, &S::ReturnRunEntries);
  auto serviceReturn = NextSteps<V>(nullptr, &V::ReturnRunServiceEntries);
  return {
      {"StartWork on a first log-on", InWindows, EntriesOf, [] { S().StartWork(); }, runTake},
      {"StartWork after a cycle", Returned, EntriesOf, [] { S().StartWork(); }, runTake},
      {"Service StartWork on a first log-on", InWindows, EntriesOf, [] { V().StartWork(); }, serviceTake},
      {"Service StartWork after a cycle", Returned, EntriesOf, [] { V().StartWork(); }, serviceTake},
      {"TakeRunEntries", Returned, EntriesOf, [] { S().TakeRunEntries(); }, runTake},
      {"TakeRunServiceEntries", Returned, EntriesOf, [] { V().TakeRunServiceEntries(); }, serviceTake},
      {"ReturnRunEntries", Taken, EntriesOf, [] { S().ReturnRunEntries(); }, runReturn},
      {"ReturnRunServiceEntries", Taken, EntriesOf, [] { V().ReturnRunServiceEntries(); }, serviceReturn},
      {"RestoreRunEntries", Taken, EntriesOf, [] { S().RestoreRunEntries(); }, nullptr},
      {"RestoreRunServiceEntries", Taken, EntriesOf, [] { V().RestoreRunServiceEntries(); }, nullptr},
  };
}


// An entry being modified survives as it was, half way, or as it was meant to
// be: under its old or its new name, with its old or its new command line,
// under either root, in the key the edit works on.
KnownEntry EntryBeingModified(const std::string& what, const char* key, const std::string& oldName,
                              const std::string& newName, const std::string& oldLine, const std::string& newLine) {
  return {what, [=](TestPlatform& p) {
            for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
              if (p.Text(root, key, oldName) == oldLine) return true;
              std::string line = p.Text(root, key, newName);
              if (line == oldLine || line == newLine) return true;
            }
            return false;
          }};
}

// Everything but the one entry an edit changes must stay exactly as it was.
std::function<std::vector<KnownEntry>(TestPlatform&)> AllBut(const std::string& label, const std::string& name,
                                                             std::vector<KnownEntry> extra = {}) {
  return [=](TestPlatform& platform) {
    std::vector<KnownEntry> kept;
    for (auto& entry : EntriesOf(platform))
      if (entry.what != label + " '" + name + "'") kept.push_back(entry);
    for (const auto& e : extra) kept.push_back(e);
    return kept;
  };
}

std::vector<CrashCase> EditCases() {
  using S = CStartupEngineer;
  using V = CServiceEngineer;
  std::vector<CrashCase> cases;
  // Each edit where Windows reads the entries (1) and in the stored location (0).
  for (int inRegistry : {1, 0}) {
    auto seed = inRegistry == 1 ? InWindows : Taken;
    const char* runKey = inRegistry == 1 ? kRunKey : kStoredRunKey;
    const char* serviceKey = inRegistry == 1 ? kRunServicesKey : kStoredRunServicesKey;
    std::string where = inRegistry == 1 ? " in the Windows keys" : " in the stored location";
    cases.push_back({"CreateRunEntry" + where, seed, EntriesOf,
                     [=] { S().CreateRunEntry("Fresh", "C:\\fresh.exe", "-x", 1, inRegistry); }, nullptr});
    cases.push_back({"CreateRunServiceEntry" + where, seed, EntriesOf,
                     [=] { V().CreateRunServiceEntry("Fresh", "C:\\fresh.exe", "", inRegistry); }, nullptr});
    cases.push_back({"RemoveRunEntry" + where, seed, AllBut("HKCU Run", "Sync"),
                     [=] { S().RemoveRunEntry("Sync", inRegistry); }, nullptr});
    cases.push_back({"RemoveRunServiceEntry" + where, seed, AllBut("HKLM RunServices", "Agent"),
                     [=] { V().RemoveRunServiceEntry("Agent", inRegistry); }, nullptr});
    cases.push_back({"ModifyRunEntry" + where, seed,
                     AllBut("HKCU Run", "Mail",
                            {EntryBeingModified("the modified 'Mail'", runKey, "Mail", "Post", "C:\\mail.exe -tray",
                                                "C:\\post.exe -min")}),
                     [=] { S().ModifyRunEntry("Mail", "Post", "C:\\post.exe", "-min", 0, 1, inRegistry); }, nullptr});
    cases.push_back({"ModifyRunServiceEntry" + where, seed,
                     AllBut("HKLM RunServices", "Agent",
                            {EntryBeingModified("the modified 'Agent'", serviceKey, "Agent", "Broker", "C:\\agent.exe ",
                                                "C:\\broker.exe /d")}),
                     [=] { V().ModifyRunServiceEntry("Agent", "Broker", "C:\\broker.exe", "/d", inRegistry); },
                     nullptr});
    cases.push_back({"SetRunSelection" + where, seed, EntriesOf, [=] { S().SetRunSelection("Audio", 0, inRegistry); },
                     nullptr});
  }
  cases.push_back({"SetRunServiceSelection", Taken, EntriesOf, [] { V().SetRunServiceSelection("Agent", 0); }, nullptr});
  return cases;
}

TEST(RunCrashes, NoEntryIsLostAtAnyFaultPoint) {
  int faultPoints = 0, lost = 0;
  auto cases = Cases();
  for (auto& c : EditCases()) cases.push_back(c);
  for (const auto& c : cases) {
    auto report = test::RunCrashCase(c);
    faultPoints += report.faultPoints;
    lost += report.entriesLost;
    for (const auto& loss : report.losses) ADD_FAILURE() << loss;
  }
  std::printf("Run and RunServices: %d fault points tried, %d entries lost\n", faultPoints, lost);
  EXPECT_GT(faultPoints, 100);
  EXPECT_EQ(0, lost);
}

}  // namespace
}  // namespace qm
