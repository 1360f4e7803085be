#pragma once
// The tree of the program's window in another process, read and clicked as a
// user's tools do: through memory of that process. Windows only.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace qm::test {

// The tree of another process, read through memory of that process.
class RemoteTree {
 public:
  RemoteTree(HANDLE process, HWND tree) : process_(process), tree_(tree) {
    memory_ = ::VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteTree() {
    if (memory_) ::VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
  }
  RemoteTree(const RemoteTree&) = delete;
  RemoteTree& operator=(const RemoteTree&) = delete;
  // Whether the other process gave room to read through.
  bool Ready() const { return memory_ != nullptr; }
  struct Item {
    HTREEITEM handle;
    std::string text;
    bool checked;
  };
  // The entries: every child of every root.
  std::vector<Item> Entries() {
    std::vector<Item> items;
    for (HTREEITEM root = Next(nullptr, TVGN_ROOT); root; root = Next(root, TVGN_NEXT))
      for (HTREEITEM child = Next(root, TVGN_CHILD); child; child = Next(child, TVGN_NEXT)) items.push_back(Read(child));
    return items;
  }
  Item Read(HTREEITEM handle) {
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
    item.hItem = handle;
    item.stateMask = TVIS_STATEIMAGEMASK;
    item.pszText = static_cast<char*>(memory_) + 1024;
    item.cchTextMax = 1024;
    Put(&item, sizeof(item));
    ::SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(memory_));
    Get(&item, sizeof(item));
    char text[1024] = {};
    SIZE_T got = 0;
    ::ReadProcessMemory(process_, static_cast<char*>(memory_) + 1024, text, sizeof(text) - 1, &got);
    return {handle, text, ((item.state & TVIS_STATEIMAGEMASK) >> 12) == 2};
  }
  // Clicks the item's check box: the pointer moved onto the box, the tree
  // given the button's press and release there. (Input sent through the X
  // server reached the window seconds late on a loaded machine, and a click
  // sent again then undid the first.)
  bool ClickCheckBox(HTREEITEM handle) {
    bool was = Read(handle).checked;
    ::SendMessageA(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(handle));
    RECT rect{};
    *reinterpret_cast<HTREEITEM*>(&rect) = handle;
    Put(&rect, sizeof(rect));
    if (!::SendMessageA(tree_, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(memory_))) return false;
    Get(&rect, sizeof(rect));
    // The box sits left of the item's icon: 20 to 35 pixels left of its text.
    POINT point{rect.left - 27, (rect.top + rect.bottom) / 2};
    POINT screen = point;
    ::ClientToScreen(tree_, &screen);
    ::SetCursorPos(screen.x, screen.y);
    ::PostMessageA(tree_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    ::PostMessageA(tree_, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    for (int i = 0; i < 500; ++i) {
      if (Read(handle).checked != was) return true;
      ::Sleep(10);
    }
    return false;
  }


 private:
  HTREEITEM Next(HTREEITEM item, UINT how) {
    return reinterpret_cast<HTREEITEM>(::SendMessageA(tree_, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
  }
  void Put(const void* data, SIZE_T size) { ::WriteProcessMemory(process_, memory_, data, size, nullptr); }
  void Get(void* data, SIZE_T size) { ::ReadProcessMemory(process_, memory_, data, size, nullptr); }
  HANDLE process_;
  HWND tree_;
  void* memory_;
};

}  // namespace qm::test
