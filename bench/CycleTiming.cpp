// The whole log-on cycle against the traffic floor on the real registry and
// the real startup folders of the Windows build (Google Benchmark is not
// built for MinGW): the same scenario as the native benchmark, timed with a
// plain clock, floor and cycle in the same run. Run it in a throwaway prefix
// or a test machine: it writes thousands of Run values and shortcut files and
// removes them again.
//   cycle_timing [--calls] [entries per key ...]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/CycleScenario.h"

using namespace qm;

int main(int argc, char** argv) {
  bench::Folders folders = bench::StartupFolders();
  if (folders.user.empty() || folders.common.empty()) {
    std::fprintf(stderr, "no startup folders in Shell Folders\n");
    return 1;
  }
  bool calls = argc > 1 && std::strcmp(argv[1], "--calls") == 0;
  std::vector<int> sizes;
  for (int i = calls ? 2 : 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {100, 1000, 10000};
  if (calls) {
    for (int n : sizes) bench::PrintCallsPerEntry(folders, n);
    return 0;
  }
  double previous = 0;
  int previousN = 0;
  for (int n : sizes) {
    // Small sizes are repeated so that one slow call of the system does not decide the ratio.
    int rounds = n <= 1000 ? 5 : 1;
    double cycle = 0, floor = 0;
    for (int round = 0; round < rounds; ++round) {
      bench::Clear(folders, n);
      bench::Seed(folders, n);
      cycle += bench::TimeCycle();
      bench::Clear(folders, n);
      bench::Seed(folders, n);
      floor += bench::TimeFloor(folders, n);
      bench::Clear(folders, n);
    }
    cycle /= rounds;
    floor /= rounds;
    std::printf("%6d entries per key: cycle %9.1f ms, floor %9.1f ms, ratio to floor %.2f", n, cycle * 1000,
                floor * 1000, cycle / floor);
    if (previousN) std::printf(", growth %.1fx for %.0fx the entries", cycle / previous, double(n) / previousN);
    std::printf("\n");
    std::fflush(stdout);
    previous = cycle;
    previousN = n;
  }
  return 0;
}
