#include "engine/catalog/Catalog.h"

#include <set>

#include "engine/catalog/Impact.h"

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/CommandLine.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/WholeValues.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "engine/shortcuts/ShortcutStorage.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace qm::catalog {
namespace {

platform::IFileSystem* Files() { return platform::Current<platform::IFileSystem>(); }

int FlagIn(const std::vector<WholeValue>& flags, const std::string& name) {
  for (const WholeValue& flag : flags)
    if (flag.type == platform::kRegDword && platform::EqualsNoCase(flag.name, name)) {
      long long number = NumberOf(flag);
      if (number >= 0) return static_cast<int>(number);
    }
  return -1;
}

Entry EntryAt(const Location& row, EntryPlace place, const std::string& name) {
  Entry entry;
  entry.ref = EntryRef{row.kind, row.root, place, name};
  return entry;
}

bool ListFolder(const Location& row, const std::vector<WholeValue>& flags, std::vector<Entry>* entries,
                std::string* error) {
  std::string folder;
  if (!StartupFolderOf(row.root, &folder)) return true;  // no folder named: no shortcuts stand there
  platform::IFileSystem* files = Files();
  if (!files || !files->IsDirectory(folder)) return true;
  std::vector<platform::DirEntry> found;
  if (!files->List(folder, shortcuts::kLinkPattern, found)) {
    *error = "cannot list the folder " + folder;
    return false;
  }
  for (const platform::DirEntry& file : found) {
    if (file.isDirectory) continue;
    Entry entry = EntryAt(row, EntryPlace::Windows, file.name.substr(0, file.name.size() - 4));
    if (files->ReadAll(folder + "\\" + file.name, entry.data) != platform::FsResult::Ok) {
      *error = "cannot read " + folder + "\\" + file.name;
      return false;
    }
    entry.flag = FlagIn(flags, entry.ref.name);
    entries->push_back(std::move(entry));
  }
  return true;
}

bool ListKey(const Location& row, EntryPlace place, const std::vector<WholeValue>& flags, std::vector<Entry>* entries,
             std::string* error) {
  const char* key = row.KeyOf(place);
  std::vector<WholeValue> values;
  if (!ReadWholeValues(row.root, key, &values)) {
    *error = std::string("cannot list ") + ScopeName(row.root) + " " + key;
    return false;
  }
  for (WholeValue& value : values) {
    Entry entry = EntryAt(row, place, value.name);
    entry.type = value.type;
    entry.data = std::move(value.data);
    entry.flag = FlagIn(flags, entry.ref.name);
    entries->push_back(std::move(entry));
  }
  return true;
}

bool ListRow(const Location& row, EntryPlace place, std::vector<Entry>* entries, std::string* error) {
  std::vector<WholeValue> flags;
  if (!ReadWholeValues(row.root, row.selectionsKey, &flags)) {
    *error = std::string("cannot list ") + ScopeName(row.root) + " " + row.selectionsKey;
    return false;
  }
  if (place == EntryPlace::Windows && !row.windowsKey) return ListFolder(row, flags, entries, error);
  return ListKey(row, place, flags, entries, error);
}

int FallbackImage(EntryKind kind) {
  switch (kind) {
    case EntryKind::Service: return 0;
    case EntryKind::Startup: return 1;
    case EntryKind::Shortcut: return 2;
  }
  return 0;
}

std::string ValueText(const EntryRef& ref) {
  const Location* row = ref.Row();
  std::string text;
  if (!row || !CRegistry().GetValue(ref.root, row->KeyOf(ref.place), ref.name.c_str(), &text)) return "";
  return text;
}

bool PlaceHoldsNoCase(const EntryRef& ref) {
  const Location* row = ref.Row();
  if (!row) return true;
  if (ref.kind != EntryKind::Shortcut) return entries::HoldsNameNoCase(ref.root, row->KeyOf(ref.place), ref.name);
  std::vector<std::string> names, paths;
  std::string folder;
  if (ref.place == EntryPlace::Stored) {
    if (!shortcuts::StoredNames(ref.root, &names)) {
      std::vector<std::string> none;
      // A stored location not made yet holds nothing.
      CRegistry registry;
      return !(registry.EnumerateValueNames(ref.root, row->storedKey, &none) == 0 &&
               registry.lastError == static_cast<std::uint32_t>(platform::kErrorFileNotFound));
    }
    for (const std::string& held : names)
      if (platform::EqualsNoCase(held, ref.name)) return true;
    return shortcuts::StoreAnswersTo(ref.root, ref.name);
  }
  if (!shortcuts::StartupFolder(ref.root, &folder)) return false;
  if (!shortcuts::ListShortcuts(folder, &names, &paths)) return true;
  for (const std::string& held : names)
    if (platform::EqualsNoCase(held, ref.name)) return true;
  // The file system may fold letters our comparison does not know.
  platform::IFileSystem* files = Files();
  std::string file = shortcuts::FileOf(folder, ref.name);
  return files && files->Exists(file);
}

}  // namespace

