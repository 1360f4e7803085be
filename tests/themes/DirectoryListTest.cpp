// Theme discovery leans on the folder listing telling folders from files and
// keeping the file system's order; checked on the mapped file system and, in
// the Windows build, on the real one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "tests/support/TestPlatform.h"
#if defined(_WIN32)
#include <windows.h>

#include "platform/win32/Win32FileSystem.h"
#endif

namespace qm {
namespace {

void MakeSample(platform::IFileSystem& files, const std::string& root) {
  ASSERT_EQ(platform::FsResult::Ok, files.MakeDirectory(root + "\\Tarn"));
  ASSERT_EQ(platform::FsResult::Ok, files.MakeDirectory(root + "\\heather"));
  ASSERT_EQ(platform::FsResult::Ok, files.WriteAll(root + "\\Quillmoor.exe", {'M', 'Z'}));
  ASSERT_EQ(platform::FsResult::Ok, files.WriteAll(root + "\\Tarn\\color.txt", {'#'}));
  ASSERT_EQ(platform::FsResult::Ok, files.MakeDirectory(root + "\\Peat"));
}

// Real file systems differ in order (NTFS sorts, Wine passes on the host's
// order), so the real one is only checked for content.
void ExpectSampleListing(platform::IFileSystem& files, const std::string& root, bool orderMatters) {
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(files.List(root, "*.*", entries));
  std::vector<std::string> folders, others;
  for (const auto& entry : entries) (entry.isDirectory ? folders : others).push_back(entry.name);
  if (!orderMatters)
    std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) {
      return platform::FoldCase(a) < platform::FoldCase(b);
    });
  // The mapped file system hands names out as NTFS does: sorted without regard to case.
  EXPECT_EQ((std::vector<std::string>{"heather", "Peat", "Tarn"}), folders);
  EXPECT_EQ(std::vector<std::string>{"Quillmoor.exe"}, others);
  EXPECT_FALSE(files.List(root + "\\Missing", "*.*", entries));
}

TEST(DirectoryList, AllFilesPatternTakesNamesWithoutDot) {
  EXPECT_TRUE(platform::WildcardMatch("*.*", "Tarn"));
  EXPECT_TRUE(platform::WildcardMatch("*.*", "Quillmoor.exe"));
  EXPECT_TRUE(platform::WildcardMatch("T*.*", "tarn"));
  EXPECT_FALSE(platform::WildcardMatch("P*.*", "Tarn"));
  EXPECT_FALSE(platform::WildcardMatch("*.txt", "color"));
}

TEST(DirectoryList, MappedFileSystemTellsFoldersFromFiles) {
  test::TestPlatform platform;
  MakeSample(platform.files, "C:\\Program Files\\Quill Moor");
  ExpectSampleListing(platform.files, "C:\\Program Files\\Quill Moor", true);
}

#if defined(_WIN32)
TEST(DirectoryList, Win32FileSystemTellsFoldersFromFiles) {
  char temp[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetTempPathA(MAX_PATH, temp));
  std::string root = std::string(temp) + "qm-themes-list-" + std::to_string(::GetCurrentProcessId());
  platform::Win32FileSystem files;
  ASSERT_EQ(platform::FsResult::Ok, files.MakeDirectory(root));
  MakeSample(files, root);
  ExpectSampleListing(files, root, false);
  files.Delete(root + "\\Tarn\\color.txt");
  files.Delete(root + "\\Quillmoor.exe");
  for (const char* folder : {"\\Tarn", "\\heather", "\\Peat", ""}) ::RemoveDirectoryA((root + folder).c_str());
}
#endif

}  // namespace
}  // namespace qm
