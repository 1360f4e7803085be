#include <gtest/gtest.h>

#include <string>

#include "engine/themes/Theme.h"
#include "tests/support/TestPlatform.h"

namespace qm {

struct ThemeTestAccess {
  // The colour a line gives, or "fails" (colour left as it was).
  static std::string Parse(const std::string& line) {
    CTheme theme;
    std::uint32_t color = 0xABCDEF;
    if (!theme.AnalyseColorString(line, color)) return color == 0xABCDEF ? "fails" : "fails but changed";
    char text[16];
    std::snprintf(text, sizeof(text), "0x%06X", color);
    return text;
  }
};

namespace {

const std::string kThemeFolder = "C:\\Program Files\\Quill Moor\\Heather";

TEST(ThemeColorLine, NumbersAfterHashAreRedGreenBlue) {
  EXPECT_EQ("0xFFFFFF", ThemeTestAccess::Parse("#255#255#255"));
  EXPECT_EQ("0x800000", ThemeTestAccess::Parse("Title #0 #0 #128"));
  EXPECT_EQ("0x38220C", ThemeTestAccess::Parse("text=#12;#34;#56;"));
  EXPECT_EQ("0x1E140A", ThemeTestAccess::Parse("Red #10, Green #20, Blue #30"));
  EXPECT_EQ("0x030201", ThemeTestAccess::Parse("#1#2#3#4"));  // once all three are set the rest is ignored
  EXPECT_EQ("0x000201", ThemeTestAccess::Parse("#1#2#;"));    // "#" then a non-digit is 0
  EXPECT_EQ("0x030200", ThemeTestAccess::Parse("##2#3"));
  EXPECT_EQ("0x030201", ThemeTestAccess::Parse("#1 #2 #3 "));
}

TEST(ThemeColorLine, ComponentsKeepTheirLowEightBits) {
  EXPECT_EQ("0x00002C", ThemeTestAccess::Parse("#300#0#0"));
  EXPECT_EQ("0x000100", ThemeTestAccess::Parse("#256#257#0"));
  // Far beyond any integer: still the low 8 bits of the decimal number (2^64 - 1 mod 256 = 255).
  EXPECT_EQ("0x0000FF", ThemeTestAccess::Parse("#18446744073709551615#0#0"));
  EXPECT_EQ("0x07000A", ThemeTestAccess::Parse("#0000000010#0#000007"));
}

TEST(ThemeColorLine, LinesWithoutThreeNumbersFailAndLeaveTheColour) {
  EXPECT_EQ("fails", ThemeTestAccess::Parse(""));
  EXPECT_EQ("fails", ThemeTestAccess::Parse("#1#2"));
  EXPECT_EQ("fails", ThemeTestAccess::Parse("#1#2#"));  // a "#" that ends the line is no number
  EXPECT_EQ("fails", ThemeTestAccess::Parse("#7"));
  EXPECT_EQ("fails", ThemeTestAccess::Parse("255 255 255"));
  EXPECT_EQ("fails", ThemeTestAccess::Parse("#1 and #2 only"));
}

class ThemeLoad : public testing::Test {
 protected:
  void WriteColors(const std::string& text) { platform.WriteFile(kThemeFolder + "\\color.txt", text); }
  void WriteBackground() { platform.WriteFile(kThemeFolder + "\\background.bmp", "BM"); }

