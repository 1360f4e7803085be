// The whole log-on cycle (take with StartWork, then return, for every kind of
// entry: Run, RunServices and shortcuts) against the raw traffic floor: each
// value and each shortcut file read, written and deleted once. Both are timed
// in the same run, so the ratio says how much the engine costs beyond moving
// the bytes. The cycle timed is the second one, after a first that took and
// returned everything, so that verify has stored entries to judge.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/Text.h"
#include "platform/portable/ShellLinkFile.h"
#include "platform/portable/MemoryFileSystem.h"
#include "tests/support/TestPlatform.h"

namespace {

using namespace qm;
using namespace qm::entries;
using Clock = std::chrono::steady_clock;

struct Place {
  RegKey root;
  const char* key;
};
const Place kWindowsKeys[] = {{HKeyCurrentUser, kRunKey}, {HKeyLocalMachine, kRunKey}, {HKeyLocalMachine, kRunServicesKey}};

constexpr const char* kShellFolders = kShellFoldersKey;
constexpr const char* kShcSelections = kStoredShcSelectionsKey;
const char* const kFolders[] = {"C:\\Users\\ann\\Startup", "C:\\ProgramData\\Startup"};

// A small real shortcut, as the link object writes it.
std::vector<std::uint8_t> LinkBytes() {
  platform::MemoryFileSystem files;
  files.AddFolder("C:");
  platform::ScopedService<platform::IFileSystem> slot(&files);
  platform::PortableShellLink link;
  link.SetPath("C:\\Program Files\\Vendor\\tool.exe");
  link.SetArguments("-tray");
  link.Save("C:\\tool.lnk");
  std::vector<std::uint8_t> bytes;
  files.ReadAll("C:\\tool.lnk", bytes);
  return bytes;
}

std::string Name(int i) { return "Entry " + std::to_string(i * 7919 % 100003); }
std::string Line(int i) { return "C:\\Program Files\\Vendor " + std::to_string(i) + "\\tool.exe -tray"; }

void Seed(test::TestPlatform& platform, platform::MemoryFileSystem& files, int n) {
  static const std::vector<std::uint8_t> link = LinkBytes();
  CRegistry reg;
  platform.SetText(HKeyCurrentUser, kShellFolders, "Startup", kFolders[0]);
  platform.SetText(HKeyLocalMachine, kShellFolders, "Common Startup", kFolders[1]);
  reg.CreateKey(HKeyCurrentUser, kShcSelections);
  reg.CreateKey(HKeyLocalMachine, kShcSelections);
  for (const char* folder : kFolders) {
    files.AddFolder(folder);
    for (int i = 0; i < n; ++i) files.WriteAll(std::string(folder) + "\\" + Name(i) + ".lnk", link);
  }
  reg.CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
  for (const Place& place : kWindowsKeys) {
    reg.CreateKey(place.root, place.key);
    for (int i = 0; i < n; ++i) platform.SetText(place.root, place.key, Name(i), Line(i));
  }
}

double FloorSeconds(test::TestPlatform& platform, platform::MemoryFileSystem& files, int n) {
  // The same number of values, read, written elsewhere and deleted once each;
  // the same number of shortcut files, read, written into the store and deleted.
  auto& store = platform.registry;
  auto start = Clock::now();
  for (const char* folder : kFolders) {
    platform::RegKey target = 0;
    store.CreateKey(HKeyCurrentUser, "Software\\FloorShc", &target);
    for (int i = 0; i < n; ++i) {
      std::string name = Name(i);
      std::string path = std::string(folder) + "\\" + name + ".lnk";
      std::vector<std::uint8_t> bytes;
      files.ReadAll(path, bytes);
      store.SetValue(target, name.c_str(), platform::kRegBinary, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
      files.Delete(path);
    }
    store.CloseKey(target);
  }
  for (const Place& place : kWindowsKeys) {
    platform::RegKey source = 0, target = 0;
    store.OpenKey(place.root, place.key, &source);
    store.CreateKey(place.root, "Software\\Floor", &target);
    for (int i = 0; i < n; ++i) {
      std::uint8_t data[260];
      std::uint32_t size = sizeof(data), type = 0;
      std::string name = Name(i);
      store.QueryValue(source, name.c_str(), &type, data, &size);
      store.SetValue(target, name.c_str(), type, data, size);
      store.DeleteValue(source, name.c_str());
    }
    store.CloseKey(source);
    store.CloseKey(target);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

std::map<int, double> g_cycleSeconds;

void WholeCycle(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  double cycleTotal = 0, floorTotal = 0;
  for (auto _ : state) {
    double cycle, floor;
    auto runCycle = [] {
      CStartupEngineer().StartWork();
      CShortcutEngineer().StartWork();
      CServiceEngineer().StartWork();
      CStartupEngineer().ReturnRunEntries();
      CShortcutEngineer().ReturnShcEntries();
      CServiceEngineer().ReturnRunServiceEntries();
    };
    {
      test::TestPlatform platform;
      platform::MemoryFileSystem files;
      platform::ScopedService<platform::IFileSystem> slot(&files);
      Seed(platform, files, n);
      runCycle();  // the first log-on: everything known and returned
      auto start = Clock::now();
      runCycle();
      cycle = std::chrono::duration<double>(Clock::now() - start).count();
    }
    {
      test::TestPlatform platform;
      platform::MemoryFileSystem files;
      platform::ScopedService<platform::IFileSystem> slot(&files);
      Seed(platform, files, n);
      floor = FloorSeconds(platform, files, n);
    }
    state.SetIterationTime(cycle);
    cycleTotal += cycle;
    floorTotal += floor;
  }
  state.counters["floor_ms"] = floorTotal * 1000 / state.iterations();
  state.counters["ratio_to_floor"] = cycleTotal / floorTotal;
  g_cycleSeconds[n] = cycleTotal / state.iterations();
}
BENCHMARK(WholeCycle)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (g_cycleSeconds.count(1000) && g_cycleSeconds.count(10000))
    std::printf("Growth of the whole cycle from 1,000 to 10,000 entries per key: %.1fx (n log n would be about 13x)\n",
                g_cycleSeconds[10000] / g_cycleSeconds[1000]);
  benchmark::Shutdown();
  return 0;
}
