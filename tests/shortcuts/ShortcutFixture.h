#pragma once
// A machine for the shortcut engine: both startup folders named in Shell
// Folders, the stored locations of both roots, the portable link object,
// and a shell and message boxes that only record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/ShellLink.h"
#include "platform/portable/ShellLinkFile.h"
#include "tests/support/FakeMessageBox.h"
#include "tests/support/FakeShell.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {

inline constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kShc[] = "Software\\Tarnwick\\Quill Moor\\Shc";
inline constexpr char kShcSelections[] = "Software\\Tarnwick\\Quill Moor\\Shc\\Selections";
inline constexpr char kUserFolder[] = "C:\\Users\\ann\\Start Menu\\Programs\\Startup";
inline constexpr char kCommonFolder[] = "C:\\ProgramData\\Start Menu\\Programs\\Startup";

class ShortcutTest : public ::testing::Test {
 protected:
  ShortcutTest() : linkSlot_(&link), shellSlot_(&shell), boxSlot_(&box) {
    platform.SetText(HKeyCurrentUser, kShellFolders, "Startup", kUserFolder);
    platform.SetText(HKeyLocalMachine, kShellFolders, "Common Startup", kCommonFolder);
    platform.MakeFolder(kUserFolder);
    platform.MakeFolder(kCommonFolder);
    CRegistry registry;
    registry.CreateKey(HKeyCurrentUser, kShcSelections);
    registry.CreateKey(HKeyLocalMachine, kShcSelections);
    platform.StartLog();
  }

  static std::string In(const std::string& folder, const std::string& file) { return folder + "\\" + file; }

  // The stored bytes of an entry, or "<missing>".
  std::string Stored(RegKey root, const std::string& name) {
    std::vector<std::uint8_t> bytes(1 << 16);
    std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
    if (!CRegistry().GetValue(root, kShc, name.c_str(), bytes.data(), &size)) return "<missing>";
    return std::string(bytes.begin(), bytes.begin() + size);
  }
  void Store(RegKey root, const std::string& name, const std::string& bytes) {
    std::uint8_t none = 0;
    CRegistry().SetValue(root, kShc, name.c_str(),
                         bytes.empty() ? &none : reinterpret_cast<const std::uint8_t*>(bytes.data()),
                         static_cast<std::uint32_t>(bytes.size()));
  }
  std::int64_t Flag(RegKey root, const std::string& name) { return platform.Number(root, kShcSelections, name); }
  std::vector<std::string> Files(const std::string& folder) {
    std::vector<platform::DirEntry> entries;
    platform.files.List(folder, "*", entries);
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.name);
    return names;
  }
  // A real shortcut file made with the link object.
  void MakeLink(const std::string& path, const std::string& target, const std::string& arguments) {
    platform::PortableShellLink maker;
    maker.SetPath(target);
    maker.SetArguments(arguments);
    ASSERT_EQ(platform::kLinkOk, maker.Save(path));
  }
  std::vector<std::string> Log() { return platform.LogLines(); }

  TestPlatform platform;
  platform::PortableShellLink link;
  FakeShell shell;
  FakeMessageBox box;
  CShortcutEngineer engineer;

 private:
  platform::ScopedService<platform::ILinkObject> linkSlot_;
  platform::ScopedService<platform::IShell> shellSlot_;
  platform::ScopedService<platform::IMessageBox> boxSlot_;
};

}  // namespace qm::test