// The operations themselves; the public ones add what follows an entry (its
// delay, its kept starts).
bool RemoveEntry(const EntryRef& ref);
bool ModifyEntry(const EntryRef& from, const EntryRef& to, const std::string& path, const std::string& argument,
                 platform::IconHandle* icon);
bool RenameEntry(const EntryRef& ref, const std::string& newName);

bool SameEntry(const EntryRef& a, const EntryRef& b) {
  return a.kind == b.kind && a.root == b.root && a.place == b.place && platform::EqualsNoCase(a.name, b.name);
}

bool ListPlace(EntryKind kind, EntryPlace place, std::vector<Entry>* entries, std::string* error) {
  entries->clear();
  for (const Location& row : Locations())
    if (row.kind == kind && !ListRow(row, place, entries, error)) return false;
  return true;
}

bool ListAll(std::vector<Entry>* entries, std::string* error) {
  entries->clear();
  for (const Location& row : Locations()) {
    std::size_t first = entries->size();
    if (!ListRow(row, EntryPlace::Windows, entries, error)) return false;
    std::set<std::string> standing;
    for (std::size_t i = first; i < entries->size(); ++i) standing.insert(platform::FoldCase((*entries)[i].ref.name));
    std::vector<Entry> stored;
    if (!ListRow(row, EntryPlace::Stored, &stored, error)) return false;
    for (Entry& entry : stored)
      if (!standing.count(platform::FoldCase(entry.ref.name))) entries->push_back(std::move(entry));
  }
  return true;
}

int Populate(EntryKind kind, EntryPlace place, platform::ITreeControl* tree, platform::TreeItem parent,
             std::vector<std::pair<platform::TreeItem, EntryRef>>* items) {
  std::vector<std::pair<platform::TreeItem, RegKey>> roots;
  const int selector = SelectorOf(place);
  int result = 0;
  switch (kind) {
    case EntryKind::Service:
      result = entries::PopulateEntries(entries::RunServiceEntries(), tree, parent, selector, FallbackImage(kind), &roots);
      break;
    case EntryKind::Startup:
      result = entries::PopulateEntries(entries::RunEntries(), tree, parent, selector, FallbackImage(kind), &roots);
      break;
    case EntryKind::Shortcut:
      result = CShortcutEngineer().PopulateShcEntries(tree, parent, selector, &roots);
      break;
  }
  if (items)
    for (const auto& [item, root] : roots) items->emplace_back(item, EntryRef{kind, root, place, tree->GetItemText(item)});
  return result;
}

int AddImage(EntryKind kind, platform::ITreeControl* tree, const std::string& path, platform::IconHandle icon) {
  if (kind == EntryKind::Shortcut) return CShortcutEngineer().AddShortcutImageToTreeCtrl(tree, icon);
  return AddProgramImage(tree, path, FallbackImage(kind));
}

std::string CommandLineOf(const EntryRef& ref) {
  if (ref.kind != EntryKind::Shortcut) return ValueText(ref);
  std::string folder;
  StartupFolderOf(ref.root, &folder);
  return shortcuts::FileOf(folder, ref.name);
}

