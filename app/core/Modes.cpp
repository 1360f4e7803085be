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
  if (cycle_.TakeStartups() != cycle::Cycle::TakeResult::Taken) return;
  SetUpTheme();
  MainWindowSetup setup;
  setup.inRegistry = 0;
  setup.trayMode = false;
  parts_.windows.RunModal(setup);
}

bool Modes::Cleanup() {
  cycle_.Return();
  SetUpTheme();
  MainWindowSetup setup;
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
  // A log-on cycle that died half way may have left entries taken with
  // nothing armed to bring them back: only the user can still ask for them.
  if (cycle_.LeftTaken() &&
      parts_.system.AskYesNo("Some services, startups or shortcuts are still held by Quill Moor from a log-on that "
                             "did not finish. Give them back to Windows now?",
                             BoxIcon::Question))
    cycle_.Return();
  MainWindowSetup setup;
  setup.inRegistry = 1;
  setup.trayMode = true;
  if (!parts_.windows.CreateModeless(setup)) return false;
  parts_.windows.OpenModeless();
  return true;
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
