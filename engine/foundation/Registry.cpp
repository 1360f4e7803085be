#include "engine/foundation/Registry.h"

#include <cstring>
#include <new>

#include "platform/Text.h"

namespace qm {
namespace {

using platform::IRegistryStore;
using platform::kErrorSuccess;
using platform::KeyAccess;
using platform::kKeyRead;
using platform::kKeyReadWrite;
using platform::kKeySetValue;

IRegistryStore* Store() { return platform::Current<IRegistryStore>(); }

// Owns one key opened in the store and closes it on every path.
class StoreKey {
 public:
  StoreKey() = default;
  ~StoreKey() {
    if (key_ != platform::kNoKey && store_) store_->CloseKey(key_);
  }
  StoreKey(const StoreKey&) = delete;
  StoreKey& operator=(const StoreKey&) = delete;

  // Opened with the rights its one job needs, never more: reading works
  // wherever the process may read, also where it may not write.
  long Open(IRegistryStore* store, RegKey root, const char* path, KeyAccess access) {
    store_ = store;
    return store->OpenKey(root, path, access, &key_);
  }
  long Create(IRegistryStore* store, RegKey root, const char* path, KeyAccess access) {
    store_ = store;
    return store->CreateKey(root, path, access, &key_);
  }
  RegKey Get() const { return key_; }

 private:
  IRegistryStore* store_ = nullptr;
  RegKey key_ = platform::kNoKey;
};

// Joins parent, backslash and child into a path that must fit one of the
// gateway's 260-byte buffers; false (and nothing built) if it would not.
bool JoinPath(const char* parent, const char* child, std::string& joined) {
  std::size_t length = std::strlen(parent) + 1 + std::strlen(child);
  if (length + 1 > kRegistryBufferSize) return false;
  joined = std::string(parent) + "\\" + child;
  return true;
}

}  // namespace

CRegistry::CRegistry() : lastError(0) {}
CRegistry::CRegistry(const CRegistry& other) : lastError(other.lastError) {}
CRegistry& CRegistry::operator=(const CRegistry& other) {
  lastError = other.lastError;
  return *this;
}
CRegistry::~CRegistry() { lastError = 0; }

int CRegistry::Failed() {
  if (IRegistryStore* store = Store()) lastError = store->LastError();
  return 0;
}

int CRegistry::CreateKey(RegKey root, const char* path) {
  IRegistryStore* store = Store();
  if (!root || !path || !store) return 0;
  StoreKey key;
  // An existing key opens for reading; the right to write is needed only to make it.
  if (key.Create(store, root, path, kKeyRead) != kErrorSuccess) return Failed();
  return 1;
}

int CRegistry::CreateKey(RegKey root, const char* parentPath, const char* subkeyName) {
  if (!root || !parentPath || !subkeyName) return 0;
  std::string joined;
  if (!JoinPath(parentPath, subkeyName, joined)) return 0;
  return CreateKey(root, joined.c_str());
}

int CRegistry::DeleteKey(RegKey root, const char* parentPath, const char* subkeyName) {
  IRegistryStore* store = Store();
  if (!root || !parentPath || !subkeyName || !store) return 0;
  // An empty subkey name would make RegDeleteKeyA delete the parent itself.
  if (!*subkeyName) return 0;
  StoreKey parent;
  // RegDeleteKeyA asks for the subkey's own right to be deleted; the parent is only read.
  if (parent.Open(store, root, parentPath, kKeyRead) != kErrorSuccess) return Failed();
  if (store->DeleteKey(parent.Get(), subkeyName) != kErrorSuccess) return Failed();
  return 1;
}

int CRegistry::DeleteValue(RegKey root, const char* path, const char* valueName) {
  IRegistryStore* store = Store();
  if (!root || !path || !valueName || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeySetValue) != kErrorSuccess) return Failed();
  if (store->DeleteValue(key.Get(), valueName) != kErrorSuccess) return Failed();
  return 1;
}

