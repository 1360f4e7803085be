#pragma once
// Runs an operation once per fault point: for every call k that it makes to
// the registry store or the file system, once with call k failing and once
// with a crash right after call k. After each run, and again after the
// program's next start has done its work, every entry that existed before
// must still exist with identical data, where Windows reads it or in the
// stored location.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/FaultInjection.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {

// One entry as the user knows it: a name and its data in one of two places.
struct KnownEntry {
  std::string what;  // for messages: "HKCU Run 'A'"
  std::function<bool(TestPlatform&)> stillThere;
};

struct CrashCase {
  std::string name;
  // Lays out the registry and files before the operation.
  std::function<void(TestPlatform&)> seed;
  // The entries that must survive; taken right after seeding.
  std::function<std::vector<KnownEntry>(TestPlatform&)> entries;
  std::function<void()> operation;
  // What the program does next (may be empty): after a failed call it goes
  // on with its cycle; after a crash the next start runs the mode again.
  std::function<void(bool crashed)> recovery;
};

struct CrashReport {
  int faultPoints = 0;
  int entriesLost = 0;
  std::vector<std::string> losses;
};

CrashReport RunCrashCase(const CrashCase& crashCase);

}  // namespace qm::test
