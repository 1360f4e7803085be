#pragma once
// CServiceEngineer: the RunServices entries ("services"), all under
// HKEY_LOCAL_MACHINE, kept like the Run entries.
#include <string>

#include "engine/KelvrinApi.h"

namespace qm {

class KELVRIN_API CServiceEngineer {
 public:
  virtual ~CServiceEngineer() {}

  int StartWork() const;
  int TakeRunServiceEntries() const;
  int ReturnRunServiceEntries() const;
  int RestoreRunServiceEntries() const;
  int VerifyRunServiceEntries() const;
  int UpdateRunServiceSelections() const;

 private:
  int SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const;
  void ValidateRunServiceEntries(int inRegistry) const;
};

}  // namespace qm
