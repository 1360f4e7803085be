// qmcycle: runs the engine's whole-set operations from a console and shows
// where every Run and RunServices entry stands. Until the main window exists
// this is how a person drives the engine by hand:
//   qmcycle list      show the Windows keys and the stored location
//   qmcycle take      what a log-on with /startup does (Run, then RunServices)
//   qmcycle return    what /cleanup does: give everything back to Windows
#include <cstdio>
#include <string>
#include <vector>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"

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

void List() {
  using namespace qm::entries;
  Show("HKCU Run", HKeyCurrentUser, kRunKey, nullptr);
  Show("HKLM Run", HKeyLocalMachine, kRunKey, nullptr);
  Show("HKLM RunServices", HKeyLocalMachine, kRunServicesKey, nullptr);
  Show("Stored HKCU Run", HKeyCurrentUser, kStoredRunKey, kStoredRunSelectionsKey);
  Show("Stored HKLM Run", HKeyLocalMachine, kStoredRunKey, kStoredRunSelectionsKey);
  Show("Stored HKLM RunServices", HKeyLocalMachine, kStoredRunServicesKey, kStoredRunServicesSelectionsKey);
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "list";
  CLog::SetApplicationNames("Quill Moor", "Quillmoor");
  CLog::Setup();
  CRegistry reg;
  // The local machine's Selections keys belong to the installation.
  reg.CreateKey(HKeyLocalMachine, qm::entries::kStoredRunSelectionsKey);
  reg.CreateKey(HKeyLocalMachine, qm::entries::kStoredRunServicesSelectionsKey);
  reg.CreateKey(HKeyCurrentUser, qm::entries::kStoredRunSelectionsKey);
  if (command == "take") {
    CStartupEngineer().StartWork();
    CServiceEngineer().StartWork();
  } else if (command == "return") {
    CStartupEngineer().ReturnRunEntries();
    CServiceEngineer().ReturnRunServiceEntries();
  } else if (command != "list") {
    std::fprintf(stderr, "usage: qmcycle [list|take|return]\n");
    return 2;
  }
  List();
  std::printf("Log: %s\n", CLog::GetProgramPathWith("Quillmoor.log").c_str());
  return 0;
}
