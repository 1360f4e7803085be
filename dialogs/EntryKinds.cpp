// The three kinds of entry the dialogs edit: their captions, messages, and
// where an entry is read and a name looked up.
#include "dialogs/EntryDialog.h"
#include "dialogs/ShortcutQueries.h"
#include "engine/catalog/Catalog.h"
#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/Places.h"

namespace qm::dialogs {
namespace {

using qm::EntryPlace;

EntryPlace PlaceOf(const EntryValues& values) { return PlaceOfSelector(values.inRegistry); }

// The root of the entry a modify dialog opened on: the one the caller named,
// else the user's for a private entry and the first view of HKLM holding the
// name for a public one.
RegKey OpeningRoot(qm::EntryKind kind, const EntryValues& values) {
  if (values.entryRoot) return values.entryRoot;
  if (kind != qm::EntryKind::Service && values.entryType == 0) return HKeyCurrentUser;
  const Location* row = LocationOf(kind, HKeyLocalMachine);
  if (kind == qm::EntryKind::Shortcut || !row) return HKeyLocalMachine;
  const RegKey root = entries::RootHolding(PublicRoots(), row->KeyOf(PlaceOf(values)), values.entryName, HKeyLocalMachine);
  return root == platform::kNoKey ? HKeyLocalMachine : root;
}

// Where the entry would stand with that Type: its own root while the Type is
// unchanged (a public entry stays in its view), else the side the Type names,
// HKLM as this program sees it for the public one.
RegKey TargetRoot(qm::EntryKind kind, const EntryValues& values, int type) {
  const bool opened = values.dialogMode != 1;
  if (kind == qm::EntryKind::Service) return opened ? OpeningRoot(kind, values) : HKeyLocalMachine;
  if (opened && type == values.entryType) return OpeningRoot(kind, values);
  return type == 0 ? HKeyCurrentUser : HKeyLocalMachine;
}

void Read(qm::EntryKind kind, const EntryValues& values, std::string* path, std::string* argument) {
  catalog::ReadPathArgument({kind, OpeningRoot(kind, values), PlaceOf(values), values.entryName}, path, argument);
}

bool Taken(qm::EntryKind kind, const EntryValues& values, const std::string& name, int type) {
  return catalog::NameTaken({kind, TargetRoot(kind, values, type), PlaceOf(values), name});
}

class ServiceEntryKind : public EntryDialogKind {
 public:
  const char* CreateCaption() const override { return "Create Service"; }
  const char* ModifyCaption() const override { return "Modify Service"; }
  const char* NameTakenMessage() const override { return "Service name already exists. Choose another name."; }
  int ResourceId() const override { return 1002; }
  void ReadEntry(const EntryValues& values, std::string* path, std::string* argument) const override {
    Read(qm::EntryKind::Service, values, path, argument);
  }
  bool IsNameTaken(const EntryValues& values, const std::string& name, int type) const override {
    return Taken(qm::EntryKind::Service, values, name, type);
  }
};

class StartupEntryKind : public EntryDialogKind {
 public:
  const char* CreateCaption() const override { return "Create Startup"; }
  const char* ModifyCaption() const override { return "Modify Startup"; }
  const char* NameTakenMessage() const override { return "Startup name already exists. Choose another name."; }
  int ResourceId() const override { return 22008; }
  int HelpMode() const override { return 1; }
  void ReadEntry(const EntryValues& values, std::string* path, std::string* argument) const override {
    Read(qm::EntryKind::Startup, values, path, argument);
  }
  bool IsNameTaken(const EntryValues& values, const std::string& name, int type) const override {
    return Taken(qm::EntryKind::Startup, values, name, type);
  }
};

class ShortcutEntryKind : public EntryDialogKind {
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
  bool IsNameTaken(const EntryValues& values, const std::string& name, int type) const override {
    return Taken(qm::EntryKind::Shortcut, values, name, type);
  }
};

}  // namespace

const EntryDialogKind& ServiceKind() {
  static const ServiceEntryKind kind;
  return kind;
}
const EntryDialogKind& StartupKind() {
  static const StartupEntryKind kind;
  return kind;
}
const EntryDialogKind& ShortcutKind() {
  static const ShortcutEntryKind kind;
  return kind;
}

}  // namespace qm::dialogs
