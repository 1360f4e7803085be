#include "admin/core/ProgramCycle.h"

#include "engine/foundation/Log.h"

namespace qm::admin {
namespace {

bool Done(cycle::Cycle::TakeResult result) {
  return result == cycle::Cycle::TakeResult::Taken || result == cycle::Cycle::TakeResult::AlreadyTaken;
}

}  // namespace

ProgramCycle::ProgramCycle()
    : cycle_(cycle::CycleParts{registry_, startups_, shortcuts_, services_}, CLog::GetProgramPathWith("")) {}

CycleOperations ProgramCycle::Operations() {
  CycleOperations operations;
  operations.take = [this] {
    // As the program before "/startup": a machine set up without the
    // installer has no Init flags yet, and a take that cannot read them does nothing.
    cycle_.PrepareKeys();
    // Only the places this console may write, as the program's own take.
    bool startups = Done(cycle_.TakeStartups(cycle::WritablePlaces::Probe()));
    // The services only once the others are safely taken, as at a log-on.
    return startups && Done(cycle_.TakeServices());
  };
  operations.giveBack = [this] { return cycle_.Return(); };
  operations.restore = [this] { return cycle_.Restore(); };
  return operations;
}

}  // namespace qm::admin
