#include "engine/cycle/Cycle.h"

#include <utility>
#include <vector>

#include "engine/foundation/Log.h"
#include "engine/foundation/Places.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/Identity.h"

namespace qm::cycle {
namespace {

const char* const kFlags[] = {kInitServiceFlag, kInitStartupFlag, kInitShortcutFlag};

}  // namespace

std::string RunOnceCommand(const std::string& programFolder, const std::string& switchText) {
  std::string program = programFolder + "\\" + identity::kProgramFile;
  if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
  return program + " " + switchText;
}

Cycle::Cycle(const CycleParts& parts, std::string programFolder) : parts_(parts), folder_(std::move(programFolder)) {}

// Windows has both RunOnce keys from its first start; a registry that lacks one
// gets it, as Windows would create it for the first program that writes there.
bool Cycle::ArmStartup() {
  if (parts_.registry.CreateKey(HKeyLocalMachine, kRunOnceKey) &&
      parts_.registry.SetValue(HKeyLocalMachine, kRunOnceKey, kStartupRunOnce, RunOnceCommand(folder_, "/startup")))
    return true;
  CLog::Error(std::string("Unable to set ") + kStartupRunOnce);
  return false;
}

bool Cycle::ArmCleanup() {
  if (parts_.registry.CreateKey(HKeyCurrentUser, kRunOnceKey) &&
      parts_.registry.SetValue(HKeyCurrentUser, kRunOnceKey, kCleanupRunOnce, RunOnceCommand(folder_, "/cleanup")))
    return true;
  CLog::Error(std::string("Unable to set ") + kCleanupRunOnce);
  return false;
}

bool Cycle::StartupArmed() { return parts_.registry.IsValueNamePresent(HKeyLocalMachine, kRunOnceKey, kStartupRunOnce); }

bool Cycle::CleanupArmed() { return parts_.registry.IsValueNamePresent(HKeyCurrentUser, kRunOnceKey, kCleanupRunOnce); }

bool Cycle::FlagAtOne(RegKey root, const char* flag) {
  std::uint32_t value = 0;
  return parts_.registry.GetValue(root, kProductKey, flag, &value) && value != 0;
}

void Cycle::ClearFlags() {
  for (const char* flag : kFlags) parts_.registry.SetValue(HKeyLocalMachine, kProductKey, flag, std::uint32_t{0});
}

bool Cycle::MachineReturned() {
  std::uint32_t returns = 1;
  // Never recorded: the "/cleanup" has the rights "/startup" has, as without User Account Control.
  return !parts_.registry.GetValue(HKeyCurrentUser, kProductKey, kMachineReturnsValue, &returns) || returns != 0;
}

Cycle::TakeResult Cycle::TakeStartups(const WritablePlaces& rights, bool elevatedAlone,
                                      const std::function<bool()>& startKeeper) {
  const bool machineBack = !elevatedAlone && MachineReturned();
  // A "/cleanup" without the machine's rights left the machine's entries
  // taken and the flags at 1 (its keeper died); this start has the rights to
  // give them back.
  if (!machineBack && rights.Machine() && FlagAtOne(HKeyLocalMachine, kInitStartupFlag)) {
    parts_.startups.ReturnRunEntries();
    parts_.shortcuts.ReturnShcEntries();
    parts_.registry.SetValue(HKeyLocalMachine, kProductKey, kInitStartupFlag, std::uint32_t{0});
    parts_.registry.SetValue(HKeyLocalMachine, kProductKey, kInitShortcutFlag, std::uint32_t{0});
  }
  // Windows used up the start that ran this one; the next one is armed once
  // its pass is over, by the keeper. Only a start with the machine's rights
  // can arm it at all.
  auto armNext = [&] { return rights.Machine() && (startKeeper ? startKeeper() : ArmStartup()); };
  std::uint32_t taken = 0;
  if (!parts_.registry.GetValue(HKeyLocalMachine, kProductKey, kInitStartupFlag, &taken)) {
    CLog::Error("Unable to get init startup result");
    armNext();
    return TakeResult::Unreadable;
  }
  if (taken != 0) {
    // Taken in this cycle. Normally their return is armed; if a "/cleanup"
    // died before it gave them back, this start is what is left to arm it.
    if (CleanupArmed() || ArmCleanup()) armNext();
    return TakeResult::AlreadyTaken;
  }
  // Nothing is taken without its return armed. The keeper starts after the
  // return is armed: the value going is how it learns that the pass is over.
  if (!ArmCleanup()) {
    armNext();
    return TakeResult::NotTaken;
  }
  // Without the next cycle's start armed after this pass, a "/cleanup" that
  // died would leave the entries with nothing to bring them back: nothing is
  // taken unless it will be armed, so a start without the machine's rights,
  // which no part of its cycle can arm, takes nothing.
  if (!armNext()) return TakeResult::NotTaken;
  auto roots = [&](EntryKind kind) {
    std::vector<RegKey> chosen;
    for (const Location& row : Locations())
      if (row.kind == kind && rights.May(row)) chosen.push_back(row.root);
    return chosen;
  };
  if (!parts_.startups.StartWork(roots(EntryKind::Startup))) return TakeResult::NotTaken;
  if (!parts_.shortcuts.StartWork(roots(EntryKind::Shortcut))) return TakeResult::NotTaken;
  parts_.registry.SetValue(HKeyLocalMachine, kProductKey, kInitStartupFlag, std::uint32_t{1});
  parts_.registry.SetValue(HKeyLocalMachine, kProductKey, kInitShortcutFlag, std::uint32_t{1});
  return TakeResult::Taken;
}

Cycle::TakeResult Cycle::TakeServices() {
  std::uint32_t taken = 0;
  if (!parts_.registry.GetValue(HKeyLocalMachine, kProductKey, kInitServiceFlag, &taken)) {
    CLog::Error("Unable to get init service result");
    return TakeResult::Unreadable;
  }
  if (taken != 0) return TakeResult::AlreadyTaken;
  if (!ArmCleanup()) return TakeResult::NotTaken;
  if (!parts_.services.StartWork()) return TakeResult::NotTaken;
  parts_.registry.SetValue(HKeyLocalMachine, kProductKey, kInitServiceFlag, std::uint32_t{1});
  return TakeResult::Taken;
}

bool Cycle::Restore() {
  // Every kind is given back, whatever became of the one before.
  const bool startups = parts_.startups.ReturnRunEntries() == 1;
  const bool shortcuts = parts_.shortcuts.ReturnShcEntries() == 1;
  const bool services = parts_.services.ReturnRunServiceEntries() == 1;
  ClearFlags();
  return startups && shortcuts && services;
}

bool Cycle::Return() {
  // The next start first: a "/cleanup" that dies while it gives back leaves
  // it armed, whatever became of the keeper.
  ArmStartup();
  return Restore();
}

bool Cycle::Return(const WritablePlaces& rights) {
  const bool back = Return();
  parts_.registry.CreateKey(HKeyCurrentUser, kProductKey);
  parts_.registry.SetValue(HKeyCurrentUser, kProductKey, kMachineReturnsValue,
                           std::uint32_t{rights.Machine() ? 1u : 0u});
  return back;
}

void Cycle::Rearm() {
  ClearFlags();
  ArmStartup();
}

void Cycle::PrepareKeys() {
  CRegistry& registry = parts_.registry;
  if (registry.CreateKey(HKeyLocalMachine, kProductKey)) {
    for (const char* flag : kFlags) {
      std::uint32_t value = 0;
      // Only a flag reported missing is written: one that stands, or that
      // could not be read for another reason, may say that entries are taken.
      if (!registry.GetValue(HKeyLocalMachine, kProductKey, flag, &value) &&
          registry.lastError == static_cast<std::uint32_t>(platform::kErrorFileNotFound))
        registry.SetValue(HKeyLocalMachine, kProductKey, flag, std::uint32_t{0});
    }
  }
  for (RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) {
    registry.CreateKey(root, kStoredRunSelectionsKey);
    registry.CreateKey(root, kStoredShcSelectionsKey);
  }
  registry.CreateKey(HKeyLocalMachine, kStoredRunServicesSelectionsKey);
}

bool Cycle::LeftTaken(const WritablePlaces& rights) {
  bool taken = false;
  for (const char* flag : kFlags) taken = taken || (rights.Machine() && FlagAtOne(HKeyLocalMachine, flag));
  // Every stored location with the mark that says its entries stand returned,
  // the other view of the machine's keys included.
  for (const Location& row : Locations()) {
    if (taken) break;
    if (!rights.May(row)) continue;
    std::vector<std::string> names;
    taken = parts_.registry.EnumerateValueNames(row.root, row.storedKey, &names) && !names.empty() &&
            !FlagAtOne(row.root, row.returnedMark);
  }
  return taken && !CleanupArmed() && !StartupArmed();
}

}  // namespace qm::cycle
