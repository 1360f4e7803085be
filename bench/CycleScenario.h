#pragma once
// The scenario both cycle benchmarks time (the native one on the in-memory
// store, the Windows one on the real registry and the real startup folders):
// n entries under each of HKCU Run, HKLM Run and HKLM RunServices and n
// shortcuts in each startup folder, the whole log-on cycle over them, and the
// traffic floor that no cycle can come below. Everything goes through the
// platform services in their slots, so the same code times either world.
#include <string>
#include <vector>

namespace qm::bench {

struct Folders {
  std::string user, common;  // the two startup folders
};

// The startup folders as Shell Folders names them.
Folders StartupFolders();

// n entries of every kind where Windows reads them, with the Selections keys
// the installation makes. The folders must exist.
void Seed(const Folders& folders, int n);

// Removes the scenario's entries, stored copies, flags, marks and floor keys,
// leaving the place as Seed found it.
void Clear(const Folders& folders, int n);

// One log-on cycle: StartWork of every kind, then every return.
void RunCycle();

// Seconds for the second of two cycles, so that verify has stored entries to
// judge; Seed must have run.
double TimeCycle();

// Seconds for the traffic every cycle must cause on a seeded place: each value
// read, written elsewhere and deleted, then read, written back and deleted
// again (out and back), and its flag read once; each shortcut file read,
// written into the registry and deleted, then read back, written as a file
// and deleted from the registry, and its flag read once.
double TimeFloor(const Folders& folders, int n);

// Prints, per step of the second cycle and of the floor, its time and per entry how
// many registry and file-system calls of each kind were made: where the time
// goes when the cycle is far above the floor. Seeds and clears by itself.
void PrintCallsPerEntry(const Folders& folders, int n);

}  // namespace qm::bench
