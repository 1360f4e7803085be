#pragma once
// CStartupEngineer: the Run entries ("startups") of both roots. It takes them
// out of Windows' Run keys into the stored location, keeps one selection flag
// per entry and gives them back.
#include <memory>
#include <string>

#include "engine/foundation/Registry.h"
#include "platform/KelvrinApi.h"
#include "platform/Processes.h"
#include "platform/Ui.h"

namespace qm {

class KELVRIN_API CStartupEngineer {
 public:
  virtual ~CStartupEngineer() {}

  // Verify, take, then flag new entries; always 1.
  int StartWork() const;
  // The same for the given roots alone: the ones this process may write.
  int StartWork(const std::vector<RegKey>& roots) const;
  int TakeRunEntries() const;
  int ReturnRunEntries() const;
  int RestoreRunEntries() const;
  int VerifyRunEntries() const;
  int UpdateRunSelections() const;

  // Editing one entry. inRegistry 1 works on Windows' Run keys, anything else
  // on the stored location; flags always live in the stored location.
  int CreateRunEntry(std::string name, std::string path, std::string argument, int isPublic, int inRegistry) const;
  int RemoveRunEntry(std::string name, int inRegistry) const;
  int ModifyRunEntry(std::string oldName, std::string newName, std::string path, std::string argument,
                     int oldPublic, int newPublic, int inRegistry) const;
  int SetRunSelection(std::string name, int flag, int inRegistry) const;
  int IsStartupPublic(std::string name, int inRegistry) const;
  int RetrieveRunPath(platform::IEditField* edit, std::string name, int inRegistry) const;

  // Starts the entry now, whatever its flag, telling the user what went wrong.
  int LaunchRunEntry(std::string name) const;
  // Starts a selected entry; in the stored location it is handed back to its
  // Run key for Windows to start.
  int LaunchRunEntry(std::string name, int inRegistry) const;

  // The same on the entry of one root (HKCU, HKLM, or HKLM's other view),
  // whatever other root holds an entry of that name.
  int CreateRunEntryAt(RegKey root, std::string name, std::string path, std::string argument, int inRegistry) const;
  // known false: the entry's root could not be told; nothing is removed, the failure is logged.
  int RemoveRunEntryAt(RegKey root, std::string name, int inRegistry, bool known = true) const;
  int ModifyRunEntryAt(RegKey oldRoot, RegKey newRoot, std::string oldName, std::string newName, std::string path,
                       std::string argument, int inRegistry) const;
  int SetRunSelectionAt(RegKey root, std::string name, int flag) const;
  // With started, the process it started itself (none when Windows will
  // start it) is handed there for its figures.
  int LaunchRunEntryAt(RegKey root, std::string name, int inRegistry,
           std::unique_ptr<platform::IStartedProcess>* started = nullptr) const;
  int LaunchRunEntryNowAt(RegKey root, std::string name) const;

  int PopulateRunEntries(platform::ITreeControl* tree, platform::TreeItem parent, int inRegistry) const;
  int AddStartupImageToTreeCtrl(platform::ITreeControl* tree, std::string path) const;

 private:
  int SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const;
  void ValidateRunEntries(int inRegistry) const;
};

}  // namespace qm
