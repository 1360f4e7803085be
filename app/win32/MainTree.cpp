#include "app/win32/MainTree.h"

#include <commctrl.h>

#include <cstdint>

#include "platform/win32/Handles.h"

namespace qm::app {
namespace {

// The tree's list begins with the roots' three images and the badge of the
// 32-bit programs' entries.
constexpr int kViewBadgeImage = 3;

HTREEITEM ToItem(TreeItem item) { return reinterpret_cast<HTREEITEM>(item); }
TreeItem FromItem(HTREEITEM item) { return reinterpret_cast<TreeItem>(item); }

}  // namespace

TreeItem Win32MainTree::InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) {
  return tree_.InsertItem(parent, text, image, selectedImage);
}

TreeItem Win32MainTree::Parent(TreeItem item) const {
  return item ? FromItem(TreeView_GetParent(Window(), ToItem(item))) : 0;
}

TreeItem Win32MainTree::Selected() const { return FromItem(TreeView_GetSelection(Window())); }

void Win32MainTree::Select(TreeItem item) { TreeView_SelectItem(Window(), ToItem(item)); }

bool Win32MainTree::DeleteItem(TreeItem item) { return item && TreeView_DeleteItem(Window(), ToItem(item)); }

void Win32MainTree::SetItemImage(TreeItem item, int image) {
  if (!item || tree_.GetItemImage(item) == image) return;
  TVITEMA change{};
  change.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  change.hItem = ToItem(item);
  change.iImage = image;
  change.iSelectedImage = image;
  TreeView_SetItem(Window(), &change);
  // Wine repaints a changed item under a collapsed parent where the next
  // visible row stands; the next paint draws every row again, without erasing.
  ::InvalidateRect(Window(), nullptr, FALSE);
}

// The badge is drawn into an image of its own rather than as an overlay:
// Wine's tree view draws no overlays, and a distinct image reads the same
// everywhere. The item keeps its text; only its image changes.
void Win32MainTree::SetThirtyTwoBitMark(TreeItem item, bool on) {
  if (!item) return;
  const int image = tree_.GetItemImage(item);
  if (on && !unbadged_.count(image)) {
    const int badged = BadgedImage(image);
    if (badged >= 0) SetItemImage(item, badged);
  } else if (!on && unbadged_.count(image)) {
    SetItemImage(item, unbadged_[image]);
  }
}

void Win32MainTree::SetShieldMark(TreeItem item) {
  if (!item) return;
  // The shield of Windows' own prompts, small, in the image's lower right corner.
  const int image = DrawnImage(tree_.GetItemImage(item), &shielded_, [](HDC dc, HIMAGELIST) {
    const POINT shield[] = {{8, 6}, {15, 6}, {15, 11}, {12, 15}, {11, 15}, {8, 11}};
    const POINT gold[] = {{12, 7}, {14, 7}, {14, 11}, {12, 14}};
    win32::GdiObject blue(::CreateSolidBrush(RGB(30, 90, 200))), yellow(::CreateSolidBrush(RGB(250, 200, 20)));
    win32::GdiObject edge(::CreatePen(PS_SOLID, 1, RGB(20, 40, 90)));
    if (!blue.Get() || !yellow.Get() || !edge.Get()) return;
    win32::Selection pen(dc, edge.Get());
    {
      win32::Selection brush(dc, blue.Get());
      ::Polygon(dc, shield, 6);
    }
    win32::Selection brush(dc, yellow.Get());
    ::Polygon(dc, gold, 4);
  });
  if (image >= 0) SetItemImage(item, image);
}

int Win32MainTree::BadgedImage(int base) {
  const int badged = DrawnImage(base, &badged_, [](HDC dc, HIMAGELIST list) {
    ImageList_Draw(list, kViewBadgeImage, dc, 0, 0, ILD_TRANSPARENT);
  });
  if (badged >= 0) unbadged_[badged] = base;
  return badged;
}

int Win32MainTree::DrawnImage(int base, std::map<int, int>* cache,
                              const std::function<void(HDC, HIMAGELIST)>& overlay) {
  auto known = cache->find(base);
  if (known != cache->end()) return known->second;
  auto* list = static_cast<platform::Win32ImageList*>(tree_.GetImageList());
  HIMAGELIST handle = list ? list->Handle() : nullptr;
  if (!handle || base < 0) return -1;
  // Drawn by hand: Wine's ImageList_Merge loses an image with an alpha channel.
  // The list draws on white (its background colour, the tree's too), so the
  // result is opaque: no alpha, and a mask that hides nothing.
  constexpr int kSize = 16;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win32::GdiObject color(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const std::uint16_t nothingHidden[kSize] = {};  // one word per row of the mask
  win32::GdiObject mask(::CreateBitmap(kSize, kSize, 1, 1, nothingHidden));
  int drawn = -1;
  if (color.Get() && mask.Get() && bits) {
    win32::MemoryDC dc(::CreateCompatibleDC(nullptr));
    if (dc.Get()) {
      {
        win32::Selection selected(dc.Get(), color.Get());
        ImageList_Draw(handle, base, dc.Get(), 0, 0, ILD_NORMAL);
        overlay(dc.Get(), handle);
        ::GdiFlush();
      }
      auto* pixels = static_cast<std::uint8_t*>(bits);
      for (int i = 0; i < kSize * kSize; ++i) pixels[i * 4 + 3] = 0;
      ICONINFO parts{TRUE, 0, 0, static_cast<HBITMAP>(mask.Get()), static_cast<HBITMAP>(color.Get())};
      win32::IconHandle icon(::CreateIconIndirect(&parts));
      if (icon.Get()) drawn = ImageList_ReplaceIcon(handle, -1, icon.Get());
    }
  }
  if (drawn < 0) return -1;
  (*cache)[base] = drawn;
  return drawn;
}

TreeItem Win32MainTree::InsertItemAfter(TreeItem parent, TreeItem after, const std::string& text, int image,
                                        int selectedImage) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent ? ToItem(parent) : TVI_ROOT;
  insert.hInsertAfter = after ? ToItem(after) : TVI_FIRST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  insert.item.pszText = const_cast<char*>(text.c_str());
  insert.item.iImage = image;
  insert.item.iSelectedImage = selectedImage;
  return static_cast<TreeItem>(::SendMessageA(Window(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

}  // namespace qm::app
