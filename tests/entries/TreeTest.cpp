// Filling the main window's tree with startups and services.
#include <gtest/gtest.h>

#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "tests/entries/EntriesFixture.h"
#include "tests/support/FakeTreeControl.h"

#include <map>

#include "platform/ProgramInfo.h"

namespace qm::test {
namespace {

class TreePopulation : public EntriesTest {
 protected:
  TreePopulation() : list(3) {
    tree.imageList = &list;
    servicesItem = tree.InsertItem(0, "Services", 0, 0);
    startupsItem = tree.InsertItem(0, "Startups", 1, 1);
  }
  CStartupEngineer startups;
  CServiceEngineer services;
  FakeImageList list;  // the window's three parent icons
  FakeTreeControl tree;
  platform::TreeItem servicesItem = 0;
  platform::TreeItem startupsItem = 0;
};

TEST_F(TreePopulation, PrivateStartupsComeFirstWithIconsAndTheStoredFlags) {
  platform.SetText(HKLM, kRun, "B", "C:\\b.exe -x");
  platform.SetNumber(HKLM, kFlags, "B", 0);
  platform.SetText(HKCU, kRun, "A", "D:\\Program Files\\A\\a.exe /tray");
  platform.SetNumber(HKCU, kFlags, "A", 1);
  platform.SetText(HKCU, kRun, "C", "\"C:\\c.exe\" -q");  // not split: the whole line is looked up
  platform.SetText(HKLM, kRun, "A", "C:\\public-a.exe ");
  platform.SetNumber(HKLM, kFlags, "A", 1);
  shell.GiveIcon("D:\\Program Files\\A\\a.exe");
  shell.GiveIcon("C:\\public-a.exe");

  ASSERT_EQ(1, startups.PopulateRunEntries(&tree, startupsItem, 1));
  EXPECT_EQ((std::vector<std::string>{"A", "C", "B", "A"}), tree.ChildTexts(startupsItem));
  auto items = tree.Children(startupsItem);
  auto image = [&](int i) { return tree.At(items[i]).image; };
  auto selectedImage = [&](int i) { return tree.At(items[i]).selectedImage; };
  EXPECT_EQ(3, image(0));
  EXPECT_EQ(1, image(1));
  EXPECT_EQ(1, image(2));
  EXPECT_EQ(4, image(3));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(image(i), selectedImage(i));
  EXPECT_EQ((std::vector<bool>{true, false, false, true}),
            (std::vector<bool>{tree.GetCheck(items[0]), tree.GetCheck(items[1]), tree.GetCheck(items[2]),
                               tree.GetCheck(items[3])}));
  EXPECT_EQ((std::vector<std::string>{"D:\\Program Files\\A\\a.exe", "\"C:\\c.exe\" -q", "C:\\b.exe",
                                      "C:\\public-a.exe"}),
            shell.iconLookups);
  EXPECT_EQ(5, list.Count());
  EXPECT_EQ(0u, shell.LiveIcons());  // the list keeps its own copies
  EXPECT_TRUE(tree.Children(servicesItem).empty());
}

// The shell's icon lookup is the slow step of a listing: each program file is
// asked for once per listing, and its entries share the image it gave.
TEST_F(TreePopulation, EachProgramIsLookedUpOncePerListingAndItsEntriesShareTheImage) {
  platform.SetText(HKCU, kRun, "A", "C:\\same.exe -a");
  platform.SetText(HKCU, kRun, "B", "C:\\same.exe -b");
  platform.SetText(HKLM, kRun, "C", "C:\\other.exe");
  platform.SetText(HKLM, kRun, "D", "C:\\none.exe");
  platform.SetText(HKLM, kRun, "E", "C:\\same.exe");
  platform.SetText(HKLM, kRun, "F", "C:\\none.exe");
  platform.SetText(HKLM, kServices, "S", "C:\\same.exe");
  shell.GiveIcon("C:\\same.exe");
  shell.GiveIcon("C:\\other.exe");
  ASSERT_EQ(1, startups.PopulateRunEntries(&tree, startupsItem, 1));
  ASSERT_EQ(1, services.PopulateRunServiceEntries(&tree, servicesItem, 1));
  std::vector<int> images;
  for (platform::TreeItem item : tree.Children(startupsItem)) images.push_back(tree.GetItemImage(item));
  for (platform::TreeItem item : tree.Children(servicesItem)) images.push_back(tree.GetItemImage(item));
  // A later listing asks again: the list may have been rebuilt since.
  EXPECT_EQ((std::vector<int>{3, 3, 4, 1, 3, 1, 5}), images);
  EXPECT_EQ((std::vector<std::string>{"C:\\same.exe", "C:\\other.exe", "C:\\none.exe", "C:\\same.exe"}),
            shell.iconLookups);
  EXPECT_EQ(6, list.Count());
  EXPECT_EQ(0u, shell.LiveIcons());
}

TEST_F(TreePopulation, StoredLocationListsStoredEntriesAndAddsWithoutClearing) {
  platform.SetText(HKCU, kRun, "InRunKey", "C:\\run.exe ");
  platform.SetText(HKCU, kStored, "Kept", "C:\\kept.exe ");
  platform.SetNumber(HKCU, kFlags, "Kept", 1);
  ASSERT_EQ(1, startups.PopulateRunEntries(&tree, startupsItem, 0));
  ASSERT_EQ(1, startups.PopulateRunEntries(&tree, startupsItem, 0));
  EXPECT_EQ((std::vector<std::string>{"Kept", "Kept"}), tree.ChildTexts(startupsItem));
  EXPECT_TRUE(tree.GetCheck(tree.Children(startupsItem)[1]));
}

TEST_F(TreePopulation, LinesTooLongToReadStillGetAnItemWithTheKindsIcon) {
  std::string longLine = "C:\\" + std::string(300, 'x') + ".exe ";
  platform.SetText(HKCU, kRun, "Long", longLine);
  platform.SetText(HKLM, kServices, "Long", longLine);
  shell.GiveIcon(longLine);
  ASSERT_EQ(1, startups.PopulateRunEntries(&tree, startupsItem, 1));
  ASSERT_EQ(1, services.PopulateRunServiceEntries(&tree, servicesItem, 1));
  EXPECT_EQ(1, tree.GetItemImage(tree.Children(startupsItem).at(0)));
  EXPECT_EQ(0, tree.GetItemImage(tree.Children(servicesItem).at(0)));
  EXPECT_TRUE(shell.iconLookups.empty());
}

TEST_F(TreePopulation, ServicesComeFromTheLocalMachineOnlyWithImage0AsFallback) {
  platform.SetText(HKCU, kServices, "User", "C:\\user.exe ");
  platform.SetText(HKLM, kStoredServices, "S1", "C:\\s1.exe -a");
  platform.SetNumber(HKLM, kServiceFlags, "S1", 1);
  platform.SetText(HKLM, kStoredServices, "S2", "C:\\s2.exe ");
  shell.GiveIcon("C:\\s1.exe");
  ASSERT_EQ(1, services.PopulateRunServiceEntries(&tree, servicesItem, 0));
  EXPECT_EQ((std::vector<std::string>{"S1", "S2"}), tree.ChildTexts(servicesItem));
  auto items = tree.Children(servicesItem);
  EXPECT_EQ(3, tree.GetItemImage(items[0]));
  EXPECT_EQ(0, tree.GetItemImage(items[1]));
  EXPECT_TRUE(tree.GetCheck(items[0]));
  EXPECT_FALSE(tree.GetCheck(items[1]));
}

TEST_F(TreePopulation, MissingTreeParentIconOrListFallsBackCleanly) {
  platform.SetText(HKCU, kRun, "A", "C:\\a.exe ");
  platform.SetText(HKLM, kServices, "S", "C:\\a.exe ");
  EXPECT_EQ(0, startups.PopulateRunEntries(nullptr, startupsItem, 1));
  EXPECT_EQ(0, startups.PopulateRunEntries(&tree, 0, 1));
  EXPECT_EQ(0, services.PopulateRunServiceEntries(nullptr, servicesItem, 1));
  EXPECT_EQ(0, services.PopulateRunServiceEntries(&tree, 0, 1));
  EXPECT_TRUE(tree.Children(startupsItem).empty());
  EXPECT_EQ(2u, tree.Children(0).size());

  EXPECT_EQ(1, startups.AddStartupImageToTreeCtrl(nullptr, "C:\\a.exe"));
  EXPECT_EQ(0, services.AddServiceImageToTreeCtrl(nullptr, "C:\\a.exe"));
  EXPECT_EQ(1, startups.AddStartupImageToTreeCtrl(&tree, "C:\\no-icon.exe"));
  EXPECT_EQ(0, services.AddServiceImageToTreeCtrl(&tree, "C:\\no-icon.exe"));

  // Each call appends, also for an icon already in the list.
  shell.GiveIcon("C:\\a.exe");
  EXPECT_EQ(3, startups.AddStartupImageToTreeCtrl(&tree, "C:\\a.exe"));
  EXPECT_EQ(4, services.AddServiceImageToTreeCtrl(&tree, "C:\\a.exe"));
  EXPECT_EQ(2, tree.setImageListCalls);

  // A list that refuses the icon, or no list at all: the fallback, and no icon leaks.
  list.failAppend = true;
  EXPECT_EQ(1, startups.AddStartupImageToTreeCtrl(&tree, "C:\\a.exe"));
  tree.imageList = nullptr;
  EXPECT_EQ(0, services.AddServiceImageToTreeCtrl(&tree, "C:\\a.exe"));
  EXPECT_EQ(0u, shell.LiveIcons());
}

}  // namespace
}  // namespace qm::test

