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
  if (auto open = handles_.find(key); open != handles_.end()) return open->second;
  return nullptr;
}

RegKey MemoryRegistryStore::NewHandle(Key* key) {
  RegKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = key;
  return handle;
}

bool MemoryRegistryStore::Redirected(RegKey root) const {
  if (otherView == kNoKey) return false;
  if (root == kHklm32View) return true;
  return root == kHkeyLocalMachine && otherView == kHklm64View;
}

long MemoryRegistryStore::Walk(RegKey parent, const char* path, bool create, RegKey* result) {
  if (!result) return Fail(kErrorInvalidParameter);
  const bool redirected = Redirected(parent);
  if (parent == kHklm64View || parent == kHklm32View) parent = kHkeyLocalMachine;
  Key* key = Resolve(parent);
  if (!key) return Fail(kErrorInvalidHandle);
  if (key->deleted) return Fail(kErrorKeyDeleted);
  auto parts = SplitPath(path);
  // Only Software is kept twice; a path that names Wow6432Node itself is not redirected again.
  if (redirected && !parts.empty() && FoldCase(parts[0]) == FoldCase("Software") &&
      (parts.size() < 2 || FoldCase(parts[1]) != FoldCase("Wow6432Node")))
    parts.insert(parts.begin() + 1, "Wow6432Node");
  for (const auto& part : parts)
    if (part.size() > kMaxKeyNameLength) return Fail(kErrorInvalidParameter);
  for (const auto& part : parts) {
    auto it = key->subkeys.find(FoldCase(part));
    if (it == key->subkeys.end()) {
      if (!create) return Fail(kErrorFileNotFound);
      auto child = std::make_unique<Key>();
      child->name = part;
      child->parent = key;
      it = key->subkeys.emplace(FoldCase(part), std::move(child)).first;
    }
    key = it->second.get();
  }
  *result = NewHandle(key);
  return kErrorSuccess;
}

long MemoryRegistryStore::OpenKey(RegKey parent, const char* path, RegKey* result) {
  return Walk(parent, path, false, result);
}

long MemoryRegistryStore::CreateKey(RegKey parent, const char* path, RegKey* result) {
  return Walk(parent, path, true, result);
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
  Key* key = Resolve(handle);
  if (!key) return Fail(kErrorInvalidHandle);
  if (key->deleted) return Fail(kErrorKeyDeleted);
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
  Key* key = Resolve(handle);
  if (!key) return Fail(kErrorInvalidHandle);
  if (key->deleted) return Fail(kErrorKeyDeleted);
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
  Key* key = Resolve(handle);
  if (!key) return Fail(kErrorInvalidHandle);
  if (key->deleted) return Fail(kErrorKeyDeleted);
  if (!key->values.Find(name ? name : "")) return Fail(kErrorFileNotFound);
  key->values.Erase(name ? name : "");
  return kErrorSuccess;
}

long MemoryRegistryStore::DeleteKey(RegKey handle, const char* subkey) {
  RegKey child = kNoKey;
  if (long error = OpenKey(handle, subkey, &child); error != kErrorSuccess) return error;
  Key* victim = handles_[child];
  CloseKey(child);
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
  Key* key = Resolve(handle);
  if (!key) return Fail(kErrorInvalidHandle);
  if (key->deleted) return Fail(kErrorKeyDeleted);
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
  Key* key = Resolve(handle);
  if (!key) return Fail(kErrorInvalidHandle);
  if (key->deleted) return Fail(kErrorKeyDeleted);
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
