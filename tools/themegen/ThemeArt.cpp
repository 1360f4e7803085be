#include "tools/themegen/ThemeArt.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qm::themegen {
namespace {


struct Color {
  double r, g, b;
};

Color Mix(Color a, Color b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Color Hex(std::uint32_t rgb) {
  return {static_cast<double>(rgb >> 16 & 0xFF), static_cast<double>(rgb >> 8 & 0xFF),
          static_cast<double>(rgb & 0xFF)};
}
Rgb Text(std::uint32_t rgb) { return {static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                                      static_cast<int>(rgb & 0xFF)}; }

// A fixed pseudo-random value in [-1, 1] per pixel: breaks up the banding of
// smooth gradients and gives the surfaces a little grain.
double Grain(int x, int y, std::uint32_t seed) {
  std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u + seed;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFF) / 32767.5 - 1.0;
}

Rgb Quantise(Color c, double grain) {
  auto channel = [&](double v) { return static_cast<int>(std::clamp(std::lround(v + grain), 0L, 255L)); };
  return {channel(c.r), channel(c.g), channel(c.b)};
}

// Heather: a moor at dusk, plum sky over two ridges of darker heath.
Color Heather(int x, int y) {
  double fy = static_cast<double>(y) / kHeight;
  Color sky = Mix(Hex(0x3A2342), Hex(0x6A4A72), fy * 1.25);
  double far = kHeight * 0.66 + 14 * std::sin(x * 0.013 + 1.0) + 7 * std::sin(x * 0.037);
  double near = kHeight * 0.80 + 11 * std::sin(x * 0.021 + 2.6) + 5 * std::sin(x * 0.053 + 0.4);
  if (y >= near) return Mix(Hex(0x2B1A31), Hex(0x1F1224), (y - near) / (kHeight - near + 1));
  if (y >= far) return Mix(Hex(0x4A3052), Hex(0x3A2442), (y - far) / (near - far + 1));
  // A soft glow low on the horizon where the sun went down.
  double dx = (x - kWidth * 0.72) / kWidth, dy = (y - far) / kHeight;
  double glow = std::exp(-(dx * dx * 18 + dy * dy * 40));
  return Mix(sky, Hex(0x8A5A78), glow * 0.55);
}

// Peat: cut turf on cream paper, warm and light, for dark text.
Color Peat(int x, int y) {
  double fy = static_cast<double>(y) / kHeight;
  Color paper = Mix(Hex(0xF4EBD6), Hex(0xDCC7A0), fy);
  // Long fibres running across the sheet.
  double fibre = std::sin(y * 0.9 + 3 * std::sin(x * 0.017) + std::sin(x * 0.005 + y * 0.02) * 4);
  paper = Mix(paper, Hex(0xCDB58A), std::max(0.0, fibre - 0.85) * 1.6);
  // A faint border, darker at the corners.
  double ex = std::min(x, kWidth - 1 - x) / 40.0, ey = std::min(y, kHeight - 1 - y) / 40.0;
  double edge = 1.0 - std::min(1.0, std::min(ex, ey));
  return Mix(paper, Hex(0xC9AE7E), edge * edge * 0.7);
}

// Tarn: a mountain lake at night, a dark ridge over still water with ripples.
Color Tarn(int x, int y) {
  double fy = static_cast<double>(y) / kHeight;
  double ridge = kHeight * 0.30 + 18 * std::sin(x * 0.016 + 0.7) + 8 * std::sin(x * 0.045 + 2.0) +
                 4 * std::sin(x * 0.11);
  double shore = kHeight * 0.42;
  if (y < ridge) return Mix(Hex(0x34566E), Hex(0x26445A), fy / 0.42);
  if (y < shore) return Mix(Hex(0x172C3A), Hex(0x142634), (y - ridge) / (shore - ridge + 1));
  Color water = Mix(Hex(0x1F3B4E), Hex(0x0C1A24), (y - shore) / (kHeight - shore));
  double depth = (y - shore) / (kHeight - shore);
  double ripple = std::sin(y * (0.55 - 0.3 * depth) + 2.2 * std::sin(x * 0.021 + y * 0.05));
  return Mix(water, Hex(0x3A6078), std::max(0.0, ripple - 0.92) * 5 * (1 - depth));
}

ThemeArt Draw(const std::string& name, Color (*paint)(int, int), std::uint32_t seed, double grain,
              std::uint32_t title, std::uint32_t button, std::uint32_t status, std::uint32_t section) {
  ThemeArt art{name, Text(title), Text(button), Text(status), Text(section), {}};
  art.pixels.reserve(static_cast<std::size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) art.pixels.push_back(Quantise(paint(x, y), Grain(x, y, seed) * grain));
  return art;
}

double Luminance(Rgb c) {
  auto linear = [](int v) {
    double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

}  // namespace

std::vector<ThemeArt> DrawThemes() {
  return {
      Draw("Heather", Heather, 0x4EA7, 2.5, 0xF6ECF8, 0xF7DBA8, 0xE9DDED, 0xFFFFFF),
      Draw("Peat", Peat, 0x9EA7, 3.0, 0x3B2812, 0x5E300C, 0x433526, 0x27401F),
      Draw("Tarn", Tarn, 0x7A2B, 2.0, 0xE8F3F8, 0xB9E4F1, 0xD0E3EC, 0xFFFFFF),
  };
}

std::string ColorFileText(const ThemeArt& art) {
  std::string text;
  const std::pair<const char*, Rgb> lines[] = {
      {"Title  ", art.title}, {"Button ", art.button}, {"Status ", art.status}, {"Section", art.section}};
  for (const auto& [label, c] : lines) {
    char line[64];
    std::snprintf(line, sizeof(line), "%s #%d#%d#%d\r\n", label, c.r, c.g, c.b);
    text += line;
  }
  return text;
}

std::vector<std::uint8_t> BitmapFile(const ThemeArt& art) {
  const std::uint32_t rowSize = (kWidth * 3 + 3) & ~3u;
  const std::uint32_t imageSize = rowSize * kHeight;
  const std::uint32_t offset = 14 + 40;
  std::vector<std::uint8_t> file;
  auto put16 = [&](std::uint32_t v) { file.push_back(v & 0xFF), file.push_back(v >> 8 & 0xFF); };
  auto put32 = [&](std::uint32_t v) { put16(v & 0xFFFF), put16(v >> 16); };
  file.push_back('B'), file.push_back('M');
  put32(offset + imageSize), put32(0), put32(offset);
  put32(40), put32(kWidth), put32(kHeight), put16(1), put16(24), put32(0), put32(imageSize);
  put32(3780), put32(3780), put32(0), put32(0);  // 96 dots per inch in pixels per metre
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb& p = art.pixels[static_cast<std::size_t>(y) * kWidth + x];
      file.push_back(static_cast<std::uint8_t>(p.b)), file.push_back(static_cast<std::uint8_t>(p.g)),
          file.push_back(static_cast<std::uint8_t>(p.r));
    }
    for (std::uint32_t pad = kWidth * 3; pad < rowSize; ++pad) file.push_back(0);
  }
  return file;
}

double Contrast(Rgb a, Rgb b) {
  double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

double WorstContrast(const ThemeArt& art, Rgb text) {
  double worst = 21.0;
  for (const Rgb& p : art.pixels) worst = std::min(worst, Contrast(text, p));
  return worst;
}

}  // namespace qm::themegen
