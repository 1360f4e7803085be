#pragma once
// IMenu over a real menu. The wrapper does not own the HMENU: a window (or a
// MenuHandle in the caller) does. Submenu wrappers live in their parent.
#include <windows.h>

#include <map>
#include <memory>

#include "platform/KelvrinApi.h"
#include "platform/Menu.h"

namespace qm::platform {

class KELVRIN_API Win32Menu : public IMenu {
 public:
  explicit Win32Menu(HMENU menu);
  ~Win32Menu() override;
  Win32Menu(const Win32Menu&) = delete;
  Win32Menu& operator=(const Win32Menu&) = delete;

  HMENU Get() const { return menu_; }

  IMenu* GetSubMenu(int position) override;
  int GetItemCount() const override;
  std::uint32_t GetItemId(int position) const override;
  bool AppendItem(const std::string& text, std::uint32_t id, bool grayed) override;
  bool CheckRadioByCommand(std::uint32_t first, std::uint32_t last, std::uint32_t check) override;
  bool CheckRadioByPosition(int first, int last, int check) override;
  bool GetItemState(int position, MenuItemState& state) const override;

 private:
  HMENU menu_;
  std::map<HMENU, std::unique_ptr<Win32Menu>> submenus_;
};

}  // namespace qm::platform
