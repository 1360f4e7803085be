#include "app/core/MainWindow.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/core/MainIds.h"
#include "engine/foundation/EntryCommon.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/FileSystem.h"
#include "platform/Identity.h"

namespace qm::app {
namespace {

using identity::kApplicationName;
// On 64-bit Windows the public Run and RunServices keys are kept twice, and a
// name may stand in both: the line under an entry of the 32-bit programs' key.
constexpr char kThirtyTwoBitLine[] = "Public entry of 32-bit programs";
// The line under an entry whose box a policy holds.
constexpr char kAlwaysStartsLine[] = "Set by policy: always starts";
constexpr char kNeverStartsLine[] = "Set by policy: never starts";
constexpr char kLockedChoiceLine[] = "Set by policy: the choice cannot be changed";

// The log is offered for deletion from this size on (decimal, as the question says "100k").
constexpr std::uint64_t kLogSizeToAsk = 100000;
// A window edge this close to the work area's edge, or closer, lands on it.
constexpr int kSnapDistance = 12;
// How far left of an item's text its check box lies, with and without the
// tree's image list between them.
constexpr int kBoxNearWithImages = 20, kBoxFarWithImages = 35;
constexpr int kBoxNearWithoutImages = 1, kBoxFarWithoutImages = 16;

// Per kind, in the order Services, Startups, Shortcuts.
struct KindTexts {
  const char* root;
  const char* progressPrefix;
  const char* removeFailed;
  std::uint32_t create, remove, modify;
};
constexpr KindTexts kKindTexts[] = {
    {"Services", "Launching Services - ", "Unable to remove service", ID_SERVICE_CREATE, ID_SERVICE_REMOVE,
     ID_SERVICE_MODIFY},
    {"Startups", "Launching Startups - ", "Unable to remove startup", ID_STARTUP_CREATE, ID_STARTUP_REMOVE,
     ID_STARTUP_MODIFY},
    {"Shortcuts", "Launching Shortcuts - ", "Unable to remove shortcut", ID_SHORTCUT_CREATE, ID_SHORTCUT_REMOVE,
     ID_SHORTCUT_MODIFY},
};

struct HoverText {
  int control;
  const char* text;
};
constexpr HoverText kHoverTexts[] = {
    {IDC_MAIN_CLOSE, "Close window and terminate program"},
    {IDC_MAIN_HELP, "Show help topics on program"},
    {IDC_MAIN_ABOUT, "Show version and makers of program"},
    {IDC_MAIN_MINIMIZE, "Minimize window to system tray"},
    {IDC_MAIN_LAUNCH_LEFT, "Launch selected services and startups"},
    {IDC_MAIN_LAUNCH_RIGHT, "Launch selected services and startups"},
    {IDC_MAIN_SERVICE, "Create, remove and update services"},
    {IDC_MAIN_STARTUP, "Create, remove and update startups"},
    {IDC_MAIN_SHORTCUT, "Create, remove and update shortcuts"},
    {IDC_MAIN_THEME, "Select different interface theme for application"},
};

// Moves one coordinate onto the near or the far edge when it is close enough.
int Snap(int start, int length, int low, int high) {
  if (std::abs(start - low) <= kSnapDistance) return low;
  if (std::abs(start + length - high) <= kSnapDistance) return high - length;
  return start;
}

template <class Pinned>
void SetDescendants(platform::ITreeControl& tree, TreeItem item, bool checked, const Pinned& pinned) {
  for (TreeItem child : tree.Children(item)) {
    if (!pinned(child)) tree.SetCheck(child, checked);
    SetDescendants(tree, child, checked, pinned);
  }
}

// The item's neighbours under its parent: {previous, next}, 0 where there is none.
std::pair<TreeItem, TreeItem> Siblings(const IMainTree& tree, TreeItem item) {
  std::vector<TreeItem> children = tree.Children(tree.Parent(item));
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (children[i] != item) continue;
    return {i > 0 ? children[i - 1] : 0, i + 1 < children.size() ? children[i + 1] : 0};
  }
  return {0, 0};
}

}  // namespace

MainWindow::MainWindow(const MainWindowParts& parts, const MainWindowSetup& setup) : parts_(parts), setup_(setup) {}

