#pragma once
// A real key every process may read and none may write, as HKLM is for a
// program without elevation; full rights come back when it goes. Windows only.
#include <windows.h>

#include <string>

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

}  // namespace qm::test
