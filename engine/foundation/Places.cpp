#include "engine/foundation/Places.h"

#include <map>

#include "platform/Text.h"

namespace qm {

WindowsSwitch Location::Switch() const {
  switch (kind) {
    case EntryKind::Startup: return RunSwitch(root);
    case EntryKind::Shortcut: return StartupFolderSwitch(root);
    case EntryKind::Service: break;
  }
  return {};
}

const std::vector<Location>& Locations() {
  static const std::vector<Location> base = {
      {EntryKind::Startup, HKeyCurrentUser, kRunKey, nullptr, kStoredRunKey, kStoredRunSelectionsKey, kRunReturnedMark,
       PlaceRights::User},
      {EntryKind::Startup, HKeyLocalMachine, kRunKey, nullptr, kStoredRunKey, kStoredRunSelectionsKey,
       kRunReturnedMark, PlaceRights::Machine},
      {EntryKind::Service, HKeyLocalMachine, kRunServicesKey, nullptr, kStoredRunServicesKey,
       kStoredRunServicesSelectionsKey, kRunServicesReturnedMark, PlaceRights::Machine},
      {EntryKind::Shortcut, HKeyCurrentUser, nullptr, "Startup", kStoredShcKey, kStoredShcSelectionsKey,
       kShcReturnedMark, PlaceRights::User},
      {EntryKind::Shortcut, HKeyLocalMachine, nullptr, "Common Startup", kStoredShcKey, kStoredShcSelectionsKey,
       kShcReturnedMark, PlaceRights::Machine},
  };
  const RegKey other = OtherPublicView();
  if (other == platform::kNoKey) return base;
  // One table per other view, made once: callers keep pointers into it.
  static std::map<RegKey, std::vector<Location>> withViews;
  std::vector<Location>& rows = withViews[other];
  if (rows.empty())
    for (const Location& row : base) {
      rows.push_back(row);
      // The startup folders are no registry keys: one common folder for both views.
      if (row.windowsKey && row.root == HKeyLocalMachine) {
        rows.push_back(row);
        rows.back().root = other;
      }
    }
  return rows;
}

const Location* LocationOf(EntryKind kind, RegKey root) {
  for (const Location& row : Locations())
    if (row.kind == kind && row.root == root) return &row;
  return nullptr;
}

std::vector<RegKey> RootsOf(EntryKind kind) {
  std::vector<RegKey> roots;
  for (const Location& row : Locations())
    if (row.kind == kind) roots.push_back(row.root);
  return roots;
}

const char* KindName(EntryKind kind) {
  switch (kind) {
    case EntryKind::Startup: return "startup";
    case EntryKind::Service: return "service";
    case EntryKind::Shortcut: return "shortcut";
  }
  return "";
}

bool KindFromName(const std::string& text, EntryKind* kind) {
  for (EntryKind each : kEntryKinds)
    if (text == KindName(each)) {
      *kind = each;
      return true;
    }
  return false;
}

const char* RootLogName(RegKey root) {
  if (root == HKeyCurrentUser) return "HKCU";
  if (root == platform::kHklm64View) return "HKLM (64-bit view)";
  if (root == platform::kHklm32View) return "HKLM (32-bit view)";
  return "HKLM";
}

bool IsPlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || std::string("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string::npos) return false;
  // A device name is reserved with any extension: "nul.txt" is the device too.
  const std::string stem = platform::FoldCase(name.substr(0, name.find('.')));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices)
    if (stem == platform::FoldCase(device)) return false;
  if (stem.size() == 4 && (stem.compare(0, 3, platform::FoldCase("COM")) == 0 ||
                           stem.compare(0, 3, platform::FoldCase("LPT")) == 0) &&
      stem[3] >= '1' && stem[3] <= '9')
    return false;
  return true;
}

}  // namespace qm
