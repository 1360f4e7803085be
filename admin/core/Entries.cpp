#include "admin/core/Entries.h"

#include <algorithm>
#include <map>
#include <set>

#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/StoredKeys.h"
#include "engine/shortcuts/ShortcutStorage.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"
#include "platform/Text.h"
#include "platform/portable/ShellLinkFile.h"

namespace qm::admin {
namespace {

using platform::IRegistryStore;

// An open key of the store, closed on every path.
class OpenKey {
 public:
  OpenKey() : store_(platform::Current<IRegistryStore>()) {}
  ~OpenKey() {
    if (key_ != platform::kNoKey) store_->CloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  long Open(RegKey root, const char* path) { return store_ ? store_->OpenKey(root, path, &key_) : -1; }
  long Create(RegKey root, const char* path) { return store_ ? store_->CreateKey(root, path, &key_) : -1; }
  IRegistryStore* store() const { return store_; }
  RegKey key() const { return key_; }

 private:
  IRegistryStore* store_;
  RegKey key_ = platform::kNoKey;
};

// The longest value name the registry allows, terminator included.
constexpr std::uint32_t kNameLimit = 16384;

bool QueryOpen(OpenKey& key, const std::string& name, Value* value) {
  std::uint32_t size = 0, type = 0;
  if (key.store()->QueryValue(key.key(), name.c_str(), &type, nullptr, &size) != platform::kErrorSuccess) return false;
  // The value may grow between the two calls; ask again with what it needs then.
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::vector<std::uint8_t> data(size ? size : 1);
    std::uint32_t got = static_cast<std::uint32_t>(data.size());
    long status = key.store()->QueryValue(key.key(), name.c_str(), &type, data.data(), &got);
    if (status == platform::kErrorMoreData) {
      size = got;
      continue;
    }
    if (status != platform::kErrorSuccess) return false;
    data.resize(got);
    *value = Value{name, type, std::move(data)};
    return true;
  }
  return false;
}

bool ReadFlags(const Location& location, std::vector<Value>* flags) { return ReadValues(location.root, location.selectionsKey, flags); }

int FlagOf(const std::vector<Value>& flags, const std::string& name) {
  for (const Value& flag : flags) {
    if (flag.type == platform::kRegDword && flag.data.size() == 4 && platform::EqualsNoCase(flag.name, name))
      return static_cast<int>(flag.data[0] | flag.data[1] << 8 | flag.data[2] << 16 | static_cast<std::uint32_t>(flag.data[3]) << 24);
  }
  return -1;
}

Entry EntryAt(const Location& location, Place place, const std::string& name) {
  Entry entry;
  entry.kind = location.kind;
  entry.root = location.root;
  entry.place = place;
  entry.name = name;
  return entry;
}

bool CollectFolder(const Location& location, const std::vector<Value>& flags, std::vector<Entry>* entries,
                   std::string* error) {
  std::string folder;
  if (!StartupFolder(location, &folder)) return true;  // no folder named: no shortcuts stand there
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  if (!files || !files->IsDirectory(folder)) return true;
  std::vector<platform::DirEntry> found;
  if (!files->List(folder, shortcuts::kLinkPattern, found)) {
    *error = "cannot list the folder " + folder;
    return false;
  }
  for (const platform::DirEntry& file : found) {
    if (file.isDirectory) continue;
    Entry entry = EntryAt(location, Place::Windows, file.name.substr(0, file.name.size() - 4));
    if (files->ReadAll(folder + "\\" + file.name, entry.data) != platform::FsResult::Ok) {
      *error = "cannot read " + folder + "\\" + file.name;
      return false;
    }
    entry.flag = FlagOf(flags, entry.name);
    entries->push_back(std::move(entry));
  }
  return true;
}

bool CollectKey(const Location& location, Place place, const char* key, const std::vector<Value>& flags,
                std::vector<Entry>* entries, std::string* error) {
  std::vector<Value> values;
  if (!ReadValues(location.root, key, &values)) {
    *error = std::string("cannot list ") + RootName(location.root) + " " + key;
    return false;
  }
  for (Value& value : values) {
    Entry entry = EntryAt(location, place, value.name);
    entry.type = value.type;
    entry.data = std::move(value.data);
    entry.flag = FlagOf(flags, entry.name);
    entries->push_back(std::move(entry));
  }
  return true;
}

}  // namespace

const std::vector<Location>& Locations() {
  static const std::vector<Location> base = {
      {Kind::Startup, HKeyCurrentUser, kRunKey, kStoredRunKey, kStoredRunSelectionsKey, nullptr},
      {Kind::Startup, HKeyLocalMachine, kRunKey, kStoredRunKey, kStoredRunSelectionsKey, nullptr},
      {Kind::Service, HKeyLocalMachine, kRunServicesKey, kStoredRunServicesKey, kStoredRunServicesSelectionsKey,
       nullptr},
      {Kind::Shortcut, HKeyCurrentUser, nullptr, kStoredShcKey, kStoredShcSelectionsKey, "Startup"},
      {Kind::Shortcut, HKeyLocalMachine, nullptr, kStoredShcKey, kStoredShcSelectionsKey, "Common Startup"},
  };
  const RegKey other = OtherPublicView();
  if (other == platform::kNoKey) return base;
  // One list per other view, made once: callers keep pointers into it.
  static std::map<RegKey, std::vector<Location>> withViews;
  std::vector<Location>& locations = withViews[other];
  if (locations.empty())
    for (const Location& location : base) {
      locations.push_back(location);
      if (location.windowsKey && location.root == HKeyLocalMachine) {
        locations.push_back(location);
        locations.back().root = other;
      }
    }
  return locations;
}

const Location* LocationOf(Kind kind, RegKey root) {
  for (const Location& location : Locations())
    if (location.kind == kind && location.root == root) return &location;
  return nullptr;
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Startup: return "startup";
    case Kind::Service: return "service";
    case Kind::Shortcut: return "shortcut";
  }
  return "";
}

