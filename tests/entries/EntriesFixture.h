#pragma once
// The portable platform with every Run and RunServices key in place, the log
// started, and recording fakes in the shell, message box and process slots.
#include <gtest/gtest.h>

#include "engine/entries/RunKeyStore.h"
#include "tests/support/FakeMessageBox.h"
#include "tests/support/FakeProcessLauncher.h"
#include "tests/support/FakeShell.h"
#include "tests/support/TestPlatform.h"

namespace qm::test {

inline constexpr RegKey HKCU = HKeyCurrentUser;
inline constexpr RegKey HKLM = HKeyLocalMachine;
inline constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kStored[] = "Software\\Tarnwick\\Quill Moor\\Run";
inline constexpr char kFlags[] = "Software\\Tarnwick\\Quill Moor\\Run\\Selections";
inline constexpr char kServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr char kStoredServices[] = "Software\\Tarnwick\\Quill Moor\\RunServices";
inline constexpr char kServiceFlags[] = "Software\\Tarnwick\\Quill Moor\\RunServices\\Selections";

class EntriesTest : public testing::Test {
 protected:
  EntriesTest() : shellSlot_(&shell), boxSlot_(&boxes), launcherSlot_(&launcher) {
    CRegistry registry;
    for (RegKey root : {HKCU, HKLM})
      for (const char* key : {kRun, kStored, kFlags}) registry.CreateKey(root, key);
    for (const char* key : {kServices, kStoredServices, kServiceFlags}) registry.CreateKey(HKLM, key);
    platform.StartLog();
  }

  TestPlatform platform;
  FakeShell shell;
  FakeMessageBox boxes;
  FakeProcessLauncher launcher;

 private:
  platform::ScopedService<platform::IShell> shellSlot_;
  platform::ScopedService<platform::IMessageBox> boxSlot_;
  platform::ScopedService<platform::IProcessLauncher> launcherSlot_;
};

using Lines = std::vector<std::string>;

}  // namespace qm::test
