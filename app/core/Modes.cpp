#include "app/core/Modes.h"

#include "engine/foundation/Log.h"
#include "engine/foundation/StoredKeys.h"
#include "platform/Identity.h"

namespace qm::app {
namespace {

constexpr char kDefaultTheme[] = "Original";

cycle::CycleParts CyclePartsOf(const ModesParts& parts) {
  return {parts.registry, parts.startups, parts.shortcuts, parts.services};
}

}  // namespace

Modes::Modes(const ModesParts& parts)
    : parts_(parts), cycle_(CyclePartsOf(parts), parts.system.ProgramFolder()) {
  CTheme& defaults = parts_.defaultTheme;
  defaults.titleColor = defaults.buttonColor = defaults.statusColor = defaults.sectionColor = 0;
  parts_.currentTheme.FullAssign(defaults);
}

bool Modes::Start(const std::string& commandLine) {
  // Named first, so that even the second copy's message carries the application's name.
  CLog::SetApplicationNames(identity::kApplicationName, identity::kExecutableName);
  // The keeper runs beside the "/startup" window and the "/cleanup" tray, and
  // takes no instance of its own.
  if (commandLine == "/keep" || commandLine == "/keep unarmed") {
    CLog::Setup();
    Keep(commandLine == "/keep");
    return false;
  }
  if (!parts_.system.ClaimInstance()) {
    parts_.system.ShowMessage("Program is already running.", BoxIcon::None);
    return false;
  }
  // Before the log: restarting needs nothing of it.
  if (commandLine == "/restart") {
    AskRestart();
    return false;
  }
  CLog::Setup();
  return Dispatch(commandLine);
}

bool Modes::Dispatch(const std::string& commandLine) {
  if (commandLine == "/restore") {
    cycle_.Restore();
    return false;
  }
  if (commandLine == "/restore ex") {
    RestoreWithReport();
    return false;
  }
  if (commandLine == "/service") {
    TakeServices();
    return false;
  }
  if (commandLine == "/startup") {
    PrepareKeys();
    StartupLaunch();
    return false;
  }
  if (commandLine == "/cleanup") return Cleanup();
  if (commandLine == "/repair") {
    Repair();
    return false;
  }
  return NormalStart();
}

void Modes::TakeServices() { cycle_.TakeServices(); }

void Modes::RestoreWithReport() {
  if (cycle_.Restore()) {
    parts_.system.ShowMessage("Services, startups and shortcuts registry entries restored.", BoxIcon::Information);
    return;
  }
  // Said as it is: what could not go back is still held, and the log says why.
  parts_.system.ShowMessage("Some services, startups or shortcuts could not be restored; Quill Moor still holds "
                            "them. The log file " + CLog::GetProgramPathWith("Quillmoor.log") + " says why.",
                            BoxIcon::Exclamation);
}

void Modes::PrepareKeys() {
  cycle_.PrepareKeys();
  if (!parts_.registry.IsValueNamePresent(HKeyCurrentUser, kProductKey, kThemeValue))
    parts_.registry.SetValue(HKeyCurrentUser, kProductKey, kThemeValue, std::string(kDefaultTheme));
}

void Modes::StartupLaunch() {
  // Nothing would bring back what a take here holds: Windows runs no RunOnce value for this account.
  if (!parts_.system.RunOnceRuns()) return;
  const auto startKeeper = [this] { return parts_.system.StartKeeper(cycle_.CleanupArmed()); };
  if (cycle_.TakeStartups(cycle::WritablePlaces::Probe(), parts_.system.ElevatedAlone(), startKeeper) !=
      cycle::Cycle::TakeResult::Taken)
    return;
  SetUpTheme();
  MainWindowSetup setup;
  setup.inRegistry = 0;
  setup.trayMode = false;
  parts_.windows.RunModal(setup);
}

void Modes::Keep(bool returnArmed) {
  // Started only by a "/startup" with the machine's rights; one without has nothing to do.
  if (!cycle::WritablePlaces::Probe().Machine()) return;
  // Windows deletes the user's "/cleanup" value as it starts it: the user's
  // RunOnce pass, the last of the log-on, has begun.
  parts_.system.AwaitPassEnd([&] { return returnArmed && !cycle_.CleanupArmed(); });
  const bool armed = cycle_.ArmNextStartup();
  // A "/cleanup" with the machine's rights gives everything back itself.
  if (!parts_.system.ElevatedAlone()) {
    if (!armed) cycle_.ArmNextStartup();
    return;
  }
  // Once the user's "/cleanup" has given back what it could, the machine's
  // entries go back (and the next start is armed again, should the first try have failed).
  parts_.system.AwaitCleanup();
  cycle_.Return();
}

bool Modes::Cleanup() {
  const cycle::WritablePlaces rights = cycle::WritablePlaces::Probe();
  cycle_.Return(rights);
  parts_.system.TellKeeper();
  SetUpTheme();
  MainWindowSetup setup;
  setup.machineFixed = !rights.Machine();
  setup.inRegistry = 1;
  setup.trayMode = true;
  setup.takeServicesOnClose = true;
  setup.startDelayed = true;
  return parts_.windows.CreateModeless(setup);
}

void Modes::Repair() {
  cycle_.PrepareKeys();
  cycle_.Rearm();
  AskRestart();
}

bool Modes::NormalStart() {
  SetUpTheme();
  const cycle::WritablePlaces rights = cycle::WritablePlaces::Probe();
  const bool machine = rights.Machine();
  // A log-on cycle that died half way may have left entries taken with
  // nothing armed to bring them back: only the user can still ask for them,
  // and only for the places this start may write.
  if (cycle_.LeftTaken(rights) &&
      parts_.system.AskYesNo("Some services, startups or shortcuts are still held by Quill Moor from a log-on that "
                             "did not finish. Give them back to Windows now?",
                             BoxIcon::Question))
    cycle_.Return();
  TellRights(machine);
  MainWindowSetup setup;
  setup.machineFixed = !machine;
  setup.inRegistry = 1;
  setup.trayMode = true;
  if (!parts_.windows.CreateModeless(setup)) return false;
  parts_.windows.OpenModeless();
  return true;
}

void Modes::TellRights(bool machine) {
  const bool standard = !parts_.system.RunOnceRuns();
  if (!standard && machine) return;
  const std::uint32_t word = standard ? 1 : 2;
  std::uint32_t told = 0;
  if (parts_.registry.GetValue(HKeyCurrentUser, kProductKey, kRightsToldValue, &told) && told == word) return;
  parts_.system.ShowMessage(
      standard ? "Windows starts no one-shot program for a standard user, so the choice at log-on is not "
                 "available on this account. Listing, editing and launching work as usual."
               : "The entries of all users start with Windows at each log-on: Quill Moor cannot hold them back on "
                 "this account. To change them, start Quill Moor as administrator.",
      BoxIcon::Information);
  parts_.registry.CreateKey(HKeyCurrentUser, kProductKey);
  parts_.registry.SetValue(HKeyCurrentUser, kProductKey, kRightsToldValue, word);
}

void Modes::SetUpTheme() {
  parts_.themes.Setup();
  std::string name = kDefaultTheme;
  std::string stored;
  if (parts_.registry.GetValue(HKeyCurrentUser, kProductKey, kThemeValue, &stored)) name = stored;
  parts_.themes.GetThemeObject(name, &parts_.currentTheme);
}

void Modes::AskRestart() {
  if (!parts_.system.AskYesNo("You need to restart your computer. Restart now?", BoxIcon::Information)) return;
  if (!parts_.system.RestartComputer())
    parts_.system.ShowMessage("Unable to restart your computer. You need to do it manually.", BoxIcon::Information);
}

}  // namespace qm::app
