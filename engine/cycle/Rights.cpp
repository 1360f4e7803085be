#include "engine/cycle/Rights.h"

#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "engine/shortcuts/ShortcutStorage.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"

namespace qm::cycle {
namespace {

// Opens the key with the right to set values and closes it again; makes it
// where it is missing and make is true.
bool KeyTakesWrites(RegKey root, const char* path, bool make) {
  platform::IRegistryStore* store = platform::Current<platform::IRegistryStore>();
  if (!store) return false;
  RegKey key = platform::kNoKey;
  long status = store->OpenKey(root, path, platform::kKeySetValue, &key);
  if (status == platform::kErrorFileNotFound && make) status = store->CreateKey(root, path, platform::kKeySetValue, &key);
  if (status != platform::kErrorSuccess) return false;
  store->CloseKey(key);
  return true;
}

bool PlaceTakesWrites(const Location& row) {
  // The returned mark and the Init flags live under the root's product key.
  if (!KeyTakesWrites(row.root, kProductKey, true) || !KeyTakesWrites(row.root, row.storedKey, true)) return false;
  if (row.windowsKey) return KeyTakesWrites(row.root, row.windowsKey, true);
  // A folder not named or not there holds nothing to take or to give back.
  std::string folder;
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  if (!shortcuts::StartupFolder(row.root, &folder) || !files || !files->IsDirectory(folder)) return true;
  return shortcuts::FolderTakesWrites(folder);
}

}  // namespace

WritablePlaces WritablePlaces::Everywhere() {
  WritablePlaces places;
  for (const Location& row : Locations()) places.writable_.insert(&row);
  return places;
}

WritablePlaces WritablePlaces::Probe() {
  WritablePlaces places;
  for (const Location& row : Locations())
    if (PlaceTakesWrites(row)) places.writable_.insert(&row);
  return places;
}

bool WritablePlaces::Machine() const {
  for (const Location& row : Locations())
    if (row.needs == PlaceRights::Machine && !May(row)) return false;
  return true;
}

std::vector<RegKey> WritablePlaces::RootsOf(EntryKind kind) const {
  std::vector<RegKey> roots;
  for (const Location& row : Locations())
    if (row.kind == kind && May(row)) roots.push_back(row.root);
  return roots;
}

}  // namespace qm::cycle
