// Public Run and RunServices entries of both views of 64-bit Windows: each is
// taken, flagged, launched and given back in its own view, whichever build
// runs; on 32-bit Windows there is one view and nothing is seen twice. One
// name under two roots is two entries, each worked alone.
#include <gtest/gtest.h>

#include <set>

#include "engine/catalog/Catalog.h"
#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "tests/entries/EntriesFixture.h"
#include "tests/shortcuts/ShortcutFixture.h"
#include "tests/support/FakeTreeControl.h"

namespace qm::test {
namespace {

using platform::kHklm32View;
using platform::kHklm64View;
using Names = std::vector<std::string>;

struct Machine {
  const char* what;
  RegKey otherView;  // as the store answers it
};
const Machine kMachines[] = {{"32-bit build on 64-bit Windows", kHklm64View},
                             {"64-bit build on 64-bit Windows", kHklm32View}};

class RegistryViews : public EntriesTest {
 protected:
  RegistryViews() {
    CRegistry registry;
    for (RegKey view : {kHklm32View, kHklm64View})
      for (const char* key : {kRun, kServices}) registry.CreateKey(view, key);
  }
  CStartupEngineer startups;
  CServiceEngineer services;
};

// Entries a 64-bit and a 32-bit program wrote, one name in both views, and
// entries that each build of the earlier version left stored in its own view.
void SeedBothViews(TestPlatform& p) {
  p.SetText(kHklm64View, kRun, "Audio", "C:\\Program Files\\audio.exe /q");
  p.SetText(kHklm32View, kRun, "Audio", "C:\\Program Files (x86)\\audio.exe ");
  p.SetText(kHklm64View, kRun, "Pad", "C:\\pad64.exe -t");
  p.SetText(kHklm32View, kServices, "Agent", "C:\\agent32.exe ");
  p.SetText(kHklm64View, kServices, "Spool", "C:\\spool64.exe -d");
  p.SetText(kHklm32View, kStored, "Old32", "C:\\old32.exe ");
  p.SetNumber(kHklm32View, kFlags, "Old32", 0);
  p.SetText(kHklm64View, kStored, "Old64", "C:\\old64.exe ");
}

TEST_F(RegistryViews, EveryEntryGoesBackToItsOwnViewWithItsFlag) {
  for (const Machine& machine : kMachines) {
    SCOPED_TRACE(machine.what);
    TestPlatform fresh;
    fresh.registry.otherView = machine.otherView;
    fresh.StartLog();
    CRegistry registry;
    for (RegKey view : {kHklm32View, kHklm64View})
      for (const char* key : {kRun, kServices, kFlags, kServiceFlags}) registry.CreateKey(view, key);
    for (const char* key : {kRun, kFlags}) registry.CreateKey(HKCU, key);
    SeedBothViews(fresh);

    startups.StartWork();
    services.StartWork();
    EXPECT_TRUE(fresh.Names(kHklm32View, kRun).empty());
    EXPECT_TRUE(fresh.Names(kHklm64View, kRun).empty());
    EXPECT_TRUE(fresh.Names(kHklm64View, kServices).empty());
    EXPECT_EQ(1, fresh.Number(kHklm64View, kFlags, "Pad"));
    EXPECT_EQ(1, fresh.Number(kHklm64View, kServiceFlags, "Spool"));
    EXPECT_EQ(0, fresh.Number(kHklm32View, kFlags, "Old32"));

    // A ticked entry of the 64-bit view is handed back there for Windows to start.
    EXPECT_EQ(1, startups.LaunchRunEntry("Pad", 0));
    EXPECT_EQ("C:\\pad64.exe -t", fresh.Text(kHklm64View, kRun, "Pad"));

    // The user's choices reach the view the entry stands in.
    EXPECT_EQ(1, startups.SetRunSelection("Pad", 0, 0));
    EXPECT_EQ(1, services.SetRunServiceSelection("Spool", 0));
    EXPECT_EQ(0, fresh.Number(kHklm64View, kFlags, "Pad"));
    EXPECT_FALSE(fresh.HasValue(kHklm32View, kFlags, "Pad"));

    EXPECT_EQ(1, startups.ReturnRunEntries());
    EXPECT_EQ(1, services.ReturnRunServiceEntries());
    EXPECT_EQ(2u, fresh.Names(kHklm32View, kRun).size());
    EXPECT_EQ("C:\\old32.exe ", fresh.Text(kHklm32View, kRun, "Old32"));
    EXPECT_EQ("C:\\Program Files (x86)\\audio.exe ", fresh.Text(kHklm32View, kRun, "Audio"));
    EXPECT_EQ("C:\\Program Files\\audio.exe /q", fresh.Text(kHklm64View, kRun, "Audio"));
    EXPECT_EQ("C:\\pad64.exe -t", fresh.Text(kHklm64View, kRun, "Pad"));
    EXPECT_EQ("C:\\old64.exe ", fresh.Text(kHklm64View, kRun, "Old64"));
    EXPECT_EQ((Names{"Agent"}), fresh.Names(kHklm32View, kServices));
    EXPECT_EQ((Names{"Spool"}), fresh.Names(kHklm64View, kServices));

    // The next log-on keeps every flag where the user left it.
    startups.StartWork();
    services.StartWork();
    EXPECT_EQ(0, fresh.Number(kHklm64View, kFlags, "Pad"));
    EXPECT_EQ(0, fresh.Number(kHklm64View, kServiceFlags, "Spool"));
    EXPECT_EQ(0, fresh.Number(kHklm32View, kFlags, "Old32"));
    EXPECT_EQ(1, fresh.Number(kHklm32View, kFlags, "Audio"));
    EXPECT_EQ(1, fresh.Number(kHklm64View, kFlags, "Audio"));
    EXPECT_TRUE(fresh.LogLines().empty());
  }
}

TEST_F(RegistryViews, TheTreeListsEachViewOnceAndOneViewMachinesListNothingTwice) {
  struct Case {
    RegKey otherView;
    Names expected;  // private entries first, then this build's view, then the other
  };
  const Case cases[] = {{kHklm64View, {"Mine", "Audio", "Audio", "Pad"}},
                        {kHklm32View, {"Mine", "Audio", "Pad", "Audio"}},
                        {platform::kNoKey, {"Mine", "Audio", "Pad"}}};
  for (const Case& c : cases) {
    TestPlatform fresh;
    fresh.registry.otherView = c.otherView;
    fresh.SetText(HKCU, kRun, "Mine", "C:\\mine.exe ");
    fresh.SetText(kHklm32View, kRun, "Audio", "C:\\audio32.exe ");
    fresh.SetText(kHklm64View, kRun, "Audio", "C:\\audio64.exe ");
    fresh.SetText(kHklm64View, kRun, "Pad", "C:\\pad64.exe ");
    FakeImageList list(3);
    FakeTreeControl tree;
    tree.imageList = &list;
    platform::TreeItem parent = tree.InsertItem(0, "Startups", 1, 1);
    ASSERT_EQ(1, startups.PopulateRunEntries(&tree, parent, 1));
    EXPECT_EQ(c.expected, tree.ChildTexts(parent));
    // Take and return on a machine of one view never carry an entry twice.
    CRegistry().CreateKey(HKCU, kFlags);
    fresh.StartLog();
    startups.StartWork();
    EXPECT_EQ(1, startups.ReturnRunEntries());
    const std::size_t inWindows = fresh.Names(HKCU, kRun).size() + fresh.Names(kHklm32View, kRun).size() +
                                  (c.otherView == platform::kNoKey ? 0 : fresh.Names(kHklm64View, kRun).size());
    EXPECT_EQ(c.expected.size(), inWindows);
    EXPECT_TRUE(fresh.LogLines().empty());
  }
}

// Twins: one name under HKCU and HKLM, in both views of HKLM, or in both
// startup folders. Through the catalog each is listed once (the stored copy
// of an entry standing where Windows reads it is no entry), and each is read,
// launched, flagged, renamed and removed on its own; a move onto the twin's
// name is refused; the twin keeps its value, its stored copy and its flag.
TEST_F(RegistryViews, EachTwinIsWorkedThroughItsOwnReferenceAlone) {
  using catalog::EntryRef;
  struct Twin {
    EntryKind kind;
    RegKey mine, twin;
  };
  const Twin twins[] = {{EntryKind::Startup, HKCU, HKLM},        {EntryKind::Startup, HKLM, HKCU},
                        {EntryKind::Startup, HKLM, kHklm64View}, {EntryKind::Startup, kHklm64View, HKLM},
                        {EntryKind::Service, HKLM, kHklm64View}, {EntryKind::Service, kHklm64View, HKLM},
                        {EntryKind::Shortcut, HKCU, HKLM},       {EntryKind::Shortcut, HKLM, HKCU}};
  auto program = [](RegKey root) { return std::string("C:\\") + RootLogName(root) + ".exe"; };
  auto link = [](RegKey root) { return std::string(root == HKCU ? kUserFolder : kCommonFolder) + "\\Dup.lnk"; };
  for (const Twin& t : twins)
    for (EntryPlace place : {EntryPlace::Windows, EntryPlace::Stored}) {
      SCOPED_TRACE(std::string(KindName(t.kind)) + " of " + RootLogName(t.mine) + " in " + catalog::PlaceName(place));
      TestPlatform p;
      shell.opened.clear();
      launcher.started.clear();
      p.SetText(HKCU, kShellFolders, "Startup", kUserFolder);
      p.SetText(HKLM, kShellFolders, "Common Startup", kCommonFolder);
      const bool shortcut = t.kind == EntryKind::Shortcut;
      const char* windowsKey = t.kind == EntryKind::Service ? kServices : kRun;
      const char* storedKey = shortcut ? kShc : t.kind == EntryKind::Service ? kStoredServices : kStored;
      const char* flags = shortcut ? kShcSelections : t.kind == EntryKind::Service ? kServiceFlags : kFlags;
      // Each where the place says; where Windows reads them a stored copy stands beside, as a return leaves it.
      for (RegKey root : {t.mine, t.twin}) {
        p.MakeFolder(root == HKCU ? kUserFolder : kCommonFolder);
        const std::string line = shortcut ? LinkBytes(program(root), "-t") : program(root) + " -t";
        if (place == EntryPlace::Windows && shortcut) p.WriteFile(link(root), line);
        if (place == EntryPlace::Windows && !shortcut) p.SetText(root, windowsKey, "Dup", line);
        p.SetText(root, storedKey, "Dup", line);
        if (shortcut)
          CRegistry().SetValue(root, storedKey, "Dup", reinterpret_cast<const std::uint8_t*>(line.data()),
                               static_cast<std::uint32_t>(line.size()));
        p.SetNumber(root, flags, "Dup", root == t.mine ? 1 : 0);
      }
      auto state = [&](RegKey root) {
        std::vector<std::uint8_t> stored(4096);
        std::uint32_t size = static_cast<std::uint32_t>(stored.size());
        if (!CRegistry().GetValue(root, storedKey, "Dup", stored.data(), &size)) size = 0;
        return (shortcut ? p.ReadFile(link(root)) : p.Text(root, windowsKey, "Dup")) + "|" +
               std::string(stored.begin(), stored.begin() + size) + "|" + std::to_string(p.Number(root, flags, "Dup"));
      };
      const std::string twinBefore = state(t.twin);
      const EntryRef mine{t.kind, t.mine, place, "Dup"}, twin{t.kind, t.twin, place, "Dup"};
      EntryRef renamed = mine;
      renamed.name = "Renamed";

      std::vector<catalog::Entry> all, here;
      std::string error;
      ASSERT_TRUE(catalog::ListAll(&all, &error) && catalog::ListPlace(t.kind, place, &here, &error)) << error;
      for (const auto* listed : {&all, &here}) {
        std::multiset<RegKey> roots;
        for (const catalog::Entry& entry : *listed)
          if (entry.ref.kind == t.kind && entry.ref.name == "Dup") roots.insert(entry.ref.root);
        EXPECT_EQ((std::multiset<RegKey>{t.mine, t.twin}), roots);
      }
      std::string path, argument;
      EXPECT_TRUE(catalog::ReadPathArgument(mine, &path, &argument));
      EXPECT_EQ(program(t.mine), path);
      EXPECT_FALSE(catalog::Launch(twin));  // its flag is 0
      EXPECT_TRUE(shell.opened.empty() && launcher.started.empty());
      EXPECT_TRUE(catalog::Launch(mine));
      // Started by the shell, as a process of its own, or handed back to its Run key.
      const std::string started = !launcher.started.empty() ? launcher.started.back().application
                                  : !shell.opened.empty()   ? shell.opened.back().file
                                                            : p.Text(t.mine, kRun, "Dup");
      const std::string expected = shortcut ? link(t.mine) : program(t.mine);
      if (!shortcut || place == EntryPlace::Windows) EXPECT_EQ(expected, started.substr(0, expected.size()));
      EXPECT_TRUE(catalog::SetFlag(mine, 0));
      EXPECT_EQ(0, catalog::FlagOf(mine));
      EXPECT_FALSE(catalog::Modify(mine, twin, "C:\\new.exe", "", nullptr));
      EXPECT_TRUE(catalog::Modify(mine, renamed, "C:\\new.exe", "-n", nullptr));
      EXPECT_TRUE(catalog::Modify(renamed, mine, "C:\\new.exe", "-n", nullptr));
      EXPECT_TRUE(catalog::ReadPathArgument(mine, &path, &argument));
      EXPECT_EQ("C:\\new.exe", path);
      EXPECT_TRUE(catalog::Remove(mine));
      EXPECT_FALSE(catalog::ReadPathArgument(mine, &path, &argument));
      EXPECT_EQ(twinBefore, state(t.twin));
    }
}

}  // namespace
}  // namespace qm::test