int CRegistry::SetValue(RegKey root, const char* path, const char* valueName, std::uint32_t number) {
  std::uint8_t bytes[4] = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                           static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
  IRegistryStore* store = Store();
  if (!root || !path || !valueName || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeySetValue) != kErrorSuccess) return Failed();
  if (store->SetValue(key.Get(), valueName, platform::kRegDword, bytes, 4) != kErrorSuccess) return Failed();
  return 1;
}

int CRegistry::SetValue(RegKey root, const char* path, const char* valueName, const std::string& text) {
  // The size written is the text's length without its terminating NUL.
  return SetValue(root, path, valueName, text.c_str(), static_cast<std::uint32_t>(text.size()));
}

int CRegistry::SetValue(RegKey root, const char* path, const char* valueName, const std::uint8_t* data,
                        std::uint32_t size) {
  IRegistryStore* store = Store();
  if (!root || !path || !valueName || !data || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeySetValue) != kErrorSuccess) return Failed();
  if (store->SetValue(key.Get(), valueName, platform::kRegBinary, data, size) != kErrorSuccess) return Failed();
  return 1;
}

int CRegistry::SetValue(RegKey root, const char* path, const char* valueName, const char* text, std::uint32_t size) {
  IRegistryStore* store = Store();
  if (!root || !path || !valueName || !text || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeySetValue) != kErrorSuccess) return Failed();
  if (store->SetValue(key.Get(), valueName, platform::kRegSz, reinterpret_cast<const std::uint8_t*>(text), size) !=
      kErrorSuccess)
    return Failed();
  return 1;
}

int CRegistry::GetValue(RegKey root, const char* path, const char* valueName, std::uint32_t* number) {
  IRegistryStore* store = Store();
  if (!root || !path || !valueName || !number || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeyRead) != kErrorSuccess) return Failed();
  std::uint8_t bytes[4] = {};
  std::uint32_t size = sizeof(bytes);
  std::uint32_t type = 0;
  if (store->QueryValue(key.Get(), valueName, &type, bytes, &size) != kErrorSuccess) return Failed();
  // All 32 bits, little-endian; shorter data reads as if zero-filled.
  *number = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
            (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
  return 1;
}

int CRegistry::GetValue(RegKey root, const char* path, const char* valueName, std::string* text) {
  IRegistryStore* store = Store();
  if (!root || !path || !valueName || !text || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeyRead) != kErrorSuccess) return Failed();
  // One byte more than is read, so that 260 bytes without a NUL still end.
  char buffer[kRegistryBufferSize + 1] = {};
  std::uint32_t size = kRegistryBufferSize;
  std::uint32_t type = 0;
  if (store->QueryValue(key.Get(), valueName, &type, reinterpret_cast<std::uint8_t*>(buffer), &size) !=
      kErrorSuccess)
    return Failed();
  *text = std::string(buffer, strnlen(buffer, kRegistryBufferSize));
  return 1;
}

int CRegistry::GetValue(RegKey root, const char* path, const char* valueName, std::uint8_t* data,
                        std::uint32_t* size) {
  IRegistryStore* store = Store();
  if (!root || !path || !valueName || !data || !size || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeyRead) != kErrorSuccess) return Failed();
  std::uint32_t type = 0;
  if (store->QueryValue(key.Get(), valueName, &type, data, size) != kErrorSuccess) return Failed();
  return 1;
}

int CRegistry::GetValue(RegKey root, const char* path, const char* valueName, char* data, std::uint32_t* size) {
  return GetValue(root, path, valueName, reinterpret_cast<std::uint8_t*>(data), size);
}

