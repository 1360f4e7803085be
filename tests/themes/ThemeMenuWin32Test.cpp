// The theme menu built in a real menu from real theme folders, read back
// through user32 itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/Registry.h"
#include "engine/themes/ThemeManager.h"
#include "platform/portable/FixedSystemInfo.h"
#include "platform/portable/MemoryRegistryStore.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Menu.h"

namespace qm {
namespace {

constexpr UINT kOriginalId = 32780;

class RealThemeMenu : public testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetTempPathA(MAX_PATH, temp));
    folder_ = std::string(temp) + "qm-theme-menu-" + std::to_string(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryA(folder_.c_str(), nullptr));
    system_.moduleFileName = folder_ + "\\Quillmoor.exe";
    WriteFile("Quillmoor.exe", "MZ");

    bar_.Reset(::CreateMenu());
    HMENU popup = ::CreatePopupMenu();
    ASSERT_TRUE(::AppendMenuA(popup, MF_STRING, kOriginalId, "Original"));
    ASSERT_TRUE(::AppendMenuA(bar_.Get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "ThemePopupMenu"));
    popup_ = popup;  // destroyed with the bar
  }
  void TearDown() override {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
      if (!::DeleteFileA(it->c_str())) ::RemoveDirectoryA(it->c_str());
    ::RemoveDirectoryA(folder_.c_str());
  }

  void WriteFile(const std::string& name, const std::string& bytes) {
    std::string path = folder_ + "\\" + name;
    ASSERT_EQ(platform::FsResult::Ok, files_.WriteAll(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
    made_.push_back(path);
  }
  void MakeTheme(const std::string& name) {
    std::string path = folder_ + "\\" + name;
    ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
    made_.push_back(path);
    WriteFile(name + "\\color.txt", "#10#20#30\r\n#40#50#60\r\n#70#80#90\r\n#1#2#3\r\n");
    WriteFile(name + "\\background.bmp", "BM");
  }

  std::string Text(int position) {
    char text[128] = {};
    ::GetMenuStringA(popup_, position, text, sizeof(text), MF_BYPOSITION);
    return text;
  }
  bool Checked(int position) { return (::GetMenuState(popup_, position, MF_BYPOSITION) & MF_CHECKED) != 0; }
  bool Grayed(int position) { return (::GetMenuState(popup_, position, MF_BYPOSITION) & MF_GRAYED) != 0; }

  std::string folder_;
  std::vector<std::string> made_;
  platform::Win32FileSystem files_;
  platform::FixedSystemInfo system_;
  platform::MemoryRegistryStore registry_;
  platform::ScopedService<platform::IFileSystem> filesSlot_{&files_};
  platform::ScopedService<platform::ISystemInfo> systemSlot_{&system_};
  platform::ScopedService<platform::IRegistryStore> registrySlot_{&registry_};
  win32::MenuHandle bar_;
  HMENU popup_ = nullptr;
};

TEST_F(RealThemeMenu, SixteenFoldersGiveFourteenItemsAndTwoGrayed) {
  std::set<std::string> names;
  for (char c = 'A'; c < 'A' + 16; ++c) {
    names.insert(std::string("Theme ") + c);
    MakeTheme(std::string("Theme ") + c);
  }
  CRegistry registry;
  registry.CreateKey(HKeyCurrentUser, kProductKey);
  registry.SetValue(HKeyCurrentUser, kProductKey, "Theme", std::string("theme c"));

  CThemeManager manager;
  manager.Setup();
  platform::Win32Menu menu(bar_.Get());
  ASSERT_EQ(1, manager.SetupPopupMenu(&menu));

  ASSERT_EQ(17, ::GetMenuItemCount(popup_));
  EXPECT_EQ("Original", Text(0));
  std::set<std::string> listed;
  int marked = -1;
  for (int i = 0; i <= 16; ++i) {
    EXPECT_EQ(kOriginalId + i, ::GetMenuItemID(popup_, i)) << i;
    EXPECT_EQ(i >= 15, Grayed(i)) << i;
    if (i > 0) listed.insert(Text(i));
    if (Checked(i)) {
      EXPECT_EQ(-1, marked) << "second mark at " << i;
      marked = i;
    }
  }
  EXPECT_EQ(names, listed);
  ASSERT_GT(marked, 0);
  EXPECT_EQ("Theme C", Text(marked));

  // The wrapper reads back what user32 holds, bullet included.
  platform::MenuItemState state;
  ASSERT_TRUE(menu.GetSubMenu(0)->GetItemState(marked, state));
  EXPECT_EQ("Theme C", state.text);
  EXPECT_EQ(kOriginalId + marked, state.id);
  EXPECT_TRUE(state.checked);
  EXPECT_TRUE(state.radio);
  EXPECT_FALSE(state.grayed);
  ASSERT_TRUE(menu.GetSubMenu(0)->GetItemState(16, state));
  EXPECT_TRUE(state.grayed);
  EXPECT_FALSE(state.checked);
  EXPECT_FALSE(menu.GetSubMenu(0)->GetItemState(17, state));
  EXPECT_EQ(platform::kNoMenuCommand, menu.GetItemId(0));  // the popup item itself is no command

  CTheme current;
  EXPECT_EQ(1, manager.GetThemeObject("THEME C", &current));
  EXPECT_EQ(folder_ + "\\Theme C\\background.bmp", current.backgroundPath);
  EXPECT_EQ(0x1E140Au, current.titleColor);
}

TEST_F(RealThemeMenu, WithoutSavedThemeOriginalKeepsTheBullet) {
  MakeTheme("Tarn");
  MakeTheme("Peat");
  CThemeManager manager;
  manager.Setup();
  platform::Win32Menu menu(bar_.Get());
  ASSERT_EQ(1, manager.SetupPopupMenu(&menu));
  ASSERT_EQ(3, ::GetMenuItemCount(popup_));
  EXPECT_TRUE(Checked(0));
  EXPECT_FALSE(Checked(1));
  EXPECT_FALSE(Checked(2));
  platform::MenuItemState state;
  ASSERT_TRUE(menu.GetSubMenu(0)->GetItemState(0, state));
  EXPECT_TRUE(state.radio);
  EXPECT_EQ("Original", state.text);
}

}  // namespace
}  // namespace qm
