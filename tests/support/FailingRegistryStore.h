#pragma once
// A registry store that passes every call to another store, except the calls
// a test tells it to fail.
#include <functional>
#include <string>

#include "platform/RegistryStore.h"

namespace qm::test {

enum class StoreCall { Open, Create, Close, Query, Set, DeleteValue, DeleteKey, EnumKey, EnumValue };

class FailingRegistryStore : public platform::IRegistryStore {
 public:
  explicit FailingRegistryStore(platform::IRegistryStore& inner) : inner_(inner) {}

  // Called before each call with its kind and the path or name it names;
  // true makes the call fail with access denied.
  std::function<bool(StoreCall, const std::string&)> failWhen = [](StoreCall, const std::string&) { return false; };

  long OpenKey(platform::RegKey parent, const char* path, platform::KeyAccess access, platform::RegKey* result) override {
    return Fails(StoreCall::Open, path) ? Denied() : inner_.OpenKey(parent, path, access, result);
  }
  long CreateKey(platform::RegKey parent, const char* path, platform::KeyAccess access, platform::RegKey* result) override {
    return Fails(StoreCall::Create, path) ? Denied() : inner_.CreateKey(parent, path, access, result);
  }
  long CloseKey(platform::RegKey key) override { return inner_.CloseKey(key); }
  long QueryValue(platform::RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override {
    return Fails(StoreCall::Query, name) ? Denied() : inner_.QueryValue(key, name, type, data, size);
  }
  long SetValue(platform::RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override {
    return Fails(StoreCall::Set, name) ? Denied() : inner_.SetValue(key, name, type, data, size);
  }
  long DeleteValue(platform::RegKey key, const char* name) override {
    return Fails(StoreCall::DeleteValue, name) ? Denied() : inner_.DeleteValue(key, name);
  }
  long DeleteKey(platform::RegKey key, const char* subkey) override {
    return Fails(StoreCall::DeleteKey, subkey) ? Denied() : inner_.DeleteKey(key, subkey);
  }
  long EnumKey(platform::RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) override {
    return Fails(StoreCall::EnumKey, "") ? Denied() : inner_.EnumKey(key, index, name, nameSize);
  }
  long EnumValue(platform::RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    return Fails(StoreCall::EnumValue, "") ? Denied()
                                           : inner_.EnumValue(key, index, name, nameSize, type, data, dataSize);
  }
  std::uint32_t LastError() override { return denied_ ? platform::kErrorAccessDenied : inner_.LastError(); }
  platform::RegKey OtherView() override { return inner_.OtherView(); }

 private:
  bool Fails(StoreCall call, const char* what) {
    denied_ = failWhen(call, what ? what : "");
    return denied_;
  }
  long Denied() { return platform::kErrorAccessDenied; }

  platform::IRegistryStore& inner_;
  bool denied_ = false;
};

}  // namespace qm::test
