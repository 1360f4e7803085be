#pragma once
// A recording stand-in for an entry dialog's window, and a host that runs a
// scripted user against it in place of the modal loop.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/EntryDialog.h"

namespace qm::test {

class FakeEntryView : public dialogs::IEntryDialogView {
 public:
  explicit FakeEntryView(dialogs::EntryDialog& dialog) : dialog_(dialog) {}

  // The user types a whole new text into a field, as EN_CHANGE would report it.
  void Type(dialogs::Field field, const std::string& text);

  void SetCaption(const std::string& caption) override { this->caption = caption; }
  void SetFieldText(dialogs::Field field, const std::string& text) override;
  std::string GetFieldText(dialogs::Field field) const override;
  void EnableOk(bool enabled) override { okEnabled = enabled; }
  bool IsOkEnabled() const override { return okEnabled; }
  void SetTypeIndex(int index) override { typeIndex = index; }
  int GetTypeIndex() const override { return typeIndex; }
  void FocusNameSelected() override { ++nameFocusCount; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool BrowseForFile(const std::string& title, const std::string& filter, std::string* path) override;
  void ShowContextHelp(int helpMode) override { helpModes.push_back(helpMode); }
  void Close(bool accepted) override { closed = accepted ? 1 : 0; }

  std::string caption;
  std::map<dialogs::Field, std::string> fields;
  bool okEnabled = false;
  int typeIndex = -1;
  int nameFocusCount = 0;
  std::vector<std::string> messages;
  std::vector<int> helpModes;
  std::optional<int> closed;  // 1 accepted, 0 cancelled
  // What the file-open dialog answers next; nullopt = the user cancels.
  std::optional<std::string> browseAnswer;
  std::string browseTitle, browseFilter;

 private:
  dialogs::EntryDialog& dialog_;
};

// Installs itself as the dialogs' host; each RunModal opens a fake view,
// runs the script as the user and answers the way the window closed.
class ScriptedHost : public dialogs::IEntryDialogHost {
 public:
  using Script = std::function<void(FakeEntryView&, dialogs::EntryDialog&)>;
  explicit ScriptedHost(Script script);
  ~ScriptedHost() override;
  int RunModal(dialogs::EntryDialog& dialog) override;

  // What the last window showed.
  std::string caption;
  std::vector<std::string> messages;
  std::map<dialogs::Field, std::string> openingFields;
  int openingType = -1;
  bool okEnabledAtOpening = false;

 private:
  Script script_;
  dialogs::IEntryDialogHost* previous_;
};

}  // namespace qm::test
