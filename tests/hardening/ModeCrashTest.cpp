// Whole modes of the program, each run once per registry and file call with
// that call failing or the process dying right after it, started as Windows
// starts them (its RunOnce value deleted first). Then the keeper a "/startup"
// started does its part as Windows' pass ends; then the next log-on as
// Windows runs it (HKLM RunOnce values, each deleted before its program
// starts; then HKCU RunOnce values; then the keeper), then one more whole log-on. Every mode
// runs under each account, each start with the rights that account gives it.
// Invariant, at every check: no entry lost, every selection flag the user's,
// and nothing left taken that no armed start with the rights to write it back
// will give back.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <set>

#include "engine/foundation/StoredKeys.h"
#include "platform/portable/ShellLinkFile.h"
#include "tests/app/ModesFixture.h"
#include "tests/hardening/CrashHarness.h"
#include "tests/support/FaultInjection.h"

namespace qm::test {
namespace {

constexpr char kUserFolder[] = "C:\\Users\\ann\\Start Menu\\Programs\\Startup";
constexpr char kCommonFolder[] = "C:\\ProgramData\\Start Menu\\Programs\\Startup";
constexpr char kStartupArm[] = "QM Init Startups";
constexpr char kCleanupArm[] = "QM Init Cleanups";

// Straight from the store, whatever its size, the name's case ignored as the registry ignores it.
std::optional<std::string> Raw(TestPlatform& p, RegKey root, const char* key, const std::string& name) {
  platform::RegKey handle = 0;
  if (p.registry.OpenKey(root, key, platform::kKeyRead, &handle) != platform::kErrorSuccess) return std::nullopt;
  std::uint32_t type = 0, size = 0;
  std::optional<std::string> bytes;
  if (p.registry.QueryValue(handle, name.c_str(), &type, nullptr, &size) == platform::kErrorSuccess) {
    std::string data(size, '\0');
    if (p.registry.QueryValue(handle, name.c_str(), &type, reinterpret_cast<std::uint8_t*>(data.data()), &size) ==
        platform::kErrorSuccess)
      bytes = data.substr(0, size);
  }
  p.registry.CloseKey(handle);
  return bytes;
}

std::int64_t FlagOf(TestPlatform& p, RegKey root, const char* selections, const std::string& name) {
  auto bytes = Raw(p, root, selections, name);
  if (!bytes || bytes->size() != 4) return -1;
  return static_cast<std::uint8_t>((*bytes)[0]);
}

std::optional<std::string> FileBytes(TestPlatform& p, const char* folder, const std::string& name) {
  std::string path = std::string(folder) + "\\" + name + ".lnk";
  if (!p.FileExists(path)) return std::nullopt;
  return p.ReadFile(path);
}

bool Armed(TestPlatform& p) {
  return p.HasValue(HKeyCurrentUser, kRunOnceKey, kCleanupArm) || p.HasValue(HKeyLocalMachine, kRunOnceKey, kStartupArm);
}

// Who logs on: whether "/startup" (started from HKLM RunOnce) and every other
// start may write the machine's places, and whether Windows runs RunOnce at all.
struct Account {
  const char* name;
  bool startupElevated, othersElevated, runOnceRuns;
};
const Account kAccounts[] = {
    {"no User Account Control", true, true, true},
    {"administrator, /startup elevated", true, false, true},
    {"administrator, /startup filtered", false, false, true},
    {"standard user", false, false, false},
};
const Account* account = kAccounts;  // the one the suite runs under now
// A keeper a "/startup" started, waiting for Windows' pass to end.
bool keeperWaits = false;

// The rights of the next process: without the machine's, HKLM and the common Startup folder are read-only.
void Grant(TestPlatform& p, bool machine, Program* program = nullptr) {
  p.registry.AllowWrites(), p.files.AllowWrites();
  if (!machine) p.registry.DenyWrites(HKeyLocalMachine, ""), p.files.DenyWrites(kCommonFolder);
  if (program)
    program->system.runOnceRuns = account->runOnceRuns, program->system.elevatedAlone = machine && !account->othersElevated;
}

void Start(TestPlatform& p, bool elevated, const std::string& commandLine) {
  Program program;
  Grant(p, elevated, &program);
  program.Run(commandLine);
  keeperWaits = keeperWaits || program.system.keepers > 0;
  Grant(p, true);
}

// The pass is over: the waiting keeper, with the rights of the "/startup" that started it, does its part.
void PassEnds(TestPlatform& p) {
  if (keeperWaits) keeperWaits = false, Start(p, account->startupElevated, "/keep");
}

// Whether an armed start with the rights will give back an entry taken from the machine's places or the user's.
bool ReturnArmed(TestPlatform& p, bool machine) {
  const Account& a = *account;
  // A waiting keeper arms the next "/startup", and gives back the machine's entries itself.
  const bool startup = a.runOnceRuns && (p.HasValue(HKeyLocalMachine, kRunOnceKey, kStartupArm) || keeperWaits);
  const bool cleanup = a.runOnceRuns && p.HasValue(HKeyCurrentUser, kRunOnceKey, kCleanupArm);
  return (startup && (!machine || a.startupElevated)) || (cleanup && (!machine || a.othersElevated));
}

// Every entry of the seed with the data and flag it has there.
struct Entry {
  std::string what;
  std::function<std::optional<std::string>(TestPlatform&)> inWindows, inStored;
  std::string data;
  std::function<std::int64_t(TestPlatform&)> flag;
  std::int64_t chosen;
  bool machine;
};

std::vector<Entry> EntriesOf(TestPlatform& p) {
  std::vector<Entry> entries;
  struct Place {
    RegKey root;
    const char *windows, *stored, *selections, *label;
  };
  const Place places[] = {{HKeyCurrentUser, kRunKey, kStoredRunKey, kStoredRunSelectionsKey, "HKCU Run"},
                          {HKeyLocalMachine, kRunKey, kStoredRunKey, kStoredRunSelectionsKey, "HKLM Run"},
                          {HKeyLocalMachine, kRunServicesKey, kStoredRunServicesKey,
                           kStoredRunServicesSelectionsKey, "HKLM RunServices"}};
  for (const Place& place : places) {
    std::set<std::string> names;
    for (const auto& n : p.Names(place.root, place.windows)) names.insert(n);
    for (const auto& n : p.Names(place.root, place.stored)) names.insert(n);
    for (const auto& name : names) {
      auto data = Raw(p, place.root, place.windows, name);
      if (!data) data = Raw(p, place.root, place.stored, name);
      entries.push_back({std::string(place.label) + " '" + name + "'",
                         [=](TestPlatform& q) { return Raw(q, place.root, place.windows, name); },
                         [=](TestPlatform& q) { return Raw(q, place.root, place.stored, name); }, *data,
                         [=](TestPlatform& q) { return FlagOf(q, place.root, place.selections, name); },
                         FlagOf(p, place.root, place.selections, name), place.root != HKeyCurrentUser});
    }
  }
  struct Side {
    RegKey root;
    const char *folder, *label;
  };
  for (const Side& side : {Side{HKeyCurrentUser, kUserFolder, "user shortcut"},
                           Side{HKeyLocalMachine, kCommonFolder, "common shortcut"}}) {
    std::set<std::string> names;
    std::vector<platform::DirEntry> files;
    p.files.List(side.folder, "*.lnk", files);
    for (const auto& f : files) names.insert(f.name.substr(0, f.name.size() - 4));
    for (const auto& n : p.Names(side.root, kStoredShcKey)) names.insert(n);
    for (const auto& name : names) {
      auto data = FileBytes(p, side.folder, name);
      if (!data) data = Raw(p, side.root, kStoredShcKey, name);
      entries.push_back({std::string(side.label) + " '" + name + "'",
                         [=](TestPlatform& q) { return FileBytes(q, side.folder, name); },
                         [=](TestPlatform& q) { return Raw(q, side.root, kStoredShcKey, name); }, *data,
                         [=](TestPlatform& q) { return FlagOf(q, side.root, kStoredShcSelectionsKey, name); },
                         FlagOf(p, side.root, kStoredShcSelectionsKey, name), side.root != HKeyCurrentUser});
    }
  }
  return entries;
}

// Windows starts the program for each of its RunOnce values, deleting the value first.
void RunOnceValues(TestPlatform& p, RegKey root) {
  CRegistry registry;
  std::vector<std::string> names;
  registry.EnumerateValueNames(root, kRunOnceKey, &names);
  for (const auto& name : names) {
    std::string data;
    registry.GetValue(root, kRunOnceKey, name.c_str(), &data);
    registry.DeleteValue(root, kRunOnceKey, name.c_str());
    std::size_t program = data.find("Quillmoor.exe");
    if (program == std::string::npos) continue;
    std::size_t tail = data.find(' ', program);
    Start(p, root == HKeyLocalMachine ? account->startupElevated : account->othersElevated,
          tail == std::string::npos ? std::string() : data.substr(tail + 1));
  }
}

// One log-on as Windows runs it: HKLM RunOnce, then (nothing of ours in) the
// Run keys and the startup folders, then HKCU RunOnce; none for a standard user.
void LogOn(TestPlatform& p) {
  if (!account->runOnceRuns) return;
  RunOnceValues(p, HKeyLocalMachine);
  RunOnceValues(p, HKeyCurrentUser);
  PassEnds(p);
}

struct ModeCase {
  std::string name;
  std::function<void(TestPlatform&)> seed;
  // The RunOnce value Windows used to start the mode (null: started by hand).
  const char* startedBy;
  std::string commandLine;
  bool answerYes = false;
  // The seed itself has entries taken with nothing armed.
  bool startsStranded = false;
};

struct Totals {
  int faultPoints = 0, lost = 0, changed = 0, stranded = 0, unarmed = 0, accounts = 0;
  std::vector<std::string> findings;
};

// One run under a fault plan; answers the calls it made.
int RunMode(const ModeCase& c, FaultPlan::Mode mode, int k, Totals* totals) {
  const Account& a = *account;
  TestPlatform platform;
  platform.StartLog();
  keeperWaits = false;
  c.seed(platform);
  auto entries = EntriesOf(platform);
  const bool seedArmed = Armed(platform);
  if (c.startedBy) {
    RegKey root = std::string(c.startedBy) == kStartupArm ? HKeyLocalMachine : HKeyCurrentUser;
    CRegistry().DeleteValue(root, kRunOnceKey, c.startedBy);
  }
  // What Windows' pass through HKLM RunOnce holds while a mode it started runs
  // (the user's pass is the last: "/cleanup" arms it again only as the session ends).
  const bool machinePass = c.startedBy && std::string(c.startedBy) == kStartupArm;
  const auto passKey = [&] {
    return machinePass ? platform.Names(HKeyLocalMachine, kRunOnceKey) : std::vector<std::string>();
  };
  const auto passBefore = passKey();
  FaultPlan plan;
  FaultyRegistryStore registry(platform.registry, plan);
  FaultyFileSystem files(platform.files, plan);
  int calls = 0;
  {
    platform::ScopedService<platform::IRegistryStore> registrySlot(&registry);
    platform::ScopedService<platform::IFileSystem> filesSlot(&files);
    Program program;
    Grant(platform, c.startedBy && std::string(c.startedBy) == kStartupArm ? a.startupElevated : a.othersElevated,
          &program);
    plan.Arm(mode, k);
    program.system.answerYes = c.answerYes;
    program.Run(c.commandLine);
    calls = plan.Calls();
    plan.Disarm();
    keeperWaits = keeperWaits || program.system.keepers > 0;
    Grant(platform, true);
  }
  std::string point = std::string(a.name) + (mode == FaultPlan::Mode::None ? ", no fault"
                      : (mode == FaultPlan::Mode::CrashAfter ? ", crash after call " : ", call ") + std::to_string(k));
  std::set<std::string> lost, changed, stranded;
  // A flag never chosen may stay missing: a start that died before its take
  // leaves the entries to Windows, and the cycle to the user.
  auto check = [&](const char* when, bool strandedCounts) {
    for (const auto& e : entries) {
      auto windows = e.inWindows(platform), stored = e.inStored(platform);
      bool inWindows = windows && *windows == e.data, inStored = stored && *stored == e.data;
      std::string where = " " + std::string(when) + " (" + c.name + ", " + point + ")";
      if (!inWindows && !inStored) {
        if (lost.insert(e.what).second) ++totals->lost, totals->findings.push_back(e.what + " lost" + where);
        continue;
      }
      if (!FlagAsChosen(e.flag(platform), e.chosen, false) && changed.insert(e.what).second)
        ++totals->changed, totals->findings.push_back(e.what + " flag changed" + where);
      if (strandedCounts && !inWindows && !ReturnArmed(platform, e.machine) && stranded.insert(e.what).second)
        ++totals->stranded, totals->findings.push_back(e.what + " taken with no return armed" + where);
    }
  };
  check("right after", !c.startsStranded);
  // A program Windows runs from a RunOnce key leaves that key alone while the pass runs.
  if (passKey() != passBefore)
    totals->findings.push_back("the RunOnce key of its own pass written (" + c.name + ", " + point + ")");
  PassEnds(platform);
  check("as the pass ends", !c.startsStranded);
  // A call that failed, the process going on, never costs the cycle its next
  // start: whatever Windows used up to start the mode is armed again once the
  // pass is over, where the account lets some start of the cycle write the
  // machine's RunOnce key.
  if (mode == FaultPlan::Mode::FailOne && seedArmed && a.startupElevated && !Armed(platform))
    ++totals->unarmed, totals->findings.push_back("the cycle left unarmed (" + c.name + ", " + point + ")");
  LogOn(platform);
  check("after the next log-on", !c.startsStranded);
  LogOn(platform);
  check("after one more log-on", !c.startsStranded);
  return calls;
}

void RunModeCase(const ModeCase& c, Totals* totals) {
  int calls = RunMode(c, FaultPlan::Mode::None, -1, totals);
  EXPECT_GT(calls, 0) << c.name << ", " << account->name;
  for (int k = 0; k < calls; k += FaultPointStride()) {
    for (auto mode : {FaultPlan::Mode::FailOne, FaultPlan::Mode::CrashAfter}) {
      RunMode(c, mode, k, totals);
      ++totals->faultPoints;
    }
  }
}

// --- Seeds: the machine at the points of the cycle where Windows or the user starts a mode.

void MakeLink(const std::string& path, const std::string& target) {
  platform::PortableShellLink maker;
  maker.SetPath(target);
  maker.SetArguments("");
  maker.Save(path);
}

// Installed, entries of every kind where Windows reads them, the user's
// choices from an earlier cycle, the flags at 0, the first start armed as
// "/repair" leaves it.
void Repaired(TestPlatform& p) {
  p.SetText(HKeyCurrentUser, kShellFoldersKey, "Startup", kUserFolder);
  p.SetText(HKeyLocalMachine, kShellFoldersKey, "Common Startup", kCommonFolder);
  p.MakeFolder(kUserFolder);
  p.MakeFolder(kCommonFolder);
  p.SetText(HKeyCurrentUser, kRunKey, "Mail", "C:\\mail.exe -tray");
  p.SetText(HKeyCurrentUser, kRunKey, "微信", "C:\\chat\\wechat.exe ");
  p.SetText(HKeyLocalMachine, kRunKey, "Audio", "C:\\audio.exe /q");
  p.SetText(HKeyLocalMachine, kRunServicesKey, "Agent", "C:\\agent.exe ");
  p.SetText(HKeyLocalMachine, kRunServicesKey, "Spooler", "C:\\spool.exe -d");
  MakeLink(std::string(kUserFolder) + "\\Notes.lnk", "C:\\notes.exe");
  MakeLink(std::string(kCommonFolder) + "\\Écran.lnk", "C:\\Écran\\screen.exe");
  p.SetNumber(HKeyCurrentUser, kStoredRunSelectionsKey, "Mail", 0);
  p.SetNumber(HKeyLocalMachine, kStoredRunServicesSelectionsKey, "Spooler", 0);
  p.SetNumber(HKeyCurrentUser, kStoredShcSelectionsKey, "Notes", 0);
  Start(p, true, "/repair");  // by an administrator, elevated, as the installer arms the cycle
}

// Windows has run "/startup": Run entries and shortcuts taken, the window closed.
void Started(TestPlatform& p) {
  Repaired(p);
  CRegistry().DeleteValue(HKeyLocalMachine, kRunOnceKey, kStartupArm);
  Start(p, account->startupElevated, "/startup");
}

// A whole log-on has run: everything returned but the services, taken when the "/cleanup" run ended.
void AfterLogOn(TestPlatform& p) {
  Started(p);
  CRegistry().DeleteValue(HKeyCurrentUser, kRunOnceKey, kCleanupArm);
  Start(p, account->othersElevated, "/cleanup");
  PassEnds(p);
}

// "/cleanup" has run; the keeper of that log-on's "/startup" still waits.
void CleanedUp(TestPlatform& p) {
  Started(p);
  CRegistry().DeleteValue(HKeyCurrentUser, kRunOnceKey, kCleanupArm);
  Start(p, account->othersElevated, "/cleanup");
}

// The log-on after one whose "/startup" died with the entries taken: Windows
// started "/startup" again, which found them taken and left their return armed.
void TakenAgain(TestPlatform& p) {
  Started(p);
  PassEnds(p);
  CRegistry().DeleteValue(HKeyLocalMachine, kRunOnceKey, kStartupArm);
  Start(p, account->startupElevated, "/startup");
}

// A cycle that died before anything was armed again: taken, nothing armed, the keeper gone too.
void Stranded(TestPlatform& p) {
  Started(p);
  keeperWaits = false;
  CRegistry().DeleteValue(HKeyCurrentUser, kRunOnceKey, kCleanupArm);
  CRegistry().DeleteValue(HKeyLocalMachine, kRunOnceKey, kStartupArm);
}

TEST(ModeCrashes, NoEntryIsLostOrLeftWithoutAReturnAtAnyFaultPoint) {
  const ModeCase cases[] = {
      {"first /startup after /repair", Repaired, kStartupArm, "/startup"},
      {"/startup of a later log-on", AfterLogOn, kStartupArm, "/startup"},
      {"/cleanup, then leaving it", Started, kCleanupArm, "/cleanup"},
      {"the keeper as the pass ends", CleanedUp, nullptr, "/keep"},
      {"/startup a second time in a cycle", Started, nullptr, "/startup"},
      {"/cleanup after a /startup that found the entries taken", TakenAgain, kCleanupArm, "/cleanup"},
      {"/service by hand", Repaired, nullptr, "/service"},
      {"/restore in the middle of a cycle", Started, nullptr, "/restore"},
      {"/restore ex after a log-on", AfterLogOn, nullptr, "/restore ex"},
      {"/repair in the middle of a cycle", Started, nullptr, "/repair"},
      {"normal start after a log-on", AfterLogOn, nullptr, ""},
      {"normal start returning what an interrupted cycle left", Stranded, nullptr, "", true, true},
  };
  Totals totals, first;
  for (const Account& each : kAccounts) {
    account = &each;
    for (const auto& c : cases) RunModeCase(c, &totals);
    if (++totals.accounts == 1) first = totals;
  }
  for (const auto& finding : totals.findings) ADD_FAILURE() << finding;
  std::printf("Modes: %d fault points tried, %d entries lost, %d flags changed, %d stranded\n", first.faultPoints,
              first.lost, first.changed, first.stranded);
  std::printf("Rights: %d accounts, %d fault points tried, %d entries lost, %d flags changed, %d stranded\n",
              totals.accounts, totals.faultPoints, totals.lost, totals.changed, totals.stranded);
  EXPECT_GE(first.faultPoints, 1000 / FaultPointStride());
}

}  // namespace
}  // namespace qm::test
