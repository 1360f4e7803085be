// Names compare as Windows compares them, in every script: the one comparison
// the platform provides, the folded key that goes with it, wildcards, and the
// portable file systems that find and rename files by it. In the Windows
// build the same table runs against the system's own comparison.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/portable/MemoryFileSystem.h"
#include "platform/portable/ShellLinkFile.h"
#include "tests/support/TestPlatform.h"

namespace qm {
namespace {

struct NamePair {
  const char* a;
  const char* b;
  bool same;
};

// Names of several scripts, in UTF-8, and whether Windows takes them for one.
const NamePair kNamePairs[] = {
    {"Mail", "MAIL", true},
    {"Écran", "écran", true},
    {"Éditeur", "ÉDITEUR", true},
    {"Привет", "привет", true},
    {"Привет", "ПРИВЕТ", true},
    {"ΑΘΉΝΑ", "αθήνα", true},
    {"Ωμέγα", "ωμέγα", true},
    {"Ärger", "ärger", true},
    {"Łódź", "łÓdŹ", true},
    {"微信", "微信", true},
    {"Notes 📝", "NOTES 📝", true},
    {"ｆｕｌｌ", "ＦＵＬＬ", true},  // full-width Latin
    {"Écran", "Ecran", false},       // an accent is not letter case
    {"微信", "微博", false},
    {"Привет", "Привeт", false},  // a Latin e among the Cyrillic letters
    {"straße", "STRASSE", false},  // no mapping of one character to two
    {"Notes 📝", "Notes 📒", false},
    {"\xC9" "cran", "\xE9" "cran", false},    // ANSI bytes, not UTF-8: each its own
    {"\xFF" "mail", "\xFF" "MAIL", true},     // a stray byte leaves the letters around it alone
    {"\xC3", "\xC3\x89", false},              // a sequence cut short
    {"", "", true},
    {"", "a", false},
};

TEST(Names, CompareWithoutCaseInEveryScriptAndFoldToTheSameKey) {
  for (const auto& pair : kNamePairs) {
    SCOPED_TRACE(std::string(pair.a) + " / " + pair.b);
    EXPECT_EQ(pair.same, platform::EqualsNoCase(pair.a, pair.b));
    EXPECT_EQ(pair.same, platform::EqualsNoCase(pair.b, pair.a));
    EXPECT_EQ(pair.same, platform::FoldCase(pair.a) == platform::FoldCase(pair.b));
    // The key folds a name within a path the way it folds it alone.
    EXPECT_EQ(platform::FoldCase(std::string("C:\\") + pair.a),
              platform::FoldCase("C:\\") + platform::FoldCase(pair.a));
  }
}

TEST(Names, WildcardsMatchWholeCharactersWithoutCase) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*.lnk", "Écran.LNK", true},     {"?cran.lnk", "Écran.lnk", true},  {"??.lnk", "微信.lnk", true},
      {"?.lnk", "微信.lnk", false},     {"é*", "Écran.lnk", true},         {"прив*", "ПРИВЕТ.lnk", true},
      {"*📝.lnk", "Notes 📝.lnk", true}, {"Notes ?.lnk", "Notes 📝.lnk", true}, {"*.lnk", "Écran.txt", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.match, platform::WildcardMatch(c.pattern, c.name)) << c.pattern << " " << c.name;
}

// Our link reader and writer turn the engine's texts into the UTF-16 of a link
// file and back: names in any script arrive as the system would write them,
// and any bytes at all come back as they went, so that a link survives a load
// and a save.
TEST(Names, LinkTextsTravelToUtf16AndBackWhole) {
  for (const auto& pair : kNamePairs) {
    EXPECT_EQ(pair.a, platform::Utf16ToAnsi(platform::AnsiToUtf16(pair.a)));
    EXPECT_EQ(pair.b, platform::Utf16ToAnsi(platform::AnsiToUtf16(pair.b)));
  }
  EXPECT_EQ(u"Notes \U0001F4DD \u5FAE\u4FE1", platform::AnsiToUtf16("Notes 📝 微信"));
  std::string bytes(3, '\0'), firstChanged;
  int changed = 0;
  for (int first = 0; first < 256; ++first)
    for (int second = 0; second < 256; ++second)
      for (int third : {0x41, 0x80, 0xA9, 0xC3, 0xF0}) {
        bytes[0] = static_cast<char>(first), bytes[1] = static_cast<char>(second), bytes[2] = static_cast<char>(third);
        if (platform::Utf16ToAnsi(platform::AnsiToUtf16(bytes)) != bytes && changed++ == 0) firstChanged = bytes;
      }
  EXPECT_EQ(0, changed) << "first: " << testing::PrintToString(firstChanged);
}

#if !defined(_WIN32)
// The portable file systems stand in for NTFS: a name is found whatever its
// letter case, and a rename that changes only the case keeps the file under
// the new spelling.
struct Rename {
  const char* from;
  const char* to;
};
const Rename kCaseOnlyRenames[] = {{"Mail.lnk", "mail.lnk"}, {"Écran.lnk", "écran.lnk"}, {"Привет.lnk", "ПРИВЕТ.lnk"}};

class PortableFiles : public testing::Test {
 protected:
  std::vector<std::string> Listed(platform::IFileSystem& files) {
    std::vector<platform::DirEntry> entries;
    EXPECT_TRUE(files.List(folder_, "*.lnk", entries));
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.name);
    return names;
  }
  void Check(platform::IFileSystem& files) {
    ASSERT_EQ(platform::FsResult::Ok, files.MakeDirectory(folder_));
    for (const auto& rename : kCaseOnlyRenames) {
      SCOPED_TRACE(rename.from);
      std::string from = folder_ + "\\" + rename.from, to = folder_ + "\\" + rename.to;
      ASSERT_EQ(platform::FsResult::Ok, files.WriteAll(from, {'L', 0}));
      std::vector<std::uint8_t> bytes;
      EXPECT_EQ(platform::FsResult::Ok, files.ReadAll(platform::FoldCase(to), bytes));
      EXPECT_EQ(platform::FsResult::Ok, files.Move(from, to, false));
      EXPECT_EQ(std::vector<std::string>{rename.to}, Listed(files));
      EXPECT_EQ(platform::FsResult::Ok, files.ReadAll(to, bytes));
      EXPECT_EQ((std::vector<std::uint8_t>{'L', 0}), bytes);
      EXPECT_EQ(platform::FsResult::Ok, files.Delete(from));
    }
  }
  std::string folder_ = "C:\\Démarrage Программы";
};

TEST_F(PortableFiles, MappedFileSystemFindsAndRenamesWithoutCase) {
  test::TestPlatform platform;
  Check(platform.files);
}

TEST_F(PortableFiles, MemoryFileSystemFindsAndRenamesWithoutCase) {
  platform::MemoryFileSystem files;
  files.AddFolder("C:\\");
  Check(files);
}
#endif

}  // namespace
}  // namespace qm
