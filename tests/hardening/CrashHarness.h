#pragma once
// Runs an operation once per fault point: for every call k that it makes to
// the registry store or the file system, once with call k failing and once
// with a crash right after call k. After each run, after the program has
// finished what it was doing (the step that crashed run again, then the
// return), and after the next log-on (every kind taken with StartWork and
// given back), every entry that existed before must still exist with data it
// legitimately had, where Windows reads it or in the stored location, with
// the selection flag the user last chose. At the end nothing may be left
// taken: a return has run and no other is pending.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/FaultInjection.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {

// One entry as the user knows it.
struct KnownEntry {
  std::string what;  // for messages: "HKCU Run 'A'"
  // Whether it stands where Windows reads it, and in the stored location,
  // with data it legitimately had.
  std::function<bool(TestPlatform&)> inWindows;
  std::function<bool(TestPlatform&)> inStored;
  // Whether its flag is the one the user last chose. An entry that had no
  // flag may still have none until a take has seen it (settled false); after
  // a whole log-on (settled true) it must have 1. Empty: flags not judged.
  std::function<bool(TestPlatform&, bool settled)> flagKept;
};

// The flag rule above for one flag as read (-1 when missing); chosen is the
// user's last choice, -1 for an entry never flagged.
bool FlagAsChosen(std::int64_t flag, std::int64_t chosen, bool settled);

struct CrashCase {
  std::string name;
  // Lays out the registry and files before the operation.
  std::function<void(TestPlatform&)> seed;
  // The entries that must survive; taken right after seeding.
  std::function<std::vector<KnownEntry>(TestPlatform&)> entries;
  std::function<void()> operation;
  // How the program finishes what the operation was part of (may be empty):
  // after a crash the next start runs the step again; then the entries are
  // given back. The next log-on follows in every case.
  std::function<void(bool crashed)> recovery;
  // Every listing made by the operation breaks off at this index (-1: none).
  int listingFailsAt = -1;
};

struct CrashReport {
  int faultPoints = 0;
  int entriesLost = 0;
  int flagsChanged = 0;
  int leftTaken = 0;
  std::vector<std::string> losses;  // every finding, one line each
};

CrashReport RunCrashCase(const CrashCase& crashCase);

// 1 where every fault point is tried. The Windows builds, which run the same
// portable platform under Wine many times slower, try every n-th.
int FaultPointStride();

}  // namespace qm::test
