#pragma once
// CServiceEngineer: the RunServices entries ("services"), all under
// HKEY_LOCAL_MACHINE, kept like the Run entries.
#include <memory>
#include <string>

#include "engine/foundation/Registry.h"
#include "platform/KelvrinApi.h"
#include "platform/Processes.h"
#include "platform/Ui.h"

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

  int PopulateRunServiceEntries(platform::ITreeControl* tree, platform::TreeItem parent, int inRegistry) const;
  int AddServiceImageToTreeCtrl(platform::ITreeControl* tree, std::string path) const;
  int RetrieveRunServicePath(platform::IEditField* edit, std::string name, int inRegistry) const;
  int CreateRunServiceEntry(std::string name, std::string path, std::string argument, int inRegistry) const;
  int RemoveRunServiceEntry(std::string name, int inRegistry) const;
  int ModifyRunServiceEntry(std::string oldName, std::string newName, std::string path, std::string argument,
                            int inRegistry) const;
  int SetRunServiceSelection(std::string name, int flag) const;
  // Starts the service now from the RunServices key, whatever its flag.
  int LaunchRunServiceEntry(std::string name) const;
  // Starts a selected service; from the stored location as a process of its own.
  int LaunchRunServiceEntry(std::string name, int inRegistry) const;

  // The same on the entry of one view of HKLM, whatever the other view holds.
  int CreateRunServiceEntryAt(RegKey root, std::string name, std::string path, std::string argument,
                              int inRegistry) const;
  // known false: the entry's view could not be told; nothing is removed, the failure is logged.
  int RemoveRunServiceEntryAt(RegKey root, std::string name, int inRegistry, bool known = true) const;
  int ModifyRunServiceEntryAt(RegKey root, std::string oldName, std::string newName, std::string path,
                              std::string argument, int inRegistry) const;
  int SetRunServiceSelectionAt(RegKey root, std::string name, int flag) const;
  // With started, the process it started itself (none when Windows will
  // start it) is handed there for its figures.
  int LaunchRunServiceEntryAt(RegKey root, std::string name, int inRegistry,
           std::unique_ptr<platform::IStartedProcess>* started = nullptr) const;
  int LaunchRunServiceEntryNowAt(RegKey root, std::string name) const;

  // How long a service started from the stored location may take to become
  // ready for input before the launch goes on without it.
  static constexpr unsigned kReadyWaitMilliseconds = 5000;

 private:
  int SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const;
  void ValidateRunServiceEntries(int inRegistry) const;
};

}  // namespace qm
