#pragma once
// A menu in memory that records what the engines did to it. Radio marks
// follow CheckMenuRadioItem: every item in the range is unmarked, the chosen
// one marked; positions and ids that do not exist are skipped.
#include <memory>
#include <string>
#include <vector>

#include "platform/Menu.h"

namespace qm::test {

class FakeMenu : public platform::IMenu {
 public:
  struct Item {
    platform::MenuItemState state;
    std::unique_ptr<FakeMenu> submenu;
  };

  std::vector<Item> items;
  int radioCalls = 0;

  FakeMenu& AddSubMenu(const std::string& text) {
    items.push_back(Item{{text, platform::kNoMenuCommand}, std::make_unique<FakeMenu>()});
    return *items.back().submenu;
  }
  void AddItem(const std::string& text, std::uint32_t id) { items.push_back(Item{{text, id}, nullptr}); }

  platform::IMenu* GetSubMenu(int position) override {
    return Valid(position) ? items[position].submenu.get() : nullptr;
  }
  int GetItemCount() const override { return static_cast<int>(items.size()); }
  std::uint32_t GetItemId(int position) const override {
    if (!Valid(position) || items[position].submenu) return platform::kNoMenuCommand;
    return items[position].state.id;
  }
  bool AppendItem(const std::string& text, std::uint32_t id, bool grayed) override {
    items.push_back(Item{{text, id, grayed}, nullptr});
    return true;
  }
  bool CheckRadioByCommand(std::uint32_t first, std::uint32_t last, std::uint32_t check) override {
    ++radioCalls;
    bool found = false;
    for (Item& item : items) {
      if (item.submenu || item.state.id < first || item.state.id > last) continue;
      Mark(item, item.state.id == check);
      found = found || item.state.id == check;
    }
    return found;
  }
  bool CheckRadioByPosition(int first, int last, int check) override {
    ++radioCalls;
    if (!Valid(check) || check < first || check > last) return false;
    for (int i = first; i <= last; ++i)
      if (Valid(i)) Mark(items[i], i == check);
    return true;
  }
  bool GetItemState(int position, platform::MenuItemState& state) const override {
    if (!Valid(position)) return false;
    state = items[position].state;
    return true;
  }

 private:
  bool Valid(int position) const { return position >= 0 && position < static_cast<int>(items.size()); }
  static void Mark(Item& item, bool on) {
    item.state.checked = on;
    if (on) item.state.radio = true;
  }
};

}  // namespace qm::test
