// The three kinds of entry the dialogs edit: their captions, messages, and
// where an entry is read and a name looked up.
#include "dialogs/EntryDialog.h"
#include "dialogs/ShortcutQueries.h"
#include "engine/foundation/CommandLine.h"
#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/Text.h"

namespace qm::dialogs {
namespace {

// Reads a command line and divides it after ".exe"; leaves both parts alone when the value cannot be read.
void ReadCommandLine(RegKey root, const char* key, const std::string& name, std::string* path,
                     std::string* argument) {
  CRegistry registry;
  std::string commandLine;
  if (!registry.GetValue(root, key, name.c_str(), &commandLine)) return;
  std::string newPath, newArgument;
  if (!SplitPathArgument(commandLine, &newPath, &newArgument)) return;
  *path = newPath;
  *argument = newArgument;
}

// Whether a value of that name stands under the key, letter case ignored as
// Windows ignores it: the engines refuse a name that differs from a taken one
// only in letter case, so the dialog says so before the user presses on.
bool IsValuePresent(RegKey root, const char* key, const std::string& name) {
  std::vector<std::string> names;
  if (!CRegistry().EnumerateValueNames(root, key, &names)) return false;
  for (const auto& present : names)
    if (platform::EqualsNoCase(present, name)) return true;
  return false;
}

// The view of HKLM whose key holds the entry: the one the window chose for the
// entry the user picked, else the first holding the name. A public entry of
// the other view of 64-bit Windows is read where it stands.
RegKey PublicRootOf(const char* key, const std::string& name) {
  RegKey root = entries::RootHolding(PublicRoots(), key, name, HKeyLocalMachine);
  return root == platform::kNoKey ? HKeyLocalMachine : root;
}

bool PresentUnderEitherRoot(const char* key, const std::string& name) {
  return IsValuePresent(HKeyCurrentUser, key, name) || IsValuePresent(HKeyLocalMachine, key, name);
}

class ServiceEntryKind : public EntryKind {
 public:
  const char* CreateCaption() const override { return "Create Service"; }
  const char* ModifyCaption() const override { return "Modify Service"; }
  const char* NameTakenMessage() const override { return "Service name already exists. Choose another name."; }
  int ResourceId() const override { return 1002; }
  void ReadEntry(const EntryValues& values, std::string* path, std::string* argument) const override {
    ReadCommandLine(PublicRootOf(ServicesKey(values), values.entryName), ServicesKey(values), values.entryName, path,
                    argument);
  }
  bool IsNameTaken(const EntryValues& values, const std::string& name) const override {
    return IsValuePresent(HKeyLocalMachine, ServicesKey(values), name);
  }

 private:
  static const char* ServicesKey(const EntryValues& values) {
    return values.inRegistry == 1 ? entries::kRunServicesKey : entries::kStoredRunServicesKey;
  }
};

class StartupEntryKind : public EntryKind {
 public:
  const char* CreateCaption() const override { return "Create Startup"; }
  const char* ModifyCaption() const override { return "Modify Startup"; }
  const char* NameTakenMessage() const override { return "Startup name already exists. Choose another name."; }
  int ResourceId() const override { return 22008; }
  int HelpMode() const override { return 1; }
  void ReadEntry(const EntryValues& values, std::string* path, std::string* argument) const override {
    RegKey root = values.entryType == 0 ? HKeyCurrentUser : PublicRootOf(RunKey(values), values.entryName);
    ReadCommandLine(root, RunKey(values), values.entryName, path, argument);
  }
  // Both roots, whatever the Type list shows: a startup name is unique across private and public.
  bool IsNameTaken(const EntryValues& values, const std::string& name) const override {
    return PresentUnderEitherRoot(RunKey(values), name);
  }

 private:
  static const char* RunKey(const EntryValues& values) {
    return values.inRegistry == 1 ? entries::kRunKey : entries::kStoredRunKey;
  }
};

class ShortcutEntryKind : public EntryKind {
 public:
  const char* CreateCaption() const override { return "Create Shortcut"; }
  const char* ModifyCaption() const override { return "Modify Shortcut"; }
  const char* NameTakenMessage() const override { return "Shortcut name already exists. Choose another name."; }
  int ResourceId() const override { return 22009; }
  int HelpMode() const override { return 0; }
  void ReadEntry(const EntryValues& values, std::string* path, std::string* argument) const override {
    IShortcutQueries* queries = ShortcutQueriesSlot();
    if (!queries) return;
    std::string newPath, newArgument;
    queries->GetShortcutInfo(values.entryName, &newPath, &newArgument, values.entryType, values.inRegistry);
    // The engine's result is not looked at: what it did not fill stays empty.
    if (!newPath.empty() || !newArgument.empty()) {
      *path = newPath;
      *argument = newArgument;
    }
  }
  bool IsNameTaken(const EntryValues& values, const std::string& name) const override {
    if (values.inRegistry != 1) return PresentUnderEitherRoot(kStoredShcKey, name);
    IShortcutQueries* queries = ShortcutQueriesSlot();
    if (!queries) return false;
    return queries->IsShortcutPresent(HKeyCurrentUser, name) == 1 ||
           queries->IsShortcutPresent(HKeyLocalMachine, name) == 1;
  }
};

}  // namespace

const EntryKind& ServiceKind() {
  static const ServiceEntryKind kind;
  return kind;
}
const EntryKind& StartupKind() {
  static const StartupEntryKind kind;
  return kind;
}
const EntryKind& ShortcutKind() {
  static const ShortcutEntryKind kind;
  return kind;
}

}  // namespace qm::dialogs
