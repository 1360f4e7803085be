#include "tests/dialogs/FakeEntryView.h"

namespace qm::test {

using dialogs::Field;

void FakeEntryView::Type(Field field, const std::string& text) {
  fields[field] = text;
  dialog_.OnTextChanged(field);
}

void FakeEntryView::SetFieldText(Field field, const std::string& text) {
  // A real edit control reports every change of its text, also the window's own.
  fields[field] = text;
  dialog_.OnTextChanged(field);
}

std::string FakeEntryView::GetFieldText(Field field) const {
  auto it = fields.find(field);
  return it == fields.end() ? std::string() : it->second;
}

bool FakeEntryView::BrowseForFile(const std::string& title, const std::string& filter, std::string* path) {
  browseTitle = title;
  browseFilter = filter;
  if (!browseAnswer) return false;
  *path = *browseAnswer;
  return true;
}

ScriptedHost::ScriptedHost(Script script)
    : script_(std::move(script)), previous_(dialogs::EntryDialogHostSlot()) {
  dialogs::EntryDialogHostSlot() = this;
}

ScriptedHost::~ScriptedHost() { dialogs::EntryDialogHostSlot() = previous_; }

int ScriptedHost::RunModal(dialogs::EntryDialog& dialog) {
  FakeEntryView view(dialog);
  dialog.Attach(&view);
  dialog.OnInit();
  caption = view.caption;
  openingFields = view.fields;
  openingType = view.typeIndex;
  okEnabledAtOpening = view.okEnabled;
  if (script_) script_(view, dialog);
  messages = view.messages;
  dialog.Attach(nullptr);
  return view.closed.value_or(0) == 1 ? 1 : 0;
}

}  // namespace qm::test
