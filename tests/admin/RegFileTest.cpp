// The registry editor's file format as the console tool writes and reads it:
// each kind of value in the line regedit writes for it, and back unchanged.
#include <gtest/gtest.h>

#include "admin/core/RegFile.h"
#include "platform/RegistryStore.h"
#include "platform/portable/ShellLinkFile.h"

namespace qm::admin {
namespace {

std::string Utf8Of(const std::vector<std::uint8_t>& file) {
  std::u16string wide;
  for (std::size_t i = 2; i + 1 < file.size(); i += 2) wide += static_cast<char16_t>(file[i] | file[i + 1] << 8);
  return platform::Utf16ToAnsi(wide);
}

std::vector<std::uint8_t> FileOf(const std::string& utf8) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
  for (char16_t unit : platform::AnsiToUtf16(utf8)) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

TEST(RegFileTest, EachValueIsWrittenAsRegeditWritesItAndReadBack) {
  struct Case {
    WholeValue value;
    std::string line;  // as it stands in the file
  };
  std::vector<std::uint8_t> binary(40);
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<std::uint8_t>(i * 7);
  const std::vector<Case> cases = {
      {{"Mail", platform::kRegSz, Bytes(std::string("C:\\a b\\m.exe \"x\"") + '\0')},
       "\"Mail\"=\"C:\\\\a b\\\\m.exe \\\"x\\\"\"\r\n"},
      {{"Quote\"d\\", platform::kRegSz, Bytes(std::string("微信") + '\0')}, "\"Quote\\\"d\\\\\"=\"微信\"\r\n"},
      // Texts that cannot stand between quotes go as the UTF-16 the registry holds.
      {{"Two lines", platform::kRegSz, Bytes(std::string("a\r\nb") + '\0')},
       "\"Two lines\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"},
      {{"Expand", 2, Bytes(std::string("%A%é") + '\0')}, "\"Expand\"=hex(2):25,00,41,00,25,00,e9,00,00,00\r\n"},
      {{"Flag", platform::kRegDword, {0x0a, 0, 0, 0x80}}, "\"Flag\"=dword:8000000a\r\n"},
      {{"Link", platform::kRegBinary, binary},
       "\"Link\"=hex:00,07,0e,15,1c,23,2a,31,38,3f,46,4d,54,5b,62,69,70,77,7e,85,8c,93,\\\r\n"
       "  9a,a1,a8,af,b6,bd,c4,cb,d2,d9,e0,e7,ee,f5,fc,03,0a,11\r\n"},
      {{"Empty", platform::kRegBinary, {}}, "\"Empty\"=hex:\r\n"},
  };
  std::vector<RegFileKey> keys = {{HKeyLocalMachine, "Software\\Tarnwick\\Quill Moor\\Export\\Stored Run", {}}};
  for (const Case& c : cases) keys[0].values.push_back(c.value);
  std::vector<std::uint8_t> file = WriteRegFile(keys);
  ASSERT_GE(file.size(), 2u);
  EXPECT_EQ(0xFF, file[0]);
  EXPECT_EQ(0xFE, file[1]);
  std::string text = Utf8Of(file);
  EXPECT_EQ(0u, text.find("Windows Registry Editor Version 5.00\r\n\r\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\Quill Moor\\Export\\Stored Run]\r\n"));
  for (const Case& c : cases) EXPECT_NE(std::string::npos, text.find(c.line)) << c.line;

  std::vector<RegFileKey> read;
  std::string error;
  ASSERT_TRUE(ReadRegFile(file, &read, &error)) << error;
  ASSERT_EQ(1u, read.size());
  EXPECT_EQ(HKeyLocalMachine, read[0].root);
  EXPECT_EQ(keys[0].path, read[0].path);
  ASSERT_EQ(cases.size(), read[0].values.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(cases[i].value.name, read[0].values[i].name);
    EXPECT_EQ(cases[i].value.type, read[0].values[i].type) << cases[i].line;
    EXPECT_EQ(cases[i].value.data, read[0].values[i].data) << cases[i].line;
  }
}

TEST(RegFileTest, ReadsWhatAHandEditedFileMayHold) {
  // LF line ends, comments, capital hex digits, continuation lines indented
  // otherwise, blank lines between values.
  std::string text =
      "Windows Registry Editor Version 5.00\n"
      "; a note\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
      "\n"
      "\"A\"=hex:4C,00,\\\n"
      "\t00,\\\n"
      "      01\n"
      "\"B\"=\"\"\n"
      "\n"
      "; End of the Quill Moor entries\n";
  std::vector<RegFileKey> keys;
  std::string error;
  ASSERT_TRUE(ReadRegFile(FileOf(text), &keys, &error)) << error;
  ASSERT_EQ(1u, keys.size());
  ASSERT_EQ(2u, keys[0].values.size());
  EXPECT_EQ((std::vector<std::uint8_t>{0x4c, 0, 0, 1}), keys[0].values[0].data);
  EXPECT_EQ((std::vector<std::uint8_t>{0}), keys[0].values[1].data);
  for (const char* bad : {"\"C\"=hex:4c,,00\n", "\"C\"=hex(2):41\n", "\"C\"=dword:0000000g\n", "@=\"x\"\n",
                          "\"C\"=-\n", "\"C\"=\"open\n", "\"C\"=\"x\" trailing\n", "\"C\"=hex:01,\\\n\n"}) {
    std::string damaged = text;
    damaged.insert(damaged.find("\"B\""), bad);
    EXPECT_FALSE(ReadRegFile(FileOf(damaged), &keys, &error)) << bad;
    EXPECT_NE(std::string::npos, error.find("line ")) << bad << error;
  }
}

}  // namespace
}  // namespace qm::admin
