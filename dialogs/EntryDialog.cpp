#include "dialogs/EntryDialog.h"

#include "engine/catalog/Impact.h"
#include "engine/foundation/Places.h"
#include "platform/Text.h"

namespace qm::dialogs {
namespace {

constexpr char kDelayMessage[] = "The delay is a number of seconds from 0 to 3600.";
constexpr char kPlainNameMessage[] =
    "A name cannot hold \\ / : * ? \" < > | and cannot be a device name such as CON or NUL. Choose another name.";

bool HasExeExtension(const std::string& path) {
  std::size_t slash = path.find_last_of("\\/");
  std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
  std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos) return false;
  return platform::EqualsNoCase(fileName.substr(dot + 1), "exe");
}

}  // namespace

EntryDialog::EntryDialog(const EntryDialogKind& kind, const EntryValues& opening) : kind_(kind), values_(opening) {}

void EntryDialog::OnInit() {
  if (values_.dialogMode == 1) {
    view_->SetCaption(kind_.CreateCaption());
    // A new entry always starts private, whatever the caller left in the member.
    values_.entryType = 0;
  } else {
    view_->SetCaption(kind_.ModifyCaption());
    kind_.ReadEntry(values_, &values_.entryPath, &values_.entryArgument);
  }
  view_->SetFieldText(Field::Name, values_.entryName);
  view_->SetFieldText(Field::Path, values_.entryPath);
  view_->SetFieldText(Field::Argument, values_.entryArgument);
  view_->SetFieldText(Field::Delay, std::to_string(values_.entryDelay));
  if (kind_.HasType()) view_->SetTypeIndex(values_.entryType);
  // Modify follows the same rule as create: an entry whose command line could
  // not be read opens with an empty Path, and an OK enabled there would let a
  // change of Argument or Type alone write an entry without a program.
  UpdateOk();
  view_->FocusNameSelected();
}

void EntryDialog::OnTextChanged(Field field) {
  if (field == Field::Name || field == Field::Path) UpdateOk();
}

void EntryDialog::UpdateOk() {
  view_->EnableOk(!view_->GetFieldText(Field::Name).empty() && !view_->GetFieldText(Field::Path).empty());
}

void EntryDialog::OnBrowse() {
  std::string chosen;
  if (!view_->BrowseForFile("Browse", "Executable Files (*.exe)|*.exe|All Files (*.*)|*.*||", &chosen)) return;
  if (!HasExeExtension(chosen)) {
    view_->ShowMessage("This is not a valid executable file");
    return;
  }
  view_->SetFieldText(Field::Path, chosen);
  UpdateOk();
}

void EntryDialog::OnEnter(Field focused) {
  if (focused == Field::Other || !view_->IsOkEnabled()) return;
  OnOk();
}

bool EntryDialog::RefuseTakenName(const std::string& name, int type, bool newName) {
  // A new name with a folder, a drive or a device in it would put a shortcut
  // outside its startup folder; every kind is held to the same rule. An
  // entry keeps a name it already has.
  if (newName && !IsPlainName(name)) {
    view_->ShowMessage(kPlainNameMessage);
    view_->FocusNameSelected();
    return true;
  }
  if (!kind_.IsNameTaken(values_, name, type)) return false;
  view_->ShowMessage(kind_.NameTakenMessage());
  view_->FocusNameSelected();
  return true;
}

void EntryDialog::OnOk() {
  // OK is disabled while Name or Path is empty; a stray command (a message
  // sent to the window, Enter racing a change) must not get round that rule.
  if (!view_->IsOkEnabled()) return;
  std::string name = view_->GetFieldText(Field::Name);
  std::string path = view_->GetFieldText(Field::Path);
  std::string argument = view_->GetFieldText(Field::Argument);
  int type = kind_.HasType() ? view_->GetTypeIndex() : values_.entryType;
  // Empty is none; anything else is a whole number of seconds up to an hour.
  const std::string delayText = view_->GetFieldText(Field::Delay);
  if (delayText.size() > 4 || delayText.find_first_not_of("0123456789") != std::string::npos ||
      (!delayText.empty() && std::stoi(delayText) > catalog::kLongestDelay)) {
    view_->ShowMessage(kDelayMessage);
    return;
  }
  const int delay = delayText.empty() ? 0 : std::stoi(delayText);

  if (values_.dialogMode == 1) {
    if (RefuseTakenName(name, type, true)) return;
    Accept(name, path, argument, type, delay);
    return;
  }

  bool sameName = platform::EqualsNoCase(name, values_.entryName);
  bool unchanged = sameName && platform::EqualsNoCase(path, values_.entryPath) &&
                   platform::EqualsNoCase(argument, values_.entryArgument) && type == values_.entryType &&
                   delay == values_.entryDelay;
  if (unchanged) {
    view_->Close(false);
    return;
  }
  // A new name, or a move to the other side, must not land on another entry.
  if ((!sameName || type != values_.entryType) && RefuseTakenName(name, type, !sameName)) return;
  Accept(name, path, argument, type, delay);
}

void EntryDialog::Accept(const std::string& name, const std::string& path, const std::string& argument, int type,
                         int delay) {
  values_.entryDelay = delay;
  values_.entryName = name;
  values_.entryPath = path;
  values_.entryArgument = argument;
  values_.entryType = type;
  accepted_ = true;
  view_->Close(true);
}

void EntryDialog::OnCancel() { view_->Close(false); }

void EntryDialog::OnHelp() {
  if (kind_.HasType()) view_->ShowContextHelp(kind_.HelpMode());
}

IEntryDialogHost*& EntryDialogHostSlot() {
  static IEntryDialogHost* host = DefaultEntryDialogHost();
  return host;
}

int ShowEntryDialog(const EntryDialogKind& kind, EntryValues* values) {
  IEntryDialogHost* host = EntryDialogHostSlot();
  if (!host || !values) return 0;
  EntryDialog dialog(kind, *values);
  if (host->RunModal(dialog) != 1 || !dialog.Accepted()) return 0;
  values->entryName = dialog.Values().entryName;
  values->entryPath = dialog.Values().entryPath;
  values->entryArgument = dialog.Values().entryArgument;
  values->entryDelay = dialog.Values().entryDelay;
  if (kind.HasType()) values->entryType = dialog.Values().entryType;
  return 1;
}

}  // namespace qm::dialogs
