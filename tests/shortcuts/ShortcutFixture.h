#pragma once
// A machine for the shortcut engine: both startup folders named in Shell
// Folders, the stored locations of both roots, the portable link object,
// and a shell and message boxes that only record.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/ShellLink.h"
#include "platform/Text.h"
#include "platform/portable/ShellLinkFile.h"
#include "tests/support/FakeMessageBox.h"
#include "tests/support/FakeShell.h"
#include "tests/support/LinkBytes.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {

inline constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kShc[] = "Software\\Tarnwick\\Quill Moor\\Shc";
inline constexpr char kShcSelections[] = "Software\\Tarnwick\\Quill Moor\\Shc\\Selections";
inline constexpr char kUserFolder[] = "C:\\Users\\ann\\Start Menu\\Programs\\Startup";
inline constexpr char kCommonFolder[] = "C:\\ProgramData\\Start Menu\\Programs\\Startup";
// Where the temporary copies of taken shortcuts go.
inline const std::string kTempCopies = std::string(kTempFolder) + "\\Quill Moor";

// The file system with one folder guarded: every change under it refused, as
// for a folder the user may read but not write (Program Files for a limited
// user), or its listing refused (access denied to the folder itself).
class FolderGuard : public platform::IFileSystem {
 public:
  enum Refuse { kChanges, kListing };
  FolderGuard(platform::IFileSystem& inner, std::string folder, Refuse refuse = kChanges)
      : inner_(inner), folder_(std::move(folder)), refuse_(refuse) {}
  bool Exists(const std::string& p) override { return inner_.Exists(p); }
  bool IsDirectory(const std::string& p) override { return inner_.IsDirectory(p); }
  bool Size(const std::string& p, std::uint64_t& s) override { return inner_.Size(p, s); }
  platform::FsResult ReadAll(const std::string& p, std::vector<std::uint8_t>& d) override { return inner_.ReadAll(p, d); }
  platform::FsResult WriteAll(const std::string& p, const std::vector<std::uint8_t>& d) override {
    return Under(p) ? platform::FsResult::Failed : inner_.WriteAll(p, d);
  }
  platform::FsResult Append(const std::string& p, const std::string& b, bool c) override {
    return Under(p) ? platform::FsResult::Failed : inner_.Append(p, b, c);
  }
  platform::FsResult Delete(const std::string& p) override {
    return Under(p) ? platform::FsResult::Failed : inner_.Delete(p);
  }
  platform::FsResult Move(const std::string& f, const std::string& t, bool r) override {
    return Under(f) || Under(t) ? platform::FsResult::Failed : inner_.Move(f, t, r);
  }
  platform::FsResult MakeDirectory(const std::string& p) override {
    return Under(p) ? platform::FsResult::Failed : inner_.MakeDirectory(p);
  }
  bool List(const std::string& f, const std::string& pattern, std::vector<platform::DirEntry>& e) override {
    if (refuse_ == kListing && platform::EqualsNoCase(f, folder_)) {
      e.clear();
      return false;
    }
    return inner_.List(f, pattern, e);
  }

 private:
  bool Under(const std::string& path) const {
    return refuse_ == kChanges && platform::EqualsNoCase(path.substr(0, folder_.size() + 1), folder_ + "\\");
  }
  platform::IFileSystem& inner_;
  std::string folder_;
  Refuse refuse_;
};

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
  // Puts every shortcut away: no files, nothing stored, no flags, no mark, an empty log.
  void Clear() {
    CRegistry registry;
    for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
      for (const char* key : {kShc, kShcSelections})
        for (const std::string& name : platform.Names(root, key)) registry.DeleteValue(root, key, name.c_str());
      registry.DeleteValue(root, "Software\\Tarnwick\\Quill Moor", "Shc Entries Returned");
    }
    for (const char* folder : {kUserFolder, kCommonFolder})
      for (const std::string& file : Files(folder)) std::filesystem::remove_all(platform.Host(In(folder, file)));
    platform.WriteFile(platform.LogPath(), "");
  }

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
