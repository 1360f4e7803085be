#pragma once
// The behaviour of the three entry dialogs (service, startup, shortcut),
// without a window. A window view forwards its events here and is told what
// to show through IEntryDialogView; what differs between the three kinds of
// entry lives in an EntryDialogKind.
#include <cstdint>
#include <string>

#include "dialogs/OstrumApi.h"

namespace qm::dialogs {

// The values a dialog opens with and hands back.
struct EntryValues {
  int dialogMode = 1;  // 1 create, anything else modify
  int inRegistry = 0;  // 1 where Windows reads the entries, else the stored location
  int entryType = 0;   // Type list index: 0 private, 1 public (startups and shortcuts)
  // The modified entry's root; 0 for a new entry, or when only its name is known.
  std::uintptr_t entryRoot = 0;
  std::string entryName;
  std::string entryPath;
  std::string entryArgument;
  // Seconds after the log-on the ticked entry waits for the tray part; 0 none.
  int entryDelay = 0;
};

enum class Field { Name, Path, Argument, Delay, Other };

// What the logic asks of its window.
class IEntryDialogView {
 public:
  virtual ~IEntryDialogView() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetFieldText(Field field, const std::string& text) = 0;
  virtual std::string GetFieldText(Field field) const = 0;
  virtual void EnableOk(bool enabled) = 0;
  virtual bool IsOkEnabled() const = 0;
  virtual void SetTypeIndex(int index) = 0;
  virtual int GetTypeIndex() const = 0;
  // Focus in Name, its whole text selected and the caret scrolled into view.
  virtual void FocusNameSelected() = 0;
  // A message box over the window: exclamation icon, OK only, titled with the application's name.
  virtual void ShowMessage(const std::string& text) = 0;
  // The platform's file-open dialog; false when the user cancels. The filter
  // list uses '|' between its parts, as the class library writes it.
  virtual bool BrowseForFile(const std::string& title, const std::string& filter, std::string* path) = 0;
  // The context-help window, modal over this one.
  virtual void ShowContextHelp(int helpMode) = 0;
  virtual void Close(bool accepted) = 0;
};

// Where one kind of entry is read from and how its names are looked up.
class EntryDialogKind {
 public:
  virtual ~EntryDialogKind() = default;
  virtual const char* CreateCaption() const = 0;
  virtual const char* ModifyCaption() const = 0;
  virtual const char* NameTakenMessage() const = 0;
  virtual int ResourceId() const = 0;
  // Kinds with a Type list and a "?" button answer the context help's mode; others -1.
  virtual int HelpMode() const { return -1; }
  bool HasType() const { return HelpMode() >= 0; }
  // The current path and argument of the entry named in values; both stay
  // untouched when the entry cannot be read.
  virtual void ReadEntry(const EntryValues& values, std::string* path, std::string* argument) const = 0;
  // Whether the place the entry would stand in with that name and Type (its
  // own root and view, or the side its Type moves it to) already holds an
  // entry of that name, letter case ignored.
  virtual bool IsNameTaken(const EntryValues& values, const std::string& name, int type) const = 0;
};

OSTRUM_API const EntryDialogKind& ServiceKind();
OSTRUM_API const EntryDialogKind& StartupKind();
OSTRUM_API const EntryDialogKind& ShortcutKind();

class OSTRUM_API EntryDialog {
 public:
  EntryDialog(const EntryDialogKind& kind, const EntryValues& opening);

  const EntryDialogKind& Kind() const { return kind_; }
  void Attach(IEntryDialogView* view) { view_ = view; }

  void OnInit();
  // The text of Name, Path or Argument changed, by the user or by the window itself.
  void OnTextChanged(Field field);
  void OnBrowse();
  // Enter outside the platform's button handling, with the focus in the given control.
  void OnEnter(Field focused);
  void OnOk();
  void OnCancel();
  void OnHelp();

  // The window's values: the opening ones, and after an accepted close the user's.
  const EntryValues& Values() const { return values_; }
  bool Accepted() const { return accepted_; }

 private:
  void UpdateOk();
  // newName: the name is not the entry's own, and must be a plain name.
  bool RefuseTakenName(const std::string& name, int type, bool newName);
  void Accept(const std::string& name, const std::string& path, const std::string& argument, int type, int delay);

  const EntryDialogKind& kind_;
  EntryValues values_;
  IEntryDialogView* view_ = nullptr;
  bool accepted_ = false;
};

// Runs an entry dialog's window modally: the Win32 window in the product, a
// scripted fake view in tests. Answers 1 when the window closed accepted.
class IEntryDialogHost {
 public:
  virtual ~IEntryDialogHost() = default;
  virtual int RunModal(EntryDialog& dialog) = 0;
};

// The host ShowDialog uses; the Win32 window on Windows, none elsewhere until
// someone installs one.
OSTRUM_API IEntryDialogHost*& EntryDialogHostSlot();
// The platform's own host, made on first use; null where there are no windows.
IEntryDialogHost* DefaultEntryDialogHost();

// Steps 1 to 4 of ShowDialog, shared by the three dialog classes: run a window
// over a copy of the values and copy the user's values back only on accept.
OSTRUM_API int ShowEntryDialog(const EntryDialogKind& kind, EntryValues* values);

}  // namespace qm::dialogs
