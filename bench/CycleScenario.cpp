#include "bench/CycleScenario.h"

#include <chrono>
#include <cstdio>
#include <map>

#include "engine/entries/ServiceEngineer.h"
#include "tests/support/LogOn.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"
#include "platform/portable/MemoryFileSystem.h"
#include "platform/portable/ShellLinkFile.h"

namespace qm::bench {
namespace {

using Clock = std::chrono::steady_clock;
using platform::IFileSystem;
using platform::IRegistryStore;

struct Place {
  RegKey root;
  const char* windowsKey;
  const char* storedKey;
  const char* selectionsKey;
};
const Place kPlaces[] = {{HKeyCurrentUser, kRunKey, kStoredRunKey, kStoredRunSelectionsKey},
                         {HKeyLocalMachine, kRunKey, kStoredRunKey, kStoredRunSelectionsKey},
                         {HKeyLocalMachine, kRunServicesKey, kStoredRunServicesKey, kStoredRunServicesSelectionsKey}};

struct Side {
  RegKey root;
  const std::string* folder;
};

// Where the floor moves values to and reads its flags from.
constexpr char kFloorParent[] = "Software\\Tarnwick";
constexpr char kFloorName[] = "Quill Moor Floor";
constexpr char kFloorKey[] = "Software\\Tarnwick\\Quill Moor Floor";
constexpr char kFloorFlagsKey[] = "Software\\Tarnwick\\Quill Moor Floor\\Flags";

std::string Name(int i) { return "Entry " + std::to_string(i * 7919 % 100003); }
std::string Line(int i) { return "C:\\Program Files\\Vendor " + std::to_string(i) + "\\tool.exe -tray"; }
std::string FileOf(const std::string& folder, int i) { return folder + "\\" + Name(i) + ".lnk"; }

// A small real shortcut, as the link object writes it.
const std::vector<std::uint8_t>& LinkBytes() {
  static const std::vector<std::uint8_t> bytes = [] {
    platform::ShellLinkData link;
    link.target = "C:\\Program Files\\Vendor\\tool.exe";
    link.text[platform::ShellLinkData::kArguments] = platform::AnsiToUtf16("-tray");
    return platform::EncodeShellLink(link);
  }();
  return bytes;
}

IRegistryStore& Store() { return *platform::Current<IRegistryStore>(); }
IFileSystem& Files() { return *platform::Current<IFileSystem>(); }

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Moves n values from one key to another through the store: read, write, delete.
void MoveValues(RegKey root, const char* from, const char* to, int n) {
  IRegistryStore& store = Store();
  platform::RegKey source = 0, target = 0;
  store.OpenKey(root, from, platform::kKeyReadWrite, &source);
  store.CreateKey(root, to, platform::kKeySetValue, &target);
  for (int i = 0; i < n; ++i) {
    std::uint8_t data[260];
    std::uint32_t size = sizeof(data), type = 0;
    std::string name = Name(i);
    store.QueryValue(source, name.c_str(), &type, data, &size);
    store.SetValue(target, name.c_str(), type, data, size);
    store.DeleteValue(source, name.c_str());
  }
  store.CloseKey(source);
  store.CloseKey(target);
}

void ReadFlags(RegKey root, int n) {
  IRegistryStore& store = Store();
  platform::RegKey flags = 0;
  store.OpenKey(root, kFloorFlagsKey, platform::kKeyRead, &flags);
  for (int i = 0; i < n; ++i) {
    std::uint32_t flag = 0, size = sizeof(flag), type = 0;
    store.QueryValue(flags, Name(i).c_str(), &type, reinterpret_cast<std::uint8_t*>(&flag), &size);
  }
  store.CloseKey(flags);
}

// Counts every call by kind and passes it on.
class CountingStore : public IRegistryStore {
 public:
  explicit CountingStore(IRegistryStore& inner) : inner_(inner) {}
  std::map<std::string, long long> calls;
  long OpenKey(RegKey parent, const char* path, platform::KeyAccess access, RegKey* result) override {
    ++calls["open"];
    return inner_.OpenKey(parent, path, access, result);
  }
  long CreateKey(RegKey parent, const char* path, platform::KeyAccess access, RegKey* result) override {
    ++calls["create"];
    return inner_.CreateKey(parent, path, access, result);
  }
  long CloseKey(RegKey key) override { return inner_.CloseKey(key); }
  long QueryValue(RegKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override {
    ++calls["query"];
    return inner_.QueryValue(key, name, type, data, size);
  }
  long SetValue(RegKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override {
    ++calls["set"];
    return inner_.SetValue(key, name, type, data, size);
  }
  long DeleteValue(RegKey key, const char* name) override {
    ++calls["delete"];
    return inner_.DeleteValue(key, name);
  }
  long DeleteKey(RegKey key, const char* subkey) override {
    ++calls["delete key"];
    return inner_.DeleteKey(key, subkey);
  }
  long EnumKey(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize) override {
    ++calls["enum key"];
    return inner_.EnumKey(key, index, name, nameSize);
  }
  long EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameSize, std::uint32_t* type,
                 std::uint8_t* data, std::uint32_t* dataSize) override {
    ++calls[data ? "enum value+data" : "enum value"];
    return inner_.EnumValue(key, index, name, nameSize, type, data, dataSize);
  }
  std::uint32_t LastError() override { return inner_.LastError(); }
  RegKey OtherView() override { return inner_.OtherView(); }

 private:
  IRegistryStore& inner_;
};

class CountingFiles : public IFileSystem {
 public:
  explicit CountingFiles(IFileSystem& inner) : inner_(inner) {}
  std::map<std::string, long long> calls;
  bool Exists(const std::string& path) override { return ++calls["exists"], inner_.Exists(path); }
  bool IsDirectory(const std::string& path) override { return ++calls["is folder"], inner_.IsDirectory(path); }
  bool Size(const std::string& path, std::uint64_t& size) override { return ++calls["size"], inner_.Size(path, size); }
  platform::FsResult ReadAll(const std::string& path, std::vector<std::uint8_t>& data) override {
    return ++calls["read"], inner_.ReadAll(path, data);
  }
  platform::FsResult WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) override {
    return ++calls["write"], inner_.WriteAll(path, data);
  }
  platform::FsResult Append(const std::string& path, const std::string& bytes, bool create) override {
    return ++calls["append"], inner_.Append(path, bytes, create);
  }
  platform::FsResult Delete(const std::string& path) override { return ++calls["delete"], inner_.Delete(path); }
  platform::FsResult Move(const std::string& from, const std::string& to, bool replace) override {
    return ++calls["move"], inner_.Move(from, to, replace);
  }
  platform::FsResult MakeDirectory(const std::string& path) override {
    return ++calls["make folder"], inner_.MakeDirectory(path);
  }
  bool List(const std::string& folder, const std::string& pattern, std::vector<platform::DirEntry>& entries) override {
    return ++calls["list"], inner_.List(folder, pattern, entries);
  }

