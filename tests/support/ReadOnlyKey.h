#pragma once
// Real keys as User Account Control leaves HKLM: one every process may read and
// none may write, or keys only Administrators write; the rights before come
// back when the object goes. Windows only.
#include <windows.h>
#include <sddl.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {

class ScopedReadOnlyKey {
 public:
  // The handle that gives the rights back is opened first: access is checked at the open.
  ScopedReadOnlyKey(HKEY root, const std::string& path)
      : applied_(::RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key_) == ERROR_SUCCESS && Apply(KEY_READ)) {}
  ~ScopedReadOnlyKey() {
    if (applied_) Apply(KEY_ALL_ACCESS);
    if (key_) ::RegCloseKey(key_);
  }
  ScopedReadOnlyKey(const ScopedReadOnlyKey&) = delete;
  bool Applied() const { return applied_; }

 private:
  // A protected DACL of one entry, inherited by the subkeys: everyone gets rights.
  bool Apply(DWORD rights) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
    alignas(DWORD) BYTE acl[256];
    SECURITY_DESCRIPTOR sd;
    bool done = ::InitializeAcl(reinterpret_cast<ACL*>(acl), sizeof(acl), ACL_REVISION) &&
                ::AddAccessAllowedAceEx(reinterpret_cast<ACL*>(acl), ACL_REVISION, CONTAINER_INHERIT_ACE, rights,
                                        everyone) &&
                ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
                ::SetSecurityDescriptorDacl(&sd, TRUE, reinterpret_cast<ACL*>(acl), FALSE) &&
                ::SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
                ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    ::FreeSid(everyone);
    return done;
  }
  HKEY key_ = nullptr;
  bool applied_;
};

// The machine's keys as User Account Control leaves them to an administrator:
// Administrators (an elevated program) write them, everyone else (a filtered
// program: the token with Administrators disabled) only reads them. Each key,
// and every key under it, gets its own rights back when this goes.
class AdministratorsOnly {
 public:
  AdministratorsOnly(std::initializer_list<const char*> keys) {
    PSECURITY_DESCRIPTOR only = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KR;;;WD)",
                                                                SDDL_REVISION_1, &only, nullptr))
      return;
    for (const char* key : keys) Apply(key, only);
    ::LocalFree(only);
  }
  ~AdministratorsOnly() {
    for (auto each = before_.rbegin(); each != before_.rend(); ++each)
      ::RegSetKeySecurity(each->first, DACL_SECURITY_INFORMATION, each->second.data()), ::RegCloseKey(each->first);
  }
  bool Applied() const { return applied_; }
  // A token as the filtered programs of this user have it.
  static HANDLE Filtered() {
    HANDLE own = nullptr, filtered = nullptr;
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    SID_AND_ATTRIBUTES disabled = {administrators, 0};
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &own) &&
        ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size))
      ::CreateRestrictedToken(own, 0, 1, &disabled, 0, nullptr, 0, nullptr, &filtered);
    if (own) ::CloseHandle(own);
    return filtered;
  }

 private:
  void Apply(const std::string& key, PSECURITY_DESCRIPTOR only) {
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, READ_CONTROL | WRITE_DAC | KEY_ENUMERATE_SUB_KEYS,
                        &handle) != ERROR_SUCCESS)
      return void(applied_ = false);
    std::vector<char> old(4096);
    DWORD size = static_cast<DWORD>(old.size());
    if (::RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, old.data(), &size) != ERROR_SUCCESS ||
        ::RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, only) != ERROR_SUCCESS)
      applied_ = false;
    before_.emplace_back(handle, std::move(old));
    char name[256];
    for (DWORD i = 0, length = sizeof(name); ::RegEnumKeyExA(handle, i, name, &length, nullptr, nullptr, nullptr,
                                                              nullptr) == ERROR_SUCCESS;
         ++i, length = sizeof(name))
      Apply(key + "\\" + name, only);
  }
  std::vector<std::pair<HKEY, std::vector<char>>> before_;
  bool applied_ = true;
};

}  // namespace qm::test