int CRegistry::ReadWholeValue(RegKey key, const char* valueName, std::uint32_t* type,
                              std::vector<std::uint8_t>* data) {
  IRegistryStore* store = Store();
  std::uint32_t size = 0;
  if (store->QueryValue(key, valueName, nullptr, nullptr, &size) != kErrorSuccess) return Failed();
  try {
    data->assign(size, 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (store->QueryValue(key, valueName, type, data->data(), &size) != kErrorSuccess) return Failed();
  data->resize(size);
  return 1;
}

int CRegistry::CopyValue(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath,
                         const char* destinationPath, const char* valueName) {
  IRegistryStore* store = Store();
  if (!sourceRoot || !destinationRoot || !sourcePath || !destinationPath || !valueName || !store) return 0;
  StoreKey source;
  if (source.Open(store, sourceRoot, sourcePath, kKeyRead) != kErrorSuccess) return Failed();
  StoreKey destination;
  if (destination.Create(store, destinationRoot, destinationPath, kKeySetValue) != kErrorSuccess) return Failed();
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (!ReadWholeValue(source.Get(), valueName, &type, &data)) return 0;
  if (store->SetValue(destination.Get(), valueName, type, data.data(), static_cast<std::uint32_t>(data.size())) !=
      kErrorSuccess)
    return Failed();
  return 1;
}

int CRegistry::MoveValue(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath,
                         const char* destinationPath, const char* valueName) {
  if (!CopyValue(sourceRoot, destinationRoot, sourcePath, destinationPath, valueName)) return 0;
  return DeleteValue(sourceRoot, sourcePath, valueName);
}

int CRegistry::RenameValue(RegKey root, const char* path, const char* oldName, const char* newName) {
  IRegistryStore* store = Store();
  if (!root || !path || !oldName || !newName || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeyReadWrite) != kErrorSuccess) return Failed();
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (!ReadWholeValue(key.Get(), oldName, &type, &data)) return 0;
  auto size = static_cast<std::uint32_t>(data.size());
  if (platform::EqualsNoCase(oldName, newName)) {
    // The store sees one value under both spellings: writing the new name
    // would land on the old value and deleting the old name would then lose
    // it. Delete first and write under the new spelling, putting the old
    // value back should that write fail.
    if (std::strcmp(oldName, newName) == 0) return 1;
    if (store->DeleteValue(key.Get(), oldName) != kErrorSuccess) return Failed();
    if (store->SetValue(key.Get(), newName, type, data.data(), size) != kErrorSuccess) {
      int result = Failed();
      store->SetValue(key.Get(), oldName, type, data.data(), size);
      return result;
    }
    return 1;
  }
  if (store->SetValue(key.Get(), newName, type, data.data(), size) != kErrorSuccess) return Failed();
  if (store->DeleteValue(key.Get(), oldName) != kErrorSuccess) return Failed();
  return 1;
}

namespace {

// A move deletes what it carried from its source; a copy only reads it.
KeyAccess SourceRights(bool moves) { return moves ? kKeyReadWrite : kKeyRead; }

}  // namespace

int CRegistry::TransferKey(Transfer kind, RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath,
                           const char* destinationPath, int valuesOnly, RegistryWalk* walk,
                           const std::set<std::string>* leaveAlone) {
  IRegistryStore* store = Store();
  if (!sourceRoot || !destinationRoot || !sourcePath || !destinationPath || !store) return 0;
  StoreKey source;
  if (source.Open(store, sourceRoot, sourcePath, SourceRights(kind == Transfer::Move || kind == Transfer::MoveEx)) != kErrorSuccess) return Failed();
  StoreKey destination;
  if (destination.Create(store, destinationRoot, destinationPath, kKeySetValue) != kErrorSuccess) return Failed();

  if (valuesOnly == 0) {
    char name[kRegistryBufferSize];
    for (std::uint32_t index = 0;; ++index) {
      std::uint32_t nameSize = sizeof(name);
      if (store->EnumKey(source.Get(), index, name, &nameSize) != kErrorSuccess) break;
      std::string childSource, childDestination;
      // A joined path that would not fit its buffer is left alone rather than cut short.
      if (!JoinPath(sourcePath, name, childSource) || !JoinPath(destinationPath, name, childDestination)) continue;
      TransferKey(kind, sourceRoot, destinationRoot, childSource.c_str(), childDestination.c_str(), 0, nullptr,
                  nullptr);
    }
  }

  const bool moves = kind == Transfer::Move || kind == Transfer::MoveEx;
  const bool skipsEmptyText = kind == Transfer::CopyEx || kind == Transfer::MoveEx;
  const bool leavesSome = leaveAlone && !leaveAlone->empty();
  char name[kRegistryBufferSize];
  std::uint8_t data[kRegistryBufferSize];
  for (std::uint32_t index = 0;;) {
    std::uint32_t nameSize = sizeof(name);
    std::uint32_t dataSize = sizeof(data);
    std::uint32_t type = 0;
    long status = store->EnumValue(source.Get(), index, name, &nameSize, &type, data, &dataSize);
    if (status == platform::kErrorMoreData) {
      // Too long for the buffers: it stays where it stands, and every value
      // after it is still carried.
      NotePassedOver(source.Get(), index, walk);
      ++index;
      continue;
    }
    if (status != kErrorSuccess) {
      if (status != platform::kErrorNoMoreItems && walk) walk->reachedEnd = false;
      break;
    }
    if (leavesSome && leaveAlone->count(platform::FoldCase(std::string(name, nameSize)))) {
      ++index;
      continue;
    }
    if (skipsEmptyText && type == platform::kRegSz && (dataSize == 0 || data[0] == 0)) {
      if (walk) walk->leftEmpty.emplace_back(name, nameSize);
      ++index;
      continue;
    }
    const bool written = store->SetValue(destination.Get(), name, type, data, dataSize) == kErrorSuccess;
    // A value leaves its source only once it stands in the destination.
    if (moves && written && store->DeleteValue(source.Get(), name) == kErrorSuccess) continue;
    ++index;
  }
  return 1;
}

int CRegistry::ListingFailed(long status, RegistryWalk* walk) {
  lastError = static_cast<std::uint32_t>(status);
  if (walk) walk->reachedEnd = false;
  return 0;
}

void CRegistry::NotePassedOver(RegKey key, std::uint32_t index, RegistryWalk* walk) {
  if (!walk) return;
  // Asked again for the name alone, which fits whenever only the data did not.
  char name[kRegistryBufferSize];
  std::uint32_t nameSize = sizeof(name);
  if (Store()->EnumValue(key, index, name, &nameSize, nullptr, nullptr, nullptr) == kErrorSuccess)
    walk->passedOver.emplace_back(name, nameSize);
  else
    ++walk->unnamedPassedOver;
}

int CRegistry::Copy(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
                    int valuesOnly, RegistryWalk* walk, const std::set<std::string>* leaveAlone) {
  return TransferKey(Transfer::Copy, sourceRoot, destinationRoot, sourcePath, destinationPath, valuesOnly, walk,
                     leaveAlone);
}

int CRegistry::CopyEx(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
                    int valuesOnly, RegistryWalk* walk, const std::set<std::string>* leaveAlone) {
  return TransferKey(Transfer::CopyEx, sourceRoot, destinationRoot, sourcePath, destinationPath, valuesOnly, walk,
                     leaveAlone);
}

int CRegistry::Move(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
                    int valuesOnly, RegistryWalk* walk, const std::set<std::string>* leaveAlone) {
  return TransferKey(Transfer::Move, sourceRoot, destinationRoot, sourcePath, destinationPath, valuesOnly, walk,
                     leaveAlone);
}

int CRegistry::MoveEx(RegKey sourceRoot, RegKey destinationRoot, const char* sourcePath, const char* destinationPath,
                    int valuesOnly, RegistryWalk* walk, const std::set<std::string>* leaveAlone) {
  return TransferKey(Transfer::MoveEx, sourceRoot, destinationRoot, sourcePath, destinationPath, valuesOnly, walk,
                     leaveAlone);
}

int CRegistry::IsValueNamePresent(RegKey root, const char* path, const char* valueName) {
  IRegistryStore* store = Store();
  if (!root || !path || !valueName || !store) return 0;
  StoreKey key;
  if (key.Open(store, root, path, kKeyRead) != kErrorSuccess) return Failed();
  char name[kRegistryBufferSize];
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t nameSize = sizeof(name);
    long status = store->EnumValue(key.Get(), index, name, &nameSize, nullptr, nullptr, nullptr);
    // A name too long for the buffer is not the one asked for; the names after it still count.
    if (status == platform::kErrorMoreData) continue;
    if (status != kErrorSuccess) return 0;
    if (std::strcmp(name, valueName) == 0) return 1;  // exact: letter case counts here
  }
}

