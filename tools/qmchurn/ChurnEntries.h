#pragma once
// The entries qmchurn works on, shared with the test that kills it: each
// edited entry only ever changes its program (a Run or RunServices entry) or
// its target (a shortcut) between two known values, so that whoever checks
// after a kill knows every value the entry legitimately had.
#include <cstdint>

namespace qm::churn {

enum class Kind { Run, Service, Shortcut };

struct ChurnEntry {
  Kind kind;
  int isPublic;          // 1 = all users (HKLM, Common Startup)
  const char* name;
  const char* pathA;     // the program, or the shortcut's target
  const char* pathB;
  const char* argument;  // never changed
  bool edited;           // false: stands by while the others are edited
  std::uint32_t flag;    // the user's choice, which no step may change
};

inline constexpr ChurnEntry kEntries[] = {
    {Kind::Run, 0, "QM Churn Mail", "C:\\Churn\\mail.exe", "C:\\Churn\\mail2.exe", "-tray", true, 1},
    {Kind::Run, 0, "QM Churn Sync", "C:\\Churn\\sync.exe", "C:\\Churn\\sync.exe", "", false, 0},
    {Kind::Run, 1, "QM Churn Audio", "C:\\Churn\\audio.exe", "C:\\Churn\\audio2.exe", "/q", true, 0},
    {Kind::Run, 1, "QM Churn Clock", "C:\\Churn\\clock.exe", "C:\\Churn\\clock.exe", "-s", false, 1},
    {Kind::Service, 1, "QM Churn Agent", "C:\\Churn\\agent.exe", "C:\\Churn\\agent2.exe", "/d", true, 0},
    {Kind::Service, 1, "QM Churn Spool", "C:\\Churn\\spool.exe", "C:\\Churn\\spool.exe", "", false, 1},
    {Kind::Shortcut, 0, "QM Churn Notes", "C:\\windows\\notepad.exe", "C:\\windows\\regedit.exe", "-n", true, 0},
    {Kind::Shortcut, 0, "QM Churn Paint", "C:\\windows\\notepad.exe", "C:\\windows\\notepad.exe", "", false, 1},
    {Kind::Shortcut, 1, "QM Churn Board", "C:\\windows\\regedit.exe", "C:\\windows\\notepad.exe", "/b", true, 1},
    {Kind::Shortcut, 1, "QM Churn Panel", "C:\\windows\\regedit.exe", "C:\\windows\\regedit.exe", "", false, 0},
};

}  // namespace qm::churn
