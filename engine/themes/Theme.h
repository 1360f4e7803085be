#pragma once
// CTheme: one look of the main window, a folder beside the program holding
// "color.txt" (four colour lines) and "background.bmp".
#include <cstdint>
#include <string>

#include "platform/KelvrinApi.h"

namespace qm {

// A colour the theme has not (yet) read; also what FullAssign copies from an
// unloaded theme. Colours are 0x00BBGGRR like a Windows COLORREF.
inline constexpr std::uint32_t kColorUnset = 0xFFFFFFFFu;

class KELVRIN_API CTheme {
 public:
  CTheme();
  explicit CTheme(std::string name);
  CTheme(const CTheme& other);
  virtual ~CTheme();

  // Name and background path always; a colour only where the source has one,
  // so that a partly loaded theme changes only what it knows.
  void operator=(const CTheme& source);
  // All six members, unset colours included.
  void FullAssign(const CTheme& source);

  // Reads the colour file, then looks for the background; non-zero when both succeed.
  int Load();
  int IsPathValid() const;
  int AreColorsValid() const;

  std::string themeName;
  std::string backgroundPath;
  std::uint32_t titleColor;
  std::uint32_t buttonColor;
  std::uint32_t statusColor;
  std::uint32_t sectionColor;

 private:
  friend struct ThemeTestAccess;

  int LoadThemeColorData();
  int LoadThemeBackgroundData();
  int AnalyseColorString(std::string line, std::uint32_t& color);
  std::string GetProgramPathWith(std::string name) const;
};

}  // namespace qm
