#pragma once
// Crash and fault injection for the registry store and the file system.
//
// A FaultPlan counts every call that goes through the wrapped registry store
// and file system, both together. At the k-th call it either makes that call
// fail, or lets it happen and then "crashes": every later call fails without
// any effect, as if the process had died right after call k. What was done
// before stays done, as it would on disk.
//
// Apart from that one fault, a plan may make every listing break off at a
// given index: a value listing answers an error there instead of the name, a
// folder listing answers the names before it and a failure. That is a hive or
// a folder that cannot be read whole, for as long as the plan is armed.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"

namespace qm::test {

class FaultPlan {
 public:
  enum class Mode { None, FailOne, CrashAfter };

  void Arm(Mode mode, int k) {
    mode_ = mode;
    target_ = k;
    calls_ = 0;
    crashed_ = false;
  }
  void Disarm() {
    Arm(Mode::None, -1);
    listingFailsAt_ = -1;
  }
  // From now until Disarm, every listing breaks off at index (-1: never).
  void BreakListingsAt(int index) { listingFailsAt_ = index; }
  bool ListingBreaksAt(std::uint32_t index) const {
    return listingFailsAt_ >= 0 && index == static_cast<std::uint32_t>(listingFailsAt_);
  }
  int ListingFailsAt() const { return listingFailsAt_; }
  int Calls() const { return calls_; }
  bool Crashed() const { return crashed_; }

  // True if the call now starting must fail without effect.
  bool Refuse() {
    if (crashed_) return true;
    int index = calls_++;
    if (index != target_) return false;
    if (mode_ == Mode::FailOne) return true;
    if (mode_ == Mode::CrashAfter) crashed_ = true;  // this call still happens
    return false;
  }

 private:
  Mode mode_ = Mode::None;
  int target_ = -1;
  int calls_ = 0;
  bool crashed_ = false;
  int listingFailsAt_ = -1;
};

class FaultyRegistryStore : public platform::IRegistryStore {
 public:
  FaultyRegistryStore(platform::IRegistryStore& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

  long OpenKey(platform::RegKey parent, const char* path, platform::KeyAccess access, platform::RegKey* result) override {
    return plan_.Refuse() ? Denied() : inner_.OpenKey(parent, path, access, result);
  }
  long CreateKey(platform::RegKey parent, const char* path, platform::KeyAccess access, platform::RegKey* result) override {
    return plan_.Refuse() ? Denied() : inner_.CreateKey(parent, path, access, result);
  }
  // Closing is bookkeeping of the process, not a change to the registry: never a fault point.
  long CloseKey(platform::RegKey key) override { return inner_.CloseKey(key); }
  long QueryValue(platform::RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override {
    return plan_.Refuse() ? Denied() : inner_.QueryValue(key, name, type, data, size);
  }
  long SetValue(platform::RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override {
    return plan_.Refuse() ? Denied() : inner_.SetValue(key, name, type, data, size);
  }
  long DeleteValue(platform::RegKey key, const char* name) override {
    return plan_.Refuse() ? Denied() : inner_.DeleteValue(key, name);
  }
  long DeleteKey(platform::RegKey key, const char* subkey) override {
    return plan_.Refuse() ? Denied() : inner_.DeleteKey(key, subkey);
  }
  long EnumKey(platform::RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) override {
    return plan_.Refuse() ? Denied() : inner_.EnumKey(key, index, name, nameSize);
  }
  long EnumValue(platform::RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                 std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    if (plan_.Refuse() || plan_.ListingBreaksAt(index)) return Denied();
    return inner_.EnumValue(key, index, name, nameSize, type, data, dataSize);
  }
  std::uint32_t LastError() override { return platform::kErrorAccessDenied; }
  platform::RegKey OtherView() override { return inner_.OtherView(); }

 private:
  static long Denied() { return platform::kErrorAccessDenied; }
  platform::IRegistryStore& inner_;
  FaultPlan& plan_;
};

class FaultyFileSystem : public platform::IFileSystem {
 public:
  FaultyFileSystem(platform::IFileSystem& inner, FaultPlan& plan) : inner_(inner), plan_(plan) {}

  bool Exists(const std::string& path) override { return !plan_.Refuse() && inner_.Exists(path); }
  bool IsDirectory(const std::string& path) override { return !plan_.Refuse() && inner_.IsDirectory(path); }
  bool Size(const std::string& path, std::uint64_t& size) override {
    return !plan_.Refuse() && inner_.Size(path, size);
  }
  platform::FsResult ReadAll(const std::string& path, std::vector<std::uint8_t>& data) override {
    return plan_.Refuse() ? platform::FsResult::Failed : inner_.ReadAll(path, data);
  }
  platform::FsResult WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) override {
    return plan_.Refuse() ? platform::FsResult::Failed : inner_.WriteAll(path, data);
  }
  platform::FsResult Append(const std::string& path, const std::string& bytes, bool create) override {
    return plan_.Refuse() ? platform::FsResult::Failed : inner_.Append(path, bytes, create);
  }
  platform::FsResult Delete(const std::string& path) override {
    return plan_.Refuse() ? platform::FsResult::Failed : inner_.Delete(path);
  }
  platform::FsResult Move(const std::string& from, const std::string& to, bool replaceExisting) override {
    return plan_.Refuse() ? platform::FsResult::Failed : inner_.Move(from, to, replaceExisting);
  }
  platform::FsResult MakeDirectory(const std::string& path) override {
    return plan_.Refuse() ? platform::FsResult::Failed : inner_.MakeDirectory(path);
  }
  bool List(const std::string& folder, const std::string& pattern, std::vector<platform::DirEntry>& entries) override {
    if (plan_.Refuse()) {
      entries.clear();
      return false;
    }
    bool listed = inner_.List(folder, pattern, entries);
    int breaksAt = plan_.ListingFailsAt();
    if (!listed || breaksAt < 0 || entries.size() <= static_cast<std::size_t>(breaksAt)) return listed;
    entries.resize(static_cast<std::size_t>(breaksAt));
    return false;
  }

 private:
  platform::IFileSystem& inner_;
  FaultPlan& plan_;
};

}  // namespace qm::test
