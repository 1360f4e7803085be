// The whole log-on cycle (take with StartWork, then return, for every kind of
// entry) against the raw traffic floor: each value read, written and deleted
// once through the store. Both are timed in the same run, so the ratio says
// how much the engine costs beyond moving the bytes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
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

std::string Name(int i) { return "Entry " + std::to_string(i * 7919 % 100003); }
std::string Line(int i) { return "C:\\Program Files\\Vendor " + std::to_string(i) + "\\tool.exe -tray"; }

void Seed(test::TestPlatform& platform, int n) {
  CRegistry reg;
  reg.CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
  for (const Place& place : kWindowsKeys) {
    reg.CreateKey(place.root, place.key);
    for (int i = 0; i < n; ++i) platform.SetText(place.root, place.key, Name(i), Line(i));
  }
}

double FloorSeconds(test::TestPlatform& platform, int n) {
  // The same number of values, read, written elsewhere and deleted once each.
  auto& store = platform.registry;
  auto start = Clock::now();
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
    {
      test::TestPlatform platform;
      Seed(platform, n);
      auto start = Clock::now();
      CStartupEngineer().StartWork();
      CServiceEngineer().StartWork();
      CStartupEngineer().ReturnRunEntries();
      CServiceEngineer().ReturnRunServiceEntries();
      cycle = std::chrono::duration<double>(Clock::now() - start).count();
    }
    {
      test::TestPlatform platform;
      Seed(platform, n);
      floor = FloorSeconds(platform, n);
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
