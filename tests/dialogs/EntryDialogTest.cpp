// What the three entry dialogs share: OK enabling, Browse, Enter, and the
// create and modify rules of OK, seen through the service and startup dialogs.
#include <gtest/gtest.h>

#include "dialogs/ServiceDialog.h"
#include "dialogs/StartupDialog.h"
#include "tests/dialogs/FakeEntryView.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {
namespace {

using dialogs::EntryDialog;
using dialogs::Field;

constexpr char kServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class EntryDialogTest : public testing::Test {
 protected:
  TestPlatform platform;
};

TEST_F(EntryDialogTest, OkFollowsNameAndPathButNotArgument) {
  std::vector<bool> seen;
  ScriptedHost host([&](FakeEntryView& view, EntryDialog&) {
    seen.push_back(view.okEnabled);
    view.Type(Field::Name, "Backup");
    seen.push_back(view.okEnabled);
    view.Type(Field::Path, "C:\\b.exe");
    seen.push_back(view.okEnabled);
    view.Type(Field::Name, "");
    seen.push_back(view.okEnabled);
    view.Type(Field::Argument, "/x");
    seen.push_back(view.okEnabled);
    view.Type(Field::Name, "B");
    seen.push_back(view.okEnabled);
    view.Type(Field::Argument, "");
    seen.push_back(view.okEnabled);
  });
  CServiceDialog dialog;
  dialog.inRegistry = 1;
  EXPECT_EQ(dialog.ShowDialog(), 0);
  EXPECT_EQ(host.caption, "Create Service");
  EXPECT_EQ(seen, (std::vector<bool>{false, false, true, false, false, true, true}));
}

TEST_F(EntryDialogTest, CreateReturnsFieldsExactlyAsTyped) {
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    view.Type(Field::Name, "Night job ");
    view.Type(Field::Path, "C:\\jobs\\night.bat");
    logic.OnOk();
  });
  CServiceDialog dialog;
  dialog.inRegistry = 1;
  ASSERT_EQ(dialog.ShowDialog(), 1);
  EXPECT_EQ(dialog.entryName, "Night job ");
  EXPECT_EQ(dialog.entryPath, "C:\\jobs\\night.bat");
  EXPECT_EQ(dialog.entryArgument, "");
}

TEST_F(EntryDialogTest, BrowseTakesOnlyExecutables) {
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    view.Type(Field::Name, "Tool");
    view.Type(Field::Argument, "-q");
    view.browseAnswer = "C:\\Tools\\TOOL.EXE";
    logic.OnBrowse();
    EXPECT_EQ(view.browseTitle, "Browse");
    EXPECT_EQ(view.browseFilter, "Executable Files (*.exe)|*.exe|All Files (*.*)|*.*||");
    EXPECT_EQ(view.GetFieldText(Field::Path), "C:\\Tools\\TOOL.EXE");
    EXPECT_TRUE(view.okEnabled);

    view.browseAnswer = "C:\\Tools\\readme.exe.txt";
    logic.OnBrowse();
    EXPECT_EQ(view.messages, std::vector<std::string>{"This is not a valid executable file"});
    EXPECT_EQ(view.GetFieldText(Field::Path), "C:\\Tools\\TOOL.EXE");

    view.browseAnswer = "C:\\Tools.exe\\noext";
    logic.OnBrowse();
    EXPECT_EQ(view.messages.size(), 2u);

    view.browseAnswer.reset();
    logic.OnBrowse();
    EXPECT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.GetFieldText(Field::Path), "C:\\Tools\\TOOL.EXE");
    EXPECT_EQ(view.GetFieldText(Field::Name), "Tool");
    EXPECT_EQ(view.GetFieldText(Field::Argument), "-q");
  });
  CServiceDialog dialog;
  EXPECT_EQ(dialog.ShowDialog(), 0);
}

