#include "engine/entries/StartupEngineer.h"

#include "engine/entries/CommandLine.h"
#include "engine/entries/RunKeyStore.h"

namespace qm {

using entries::RunEntries;

int CStartupEngineer::StartWork() const {
  // Order matters: forget entries uninstalled while they were returned, take
  // what is in the Run keys now, then select what is new.
  VerifyRunEntries();
  TakeRunEntries();
  UpdateRunSelections();
  return 1;
}

int CStartupEngineer::TakeRunEntries() const {
  return entries::TakeEntries(RunEntries(), "Unable to move Run entries to stored location");
}

int CStartupEngineer::ReturnRunEntries() const {
  return entries::ReturnEntries(RunEntries(), entries::ReturnKind::SkipEmptyCommandLines,
                                "Unable to copy back Run entries from stored location to registry");
}

int CStartupEngineer::RestoreRunEntries() const {
  return entries::ReturnEntries(RunEntries(), entries::ReturnKind::Everything,
                                "Unable to restore Run entries from stored location to registry");
}

int CStartupEngineer::VerifyRunEntries() const {
  entries::VerifyEntries(RunEntries());
  return 1;
}

int CStartupEngineer::UpdateRunSelections() const {
  entries::UpdateSelections(RunEntries());
  return 1;
}

int CStartupEngineer::SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const {
  return qm::SplitPathArgument(commandLine, path, argument);
}

void CStartupEngineer::ValidateRunEntries(int inRegistry) const { entries::ValidateEntries(RunEntries(), inRegistry); }

}  // namespace qm
