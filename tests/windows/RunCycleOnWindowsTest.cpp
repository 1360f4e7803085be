// The Run and RunServices cycle against the real registry and the real log
// file of the Windows build: values put under the real Run keys, taken,
// returned, and the log checked byte for byte.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace qm {
namespace {

using namespace entries;

std::string ReadText(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  platform::Current<platform::IFileSystem>()->ReadAll(path, bytes);
  return std::string(bytes.begin(), bytes.end());
}

std::string Text(RegKey root, const char* key, const char* name) {
  std::string text = "<missing>";
  CRegistry().GetValue(root, key, name, &text);
  return text;
}

std::int64_t Flag(RegKey root, const char* key, const char* name) {
  std::uint32_t flag = 0;
  return CRegistry().GetValue(root, key, name, &flag) ? static_cast<std::int64_t>(flag) : -1;
}

bool Has(RegKey root, const char* key, const char* name) { return CRegistry().IsValueNamePresent(root, key, name); }

std::string HeaderDate(const platform::LocalTime& t) {
  static const char* months[] = {"January", "Febuary", "March",     "April",   "May",      "June",
                                 "July",    "August",  "September", "October", "November", "December"};
  char text[512];
  std::snprintf(text, sizeof(text),
                "\r\n----------------------------------------------------------\r\n"
                "Date : %02d %s %04d\r\nTime : %d : %d : %d\r\n"
                "----------------------------------------------------------\r\n\r\n",
                t.day, months[t.month - 1], t.year, t.hour, t.minute, t.second);
  return text;
}

class RunCycleOnWindows : public testing::Test {
 protected:
  void SetUp() override {
    CLog::SetApplicationNames("Quill Moor", "Quillmoor");
    logPath_ = CLog::GetProgramPathWith("Quillmoor.log");
    platform::Current<platform::IFileSystem>()->Delete(logPath_);
    CRegistry reg;
    reg.CreateKey(HKeyCurrentUser, kRunKey);
    reg.CreateKey(HKeyLocalMachine, kRunKey);
    reg.CreateKey(HKeyLocalMachine, kRunServicesKey);
    reg.CreateKey(HKeyCurrentUser, kStoredRunSelectionsKey);
    reg.CreateKey(HKeyLocalMachine, kStoredRunSelectionsKey);
    reg.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
  }
  void TearDown() override { CLog::SetApplicationNames("", ""); }
  std::string logPath_;
};

TEST_F(RunCycleOnWindows, EntriesGoToTheStoredLocationAndComeBackWithTheLogAsWritten) {
  auto* system = platform::Current<platform::ISystemInfo>();
  platform::LocalTime before = system->Now();
  CLog::Setup();
  platform::LocalTime after = system->Now();

  CRegistry reg;
  reg.SetValue(HKeyCurrentUser, kRunKey, "QM Private", std::string("C:\\private.exe -p"));
  reg.SetValue(HKeyLocalMachine, kRunKey, "QM Public", std::string("C:\\public.exe "));
  reg.SetValue(HKeyLocalMachine, kRunKey, "QM Blank", std::string(""));
  reg.SetValue(HKeyLocalMachine, kRunServicesKey, "QM Service", std::string("C:\\svc.exe /d"));
  // A program named without its folder, found in the Windows folder.
  reg.SetValue(HKeyCurrentUser, kRunKey, "QM Notepad", std::string("notepad.exe readme.txt"));

  CStartupEngineer startups;
  CServiceEngineer services;
  EXPECT_EQ(1, startups.StartWork());
  EXPECT_EQ(1, services.StartWork());

  EXPECT_FALSE(Has(HKeyCurrentUser, kRunKey, "QM Private"));
  EXPECT_FALSE(Has(HKeyLocalMachine, kRunKey, "QM Public"));
  EXPECT_TRUE(Has(HKeyLocalMachine, kRunKey, "QM Blank"));
  EXPECT_FALSE(Has(HKeyLocalMachine, kRunServicesKey, "QM Service"));
  EXPECT_EQ("C:\\private.exe -p", Text(HKeyCurrentUser, kStoredRunKey, "QM Private"));
  EXPECT_EQ("C:\\public.exe ", Text(HKeyLocalMachine, kStoredRunKey, "QM Public"));
  EXPECT_EQ("C:\\svc.exe /d", Text(HKeyLocalMachine, kStoredRunServicesKey, "QM Service"));
  std::string windows = system->WindowsDirectory();
  std::string system32 = system->SystemDirectory();
  std::string notepad = Text(HKeyCurrentUser, kStoredRunKey, "QM Notepad");
  EXPECT_TRUE(notepad == system32 + "\\notepad.exe readme.txt" || notepad == windows + "\\notepad.exe readme.txt")
      << notepad;
  EXPECT_EQ(1, Flag(HKeyCurrentUser, kStoredRunSelectionsKey, "QM Private"));
  EXPECT_EQ(1, Flag(HKeyLocalMachine, kStoredRunSelectionsKey, "QM Public"));
  EXPECT_EQ(1, Flag(HKeyLocalMachine, kStoredRunServicesSelectionsKey, "QM Service"));
  EXPECT_EQ(-1, Flag(HKeyLocalMachine, kStoredRunSelectionsKey, "QM Blank"));

  reg.SetValue(HKeyCurrentUser, kStoredRunSelectionsKey, "QM Private", std::uint32_t{0});
  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_EQ(1, services.ReturnRunServiceEntries());
  EXPECT_EQ("C:\\private.exe -p", Text(HKeyCurrentUser, kRunKey, "QM Private"));
  EXPECT_EQ("C:\\public.exe ", Text(HKeyLocalMachine, kRunKey, "QM Public"));
  EXPECT_EQ("C:\\svc.exe /d", Text(HKeyLocalMachine, kRunServicesKey, "QM Service"));
  EXPECT_EQ("C:\\private.exe -p", Text(HKeyCurrentUser, kStoredRunKey, "QM Private"));

  // The next take keeps the user's choice.
  startups.StartWork();
  EXPECT_EQ(0, Flag(HKeyCurrentUser, kStoredRunSelectionsKey, "QM Private"));
  startups.ReturnRunEntries();

  // A stored location that has gone holds nothing to give back: no error.
  reg.SetValue(HKeyCurrentUser, kStoredRunKey, "QM Private", std::string("x"));
  for (const char* name : {"QM Private", "QM Notepad"}) reg.DeleteValue(HKeyCurrentUser, kStoredRunKey, name);
  reg.DeleteKey(HKeyCurrentUser, kProductKey, "Run\\Selections");
  reg.DeleteKey(HKeyCurrentUser, kProductKey, "Run");
  EXPECT_EQ(1, startups.RestoreRunEntries());
  CLog::Message("Launching C:\\private.exe -p");

  std::string head =
      "==========================================================\r\n"
      "Quill Moor Log File\r\n"
      "==========================================================\r\n\r\n"
      "Operating System Platform : Microsoft Windows NT 6.1\r\n"
      "Additional OS Information : Service Pack 1\r\n";
  std::string tail =
      "Launching C:\\private.exe -p\r\n";
  std::string log = ReadText(logPath_);
  EXPECT_TRUE(log == head + HeaderDate(before) + tail || log == head + HeaderDate(after) + tail)
      << log;

  // Leave the real keys as they were.
  for (const char* name : {"QM Private", "QM Notepad"}) reg.DeleteValue(HKeyCurrentUser, kRunKey, name);
  for (const char* name : {"QM Public", "QM Blank"}) reg.DeleteValue(HKeyLocalMachine, kRunKey, name);
  reg.DeleteValue(HKeyLocalMachine, kRunServicesKey, "QM Service");
}

// Both views of HKLM in a 64-bit prefix, whichever build runs: entries of a
// 32-bit and a 64-bit program, one name in both, and entries that each build
// of the earlier version left stored in its own view, each back in its own
// view byte for byte.
TEST_F(RunCycleOnWindows, EntriesOfBothViewsComeBackToTheirOwnView) {
  const RegKey views[] = {platform::kHklm32View, platform::kHklm64View};
  if (OtherPublicView() == platform::kNoKey) GTEST_SKIP() << "one registry view";
  CRegistry reg;
  struct Seed {
    RegKey view;
    const char* key;
    const char* name;
    const char* line;
  };
  const Seed seeds[] = {
      {platform::kHklm32View, kRunKey, "QM Both", "C:\\Program Files (x86)\\both.exe /32"},
      {platform::kHklm64View, kRunKey, "QM Both", "C:\\Program Files\\both.exe /64"},
      {platform::kHklm64View, kRunKey, "QM Только64", "C:\\only64.exe "},
      {platform::kHklm64View, kRunServicesKey, "QM Service64", "C:\\svc64.exe -d"},
  };
  // Left stored by the earlier version: no mark, no view but the key's own.
  const Seed stored[] = {{platform::kHklm32View, kStoredRunKey, "QM Old32", "C:\\old32.exe "},
                         {platform::kHklm64View, kStoredRunKey, "QM Old64", "C:\\old64.exe -o"}};
  for (RegKey view : views) {
    for (const char* key : {kRunKey, kRunServicesKey, kStoredRunKey}) reg.CreateKey(view, key);
    // An earlier version left no mark; a return earlier in this prefix did.
    for (const char* mark : {kRunReturnedMark, kRunServicesReturnedMark}) ClearReturnedMark(view, mark);
  }
  for (const Seed& s : seeds) reg.SetValue(s.view, s.key, s.name, std::string(s.line));
  for (const Seed& s : stored) reg.SetValue(s.view, s.key, s.name, std::string(s.line));

  CStartupEngineer startups;
  CServiceEngineer services;
  EXPECT_EQ(1, startups.ReturnRunEntries());
  for (const Seed& s : stored) EXPECT_EQ(s.line, Text(s.view, kRunKey, s.name)) << s.name;
  EXPECT_EQ(1, startups.StartWork());
  EXPECT_EQ(1, services.StartWork());
  for (const Seed& s : seeds) {
    EXPECT_FALSE(Has(s.view, s.key, s.name)) << s.name;
    EXPECT_EQ(s.line, Text(s.view, s.key == kRunKey ? kStoredRunKey : kStoredRunServicesKey, s.name)) << s.name;
  }
  EXPECT_EQ(1, Flag(platform::kHklm64View, kStoredRunSelectionsKey, "QM Только64"));
  // Launched from the stored location: handed back to its own view for Windows to start.
  EXPECT_EQ(1, startups.LaunchRunEntry("QM Только64", 0));
  EXPECT_EQ("C:\\only64.exe ", Text(platform::kHklm64View, kRunKey, "QM Только64"));
  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_EQ(1, services.ReturnRunServiceEntries());
  for (const Seed& s : seeds) EXPECT_EQ(s.line, Text(s.view, s.key, s.name)) << s.name;
  EXPECT_FALSE(Has(platform::kHklm64View, kRunKey, "QM Old32"));
  EXPECT_FALSE(Has(platform::kHklm32View, kRunKey, "QM Old64"));

  for (RegKey view : views)
    for (const char* key : {kRunKey, kStoredRunKey, kStoredRunSelectionsKey, kRunServicesKey, kStoredRunServicesKey,
                            kStoredRunServicesSelectionsKey})
      for (const char* name : {"QM Both", "QM Только64", "QM Service64", "QM Old32", "QM Old64"})
        reg.DeleteValue(view, key, name);
}

}  // namespace
}  // namespace qm
