#include "engine/themes/ThemeManager.h"

#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace qm {
namespace {

const char kOriginalTheme[] = "Original";
// The main window handles "Original" and the 14 commands after it.
constexpr std::uint32_t kSelectableThemes = 14;

}  // namespace

CThemeManager::CThemeManager() {}

CThemeManager::~CThemeManager() { themes.clear(); }

void CThemeManager::Setup() {
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  std::string folder = GetProgramPathWith("");
  if (!files || folder.empty()) return;
  std::vector<platform::DirEntry> entries;
  if (!files->List(folder, "*.*", entries)) return;
  for (const platform::DirEntry& entry : entries) {
    if (!entry.isDirectory || entry.name == "." || entry.name == "..") continue;
    auto theme = std::make_unique<CTheme>(entry.name);
    theme->Load();
    themes.push_back(std::move(theme));
  }
}

int CThemeManager::SetupPopupMenu(platform::IMenu* menu) {
  platform::IMenu* themeMenu = menu ? menu->GetSubMenu(0) : nullptr;
  // A menu without a theme menu, or one whose first item is no command, has
  // nothing to number the themes from: treated like a missing menu.
  std::uint32_t first = themeMenu ? themeMenu->GetItemId(0) : platform::kNoMenuCommand;
  if (first == platform::kNoMenuCommand) {
    CLog::Error("CThemeManager SetupPopupMenu failed on null pointer");
    return 0;
  }

  std::string current = kOriginalTheme;
  CRegistry registry;
  registry.GetValue(HKeyCurrentUser, kProductKey, kThemeValue, &current);

  themeMenu->CheckRadioByCommand(first, first + kSelectableThemes, first);
  for (std::size_t i = 0; i < themes.size(); ++i) {
    const std::string& name = themes[i]->themeName;
    std::uint32_t id = first + static_cast<std::uint32_t>(i) + 1;
    themeMenu->AppendItem(name, id, i >= kSelectableThemes);
    if (platform::EqualsNoCase(current, name)) {
      int position = static_cast<int>(i) + 1;
      themeMenu->CheckRadioByPosition(0, position, position);
    }
  }
  return 1;
}

int CThemeManager::GetThemeObject(std::string name, CTheme* target) {
  if (!target) return 0;
  for (const std::unique_ptr<CTheme>& theme : themes) {
    if (platform::EqualsNoCase(theme->themeName, name)) {
      *target = *theme;
      return 1;
    }
  }
  return 0;
}

std::string CThemeManager::GetProgramPathWith(std::string name) const { return CLog::GetProgramPathWith(name); }

}  // namespace qm
