#pragma once
// The main window's tree as the logic sees it: the engines' tree control plus
// the selection, the edits and the 32-bit programs' badge.
#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/core/MainView.h"
#include "platform/win32/Win32TreeControl.h"

namespace qm::app {

class Win32MainTree : public IMainTree {
 public:
  // Also answers the screen readers for the tree (its items, ticks and tips).
  explicit Win32MainTree(HWND tree);

  TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override;
  bool SetCheck(TreeItem item, bool checked) override { return tree_.SetCheck(item, checked); }
  bool GetCheck(TreeItem item) const override { return tree_.GetCheck(item); }
  std::string GetItemText(TreeItem item) const override { return tree_.GetItemText(item); }
  int GetItemImage(TreeItem item) const override { return tree_.GetItemImage(item); }
  std::vector<TreeItem> Children(TreeItem parent) const override { return tree_.Children(parent); }
  platform::IImageList* GetImageList() override { return tree_.GetImageList(); }
  void SetImageList(platform::IImageList* list) override { tree_.SetImageList(list); }

  TreeItem Parent(TreeItem item) const override;
  TreeItem Selected() const override;
  void Select(TreeItem item) override;
  bool DeleteItem(TreeItem item) override;
  void SetItemImage(TreeItem item, int image) override;
  void SetThirtyTwoBitMark(TreeItem item, bool on) override;
  void SetShieldMark(TreeItem item) override;
  TreeItem InsertItemAfter(TreeItem parent, TreeItem after, const std::string& text, int image,
                           int selectedImage) override;

  HWND Window() const { return tree_.Window(); }

 private:
  // The image of base with the 32-bit programs' badge drawn over it, made
  // once per image: -1 when it cannot be made.
  int BadgedImage(int base);
  // A copy of base with overlay drawn over it, made once per base and kept in cache.
  int DrawnImage(int base, std::map<int, int>* cache, const std::function<void(HDC, HIMAGELIST)>& overlay);

  platform::Win32TreeControl tree_;
  std::map<int, int> badged_;    // plain image -> with the badge
  std::map<int, int> unbadged_;  // and back
  std::map<int, int> shielded_;  // plain image -> with the shield
};

}  // namespace qm::app
