#include "platform/win32/Win32RegistryStore.h"

#include <windows.h>

namespace qm::platform {
namespace {

HKEY H(RegKey key) { return reinterpret_cast<HKEY>(key); }

bool TwoViews() {
#if defined(_WIN64)
  return true;
#else
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
#endif
}

// The root to open from and the access a view root asks for. With one view the
// view flags are left out: older systems refuse them.
HKEY Root(RegKey parent, REGSAM* access) {
  if (parent != kHklm64View && parent != kHklm32View) return H(parent);
  static const bool twoViews = TwoViews();
  if (twoViews) *access |= parent == kHklm64View ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  return HKEY_LOCAL_MACHINE;
}

// advapi32 returns its error instead of setting the thread's last error;
// set it too, so that LastError() is GetLastError() after every failure.
long Result(LONG error) {
  if (error != ERROR_SUCCESS) ::SetLastError(static_cast<DWORD>(error));
  return error;
}

}  // namespace

long Win32RegistryStore::OpenKey(RegKey parent, const char* path, RegKey* result) {
  HKEY key = nullptr;
  REGSAM access = KEY_ALL_ACCESS;
  HKEY root = Root(parent, &access);
  LONG error = ::RegOpenKeyExA(root, path, 0, access, &key);
  if (error == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(key);
  return Result(error);
}

long Win32RegistryStore::OpenKeyToRead(RegKey parent, const char* path, RegKey* result) {
  HKEY key = nullptr;
  REGSAM access = KEY_READ;
  HKEY root = Root(parent, &access);
  LONG error = ::RegOpenKeyExA(root, path, 0, access, &key);
  if (error == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(key);
  return Result(error);
}

long Win32RegistryStore::CreateKey(RegKey parent, const char* path, RegKey* result) {
  HKEY key = nullptr;
  REGSAM access = KEY_ALL_ACCESS;
  HKEY root = Root(parent, &access);
  LONG error =
      ::RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
  if (error == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(key);
  return Result(error);
}

long Win32RegistryStore::CloseKey(RegKey key) { return Result(::RegCloseKey(H(key))); }

long Win32RegistryStore::QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                                    std::uint32_t* size) {
  DWORD t = 0;
  DWORD s = size ? *size : 0;
  LONG error = ::RegQueryValueExA(H(key), name, nullptr, &t, data, size ? &s : nullptr);
  if (type) *type = t;
  if (size) *size = s;
  return Result(error);
}

long Win32RegistryStore::SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                                  std::uint32_t size) {
  return Result(::RegSetValueExA(H(key), name, 0, type, data, size));
}

long Win32RegistryStore::DeleteValue(RegKey key, const char* name) {
  return Result(::RegDeleteValueA(H(key), name));
}

long Win32RegistryStore::DeleteKey(RegKey key, const char* subkey) { return Result(::RegDeleteKeyA(H(key), subkey)); }

long Win32RegistryStore::EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) {
  DWORD s = *nameSize;
  LONG error = ::RegEnumKeyExA(H(key), index, name, &s, nullptr, nullptr, nullptr, nullptr);
  *nameSize = s;
  return Result(error);
}

long Win32RegistryStore::EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
  DWORD s = *nameSize;
  DWORD t = 0;
  DWORD d = dataSize ? *dataSize : 0;
  LONG error = ::RegEnumValueA(H(key), index, name, &s, nullptr, &t, data, dataSize ? &d : nullptr);
  *nameSize = s;
  if (type) *type = t;
  if (dataSize) *dataSize = d;
  return Result(error);
}

std::uint32_t Win32RegistryStore::LastError() { return ::GetLastError(); }

RegKey Win32RegistryStore::OtherView() {
#if defined(_WIN64)
  return kHklm32View;
#else
  return TwoViews() ? kHklm64View : kNoKey;
#endif
}

}  // namespace qm::platform
