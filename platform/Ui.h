#pragma once
// The few window pieces the engines work on. The windows own the real
// controls; the engines see them through these interfaces only.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Services.h"
#include "platform/Shell.h"

namespace qm::platform {

// An image list of 16 by 16 images (HIMAGELIST on Windows).
class IImageList {
 public:
  virtual ~IImageList() = default;
  // ImageList_ReplaceIcon(list, -1, icon): the list copies the icon; answers
  // the new image's index, or -1 on failure.
  virtual int AppendIcon(IconHandle icon) = 0;
  virtual int Count() const = 0;
};

// A tree item (HTREEITEM on Windows); 0 is none.
using TreeItem = std::uintptr_t;

// A tree control with check boxes.
class ITreeControl {
 public:
  virtual ~ITreeControl() = default;
  // Inserts text with image and selected image as the last child of parent
  // (mask TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, state 0, no item data).
  virtual TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) = 0;
  virtual bool SetCheck(TreeItem item, bool checked) = 0;
  virtual bool GetCheck(TreeItem item) const = 0;
  virtual std::string GetItemText(TreeItem item) const = 0;
  virtual int GetItemImage(TreeItem item) const = 0;
  virtual std::vector<TreeItem> Children(TreeItem parent) const = 0;
  // The normal image list (TVSIL_NORMAL); null if the tree has none.
  virtual IImageList* GetImageList() = 0;
  virtual void SetImageList(IImageList* list) = 0;
};

// A single-line edit field.
class IEditField {
 public:
  virtual ~IEditField() = default;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string GetText() const = 0;
};

// Message boxes with an OK button only, titled with the application name.
class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual void ShowOk(const std::string& text) = 0;
};

QM_DECLARE_SERVICE(IMessageBox);

}  // namespace qm::platform