int CRegistry::EnumerateValueNames(RegKey root, const char* path, std::vector<std::string>* names) {
  return EnumerateValueNames(root, path, names, nullptr);
}

int CRegistry::EnumerateValueNames(RegKey root, const char* path, std::vector<std::string>* names,
                                   RegistryWalk* walk) {
  IRegistryStore* store = Store();
  if (!root || !path || !names || !store) return 0;
  names->clear();
  StoreKey key;
  if (key.Open(store, root, path, kKeyRead) != kErrorSuccess) return Failed();
  char name[kRegistryBufferSize];
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t nameSize = sizeof(name);
    long status = store->EnumValue(key.Get(), index, name, &nameSize, nullptr, nullptr, nullptr);
    if (status == kErrorSuccess) {
      names->emplace_back(name, nameSize);
      continue;
    }
    // A name too long for the buffer is passed over; the list goes on after it.
    if (status == platform::kErrorMoreData) {
      if (walk) ++walk->unnamedPassedOver;
      continue;
    }
    if (status == platform::kErrorNoMoreItems) return 1;
    // Any other failure leaves the list short: callers that act on what is
    // missing from it (forgetting, marking as returned) must not take it as whole.
    names->clear();
    return ListingFailed(status, walk);
  }
}

int CRegistry::EnumerateValues(RegKey root, const char* path, std::vector<RegistryValue>* values,
                               RegistryWalk* walk) {
  IRegistryStore* store = Store();
  if (!root || !path || !values || !store) return 0;
  values->clear();
  StoreKey key;
  if (key.Open(store, root, path, kKeyRead) != kErrorSuccess) return Failed();
  char name[kRegistryBufferSize];
  std::uint8_t data[kRegistryBufferSize];
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t nameSize = sizeof(name);
    std::uint32_t dataSize = sizeof(data);
    std::uint32_t type = 0;
    long status = store->EnumValue(key.Get(), index, name, &nameSize, &type, data, &dataSize);
    if (status == kErrorSuccess) {
      values->push_back(
          RegistryValue{std::string(name, nameSize), type, std::vector<std::uint8_t>(data, data + dataSize)});
      continue;
    }
    if (status == platform::kErrorMoreData) {
      NotePassedOver(key.Get(), index, walk);
      continue;
    }
    if (status == platform::kErrorNoMoreItems) return 1;
    values->clear();
    return ListingFailed(status, walk);
  }
}

int CRegistry::ReadNumbers(RegKey root, const char* path, std::map<std::string, std::uint32_t>* numbers) {
  if (!numbers) return 0;
  numbers->clear();
  std::vector<RegistryValue> values;
  if (!EnumerateValues(root, path, &values, nullptr)) return 0;
  for (const RegistryValue& value : values) {
    if (value.data.size() > 4) continue;
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < value.data.size(); ++i) number |= static_cast<std::uint32_t>(value.data[i]) << (8 * i);
    numbers->emplace(platform::FoldCase(value.name), number);
  }
  return 1;
}

RegKey OtherPublicView() {
  IRegistryStore* store = platform::Current<IRegistryStore>();
  return store ? store->OtherView() : platform::kNoKey;
}

bool IsThirtyTwoBitView(RegKey root) {
  const RegKey other = OtherPublicView();
  if (other == platform::kNoKey) return false;
  return root == platform::kHklm32View || (root == HKeyLocalMachine && other == platform::kHklm64View);
}

std::vector<RegKey> PublicRoots() {
  std::vector<RegKey> roots{HKeyLocalMachine};
  if (RegKey other = OtherPublicView(); other != platform::kNoKey) roots.push_back(other);
  return roots;
}

}  // namespace qm
