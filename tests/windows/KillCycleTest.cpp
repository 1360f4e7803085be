// A real process working the log-on cycle and taken-mode edits of all three
// kinds (qmchurn) is killed at random moments; after each kill the next
// log-on runs here, as Windows would start the program, and every entry must
// stand with a value it legitimately had and the flag the user chose. The
// in-process crash suite cannot see what the system's own link object does
// to a file; this test can.
//
// QM_KILL_SEED fixes the seed (it is printed either way); QM_KILLS the number
// of kills.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/CommandLine.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/win32/Handles.h"
#include "tools/qmchurn/ChurnEntries.h"
#include "tests/support/LogOn.h"

namespace qm {
namespace {

using churn::ChurnEntry;
using churn::Kind;

RegKey RootOf(const ChurnEntry& e) { return e.isPublic ? HKeyLocalMachine : HKeyCurrentUser; }
const char* WindowsKey(const ChurnEntry& e) { return e.kind == Kind::Service ? kRunServicesKey : kRunKey; }
const char* StoredKey(const ChurnEntry& e) {
  return e.kind == Kind::Run ? kStoredRunKey : e.kind == Kind::Service ? kStoredRunServicesKey : kStoredShcKey;
}
const char* SelectionsKey(const ChurnEntry& e) {
  return e.kind == Kind::Run       ? kStoredRunSelectionsKey
         : e.kind == Kind::Service ? kStoredRunServicesSelectionsKey
                                   : kStoredShcSelectionsKey;
}

bool SameText(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

// Whether the entry stands in one place (inRegistry 1: where Windows reads
// it) with one of its two values.
bool Stands(const ChurnEntry& e, int inRegistry) {
  if (e.kind == Kind::Shortcut) {
    std::string target, arguments;
    if (!CShortcutEngineer().GetShortcutInfo(e.name, &target, &arguments, e.isPublic, inRegistry)) return false;
    return (SameText(target, e.pathA) || SameText(target, e.pathB)) && arguments == e.argument;
  }
  std::string line;
  if (!CRegistry().GetValue(RootOf(e), inRegistry == 1 ? WindowsKey(e) : StoredKey(e), e.name, &line)) return false;
  return line == JoinPathArgument(e.pathA, e.argument) || line == JoinPathArgument(e.pathB, e.argument);
}

std::int64_t FlagOf(const ChurnEntry& e) {
  std::uint32_t flag = 0;
  return CRegistry().GetValue(RootOf(e), SelectionsKey(e), e.name, &flag) ? static_cast<std::int64_t>(flag) : -1;
}

std::string StartupFolder(const ChurnEntry& e) {
  std::string folder;
  CRegistry().GetValue(RootOf(e), kShellFoldersKey, e.isPublic ? "Common Startup" : "Startup", &folder);
  return folder;
}

// Where a lost entry's bytes went, for the failure message.
std::string Traces(const ChurnEntry& e) {
  std::string where;
  if (e.kind == Kind::Shortcut) {
    WIN32_FILE_ATTRIBUTE_DATA file{};
    std::string path = StartupFolder(e) + "\\" + e.name + ".lnk";
    where = ::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &file)
                ? "file of " + std::to_string(file.nFileSizeLow) + " bytes"
                : "no file";
  } else {
    std::string line;
    where = CRegistry().GetValue(RootOf(e), WindowsKey(e), e.name, &line) ? "Windows value '" + line + "'"
                                                                           : "no Windows value";
  }
  std::vector<std::uint8_t> bytes(1 << 16);
  std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
  where += CRegistry().GetValue(RootOf(e), StoredKey(e), e.name, bytes.data(), &size)
               ? ", stored " + std::to_string(size) + " bytes"
               : ", nothing stored";
  return where;
}

// Removes every trace of the entry, wherever a cycle may have left it.
void Forget(const ChurnEntry& e) {
  CRegistry registry;
  registry.DeleteValue(RootOf(e), StoredKey(e), e.name);
  registry.DeleteValue(RootOf(e), SelectionsKey(e), e.name);
  if (e.kind == Kind::Shortcut)
    ::DeleteFileA((StartupFolder(e) + "\\" + e.name + ".lnk").c_str());
  else
    registry.DeleteValue(RootOf(e), WindowsKey(e), e.name);
}

// Puts the entry where Windows reads it, with its first value and the user's flag.
void Plant(const ChurnEntry& e) {
  Forget(e);
  CRegistry registry;
  registry.CreateKey(RootOf(e), SelectionsKey(e));
  if (e.kind == Kind::Shortcut) {
    ::SHCreateDirectoryExA(nullptr, StartupFolder(e).c_str(), nullptr);
    CShortcutEngineer().CreateShcEntry(nullptr, e.name, e.pathA, e.argument, e.isPublic, 1);
  } else {
    registry.CreateKey(RootOf(e), WindowsKey(e));
    registry.SetValue(RootOf(e), WindowsKey(e), e.name, JoinPathArgument(e.pathA, e.argument));
  }
  registry.SetValue(RootOf(e), SelectionsKey(e), e.name, e.flag);
}

std::string BesideUs(const char* file) {
  char path[MAX_PATH];
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  return folder.substr(0, folder.find_last_of('\\') + 1) + file;
}

unsigned EnvironmentNumber(const char* name, unsigned fallback) {
  const char* text = std::getenv(name);
  return text && *text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fallback;
}

TEST(KilledCycle, NoEntryIsLostAndNoFlagChangesWhereverTheProcessDies) {
  const unsigned seed = EnvironmentNumber("QM_KILL_SEED", ::GetTickCount() ^ ::GetCurrentProcessId());
  const unsigned kills = EnvironmentNumber("QM_KILLS", 120);
  std::printf("Kill seed %u\n", seed);
  std::mt19937 random(seed);

  for (const auto& e : churn::kEntries) Plant(e);
  const char* eventName = "Quill Moor churn ready";
  win32::KernelObject ready(::CreateEventA(nullptr, TRUE, FALSE, eventName));
  ASSERT_TRUE(ready);
  const std::string tool = BesideUs("qmchurn.exe");

  int killed = 0, lost = 0, changed = 0;
  for (unsigned round = 0; round < kills; ++round) {
    ::ResetEvent(ready.Get());
    std::string command = "\"" + tool + "\" " + std::to_string(random()) + " \"" + eventName + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(::CreateProcessA(tool.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                 &startup, &info))
        << tool << " (error " << ::GetLastError() << ")";
    win32::KernelObject process(info.hProcess), thread(info.hThread);
    if (::WaitForSingleObject(ready.Get(), 20000) != WAIT_OBJECT_0) ADD_FAILURE() << "qmchurn did not start";
    ::Sleep(random() % 400);
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), INFINITE);
    ++killed;

