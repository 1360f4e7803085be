#include "engine/foundation/WholeValues.h"

#include <algorithm>

#include "platform/RegistryStore.h"

namespace qm {
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
  // Reading needs no more: the machine's keys and the policies read without elevation.
  long OpenToRead(RegKey root, const char* path) { return store_ ? store_->OpenKeyToRead(root, path, &key_) : -1; }
  long Create(RegKey root, const char* path) { return store_ ? store_->CreateKey(root, path, &key_) : -1; }
  IRegistryStore* store() const { return store_; }
  RegKey key() const { return key_; }

 private:
  IRegistryStore* store_;
  RegKey key_ = platform::kNoKey;
};

// The longest value name the registry allows, terminator included.
constexpr std::uint32_t kNameLimit = 16384;

bool QueryOpen(OpenKey& key, const std::string& name, WholeValue* value) {
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
    *value = WholeValue{name, type, std::move(data)};
    return true;
  }
  return false;
}

}  // namespace

bool ReadWholeValues(RegKey root, const char* path, std::vector<WholeValue>* values) {
  values->clear();
  OpenKey key;
  long opened = key.OpenToRead(root, path);
  if (opened == platform::kErrorFileNotFound) return true;
  if (opened != platform::kErrorSuccess) return false;
  std::vector<char> name(kNameLimit);
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t nameSize = kNameLimit;
    long status = key.store()->EnumValue(key.key(), index, name.data(), &nameSize, nullptr, nullptr, nullptr);
    if (status == platform::kErrorNoMoreItems) return true;
    WholeValue value;
    if (status != platform::kErrorSuccess || !QueryOpen(key, std::string(name.data(), nameSize), &value)) {
      values->clear();
      return false;
    }
    values->push_back(std::move(value));
  }
}

bool ReadWholeValue(RegKey root, const char* path, const std::string& name, WholeValue* value) {
  OpenKey key;
  return key.OpenToRead(root, path) == platform::kErrorSuccess && QueryOpen(key, name, value);
}

bool WriteWholeValue(RegKey root, const char* path, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) {
  OpenKey key;
  if (key.Create(root, path) != platform::kErrorSuccess) return false;
  std::uint8_t none = 0;
  return key.store()->SetValue(key.key(), name.c_str(), type, data.empty() ? &none : data.data(),
                               static_cast<std::uint32_t>(data.size())) == platform::kErrorSuccess;
}

bool DeleteWholeValue(RegKey root, const char* path, const std::string& name) {
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

long long NumberOf(const WholeValue& value) {
  if (value.data.size() != 4) return -1;
  return static_cast<long long>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                static_cast<std::uint32_t>(value.data[3]) << 24);
}

std::vector<std::uint8_t> NumberData(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

}  // namespace qm
