// The committed themes are what tools/themegen draws, fit the main window and
// keep every text colour readable on every pixel of their background.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/themegen/ThemeArt.h"

namespace qm::themegen {
namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(ThemeArt, CommittedFilesAreTheDrawnOnes) {
  for (const ThemeArt& art : DrawThemes()) {
    std::string folder = std::string(QM_THEMES_SOURCE_FOLDER) + "/" + art.name;
    std::vector<std::uint8_t> colors = ReadBytes(folder + "/color.txt");
    EXPECT_EQ(ColorFileText(art), std::string(colors.begin(), colors.end())) << art.name;

    std::vector<std::uint8_t> drawn = BitmapFile(art), committed = ReadBytes(folder + "/background.bmp");
    ASSERT_EQ(drawn.size(), committed.size()) << art.name;
    // Another maths library may round a gradient step the other way.
    std::size_t differing = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      int delta = std::abs(drawn[i] - committed[i]);
      ASSERT_LE(delta, 2) << art.name << " byte " << i;
      differing += delta != 0;
    }
    EXPECT_LT(differing, drawn.size() / 100) << art.name;
  }
}

TEST(ThemeArt, BitmapsFitTheWindowAndTextStaysReadable) {
  for (const ThemeArt& art : DrawThemes()) {
    std::vector<std::uint8_t> bmp = BitmapFile(art);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ('B', bmp[0]);
    EXPECT_EQ('M', bmp[1]);
    EXPECT_EQ(bmp.size(), Le32(bmp, 2));
    EXPECT_EQ(380u, Le32(bmp, 18));  // 253 dialog units at 6 pixels per 4
    EXPECT_EQ(299u, Le32(bmp, 22));  // 199 dialog units at 12 pixels per 8
    EXPECT_EQ(24, bmp[28]);
    EXPECT_EQ(54u + 1140u * 299u, bmp.size());  // rows of 380 * 3 = 1140 bytes need no padding

    for (Rgb text : {art.title, art.button, art.status, art.section})
      EXPECT_GE(WorstContrast(art, text), 4.5) << art.name;
  }
  EXPECT_DOUBLE_EQ(21.0, Contrast({0, 0, 0}, {255, 255, 255}));
  EXPECT_DOUBLE_EQ(1.0, Contrast({90, 60, 30}, {90, 60, 30}));
}

}  // namespace
}  // namespace qm::themegen
