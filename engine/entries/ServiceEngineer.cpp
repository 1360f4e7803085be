#include "engine/entries/ServiceEngineer.h"

#include "engine/entries/CommandLine.h"
#include "engine/entries/RunKeyStore.h"

namespace qm {

using entries::RunServiceEntries;

int CServiceEngineer::StartWork() const {
  VerifyRunServiceEntries();
  TakeRunServiceEntries();
  UpdateRunServiceSelections();
  return 1;
}

int CServiceEngineer::TakeRunServiceEntries() const {
  return entries::TakeEntries(RunServiceEntries(), "Unable to move RunServices entries to stored location");
}

int CServiceEngineer::ReturnRunServiceEntries() const {
  return entries::ReturnEntries(RunServiceEntries(), entries::ReturnKind::SkipEmptyCommandLines,
                                "Unable to copy back RunServices entries from stored location to registry");
}

int CServiceEngineer::RestoreRunServiceEntries() const {
  return entries::ReturnEntries(RunServiceEntries(), entries::ReturnKind::Everything,
                                "Unable to restore RunServices entries from stored location to registry");
}

int CServiceEngineer::VerifyRunServiceEntries() const {
  entries::VerifyEntries(RunServiceEntries());
  return 1;
}

int CServiceEngineer::UpdateRunServiceSelections() const {
  entries::UpdateSelections(RunServiceEntries());
  return 1;
}

int CServiceEngineer::SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const {
  return qm::SplitPathArgument(commandLine, path, argument);
}

void CServiceEngineer::ValidateRunServiceEntries(int inRegistry) const {
  entries::ValidateEntries(RunServiceEntries(), inRegistry);
}

}  // namespace qm
