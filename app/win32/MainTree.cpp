#include "app/win32/MainTree.h"

#include <commctrl.h>

#include <cstdint>

#include "controls/Accessible.h"
#include "controls/WindowHook.h"
#include "engine/foundation/Guard.h"
#include "platform/win32/Handles.h"

namespace qm::app {
namespace {

// The tree's list begins with the roots' three images and the badge of the
// 32-bit programs' entries.
constexpr int kViewBadgeImage = 3;

HTREEITEM ToItem(TreeItem item) { return reinterpret_cast<HTREEITEM>(item); }
TreeItem FromItem(HTREEITEM item) { return reinterpret_cast<TreeItem>(item); }

constexpr int kChecked = 2;  // state image of a ticked box

// The tree as a screen reader hears it: every item its expanded branches
// show, in order, with its text, level, tick and selection, and as its
// description the same words as its tip (the command line, a program whose
// file is missing, an entry of the 32-bit programs), which the picture alone
// says with a sign or a badge.
class TreeAccessible : public controls::AccessibleObject {
 public:
  using AccessibleObject::AccessibleObject;

 protected:
  std::vector<HTREEITEM> Items() const {
    std::vector<HTREEITEM> items;
    for (HTREEITEM item = TreeView_GetRoot(Window()); item; item = TreeView_GetNextVisible(Window(), item))
      items.push_back(item);
    return items;
  }
  HTREEITEM ItemOf(long child) const {
    std::vector<HTREEITEM> items = Items();
    return child >= 1 && child <= static_cast<long>(items.size()) ? items[child - 1] : nullptr;
  }
  long ChildCount() const override { return static_cast<long>(Items().size()); }
  long FocusedChild() const override {
    std::vector<HTREEITEM> items = Items();
    HTREEITEM selected = TreeView_GetSelection(Window());
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == selected) return static_cast<long>(i + 1);
    return 0;
  }
  bool Facts(long child, controls::AccessibleFacts* facts) const override {
    if (child == 0) {
      facts->name = "Entries";
      facts->role = ROLE_SYSTEM_OUTLINE;
      facts->state = WindowState(Window());
      ::GetWindowRect(Window(), &facts->screen);
      return true;
    }
    HTREEITEM item = ItemOf(child);
    if (!item) return false;
    char text[520] = {};
    TVITEMA read{};
    read.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN;
    read.hItem = item;
    read.stateMask = TVIS_STATEIMAGEMASK | TVIS_SELECTED | TVIS_EXPANDED;
    read.pszText = text;
    read.cchTextMax = sizeof(text);
    if (!TreeView_GetItem(Window(), &read)) return false;
    facts->name = text;
    facts->role = ROLE_SYSTEM_OUTLINEITEM;
    int level = 1;
    for (HTREEITEM up = TreeView_GetParent(Window(), item); up; up = TreeView_GetParent(Window(), up)) ++level;
    facts->value = std::to_string(level);
    long state = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (read.state & TVIS_SELECTED) {
      state |= STATE_SYSTEM_SELECTED;
      if (::GetFocus() == Window()) state |= STATE_SYSTEM_FOCUSED;
    }
    const bool checked = ((read.state & TVIS_STATEIMAGEMASK) >> 12) == kChecked;
    if (checked) state |= STATE_SYSTEM_CHECKED;
    if (read.cChildren > 0) state |= (read.state & TVIS_EXPANDED) ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED;
    if (!::IsWindowEnabled(Window())) state |= STATE_SYSTEM_UNAVAILABLE;
    RECT rect{};
    if (TreeView_GetItemRect(Window(), item, &rect, TRUE)) {
      ::MapWindowPoints(Window(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
      facts->screen = rect;
    } else {
      state |= STATE_SYSTEM_OFFSCREEN;
    }
    facts->state = state;
    facts->defaultAction = checked ? "Uncheck" : "Check";
    facts->description = TipOf(item);
    return true;
  }
  // Ticks or clears the box as Space does, so that the window's rules for
  // the boxes of a root and its entries apply.
  bool DoDefault(long child) override {
    HTREEITEM item = ItemOf(child);
    if (!item || !::IsWindowEnabled(Window())) return false;
    TreeView_SelectItem(Window(), item);
    ::PostMessageA(Window(), WM_KEYDOWN, VK_SPACE, 0);
    ::PostMessageA(Window(), WM_KEYUP, VK_SPACE, 0xC0000001);
    return true;
  }
  bool Select(long child) override {
    HTREEITEM item = ItemOf(child);
    return item && TreeView_SelectItem(Window(), item);
  }

 private:
  // The tip the window gives for the item, asked as the tree itself asks it.
  std::string TipOf(HTREEITEM item) const {
    char tip[1024] = {};
    NMTVGETINFOTIPA ask{};
    ask.hdr.hwndFrom = Window();
    ask.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(Window()));
    ask.hdr.code = TVN_GETINFOTIPA;
    ask.pszText = tip;
    ask.cchTextMax = sizeof(tip);
    ask.hItem = item;
    ::SendMessageA(::GetParent(Window()), WM_NOTIFY, ask.hdr.idFrom, reinterpret_cast<LPARAM>(&ask));
    std::string words = tip;
    for (char& c : words)
      if (c == '\n') c = ' ';
    return words;
  }
};

LRESULT TreeHook(void*, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Guarded("Main window's tree", message, [&]() -> LRESULT {
    if (message == WM_GETOBJECT)
      if (LRESULT answer = controls::AccessibleObject::Answer(new TreeAccessible(window), wParam, lParam))
        return answer;
    return controls::WindowHook::Next(window, message, wParam, lParam);
  }, LRESULT{0});
}

}  // namespace

Win32MainTree::Win32MainTree(HWND tree) : tree_(tree) {
  controls::WindowHook::Install(tree, TreeHook, nullptr);
}

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
  int size = 16, height = 16;
  ImageList_GetIconSize(handle, &size, &height);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  win32::GdiObject color(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  // One row of the mask is a whole number of words.
  const std::vector<std::uint16_t> nothingHidden(static_cast<std::size_t>((size + 15) / 16 * size), 0);
  win32::GdiObject mask(::CreateBitmap(size, size, 1, 1, nothingHidden.data()));
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
      for (int i = 0; i < size * size; ++i) pixels[i * 4 + 3] = 0;
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
