#pragma once
// The registry store over advapi32, call for call.
#include "platform/RegistryStore.h"

namespace qm::platform {

class KELVRIN_API Win32RegistryStore : public IRegistryStore {
 public:
  long OpenKey(RegKey parent, const char* path, RegKey* result) override;
  long OpenKeyToRead(RegKey parent, const char* path, RegKey* result) override;
  long CreateKey(RegKey parent, const char* path, RegKey* result) override;
  long CloseKey(RegKey key) override;
  long QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long DeleteValue(RegKey key, const char* name) override;
  long DeleteKey(RegKey key, const char* subkey) override;
  long EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) override;
  long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize, std::uint32_t* type,
                 std::uint8_t* data, std::uint32_t* dataSize) override;
  std::uint32_t LastError() override;
  RegKey OtherView() override;
};

}  // namespace qm::platform
