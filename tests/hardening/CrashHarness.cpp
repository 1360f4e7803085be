#include "tests/hardening/CrashHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/Registry.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "tests/support/LogOn.h"

namespace qm::test {
namespace {

// The figure of the whole suite, every engine together, printed once at the end.
CrashReport g_total;

class TotalPrinter : public testing::Environment {
 public:
  void TearDown() override {
    if (g_total.faultPoints == 0) return;
    std::printf("All engines: %d fault points tried, %d entries lost, %d flags changed\n", g_total.faultPoints,
                g_total.entriesLost, g_total.flagsChanged);
  }
};
testing::Environment* const g_printer = testing::AddGlobalTestEnvironment(new TotalPrinter);

// One run of the operation under a fault plan; answers the calls it made.
int RunOnce(const CrashCase& c, FaultPlan::Mode mode, int k, CrashReport* report) {
  TestPlatform platform;
  platform.StartLog();
  c.seed(platform);
  auto entries = c.entries(platform);

  FaultPlan plan;
  FaultyRegistryStore registry(platform.registry, plan);
  FaultyFileSystem files(platform.files, plan);
  int calls = 0;
  {
    platform::ScopedService<platform::IRegistryStore> registrySlot(&registry);
    platform::ScopedService<platform::IFileSystem> filesSlot(&files);
    plan.Arm(mode, k);
    plan.BreakListingsAt(c.listingFailsAt);
    c.operation();
    calls = plan.Calls();
    plan.Disarm();
  }
  const bool crashed = mode == FaultPlan::Mode::CrashAfter;
  const std::string point = mode == FaultPlan::Mode::None ? std::string("no fault")
                            : std::string(crashed ? "crash after call " : "call ") + std::to_string(k);
  // Each entry counts once per run, at the first check that finds it wrong.
  std::set<std::string> lost, changed;
  auto check = [&](const char* when, bool settled) {
    for (const auto& entry : entries) {
      if (!lost.count(entry.what) && !entry.inWindows(platform) && !entry.inStored(platform)) {
        lost.insert(entry.what);
        ++report->entriesLost;
        report->losses.push_back(c.name + ": " + entry.what + " lost " + when + " (" + point + ")");
      }
      if (entry.flagKept && !lost.count(entry.what) && !changed.count(entry.what) &&
          !entry.flagKept(platform, settled)) {
        changed.insert(entry.what);
        ++report->flagsChanged;
        report->losses.push_back(c.name + ": " + entry.what + " flag changed " + when + " (" + point + ")");
      }
    }
  };
  check("right after", false);
  if (c.recovery) {
    c.recovery(crashed);
    check("after the return", false);
  }
  NextLogOn();
  check("after the next log-on", true);
  // A return ran last and none is pending: whatever survived must stand where Windows reads it.
  for (const auto& entry : entries) {
    if (lost.count(entry.what) || entry.inWindows(platform)) continue;
    ++report->leftTaken;
    report->losses.push_back(c.name + ": " + entry.what + " left taken after the next log-on (" + point + ")");
  }
  return calls;
}

}  // namespace

bool FlagAsChosen(std::int64_t flag, std::int64_t chosen, bool settled) {
  if (chosen >= 0) return flag == chosen;
  return flag == 1 || (!settled && flag == -1);
}

int FaultPointStride() {
#ifdef QM_CRASH_STRIDE
  return QM_CRASH_STRIDE;
#else
  return 1;
#endif
}

CrashReport RunCrashCase(const CrashCase& c) {
  // With a stride above 1 each case tries every stride-th call, starting at a
  // different call from case to case, so that the suite still passes over
  // every part of every operation.
  static int caseNumber = 0;
  const int stride = FaultPointStride();
  const int first = caseNumber++ % stride;
  CrashReport report;
  // The run without a fault counts the calls, and must keep the invariant too.
  int calls = RunOnce(c, FaultPlan::Mode::None, -1, &report);
  // A case with fewer calls than the starting point still gets its last one.
  for (int k = calls > 0 ? std::min(first, calls - 1) : 0; k < calls; k += stride) {
    for (auto mode : {FaultPlan::Mode::FailOne, FaultPlan::Mode::CrashAfter}) {
      RunOnce(c, mode, k, &report);
      ++report.faultPoints;
    }
  }
  g_total.faultPoints += report.faultPoints;
  g_total.entriesLost += report.entriesLost;
  g_total.flagsChanged += report.flagsChanged;
  g_total.leftTaken += report.leftTaken;
  return report;
}

}  // namespace qm::test
