#pragma once
// A real registry key whose permissions let every process read it and none
// write it, as HKEY_LOCAL_MACHINE is for a program without elevation; the
// full rights are given back when the object goes. Windows builds only.
#include <windows.h>

#include <string>

namespace qm::test {

class ScopedReadOnlyKey {
 public:
  ScopedReadOnlyKey(HKEY root, const std::string& path) {
    // The handle that gives the rights back is opened first: access is checked when a key is opened.
    if (::RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC | READ_CONTROL, &key_) != ERROR_SUCCESS) key_ = nullptr;
    applied_ = key_ && Apply(KEY_READ);
  }
  ~ScopedReadOnlyKey() {
    if (!key_) return;
    if (applied_) Apply(KEY_ALL_ACCESS);
    ::RegCloseKey(key_);
  }
  ScopedReadOnlyKey(const ScopedReadOnlyKey&) = delete;
  ScopedReadOnlyKey& operator=(const ScopedReadOnlyKey&) = delete;
  bool Applied() const { return applied_; }

 private:
  // A protected DACL with one entry: everyone gets rights, inherited by the subkeys.
  bool Apply(DWORD rights) {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
    alignas(DWORD) BYTE buffer[256];
    ACL* acl = reinterpret_cast<ACL*>(buffer);
    SECURITY_DESCRIPTOR sd;
    bool done = ::InitializeAcl(acl, sizeof(buffer), ACL_REVISION) &&
                ::AddAccessAllowedAceEx(acl, ACL_REVISION, CONTAINER_INHERIT_ACE, rights, everyone) &&
                ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
                ::SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
                ::SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
                ::RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    ::FreeSid(everyone);
    return done;
  }

  HKEY key_ = nullptr;
  bool applied_ = false;
};

}  // namespace qm::test