void MainWindow::OnCreate(bool resourcesLoaded) {
  if (!resourcesLoaded) {
    view_->ShowMessage(
        "Error occur loading application resources.\nMake sure you have enough memory to run the program",
        BoxIcon::None);
    view_->PostQuit(0);
  }
  if (!parts_.themes.SetupPopupMenu(view_->ThemeMenu())) {
    CLog::Error("Constructing application dialog failed on unable setup popup for theme options");
    view_->ShowMessage("Unable to setup theme options.", BoxIcon::Exclamation);
  }
}

void MainWindow::OnInit() {
  view_->SetTitle(kApplicationName);
  ApplyThemeColors();
  for (const HoverText& hover : kHoverTexts) view_->SetHoverText(hover.control, hover.text);
  view_->InstallImageList();
  IMainTree& tree = view_->Tree();
  for (int kind = 0; kind < kKinds; ++kind) roots_[kind] = tree.InsertItem(0, kKindTexts[kind].root, kind, kind);
  policies_ = policy::ReadPolicies();
  if (policies_.LockedEntries())
    for (const KindTexts& texts : kKindTexts) view_->EnableCommand(texts.create, false);
  Populate();
  PinBoxes();
  SetRootChecks();
  if (setup_.trayMode) view_->AddTrayIcon(kApplicationName);
  if (setup_.startDelayed) {
    watch_.Resume();
    QueueDelayed();
  }
  // The first tick comes once the window stands painted: the images follow then.
  view_->StartTicking(1);
  CheckLogSize();
}

