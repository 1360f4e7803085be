#include "platform/portable/MemoryRegistryStore.h"

#include <algorithm>
#include <cstring>

#include "platform/Text.h"

namespace qm::platform {
namespace {

// The registry refuses key names longer than this.
constexpr std::size_t kMaxKeyNameLength = 255;

bool IsTextType(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }  // SZ, EXPAND_SZ, MULTI_SZ

std::vector<std::string> SplitPath(const char* path) {
  std::vector<std::string> parts;
  std::string current;
  for (const char* p = path; p && *p; ++p) {
    if (*p == '\\') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += *p;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

}  // namespace

MemoryRegistryStore::MemoryRegistryStore() {
  for (RegKey root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
    auto key = std::make_unique<Key>();
    key->name = root == kHkeyCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
    roots_[root] = std::move(key);
  }
}

MemoryRegistryStore::~MemoryRegistryStore() = default;

MemoryRegistryStore::Key* MemoryRegistryStore::Resolve(RegKey key) {
  if (auto root = roots_.find(key); root != roots_.end()) return root->second.get();
  if (auto open = handles_.find(key); open != handles_.end()) return open->second.key;
  return nullptr;
}

long MemoryRegistryStore::ResolveFor(RegKey handle, KeyAccess needed, Key** key) {
  *key = Resolve(handle);
  if (!*key) return Fail(kErrorInvalidHandle);
  if ((*key)->deleted) return Fail(kErrorKeyDeleted);
  // The predefined roots answer every right the process has.
  auto open = handles_.find(handle);
  if (open != handles_.end() && (open->second.access & needed) != needed) return Fail(kErrorAccessDenied);
  if ((needed & kKeySetValue) && !Writable(*key)) return Fail(kErrorAccessDenied);
  return kErrorSuccess;
}

RegKey MemoryRegistryStore::NewHandle(Key* key, KeyAccess access) {
  RegKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = Handle{key, access};
  return handle;
}

bool MemoryRegistryStore::Redirected(RegKey root) const {
  if (otherView == kNoKey) return false;
  if (root == kHklm32View) return true;
  return root == kHkeyLocalMachine && otherView == kHklm64View;
}

std::vector<std::string> MemoryRegistryStore::PartsOf(RegKey* root, const char* path) {
  const bool redirected = Redirected(*root);
  if (*root == kHklm64View || *root == kHklm32View) *root = kHkeyLocalMachine;
  auto parts = SplitPath(path);
  // Only Software is kept twice; a path that names Wow6432Node itself is not redirected again.
  if (redirected && !parts.empty() && FoldCase(parts[0]) == FoldCase("Software") &&
      (parts.size() < 2 || FoldCase(parts[1]) != FoldCase("Wow6432Node")))
    parts.insert(parts.begin() + 1, "Wow6432Node");
  return parts;
}

void MemoryRegistryStore::DenyWrites(RegKey root, const std::string& path) {
  auto parts = path.empty() ? std::vector<std::string>() : PartsOf(&root, path.c_str());
  if (root == kHklm64View || root == kHklm32View) root = kHkeyLocalMachine;
  for (auto& part : parts) part = FoldCase(part);
  denied_.emplace_back(root, std::move(parts));
}

void MemoryRegistryStore::AllowWrites() { denied_.clear(); }

bool MemoryRegistryStore::Writable(const Key* key) const {
  if (denied_.empty()) return true;
  std::vector<std::string> parts;
  while (key->parent) {
    parts.insert(parts.begin(), FoldCase(key->name));
    key = key->parent;
  }
  RegKey root = kNoKey;
  for (const auto& [handle, top] : roots_)
    if (top.get() == key) root = handle;
  for (const auto& [deniedRoot, prefix] : denied_)
    if (deniedRoot == root && prefix.size() <= parts.size() && std::equal(prefix.begin(), prefix.end(), parts.begin()))
      return false;
  return true;
}

long MemoryRegistryStore::Walk(RegKey parent, const char* path, bool create, KeyAccess access, RegKey* result) {
  if (!result) return Fail(kErrorInvalidParameter);
  RegKey start = parent;
  auto parts = PartsOf(&start, path);
  Key* key = Resolve(start);
  if (!key) return Fail(kErrorInvalidHandle);
  if (key->deleted) return Fail(kErrorKeyDeleted);
  for (const auto& part : parts)
    if (part.size() > kMaxKeyNameLength) return Fail(kErrorInvalidParameter);
  for (const auto& part : parts) {
    auto it = key->subkeys.find(FoldCase(part));
    if (it == key->subkeys.end()) {
      if (!create) return Fail(kErrorFileNotFound);
      // Only a key that must be made needs the right to write where it goes.
      if (!Writable(key)) return Fail(kErrorAccessDenied);
      auto child = std::make_unique<Key>();
      child->name = part;
      child->parent = key;
      it = key->subkeys.emplace(FoldCase(part), std::move(child)).first;
    }
    key = it->second.get();
  }
  if (WritesWith(access) && !Writable(key)) return Fail(kErrorAccessDenied);
  *result = NewHandle(key, access);
  return kErrorSuccess;
}

long MemoryRegistryStore::OpenKey(RegKey parent, const char* path, KeyAccess access, RegKey* result) {
  return Walk(parent, path, false, access, result);
}

long MemoryRegistryStore::CreateKey(RegKey parent, const char* path, KeyAccess access, RegKey* result) {
  return Walk(parent, path, true, access, result);
}

long MemoryRegistryStore::CloseKey(RegKey key) {
  // Closing a predefined key is harmless.
  if (roots_.count(key) || key == kHklm64View || key == kHklm32View) return kErrorSuccess;
  if (handles_.erase(key) == 0) return Fail(kErrorInvalidHandle);
  return kErrorSuccess;
}

MemoryRegistryStore::Value* MemoryRegistryStore::ValueList::Find(const std::string& name) {
  auto it = byName_.find(FoldCase(name));
  return it == byName_.end() ? nullptr : &byCreation_.find(it->second)->second;
}

MemoryRegistryStore::Value* MemoryRegistryStore::ValueList::At(std::size_t index) {
  return index < Size() ? &byCreation_.find_by_order(index)->second : nullptr;
}

void MemoryRegistryStore::ValueList::Add(Value value) {
  std::uint64_t number = next_++;
  byName_[FoldCase(value.name)] = number;
  byCreation_.insert({number, std::move(value)});
}

void MemoryRegistryStore::ValueList::Erase(const std::string& name) {
  auto it = byName_.find(FoldCase(name));
  if (it == byName_.end()) return;
  byCreation_.erase(it->second);
  byName_.erase(it);
}

long MemoryRegistryStore::QueryValue(RegKey handle, const char* name, std::uint32_t* type, std::uint8_t* data,
                                     std::uint32_t* size) {
  Key* key = nullptr;
  if (long error = ResolveFor(handle, kKeyQueryValue, &key); error != kErrorSuccess) return error;
  if (data && !size) return Fail(kErrorInvalidParameter);
  Value* value = key->values.Find(name ? name : "");
  if (!value) return Fail(kErrorFileNotFound);
  if (type) *type = value->type;
  auto needed = static_cast<std::uint32_t>(value->data.size());
  if (data) {
    if (*size < needed) {
      *size = needed;
      return Fail(kErrorMoreData);
    }
    std::copy(value->data.begin(), value->data.end(), data);
  }
  if (size) *size = needed;
  return kErrorSuccess;
}

long MemoryRegistryStore::SetValue(RegKey handle, const char* name, std::uint32_t type, const std::uint8_t* data,
                                   std::uint32_t size) {
  Key* key = nullptr;
  if (long error = ResolveFor(handle, kKeySetValue, &key); error != kErrorSuccess) return error;
  if (!data && size) return Fail(kErrorInvalidParameter);
  // As RegSetValueExA does: a text whose size leaves out its terminating NUL
  // is stored with it, so that every reader finds the text terminated. The
  // system looks at the byte after the caller's buffer to decide; this store
  // never reads there and adds the NUL to every unterminated text (a caller's
  // C string, the one case the engines produce, comes out the same).
  std::vector<std::uint8_t> bytes(data, data + size);
  if (IsTextType(type) && size > 0 && data[size - 1] != 0) bytes.push_back(0);
  if (Value* existing = key->values.Find(name ? name : "")) {
    // An overwritten value keeps its place and the spelling it was created with.
    existing->type = type;
    existing->data = std::move(bytes);
  } else {
    key->values.Add(Value{name ? name : "", type, std::move(bytes)});
  }
  return kErrorSuccess;
}

long MemoryRegistryStore::DeleteValue(RegKey handle, const char* name) {
  Key* key = nullptr;
  if (long error = ResolveFor(handle, kKeySetValue, &key); error != kErrorSuccess) return error;
  if (!key->values.Find(name ? name : "")) return Fail(kErrorFileNotFound);
  key->values.Erase(name ? name : "");
  return kErrorSuccess;
}

long MemoryRegistryStore::DeleteKey(RegKey handle, const char* subkey) {
  RegKey child = kNoKey;
  // As RegDeleteKeyA: the subkey is opened for deletion; the parent's rights do not matter.
  if (long error = OpenKey(handle, subkey, kKeyRead, &child); error != kErrorSuccess) return error;
  Key* victim = handles_[child].key;
  CloseKey(child);
  if (!Writable(victim)) return Fail(kErrorAccessDenied);
  if (!victim->parent) return Fail(kErrorAccessDenied);  // a root is not deleted
  if (!victim->subkeys.empty()) return Fail(kErrorAccessDenied);
  auto& siblings = victim->parent->subkeys;
  auto it = siblings.find(FoldCase(victim->name));
  victim->deleted = true;
  deletedKeys_.push_back(std::move(it->second));
  siblings.erase(it);
  return kErrorSuccess;
}

long MemoryRegistryStore::EnumKey(RegKey handle, std::uint32_t index, char* name, std::uint32_t* nameSize) {
  Key* key = nullptr;
  if (long error = ResolveFor(handle, kKeyEnumerateSubKeys, &key); error != kErrorSuccess) return error;
  if (!name || !nameSize) return Fail(kErrorInvalidParameter);
  if (index >= key->subkeys.size()) return Fail(kErrorNoMoreItems);
  const std::string& found = std::next(key->subkeys.begin(), index)->second->name;
  if (found.size() + 1 > *nameSize) return Fail(kErrorMoreData);
  std::memcpy(name, found.c_str(), found.size() + 1);
  *nameSize = static_cast<std::uint32_t>(found.size());
  return kErrorSuccess;
}

long MemoryRegistryStore::EnumValue(RegKey handle, std::uint32_t index, char* name, std::uint32_t* nameSize,
                                    std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
  Key* key = nullptr;
  if (long error = ResolveFor(handle, kKeyQueryValue, &key); error != kErrorSuccess) return error;
  if (!name || !nameSize || (data && !dataSize)) return Fail(kErrorInvalidParameter);
  const Value* found = key->values.At(index);
  if (!found) return Fail(kErrorNoMoreItems);
  const Value& value = *found;
  if (value.name.size() + 1 > *nameSize) return Fail(kErrorMoreData);
  auto needed = static_cast<std::uint32_t>(value.data.size());
  if (data && needed > *dataSize) {
    *dataSize = needed;
    return Fail(kErrorMoreData);
  }
  std::memcpy(name, value.name.c_str(), value.name.size() + 1);
  *nameSize = static_cast<std::uint32_t>(value.name.size());
  if (type) *type = value.type;
  if (data) std::copy(value.data.begin(), value.data.end(), data);
  if (dataSize) *dataSize = needed;
  return kErrorSuccess;
}

}  // namespace qm::platform