std::string ProgramOf(const EntryRef& ref) {
  if (ref.kind == EntryKind::Shortcut) {
    std::string target;
    return CShortcutEngineer().GetShortcutTargetAt(ref.root, ref.name, &target, ref.Selector()) == 1 ? target : "";
  }
  std::string path, argument;
  entries::SplitOrWhole(ValueText(ref), &path, &argument);
  return path;
}

bool ReadPathArgument(const EntryRef& ref, std::string* path, std::string* argument) {
  if (ref.kind == EntryKind::Shortcut) {
    std::string newPath, newArgument;
    if (CShortcutEngineer().GetShortcutInfoAt(ref.root, ref.name, &newPath, &newArgument, ref.Selector()) != 1)
      return false;
    *path = newPath;
    *argument = newArgument;
    return true;
  }
  const Location* row = ref.Row();
  std::string commandLine, newPath, newArgument;
  if (!row || !CRegistry().GetValue(ref.root, row->KeyOf(ref.place), ref.name.c_str(), &commandLine) ||
      !SplitPathArgument(commandLine, &newPath, &newArgument))
    return false;
  *path = newPath;
  *argument = newArgument;
  return true;
}

int FlagOf(const EntryRef& ref) {
  const Location* row = ref.Row();
  std::uint32_t flag = 0;
  if (!row || !CRegistry().GetValue(ref.root, row->selectionsKey, ref.name.c_str(), &flag)) return 0;
  return static_cast<int>(flag);
}

bool SetFlag(const EntryRef& ref, int flag) {
  switch (ref.kind) {
    case EntryKind::Service: return CServiceEngineer().SetRunServiceSelectionAt(ref.root, ref.name, flag) == 1;
    case EntryKind::Startup: return CStartupEngineer().SetRunSelectionAt(ref.root, ref.name, flag) == 1;
    case EntryKind::Shortcut: return CShortcutEngineer().SetShcSelectionAt(ref.root, ref.name, flag) == 1;
  }
  return false;
}

bool Launch(const EntryRef& ref, std::unique_ptr<platform::IStartedProcess>* started) {
  switch (ref.kind) {
    case EntryKind::Service:
      return CServiceEngineer().LaunchRunServiceEntryAt(ref.root, ref.name, ref.Selector(), started) == 1;
    case EntryKind::Startup:
      return CStartupEngineer().LaunchRunEntryAt(ref.root, ref.name, ref.Selector(), started) == 1;
    case EntryKind::Shortcut:
      return CShortcutEngineer().LaunchShcEntryAt(ref.root, ref.name, ref.Selector(), started) == 1;
  }
  return false;
}

bool LaunchNow(const EntryRef& ref) {
  switch (ref.kind) {
    case EntryKind::Service: return CServiceEngineer().LaunchRunServiceEntryNowAt(ref.root, ref.name) == 1;
    case EntryKind::Startup: return CStartupEngineer().LaunchRunEntryNowAt(ref.root, ref.name) == 1;
    case EntryKind::Shortcut: return CShortcutEngineer().LaunchShcEntryNowAt(ref.root, ref.name) == 1;
  }
  return false;
}

bool Remove(const EntryRef& ref) {
  if (!RemoveEntry(ref)) return false;
  ForgetEntry(ref);
  return true;
}

bool RemoveEntry(const EntryRef& ref) {
  switch (ref.kind) {
    case EntryKind::Service: return CServiceEngineer().RemoveRunServiceEntryAt(ref.root, ref.name, ref.Selector()) == 1;
    case EntryKind::Startup: return CStartupEngineer().RemoveRunEntryAt(ref.root, ref.name, ref.Selector()) == 1;
    case EntryKind::Shortcut: return CShortcutEngineer().RemoveShcEntryAt(ref.root, ref.name, ref.Selector()) == 1;
  }
  return false;
}