void MainWindow::QueueDelayed() {
  for (const auto& [item, ref] : entries_) {
    int delay = catalog::DelayOf(ref);
    if (delay > 0 && catalog::FlagOf(ref) != 0) delayed_.emplace_back(delay, ref);
  }
  std::stable_sort(delayed_.begin(), delayed_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

void MainWindow::OnTick(std::uint64_t nowMilliseconds) {
  if (!dressed_) {
    Dress();
    view_->StartTicking(kTickMilliseconds);
  }
  if (!ticked_) {
    firstTick_ = nowMilliseconds;
    ticked_ = true;
  }
  watch_.Poll();
  StartNextDelayed(nowMilliseconds);
  if (leaving_ && !watch_.Busy()) view_->Destroy();
}

// Never two at once: the next waits until the one before has stopped starting.
void MainWindow::StartNextDelayed(std::uint64_t nowMilliseconds) {
  if (delayed_.empty() || leaving_ || !watch_.LatestSettled()) return;
  const auto& [delay, ref] = delayed_.front();
  if (nowMilliseconds - firstTick_ < static_cast<std::uint64_t>(delay) * 1000) return;
  std::unique_ptr<platform::IStartedProcess> process;
  if (catalog::Launch(ref, &process)) watch_.Add(ref, std::move(process), 1, delay);
  delayed_.erase(delayed_.begin());
}

namespace {

// The window's tree as the first listing sees it: without an image list, so
// that the engines ask the shell for no icon and every entry stands at once
// with its kind's image. The text of each item it put in is answered from
// what it was given, not asked of the control again.
class TreeWithoutImages : public platform::ITreeControl {
 public:
  explicit TreeWithoutImages(platform::ITreeControl& tree) : tree_(tree) {}
  TreeItem InsertItem(TreeItem parent, const std::string& text, int image, int selectedImage) override {
    TreeItem item = tree_.InsertItem(parent, text, image, selectedImage);
    if (item) texts_[item] = text;
    return item;
  }
  bool SetCheck(TreeItem item, bool checked) override { return tree_.SetCheck(item, checked); }
  bool GetCheck(TreeItem item) const override { return tree_.GetCheck(item); }
  std::string GetItemText(TreeItem item) const override {
    auto known = texts_.find(item);
    return known != texts_.end() ? known->second : tree_.GetItemText(item);
  }
  int GetItemImage(TreeItem item) const override { return tree_.GetItemImage(item); }
  std::vector<TreeItem> Children(TreeItem parent) const override { return tree_.Children(parent); }
  platform::IImageList* GetImageList() override { return nullptr; }
  void SetImageList(platform::IImageList*) override {}

 private:
  platform::ITreeControl& tree_;
  std::map<TreeItem, std::string> texts_;
};

// The second listing, for the images alone: it holds no items of its own,
// only the text and image each would have had; the icons go into the
// window's image list.
class ImagesOnly : public platform::ITreeControl {
 public:
  explicit ImagesOnly(platform::ITreeControl& tree) : tree_(tree) {}
  TreeItem InsertItem(TreeItem, const std::string& text, int image, int) override {
    items_.push_back({text, image});
    return items_.size();
  }
  bool SetCheck(TreeItem, bool) override { return true; }
  bool GetCheck(TreeItem) const override { return false; }
  std::string GetItemText(TreeItem item) const override { return item && item <= items_.size() ? items_[item - 1].first : ""; }
  int GetItemImage(TreeItem item) const override { return item && item <= items_.size() ? items_[item - 1].second : -1; }
  std::vector<TreeItem> Children(TreeItem) const override { return {}; }
  platform::IImageList* GetImageList() override { return tree_.GetImageList(); }
  void SetImageList(platform::IImageList* list) override { tree_.SetImageList(list); }

 private:
  platform::ITreeControl& tree_;
  std::vector<std::pair<std::string, int>> items_;
};

}  // namespace

void MainWindow::Populate() {
  IMainTree& tree = view_->Tree();
  TreeWithoutImages bare(tree);
  const EntryPlace place = PlaceOfSelector(setup_.inRegistry);
  // Startups, shortcuts, then services, as the engines have always filled them.
  for (EntryKind kind : {EntryKind::Startup, EntryKind::Shortcut, EntryKind::Service}) {
    std::vector<std::pair<TreeItem, catalog::EntryRef>> items;
    catalog::Populate(kind, place, &bare, roots_[static_cast<int>(kind)], &items);
    for (const auto& [item, ref] : items) entries_[item] = ref;
  }
}

// After the window first stood painted: the roots' icons, each entry's
// program icon, then the marks drawn over it. Each item keeps its box and its
// place; an entry that came or went meanwhile is passed over.
void MainWindow::Dress() {
  dressed_ = true;
  view_->InstallRootImages();
  IMainTree& tree = view_->Tree();
  ImagesOnly images(tree);
  const EntryPlace place = PlaceOfSelector(setup_.inRegistry);
  for (EntryKind kind : {EntryKind::Startup, EntryKind::Shortcut, EntryKind::Service}) {
    std::vector<std::pair<TreeItem, catalog::EntryRef>> listed;
    catalog::Populate(kind, place, &images, roots_[static_cast<int>(kind)], &listed);
    for (const auto& [scratch, ref] : listed)
      for (const auto& [item, shown] : entries_)
        if (catalog::SameEntry(ref, shown) && ref.name == shown.name) {
          tree.SetItemImage(item, images.GetItemImage(scratch));
          break;
        }
  }
  MarkMissingPrograms();
  // After the missing marks: a view may draw its mark into the item's image.
  for (const auto& [item, ref] : entries_) {
    tree.SetThirtyTwoBitMark(item, IsThirtyTwoBitView(ref.root));
    if (!Fixed(item)) continue;
    tree.SetCheck(item, true);
    tree.SetShieldMark(item);
  }
}

bool MainWindow::Fixed(TreeItem item) const {
  const catalog::EntryRef* ref = setup_.machineFixed ? EntryOf(item) : nullptr;
  return ref && IsPublicRoot(ref->root);
}

const catalog::EntryRef* MainWindow::EntryOf(TreeItem item) const {
  auto found = entries_.find(item);
  return found == entries_.end() ? nullptr : &found->second;
}

void MainWindow::SetEntry(TreeItem item, const catalog::EntryRef& ref) {
  entries_[item] = ref;
  view_->Tree().SetThirtyTwoBitMark(item, IsThirtyTwoBitView(ref.root));
}

std::string MainWindow::CommandLineOf(TreeItem item) const {
  const catalog::EntryRef* ref = EntryOf(item);
  return ref ? catalog::CommandLineOf(*ref) : std::string();
}

// A shortcut's field names its file; the program is the link's target, read
// from the bytes the entry stands as (while taken, the file stands nowhere).
std::string MainWindow::ProgramOf(TreeItem item) const {
  const catalog::EntryRef* ref = EntryOf(item);
  return ref ? catalog::ProgramOf(*ref) : std::string();
}

std::string MainWindow::ProgramFacts(const std::string& program) {
  if (program.empty()) return "";
  ProgramDescription described = DescribeProgram(program);
  if (described.missing) return "The program file is missing.";
  if (described.publisher.empty()) return described.description;
  if (described.description.empty()) return described.publisher;
  return described.description + ", " + described.publisher;
}

void MainWindow::MarkMissingPrograms() {
  IMainTree& tree = view_->Tree();
  int image = -1;
  for (int kind = 0; kind < kKinds; ++kind)
    for (TreeItem item : tree.Children(roots_[kind])) {
      std::string program = ProgramOf(item);
      if (program.empty() || !ProgramMissing(program)) continue;
      if (image < 0) image = view_->AddMissingProgramImage();
      if (image < 0) return;
      tree.SetItemImage(item, image);
    }
}

std::string MainWindow::TipFor(TreeItem item) const {
  int kind = KindOf(item);
  if (kind == kKinds) return "";
  std::string tip = CommandLineOf(item);
  for (const std::string& line : LinesAbout(item)) tip += "\n" + line;
  return tip;
}

std::vector<std::string> MainWindow::LinesAbout(TreeItem item) const {
  std::vector<std::string> lines;
  std::string facts = ProgramFacts(ProgramOf(item));
  if (!facts.empty()) lines.push_back(facts);
  const catalog::EntryRef* ref = EntryOf(item);
  if (ref && IsThirtyTwoBitView(ref->root)) lines.push_back(kThirtyTwoBitLine);
  const policy::Decision decision = PolicyOf(item);
  if (decision.forced == policy::Forced::Start)
    lines.push_back(kAlwaysStartsLine);
  else if (decision.forced == policy::Forced::NeverStart)
    lines.push_back(kNeverStartsLine);
  else if (ref && policies_.LockedChoices())
    lines.push_back(kLockedChoiceLine);
  if (!ref) return lines;
  lines.push_back(catalog::DescribeLastStart(*ref));
  std::string delay = catalog::DescribeDelay(catalog::DelayOf(*ref));
  if (!delay.empty()) lines.push_back(delay);
  return lines;
}

policy::Decision MainWindow::PolicyOf(TreeItem item) const {
  const catalog::EntryRef* ref = EntryOf(item);
  return ref ? policies_.ForEntry(ref->kind, ref->root, ref->name) : policy::Decision{};
}

bool MainWindow::Pinned(TreeItem item) const {
  return static_cast<bool>(policies_.LockedChoices()) || static_cast<bool>(PolicyOf(item));
}

void MainWindow::PinBoxes() {
  IMainTree& tree = view_->Tree();
  for (const auto& [item, ref] : entries_) {
    const policy::Decision decision = PolicyOf(item);
    if (decision) tree.SetCheck(item, decision.forced == policy::Forced::Start);
  }
}

bool MainWindow::EntriesLocked() {
  const policy::Decision locked = policies_.LockedEntries();
  if (!locked) return false;
  view_->ShowMessage("Entries cannot be created, modified or removed: " + policy::Describe(locked) +
                         " does not allow it.",
                     BoxIcon::Exclamation);
  return true;
}

void MainWindow::SetRootChecks() {
  IMainTree& tree = view_->Tree();
  for (TreeItem root : roots_) {
    std::vector<TreeItem> children = tree.Children(root);
    if (children.empty()) continue;
    bool all = true;
    for (TreeItem child : children) all = all && tree.GetCheck(child);
    if (all) tree.SetCheck(root, true);
  }
}

void MainWindow::ApplyThemeColors() {
  const CTheme& theme = parts_.currentTheme;
  view_->SetColors({theme.titleColor, theme.buttonColor, theme.statusColor, theme.sectionColor});
}

void MainWindow::CheckLogSize() {
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  std::string path = CLog::GetProgramPathWith(identity::kLogFile);
  std::uint64_t size = 0;
  if (!files || path.empty() || !files->Size(path, size) || size < kLogSizeToAsk) return;
  if (!view_->AskYesNo("Quill Moor log file has reached 100k in size. Do you wish to delete it?\n\n"
                       "(Note : Log file will be regenerated)",
                       BoxIcon::Question))
    return;
  if (files->Delete(path) != platform::FsResult::Ok) {
    view_->ShowMessage("Error delete log file. You may need to remove it manually", BoxIcon::None);
    return;
  }
  CLog::Setup();
}

int MainWindow::KindOf(TreeItem item) const {
  if (item == 0) return kKinds;
  TreeItem parent = view_->Tree().Parent(item);
  for (int kind = 0; kind < kKinds; ++kind)
    if (parent != 0 && parent == roots_[kind]) return kind;
  return kKinds;
}

TreeItem MainWindow::SelectedEntryOf(int kind) const {
  TreeItem item = view_->Tree().Selected();
  return KindOf(item) == kind ? item : 0;
}

int MainWindow::OnSelectionChanged(TreeItem item) {
  if (item == 0) return 1;
  int kind = KindOf(item);
  if (kind == kKinds) {
    for (const KindTexts& texts : kKindTexts) {
      view_->EnableCommand(texts.remove, false);
      view_->EnableCommand(texts.modify, false);
    }
    view_->PathField().SetText("");
    return 1;
  }
  const bool editable = !policies_.LockedEntries();
  view_->EnableCommand(kKindTexts[kind].remove, editable);
  view_->EnableCommand(kKindTexts[kind].modify, editable);
  std::string text = CommandLineOf(item);
  for (const std::string& line : LinesAbout(item)) text += "\r\n" + line;
  view_->PathField().SetText(text);
  return 1;
}

int MainWindow::OnTreeClick(TreeItem item, int cursorX, int textLeft) {
  if (item == 0) return 0;
  IMainTree& tree = view_->Tree();
  tree.Select(item);
  int distance = textLeft - cursorX;
  bool images = tree.GetImageList() != nullptr;
  int nearest = images ? kBoxNearWithImages : kBoxNearWithoutImages;
  int farthest = images ? kBoxFarWithImages : kBoxFarWithoutImages;
  if (distance < nearest || distance > farthest) return 0;
  // A box this start cannot change, or one a policy holds, stays as it is: the tree is told not to turn it.
  if (Fixed(item) || Pinned(item)) return 1;
  Propagate(item);
  return 0;
}

int MainWindow::OnTreeKeyDown(Key key) {
  if (key != Key::Space) return 0;
  TreeItem item = view_->Tree().Selected();
  if (item == 0) return 0;
  // A fixed box keeps its state: the view sets it on again after the tree turned it.
  if (Fixed(item)) return 1;
  Propagate(item);
  return 0;
}

// Runs before the tree toggles the item itself, so the item's own box still
// shows its old state here and is left alone.
void MainWindow::Propagate(TreeItem item) {
  IMainTree& tree = view_->Tree();
  bool wasChecked = tree.GetCheck(item);
  SetDescendants(tree, item, !wasChecked, [this](TreeItem child) { return Fixed(child) || Pinned(child); });
  TreeItem parent = tree.Parent(item);
  if (parent == 0) return;
  if (wasChecked) {
    tree.SetCheck(parent, false);
    return;
  }
  for (TreeItem sibling : tree.Children(parent))
    if (sibling != item && !tree.GetCheck(sibling)) return;
  tree.SetCheck(parent, true);
}

bool MainWindow::OnKeyDown(Key key, bool treeHasFocus) {
  switch (key) {
    case Key::Escape:
      Close();
      return true;
    case Key::Enter:
      return true;
    case Key::Space:
      // Consumed before the tree would toggle a box a policy holds.
      return treeHasFocus && Pinned(view_->Tree().Selected());
    case Key::Delete: {
      if (!treeHasFocus) return false;
      int kind = KindOf(view_->Tree().Selected());
      if (kind != kKinds) Remove(kind);
      return true;
    }
    default:
      return false;
  }
}

void MainWindow::OnCommand(std::uint32_t id) {
  for (int kind = 0; kind < kKinds; ++kind) {
    if (id == kKindTexts[kind].create) return Create(kind);
    if (id == kKindTexts[kind].remove) return Remove(kind);
    if (id == kKindTexts[kind].modify) return Modify(kind);
  }
  if (id >= ID_THEME_FIRST && id <= ID_THEME_LAST) return ChangeTheme(id);
  switch (id) {
    case IDC_MAIN_CLOSE:
      return Close();
    case IDC_MAIN_LAUNCH_LEFT:
    case IDC_MAIN_LAUNCH_RIGHT:
      return Launch();
    case IDC_MAIN_MINIMIZE:
      return Minimize();
    case ID_TRAY_OPEN:
      return Open();
    case ID_TRAY_EXIT:
      return Exit();
    case IDC_MAIN_HELP:
    case ID_TRAY_HELP:
      return Help();
    case IDC_MAIN_ABOUT:
    case ID_TRAY_ABOUT:
      return parts_.host.ShowAbout();
    default:
      return;
  }
}

namespace {

// The values one dialog run hands back, whichever kind it was.
struct DialogAnswer {
  int result = 0;
  int entryType = 0;
  int delay = 0;
  std::string name, path, argument;
};

template <class Dialog>
DialogAnswer RunDialog(IDialogRunner& runner, Dialog& dialog) {
  DialogAnswer answer;
  answer.result = runner.Run(dialog);
  answer.name = dialog.entryName;
  answer.path = dialog.entryPath;
  answer.argument = dialog.entryArgument;
  answer.delay = dialog.entryDelay;
  if constexpr (!std::is_same_v<Dialog, CServiceDialog>) answer.entryType = dialog.entryType;
  return answer;
}

// Fills the kind's dialog with the opening values and runs it.
// A new entry has no root yet (0): the dialog tests its name where its Type puts it.
DialogAnswer AskEntry(IDialogRunner& runner, int kind, int dialogMode, int inRegistry, int entryType,
                      const std::string& name, RegKey root, int delay) {
  auto fill = [&](auto& dialog) {
    dialog.dialogMode = dialogMode;
    dialog.inRegistry = inRegistry;
    dialog.entryRoot = root;
    if (dialogMode != 1) dialog.entryName = name;
    if (dialogMode != 1) dialog.entryDelay = delay;
  };
  if (kind == MainWindow::kService) {
    CServiceDialog dialog;
    fill(dialog);
    return RunDialog(runner, dialog);
  }
  if (kind == MainWindow::kStartup) {
    CStartupDialog dialog;
    fill(dialog);
    if (dialogMode != 1) dialog.entryType = entryType;
    return RunDialog(runner, dialog);
  }
  CShortcutDialog dialog;
  fill(dialog);
  if (dialogMode != 1) dialog.entryType = entryType;
  return RunDialog(runner, dialog);
}

}  // namespace

void MainWindow::Create(int kind) {
  if (EntriesLocked()) return;
  DialogAnswer answer = AskEntry(parts_.dialogs, kind, 1, setup_.inRegistry, 0, "", platform::kNoKey, 0);
  if (answer.result != 1) return;
  // A new public entry goes to the view this program sees; services are all public.
  const catalog::EntryRef ref{kEntryKinds[kind],
                              kind != kService && answer.entryType == 0 ? HKeyCurrentUser : HKeyLocalMachine,
                              PlaceOfSelector(setup_.inRegistry), answer.name};
  platform::IconHandle icon = 0;
  if (!catalog::Create(ref, answer.path, answer.argument, &icon)) return;
  if (answer.delay > 0 && !catalog::SetDelay(ref, answer.delay)) CLog::Error("Unable to save the delay of " + ref.name);
  IMainTree& tree = view_->Tree();
  int image = catalog::AddImage(ref.kind, &tree, answer.path, icon);
  TreeItem item = tree.InsertItem(roots_[kind], answer.name, image, image);
  SetEntry(item, ref);
  // Its box shows the flag it was created with (1), as a listing would, and
  // the root's box follows its children.
  tree.SetCheck(item, catalog::FlagOf(ref) != 0);
  PinBoxes();  // a policy may name the new entry
  FollowChildren(roots_[kind]);
  tree.Select(item);
}

void MainWindow::FollowChildren(TreeItem root) {
  IMainTree& tree = view_->Tree();
  std::vector<TreeItem> children = tree.Children(root);
  bool all = !children.empty();
  for (TreeItem child : children) all = all && tree.GetCheck(child);
  tree.SetCheck(root, all);
}

void MainWindow::Remove(int kind) {
  TreeItem item = SelectedEntryOf(kind);
  const catalog::EntryRef* ref = EntryOf(item);
  if (item == 0 || !ref || EntriesLocked()) return;
  IMainTree& tree = view_->Tree();
  std::string name = tree.GetItemText(item);
  if (!view_->AskYesNo("Are you sure you want to delete " + name + "?", BoxIcon::Question)) return;
  if (!catalog::Remove(*ref)) {
    view_->ShowMessage(kKindTexts[kind].removeFailed, BoxIcon::None);
    return;
  }
  // The next sibling is selected before the item goes: a tree that loses its
  // selected item picks a neighbour of its own, and the bottom entry must
  // leave no selection (and the path field as it was).
  TreeItem next = Siblings(tree, item).second;
  tree.Select(next);
  tree.DeleteItem(item);
  entries_.erase(item);
  view_->ShowMessage(name + " deleted.", BoxIcon::Information);
}

void MainWindow::Modify(int kind) {
  TreeItem item = SelectedEntryOf(kind);
  const catalog::EntryRef* known = EntryOf(item);
  if (item == 0 || !known || EntriesLocked()) return;
  const catalog::EntryRef from = *known;
  IMainTree& tree = view_->Tree();
  // The dialog reads, and tests names in, the root and view the item came from.
  int oldType = kind != kService && from.IsPublic() ? 1 : 0;
  DialogAnswer answer =
      AskEntry(parts_.dialogs, kind, 0, setup_.inRegistry, oldType, from.name, from.root, catalog::DelayOf(from));
  if (answer.result != 1) return;
  // A public entry stays in its view; one made public goes to the view this
  // program sees, one made private to the user's.
  catalog::EntryRef to = from;
  to.name = answer.name;
  if (kind != kService && answer.entryType != oldType) to.root = answer.entryType == 0 ? HKeyCurrentUser : HKeyLocalMachine;
  platform::IconHandle icon = 0;
  if (!catalog::Modify(from, to, answer.path, answer.argument, &icon)) return;
  // The delay went along with the entry; the dialog may have changed it.
  if (catalog::DelayOf(to) != answer.delay && !catalog::SetDelay(to, answer.delay))
    CLog::Error("Unable to save the delay of " + to.name);
  // The entry goes back where it stood; a first child has no previous sibling
  // and stays first. Its box keeps the state the user gave it: the engine
  // carried the selection flag over to the new name, and LAUNCH saves what
  // the box shows.
  TreeItem previous = Siblings(tree, item).first;
  bool checked = tree.GetCheck(item);
  tree.DeleteItem(item);
  entries_.erase(item);
  int image = catalog::AddImage(to.kind, &tree, answer.path, icon);
  TreeItem renewed = tree.InsertItemAfter(roots_[kind], previous, answer.name, image, image);
  SetEntry(renewed, to);
  tree.SetCheck(renewed, checked);
  PinBoxes();  // or the new name
  tree.Select(renewed);
}

void MainWindow::Launch() {
  IMainTree& tree = view_->Tree();
  launched_ = true;
  // Every box is saved as its entry's flag; one that cannot be written is
  // said, never passed over in silence: that entry would start, or not,
  // against the user's choice. A policy entry gets the flag its policy sets;
  // while the choices are locked, the other flags stay as they are.
  std::string unsaved;
  for (int kind = 0; kind < kKinds; ++kind)
    for (TreeItem child : tree.Children(roots_[kind])) {
      const catalog::EntryRef* ref = EntryOf(child);
      if (!ref || Fixed(child)) continue;
      const policy::Decision decision = PolicyOf(child);
      if (!decision && policies_.LockedChoices()) continue;
      const bool start = decision ? decision.forced == policy::Forced::Start : tree.GetCheck(child);
      if (catalog::SetFlag(*ref, start ? 1 : 0)) continue;
      CLog::Error("Unable to save the selection of " + ref->name);
      unsaved += "\n" + ref->name;
    }
  if (!unsaved.empty())
    view_->ShowMessage("The choice of these entries could not be saved; the log file says why:" + unsaved,
                       BoxIcon::Exclamation);
  view_->Hide();
  {
    std::unique_ptr<IProgressWindow> progress = view_->OpenProgress();
    for (int kind = 0; kind < kKinds; ++kind) {
      for (TreeItem child : tree.Children(roots_[kind])) {
        const catalog::EntryRef* ref = EntryOf(child);
        if (!ref) continue;
        if (progress) {
          progress->SetText(kKindTexts[kind].progressPrefix + ref->name + "...");
          progress->ShowAndPaint();
        }
        // Whatever its flag says, a never-start entry is never started by us.
        if (PolicyOf(child).forced == policy::Forced::NeverStart) continue;
        // At the log-on an entry with a delay waits for the tray part.
        const int delay = catalog::DelayOf(*ref);
        if (setup_.inRegistry != 1 && delay > 0) continue;
        std::unique_ptr<platform::IStartedProcess> process;
        if (catalog::Launch(*ref, &process)) watch_.Add(*ref, std::move(process), 1, delay);
      }
    }
  }
  Close();
}

int MainWindow::OnTreeDoubleClick() {
  if (setup_.inRegistry == 1) LaunchAtOnce();
  return 0;
}

void MainWindow::LaunchAtOnce() {
  const TreeItem item = view_->Tree().Selected();
  const catalog::EntryRef* ref = EntryOf(item);
  if (!ref) return;
  const policy::Decision decision = PolicyOf(item);
  if (decision.forced == policy::Forced::NeverStart) {
    view_->ShowMessage(ref->name + " is not started: " + policy::Describe(decision) + " keeps it from starting.",
                       BoxIcon::Exclamation);
    return;
  }
  catalog::LaunchNow(*ref);
}

void MainWindow::StartForcedEntries() {
  IMainTree& tree = view_->Tree();
  for (int kind = 0; kind < kKinds; ++kind)
    for (TreeItem child : tree.Children(roots_[kind])) {
      const catalog::EntryRef* ref = EntryOf(child);
      if (!ref || PolicyOf(child).forced != policy::Forced::Start) continue;
      if (!catalog::SetFlag(*ref, 1)) CLog::Error("Unable to save the selection of " + ref->name);
      std::unique_ptr<platform::IStartedProcess> process;
      if (catalog::Launch(*ref, &process)) watch_.Add(*ref, std::move(process), 1, 0);
    }
}

void MainWindow::TakeServicesIfAsked() {
  if (setup_.takeServicesOnClose) parts_.host.TakeServices();
}

void MainWindow::Close() {
  // The log-on window closed without LAUNCH still starts what a policy always starts.
  if (!launched_ && !setup_.trayMode && setup_.inRegistry != 1) {
    launched_ = true;
    StartForcedEntries();
  }
  TakeServicesIfAsked();
  if (setup_.trayMode) return Leave();
  // The modal run ends with the program: the tray part watches on.
  watch_.Park();
  view_->EndModal(1);
}

void MainWindow::Leave() {
  watch_.Poll();
  if (!watch_.Busy()) return view_->Destroy();
  view_->Hide();
  leaving_ = true;
  parts_.host.StandAside();
}

void MainWindow::OnEndSession() { TakeServicesIfAsked(); }

void MainWindow::Exit() {
  TakeServicesIfAsked();
  view_->RemoveTrayIcon();
  Leave();
}

void MainWindow::Minimize() {
  if (!setup_.trayMode) return;
  view_->Hide();
  view_->AddTrayIcon(kApplicationName);
}

void MainWindow::Open() {
  view_->ShowNormal();
  view_->RemoveTrayIcon();
}

void MainWindow::OnTrayNotify(std::uint32_t iconId, TrayEvent event) {
  if (iconId != IDI_PROGRAM) return;
  if (event == TrayEvent::RightButtonUp || event == TrayEvent::MenuKey) view_->ShowTrayMenu();
  if (event == TrayEvent::LeftDoubleClick) Open();
}

void MainWindow::Help() {
  if (parts_.host.OpenMaximized(CLog::GetProgramPathWith(identity::kHelpFile)) > 32) return;
  CLog::Error("Unable to launch help file");
  view_->ShowMessage("Unable to launch help file", BoxIcon::None);
}

void MainWindow::ChangeTheme(std::uint32_t command) {
  platform::IMenu* menu = view_->ThemeMenu();
  platform::IMenu* popup = menu ? menu->GetSubMenu(0) : nullptr;
  if (!popup) return;
  auto stateOf = [&](platform::MenuItemState& state) {
    for (int position = 0; position < popup->GetItemCount(); ++position)
      if (popup->GetItemId(position) == command) return popup->GetItemState(position, state);
    return false;
  };
  platform::MenuItemState before, after;
  bool found = stateOf(before);
  popup->CheckRadioByCommand(ID_THEME_FIRST, ID_THEME_LAST, command);
  // An item that already carried the mark is the theme in use: nothing to do.
  if (!stateOf(after) || (found && before.checked == after.checked)) return;
  const std::string& name = after.text;
  if (!parts_.themes.GetThemeObject(name, &parts_.currentTheme)) parts_.currentTheme.FullAssign(parts_.defaultTheme);
  // The choice is kept even when the theme cannot be loaded now; the key is
  // made first so that a user who never ran "/startup" keeps it too.
  CRegistry registry;
  registry.CreateKey(HKeyCurrentUser, kProductKey);
  registry.SetValue(HKeyCurrentUser, kProductKey, kThemeValue, name);
  ApplyThemeColors();
  view_->Repaint();
}

std::string MainWindow::BackgroundFile() const {
  return parts_.currentTheme.IsPathValid() ? parts_.currentTheme.backgroundPath : std::string();
}

Point MainWindow::OnPositionChanging(const Rect& proposed) {
  Rect area = view_->WorkArea();
  return {Snap(proposed.left, proposed.right - proposed.left, area.left, area.right),
          Snap(proposed.top, proposed.bottom - proposed.top, area.top, area.bottom)};
}

}  // namespace qm::app