namespace qm::test {
namespace {

// Version texts by program path, as a version resource would give them.
class FakeProgramInfo : public platform::IProgramInfo {
 public:
  std::map<std::string, platform::ProgramFacts> programs;
  bool VersionTexts(const std::string& path, platform::ProgramFacts* facts) override {
    auto found = programs.find(path);
    if (found == programs.end()) return false;
    *facts = found->second;
    return true;
  }
};

TEST_F(TreePopulation, EntriesTellWhatTheirProgramIsAndWhetherItIsGone) {
  FakeProgramInfo info;
  platform::ScopedService<platform::IProgramInfo> slot(&info);
  platform.MakeFolder("C:\\Tools");
  platform.MakeFolder("C:\\Program Files\\Pad");
  platform.WriteFile("C:\\Tools\\mail.exe", "MZ");
  platform.WriteFile("C:\\Program Files\\Pad\\pad.exe", "MZ");
  info.programs["C:\\Tools\\mail.exe"] = {"Mail notifier", "Tarnwick"};
  info.programs["C:\\Program Files\\Pad\\pad.exe"] = {"Pad", ""};
  info.programs["C:\\Gone\\old.exe"] = {"Old tool", "Gone Ltd"};  // a stale answer must not hide the loss
  platform.SetText(HKCU, kRun, "Mail", "C:\\Tools\\mail.exe -tray");
  platform.SetText(HKLM, kRun, "Old", "C:\\Gone\\old.exe /start");
  platform.SetText(HKCU, kRun, "Quoted", "\"C:\\Program Files\\Pad\\pad.exe\" -q");
  platform.SetText(HKCU, kRun, "Bare", "rundll32.exe shell32.dll,Control_RunDLL");  // found by the search path
  platform.WriteFile("C:\\Tools\\sync.cmd", "@echo off");
  platform.SetText(HKCU, kRun, "Script", "C:\\Tools\\sync.cmd /q");  // started as Windows would: sync.cmd
  platform.SetText(platform::kHklm64View, kRun, "Pad64", "C:\\Program Files\\Pad\\pad.exe ");
  platform.SetText(HKCU, kStored, "Taken", "C:\\Tools\\mail.exe ");
  const struct {
    const char* name;
    int inRegistry;
    ProgramDescription expected;
  } cases[] = {{"Mail", 1, {"Mail notifier", "Tarnwick", false}}, {"Old", 1, {"", "", true}},
               {"Quoted", 1, {"Pad", "", false}},                 {"Bare", 1, {"", "", false}},
               {"Pad64", 1, {"Pad", "", false}},                   {"Taken", 0, {"Mail notifier", "Tarnwick", false}},
               {"Nobody", 1, {"", "", false}},                    {"Script", 1, {"", "", false}}};
  for (const auto& c : cases) {
    ProgramDescription described = entries::DescribeEntry(entries::RunEntries(), c.name, c.inRegistry);
    EXPECT_EQ(c.expected.description, described.description) << c.name;
    EXPECT_EQ(c.expected.publisher, described.publisher) << c.name;
    EXPECT_EQ(c.expected.missing, described.missing) << c.name;
  }
}

}  // namespace
}  // namespace qm::test
