// qmctl's commands over the memory registry and the mapped startup folders:
// exit codes and arguments, the three list formats, flags, the program's
// mutex, and export and import, whole or not at all.
#include <gtest/gtest.h>

#include <set>

#include "engine/catalog/Impact.h"
#include "platform/ProgramInfo.h"
#include "admin/core/ProgramCycle.h"
#include "engine/foundation/Registry.h"
#include "engine/policy/PolicyNames.h"
#include "tests/admin/AdminFixture.h"
#include "tests/support/FailingRegistryStore.h"

namespace qm::test {
namespace {

constexpr RegKey HKCU = HKeyCurrentUser;
constexpr RegKey HKLM = HKeyLocalMachine;  // the 32-bit view: the fixture plays the 32-bit build on 64-bit Windows
constexpr RegKey HKLM64 = platform::kHklm64View;
const std::string kFile = "C:\\backup.reg";

using Args = std::vector<std::string>;

class QmctlTest : public AdminTest {
 protected:
  // One entry of every kind, place and flag state, with names in several scripts.
  static constexpr char kRunDelays[] = "Software\\Tarnwick\\Quill Moor\\Run\\Selections\\Delays";
  void Populate() {
    platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe -q");
    platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Mail", 1);
    // The copy a return leaves stored behind an entry that stands returned is no entry of its own.
    platform.SetText(HKCU, kStoredRunKey, "Mail", "C:\\old.exe");
    platform.SetText(HKLM, kStoredRunKey, "Backup, \"daily\"", "C:\\Tools\\bk.exe \"D:\\\"");
    platform.SetNumber(HKLM, kStoredRunSelectionsKey, "Backup, \"daily\"", 0);
    platform.SetText(HKLM, kRunServicesKey, "Привет", "C:\\svc.exe ");
    platform.WriteFile(In(kUserStartup, "微信"), LinkBytes("C:\\wx\\微信.exe", "-min"));
    platform.SetNumber(HKCU, kStoredShcSelectionsKey, "微信", 0);
    StoreBinary(HKLM, kStoredShcKey, "Éditeur", LinkBytes("C:\\ed.exe"));
    platform.SetNumber(HKLM, kStoredShcSelectionsKey, "Éditeur", 1);
    // The same name in the 64-bit programs' key: another entry.
    platform.SetText(HKLM64, kRunServicesKey, "Привет", "C:\\svc64.exe ");
    platform.SetNumber(HKLM64, kStoredRunServicesSelectionsKey, "Привет", 1);
  }
  // Every entry and flag gone, as on a machine set up afresh.
  void Wipe() {
    CRegistry registry;
    for (RegKey root : {HKCU, HKLM, HKLM64})
      for (const char* key : {kRunKey, kStoredRunKey, kStoredRunSelectionsKey, kRunServicesKey, kStoredRunServicesKey,
                              kStoredRunServicesSelectionsKey, kStoredShcKey, kStoredShcSelectionsKey, kRunDelays})
        for (const std::string& name : platform.Names(root, key)) registry.DeleteValue(root, key, name.c_str());
    for (const char* folder : {kUserStartup, kCommonStartup}) {
      std::vector<platform::DirEntry> files;
      platform.files.List(folder, "*", files);
      for (const auto& file : files) platform.files.Delete(std::string(folder) + "\\" + file.name);
    }
  }
  std::string Utf16File() {
    std::vector<std::uint8_t> bytes;
    platform.files.ReadAll(kFile, bytes);
    std::u16string wide;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) wide += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    return platform::Utf16ToAnsi(wide);
  }
  void ClearPolicies() {
    CRegistry registry;
    for (RegKey root : {HKCU, HKLM64}) {
      registry.DeleteKey(root, policy::kPolicyKey, "AlwaysStart");
      registry.DeleteKey(root, policy::kPolicyKey, "NeverStart");
      for (const std::string& name : platform.Names(root, policy::kPolicyKey))
        registry.DeleteValue(root, policy::kPolicyKey, name.c_str());
    }
  }
  void WriteUtf16File(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : platform::AnsiToUtf16(text)) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    platform.WriteFile(kFile, bytes);
  }
};

TEST_F(QmctlTest, BadArgumentsAreUsageErrorsThatTouchNothing) {
  Populate();
  const std::vector<Args> cases = {
      {},
      {"frobnicate"},
      {"list", "--xml"},
      {"list", "--json", "--csv"},
      {"list", "extra"},
      {"list", "--kind", "startup"},
      {"enable"},
      {"enable", "Mail", "Backup"},
      {"enable", "Mail", "--kind"},
      {"disable", "Mail", "--kind", "program"},
      {"disable", "Mail", "--user", "--machine"},
      {"disable", "Mail", "--view", "16"},
      {"disable", "Mail", "--view"},
      {"list", "--view", "32"},
      {"export"},
      {"export", kFile, "--force"},
      {"import", kFile, "--quiet"},
      {"delay", "Mail"},
      {"delay", "Mail", "soon"},
      {"delay", "Mail", "3601"},
      {"delay", "Mail", "-5", "--user"},
      {"take"},  // no whole-set operations were given to this run
  };
  auto before = Machine();
  for (const Args& args : cases) {
    std::string line;
    for (const auto& arg : args) line += arg + " ";
    SCOPED_TRACE(line);
    Result result = Qmctl(args);
    EXPECT_EQ(admin::kUsage, result.code);
    EXPECT_EQ("", result.out);
    EXPECT_NE(std::string::npos, result.err.find("usage: qmctl"));
  }
  EXPECT_TRUE(before == Machine());
  EXPECT_EQ(0, guard.asked);
  for (const Args& help : std::vector<Args>{{"--help"}, {"help"}, {"/?"}, {"enable", "--help"}}) {
    Result result = Qmctl(help);
    EXPECT_EQ(admin::kDone, result.code);
    EXPECT_NE(std::string::npos, result.out.find("usage: qmctl"));
    EXPECT_EQ("", result.err);
  }
}

