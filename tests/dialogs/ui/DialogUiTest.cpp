// The real dialogs of ostrum, opened by their ShowDialog and driven by
// messages from a second thread, as a user's keys and clicks would. Results
// are collected by the driver and checked on the test's own thread.
#include <gtest/gtest.h>

#include <map>

#include "dialogs/AboutDialog.h"
#include "dialogs/ServiceDialog.h"
#include "dialogs/ShortcutDialog.h"
#include "dialogs/ShortcutQueries.h"
#include "dialogs/StartupDialog.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "tests/dialogs/ui/UiSupport.h"

namespace qm::test {
namespace {

constexpr char kServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

enum : int { kName = 22009, kPath = 1008, kArgument = 1009, kOk = 1011, kCancel = 1012, kType = 1013, kHelp = 1014 };

void Click(HWND dialog, int id) {
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}
void Type(HWND dialog, int id, const std::string& text) {
  ::SendMessageA(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
// A key pressed while the focus is in control id (the dialog's own keyboard handling runs).
void Key(HWND dialog, int id, WPARAM key) {
  HWND control = id ? ::GetDlgItem(dialog, id) : dialog;
  if (id) ::PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  ::PostMessageA(control, WM_KEYDOWN, key, 0);
  ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}
bool OkEnabled(HWND dialog) { return ::IsWindowEnabled(::GetDlgItem(dialog, kOk)) != FALSE; }
// Never leave a modal window behind a failed expectation: the test would hang.
void CloseIfOpen(HWND dialog) {
  if (dialog && ::IsWindow(dialog)) ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

class DialogUiTest : public testing::Test {
 protected:
  void SetUp() override {
    CLog::SetApplicationNames("Quill Moor", "Quillmoor");
    registry.CreateKey(HKeyLocalMachine, kServices);
    registry.CreateKey(HKeyCurrentUser, kRun);
  }
  void TearDown() override {
    for (auto& [root, key, name] : created) registry.DeleteValue(root, key, name.c_str());
  }
  void Seed(RegKey root, const char* key, const std::string& name, const std::string& text) {
    registry.SetValue(root, key, name.c_str(), text);
    created.push_back({root, key, name});
  }
  CRegistry registry;
  struct Value {
    RegKey root;
    const char* key;
    std::string name;
  };
  std::vector<Value> created;
  std::map<std::string, std::string> seen;  // what the driver found
};

TEST_F(DialogUiTest, CreateServiceEnablesOkRefusesATakenNameOnEnterAndAccepts) {
  Seed(HKeyLocalMachine, kServices, "QM UI taken", "C:\\taken.exe ");
  CServiceDialog dialog;
  dialog.inRegistry = 1;
  int result = WithDriver([&] { return dialog.ShowDialog(); },
                          [&] {
                            HWND window = WaitForDialog("Create Service");
                            if (!window) return;
                            seen["ok at opening"] = OkEnabled(window) ? "on" : "off";
                            Type(window, kName, "QM UI taken");
                            seen["ok with name"] = OkEnabled(window) ? "on" : "off";
                            Type(window, kPath, "C:\\windows\\notepad.exe");
                            seen["ok with path"] = OkEnabled(window) ? "on" : "off";
                            Type(window, kArgument, "/a b");
                            Settle(window);
                            SaveScreenshot(window, "service-create");
                            Key(window, kPath, VK_RETURN);
                            HWND box = WaitForDialog("Quill Moor");
                            if (box) {
                              seen["message"] = MessageBoxText(box);
                              SaveScreenshot(box, "service-name-taken");
                              Key(box, 0, VK_RETURN);
                              WaitUntilClosed(box);
                            }
                            Settle(window);
                            DWORD start = 0, end = 0;
                            ::SendMessageA(::GetDlgItem(window, kName), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                           reinterpret_cast<LPARAM>(&end));
                            seen["selection"] = std::to_string(start) + "-" + std::to_string(end);
                            seen["still open"] = ::IsWindow(window) ? "yes" : "no";
                            Type(window, kName, "QM UI fresh");
                            Click(window, kOk);
                            WaitUntilClosed(window);
                            CloseIfOpen(window);
                          });
  EXPECT_EQ(seen["ok at opening"], "off");
  EXPECT_EQ(seen["ok with name"], "off");
  EXPECT_EQ(seen["ok with path"], "on");
  EXPECT_EQ(seen["message"], "Service name already exists. Choose another name.");
  EXPECT_EQ(seen["selection"], "0-11");
  EXPECT_EQ(seen["still open"], "yes");
  ASSERT_EQ(result, 1);
  EXPECT_EQ(dialog.entryName, "QM UI fresh");
  EXPECT_EQ(dialog.entryPath, "C:\\windows\\notepad.exe");
  EXPECT_EQ(dialog.entryArgument, "/a b");
}

TEST_F(DialogUiTest, ModifyServiceShowsTheEntryAndEscapeCancels) {
  Seed(HKeyLocalMachine, kServices, "QM UI indexer", "C:\\Program Files\\Index Tool\\indexer.exe --low io");
  CServiceDialog dialog;
  dialog.dialogMode = 0;
  dialog.inRegistry = 1;
  dialog.entryName = "QM UI indexer";
  int result = WithDriver([&] { return dialog.ShowDialog(); },
                          [&] {
                            HWND window = WaitForDialog("Modify Service");
                            if (!window) return;
                            seen["path"] = TextOf(::GetDlgItem(window, kPath));
                            seen["argument"] = TextOf(::GetDlgItem(window, kArgument));
                            seen["ok"] = OkEnabled(window) ? "on" : "off";
                            SaveScreenshot(window, "service-modify");
                            Key(window, kName, VK_ESCAPE);
                            WaitUntilClosed(window);
                            CloseIfOpen(window);
                          });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(seen["path"], "C:\\Program Files\\Index Tool\\indexer.exe");
  EXPECT_EQ(seen["argument"], "--low io");
  EXPECT_EQ(seen["ok"], "on");
  EXPECT_EQ(dialog.entryPath, "");
}

TEST_F(DialogUiTest, ModifyStartupOpensItsContextHelpAndAcceptsATypeChange) {
  Seed(HKeyCurrentUser, kRun, "QM UI mailer", "C:\\Mail\\mailer.exe -min");
  CStartupDialog dialog;
  dialog.dialogMode = 0;
  dialog.inRegistry = 1;
  dialog.entryType = 0;
  dialog.entryName = "QM UI mailer";
  int result = WithDriver([&] { return dialog.ShowDialog(); },
                          [&] {
                            HWND window = WaitForDialog("Modify Startup");
                            if (!window) return;
                            seen["path"] = TextOf(::GetDlgItem(window, kPath));
                            seen["type"] = std::to_string(::SendDlgItemMessageA(window, kType, CB_GETCURSEL, 0, 0));
                            SaveScreenshot(window, "startup-modify");
                            Click(window, kHelp);
                            HWND help = WaitForDialog("Context Help");
                            if (help) {
                              seen["public help"] = TextOf(::GetDlgItem(help, 1019));
                              SaveScreenshot(help, "context-help-startup");
                              Key(help, 0, VK_ESCAPE);
                              seen["help closed"] = WaitUntilClosed(help) ? "yes" : "no";
                            }
                            ::SendDlgItemMessageA(window, kType, CB_SETCURSEL, 1, 0);
                            Click(window, kOk);
                            WaitUntilClosed(window);
                            CloseIfOpen(window);
                          });
  EXPECT_EQ(seen["path"], "C:\\Mail\\mailer.exe");
  EXPECT_EQ(seen["type"], "0");
  EXPECT_EQ(seen["public help"],
            "Startup of this type will exist for all users of this machine. It will be launched regardless which "
            "user logs on to it.");
  EXPECT_EQ(seen["help closed"], "yes");
  ASSERT_EQ(result, 1);
  EXPECT_EQ(dialog.entryType, 1);
  EXPECT_EQ(dialog.entryName, "QM UI mailer");
}

// What the window shows, read through the wide functions: the UTF-16 the user sees.
std::wstring WideTextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

// Names and folders in any script reach the window whole, and an entry whose
// command line cannot be read opens with OK off, so that a Type change alone
// cannot save it without a program.
TEST_F(DialogUiTest, ModifyStartupShowsNamesInAnyScriptAndNeedsAPath) {
  const std::string name = "QM UI \xC3\x89" "diteur \xE5\xBE\xAE\xE4\xBF\xA1";  // Éditeur 微信
  Seed(HKeyCurrentUser, kRun, name, "C:\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\\app.exe -x");
  for (const std::string& entry : {name, std::string("QM UI unreadable")}) {
    CStartupDialog dialog;
    dialog.dialogMode = 0;
    dialog.inRegistry = 1;
    dialog.entryName = entry;
    seen.clear();
    int result = WithDriver([&] { return dialog.ShowDialog(); },
                            [&] {
                              HWND window = WaitForDialog("Modify Startup");
                              if (!window) return;
                              seen["name"] = WideTextOf(::GetDlgItem(window, kName)) == L"QM UI \u00C9diteur \u5FAE\u4FE1"
                                                 ? "whole" : "mangled";
                              seen["path"] = WideTextOf(::GetDlgItem(window, kPath)) ==
                                                     L"C:\\\u041F\u0440\u0438\u0432\u0435\u0442\\app.exe"
                                                 ? "whole" : "mangled";
                              seen["ok"] = OkEnabled(window) ? "on" : "off";
                              if (entry == name) SaveScreenshot(window, "startup-modify-any-script");
                              ::SendDlgItemMessageA(window, kType, CB_SETCURSEL, 1, 0);
                              Click(window, kOk);
                              Settle(window);
                              seen["closed by ok"] = ::IsWindow(window) ? "no" : "yes";
                              CloseIfOpen(window);
                              WaitUntilClosed(window);
                            });
    if (entry == name) {
      EXPECT_EQ(seen["name"], "whole");
      EXPECT_EQ(seen["path"], "whole");
      EXPECT_EQ(seen["ok"], "on");
      EXPECT_EQ(result, 1);
      EXPECT_EQ(dialog.entryName, name);
    } else {
      EXPECT_EQ(seen["ok"], "off");
      EXPECT_EQ(seen["closed by ok"], "no");
      EXPECT_EQ(result, 0);
    }
  }
}

TEST_F(DialogUiTest, CreateStartupOpensOnPrivate) {
  CStartupDialog dialog;
  dialog.inRegistry = 1;
  dialog.entryType = 1;
  int result = WithDriver([&] { return dialog.ShowDialog(); },
                          [&] {
                            HWND window = WaitForDialog("Create Startup");
                            if (!window) return;
                            char text[32] = {};
                            ::GetDlgItemTextA(window, kType, text, sizeof(text));
                            seen["type"] = text;
                            Type(window, kName, "Agent");
                            Type(window, kPath, "C:\\Program Files\\Agent\\agent.exe");
                            Settle(window);
                            SaveScreenshot(window, "startup-create");
                            Click(window, kCancel);
                            WaitUntilClosed(window);
                            CloseIfOpen(window);
                          });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(seen["type"], "Private");
  EXPECT_EQ(dialog.entryName, "");
}

class FixedShortcuts : public dialogs::IShortcutQueries {
 public:
  int GetShortcutInfo(const std::string&, std::string* path, std::string* argument, int, int) override {
    *path = "C:\\Program Files\\Notes\\notes.exe";
    *argument = "-tray";
    return 1;
  }
};

// A file named like a shortcut in the user's startup folder, for the time it lives.
struct StandingShortcut {
  std::string file;
  explicit StandingShortcut(const char* name) {
    char folder[MAX_PATH];
    DWORD size = sizeof(folder);
    if (::RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                       "Startup", RRF_RT_REG_SZ, nullptr, folder, &size) != ERROR_SUCCESS)
      return;
    ::CreateDirectoryA(folder, nullptr);
    file = std::string(folder) + "\\" + name + ".lnk";
    ::CloseHandle(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  ~StandingShortcut() { ::DeleteFileA(file.c_str()); }
};

TEST_F(DialogUiTest, ShortcutDialogsAndTheirContextHelp) {
  FixedShortcuts shortcuts;
  dialogs::IShortcutQueries* previous = dialogs::ShortcutQueriesSlot();
  dialogs::ShortcutQueriesSlot() = &shortcuts;
  StandingShortcut notes("Notes");

  CShortcutDialog create;
  create.inRegistry = 1;
  int created = WithDriver([&] { return create.ShowDialog(); },
                           [&] {
                             HWND window = WaitForDialog("Create Shortcut");
                             if (!window) return;
                             Type(window, kName, "Notes");
                             Type(window, kPath, "C:\\notes.exe");
                             Settle(window);
                             SaveScreenshot(window, "shortcut-create");
                             Click(window, kOk);
                             HWND box = WaitForDialog("Quill Moor");
                             if (box) {
                               seen["message"] = MessageBoxText(box);
                               Key(box, 0, VK_RETURN);
                               WaitUntilClosed(box);
                             }
                             Click(window, kHelp);
                             HWND help = WaitForDialog("Context Help");
                             if (help) {
                               seen["public help"] = TextOf(::GetDlgItem(help, 1019));
                               SaveScreenshot(help, "context-help-shortcut");
                               ::PostMessageA(help, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
                               WaitUntilClosed(help);
                             }
                             Key(window, kName, VK_ESCAPE);
                             WaitUntilClosed(window);
                             CloseIfOpen(window);
                           });

  CShortcutDialog modify;
  modify.dialogMode = 0;
  modify.inRegistry = 1;
  modify.entryName = "Notes";
  modify.entryType = 1;
  int modified = WithDriver([&] { return modify.ShowDialog(); },
                            [&] {
                              HWND window = WaitForDialog("Modify Shortcut");
                              if (!window) return;
                              seen["path"] = TextOf(::GetDlgItem(window, kPath));
                              SaveScreenshot(window, "shortcut-modify");
                              Type(window, kName, "NOTES");
                              Key(window, kArgument, VK_RETURN);  // a case-only change is no change
                              WaitUntilClosed(window);
                              CloseIfOpen(window);
                            });
  dialogs::ShortcutQueriesSlot() = previous;

  EXPECT_EQ(created, 0);
  EXPECT_EQ(seen["message"], "Shortcut name already exists. Choose another name.");
  EXPECT_EQ(seen["public help"],
            "Shortut of this type will exist for all users of this machine. It will be launched regardless which user "
            "logs on to it.");
  EXPECT_EQ(seen["path"], "C:\\Program Files\\Notes\\notes.exe");
  EXPECT_EQ(modified, 0);
  EXPECT_EQ(modify.entryName, "Notes");
}

TEST_F(DialogUiTest, AboutBoxIgnoresEnterAndClosesWithEscapeOrTheCloseBox) {
  CAboutDialog about;
  int byEscape = WithDriver([&] { return about.ShowDialog(); },
                            [&] {
                              HWND window = WaitForDialog("About Quill Moor...");
                              if (!window) return;
                              SaveScreenshot(window, "about");
                              seen["link"] = TextOf(::GetDlgItem(window, 1000));
                              Key(window, 0, VK_RETURN);
                              Settle(window);
                              seen["after enter"] = ::IsWindow(window) ? "open" : "closed";
                              Key(window, 0, VK_ESCAPE);
                              WaitUntilClosed(window);
                              CloseIfOpen(window);
                            });
  int byCloseBox = WithDriver([&] { return about.ShowDialog(); },
                              [&] {
                                HWND window = WaitForDialog("About Quill Moor...");
                                if (!window) return;
                                ::PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
                                WaitUntilClosed(window);
                                CloseIfOpen(window);
                              });
  EXPECT_EQ(seen["after enter"], "open");
  EXPECT_EQ(seen["link"], "www.tarnwick.example");
  EXPECT_EQ(byEscape, 1);
  EXPECT_EQ(byCloseBox, 1);
}

}  // namespace
}  // namespace qm::test
