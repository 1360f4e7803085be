// Our shell-link reader and writer: round trips, what it keeps, what it
// refuses, and the files the COM object wrote under Wine.
#include <gtest/gtest.h>

#include <map>

#include "LinkSamples.h"
#include "platform/Text.h"
#include "platform/portable/ShellLinkFile.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {
namespace {

using platform::ShellLinkData;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(ShellLinkFile, WritesWhatItReadsBackAndAnsiTextKeepsItsAccents) {
  ShellLinkData link = ShellLinkData::Empty();
  link.ChangeTarget("C:\\Programme\\Café\\app.exe");
  link.hasText[ShellLinkData::kArguments] = true;
  link.text[ShellLinkData::kArguments] = platform::AnsiToUtf16("-q \"two words\" €");
  std::vector<std::uint8_t> bytes = platform::EncodeShellLink(link);

  ShellLinkData read;
  ASSERT_TRUE(platform::DecodeShellLink(bytes, read));
  EXPECT_EQ("C:\\Programme\\Café\\app.exe", read.target);
  EXPECT_EQ(u"-q \"two words\" \u20ac", read.text[ShellLinkData::kArguments]);
  EXPECT_EQ(bytes, platform::EncodeShellLink(read));
  // Header size and the shell-link class identifier open every file.
  EXPECT_EQ(0x4C, bytes[0]);
  EXPECT_EQ(0x01, bytes[4]);
  EXPECT_EQ(0x46, bytes[19]);
}

// Windows' shell writes a link's ANSI fields in the system's code page (here
// Windows-1252, where 0xE4 is "ä"), not in our UTF-8: a link with LinkInfo
// but no Unicode path, and arguments without the Unicode flag.
TEST(ShellLinkFile, AnsiFieldsAreReadInTheSystemCodePage) {
  std::vector<std::uint8_t> bytes = platform::EncodeShellLink(ShellLinkData::Empty());
  bytes.resize(0x4C);
  bytes[0x14] = 0x02 | 0x20;  // LinkInfo and arguments, no Unicode flag
  const std::string path = "C:\\Probe S\xE4ge\\p.exe";
  std::vector<std::uint8_t> info(0x1C, 0);
  info[4] = 0x1C, info[8] = 1, info[12] = 0x1C;                       // header size, local path, VolumeID at
  info.insert(info.end(), {0x11, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 0});  // a fixed drive
  info[16] = static_cast<std::uint8_t>(info.size());
  info.insert(info.end(), path.begin(), path.end());
  info.insert(info.end(), {0, 0});  // the path's end, then an empty suffix
  info[24] = static_cast<std::uint8_t>(info.size() - 1);
  info[0] = static_cast<std::uint8_t>(info.size());
  bytes.insert(bytes.end(), info.begin(), info.end());
  bytes.insert(bytes.end(), {2, 0, '/', 0xE4, 0, 0, 0, 0});  // "/ä", then the end of ExtraData

  ShellLinkData read;
  ASSERT_TRUE(platform::DecodeShellLink(bytes, read));
  EXPECT_EQ("C:\\Probe S\xC3\xA4ge\\p.exe", read.target);
  EXPECT_EQ(u"/\u00e4", read.text[ShellLinkData::kArguments]);
  EXPECT_EQ("C:\\S\xEF\xBF\xBD", platform::ValidUtf8("C:\\S\xE4"));
}

TEST(ShellLinkFile, RefusesWhatIsNotALinkOrIsCutShort) {
  ShellLinkData read;
  EXPECT_FALSE(platform::DecodeShellLink({}, read));
  EXPECT_FALSE(platform::DecodeShellLink(Bytes("not a shortcut at all, just text that is long enough to fill a header "
                                               "of seventy-six bytes"),
                                         read));
  ShellLinkData link = ShellLinkData::Empty();
  link.ChangeTarget("C:\\app.exe");
  std::vector<std::uint8_t> bytes = platform::EncodeShellLink(link);
  bytes.resize(90);  // inside LinkInfo
  EXPECT_FALSE(platform::DecodeShellLink(bytes, read));
}

TEST(ShellLinkFile, TheLinkObjectChangesTargetAndArgumentsAndKeepsTheRest) {
  TestPlatform machine;
  ShellLinkData rich = ShellLinkData::Empty();
  rich.ChangeTarget("C:\\old.exe");
  rich.hasText[ShellLinkData::kWorkingDir] = true;
  rich.text[ShellLinkData::kWorkingDir] = u"C:\\work";
  rich.hasText[ShellLinkData::kRelativePath] = true;
  rich.text[ShellLinkData::kRelativePath] = u"..\\old.exe";
  std::vector<std::uint8_t> environment(0x314, 0);  // names the old target: must go
  environment[0] = 0x14;
  environment[1] = 0x03;
  environment[4] = 0x01;
  environment[7] = 0xA0;
  std::vector<std::uint8_t> console(12, 0);  // unknown to us: must stay
  console[0] = 12;
  console[4] = 0x02;
  console[7] = 0xA0;
  console[8] = 0x5A;
  rich.extraBlocks = {environment, console};
  std::vector<std::uint8_t> bytes = platform::EncodeShellLink(rich);
  machine.WriteFile("C:\\rich.lnk", std::string(bytes.begin(), bytes.end()));

  platform::PortableShellLink link;
  ASSERT_EQ(platform::kLinkOk, link.Load("C:\\RICH.LNK"));
  std::string target, arguments = "unset";
  link.GetPath(&target);
  link.GetArguments(&arguments);
  EXPECT_EQ("C:\\old.exe", target);
  EXPECT_EQ("", arguments);
  ASSERT_EQ(platform::kLinkOk, link.SetPath("C:\\new.exe"));
  ASSERT_EQ(platform::kLinkOk, link.SetArguments("/n"));
  ASSERT_EQ(platform::kLinkOk, link.Save("C:\\rich.lnk"));

  std::string saved = machine.ReadFile("C:\\rich.lnk");
  ShellLinkData read;
  ASSERT_TRUE(platform::DecodeShellLink(Bytes(saved), read));
  EXPECT_EQ("C:\\new.exe", read.target);
  EXPECT_EQ(u"/n", read.text[ShellLinkData::kArguments]);
  EXPECT_EQ(u"C:\\work", read.text[ShellLinkData::kWorkingDir]);
  EXPECT_FALSE(read.hasText[ShellLinkData::kRelativePath]);
  ASSERT_EQ(1u, read.extraBlocks.size());
  EXPECT_EQ(console, read.extraBlocks[0]);

  EXPECT_NE(platform::kLinkOk, link.Load("C:\\missing.lnk"));
  EXPECT_NE(platform::kLinkOk, link.Save("C:\\no such folder\\x.lnk"));
  EXPECT_EQ(platform::kLinkOk, link.Clear());
  link.GetPath(&target);
  EXPECT_EQ("", target);
}

struct Expected {
  std::string target;
  std::string arguments;
};

// What make_link_samples gave the COM object for each file (data/README.md).
const std::map<std::string, Expected> kSamples = {
    {"notepad.lnk", {"C:\\windows\\notepad.exe", ""}},
    {"cmd-arguments.lnk", {"C:\\windows\\system32\\cmd.exe", "/c echo \"quoted words\" > out.txt"}},
    {"missing-target.lnk", {"C:\\Program Files\\Nowhere\\absent.exe", "-x"}},
    {"rich.lnk", {"C:\\windows\\notepad.exe", "C:\\readme.txt"}},
    {"accented.lnk", {"C:\\windows\\notepad.exe", "café crème"}},
};

TEST(ShellLinkFile, ReadsTheFilesTheComObjectWrote) {
  ASSERT_EQ(kSamples.size(), LinkSamples().size());
  for (const LinkSample& sample : LinkSamples()) {
    SCOPED_TRACE(sample.file);
    ShellLinkData read;
    ASSERT_TRUE(platform::DecodeShellLink(sample.bytes, read));
    const Expected& expected = kSamples.at(sample.file);
    EXPECT_TRUE(platform::EqualsNoCase(expected.target, read.target)) << read.target;
    EXPECT_EQ(expected.arguments, platform::Utf16ToAnsi(read.text[ShellLinkData::kArguments]));
  }
}

TEST(ShellLinkFile, WithoutLinkInfoTheTargetComesFromTheItemList) {
  for (const LinkSample& sample : LinkSamples()) {
    SCOPED_TRACE(sample.file);
    ShellLinkData read;
    ASSERT_TRUE(platform::DecodeShellLink(sample.bytes, read));
    ASSERT_FALSE(read.idList.empty());
    read.linkInfo.clear();
    read.target.clear();
    ShellLinkData listOnly;
    ASSERT_TRUE(platform::DecodeShellLink(platform::EncodeShellLink(read), listOnly));
    EXPECT_TRUE(platform::EqualsNoCase(kSamples.at(sample.file).target, listOnly.target)) << listOnly.target;
  }
}

TEST(ShellLinkFile, ARewrittenComFileKeepsItsOtherProperties) {
  const LinkSample* rich = nullptr;
  for (const LinkSample& sample : LinkSamples())
    if (std::string(sample.file) == "rich.lnk") rich = &sample;
  ASSERT_NE(nullptr, rich);
  TestPlatform machine;
  machine.WriteFile("C:\\rich.lnk", std::string(rich->bytes.begin(), rich->bytes.end()));
  platform::PortableShellLink link;
  ASSERT_EQ(platform::kLinkOk, link.Load("C:\\rich.lnk"));
  link.SetPath("C:\\windows\\write.exe");
  link.SetArguments("");
  ASSERT_EQ(platform::kLinkOk, link.Save("C:\\rich.lnk"));
  std::string saved = machine.ReadFile("C:\\rich.lnk");
  ShellLinkData before, after;
  ASSERT_TRUE(platform::DecodeShellLink(rich->bytes, before));
  ASSERT_TRUE(platform::DecodeShellLink(Bytes(saved), after));
  EXPECT_EQ("C:\\windows\\write.exe", after.target);
  EXPECT_FALSE(after.hasText[ShellLinkData::kArguments]);
  EXPECT_EQ(before.text[ShellLinkData::kWorkingDir], after.text[ShellLinkData::kWorkingDir]);
  EXPECT_EQ(before.text[ShellLinkData::kName], after.text[ShellLinkData::kName]);
  EXPECT_EQ(before.text[ShellLinkData::kIconLocation], after.text[ShellLinkData::kIconLocation]);
  // Hot key, show command and icon index live in the header.
  EXPECT_EQ(std::vector<std::uint8_t>(before.header.begin() + 0x38, before.header.end()),
            std::vector<std::uint8_t>(after.header.begin() + 0x38, after.header.end()));
}

// Found by the fuzzer: a name in an item list with a byte the code page
// leaves undefined came back as '?' once the link was saved with LinkInfo.
TEST(ShellLinkFile, EveryAnsiByteSurvivesTheWayToUtf16AndBack) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(all, platform::Utf16ToAnsi(platform::AnsiToUtf16(all)));
  EXPECT_EQ("中", platform::Utf16ToAnsi(u"\u4E2D"));
}

}  // namespace
}  // namespace qm::test
