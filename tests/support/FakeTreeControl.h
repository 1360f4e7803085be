#pragma once
// A tree control and an image list that live in memory: items keep their
// text, images, check and order; the image list keeps the icons appended to
// it. Tests read back exactly what the engines put in.
#include <map>
#include <string>
#include <vector>

#include "platform/Ui.h"

namespace qm::test {

class FakeImageList : public platform::IImageList {
 public:
  // Starts with `count` images already in it (the window's own icons).
  explicit FakeImageList(int count = 0) : icons(static_cast<std::size_t>(count), platform::IconHandle{0}) {}

  // The icons appended, by index; the first `count` are placeholders.
  std::vector<platform::IconHandle> icons;
  // When set, AppendIcon fails as ImageList_ReplaceIcon does.
  bool failAppend = false;

  int AppendIcon(platform::IconHandle icon) override {
    if (failAppend || icon == 0) return -1;
    icons.push_back(icon);
    return static_cast<int>(icons.size()) - 1;
  }
  int Count() const override { return static_cast<int>(icons.size()); }
};

class FakeTreeControl : public platform::ITreeControl {
 public:
  struct Item {
    platform::TreeItem parent = 0;
    std::string text;
    int image = -1;
    int selectedImage = -1;
    bool checked = false;
  };

  // The normal image list; null until a test or SetImageList gives one.
  platform::IImageList* imageList = nullptr;
  int setImageListCalls = 0;

  // Parent 0 inserts at the top level, as TVI_ROOT does.
  platform::TreeItem InsertItem(platform::TreeItem parent, const std::string& text, int image,
                                int selectedImage) override {
    if (parent != 0 && !items_.count(parent)) return 0;
    platform::TreeItem item = next_++;
    items_[item] = Item{parent, text, image, selectedImage, false};
    order_.push_back(item);
    return item;
  }
  bool SetCheck(platform::TreeItem item, bool checked) override {
    auto found = items_.find(item);
    if (found == items_.end()) return false;
    found->second.checked = checked;
    return true;
  }
  bool GetCheck(platform::TreeItem item) const override {
    auto found = items_.find(item);
    return found != items_.end() && found->second.checked;
  }
  std::string GetItemText(platform::TreeItem item) const override {
    auto found = items_.find(item);
    return found == items_.end() ? std::string() : found->second.text;
  }
  int GetItemImage(platform::TreeItem item) const override {
    auto found = items_.find(item);
    return found == items_.end() ? -1 : found->second.image;
  }
  std::vector<platform::TreeItem> Children(platform::TreeItem parent) const override {
    std::vector<platform::TreeItem> children;
    for (platform::TreeItem item : order_)
      if (items_.at(item).parent == parent) children.push_back(item);
    return children;
  }
  platform::IImageList* GetImageList() override { return imageList; }
  void SetImageList(platform::IImageList* list) override {
    imageList = list;
    ++setImageListCalls;
  }

  // The whole record of an item, for checks beyond the interface.
  const Item& At(platform::TreeItem item) const { return items_.at(item); }
  std::vector<std::string> ChildTexts(platform::TreeItem parent) const {
    std::vector<std::string> texts;
    for (platform::TreeItem item : Children(parent)) texts.push_back(items_.at(item).text);
    return texts;
  }

 private:
  std::map<platform::TreeItem, Item> items_;
  std::vector<platform::TreeItem> order_;
  platform::TreeItem next_ = 1;
};

}  // namespace qm::test
