#pragma once
// Which places of the table this process may write. Found by trying, never by
// reading the process's token: each place's keys are opened for writing (the
// stored key made where it is missing, as a take would make it) and a startup
// folder takes a file of ours that is removed at once. A program without
// elevation under User Account Control, and a standard user, may read every
// place but write only the user's own.
#include <set>
#include <vector>

#include "engine/foundation/Places.h"
#include "platform/KelvrinApi.h"

namespace qm::cycle {

class KELVRIN_API WritablePlaces {
 public:
  // Every place of the table, as a test or a caller that does not ask assumes.
  static WritablePlaces Everywhere();
  // Tries every place of the table once.
  static WritablePlaces Probe();

  bool May(const Location& row) const { return writable_.count(&row) != 0; }
  // Whether every place needing the machine's rights may be written.
  bool Machine() const;
  // The roots of a kind that may be written, in the order they are worked.
  std::vector<RegKey> RootsOf(EntryKind kind) const;

 private:
  std::set<const Location*> writable_;
};

}  // namespace qm::cycle
