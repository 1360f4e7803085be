#pragma once
// take, return and restore run the program's own log-on cycle, not a copy of
// it: the same Init flags, the same RunOnce values armed before anything is
// taken, with qmctl's folder (beside Quillmoor.exe) as the program's.
#include "admin/core/Qmctl.h"
#include "engine/cycle/Cycle.h"

namespace qm::admin {

class ProgramCycle {
 public:
  ProgramCycle();
  ProgramCycle(const ProgramCycle&) = delete;
  ProgramCycle& operator=(const ProgramCycle&) = delete;

  // take: what "/startup" and then the service take do (every kind taken, its
  // return armed); return: what "/cleanup" does before its window (every kind
  // back, the next "/startup" armed); restore: what "/restore" does (every
  // kind back, nothing armed).
  CycleOperations Operations();

 private:
  CRegistry registry_;
  CStartupEngineer startups_;
  CShortcutEngineer shortcuts_;
  CServiceEngineer services_;
  cycle::Cycle cycle_;
};

}  // namespace qm::admin