TEST_F(QmctlTest, ListShowsEveryEntryWhereItStandsInEachFormat) {
  // What the programs say of themselves; those not written here are gone.
  struct KnownPrograms : platform::IProgramInfo {
    bool VersionTexts(const std::string& path, platform::ProgramFacts* facts) override {
      if (path != "C:\\mail.exe") return false;
      *facts = {"Mail notifier", "Tarnwick"};
      return true;
    }
  } info;
  platform::ScopedService<platform::IProgramInfo> slot(&info);
  platform.WriteFile("C:\\mail.exe", "MZ");
  platform.WriteFile("C:\\ed.exe", "MZ");
  Populate();
  // Mail started once, measured; 微信 waits 45 s after the log-on and was never measured.
  catalog::StartRecord start;
  start.state = catalog::StartRecord::State::Measured;
  start.cpuMicroseconds = 420000, start.bytesRead = 1260000, start.bytesWritten = 0, start.peakWorkingSet = 8000000;
  start.idleMilliseconds = 1500;
  catalog::RecordStart({EntryKind::Startup, HKCU, EntryPlace::Windows, "Mail"}, start);
  catalog::SetDelay({EntryKind::Shortcut, HKCU, EntryPlace::Windows, "微信"}, 45);
  Result csv = Qmctl({"list", "--csv"});
  ASSERT_EQ(admin::kDone, csv.code) << csv.err;
  std::set<std::string> rows;
  std::istringstream lines(csv.out);
  for (std::string row; std::getline(lines, row);) rows.insert(row);
  EXPECT_EQ((std::set<std::string>{
                "kind,scope,where,flag,name,command,description,publisher,missing,view,delay_seconds,cpu_seconds,"
                "read_mb,written_mb,peak_memory_mb,ready_seconds,impact\r",
                "startup,user,windows,1,Mail,C:\\mail.exe -q,Mail notifier,Tarnwick,0,,0,0.42,1.3,0.0,8.0,1.50,medium\r",
                "startup,machine,stored,0,\"Backup, \"\"daily\"\"\",\"C:\\Tools\\bk.exe \"\"D:\\\"\"\",,,1,32,0,,,,,,not measured\r",
                "service,machine,windows,,Привет,C:\\svc.exe ,,,1,32,0,,,,,,not measured\r",
                "service,machine,windows,1,Привет,C:\\svc64.exe ,,,1,64,0,,,,,,not measured\r",
                "shortcut,user,windows,0,微信,C:\\wx\\微信.exe -min,,,1,,45,,,,,,not measured\r",
                "shortcut,machine,stored,1,Éditeur,C:\\ed.exe,,,0,32,0,,,,,,not measured\r",
            }),
            rows);

  Result json = Qmctl({"list", "--json"});
  ASSERT_EQ(admin::kDone, json.code);
  for (const char* object :
       {R"({"kind": "startup", "scope": "machine", "view": "32", "where": "stored", "name": "Backup, \"daily\"", "flag": 0, "command": "C:\\Tools\\bk.exe \"D:\\\"", "description": "", "publisher": "", "missing": true, "delay_seconds": 0, "last_start": "not measured"})",
        R"("name": "Mail", "flag": 1, "command": "C:\\mail.exe -q", "description": "Mail notifier", "publisher": "Tarnwick", "missing": false, "delay_seconds": 0, "last_start": {"cpu_seconds": 0.42, "read_mb": 1.3, "written_mb": 0.0, "peak_memory_mb": 8.0, "ready_seconds": 1.50, "impact": "medium"}})",
        R"({"kind": "shortcut", "scope": "user", "view": null, "where": "windows", "name": "微信",)",
        R"({"kind": "service", "scope": "machine", "view": "64", "where": "windows", "name": "Привет", "flag": 1,)",
        R"({"kind": "service", "scope": "machine", "view": "32", "where": "windows", "name": "Привет", "flag": null, "command": "C:\\svc.exe ", "description": "", "publisher": "", "missing": true, "delay_seconds": 0, "last_start": "not measured"})"})
    EXPECT_NE(std::string::npos, json.out.find(object)) << object << "\n" << json.out;

  Result table = Qmctl({"list"});
  ASSERT_EQ(admin::kDone, table.code);
  std::vector<std::string> tableLines;
  std::istringstream tableStream(table.out);
  for (std::string line; std::getline(tableStream, line);) tableLines.push_back(line);
  ASSERT_EQ(19u, tableLines.size()) << table.out;  // a heading, then three lines per entry
  for (std::size_t i = 1; i < tableLines.size(); i += 3) {
    EXPECT_LE(tableLines[i].size(), 80u) << tableLines[i];
    EXPECT_EQ("    ", tableLines[i + 1].substr(0, 4));
    EXPECT_EQ("    Last start: ", tableLines[i + 2].substr(0, 16));
  }
  EXPECT_NE(std::string::npos, table.out.find("shortcut  user     -     windows  off   微信\n    C:\\wx\\微信.exe -min  [program file missing]\n"
                                              "    Last start: not measured; Starts 45 s after the log-on\n"));
  EXPECT_NE(std::string::npos, table.out.find("    Last start: 0.42 s CPU, 1.3 MB read, 0.0 MB written, 8.0 MB memory, ready after 1.50 s; impact medium\n"));
  EXPECT_NE(std::string::npos, table.out.find("service   machine  64    windows  on    Привет\n"));
}

