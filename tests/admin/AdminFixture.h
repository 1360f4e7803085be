#pragma once
// A machine for the console tool: the portable platform with both startup
// folders named, a guard that stands for the program's mutex, and a way to run
// one qmctl command line and to see everything the command could have touched.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "admin/core/Qmctl.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/portable/ShellLinkFile.h"
#include "tests/support/LinkBytes.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {

inline constexpr char kUserStartup[] = "C:\\Users\\ann\\Start Menu\\Programs\\Startup";
inline constexpr char kCommonStartup[] = "C:\\ProgramData\\Start Menu\\Programs\\Startup";

class FakeGuard : public admin::IInstanceGuard {
 public:
  bool Acquire() override {
    ++asked;
    return !programRunning;
  }
  bool programRunning = false;
  int asked = 0;
};

class AdminTest : public testing::Test {
 protected:
  AdminTest() {
    platform.SetText(HKeyCurrentUser, kShellFoldersKey, "Startup", kUserStartup);
    platform.SetText(HKeyLocalMachine, kShellFoldersKey, "Common Startup", kCommonStartup);
    platform.MakeFolder(kUserStartup);
    platform.MakeFolder(kCommonStartup);
    platform.StartLog();
  }

  struct Result {
    int code;
    std::string out, err;
  };
  Result Qmctl(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    int code = admin::Run(arguments, guard, cycle, out, err);
    return {code, out.str(), err.str()};
  }

  void StoreBinary(RegKey root, const char* key, const std::string& name, const std::string& bytes) {
    RegKey open = 0;
    platform.registry.CreateKey(root, key, platform::kKeySetValue, &open);
    platform.registry.SetValue(open, name.c_str(), platform::kRegBinary,
                               reinterpret_cast<const std::uint8_t*>(bytes.data()),
                               static_cast<std::uint32_t>(bytes.size()));
    platform.registry.CloseKey(open);
  }
  static std::string In(const std::string& folder, const std::string& name) { return folder + "\\" + name + ".lnk"; }

  // Everything a command could change: every value of both roots, whole, and
  // every file of both startup folders.
  std::map<std::string, std::string> Machine() {
    std::map<std::string, std::string> all;
    // Both views of HKLM: the other one holds its Wow6432Node again, which costs nothing.
    for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine, platform::kHklm64View})
      Walk(root, root == HKeyCurrentUser ? "HKCU" : root == HKeyLocalMachine ? "HKLM" : "HKLM64", root, &all);
    for (const char* folder : {kUserStartup, kCommonStartup}) {
      std::vector<platform::DirEntry> files;
      platform.files.List(folder, "*", files);
      for (const auto& file : files) all[std::string(folder) + "\\" + file.name] = platform.ReadFile(std::string(folder) + "\\" + file.name);
    }
    return all;
  }

  TestPlatform platform;
  FakeGuard guard;
  admin::CycleOperations cycle;

 private:
  void Walk(RegKey key, const std::string& path, RegKey root, std::map<std::string, std::string>* all) {
    char name[16384];
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t nameSize = sizeof(name), type = 0, size = 1 << 20;
      std::vector<std::uint8_t> data(size);
      if (platform.registry.EnumValue(key, i, name, &nameSize, &type, data.data(), &size) != 0) break;
      (*all)[path + "|" + std::string(name, nameSize)] = std::to_string(type) + ":" + std::string(data.begin(), data.begin() + size);
    }
    for (std::uint32_t i = 0;; ++i) {
      std::uint32_t nameSize = sizeof(name);
      if (platform.registry.EnumKey(key, i, name, &nameSize) != 0) break;
      RegKey child = 0;
      std::string sub(name, nameSize);
      if (platform.registry.OpenKey(key, sub.c_str(), platform::kKeyRead, &child) != 0) continue;
      Walk(child, path + "\\" + sub, root, all);
      platform.registry.CloseKey(child);
    }
  }
};

}  // namespace qm::test