    test::NextLogOn();
    for (const auto& e : churn::kEntries) {
      bool there = Stands(e, 1) || Stands(e, 0);
      std::int64_t flag = FlagOf(e);
      if (!there) {
        ++lost;
        ADD_FAILURE() << "'" << e.name << "' lost after kill " << round << " (" << Traces(e) << ")";
      } else if (flag != e.flag) {
        ++changed;
        ADD_FAILURE() << "'" << e.name << "' flag " << flag << " instead of " << e.flag << " after kill " << round;
      }
      // Each finding counts once: the entry starts afresh for the next kill.
      if (!there || flag != e.flag) Plant(e);
    }
  }

  char summary[160];
  std::snprintf(summary, sizeof(summary), "Kills: %d kills, %d entries lost, %d flags changed (seed %u)", killed, lost,
                changed, seed);
  std::printf("%s\n", summary);
  if (FILE* out = std::fopen(BesideUs("kill_summary.txt").c_str(), "w")) {
    std::fprintf(out, "%s\n", summary);
    std::fclose(out);
  }
  for (const auto& e : churn::kEntries) Forget(e);
  EXPECT_GE(killed, 100);
  EXPECT_EQ(0, lost);
  EXPECT_EQ(0, changed);
}

}  // namespace
}  // namespace qm