 private:
  IFileSystem& inner_;
};

void PrintCounts(const char* step, const std::map<std::string, long long>& registry,
                 const std::map<std::string, long long>& files, double perEntries, double seconds) {
  std::printf("  %-24s %9.1f ms;", step, seconds * 1000);
  for (const auto& [kind, count] : registry) std::printf(" reg %s %.2f;", kind.c_str(), count / perEntries);
  for (const auto& [kind, count] : files) std::printf(" file %s %.2f;", kind.c_str(), count / perEntries);
  std::printf("\n");
}

}  // namespace

Folders StartupFolders() {
  Folders folders;
  CRegistry registry;
  registry.GetValue(HKeyCurrentUser, kShellFoldersKey, "Startup", &folders.user);
  registry.GetValue(HKeyLocalMachine, kShellFoldersKey, "Common Startup", &folders.common);
  return folders;
}

void Seed(const Folders& folders, int n) {
  CRegistry registry;
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    registry.CreateKey(root, kStoredRunSelectionsKey);
    registry.CreateKey(root, kStoredShcSelectionsKey);
  }
  registry.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
  for (const std::string& folder : {folders.user, folders.common})
    for (int i = 0; i < n; ++i) Files().WriteAll(FileOf(folder, i), LinkBytes());
  for (const Place& place : kPlaces) {
    registry.CreateKey(place.root, place.windowsKey);
    for (int i = 0; i < n; ++i) registry.SetValue(place.root, place.windowsKey, Name(i).c_str(), Line(i));
  }
}

void Clear(const Folders& folders, int n) {
  CRegistry registry;
  for (const std::string& folder : {folders.user, folders.common})
    for (int i = 0; i < n; ++i) Files().Delete(FileOf(folder, i));
  for (const Place& place : kPlaces)
    for (int i = 0; i < n; ++i) registry.DeleteValue(place.root, place.windowsKey, Name(i).c_str());
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    for (const char* kind : {"Run", "RunServices", "Shc"}) {
      registry.DeleteKey(root, (std::string(kProductKey) + "\\" + kind).c_str(), "Selections");
      registry.DeleteKey(root, kProductKey, kind);
    }
    for (const char* mark : {kRunReturnedMark, kRunServicesReturnedMark, kShcReturnedMark})
      registry.DeleteValue(root, kProductKey, mark);
    registry.DeleteKey(root, kFloorKey, "Flags");
    registry.DeleteKey(root, kFloorKey, "Shc");
    registry.DeleteKey(root, kFloorParent, kFloorName);
  }
}

