#include "engine/themes/Theme.h"

#include <utility>
#include <vector>

#include "engine/foundation/Log.h"
#include "platform/FileSystem.h"

namespace qm {
namespace {

const char kColorFile[] = "color.txt";
const char kBackgroundFile[] = "background.bmp";

// The file as a C runtime text-mode read sees it: CR LF becomes LF and a
// Ctrl+Z ends the file. A line is whatever precedes an LF; the text after the
// last LF is a line only when it is not empty.
std::vector<std::string> TextModeLines(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = static_cast<char>(bytes[i]);
    if (c == '\x1A') break;
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    if (c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

}  // namespace

CTheme::CTheme()
    : titleColor(kColorUnset), buttonColor(kColorUnset), statusColor(kColorUnset), sectionColor(kColorUnset) {}

CTheme::CTheme(std::string name) : CTheme() { themeName = std::move(name); }

CTheme::CTheme(const CTheme& other) : CTheme() { FullAssign(other); }

CTheme::~CTheme() {}

void CTheme::operator=(const CTheme& source) {
  if (this == &source) return;
  themeName = source.themeName;
  backgroundPath = source.backgroundPath;
  if (source.titleColor != kColorUnset) titleColor = source.titleColor;
  if (source.buttonColor != kColorUnset) buttonColor = source.buttonColor;
  if (source.statusColor != kColorUnset) statusColor = source.statusColor;
  if (source.sectionColor != kColorUnset) sectionColor = source.sectionColor;
}

void CTheme::FullAssign(const CTheme& source) {
  if (this == &source) return;
  themeName = source.themeName;
  backgroundPath = source.backgroundPath;
  titleColor = source.titleColor;
  buttonColor = source.buttonColor;
  statusColor = source.statusColor;
  sectionColor = source.sectionColor;
}

int CTheme::Load() {
  if (themeName.empty()) {
    CLog::Error("CTheme Load failed on empty name");
    return 0;
  }
  if (!LoadThemeColorData()) return 0;
  return LoadThemeBackgroundData() ? 1 : 0;
}

int CTheme::IsPathValid() const { return backgroundPath.empty() ? 0 : 1; }

int CTheme::AreColorsValid() const {
  return titleColor != kColorUnset && buttonColor != kColorUnset && statusColor != kColorUnset &&
                 sectionColor != kColorUnset
             ? 1
             : 0;
}

int CTheme::LoadThemeColorData() {
  std::string folder = GetProgramPathWith(themeName);
  // Without a program folder the path would point at the root of the current
  // drive and read some other program's file.
  if (folder.empty()) return 0;
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  if (!files) return 0;
  std::vector<std::uint8_t> bytes;
  if (files->ReadAll(folder + "\\" + kColorFile, bytes) != platform::FsResult::Ok) return 0;

  std::vector<std::string> lines = TextModeLines(bytes);
  if (lines.size() < 4) return 0;
  std::uint32_t* targets[] = {&titleColor, &buttonColor, &statusColor, &sectionColor};
  for (int i = 0; i < 4; ++i)
    if (!AnalyseColorString(lines[i], *targets[i])) return 0;
  return 1;
}

int CTheme::LoadThemeBackgroundData() {
  std::string folder = GetProgramPathWith(themeName);
  if (folder.empty()) return 0;
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  std::string path = folder + "\\" + kBackgroundFile;
  if (!files || !files->Exists(path)) return 0;
  backgroundPath = path;
  return 1;
}

int CTheme::AnalyseColorString(std::string line, std::uint32_t& color) {
  if (line.empty()) return 0;
  enum { kRed, kGreen, kBlue };
  int component[3] = {-1, -1, -1};
  int counter = 0;
  auto allSet = [&] { return component[kRed] >= 0 && component[kGreen] >= 0 && component[kBlue] >= 0; };
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };

  for (std::size_t i = 0; i < line.size(); ++i) {
    if (allSet() || line[i] != '#') continue;
    if (i + 1 == line.size()) continue;
    // Only the low 8 bits of a component count, and they are kept digit by
    // digit, so an overlong number cannot overflow.
    int value = 0;
    std::size_t end = i + 1;
    while (end < line.size() && isDigit(line[end])) {
      value = (value * 10 + (line[end] - '0')) & 0xFF;
      ++end;
    }
    if (end == line.size()) {
      // The last number of the line is blue: "#R#G#B" needs no separator after B.
      component[kBlue] = value;
    } else {
      if (counter < 3) component[counter] = value;
      ++counter;
    }
  }
  if (!allSet()) return 0;
  color = static_cast<std::uint32_t>(component[kRed]) | static_cast<std::uint32_t>(component[kGreen]) << 8 |
          static_cast<std::uint32_t>(component[kBlue]) << 16;
  return 1;
}

std::string CTheme::GetProgramPathWith(std::string name) const { return CLog::GetProgramPathWith(name); }

}  // namespace qm
