#pragma once
// The registry as the engines see it: the handful of advapi32 calls that the
// registry gateway needs, with the same results (0 = success, otherwise a
// system error code) and the same buffer rules.
#include <cstdint>

#include "platform/Services.h"

namespace qm::platform {

// An open key. The two roots keep the numeric values of the Windows
// predefined handles (sign-extended, as on Win64), so the Win32 store can pass
// every key straight through.
using RegKey = std::uintptr_t;
inline constexpr RegKey kNoKey = 0;
inline constexpr RegKey kHkeyCurrentUser =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000001u)));
inline constexpr RegKey kHkeyLocalMachine =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));
// HKEY_LOCAL_MACHINE seen through one view of 64-bit Windows, as a key opened
// with KEY_WOW64_64KEY or KEY_WOW64_32KEY sees it. Only the stores know these
// roots; they open keys from them, and on a machine with one view both are
// HKEY_LOCAL_MACHINE itself.
inline constexpr RegKey kHklm64View =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000202u)));
inline constexpr RegKey kHklm32View =
    static_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000102u)));

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// The Windows error codes the stores report.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorOutOfMemory = 14;
inline constexpr long kErrorInvalidParameter = 87;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorKeyDeleted = 1018;

class IRegistryStore {
 public:
  virtual ~IRegistryStore() = default;

  // RegOpenKeyExA with KEY_ALL_ACCESS: the key must exist.
  virtual long OpenKey(RegKey parent, const char* path, RegKey* result) = 0;
  // RegOpenKeyExA with KEY_READ: for keys the user may read but not write
  // (the policies, the machine's keys without elevation).
  virtual long OpenKeyToRead(RegKey parent, const char* path, RegKey* result) { return OpenKey(parent, path, result); }
  // RegCreateKeyExA: opens the key, creating it and all missing parents.
  virtual long CreateKey(RegKey parent, const char* path, RegKey* result) = 0;
  virtual long CloseKey(RegKey key) = 0;
  // RegQueryValueExA. With data null only *size is filled. A buffer too small
  // gives kErrorMoreData with *size set to what is needed.
  virtual long QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) = 0;
  virtual long SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t size) = 0;
  virtual long DeleteValue(RegKey key, const char* name) = 0;
  // RegDeleteKeyA: deletes a subkey of an open key; one with subkeys of its own is refused.
  virtual long DeleteKey(RegKey key, const char* subkey) = 0;
  // RegEnumKeyExA: *nameSize is the buffer size in, the name length out.
  virtual long EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) = 0;
  // RegEnumValueA: name as for EnumKey; type, data and dataSize may be null.
  virtual long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                         std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
  // GetLastError after a failed call (the Win32 store sets it from the result).
  virtual std::uint32_t LastError() = 0;
  // On 64-bit Windows, HKEY_LOCAL_MACHINE\Software has two views, and a
  // program sees only its own through kHkeyLocalMachine: the root of the view
  // it does not see (kHklm64View for a 32-bit program, kHklm32View for a
  // 64-bit one). kNoKey where there is one view. A store that wraps another
  // must answer what the wrapped one answers.
  virtual RegKey OtherView() { return kNoKey; }
};

QM_DECLARE_SERVICE(IRegistryStore);

}  // namespace qm::platform
