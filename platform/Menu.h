#pragma once
// A menu as the engines build it: the main window owns the real menu (HMENU
// on Windows) and hands the engines this view of it.
#include <cstdint>
#include <string>

namespace qm::platform {

// What GetMenuItemID answers for a position without a command item.
inline constexpr std::uint32_t kNoMenuCommand = 0xFFFFFFFFu;

struct MenuItemState {
  std::string text;
  std::uint32_t id = kNoMenuCommand;
  bool grayed = false;
  bool checked = false;
  bool radio = false;  // the check shows as a bullet
};

class IMenu {
 public:
  virtual ~IMenu() = default;

  // The drop-down menu at a position; null when that item has none. The menu
  // answered lives as long as this one.
  virtual IMenu* GetSubMenu(int position) = 0;
  virtual int GetItemCount() const = 0;
  // The command id of the item at a position; kNoMenuCommand when there is no
  // such item or it opens a submenu.
  virtual std::uint32_t GetItemId(int position) const = 0;
  // Appends a text item, enabled or grayed (shown disabled, never chosen).
  virtual bool AppendItem(const std::string& text, std::uint32_t id, bool grayed) = 0;
  // CheckMenuRadioItem: marks one item of a range with a bullet and clears the
  // mark of the others, the range given by command ids or by positions.
  virtual bool CheckRadioByCommand(std::uint32_t first, std::uint32_t last, std::uint32_t check) = 0;
  virtual bool CheckRadioByPosition(int first, int last, int check) = 0;
  // Text, id and state of the item at a position; false when there is none.
  virtual bool GetItemState(int position, MenuItemState& state) const = 0;
};

}  // namespace qm::platform
