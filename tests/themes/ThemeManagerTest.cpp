#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/entries/RunKeyStore.h"
#include "engine/themes/ThemeManager.h"
#include "tests/support/FakeMenu.h"
#include "tests/support/TestPlatform.h"

namespace qm {
namespace {

constexpr std::uint32_t kOriginalId = 32780;
const std::string kProgram = "C:\\Program Files\\Quill Moor";

class ThemeManagerTest : public testing::Test {
 protected:
  ThemeManagerTest() {
    FakeMenuBar();
    platform.WriteFile(kProgram + "\\Quillmoor.exe", "MZ");
  }

  void FakeMenuBar() {
    test::FakeMenu& popup = menuBar.AddSubMenu("ThemePopupMenu");
    popup.AddItem("Original", kOriginalId);
    themeMenu = &popup;
  }

  void MakeTheme(const std::string& name, const std::string& colors = "#1#1#1\r\n#2#2#2\r\n#3#3#3\r\n#4#4#4\r\n") {
    platform.MakeFolder(kProgram + "\\" + name);
    platform.WriteFile(kProgram + "\\" + name + "\\color.txt", colors);
    platform.WriteFile(kProgram + "\\" + name + "\\background.bmp", "BM");
  }
  void SaveTheme(const std::string& name) { platform.SetText(HKeyCurrentUser, kProductKey, "Theme", name); }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& item : themeMenu->items) texts.push_back(item.state.text);
    return texts;
  }
  // The position of the one marked item; -1 for none, -2 for several.
  int Marked() const {
    int marked = -1;
    for (std::size_t i = 0; i < themeMenu->items.size(); ++i)
      if (themeMenu->items[i].state.checked) marked = marked == -1 ? static_cast<int>(i) : -2;
    return marked;
  }

  test::TestPlatform platform;
  test::FakeMenu menuBar;
  test::FakeMenu* themeMenu = nullptr;
};

TEST_F(ThemeManagerTest, SubfoldersBecomeItemsInFileSystemOrder) {
  MakeTheme("Red");
  MakeTheme("Blue");
  MakeTheme("Green");
  platform.WriteFile(kProgram + "\\Quillmoor.chm", "help");  // files are no themes
  CThemeManager manager;
  manager.Setup();
  EXPECT_EQ(1, manager.SetupPopupMenu(&menuBar));

  EXPECT_EQ((std::vector<std::string>{"Original", "Blue", "Green", "Red"}), Texts());
  for (std::uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(kOriginalId + i, themeMenu->items[i].state.id);
    EXPECT_FALSE(themeMenu->items[i].state.grayed);
  }
  EXPECT_EQ(0, Marked());
  EXPECT_TRUE(themeMenu->items[0].state.radio);
}

TEST_F(ThemeManagerTest, FourteenThemesAreSelectableAndTheRestGrayed) {
  for (char c = 'A'; c < 'A' + 16; ++c) MakeTheme(std::string("Theme ") + c);
  CThemeManager manager;
  manager.Setup();
  manager.SetupPopupMenu(&menuBar);

  ASSERT_EQ(17u, themeMenu->items.size());
  for (std::size_t i = 1; i <= 14; ++i) EXPECT_FALSE(themeMenu->items[i].state.grayed) << i;
  EXPECT_EQ("Theme O", themeMenu->items[15].state.text);
  EXPECT_TRUE(themeMenu->items[15].state.grayed);
  EXPECT_EQ(kOriginalId + 15, themeMenu->items[15].state.id);
  EXPECT_TRUE(themeMenu->items[16].state.grayed);
  EXPECT_EQ(kOriginalId + 16, themeMenu->items[16].state.id);
}

TEST_F(ThemeManagerTest, SavedThemeIsMarkedAndFoundWithoutRegardToCase) {
  MakeTheme("Heather");
  MakeTheme("Peat", "#200#100#50\r\n#2#2#2\r\n#3#3#3\r\n#4#4#4\r\n");
  MakeTheme("Tarn");
  SaveTheme("peat");
  CThemeManager manager;
  manager.Setup();
  manager.SetupPopupMenu(&menuBar);
  EXPECT_EQ(2, Marked());
  EXPECT_TRUE(themeMenu->items[2].state.radio);

  CTheme current;
  EXPECT_EQ(1, manager.GetThemeObject("peat", &current));
  EXPECT_EQ("Peat", current.themeName);
  EXPECT_EQ(kProgram + "\\Peat\\background.bmp", current.backgroundPath);
  EXPECT_EQ(0x3264C8u, current.titleColor);
}

