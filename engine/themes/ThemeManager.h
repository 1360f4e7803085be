#pragma once
// CThemeManager: the installed themes (every subfolder of the program
// folder), the theme menu of the main window, and lookup by name.
#include <memory>
#include <string>
#include <vector>

#include "platform/KelvrinApi.h"
#include "engine/themes/Theme.h"
#include "platform/Menu.h"

namespace qm {

class KELVRIN_API CThemeManager {
 public:
  CThemeManager();
  // The manager owns its themes; copies would share them.
  CThemeManager(const CThemeManager&) = delete;
  CThemeManager& operator=(const CThemeManager&) = delete;
  virtual ~CThemeManager();

  // Adds one theme per subfolder, loaded or not, in the file system's order.
  void Setup();
  // Appends the themes to the first submenu of menu after its "Original"
  // item and marks the saved theme; 0 when there is no menu to fill.
  int SetupPopupMenu(platform::IMenu* menu);
  // Copies the theme of that name (letter case ignored) into target with
  // CTheme's operator=; 0 and target untouched when there is none.
  int GetThemeObject(std::string name, CTheme* target);

 private:
  std::string GetProgramPathWith(std::string name) const;

  std::vector<std::unique_ptr<CTheme>> themes;
};

}  // namespace qm
