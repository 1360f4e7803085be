#pragma once
// A real tree view (WC_TREEVIEW with TVS_CHECKBOXES) and image list behind the
// engines' interfaces. The window that created the tree owns it; this object
// only talks to it, so it may be made and dropped as often as needed.
#include <windows.h>
#include <commctrl.h>

#include "platform/Ui.h"
#include "platform/win32/Handles.h"

namespace qm::platform {

class KELVRIN_API Win32ImageList : public IImageList {
 public:
  // A new list of 16 by 16 colour images that this object destroys.
  // Square images of size pixels.
  static Win32ImageList Create(int initialCount = 4, int grow = 4, int size = 16);
  // Someone else's list, used but never destroyed here.
  explicit Win32ImageList(HIMAGELIST list = nullptr) : list_(list) {}
  Win32ImageList(Win32ImageList&&) = default;
  Win32ImageList& operator=(Win32ImageList&&) = default;

  int AppendIcon(IconHandle icon) override;
  int Count() const override;
  HIMAGELIST Handle() const { return list_; }

 private:
  HIMAGELIST list_;
  win32::ImageListHandle owner_;
};

class KELVRIN_API Win32TreeControl : public ITreeControl {
 public:
  explicit Win32TreeControl(HWND tree) : tree_(tree) {}

  // Parent 0 inserts at the top level (TVI_ROOT).
  TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override;
  bool SetCheck(TreeItem item, bool checked) override;
  bool GetCheck(TreeItem item) const override;
  std::string GetItemText(TreeItem item) const override;
  int GetItemImage(TreeItem item) const override;
  // Children(0) lists the top-level items.
  std::vector<TreeItem> Children(TreeItem parent) const override;
  IImageList* GetImageList() override;
  // Only a Win32ImageList can be given to a real tree; anything else is ignored.
  void SetImageList(IImageList* list) override;

  HWND Window() const { return tree_; }

 private:
  HWND tree_;
  // The list last given to the tree, handed back as itself while it is still
  // the tree's list; any other list is seen through foreign_.
  Win32ImageList* attached_ = nullptr;
  Win32ImageList foreign_;
};

}  // namespace qm::platform