TEST_F(EntryDialogTest, EnterActsAsOkOnlyInTheFieldsAndWhileOkIsEnabled) {
  platform.SetText(HKeyLocalMachine, kServices, "Spooler", "C:\\s.exe ");
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    view.Type(Field::Name, "Spooler");
    logic.OnEnter(Field::Path);  // OK still disabled: nothing
    EXPECT_TRUE(view.messages.empty());
    view.Type(Field::Path, "C:\\t.exe");
    logic.OnEnter(Field::Other);  // a button or the list: left to the platform
    EXPECT_TRUE(view.messages.empty());
    logic.OnEnter(Field::Path);  // runs the duplicate check of OK
    EXPECT_EQ(view.messages, std::vector<std::string>{"Service name already exists. Choose another name."});
    EXPECT_FALSE(view.closed.has_value());
    view.Type(Field::Name, "Spooler2");
    logic.OnEnter(Field::Argument);
  });
  CServiceDialog dialog;
  dialog.inRegistry = 1;
  ASSERT_EQ(dialog.ShowDialog(), 1);
  EXPECT_EQ(dialog.entryName, "Spooler2");
}

TEST_F(EntryDialogTest, OkCommandWhileDisabledAcceptsNothing) {
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    view.Type(Field::Name, "Only a name");
    logic.OnOk();
    EXPECT_FALSE(view.closed.has_value());
    logic.OnCancel();
  });
  CServiceDialog dialog;
  EXPECT_EQ(dialog.ShowDialog(), 0);
  EXPECT_EQ(dialog.entryName, "");
}

class ModifyStartupTest : public EntryDialogTest {
 protected:
  void SetUp() override {
    platform.SetText(HKeyCurrentUser, kRun, "Mailer", "C:\\Mail\\mailer.exe -min");
    platform.SetText(HKeyCurrentUser, kRun, "Clock", "C:\\clock.exe ");
    dialog.dialogMode = 0;
    dialog.inRegistry = 1;
    dialog.entryType = 0;
    dialog.entryName = "Mailer";
  }
  CStartupDialog dialog;
};

TEST_F(ModifyStartupTest, OpensWithTheEntryAndOkEnabled) {
  ScriptedHost host([](FakeEntryView& view, EntryDialog&) {
    EXPECT_EQ(view.nameFocusCount, 1);
  });
  EXPECT_EQ(dialog.ShowDialog(), 0);
  EXPECT_EQ(host.caption, "Modify Startup");
  EXPECT_EQ(host.openingFields[Field::Path], "C:\\Mail\\mailer.exe");
  EXPECT_EQ(host.openingFields[Field::Argument], "-min");
  EXPECT_TRUE(host.okEnabledAtOpening);
}

TEST_F(ModifyStartupTest, NoChangeOrCaseOnlyChangeReturnsZeroAndKeepsMembers) {
  for (const char* name : {"Mailer", "MAILER"}) {
    ScriptedHost host([&](FakeEntryView& view, EntryDialog& logic) {
      view.Type(Field::Name, name);
      view.Type(Field::Path, "c:\\mail\\MAILER.EXE");
      logic.OnOk();
      EXPECT_EQ(view.closed, 0);
    });
    EXPECT_EQ(dialog.ShowDialog(), 0) << name;
    EXPECT_EQ(dialog.entryName, "Mailer");
    EXPECT_EQ(dialog.entryPath, "");
    EXPECT_EQ(dialog.entryArgument, "");
    EXPECT_TRUE(host.messages.empty());
  }
}

TEST_F(ModifyStartupTest, PathChangeIsAcceptedWithoutNameTestAndKeepsNewCase) {
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    view.Type(Field::Name, "MAILER");
    view.Type(Field::Argument, "-max");
    logic.OnOk();
  });
  ASSERT_EQ(dialog.ShowDialog(), 1);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(dialog.entryName, "MAILER");
  EXPECT_EQ(dialog.entryPath, "C:\\Mail\\mailer.exe");
  EXPECT_EQ(dialog.entryArgument, "-max");
}

