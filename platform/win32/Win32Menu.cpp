#include "platform/win32/Win32Menu.h"

#include <vector>

namespace qm::platform {

Win32Menu::Win32Menu(HMENU menu) : menu_(menu) {}

Win32Menu::~Win32Menu() = default;

IMenu* Win32Menu::GetSubMenu(int position) {
  HMENU sub = ::GetSubMenu(menu_, position);
  if (!sub) return nullptr;
  // Keyed by handle, not position: items may be inserted before a submenu.
  std::unique_ptr<Win32Menu>& wrapper = submenus_[sub];
  if (!wrapper) wrapper = std::make_unique<Win32Menu>(sub);
  return wrapper.get();
}

int Win32Menu::GetItemCount() const {
  int count = ::GetMenuItemCount(menu_);
  return count < 0 ? 0 : count;
}

std::uint32_t Win32Menu::GetItemId(int position) const {
  if (position < 0) return kNoMenuCommand;
  return static_cast<std::uint32_t>(::GetMenuItemID(menu_, position));
}

bool Win32Menu::AppendItem(const std::string& text, std::uint32_t id, bool grayed) {
  UINT flags = MF_STRING | (grayed ? MF_GRAYED : MF_ENABLED);
  return ::AppendMenuA(menu_, flags, static_cast<UINT_PTR>(id), text.c_str()) != FALSE;
}

bool Win32Menu::CheckRadioByCommand(std::uint32_t first, std::uint32_t last, std::uint32_t check) {
  return ::CheckMenuRadioItem(menu_, first, last, check, MF_BYCOMMAND) != FALSE;
}

bool Win32Menu::CheckRadioByPosition(int first, int last, int check) {
  if (first < 0 || last < first || check < first || check > last) return false;
  return ::CheckMenuRadioItem(menu_, static_cast<UINT>(first), static_cast<UINT>(last), static_cast<UINT>(check),
                              MF_BYPOSITION) != FALSE;
}

bool Win32Menu::GetItemState(int position, MenuItemState& state) const {
  if (position < 0) return false;
  MENUITEMINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = MIIM_STATE | MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
  if (!::GetMenuItemInfoA(menu_, static_cast<UINT>(position), TRUE, &info)) return false;
  std::vector<char> text(info.cch + 1, '\0');
  if (info.cch > 0) {
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (!::GetMenuItemInfoA(menu_, static_cast<UINT>(position), TRUE, &info)) return false;
  }
  state.text = text.data();
  state.id = info.hSubMenu ? kNoMenuCommand : static_cast<std::uint32_t>(info.wID);
  state.grayed = (info.fState & MFS_GRAYED) != 0;
  state.checked = (info.fState & MFS_CHECKED) != 0;
  state.radio = (info.fType & MFT_RADIOCHECK) != 0;
  return true;
}

}  // namespace qm::platform
