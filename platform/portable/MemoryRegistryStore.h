#pragma once
// An in-memory registry with the behaviour of the real one wherever the
// engines rely on it: names matched without regard to case and kept as
// written, values enumerated in order of creation with dense indexes that
// shift on deletion, subkeys enumerated in alphabetical order, and failures
// with the same error codes. The registry contract tests run against this
// store and against the real registry alike.
#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace qm::platform {

class KELVRIN_API MemoryRegistryStore : public IRegistryStore {
 public:
  MemoryRegistryStore();
  ~MemoryRegistryStore() override;
  MemoryRegistryStore(const MemoryRegistryStore&) = delete;
  MemoryRegistryStore& operator=(const MemoryRegistryStore&) = delete;

  long OpenKey(RegKey parent, const char* path, KeyAccess access, RegKey* result) override;
  long CreateKey(RegKey parent, const char* path, KeyAccess access, RegKey* result) override;
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
  std::uint32_t LastError() override { return lastError_; }
  RegKey OtherView() override { return otherView; }

  // Which program on which Windows the store plays, as Wine keeps the views:
  // the 32-bit view of HKLM\Software is its subkey Wow6432Node. kHklm64View
  // (the default): a 32-bit program on 64-bit Windows, whose kHkeyLocalMachine
  // opens the 32-bit view; kHklm32View: a 64-bit program; kNoKey: 32-bit
  // Windows, one view, which both view roots open.
  RegKey otherView = kHklm64View;

  // The rights of the process at hand, as a key's permissions give them: the
  // key at path under root (and every key below it, made later too) may be
  // read but not written, created under, or deleted. Keys opened with write
  // rights, SetValue and DeleteValue there give kErrorAccessDenied. Either
  // view root names HKEY_LOCAL_MACHINE as a whole for an empty path. A key
  // that does not exist yet is refused once it is made.
  void DenyWrites(RegKey root, const std::string& path);
  // Every key writable again: the next process has the rights of an administrator.
  void AllowWrites();

  // Keys that are open right now; a test asserts that an operation closed all it opened.
  std::size_t OpenHandleCount() const { return handles_.size(); }

 private:
  struct Value {
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  // A key's values in order of creation, found by name or by index in
  // logarithmic time, so that keys of many thousands of values stay fast.
  class ValueList {
   public:
    Value* Find(const std::string& name);
    Value* At(std::size_t index);
    std::size_t Size() const { return byName_.size(); }
    void Add(Value value);
    void Erase(const std::string& name);

   private:
    using Ordered = __gnu_pbds::tree<std::uint64_t, Value, std::less<std::uint64_t>, __gnu_pbds::rb_tree_tag,
                                     __gnu_pbds::tree_order_statistics_node_update>;
    Ordered byCreation_;
    std::map<std::string, std::uint64_t> byName_;  // folded name -> creation number
    std::uint64_t next_ = 0;
  };
  struct Key {
    std::string name;
    Key* parent = nullptr;
    bool deleted = false;
    ValueList values;
    std::map<std::string, std::unique_ptr<Key>> subkeys;  // by folded name: alphabetical
  };

  long Fail(long code) { lastError_ = static_cast<std::uint32_t>(code); return code; }
  Key* Resolve(RegKey key);
  // Resolve, and kErrorAccessDenied when the key was opened without needed.
  long ResolveFor(RegKey handle, KeyAccess needed, Key** key);
  long Walk(RegKey parent, const char* path, bool create, KeyAccess access, RegKey* result);
  // The path below the root as the store keeps it: Wow6432Node put in where a view redirects.
  std::vector<std::string> PartsOf(RegKey* root, const char* path);
  bool Writable(const Key* key) const;
  // Whether a path opened from root lands in the 32-bit view's Wow6432Node.
  bool Redirected(RegKey root) const;
  RegKey NewHandle(Key* key, KeyAccess access);

  std::map<RegKey, std::unique_ptr<Key>> roots_;
  struct Handle {
    Key* key;
    KeyAccess access;
  };
  std::map<RegKey, Handle> handles_;
  // Folded paths from HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER whose keys may not be written.
  std::vector<std::pair<RegKey, std::vector<std::string>>> denied_;
  std::vector<std::unique_ptr<Key>> deletedKeys_;  // kept alive for handles still open on them
  RegKey nextHandle_ = 0x1000;
  std::uint32_t lastError_ = 0;
};

}  // namespace qm::platform
