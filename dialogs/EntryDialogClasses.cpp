// The three exported dialog classes: value objects whose ShowDialog runs the
// shared entry-dialog logic over a copy of their members.
#include "dialogs/EntryDialog.h"
#include "dialogs/ServiceDialog.h"
#include "dialogs/ShortcutDialog.h"
#include "dialogs/StartupDialog.h"

using qm::dialogs::EntryValues;

namespace {

template <class Dialog>
EntryValues ValuesOf(const Dialog& dialog, int entryType) {
  EntryValues values;
  values.dialogMode = dialog.dialogMode;
  values.inRegistry = dialog.inRegistry;
  values.entryRoot = dialog.entryRoot;
  values.entryType = entryType;
  values.entryName = dialog.entryName;
  values.entryPath = dialog.entryPath;
  values.entryArgument = dialog.entryArgument;
  values.entryDelay = dialog.entryDelay;
  return values;
}

template <class Dialog>
void TakeBack(Dialog& dialog, const EntryValues& values) {
  dialog.entryName = values.entryName;
  dialog.entryPath = values.entryPath;
  dialog.entryArgument = values.entryArgument;
  dialog.entryDelay = values.entryDelay;
}

}  // namespace

namespace qm {

CServiceDialog::CServiceDialog() : dialogMode(1), inRegistry(0), entryRoot(0) {}
CServiceDialog::CServiceDialog(const CServiceDialog& other) = default;
CServiceDialog& CServiceDialog::operator=(const CServiceDialog& other) = default;
CServiceDialog::~CServiceDialog() = default;

int CServiceDialog::ShowDialog() {
  EntryValues values = ValuesOf(*this, 0);
  if (!qm::dialogs::ShowEntryDialog(qm::dialogs::ServiceKind(), &values)) return 0;
  TakeBack(*this, values);
  return 1;
}

CStartupDialog::CStartupDialog() : dialogMode(1), inRegistry(0), entryType(0), entryRoot(0) {}
CStartupDialog::CStartupDialog(const CStartupDialog& other) = default;
CStartupDialog& CStartupDialog::operator=(const CStartupDialog& other) = default;
CStartupDialog::~CStartupDialog() = default;

int CStartupDialog::ShowDialog() {
  EntryValues values = ValuesOf(*this, entryType);
  if (!qm::dialogs::ShowEntryDialog(qm::dialogs::StartupKind(), &values)) return 0;
  TakeBack(*this, values);
  entryType = values.entryType;
  return 1;
}

CShortcutDialog::CShortcutDialog() : dialogMode(1), inRegistry(0), entryType(0), entryRoot(0) {}
CShortcutDialog::CShortcutDialog(const CShortcutDialog& other) = default;
CShortcutDialog& CShortcutDialog::operator=(const CShortcutDialog& other) = default;
CShortcutDialog::~CShortcutDialog() = default;

int CShortcutDialog::ShowDialog() {
  EntryValues values = ValuesOf(*this, entryType);
  if (!qm::dialogs::ShowEntryDialog(qm::dialogs::ShortcutKind(), &values)) return 0;
  TakeBack(*this, values);
  entryType = values.entryType;
  return 1;
}

}  // namespace qm
