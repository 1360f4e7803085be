#include "tests/hardening/CrashHarness.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/foundation/Registry.h"

namespace qm::test {
namespace {

// The figure of the whole suite, every engine together, printed once at the end.
CrashReport g_total;

class TotalPrinter : public testing::Environment {
 public:
  void TearDown() override {
    if (g_total.faultPoints == 0) return;
    std::printf("All engines: %d fault points tried, %d entries lost\n", g_total.faultPoints, g_total.entriesLost);
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
    c.operation();
    calls = plan.Calls();
    plan.Disarm();
  }
  if (!report) return calls;

  auto check = [&](const char* when) {
    for (const auto& entry : entries) {
      if (entry.stillThere(platform)) continue;
      ++report->entriesLost;
      report->losses.push_back(c.name + ": " + entry.what + " lost " + when + " (" +
                               (mode == FaultPlan::Mode::FailOne ? "call " : "crash after call ") +
                               std::to_string(k) + ")");
    }
  };
  check("right after");
  if (c.recovery) {
    c.recovery(mode == FaultPlan::Mode::CrashAfter);
    check("after the next start");
  }
  return calls;
}

}  // namespace

CrashReport RunCrashCase(const CrashCase& c) {
  CrashReport report;
  int calls = RunOnce(c, FaultPlan::Mode::None, -1, nullptr);
  for (int k = 0; k < calls; ++k) {
    for (auto mode : {FaultPlan::Mode::FailOne, FaultPlan::Mode::CrashAfter}) {
      RunOnce(c, mode, k, &report);
      ++report.faultPoints;
    }
  }
  g_total.faultPoints += report.faultPoints;
  g_total.entriesLost += report.entriesLost;
  return report;
}

}  // namespace qm::test
