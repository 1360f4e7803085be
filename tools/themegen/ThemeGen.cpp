// Writes the shipped themes into a folder: one subfolder per theme with its
// "color.txt" and "background.bmp". Run it to remake themes/ after changing
// the art; the tests check that themes/ matches what it draws.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tools/themegen/ThemeArt.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: themegen <output folder>\n");
    return 2;
  }
  namespace fs = std::filesystem;
  using namespace qm::themegen;
  for (const ThemeArt& art : DrawThemes()) {
    for (Rgb text : {art.title, art.button, art.status, art.section}) {
      if (WorstContrast(art, text) < 4.5) {
        std::fprintf(stderr, "%s: a text colour is not readable on the background (%.2f)\n", art.name.c_str(),
                     WorstContrast(art, text));
        return 1;
      }
    }
    fs::path folder = fs::path(argv[1]) / art.name;
    fs::create_directories(folder);
    std::ofstream(folder / "color.txt", std::ios::binary) << ColorFileText(art);
    std::vector<std::uint8_t> bmp = BitmapFile(art);
    std::ofstream(folder / "background.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
  }
  return 0;
}
