// The colour file of a theme: any bytes as color.txt, no crash, and a theme
// that loads has four colours of 24 bits.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/themes/Theme.h"
#include "platform/portable/FixedSystemInfo.h"
#include "platform/portable/MemoryFileSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static qm::platform::FixedSystemInfo system;
  static qm::platform::ScopedService<qm::platform::ISystemInfo> systemSlot(&system);
  qm::platform::MemoryFileSystem files;
  qm::platform::ScopedService<qm::platform::IFileSystem> filesSlot(&files);
  files.AddFolder("C:\\Program Files\\Quill Moor\\Fuzz");
  files.WriteAll("C:\\Program Files\\Quill Moor\\Fuzz\\color.txt", std::vector<std::uint8_t>(data, data + size));
  files.WriteAll("C:\\Program Files\\Quill Moor\\Fuzz\\background.bmp", {'B', 'M'});
  qm::CTheme theme("Fuzz");
  if (theme.Load()) {
    for (std::uint32_t color : {theme.titleColor, theme.buttonColor, theme.statusColor, theme.sectionColor})
      if (color > 0xFFFFFF) std::abort();
  }
  return 0;
}