bool Create(const EntryRef& ref, const std::string& path, const std::string& argument, platform::IconHandle* icon) {
  switch (ref.kind) {
    case EntryKind::Service:
      return CServiceEngineer().CreateRunServiceEntryAt(ref.root, ref.name, path, argument, ref.Selector()) == 1;
    case EntryKind::Startup:
      return CStartupEngineer().CreateRunEntryAt(ref.root, ref.name, path, argument, ref.Selector()) == 1;
    case EntryKind::Shortcut:
      return CShortcutEngineer().CreateShcEntryAt(icon, ref.root, ref.name, path, argument, ref.Selector()) == 1;
  }
  return false;
}

bool Modify(const EntryRef& from, const EntryRef& to, const std::string& path, const std::string& argument,
            platform::IconHandle* icon) {
  if (!ModifyEntry(from, to, path, argument, icon)) return false;
  FollowEntry(from, to);
  return true;
}

bool ModifyEntry(const EntryRef& from, const EntryRef& to, const std::string& path, const std::string& argument,
                 platform::IconHandle* icon) {
  if (from.kind != to.kind || from.place != to.place) return false;
  switch (from.kind) {
    case EntryKind::Service:
      // A service has no private side; it stays in the view it stands in.
      return from.root == to.root && CServiceEngineer().ModifyRunServiceEntryAt(from.root, from.name, to.name, path,
                                                                                 argument, from.Selector()) == 1;
    case EntryKind::Startup:
      return CStartupEngineer().ModifyRunEntryAt(from.root, to.root, from.name, to.name, path, argument,
                                                 from.Selector()) == 1;
    case EntryKind::Shortcut:
      return CShortcutEngineer().ModifyShcEntryAt(icon, from.root, to.root, from.name, to.name, path, argument,
                                                  from.Selector()) == 1;
  }
  return false;
}

bool Rename(const EntryRef& ref, const std::string& newName) {
  EntryRef to = ref;
  to.name = newName;
  if (!RenameEntry(ref, newName)) return false;
  FollowEntry(ref, to);
  return true;
}

bool RenameEntry(const EntryRef& ref, const std::string& newName) {
  EntryRef to = ref;
  to.name = newName;
  if (platform::EqualsNoCase(ref.name, newName)) return true;
  if (!IsPlainName(newName) || NameTaken(to)) return false;
  const Location* row = ref.Row();
  if (!row) return false;
  if (ref.kind != EntryKind::Shortcut)
    return entries::CarryEntry(ref.root, ref.root, row->KeyOf(ref.place), row->selectionsKey, ref.name, newName);
  // A shortcut keeps its bytes: the file, or its stored copy, moves under the new name.
  if (ref.place == EntryPlace::Stored)
    return CarryWithFlag(ref.root, ref.root, row->selectionsKey, ref.name, newName, [&] {
      return CRegistry().RenameValue(ref.root, row->storedKey, ref.name.c_str(), newName.c_str()) != 0;
    });
  std::string folder;
  platform::IFileSystem* files = Files();
  if (!files || !StartupFolderOf(ref.root, &folder)) return false;
  const std::string from = shortcuts::FileOf(folder, ref.name), into = shortcuts::FileOf(folder, newName);
  if (!shortcuts::FitsPathBuffer(into)) return false;
  return CarryWithFlag(ref.root, ref.root, row->selectionsKey, ref.name, newName,
                       [&] { return files->Move(from, into, false) == platform::FsResult::Ok; });
}

bool NameTaken(const EntryRef& ref) { return PlaceHoldsNoCase(ref); }

const char* ScopeName(RegKey root) { return IsPublicRoot(root) ? "machine" : "user"; }

const char* ViewName(RegKey root) {
  if (!IsPublicRoot(root) || OtherPublicView() == platform::kNoKey) return "";
  return IsThirtyTwoBitView(root) ? "32" : "64";
}

const char* PlaceName(EntryPlace place) { return place == EntryPlace::Windows ? "windows" : "stored"; }

bool StartupFolderOf(RegKey root, std::string* folder) {
  const Location* row = LocationOf(EntryKind::Shortcut, root);
  WholeValue value;
  if (!row || !ReadWholeValue(root, kShellFoldersKey, row->shellFolder, &value)) return false;
  *folder = TextOf(value.data);
  return !folder->empty();
}

}  // namespace qm::catalog