TEST_F(ThemeManagerTest, LaterOfTwoMatchingThemesEndsUpMarked) {
  MakeTheme("Tarn");
  MakeTheme("Theme");
  SaveTheme("THEME");
  CThemeManager manager;
  manager.Setup();
  manager.Setup();  // not cleared: every theme twice
  manager.SetupPopupMenu(&menuBar);
  EXPECT_EQ((std::vector<std::string>{"Original", "Tarn", "Theme", "Tarn", "Theme"}), Texts());
  EXPECT_EQ(4, Marked());
}

TEST_F(ThemeManagerTest, UnknownOrMissingSavedNameKeepsOriginal) {
  MakeTheme("Heather");
  CThemeManager manager;
  manager.Setup();
  manager.SetupPopupMenu(&menuBar);
  EXPECT_EQ(0, Marked());

  SaveTheme("Deleted");
  test::FakeMenu other;
  other.AddSubMenu("ThemePopupMenu").AddItem("Original", kOriginalId);
  manager.SetupPopupMenu(&other);
  EXPECT_TRUE(other.items[0].submenu->items[0].state.checked);
  EXPECT_FALSE(other.items[0].submenu->items[1].state.checked);

  CTheme target("Before");
  target.titleColor = 0x123456;
  EXPECT_EQ(0, manager.GetThemeObject("Deleted", &target));
  EXPECT_EQ(0, manager.GetThemeObject("Original", &target));
  EXPECT_EQ("Before", target.themeName);
  EXPECT_EQ(0x123456u, target.titleColor);
}

TEST_F(ThemeManagerTest, FolderWithoutFilesIsListedAndCopiesOnlyItsName) {
  platform.MakeFolder(kProgram + "\\Empty");
  CThemeManager manager;
  manager.Setup();
  manager.SetupPopupMenu(&menuBar);
  EXPECT_EQ((std::vector<std::string>{"Original", "Empty"}), Texts());

  CTheme target("Tarn");
  target.backgroundPath = "C:\\Tarn\\background.bmp";
  target.titleColor = target.buttonColor = target.statusColor = target.sectionColor = 0x101010;
  EXPECT_EQ(1, manager.GetThemeObject("empty", &target));
  EXPECT_EQ("Empty", target.themeName);
  EXPECT_EQ("", target.backgroundPath);
  EXPECT_EQ(0x101010u, target.titleColor);
  EXPECT_EQ(0x101010u, target.sectionColor);
}

TEST_F(ThemeManagerTest, MenusWithNothingToFillAreRefusedAndLogged) {
  MakeTheme("Heather");
  platform.StartLog();
  CThemeManager manager;
  manager.Setup();
  EXPECT_EQ(0, manager.SetupPopupMenu(nullptr));
  EXPECT_EQ(std::vector<std::string>{"--- Error : CThemeManager SetupPopupMenu failed on null pointer"},
            platform.LogLines());

  test::FakeMenu noPopup;
  noPopup.AddItem("Exit", 100);
  EXPECT_EQ(0, manager.SetupPopupMenu(&noPopup));
  test::FakeMenu emptyPopup;
  emptyPopup.AddSubMenu("ThemePopupMenu");
  EXPECT_EQ(0, manager.SetupPopupMenu(&emptyPopup));
  EXPECT_TRUE(emptyPopup.items[0].submenu->items.empty());
  EXPECT_EQ(3u, platform.LogLines().size());
}

TEST(ThemeManagerEmpty, NoSubfoldersLeavesOnlyOriginal) {
  test::TestPlatform platform;
  test::FakeMenu bar;
  test::FakeMenu& popup = bar.AddSubMenu("ThemePopupMenu");
  popup.AddItem("Original", kOriginalId);
  CThemeManager manager;
  manager.Setup();
  EXPECT_EQ(1, manager.SetupPopupMenu(&bar));
  ASSERT_EQ(1u, popup.items.size());
  EXPECT_TRUE(popup.items[0].state.checked);
}

}  // namespace
}  // namespace qm
