#pragma once
// A shell that starts nothing: it records every open and every icon lookup,
// answers the instance value a test chooses, and hands out icon handles only
// for the paths a test gave an icon. It keeps count of icons not given back.
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Shell.h"

namespace qm::test {

// A started process whose figures and answers the test sets as it goes.
struct FakeProcess : platform::IStartedProcess {
  struct State {
    platform::ProcessFigures figures;
    platform::IdleState idle = platform::IdleState::Busy;
  };
  FakeProcess(std::shared_ptr<State> state, std::uint32_t id) : state(std::move(state)), id(id) {}
  std::uint32_t Id() const override { return id; }
  std::uint64_t CreationTime() const override { return id * 1000; }
  bool Read(platform::ProcessFigures* figures) override { return *figures = state->figures, true; }
  platform::IdleState Idle(std::uint32_t) override { return state->idle; }
  std::shared_ptr<State> state;
  std::uint32_t id;
};

class FakeShell : public platform::IShell {
 public:
  struct Opened {
    std::string file;
    std::string parameters;
    bool operator==(const Opened&) const = default;
  };

  // What Open answers: above 32 is success (ShellExecuteA answers 42 when it works).
  std::intptr_t openResult = 42;
  std::vector<Opened> opened;
  std::vector<std::string> iconLookups;
  std::vector<platform::IconHandle> destroyed;

  // From now on SmallIcon(path) hands out a fresh handle for this path (exact text).
  void GiveIcon(const std::string& path) { iconPaths_.insert(path); }
  // Handles handed out and not yet destroyed.
  std::size_t LiveIcons() const { return live_.size(); }

  std::intptr_t Open(const std::string& file, const std::string& parameters) override {
    opened.push_back({file, parameters});
    return openResult;
  }
  // With handProcesses, each start asked to be watched gets a process whose state is in `processes`.
  bool handProcesses = false;
  std::vector<std::shared_ptr<FakeProcess::State>> processes;
  std::intptr_t OpenWatched(const std::string& file, const std::string& parameters,
                            std::unique_ptr<platform::IStartedProcess>* started) override {
    std::intptr_t result = Open(file, parameters);
    if (!handProcesses || result <= 32) return result;
    processes.push_back(std::make_shared<FakeProcess::State>());
    *started = std::make_unique<FakeProcess>(processes.back(), static_cast<std::uint32_t>(processes.size()));
    return result;
  }
  platform::IconHandle SmallIcon(const std::string& path) override {
    iconLookups.push_back(path);
    if (!iconPaths_.count(path)) return 0;
    platform::IconHandle icon = nextIcon_++;
    live_.insert(icon);
    return icon;
  }
  void DestroyIcon(platform::IconHandle icon) override {
    destroyed.push_back(icon);
    live_.erase(icon);
  }

 private:
  std::set<std::string> iconPaths_;
  std::set<platform::IconHandle> live_;
  platform::IconHandle nextIcon_ = 0x1000;
};

}  // namespace qm::test
