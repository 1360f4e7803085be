#pragma once
// The themes that ship beside the program, drawn by code so that they can be
// remade and checked: colour file text and a 24-bit background bitmap each.
#include <cstdint>
#include <string>
#include <vector>

namespace qm::themegen {

// The main window is 253 by 199 dialog units in 8-point Arial: 6 by 12
// pixels per 4 by 8 units at 96 dots per inch.
inline constexpr int kWidth = 380;
inline constexpr int kHeight = 299;

struct Rgb {
  int r, g, b;
};

struct ThemeArt {
  std::string name;
  Rgb title, button, status, section;
  std::vector<Rgb> pixels;  // kWidth * kHeight, top row first
};

std::vector<ThemeArt> DrawThemes();

// "color.txt": four labelled lines in the order the program reads them.
std::string ColorFileText(const ThemeArt& art);
// "background.bmp": BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up 24-bit rows.
std::vector<std::uint8_t> BitmapFile(const ThemeArt& art);

// WCAG contrast ratio of two colours (1 to 21).
double Contrast(Rgb a, Rgb b);
// The lowest contrast of a text colour against any pixel of the background.
double WorstContrast(const ThemeArt& art, Rgb text);

}  // namespace qm::themegen
