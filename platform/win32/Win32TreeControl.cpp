#include "platform/win32/Win32TreeControl.h"

#include <vector>

namespace qm::platform {
namespace {

HTREEITEM ToItem(TreeItem item) { return reinterpret_cast<HTREEITEM>(item); }

// State image 1 is the empty box, 2 the ticked one.
constexpr UINT kUnchecked = 1;
constexpr UINT kChecked = 2;

}  // namespace

Win32ImageList Win32ImageList::Create(int initialCount, int grow, int size) {
  Win32ImageList list(::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, initialCount, grow));
  list.owner_.Reset(list.list_);
  return list;
}

int Win32ImageList::AppendIcon(IconHandle icon) {
  if (!list_ || !icon) return -1;
  return ::ImageList_ReplaceIcon(list_, -1, reinterpret_cast<HICON>(icon));
}

int Win32ImageList::Count() const { return list_ ? ::ImageList_GetImageCount(list_) : 0; }

TreeItem Win32TreeControl::InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent ? ToItem(parent) : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<char*>(text.c_str());
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  LRESULT item = ::SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
  return static_cast<TreeItem>(item);
}

bool Win32TreeControl::SetCheck(TreeItem item, bool checked) {
  if (!item) return false;
  TVITEMA data{};
  data.mask = TVIF_HANDLE | TVIF_STATE;
  data.hItem = ToItem(item);
  data.stateMask = TVIS_STATEIMAGEMASK;
  data.state = INDEXTOSTATEIMAGEMASK(checked ? kChecked : kUnchecked);
  return ::SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data)) != 0;
}

bool Win32TreeControl::GetCheck(TreeItem item) const {
  if (!item) return false;
  LRESULT state = ::SendMessageA(tree_, TVM_GETITEMSTATE, item, TVIS_STATEIMAGEMASK);
  return ((static_cast<UINT>(state) & TVIS_STATEIMAGEMASK) >> 12) == kChecked;
}

std::string Win32TreeControl::GetItemText(TreeItem item) const {
  if (!item) return {};
  char text[MAX_PATH] = {};
  TVITEMA data{};
  data.mask = TVIF_HANDLE | TVIF_TEXT;
  data.hItem = ToItem(item);
  data.pszText = text;
  data.cchTextMax = sizeof(text);
  if (!::SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return {};
  // The control may answer with its own buffer rather than filling ours.
  const char* source = data.pszText ? data.pszText : text;
  return std::string(source, strnlen(source, sizeof(text) - 1));
}

int Win32TreeControl::GetItemImage(TreeItem item) const {
  if (!item) return -1;
  TVITEMA data{};
  data.mask = TVIF_HANDLE | TVIF_IMAGE;
  data.hItem = ToItem(item);
  if (!::SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return -1;
  return data.iImage;
}

std::vector<TreeItem> Win32TreeControl::Children(TreeItem parent) const {
  std::vector<TreeItem> children;
  LRESULT child = parent ? ::SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CHILD, parent)
                         : ::SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  while (child) {
    children.push_back(static_cast<TreeItem>(child));
    child = ::SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_NEXT, child);
  }
  return children;
}

IImageList* Win32TreeControl::GetImageList() {
  auto list = reinterpret_cast<HIMAGELIST>(::SendMessageA(tree_, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
  if (!list) return nullptr;
  if (attached_ && attached_->Handle() == list) return attached_;
  foreign_ = Win32ImageList(list);
  return &foreign_;
}

void Win32TreeControl::SetImageList(IImageList* list) {
  auto* win32List = dynamic_cast<Win32ImageList*>(list);
  if (list && !win32List) return;
  HIMAGELIST handle = win32List ? win32List->Handle() : nullptr;
  ::SendMessageA(tree_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(handle));
  attached_ = win32List == &foreign_ ? nullptr : win32List;
}

}  // namespace qm::platform