TEST_F(ModifyStartupTest, RenameToATakenNameIsRefusedAndTheWindowStaysOpen) {
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    view.Type(Field::Name, "Clock");
    logic.OnOk();
    EXPECT_FALSE(view.closed.has_value());
    EXPECT_EQ(view.nameFocusCount, 2);  // opening, then after the message
    view.Type(Field::Name, "Mail checker");
    logic.OnOk();
  });
  ASSERT_EQ(dialog.ShowDialog(), 1);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Startup name already exists. Choose another name."});
  EXPECT_EQ(dialog.entryName, "Mail checker");
}

TEST_F(ModifyStartupTest, TypeOnlyChangeIsAChange) {
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    view.typeIndex = 1;
    logic.OnOk();
  });
  ASSERT_EQ(dialog.ShowDialog(), 1);
  EXPECT_EQ(dialog.entryType, 1);
  EXPECT_EQ(dialog.entryName, "Mailer");
}

TEST_F(ModifyStartupTest, ADelayAloneIsAChangeAndOneOutOfRangeIsRefused) {
  dialog.entryDelay = 30;
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    for (const char* bad : {"3601", "1e3", "-5"}) {
      view.Type(Field::Delay, bad);
      logic.OnOk();
      EXPECT_FALSE(view.closed.has_value()) << bad;
    }
    view.Type(Field::Delay, "");  // none
    logic.OnOk();
  });
  ASSERT_EQ(dialog.ShowDialog(), 1);
  EXPECT_EQ(host.openingFields[Field::Delay], "30");
  EXPECT_EQ(host.messages, std::vector<std::string>(3, "The delay is a number of seconds from 0 to 3600."));
  EXPECT_EQ(dialog.entryDelay, 0);
}

TEST_F(ModifyStartupTest, UnreadableEntryOpensEmptyAndNeedsAPath) {
  dialog.entryName = "Gone";
  ScriptedHost host([](FakeEntryView& view, EntryDialog& logic) {
    // A change of Argument or Type alone must not save an entry without a program.
    view.Type(Field::Argument, "-x");
    view.typeIndex = 1;
    logic.OnOk();
    logic.OnEnter(Field::Argument);
    EXPECT_FALSE(view.closed.has_value());
    view.typeIndex = 0;
    view.Type(Field::Name, "Gone ");
    EXPECT_FALSE(view.okEnabled);
    view.Type(Field::Path, "C:\\x.exe");
    EXPECT_TRUE(view.okEnabled);
    logic.OnOk();
  });
  ASSERT_EQ(dialog.ShowDialog(), 1);
  EXPECT_FALSE(host.okEnabledAtOpening);
  EXPECT_EQ(host.openingFields[Field::Path], "");
  EXPECT_EQ(host.openingFields[Field::Argument], "");
  EXPECT_EQ(dialog.entryName, "Gone ");
}

TEST(ShowDialogWithoutHost, AnswersZero) {
  dialogs::IEntryDialogHost* previous = dialogs::EntryDialogHostSlot();
  dialogs::EntryDialogHostSlot() = nullptr;
  CServiceDialog dialog;
  dialog.entryName = "kept";
  EXPECT_EQ(dialog.ShowDialog(), 0);
  EXPECT_EQ(dialog.entryName, "kept");
  dialogs::EntryDialogHostSlot() = previous;
}

TEST(DialogValues, StartAsTheCallerExpectsAndCopyWhole) {
  CStartupDialog a;
  EXPECT_EQ(a.dialogMode, 1);
  EXPECT_EQ(a.inRegistry, 0);
  EXPECT_EQ(a.entryType, 0);
  a.dialogMode = 0;
  a.entryType = 1;
  a.entryName = "n";
  a.entryPath = "p";
  a.entryArgument = "g";
  CStartupDialog b(a);
  CStartupDialog c;
  c = a;
  for (const CStartupDialog* d : {&b, &c}) {
    EXPECT_EQ(d->dialogMode, 0);
    EXPECT_EQ(d->entryType, 1);
    EXPECT_EQ(d->entryName + d->entryPath + d->entryArgument, "npg");
  }
}

}  // namespace
}  // namespace qm::test