  test::TestPlatform platform;
  void SetUp() override { platform.MakeFolder(kThemeFolder); }
};

TEST_F(ThemeLoad, FourLinesAndABackgroundLoad) {
  WriteColors("#255#0#0\r\n#0#255#0\r\n#0#0#255\r\n#255#255#255\r\nthis fifth line is never read\r\n");
  WriteBackground();
  CTheme theme("Heather");
  EXPECT_EQ(1, theme.Load());
  EXPECT_EQ(0x0000FFu, theme.titleColor);
  EXPECT_EQ(0x00FF00u, theme.buttonColor);
  EXPECT_EQ(0xFF0000u, theme.statusColor);
  EXPECT_EQ(0xFFFFFFu, theme.sectionColor);
  EXPECT_EQ(kThemeFolder + "\\background.bmp", theme.backgroundPath);
  EXPECT_TRUE(theme.IsPathValid());
  EXPECT_TRUE(theme.AreColorsValid());
}

TEST_F(ThemeLoad, LineEndsAsTextModeReadsThem) {
  // LF alone ends a line too; the last line needs no line end.
  WriteColors("#1#1#1\n#2#2#2\r\n#3#3#3\n#4#4#4");
  WriteBackground();
  CTheme theme("heather");  // the folder is found without regard to case
  EXPECT_EQ(1, theme.Load());
  EXPECT_EQ(0x040404u, theme.sectionColor);

  // A line end after the third line does not make an empty fourth line, and
  // Ctrl+Z ends a text-mode file.
  WriteColors("#1#1#1\n#2#2#2\n#3#3#3\n");
  EXPECT_EQ(0, CTheme("Heather").Load());
  WriteColors("#1#1#1\n#2#2#2\n#3#3#3\n\x1A#4#4#4\n");
  EXPECT_EQ(0, CTheme("Heather").Load());
}

TEST_F(ThemeLoad, ColourFailuresStopBeforeTheBackground) {
  WriteBackground();
  CTheme missing("Heather");
  EXPECT_EQ(0, missing.Load());
  EXPECT_FALSE(missing.AreColorsValid());
  EXPECT_FALSE(missing.IsPathValid());

  WriteColors("#1#1#1\r\n#2#2#2\r\n#3#3#3\r\n");
  CTheme short_("Heather");
  EXPECT_EQ(0, short_.Load());
  EXPECT_EQ(kColorUnset, short_.titleColor);
  EXPECT_FALSE(short_.IsPathValid());

  WriteColors("#1#1#1\r\n#2#2#2\r\nStatus #3 #3\r\n#4#4#4\r\n");
  CTheme bad("Heather");
  EXPECT_EQ(0, bad.Load());
  EXPECT_EQ(0x010101u, bad.titleColor);
  EXPECT_EQ(0x020202u, bad.buttonColor);
  EXPECT_EQ(kColorUnset, bad.statusColor);
  EXPECT_EQ(kColorUnset, bad.sectionColor);
  EXPECT_FALSE(bad.IsPathValid());
  EXPECT_TRUE(platform.LogLines().empty());
}

TEST_F(ThemeLoad, MissingBackgroundKeepsTheColours) {
  WriteColors("#1#1#1\r\n#2#2#2\r\n#3#3#3\r\n#4#4#4\r\n");
  CTheme theme("Heather");
  EXPECT_EQ(0, theme.Load());
  EXPECT_TRUE(theme.AreColorsValid());
  EXPECT_FALSE(theme.IsPathValid());
}

TEST_F(ThemeLoad, EmptyNameIsLoggedOnce) {
  platform.StartLog();
  CTheme theme;
  EXPECT_EQ(0, theme.Load());
  EXPECT_EQ(std::vector<std::string>{"--- Error : CTheme Load failed on empty name"}, platform.LogLines());
}

TEST_F(ThemeLoad, NoProgramFolderReadsNothing) {
  platform.WriteFile("C:\\Heather\\color.txt", "#1#1#1\r\n#2#2#2\r\n#3#3#3\r\n#4#4#4\r\n");
  platform.system.moduleFileName = "Quillmoor.exe";
  CTheme theme("Heather");
  EXPECT_EQ(0, theme.Load());
  EXPECT_FALSE(theme.AreColorsValid());
}

CTheme Loaded(const std::string& name, std::uint32_t color, const std::string& path) {
  CTheme theme(name);
  theme.titleColor = theme.buttonColor = theme.statusColor = theme.sectionColor = color;
  theme.backgroundPath = path;
  return theme;
}

TEST(ThemeCopy, AssignmentKeepsColoursTheSourceLacks) {
  CTheme target = Loaded("Peat", 0x102030, "C:\\Peat\\background.bmp");
  CTheme partial("Broken");
  partial.titleColor = 0x0000FF;
  target = partial;
  EXPECT_EQ("Broken", target.themeName);
  EXPECT_EQ("", target.backgroundPath);
  EXPECT_EQ(0x0000FFu, target.titleColor);
  EXPECT_EQ(0x102030u, target.buttonColor);
  EXPECT_EQ(0x102030u, target.statusColor);
  EXPECT_EQ(0x102030u, target.sectionColor);

  target = Loaded("Tarn", 0x405060, "C:\\Tarn\\background.bmp");
  EXPECT_EQ("Tarn", target.themeName);
  EXPECT_EQ("C:\\Tarn\\background.bmp", target.backgroundPath);
  EXPECT_EQ(0x405060u, target.titleColor);
  EXPECT_EQ(0x405060u, target.sectionColor);
}

TEST(ThemeCopy, FullAssignCopiesUnsetColoursToo) {
  CTheme target = Loaded("Peat", 0x102030, "C:\\Peat\\background.bmp");
  target.FullAssign(CTheme());
  EXPECT_EQ("", target.themeName);
  EXPECT_EQ("", target.backgroundPath);
  EXPECT_EQ(0xFFFFFFFFu, target.titleColor);
  EXPECT_EQ(0xFFFFFFFFu, target.buttonColor);
  EXPECT_EQ(0xFFFFFFFFu, target.statusColor);
  EXPECT_EQ(0xFFFFFFFFu, target.sectionColor);
  EXPECT_FALSE(target.AreColorsValid());
}

}  // namespace
}  // namespace qm