bool KindFromName(const std::string& text, Kind* kind) {
  for (Kind each : {Kind::Startup, Kind::Service, Kind::Shortcut}) {
    if (text == KindName(each)) {
      *kind = each;
      return true;
    }
  }
  return false;
}

const char* RootName(RegKey root) { return IsPublicRoot(root) ? "machine" : "user"; }

const char* ViewName(RegKey root) {
  if (!IsPublicRoot(root) || OtherPublicView() == platform::kNoKey) return "";
  return IsThirtyTwoBitView(root) ? "32" : "64";
}
const char* PlaceName(Place place) { return place == Place::Windows ? "windows" : "stored"; }

bool StartupFolder(const Location& location, std::string* folder) {
  Value value;
  if (!location.shellFolder || !ReadValue(location.root, kShellFoldersKey, location.shellFolder, &value)) return false;
  *folder = TextOf(value.data);
  return !folder->empty();
}

bool CollectEntries(std::vector<Entry>* entries, std::string* error) {
  entries->clear();
  for (const Location& location : Locations()) {
    std::vector<Value> flags;
    if (!ReadFlags(location, &flags)) {
      *error = std::string("cannot list ") + RootName(location.root) + " " + location.selectionsKey;
      return false;
    }
    std::size_t first = entries->size();
    bool read = location.windowsKey ? CollectKey(location, Place::Windows, location.windowsKey, flags, entries, error)
                                    : CollectFolder(location, flags, entries, error);
    std::set<std::string> standing;
    for (std::size_t i = first; i < entries->size(); ++i) standing.insert(platform::FoldCase((*entries)[i].name));
    std::vector<Entry> stored;
    if (!read || !CollectKey(location, Place::Stored, location.storedKey, flags, &stored, error)) return false;
    // A return copies entries back and keeps their stored copies; where an
    // entry stands where Windows reads it, that copy is the entry (it wins at
    // every later step), and the stored one is no entry of its own.
    for (Entry& entry : stored)
      if (!standing.count(platform::FoldCase(entry.name))) entries->push_back(std::move(entry));
  }
  return true;
}

std::string CommandOf(const Entry& entry) {
  if (entry.kind != Kind::Shortcut) return TextOf(entry.data);
  platform::ShellLinkData link;
  if (!platform::DecodeShellLink(entry.data, link)) return "";
  std::string command = link.target;
  if (link.hasText[platform::ShellLinkData::kArguments])
    command += " " + platform::Utf16ToAnsi(link.text[platform::ShellLinkData::kArguments]);
  return command;
}

ProgramDescription ProgramOf(const Entry& entry) {
  std::string path;
  if (entry.kind == Kind::Shortcut) {
    platform::ShellLinkData link;
    if (!platform::DecodeShellLink(entry.data, link)) return {};
    path = link.target;
  } else {
    std::string argument;
    entries::SplitOrWhole(TextOf(entry.data), &path, &argument);
  }
  return DescribeProgram(path);
}

bool ReadValues(RegKey root, const char* path, std::vector<Value>* values) {
  values->clear();
  OpenKey key;
  long opened = key.Open(root, path);
  if (opened == platform::kErrorFileNotFound) return true;
  if (opened != platform::kErrorSuccess) return false;
  std::vector<char> name(kNameLimit);
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t nameSize = kNameLimit;
    long status = key.store()->EnumValue(key.key(), index, name.data(), &nameSize, nullptr, nullptr, nullptr);
    if (status == platform::kErrorNoMoreItems) return true;
    Value value;
    if (status != platform::kErrorSuccess || !QueryOpen(key, std::string(name.data(), nameSize), &value)) {
      values->clear();
      return false;
    }
    values->push_back(std::move(value));
  }
}

bool ReadValue(RegKey root, const char* path, const std::string& name, Value* value) {
  OpenKey key;
  return key.Open(root, path) == platform::kErrorSuccess && QueryOpen(key, name, value);
}

bool WriteValue(RegKey root, const char* path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) {
  OpenKey key;
  if (key.Create(root, path) != platform::kErrorSuccess) return false;
  std::uint8_t none = 0;
  return key.store()->SetValue(key.key(), name.c_str(), type, data.empty() ? &none : data.data(),
                               static_cast<std::uint32_t>(data.size())) == platform::kErrorSuccess;
}

bool DeleteValue(RegKey root, const char* path, const std::string& name) {
  OpenKey key;
  long opened = key.Open(root, path);
  if (opened == platform::kErrorFileNotFound) return true;
  if (opened != platform::kErrorSuccess) return false;
  long status = key.store()->DeleteValue(key.key(), name.c_str());
  return status == platform::kErrorSuccess || status == platform::kErrorFileNotFound;
}

std::string TextOf(const std::vector<std::uint8_t>& data) {
  auto end = std::find(data.begin(), data.end(), 0);
  return std::string(data.begin(), end);
}

std::vector<std::uint8_t> TextData(const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  return data;
}

bool WriteFileWhole(const std::string& folder, const std::string& path, const std::vector<std::uint8_t>& bytes) {
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  if (!files) return false;
  std::string partial = folder + "\\" + shortcuts::kPartialFileName;
  if (files->WriteAll(partial, bytes) != platform::FsResult::Ok ||
      files->Move(partial, path, true) != platform::FsResult::Ok) {
    files->Delete(partial);
    return false;
  }
  return true;
}

}  // namespace qm::admin
