#pragma once
// The program's modes over the portable platform: real engines and themes on
// the in-memory registry and a mapped drive, a system that records its message
// boxes and answers for the user (and never restarts anything), and main
// windows that are only recorded. The crash suite runs whole modes with it.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/core/Modes.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {

// Every key and value under both roots, as text, to compare a registry before and after.
inline void DumpKey(platform::IRegistryStore& store, platform::RegKey root, const std::string& path,
                    std::string* out) {
  platform::RegKey key = 0;
  if (store.OpenKey(root, path.c_str(), platform::kKeyRead, &key) != platform::kErrorSuccess) return;
  *out += "[" + path + "]\n";
  for (std::uint32_t i = 0;; ++i) {
    char name[16384];
    std::uint8_t data[65536];
    std::uint32_t nameSize = sizeof(name), dataSize = sizeof(data), type = 0;
    if (store.EnumValue(key, i, name, &nameSize, &type, data, &dataSize) != platform::kErrorSuccess) break;
    *out += std::string(name) + "=" + std::to_string(type) + ":" +
            std::string(reinterpret_cast<char*>(data), dataSize) + "\n";
  }
  std::vector<std::string> subkeys;
  for (std::uint32_t i = 0;; ++i) {
    char name[1024];
    std::uint32_t nameSize = sizeof(name);
    if (store.EnumKey(key, i, name, &nameSize) != platform::kErrorSuccess) break;
    subkeys.push_back(name);
  }
  store.CloseKey(key);
  for (const auto& sub : subkeys) DumpKey(store, root, path.empty() ? sub : path + "\\" + sub, out);
}
inline std::string Dump(TestPlatform& platform) {
  std::string out;
  for (platform::RegKey root : {HKeyCurrentUser, HKeyLocalMachine}) DumpKey(platform.registry, root, "", &out);
  return out;
}

class RecordingSystem : public app::IProgramSystem {
 public:
  explicit RecordingSystem(std::string programFolder) : folder(std::move(programFolder)) {}
  bool otherCopyRunning = false;
  std::string folder;
  bool answerYes = false;
  bool restartWorks = true;
  // Every box as "text" for OK boxes and "? text" for questions, in order.
  std::vector<std::string> boxes;
  std::vector<app::BoxIcon> icons;
  int restarts = 0;

  bool ClaimInstance() override { return !otherCopyRunning; }
  void ShowMessage(const std::string& text, app::BoxIcon icon) override {
    boxes.push_back(text);
    icons.push_back(icon);
  }
  bool AskYesNo(const std::string& text, app::BoxIcon icon) override {
    boxes.push_back("? " + text);
    icons.push_back(icon);
    return answerYes;
  }
  bool RestartComputer() override {
    ++restarts;
    return restartWorks;
  }
  std::string ProgramFolder() override { return folder; }
  bool runOnceRuns = true, elevatedAlone = false;
  bool RunOnceRuns() override { return runOnceRuns; }
  bool ElevatedAlone() override { return elevatedAlone; }
  // Keepers asked for; the waits are over at once, as when Windows' pass has ended.
  int keepers = 0;
  bool StartKeeper(bool) override { return ++keepers, true; }
  void AwaitPassEnd(const std::function<bool()>&) override {}
  void AwaitCleanup() override {}
  void TellKeeper() override {}
};

class RecordingWindows : public app::IMainWindows {
 public:
  // Each window as "modal 0" / "modeless 1" (inRegistry, with " tray" in
  // tray mode and " takes services" when leaving it takes them), then "open"
  // when shown.
  std::vector<std::string> made;
  app::MainWindowSetup last;
  bool creatable = true;
  // What the user does while the modal window runs (may be empty).
  std::function<void()> whileModal;

  void RunModal(const app::MainWindowSetup& setup) override {
    last = setup;
    made.push_back(Describe("modal", setup));
    if (whileModal) whileModal();
  }
  bool CreateModeless(const app::MainWindowSetup& setup) override {
    last = setup;
    made.push_back(Describe("modeless", setup));
    return creatable;
  }
  void OpenModeless() override { made.push_back("open"); }

 private:
  static std::string Describe(const char* how, const app::MainWindowSetup& setup) {
    return std::string(how) + " " + std::to_string(setup.inRegistry) + (setup.trayMode ? " tray" : "") +
           (setup.takeServicesOnClose ? " takes services" : "");
  }
};

// One program: what Quillmoor.exe owns for its whole life.
struct Program {
  explicit Program(std::string folder = kProgramFolder) : system(std::move(folder)) {}

  CRegistry registry;
  CStartupEngineer startups;
  CShortcutEngineer shortcuts;
  CServiceEngineer services;
  CThemeManager themes;
  CTheme currentTheme;
  CTheme defaultTheme;
  RecordingSystem system;
  RecordingWindows windows;
  app::Modes modes{{registry, startups, shortcuts, services, themes, currentTheme, defaultTheme, system, windows}};

  // Runs the start-up hook; a modeless window that came up is then left as
  // the user leaves it (closed, or Exit from the tray), which takes the
  // services where the window was set up to.
  bool Run(const std::string& commandLine) {
    bool running = modes.Start(commandLine);
    if (running && windows.last.takeServicesOnClose) modes.TakeServices();
    return running;
  }
};

}  // namespace qm::test