TEST_F(QmctlTest, EnableAndDisableSetTheFlagOfTheOneEntryNamed) {
  struct Case {
    Args args;
    int code;
    RegKey root;
    const char* selections;
    const char* name;
    std::int64_t flag;  // afterwards; -1 absent
  };
  const std::vector<Case> cases = {
      {{"enable", "Spooler"}, admin::kDone, HKLM, kStoredRunServicesSelectionsKey, "Spooler", 1},
      {{"disable", "backup"}, admin::kDone, HKLM, kStoredRunSelectionsKey, "Backup", 0},
      {{"disable", "Notes"}, admin::kDone, HKCU, kStoredShcSelectionsKey, "Notes", 0},
      // Standing in both places after a take cut short: still one entry, one flag.
      {{"disable", "Half"}, admin::kDone, HKCU, kStoredRunSelectionsKey, "Half", 0},
      {{"enable", "Mail"}, admin::kUsage, HKLM, kStoredRunSelectionsKey, "Mail", -1},
      {{"enable", "Mail", "--machine"}, admin::kDone, HKLM, kStoredRunSelectionsKey, "Mail", 1},
      {{"enable", "Mail", "--user", "--kind", "startup"}, admin::kDone, HKCU, kStoredRunSelectionsKey, "Mail", 1},
      {{"enable", "Notes", "--kind", "startup"}, admin::kFailed, HKCU, kStoredShcSelectionsKey, "Notes", 1},
      {{"enable", "Nobody"}, admin::kFailed, HKCU, kStoredRunSelectionsKey, "Nobody", -1},
      // One name in both views of the machine's key: never a guess.
      {{"enable", "Twin"}, admin::kUsage, HKLM, kStoredRunSelectionsKey, "Twin", -1},
      {{"enable", "Twin", "--machine"}, admin::kUsage, HKLM64, kStoredRunSelectionsKey, "Twin", -1},
      {{"enable", "Twin", "--view", "64"}, admin::kDone, HKLM64, kStoredRunSelectionsKey, "Twin", 1},
      {{"enable", "Twin", "--view=32"}, admin::kDone, HKLM, kStoredRunSelectionsKey, "Twin", 1},
      {{"enable", "Mail", "--view", "64"}, admin::kFailed, HKLM64, kStoredRunSelectionsKey, "Mail", -1},
      // The delay is kept beside the flag, and found by the same rules.
      {{"delay", "Twin", "30"}, admin::kUsage, HKLM, kRunDelays, "Twin", -1},
      {{"delay", "Twin", "30", "--view", "64"}, admin::kDone, HKLM64, kRunDelays, "Twin", 30},
      {{"delay", "backup", "3600"}, admin::kDone, HKLM, kRunDelays, "Backup", 3600},
      {{"delay", "Nobody", "5"}, admin::kFailed, HKCU, kRunDelays, "Nobody", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    Wipe();
    platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe");
    platform.SetText(HKLM, kRunKey, "Mail", "C:\\mail.exe");
    platform.SetText(HKLM, kStoredRunKey, "Backup", "C:\\bk.exe");
    platform.SetNumber(HKLM, kStoredRunSelectionsKey, "Backup", 1);
    platform.SetText(HKLM, kRunServicesKey, "Spooler", "C:\\sp.exe");
    platform.SetNumber(HKLM, kStoredRunServicesSelectionsKey, "Spooler", 0);
    platform.WriteFile(In(kUserStartup, "Notes"), LinkBytes("C:\\notes.exe"));
    platform.SetNumber(HKCU, kStoredShcSelectionsKey, "Notes", 1);
    platform.SetText(HKCU, kRunKey, "Half", "C:\\half.exe");
    platform.SetText(HKCU, kStoredRunKey, "Half", "C:\\half.exe");
    platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Half", 1);
    platform.SetText(HKLM, kRunKey, "Twin", "C:\\twin32.exe");
    platform.SetText(HKLM64, kRunKey, "Twin", "C:\\twin64.exe");
    auto before = Machine();
    Result result = Qmctl(c.args);
    EXPECT_EQ(c.code, result.code) << result.err;
    EXPECT_EQ(c.flag, platform.Number(c.root, c.selections, c.name));
    if (c.code != admin::kDone) {
      EXPECT_TRUE(before == Machine());
      EXPECT_NE("", result.err);
    }
    // The other root's entry of the same name keeps what it had.
    if (std::string(c.name) == "Mail") EXPECT_EQ(-1, platform.Number(c.root == HKCU ? HKLM : HKCU, c.selections, "Mail"));
    if (std::string(c.name) == "Twin") EXPECT_EQ(-1, platform.Number(c.root == HKLM ? HKLM64 : HKLM, c.selections, "Twin"));
  }
}

TEST_F(QmctlTest, NothingChangesWhileTheProgramRuns) {
  Populate();
  Qmctl({"export", kFile});
  int cycles = 0;
  cycle.take = cycle.giveBack = cycle.restore = [&] { return ++cycles > 0; };
  guard.programRunning = true;
  auto before = Machine();
  for (const Args& args : std::vector<Args>{{"enable", "Mail"}, {"disable", "Mail"}, {"import", kFile, "--force"},
                                            {"take"}, {"return"}, {"restore"}}) {
    Result result = Qmctl(args);
    EXPECT_EQ(admin::kFailed, result.code) << args[0];
    EXPECT_NE("", result.err);
  }
  EXPECT_EQ(0, cycles);
  EXPECT_TRUE(before == Machine());
  // Looking is no change: list and export still answer.
  int asked = guard.asked;
  EXPECT_EQ(admin::kDone, Qmctl({"list"}).code);
  EXPECT_EQ(admin::kDone, Qmctl({"export", kFile}).code);
  EXPECT_EQ(asked, guard.asked);
  guard.programRunning = false;
  Qmctl({"take"});  // it runs; its answer comes from where the entries stand afterwards
  EXPECT_EQ(1, cycles);
  cycle.restore = [] { return false; };
  EXPECT_EQ(admin::kFailed, Qmctl({"restore"}).code);
}

TEST_F(QmctlTest, TakeReturnAndRestoreRunTheProgramsCycle) {
  platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe");
  platform.SetText(HKLM, kRunServicesKey, "Svc", "C:\\svc.exe");
  platform.WriteFile(In(kUserStartup, "Notes"), LinkBytes("C:\\notes.exe"));
  admin::ProgramCycle program;
  cycle = program.Operations();
  struct Step {
    const char* command;
    bool taken;  // where the entries stand afterwards
    std::int64_t initFlags;  // "Init Startup", "Init Shortcut" and "Init Service" alike
  };
  const std::vector<Step> steps = {
      {"take", true, 1}, {"take", true, 1}, {"return", false, 0}, {"take", true, 1}, {"restore", false, 0},
  };
  const std::string folder = "C:\\Program Files\\Quill Moor\\Quillmoor.exe";
  for (const Step& step : steps) {
    SCOPED_TRACE(step.command);
    Result result = Qmctl({step.command});
    ASSERT_EQ(admin::kDone, result.code) << result.err;
    // A return copies back; the stored copies may stay.
    if (step.taken) EXPECT_TRUE(platform.HasValue(HKCU, kStoredRunKey, "Mail"));
    if (step.taken) EXPECT_TRUE(platform.HasValue(HKLM, kStoredRunServicesKey, "Svc"));
    EXPECT_EQ(!step.taken, platform.HasValue(HKCU, kRunKey, "Mail"));
    EXPECT_EQ(!step.taken, platform.HasValue(HKLM, kRunServicesKey, "Svc"));
    EXPECT_EQ(!step.taken, platform.FileExists(In(kUserStartup, "Notes")));
    for (const char* flag : {"Init Startup", "Init Shortcut", "Init Service"})
      EXPECT_EQ(step.initFlags, platform.Number(HKLM, kProductKey, flag)) << flag;
    // Whatever is taken has its return armed, with the program beside qmctl.
    if (step.taken) EXPECT_NE(std::string::npos, platform.Text(HKCU, kRunOnceKey, "QM Init Cleanups").find(folder + "\" /cleanup"));
    if (std::string(step.command) == "return")
      EXPECT_NE(std::string::npos, platform.Text(HKLM, kRunOnceKey, "QM Init Startups").find(folder + "\" /startup"));
  }
  EXPECT_EQ(LinkBytes("C:\\notes.exe"), platform.ReadFile(In(kUserStartup, "Notes")));
  // "Done" only when done: a stored line too long to carry back stays stored, and is named.
  platform.SetText(HKCU, kStoredRunKey, "Long", "C:\\" + std::string(300, 'l') + ".exe");
  CRegistry().DeleteValue(HKCU, kProductKey, "Run Entries Returned");  // taken, as a take leaves it
  Result held = Qmctl({"restore"});
  EXPECT_EQ(admin::kFailed, held.code);
  EXPECT_NE(std::string::npos, held.err.find("still stored:\n  startup \"Long\" (user)")) << held.err;
}

// What an import cannot carry is left out of an export, named, so that the
// backup it writes always reads back.
TEST_F(QmctlTest, ExportLeavesOutWhatNoImportCarriesAndSaysSo) {
  platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe -q");
  platform.SetNumber(HKCU, kRunKey, "Number", 7);
  platform.WriteFile(In(kUserStartup, "Junk"), "not a link");
  Result exported = Qmctl({"export", kFile});
  EXPECT_EQ(admin::kFailed, exported.code);
  EXPECT_NE(std::string::npos, exported.err.find("\"Number\" is not a command line")) << exported.err;
  EXPECT_NE(std::string::npos, exported.err.find("the shortcut \"Junk\" is not a whole shell link"));
  EXPECT_EQ(admin::kDone, Qmctl({"import", kFile}).code);
}

TEST_F(QmctlTest, ExportWipeImportGivesEveryEntryBackByteForByte) {
  // Every entry where Windows reads it, in several scripts and shapes.
  std::string longLine = "C:\\long.exe " + std::string(400, 'x');
  platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe -q");
  platform.SetText(HKCU, kRunKey, "Quotes \"and\" \\slashes\\", "\"C:\\a b\\c.exe\" \"x\"");
  platform.SetText(HKLM, kRunKey, "Привет", longLine);
  platform.SetText(HKLM, kRunServicesKey, "微信", "C:\\wx.exe ");
  platform.SetText(HKLM64, kRunKey, "Привет", "C:\\x64.exe");
  platform.SetNumber(HKLM64, kStoredRunSelectionsKey, "Привет", 0);
  RegKey open = 0;
  platform.registry.CreateKey(HKLM, kRunKey, platform::kKeySetValue, &open);
  std::string expand = "%SystemRoot%\\x.exe";
  platform.registry.SetValue(open, "Expand", 2, reinterpret_cast<const std::uint8_t*>(expand.c_str()),
                             static_cast<std::uint32_t>(expand.size() + 1));
  platform.registry.CloseKey(open);
  platform.WriteFile(In(kUserStartup, "Éditeur"), LinkBytes("C:\\ed.exe", "-n \"x\""));
  platform.WriteFile(In(kCommonStartup, "Notes"), LinkBytes("C:\\notes.exe"));
  platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Mail", 0);
  platform.SetNumber(HKLM, kStoredRunSelectionsKey, "Привет", 1);
  platform.SetNumber(HKLM, kStoredRunServicesSelectionsKey, "微信", 0);
  platform.SetNumber(HKCU, kStoredShcSelectionsKey, "Éditeur", 1);
  auto before = Machine();

  Result exported = Qmctl({"export", kFile});
  ASSERT_EQ(admin::kDone, exported.code) << exported.err;
  // Keys named as the registry editor names them on 64-bit Windows: the 32-bit view under Wow6432Node.
  EXPECT_NE(std::string::npos, Utf16File().find("[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run]"));
  EXPECT_NE(std::string::npos, Utf16File().find("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"Привет\"=\"C:"));
  Wipe();
  ASSERT_NE(before, Machine());
  Result imported = Qmctl({"import", kFile});
  ASSERT_EQ(admin::kDone, imported.code) << imported.err;
  EXPECT_TRUE(before == Machine());
  EXPECT_EQ(0u, platform.registry.OpenHandleCount());
  // A second import finds everything there already and changes nothing.
  EXPECT_EQ(admin::kDone, Qmctl({"import", kFile}).code);
  EXPECT_TRUE(before == Machine());
}

TEST_F(QmctlTest, ImportPutsTakenEntriesWhereWindowsReadsThem) {
  platform.SetText(HKCU, kStoredRunKey, "Taken", "C:\\taken.exe");
  platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Taken", 0);
  StoreBinary(HKLM, kStoredShcKey, "Stored Link", LinkBytes("C:\\s.exe"));
  platform.SetText(HKLM, kStoredRunServicesKey, "Svc", "C:\\svc.exe");
  // Half taken: the copy standing where Windows reads it was written later and wins.
  platform.SetText(HKLM, kRunKey, "Both", "C:\\new.exe");
  platform.SetText(HKLM, kStoredRunKey, "Both", "C:\\old.exe");
  ASSERT_EQ(admin::kDone, Qmctl({"export", kFile}).code);
  Wipe();
  Result imported = Qmctl({"import", kFile});
  ASSERT_EQ(admin::kDone, imported.code) << imported.err;
  EXPECT_EQ("C:\\taken.exe", platform.Text(HKCU, kRunKey, "Taken"));
  EXPECT_EQ(0, platform.Number(HKCU, kStoredRunSelectionsKey, "Taken"));
  EXPECT_EQ(LinkBytes("C:\\s.exe"), platform.ReadFile(In(kCommonStartup, "Stored Link")));
  EXPECT_EQ("C:\\svc.exe", platform.Text(HKLM, kRunServicesKey, "Svc"));
  EXPECT_EQ("C:\\new.exe", platform.Text(HKLM, kRunKey, "Both"));
  // Nothing lands in the stored location: no entry is left taken with no cycle to return it.
  for (RegKey root : {HKCU, HKLM})
    for (const char* key : {kStoredRunKey, kStoredRunServicesKey, kStoredShcKey})
      EXPECT_TRUE(platform.Names(root, key).empty()) << key;
}

TEST_F(QmctlTest, ImportNeverReplacesADifferentEntryUnlessForced) {
  struct Case {
    const char* what;
    std::function<void()> standing;  // what the machine holds before the import
    bool force;
    int code;
    std::string mailAfter;  // HKCU Run "Mail" afterwards
    std::int64_t flagAfter;
  };
  const std::string link = LinkBytes("C:\\notes.exe");
  const std::vector<Case> cases = {
      {"the same entry, the user's own flag", [&] { platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe");
                                                    platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Mail", 0); },
       false, admin::kDone, "C:\\mail.exe", 0},
      {"the same entry under another letter case", [&] { platform.SetText(HKCU, kRunKey, "MAIL", "C:\\mail.exe"); },
       false, admin::kDone, "C:\\mail.exe", 1},
      {"the same entry, an older copy stored by the last cycle", [&] {
         platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe");
         platform.SetText(HKCU, kStoredRunKey, "Mail", "C:\\old.exe"); },
       false, admin::kDone, "C:\\mail.exe", 1},
      {"other data", [&] { platform.SetText(HKCU, kRunKey, "Mail", "C:\\other.exe"); }, false, admin::kFailed,
       "C:\\other.exe", -1},
      {"other data, taken", [&] { platform.SetText(HKCU, kStoredRunKey, "Mail", "C:\\other.exe"); }, false,
       admin::kFailed, "<missing>", -1},
      {"another shortcut file", [&] { platform.WriteFile(In(kUserStartup, "Notes"), LinkBytes("C:\\other.exe")); },
       false, admin::kFailed, "<missing>", -1},
      {"other data, forced", [&] { platform.SetText(HKCU, kRunKey, "Mail", "C:\\other.exe");
                                   platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Mail", 0); },
       true, admin::kDone, "C:\\mail.exe", 1},
  };
  platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe");
  platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Mail", 1);
  platform.WriteFile(In(kUserStartup, "Notes"), link);
  platform.SetText(HKLM, kRunServicesKey, "Svc", "C:\\svc.exe");
  ASSERT_EQ(admin::kDone, Qmctl({"export", kFile}).code);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Wipe();
    c.standing();
    auto before = Machine();
    Args args = {"import", kFile};
    if (c.force) args.push_back("--force");
    Result result = Qmctl(args);
    EXPECT_EQ(c.code, result.code) << result.err;
    EXPECT_EQ(c.mailAfter, platform.Text(HKCU, kRunKey, "Mail"));
    EXPECT_EQ(c.flagAfter, platform.Number(HKCU, kStoredRunSelectionsKey, "Mail"));
    if (c.code == admin::kFailed) {
      EXPECT_TRUE(before == Machine()) << "a refused import writes nothing, not even the entries without conflict";
    } else {
      EXPECT_EQ(link, platform.ReadFile(In(kUserStartup, "Notes")));
      EXPECT_EQ("C:\\svc.exe", platform.Text(HKLM, kRunServicesKey, "Svc"));
    }
  }
}

TEST_F(QmctlTest, ADamagedFileIsRefusedWholeAndChangesNothing) {
  Populate();
  platform.WriteFile(In(kCommonStartup, "Big"), LinkBytes("C:\\" + std::string(200, 'b') + ".exe", std::string(150, 'a')));
  ASSERT_EQ(admin::kDone, Qmctl({"export", kFile}).code);
  const std::string good = Utf16File();
  auto replace = [&](const std::string& from, const std::string& to) {
    std::string text = good;
    std::size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  std::size_t lastKey = good.rfind("\r\n[");
  std::size_t endLine = good.rfind("\r\n;");
  const std::vector<std::pair<const char*, std::string>> damages = {
      {"cut at a line end", good.substr(0, lastKey + 2)},
      {"cut inside a line", good.substr(0, endLine - 7)},
      {"the end line gone", good.substr(0, endLine + 2)},
      {"another header", replace("Version 5.00", "Version 4.00")},
      {"a hex digit that is none", replace("hex:4c,", "hex:4x,")},
      {"hex cut by an empty line", replace(",\\\r\n  ", ",\\\r\n\r\n  ")},
      {"a shortcut that is no link", replace("hex:4c,00", "hex:00,00")},
      {"a key of someone else", replace("[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\RunServices]",
                                        "[HKEY_LOCAL_MACHINE\\Software\\Other]")},
      {"a deleted key", replace("[HKEY_CURRENT_USER\\Software\\Microsoft", "[-HKEY_CURRENT_USER\\Software\\Microsoft")},
      {"a name not closed", replace("\"Mail\"=", "\"Mail=")},
      {"a flag that is text", replace("\"Mail\"=dword:00000001", "\"Mail\"=\"1\"")},
      {"a flag too short", replace("\"Mail\"=dword:00000001", "\"Mail\"=dword:001")},
      {"one name twice", replace("\"Mail\"=\"C:", "\"Mail\"=\"C:\\\\x.exe\"\r\n\"MAIL\"=\"C:")},
      {"a file name no folder takes", replace("\"微信\"=hex", "\"a:b\"=hex")},
      {"a device's name, no file's", replace("\"微信\"=hex", "\"NUL.txt\"=hex")},
  };
  Wipe();
  platform.SetText(HKCU, kRunKey, "Standing", "C:\\s.exe");
  auto before = Machine();
  for (const auto& [what, text] : damages) {
    SCOPED_TRACE(what);
    WriteUtf16File(text);
    Result result = Qmctl({"import", kFile});
    EXPECT_EQ(admin::kFailed, result.code);
    EXPECT_NE("", result.err);
    EXPECT_TRUE(before == Machine());
  }
  // Bytes that are no UTF-16 file at all.
  for (const std::string& bytes : {std::string("REGEDIT4\r\n"), std::string("\xFF\xFEW\0i\0n", 7),
                                   std::string("\xFF\xFE\x00\xD8W\x00", 6)}) {
    platform.WriteFile(kFile, bytes);
    EXPECT_EQ(admin::kFailed, Qmctl({"import", kFile}).code);
    EXPECT_TRUE(before == Machine());
  }
  EXPECT_EQ(admin::kFailed, Qmctl({"import", "C:\\missing.reg"}).code);
  EXPECT_EQ(admin::kFailed, Qmctl({"export", "Q:\\nowhere\\x.reg"}).code);
  // The good file still imports.
  WriteUtf16File(good);
  EXPECT_EQ(admin::kDone, Qmctl({"import", kFile}).code);
}

// Policies as Group Policy writes them: the machine's in the 64-bit view, the user's under HKCU.
TEST_F(QmctlTest, PoliciesDecideWhatMayChangeAndTheMachinesWin) {
  using Set = std::function<void()>;
  auto list = [&](RegKey root, const char* key, const std::string& rule) { platform.SetText(root, key, rule, rule); };
  struct Case {
    const char* what;
    Set policy;
    Args args;
    int code;
    const char* said;  // in standard error; empty for none
    int flag;          // Mail's flag afterwards
    int logLines = 0;
  } cases[] = {
      {"no policy", [] {}, {"enable", "Mail"}, admin::kDone, "", 1},
      {"the machine never starts it", [&] { list(HKLM64, policy::kNeverStartKey, "startup:user:Mail"); },
       {"enable", "Mail"}, admin::kFailed, "the machine's policy \"Entries that never start\" keeps \"Mail\"", 0},
      {"the user's never, any letter case", [&] { list(HKCU, policy::kNeverStartKey, "STARTUP:User:mail"); },
       {"enable", "Mail"}, admin::kFailed, "the user's policy \"Entries that never start\"", 0},
      {"the machine's always wins over the user's never", [&] {
         list(HKLM64, policy::kAlwaysStartKey, "startup:user:Mail");
         list(HKCU, policy::kNeverStartKey, "startup:user:Mail"); },
       {"enable", "Mail"}, admin::kDone, "", 1},
      {"always start refuses a disable", [&] { list(HKLM64, policy::kAlwaysStartKey, "startup:user:Mail"); },
       {"disable", "Mail"}, admin::kFailed, "\"Entries that always start\" always starts \"Mail\"", 0},
      {"a machine entry's rule leaves the user's alone", [&] { list(HKLM64, policy::kNeverStartKey, "startup:machine:Mail"); },
       {"enable", "Mail"}, admin::kDone, "", 1},
      {"the user's locked choices", [&] { platform.SetNumber(HKCU, policy::kPolicyKey, "LockChoices", 1); },
       {"enable", "Mail"}, admin::kFailed, "the user's policy \"Users may not change the choices\"", 0},
      {"the machine's 0 wins over the user's 1", [&] {
         platform.SetNumber(HKLM64, policy::kPolicyKey, "LockChoices", 0);
         platform.SetNumber(HKCU, policy::kPolicyKey, "LockChoices", 1); },
       {"enable", "Mail"}, admin::kDone, "", 1},
      {"malformed values are logged and ignored", [&] {
         list(HKLM64, policy::kNeverStartKey, "startup:Mail");
         list(HKLM64, policy::kNeverStartKey, "service:user:Mail");
         platform.SetNumber(HKLM64, policy::kNeverStartKey, "x", 1);
         platform.SetText(HKLM64, policy::kPolicyKey, "LockChoices", "1");
         platform.SetNumber(HKCU, policy::kPolicyKey, "LockChoices", 2); },
       {"enable", "Mail"}, admin::kDone, "", 1, 5},
      {"locked entries refuse an import", [&] { platform.SetNumber(HKLM64, policy::kPolicyKey, "LockEntries", 1); },
       {"import", kFile, "--force"}, admin::kFailed, "\"Users may not create, modify or remove entries\" forbids", 0},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    Wipe();
    platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe -q");
    platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Mail", 0);
    ASSERT_EQ(admin::kDone, Qmctl({"export", kFile}).code);
    ClearPolicies();
    test.policy();
    platform.StartLog();
    Result result = Qmctl(test.args);
    EXPECT_EQ(test.code, result.code) << result.err;
    if (*test.said) EXPECT_NE(std::string::npos, result.err.find(test.said)) << result.err;
    EXPECT_EQ(test.flag, platform.Number(HKCU, kStoredRunSelectionsKey, "Mail"));
    EXPECT_EQ(test.logLines, static_cast<int>(platform.LogLines().size()));
  }
  // A policy key that cannot be read is logged and stops nothing.
  platform.SetText(HKLM64, policy::kNeverStartKey, "startup:user:Mail", "startup:user:Mail");
  FailingRegistryStore failing(platform.registry);
  platform::ScopedService<platform::IRegistryStore> slot(&failing);
  failing.failWhen = [](StoreCall call, const std::string& path) { return call == StoreCall::Open && path == policy::kNeverStartKey; };
  platform.StartLog();
  EXPECT_EQ(admin::kDone, Qmctl({"enable", "Mail"}).code);
  EXPECT_EQ(2u, platform.LogLines().size());
}

// A desired state, checked and applied as fleet tools do: rows in order on one machine.
TEST_F(QmctlTest, CheckAndApplyMakeTheNamedEntriesSoAndNoOthers) {
  Wipe();
  platform.SetText(HKCU, kRunKey, "Mail", "C:\\mail.exe -q");
  platform.SetNumber(HKCU, kStoredRunSelectionsKey, "Mail", 0);
  platform.SetText(HKCU, kRunKey, "Other", "C:\\other.exe ");
  platform.SetText(HKLM64, kRunServicesKey, "Привет", "C:\\svc64.exe ");
  platform.SetNumber(HKLM64, kStoredRunServicesSelectionsKey, "Привет", 1);
  platform.SetText(HKLM, kRunServicesKey, "Привет", "C:\\svc.exe ");
  const std::string state = "C:\\state.json";
  const std::string wanted = R"({"entries": [
    {"kind": "startup", "scope": "user", "name": "mail", "start": true, "command": "C:\\mail.exe -q"},
    {"kind": "shortcut", "scope": "user", "name": "New", "start": false, "command": "C:\\new.exe -n"},
    {"kind": "service", "scope": "machine", "view": "64", "name": "Привет", "start": false}]})";
  auto other = [&] { return platform.Text(HKCU, kRunKey, "Other") + "|" + std::to_string(platform.Number(HKCU, kStoredRunSelectionsKey, "Other")); };
  const std::string otherBefore = other();
  struct Row {
    const char* what;
    std::string file;
    Args args;
    int code;
    std::vector<std::string> said;  // in standard output, or in standard error for failures
  } rows[] = {
      {"differ", wanted, {"check", state}, admin::kDiffers,
       {"startup \"mail\" (user): does not start, should\n", "shortcut \"New\" (user): missing\n",
        "service \"Привет\" (machine, 64-bit view): starts, should not\n", "check: 3 differences"}},
      {"differ, as JSON", wanted, {"check", state, "--json"}, admin::kDiffers,
       {"{\"match\": false, \"differences\": [\n {\"kind\": \"startup\", \"scope\": \"user\", \"view\": null, "
        "\"name\": \"mail\", \"what\": \"start\", \"expected\": true, \"actual\": false},",
        "\"what\": \"exists\", \"expected\": true, \"actual\": false}"}},
      {"a policy forbids one change", wanted, {"apply", state}, admin::kFailed,
       {"the machine's policy \"Entries that always start\" starts shortcut \"New\" (user) always"}},
      {"apply", wanted, {"apply", state}, admin::kDone,
       {"enabled startup \"mail\" (user)\n", "created shortcut \"New\" (user), not starting\n",
        "disabled service \"Привет\" (machine, 64-bit view)\n", "apply: 3 changes\n"}},
      {"match", wanted, {"check", state}, admin::kDone, {"check: the machine matches"}},
      {"apply again", wanted, {"apply", state}, admin::kDone, {"apply: nothing to change\n"}},
      {"another command", R"([{"kind": "startup", "scope": "user", "name": "Mail", "flag": 1, "command": "C:\\m2.exe"}])",
       {"check", state}, admin::kDiffers, {"starts \"C:\\\\mail.exe -q\", should start \"C:\\\\m2.exe\""}},
      {"apply the command", "", {"apply", state}, admin::kDone, {"changed the command of startup \"Mail\" (user)"}},
      {"missing, with nothing to create it from", R"([{"kind": "startup", "scope": "user", "name": "Gone", "start": true}])",
       {"apply", state}, admin::kFailed, {"no command to create it with"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (!row.file.empty()) platform.WriteFile(state, row.file);
    ClearPolicies();
    if (std::string(row.what) == "a policy forbids one change")
      platform.SetText(HKLM64, policy::kAlwaysStartKey, "1", "shortcut:user:new");
    auto before = Machine();
    Result result = Qmctl(row.args);
    EXPECT_EQ(row.code, result.code) << result.out << result.err;
    for (const std::string& said : row.said)
      EXPECT_NE(std::string::npos, (row.code == admin::kFailed ? result.err : result.out).find(said))
          << result.out << result.err;
    if (row.code != admin::kDone || row.args[0] == "check" || row.what == std::string("apply again"))
      EXPECT_TRUE(before == Machine());
  }
  EXPECT_EQ("C:\\m2.exe ", platform.Text(HKCU, kRunKey, "Mail"));
  EXPECT_EQ(0, platform.Number(HKCU, kStoredShcSelectionsKey, "New"));
  EXPECT_EQ(otherBefore, other());
  // Bad files: exit 2, nothing changed, for check and apply alike.
  const std::vector<std::string> bad = {
      "", "{", "[1,]", "{\"entries\": {}}", "[{\"kind\": \"startup\", \"scope\": \"user\", \"name\": \"A\"}]",
      R"([{"kind": "program", "scope": "user", "name": "A", "start": true}])",
      R"([{"kind": "service", "scope": "user", "name": "A", "start": true}])",
      R"([{"kind": "startup", "scope": "user", "name": "A", "start": true}, {"kind": "startup", "scope": "user", "name": "a", "start": false}])",
      R"([{"kind": "service", "scope": "machine", "name": "Привет", "start": true}])",  // both views hold it
      "[\"\\ud800\"]", "[] x"};
  auto before = Machine();
  for (const std::string& text : bad) {
    SCOPED_TRACE(text);
    platform.WriteFile(state, text);
    for (const char* command : {"check", "apply"}) EXPECT_EQ(admin::kUsage, Qmctl({command, state}).code);
  }
  EXPECT_EQ(admin::kUsage, Qmctl({"check", "C:\\none.json"}).code);
  EXPECT_TRUE(before == Machine());
}

}  // namespace
}  // namespace qm::test
