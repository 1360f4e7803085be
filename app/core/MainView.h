#pragma once
// What the main window's logic asks of its window. The view applies what it is
// told and reports events with their values; every text it shows comes from
// the logic.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Menu.h"
#include "platform/Ui.h"

namespace qm::app {

using platform::TreeItem;

// The window's tree: what the engines fill, plus the selection and the edits
// the window makes itself.
class IMainTree : public platform::ITreeControl {
 public:
  virtual TreeItem Parent(TreeItem item) const = 0;
  virtual TreeItem Selected() const = 0;
  // Makes item the selected one (0: none). The tree reports the change as a
  // selection-changed event, as it does for a user's click.
  virtual void Select(TreeItem item) = 0;
  virtual bool DeleteItem(TreeItem item) = 0;
  virtual void SetItemImage(TreeItem item, int image) = 0;
  // Marks an item (or takes the mark off) as an entry of the 32-bit
  // programs' public key, over the image it has now; its text stays. An
  // image set later may drop the mark.
  virtual void SetThirtyTwoBitMark(TreeItem item, bool on) = 0;
  // Marks an item's image with a shield: an entry of the machine's that this
  // start may not change. An image set later may drop the mark.
  virtual void SetShieldMark(TreeItem item) = 0;
  // Inserts under parent directly after `after`; after 0 puts it first.
  virtual TreeItem InsertItemAfter(TreeItem parent, TreeItem after, const std::string& text, int image,
                                   int selectedImage) = 0;
};

// The icon a message box carries. Every box has the application's name as title.
enum class BoxIcon { None, Information, Question, Exclamation };

// Colours are 0x00BBGGRR, as the theme holds them.
struct WindowColors {
  std::uint32_t title = 0;    // caption text
  std::uint32_t button = 0;   // close, help, about, minimise, LAUNCH
  std::uint32_t status = 0;   // status line
  std::uint32_t section = 0;  // the four toolbar buttons
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// The small window that names each entry while a launch runs. Destroying the
// object destroys the window.
class IProgressWindow {
 public:
  virtual ~IProgressWindow() = default;
  virtual void SetText(const std::string& text) = 0;
  // Shows it normally and paints it now: nothing else runs the message loop
  // while the entries are started one after another.
  virtual void ShowAndPaint() = 0;
};

class IMainView {
 public:
  virtual ~IMainView() = default;

  virtual IMainTree& Tree() = 0;
  virtual platform::IEditField& PathField() = 0;
  // The theme menu as loaded (its first pop-up holds the themes); null if it did not load.
  virtual platform::IMenu* ThemeMenu() = 0;

  virtual void SetTitle(const std::string& title) = 0;
  // The text shown in the status line while the mouse is over a control.
  virtual void SetHoverText(int control, const std::string& text) = 0;
  virtual void SetColors(const WindowColors& colors) = 0;
  // Gives the tree its image list, its first places kept for the three roots'
  // icons, in the order Services, Startups, Shortcuts: the room for every
  // item's image stands from the first paint.
  virtual void InstallImageList() = 0;
  // Draws the roots' icons into the places kept for them; once the window
  // stands, as the other images come.
  virtual void InstallRootImages() = 0;
  // Adds to the tree's image list the image of an entry whose program file is
  // gone; answers its index, or -1.
  virtual int AddMissingProgramImage() = 0;
  virtual void EnableCommand(std::uint32_t command, bool enabled) = 0;

  virtual void ShowMessage(const std::string& text, BoxIcon icon) = 0;
  // Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text, BoxIcon icon) = 0;

  // Ends the program's message loop once the current message is done.
  virtual void PostQuit(int exitCode) = 0;
  virtual void Hide() = 0;
  virtual void ShowNormal() = 0;
  // Destroys the window; as the program's main window this ends the program.
  virtual void Destroy() = 0;
  virtual void EndModal(int result) = 0;
  // Invalidates the whole window, background included.
  virtual void Repaint() = 0;

  virtual void AddTrayIcon(const std::string& tip) = 0;
  virtual void RemoveTrayIcon() = 0;
  // Tracks the tray menu at the cursor with its first item as the default one.
  virtual void ShowTrayMenu() = 0;

  // The desktop's work area, in screen pixels.
  virtual Rect WorkArea() = 0;
  // Null when the window cannot be made; the launch goes on without it.
  virtual std::unique_ptr<IProgressWindow> OpenProgress() = 0;
  // From now on the window's OnTick runs every `milliseconds`, with the
  // system's clock in milliseconds, for as long as the window exists.
  virtual void StartTicking(std::uint32_t milliseconds) = 0;
};

}  // namespace qm::app