void RunCycle() { test::NextLogOn(); }

double TimeCycle() {
  RunCycle();  // the first log-on: everything known and returned
  auto start = Clock::now();
  RunCycle();
  return Seconds(start);
}

namespace {

// The flags the floor reads, one per entry, under each root.
void PrepareFloor(int n) {
  CRegistry registry;
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    registry.CreateKey(root, kFloorFlagsKey);
    for (int i = 0; i < n; ++i) registry.SetValue(root, kFloorFlagsKey, Name(i).c_str(), std::uint32_t{1});
  }
}

void FloorTraffic(const Folders& folders, int n) {
  const std::string shcKey = std::string(kFloorKey) + "\\Shc";
  IRegistryStore& store = Store();
  const Side sides[] = {{HKeyCurrentUser, &folders.user}, {HKeyLocalMachine, &folders.common}};
  for (const Side& side : sides) {
    platform::RegKey target = 0;
    store.CreateKey(side.root, shcKey.c_str(), platform::kKeySetValue, &target);
    for (int i = 0; i < n; ++i) {
      std::string name = Name(i), path = FileOf(*side.folder, i);
      std::vector<std::uint8_t> bytes;
      Files().ReadAll(path, bytes);
      store.SetValue(target, name.c_str(), platform::kRegBinary, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
      Files().Delete(path);
    }
    for (int i = 0; i < n; ++i) {
      std::string name = Name(i);
      std::vector<std::uint8_t> bytes(4096);
      std::uint32_t size = static_cast<std::uint32_t>(bytes.size()), type = 0;
      store.QueryValue(target, name.c_str(), &type, bytes.data(), &size);
      bytes.resize(size);
      Files().WriteAll(FileOf(*side.folder, i), bytes);
      store.DeleteValue(target, name.c_str());
    }
    store.CloseKey(target);
    ReadFlags(side.root, n);
  }
  for (const Place& place : kPlaces) {
    MoveValues(place.root, place.windowsKey, kFloorKey, n);
    MoveValues(place.root, kFloorKey, place.windowsKey, n);
    ReadFlags(place.root, n);
  }
}

}  // namespace

double TimeFloor(const Folders& folders, int n) {
  PrepareFloor(n);
  auto start = Clock::now();
  FloorTraffic(folders, n);
  return Seconds(start);
}

void PrintCallsPerEntry(const Folders& folders, int n) {
  Seed(folders, n);
  RunCycle();
  CountingStore store(Store());
  CountingFiles files(Files());
  {
    platform::ScopedService<IRegistryStore> storeSlot(&store);
    platform::ScopedService<IFileSystem> filesSlot(&files);
    std::printf("Calls per entry, %d entries per key, second cycle:\n", n);
    // Run counts over two roots, RunServices over one, shortcuts over two folders.
    auto step = [&](const char* name, double entries, auto&& work) {
      store.calls.clear();
      files.calls.clear();
      auto start = Clock::now();
      work();
      PrintCounts(name, store.calls, files.calls, entries, Seconds(start));
    };
    step("Run StartWork", 2.0 * n, [] { CStartupEngineer().StartWork(); });
    step("Shortcut StartWork", 2.0 * n, [] { CShortcutEngineer().StartWork(); });
    step("RunServices StartWork", 1.0 * n, [] { CServiceEngineer().StartWork(); });
    step("Run return", 2.0 * n, [] { CStartupEngineer().ReturnRunEntries(); });
    step("Shortcut return", 2.0 * n, [] { CShortcutEngineer().ReturnShcEntries(); });
    step("RunServices return", 1.0 * n, [] { CServiceEngineer().ReturnRunServiceEntries(); });
  }
  Clear(folders, n);
  Seed(folders, n);
  PrepareFloor(n);
  {
    platform::ScopedService<IRegistryStore> storeSlot(&store);
    platform::ScopedService<IFileSystem> filesSlot(&files);
    store.calls.clear();
    files.calls.clear();
    auto start = Clock::now();
    FloorTraffic(folders, n);
    PrintCounts("floor (every kind)", store.calls, files.calls, 5.0 * n, Seconds(start));
  }
  Clear(folders, n);
}

}  // namespace qm::bench
