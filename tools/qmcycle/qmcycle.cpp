// qmcycle: runs the engine's whole-set operations from a console and shows
// where every Run and RunServices entry stands. Until the main window exists
// this is how a person drives the engine by hand:
//   qmcycle list      show the Windows keys, the startup folders and the stored location
//   qmcycle take      what a log-on with /startup does (Run, shortcuts, RunServices)
//   qmcycle return    what /cleanup does: give everything back to Windows
//   qmcycle sample    put a sample shortcut into the user's startup folder
#include <cstdio>
#include <string>
#include <vector>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/FileSystem.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "platform/win32/Win32Console.h"

namespace {

using namespace qm;

void Show(const char* title, RegKey root, const char* key, const char* selections) {
  CRegistry reg;
  std::vector<std::string> names;
  int opened = reg.EnumerateValueNames(root, key, &names);
  std::printf("%s%s\n", title, opened ? "" : "  (no key)");
  for (const auto& name : names) {
    std::string line;
    if (!reg.GetValue(root, key, name.c_str(), &line)) line = "(unreadable)";
    std::uint32_t flag = 0;
    bool flagged = selections && reg.GetValue(root, selections, name.c_str(), &flag);
    std::printf("  %-28s %s%s\n", name.c_str(), line.c_str(),
                !selections ? "" : (flagged ? (flag ? "   [selected]" : "   [not selected]") : "   [no flag]"));
  }
}

const std::string kShc = qm::kStoredShcKey;
const std::string kShcSelections = qm::kStoredShcSelectionsKey;

void ShowFolder(const char* title, RegKey root, const char* folderName) {
  std::string folder;
  CRegistry().GetValue(root, qm::kShellFoldersKey, folderName,
                       &folder);
  std::printf("%s  (%s)\n", title, folder.c_str());
  std::vector<qm::platform::DirEntry> files;
  qm::platform::Current<qm::platform::IFileSystem>()->List(folder, "*.lnk", files);
  for (const auto& file : files) {
    std::string target, argument;
    std::string name = file.name.substr(0, file.name.size() - 4);
    CShortcutEngineer().GetShortcutInfo(name, &target, &argument, root == HKeyLocalMachine, 1);
    std::printf("  %-28s %s %s\n", file.name.c_str(), target.c_str(), argument.c_str());
  }
}

void ShowStoredShortcuts(const char* title, RegKey root) {
  CRegistry reg;
  std::vector<std::string> names;
  std::printf("%s%s\n", title, reg.EnumerateValueNames(root, kShc.c_str(), &names) ? "" : "  (no key)");
  for (const auto& name : names) {
    std::string target, argument;
    CShortcutEngineer().GetShortcutInfo(name, &target, &argument, root == HKeyLocalMachine, 0);
    std::uint32_t flag = 0;
    bool flagged = reg.GetValue(root, kShcSelections.c_str(), name.c_str(), &flag);
    std::printf("  %-28s %s %s%s\n", name.c_str(), target.c_str(), argument.c_str(),
                flagged ? (flag ? "   [selected]" : "   [not selected]") : "   [no flag]");
  }
}

void List() {
  using namespace qm::entries;
  Show("HKCU Run", HKeyCurrentUser, kRunKey, nullptr);
  Show("HKLM Run", HKeyLocalMachine, kRunKey, nullptr);
  Show("HKLM RunServices", HKeyLocalMachine, kRunServicesKey, nullptr);
  ShowFolder("Startup folder", HKeyCurrentUser, "Startup");
  ShowFolder("Common Startup folder", HKeyLocalMachine, "Common Startup");
  Show("Stored HKCU Run", HKeyCurrentUser, kStoredRunKey, kStoredRunSelectionsKey);
  Show("Stored HKLM Run", HKeyLocalMachine, kStoredRunKey, kStoredRunSelectionsKey);
  Show("Stored HKLM RunServices", HKeyLocalMachine, kStoredRunServicesKey, kStoredRunServicesSelectionsKey);
  ShowStoredShortcuts("Stored HKCU shortcuts", HKeyCurrentUser);
  ShowStoredShortcuts("Stored HKLM shortcuts", HKeyLocalMachine);
}

}  // namespace

int main(int argc, char** argv) {
  qm::win32::ScopedUtf8ConsoleOutput console;  // names in any script show as written
  std::string command = argc > 1 ? argv[1] : "list";
  CLog::SetApplicationNames("Quill Moor", "Quillmoor");
  CLog::Setup();
  CRegistry reg;
  // The local machine's Selections keys belong to the installation.
  reg.CreateKey(HKeyLocalMachine, qm::entries::kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, qm::entries::kStoredRunServicesSelectionsKey);
  reg.CreateKey(HKeyCurrentUser, qm::entries::kStoredRunSelectionsKey);
  reg.CreateKey(HKeyCurrentUser, kShcSelections.c_str());
  reg.CreateKey(HKeyLocalMachine, kShcSelections.c_str());
  if (command == "take") {
    CStartupEngineer().StartWork();
    CShortcutEngineer().StartWork();
    CServiceEngineer().StartWork();
  } else if (command == "return") {
    CStartupEngineer().ReturnRunEntries();
    CShortcutEngineer().ReturnShcEntries();
    CServiceEngineer().ReturnRunServiceEntries();
  } else if (command == "sample") {
    qm::platform::IconHandle icon = 0;
    CShortcutEngineer().CreateShcEntry(&icon, "Sample Notes", "C:\\windows\\notepad.exe", "C:\\notes.txt", 0, 1);
  } else if (command != "list") {
    std::fprintf(stderr, "usage: qmcycle [list|take|return|sample]\n");
    return 2;
  }
  List();
  std::printf("Log: %s\n", CLog::GetProgramPathWith("Quillmoor.log").c_str());
  return 0;
}
