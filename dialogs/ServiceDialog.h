#pragma once
// CServiceDialog: creates and modifies RunServices values (services). The caller fills the
// members, calls ShowDialog and, on 1, reads the user's values back.
#include <cstdint>
#include <string>

#include "dialogs/OstrumApi.h"

namespace qm {

class OSTRUM_API CServiceDialog {
 public:
  CServiceDialog();
  CServiceDialog(const CServiceDialog& other);
  CServiceDialog& operator=(const CServiceDialog& other);
  virtual ~CServiceDialog();

  // 1 when the user accepted (the members then hold the new values), else 0
  // and the members are left as they were.
  int ShowDialog();

  int dialogMode;
  int inRegistry;
  // The root whose entry is modified (HKCU, HKLM, or HKLM's other view, as
  // the registry gateway names them); 0 for a new entry, or where the caller
  // knows only the name: the entry is then looked up by name, the user's first.
  std::uintptr_t entryRoot;
  std::string entryName;
  std::string entryPath;
  std::string entryArgument;
  // Seconds after the log-on the ticked entry waits; 0 none.
  int entryDelay = 0;
};

}  // namespace qm
