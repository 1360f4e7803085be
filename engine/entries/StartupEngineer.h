#pragma once
// CStartupEngineer: the Run entries ("startups") of both roots. It takes them
// out of Windows' Run keys into the stored location, keeps one selection flag
// per entry and gives them back.
#include <string>

#include "engine/KelvrinApi.h"

namespace qm {

class KELVRIN_API CStartupEngineer {
 public:
  virtual ~CStartupEngineer() {}

  // Verify, take, then flag new entries; always 1.
  int StartWork() const;
  int TakeRunEntries() const;
  int ReturnRunEntries() const;
  int RestoreRunEntries() const;
  int VerifyRunEntries() const;
  int UpdateRunSelections() const;

 private:
  int SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const;
  void ValidateRunEntries(int inRegistry) const;
};

}  // namespace qm
