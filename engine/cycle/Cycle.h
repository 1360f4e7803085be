#pragma once
// The log-on cycle's whole-set operations: what "/startup", "/cleanup",
// "/service", "/restore" and "/repair" do to the entries, the Init flags and
// the RunOnce values. The program's modes and the console tool share them.
//
// One rule holds at every step: either nothing is taken, or a part of the
// cycle that brings the entries back is armed. Windows deletes a RunOnce value
// before it starts the program, so a run started by one can never count on
// its own value; and a program that Windows runs from a RunOnce key must not
// write that key during the pass that runs it. So:
//   - the service take arms "QM Init Cleanups" (HKCU) before it takes, so the
//     services taken when a "/cleanup" run ends come back at the next log-on
//     even if the "/startup" run that Windows starts first dies at once;
//   - "/startup" arms "QM Init Cleanups", then starts the keeper ("/keep"), a
//     windowless copy with its rights, and takes only after both; it sets its
//     Init flags only after the take;
//   - the keeper waits until Windows' start-up pass is over (the user's
//     "/cleanup" value used up, or "/cleanup" telling it) and then arms the
//     next "/startup" (HKLM); where "/cleanup" runs without the machine's
//     rights, the keeper gives the machine's entries back once "/cleanup" has
//     given back the user's;
//   - a "/cleanup" run that dies before it has returned everything leaves the
//     keeper to arm "QM Init Startups", and a "/startup" that finds "Init
//     Startup" at 1 arms the return again where it is missing;
//   - a take never starts while its return could not be armed.
#include <cstdint>
#include <functional>
#include <string>

#include "engine/entries/ServiceEngineer.h"
#include "engine/cycle/Rights.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/Registry.h"
#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/KelvrinApi.h"

namespace qm::cycle {

// The Init flags (HKLM, product key): 1 while that kind is taken in this cycle.
inline constexpr char kInitServiceFlag[] = "Init Service";
inline constexpr char kInitStartupFlag[] = "Init Startup";
inline constexpr char kInitShortcutFlag[] = "Init Shortcut";
// The RunOnce values (Windows' RunOnce key) that start the program again.
inline constexpr char kStartupRunOnce[] = "QM Init Startups";  // HKLM, "/startup"
inline constexpr char kCleanupRunOnce[] = "QM Init Cleanups";  // HKCU, "/cleanup"

// The data of a RunOnce value: the program in programFolder with the switch.
// A path with a blank is quoted, so that Windows cannot take a prefix of it
// ("C:\Program.exe") for the program; one without is written as it is.
KELVRIN_API std::string RunOnceCommand(const std::string& programFolder, const std::string& switchText);

// What the cycle works with, owned by the program and living longer than it.
struct CycleParts {
  CRegistry& registry;
  const CStartupEngineer& startups;
  const CShortcutEngineer& shortcuts;
  const CServiceEngineer& services;
};

class KELVRIN_API Cycle {
 public:
  // programFolder: where Quillmoor.exe stands, without a trailing backslash.
  Cycle(const CycleParts& parts, std::string programFolder);

  enum class TakeResult {
    Taken,         // entries taken, flags at 1, the return armed
    AlreadyTaken,  // the flag was already 1: nothing taken (a missing return armed again)
    Unreadable,    // the flag could not be read: one log line, nothing done
    NotTaken,      // the return could not be armed, or an engine's take failed
  };

  // "/startup": Run entries, then shortcuts; "Init Startup" and "Init Shortcut".
  // Only the places this process may write are taken. A start with the
  // machine's rights takes only once startKeeper has started the part that
  // arms the next "/startup" after Windows' pass (without startKeeper, for a
  // start made by hand outside any pass, it arms it itself).
  // A start with the machine's rights first gives back the machine's entries
  // a "/cleanup" without them had to leave taken.
  // elevatedAlone: this start runs elevated under User Account Control, so
  // the "/cleanup" that follows it will not have its rights.
  TakeResult TakeStartups(const WritablePlaces& rights, bool elevatedAlone = false,
                          const std::function<bool()>& startKeeper = nullptr);
  TakeResult TakeStartups() { return TakeStartups(WritablePlaces::Everywhere()); }
  // The keeper, once Windows' pass is over: arms the next "/startup"; false
  // when it could not.
  bool ArmNextStartup() { return ArmStartup(); }
  // The service take: RunServices entries; "Init Service".
  TakeResult TakeServices();
  // "/cleanup" before its window: every kind back where Windows reads it, the
  // three flags at 0, the next "/startup" armed. False when an engine could
  // not give every entry of its kind back (the log says why).
  bool Return();
  // The same, and notes for the next "/startup" whether this process could
  // write the machine's places.
  bool Return(const WritablePlaces& rights);
  // "/restore": every kind back, the flags at 0, no RunOnce value written;
  // false as for Return.
  bool Restore();
  // "/repair": the flags at 0 and the next "/startup" armed.
  void Rearm();
  // What a copy started without its installer needs before it can take: the
  // HKLM product key with the three flags (0 where missing, a flag that stands
  // is kept), and the Selections keys of the stored locations under both roots.
  void PrepareKeys();

  // True when entries stand taken (an Init flag at 1, or a stored location
  // holding entries not marked returned) and neither RunOnce value is armed:
  // a cycle was interrupted and nothing will bring them back.
  bool LeftTaken() { return LeftTaken(WritablePlaces::Everywhere()); }
  // The same over the places this process may write; the Init flags count
  // only where it may write the machine's places.
  bool LeftTaken(const WritablePlaces& rights);

  bool StartupArmed();
  bool CleanupArmed();

 private:
  bool ArmStartup();
  bool ArmCleanup();
  // A number under the root's product key (an Init flag, a returned mark) reads 1.
  bool FlagAtOne(RegKey root, const char* flag);
  // Whether the user's "/cleanup" gives back what is taken from the machine's places.
  bool MachineReturned();
  void ClearFlags();

  CycleParts parts_;
  std::string folder_;
};

}  // namespace qm::cycle
