// The themes the build lays out beside the programs load completely.
#include <gtest/gtest.h>

#include <string>

#include "engine/foundation/Log.h"
#include "engine/themes/ThemeManager.h"
#if !defined(_WIN32)
#include <filesystem>

#include "tests/support/TestPlatform.h"
#endif

namespace qm {
namespace {

TEST(ShippedThemes, EachLoadsWithColoursAndBackground) {
#if defined(_WIN32)
  // The real platform: the program folder is this test program's own, where
  // the build copied the themes.
#else
  test::TestPlatform platform;
  std::filesystem::copy(QM_BUILT_PROGRAM_FOLDER, platform.Host("C:\\Program Files\\Quill Moor"),
                        std::filesystem::copy_options::recursive);
#endif
  CThemeManager manager;
  manager.Setup();
  for (const char* name : {"Heather", "Peat", "Tarn"}) {
    CTheme loaded(name);
    EXPECT_EQ(1, loaded.Load()) << name;
    EXPECT_TRUE(loaded.AreColorsValid()) << name;
    EXPECT_EQ(CLog::GetProgramPathWith(std::string(name) + "\\background.bmp"), loaded.backgroundPath);

    CTheme chosen;
    EXPECT_EQ(1, manager.GetThemeObject(name, &chosen)) << name;
    EXPECT_EQ(loaded.titleColor, chosen.titleColor);
    EXPECT_EQ(loaded.sectionColor, chosen.sectionColor);
    EXPECT_TRUE(chosen.IsPathValid());
  }
}

}  // namespace
}  // namespace qm
