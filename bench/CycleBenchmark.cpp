// The whole log-on cycle (take with StartWork, then return, for every kind of
// entry: Run, RunServices and shortcuts) on the in-memory store and file
// system, against the traffic floor that no cycle can come below: every entry
// moved out and back (read, written and deleted twice) and its flag read once.
// Both are timed in the same run, so the ratio says how much the engine costs
// beyond moving the bytes it must move.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "bench/CycleScenario.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/portable/MemoryFileSystem.h"
#include "tests/support/TestPlatform.h"

namespace {

using namespace qm;

const bench::Folders kFolders{"C:\\Users\\ann\\Startup", "C:\\ProgramData\\Startup"};

// A fresh in-memory world with its startup folders named and made.
struct World {
  test::TestPlatform platform;
  platform::MemoryFileSystem files;
  platform::ScopedService<platform::IFileSystem> slot{&files};
  explicit World(int n) {
    platform.SetText(HKeyCurrentUser, kShellFoldersKey, "Startup", kFolders.user);
    platform.SetText(HKeyLocalMachine, kShellFoldersKey, "Common Startup", kFolders.common);
    files.AddFolder(kFolders.user);
    files.AddFolder(kFolders.common);
    bench::Seed(kFolders, n);
  }
};

std::map<int, double> g_cycleSeconds;

void WholeCycle(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  double cycleTotal = 0, floorTotal = 0;
  for (auto _ : state) {
    double cycle, floor;
    {
      World world(n);
      cycle = bench::TimeCycle();
    }
    {
      World world(n);
      floor = bench::TimeFloor(kFolders, n);
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
  // --calls: where the time goes, call by call, instead of the timings.
  if (argc > 1 && std::strcmp(argv[1], "--calls") == 0) {
    World world(0);
    bench::PrintCallsPerEntry(kFolders, 1000);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  if (g_cycleSeconds.count(1000) && g_cycleSeconds.count(10000))
    std::printf("Growth of the whole cycle from 1,000 to 10,000 entries per key: %.1fx (n log n would be about 13x)\n",
                g_cycleSeconds[10000] / g_cycleSeconds[1000]);
  benchmark::Shutdown();
  return 0;
}
