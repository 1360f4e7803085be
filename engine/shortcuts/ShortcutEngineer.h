#pragma once
// CShortcutEngineer: the ".lnk" files of the user's and the all-users startup
// folders. Taking a shortcut stores the file's bytes, unchanged, as a binary
// value of the stored location and deletes the file; returning writes the
// bytes back. The user's side is always worked first.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/KelvrinApi.h"
#include "platform/Processes.h"
#include "engine/foundation/Registry.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

namespace qm {

class KELVRIN_API CShortcutEngineer {
 public:
  CShortcutEngineer() {}
  CShortcutEngineer(const CShortcutEngineer&) {}
  CShortcutEngineer& operator=(const CShortcutEngineer&) { return *this; }
  virtual ~CShortcutEngineer() {}

  // Whole-set operations.
  int StartWork() const;  // verify, take, then flag new entries; always 1
  // The same for the given roots alone: the ones this process may write.
  int StartWork(const std::vector<RegKey>& roots) const;
  int VerifyShcEntries() const;
  int TakeShcEntries() const;
  int UpdateShcSelections() const;
  // Every stored shortcut back into its folder, zero-length ones as empty files.
  int ReturnShcEntries() const;
  int RestoreShcEntries() const;
  // 1 if the root's startup folder holds a shortcut file of that name (case ignored).
  int IsShortcutPresent(RegKey root, std::string name) const;

  // Editing. inRegistry 1 = the startup folders, any other value = the stored location.
  int CreateShcEntry(platform::IconHandle* icon, std::string name, std::string targetPath, std::string arguments,
                     int isPublic, int inRegistry) const;
  int ModifyShcEntry(platform::IconHandle* icon, std::string oldName, std::string newName, std::string targetPath,
                     std::string arguments, int oldPublic, int newPublic, int inRegistry) const;
  int RemoveShcEntry(std::string name, int inRegistry) const;

  // The same on the shortcut of one side (HKCU: the user's folder, HKLM: the
  // common one), whatever the other side holds.
  int CreateShcEntryAt(platform::IconHandle* icon, RegKey root, std::string name, std::string targetPath,
                       std::string arguments, int inRegistry) const;
  int ModifyShcEntryAt(platform::IconHandle* icon, RegKey oldRoot, RegKey newRoot, std::string oldName,
                       std::string newName, std::string targetPath, std::string arguments, int inRegistry) const;
  int RemoveShcEntryAt(RegKey root, std::string name, int inRegistry) const;
  // With started, the process it started itself (none when Windows will
  // start it) is handed there for its figures.
  int LaunchShcEntryAt(RegKey root, std::string name, int inRegistry,
           std::unique_ptr<platform::IStartedProcess>* started = nullptr) const;
  int LaunchShcEntryNowAt(RegKey root, std::string name) const;
  int GetShortcutInfoAt(RegKey root, std::string name, std::string* targetPath, std::string* arguments,
                        int inRegistry) const;
  int GetShortcutTargetAt(RegKey root, std::string name, std::string* targetPath, int inRegistry) const;
  int SetShcSelectionAt(RegKey root, std::string name, int flag) const;

  // Launching and the tree.
  int LaunchShcEntry(std::string name, int inRegistry) const;  // only selected entries, failures logged
  int LaunchShcEntry(std::string name) const;                  // any entry in a folder, failures shown
  // Both take the icon over: it is released once the image list has its copy.
  int AddShortcutImageToTreeCtrl(platform::ITreeControl* tree, platform::IconHandle icon) const;
  int AddShortcutImageToTreeCtrl(platform::ITreeControl* tree, std::string filePath) const;
  int PopulateShcEntries(platform::ITreeControl* tree, platform::TreeItem parent, int inRegistry) const;
  // As above; itemRoots receives each item with the side its shortcut stands on.
  int PopulateShcEntries(platform::ITreeControl* tree, platform::TreeItem parent, int inRegistry,
                         std::vector<std::pair<platform::TreeItem, RegKey>>* itemRoots) const;

  // Queries and the selection flag.
  int GetShortcutInfo(std::string name, std::string* targetPath, std::string* arguments, int isPublic,
                      int inRegistry) const;
  int IsShortcutPublic(std::string name, int inRegistry) const;
  // The program a shortcut entry starts, read from the entry's own bytes (its
  // file, or its stored copy while taken, when no file stands anywhere), so
  // that nothing is written to read it. 0 when the entry cannot be read or
  // its bytes are no link.
  int GetShortcutTarget(std::string name, std::string* targetPath, int inRegistry) const;
  int RetrieveShcPath(platform::IEditField* field, std::string name, int inRegistry) const;
  int SetShcSelection(std::string name, int flag, int inRegistry) const;

 private:
  int VerifyShcRoots(const std::vector<RegKey>& roots) const;
  int TakeShcRoots(const std::vector<RegKey>& roots) const;
  int UpdateShcRoots(const std::vector<RegKey>& roots) const;
  int GetStartupFolderPath(RegKey root, char* folder) const;
  int FindShortcutFilePaths(const char* pattern, std::vector<std::string>* names,
                            std::vector<std::string>* paths) const;
  int LoadShortcutDataToRegistry(RegKey root, const std::vector<std::string>* names,
                                 const std::vector<std::string>* paths) const;
  int LoadShortcutDataToFile(RegKey root, const char* folder, const std::vector<std::string>* names) const;
  int LoadShortcutDataToFileEx(RegKey root, const char* folder, const std::vector<std::string>* names) const;
  int CrossVerifyShcEntries(RegKey root, const std::vector<std::string>* names) const;

  int CreateShortcut(std::string targetPath, std::string arguments, std::string filePath) const;
  int ModifyShortcut(std::string targetPath, std::string arguments, std::string filePath) const;

  platform::IconHandle LoadShortcutIcon(std::string filePath, int deleteFile) const;
  platform::IconHandle LoadShortcutIcon(RegKey root, std::string name, int deleteFile) const;

  int SplitPathArgument(std::string commandLine, std::string* path, std::string* argument) const;
  // The root whose startup folder (inRegistry 1) or stored location holds the
  // shortcut, the user's side first; 0 if neither does.
  RegKey RootHolding(const std::string& name, int inRegistry) const;

  // Shared by the two writers: skipEmpty leaves zero-length stored data alone.
  // allWritten (may be null) tells whether every name that was due got its file.
  int WriteStoredShortcuts(RegKey root, const char* folder, const std::vector<std::string>* names,
                           bool skipEmpty, bool* allWritten) const;
  int ReturnAll(const char* userMessage, const char* commonMessage) const;
};

}  // namespace qm
