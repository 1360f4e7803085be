// The entry engines on the real platform: the registry of the Wine prefix,
// the real shell and CreateProcessA starting qmprobe, and a real tree view in
// a hidden window. Every value written is removed again.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/entries/RunKeyStore.h"
#include "engine/entries/ServiceEngineer.h"
#include "engine/entries/StartupEngineer.h"
#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32EditField.h"
#include "platform/win32/Win32ProcessLauncher.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32TreeControl.h"
#include "tests/support/FakeMessageBox.h"

namespace qm {
namespace {

using Lines = std::vector<std::string>;
constexpr RegKey HKCU = HKeyCurrentUser;
constexpr RegKey HKLM = HKeyLocalMachine;
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kStored[] = "Software\\Tarnwick\\Quill Moor\\Run";
constexpr char kFlags[] = "Software\\Tarnwick\\Quill Moor\\Run\\Selections";
constexpr char kServices[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
constexpr char kStoredServices[] = "Software\\Tarnwick\\Quill Moor\\RunServices";
constexpr char kServiceFlags[] = "Software\\Tarnwick\\Quill Moor\\RunServices\\Selections";

std::string ModulePath() {
  char path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string Text(RegKey root, const char* key, const char* name) {
  std::string text;
  return CRegistry().GetValue(root, key, name, &text) ? text : "<missing>";
}

std::int64_t Number(RegKey root, const char* key, const char* name) {
  std::uint32_t number = 0;
  return CRegistry().GetValue(root, key, name, &number) ? number : -1;
}

bool Has(RegKey root, const char* key, const char* name) {
  return CRegistry().IsValueNamePresent(root, key, name) == 1;
}

class Win32Entries : public testing::Test {
 protected:
  Win32Entries() : boxSlot_(&boxes) {
    CRegistry registry;
    for (RegKey root : {HKCU, HKLM})
      for (const char* key : {kRun, kStored, kFlags}) registry.CreateKey(root, key);
    for (const char* key : {kServices, kStoredServices, kServiceFlags}) registry.CreateKey(HKLM, key);
    CleanValues();

    // The log beside this program, started afresh.
    std::string module = ModulePath();
    logPath_ = module.substr(0, module.size() - 4) + ".log";
    ::DeleteFileA(logPath_.c_str());
    CLog::Setup();

    // qmprobe in a folder of its own whose name has a blank, as under "Program Files".
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    folder_ = std::string(temp) + "qm probe " + std::to_string(::GetCurrentProcessId()) + "-" +
              std::to_string(++count_);
    ::CreateDirectoryA(folder_.c_str(), nullptr);
    probe = folder_ + "\\qmprobe.exe";
    std::string built = module.substr(0, module.find_last_of('\\')) + "\\qmprobe.exe";
    EXPECT_TRUE(::CopyFileA(built.c_str(), probe.c_str(), FALSE)) << built;
  }

  ~Win32Entries() override {
    CleanValues();
    ::DeleteFileA(logPath_.c_str());
    // The probe may still be running for a moment; give it the time to end.
    for (int i = 0; i < 50 && !::DeleteFileA(probe.c_str()); ++i) ::Sleep(200);
    ::DeleteFileA((probe + ".txt").c_str());
    ::RemoveDirectoryA(folder_.c_str());
  }

  static void CleanValues() {
    CRegistry registry;
    for (const char* name :
         {"QmTest A", "QmTest B", "QmTest Long", "QmTest Renamed", "QmTest Svc", "QmTest Svc2", "QmTest Missing",
          "QmTest Native"}) {
      for (RegKey root : {HKCU, HKLM})
        for (const char* key : {kRun, kStored, kFlags}) registry.DeleteValue(root, key, name);
      for (const char* key : {kServices, kStoredServices, kServiceFlags}) registry.DeleteValue(HKLM, key, name);
    }
  }

  // What the probe wrote, one line per start; waits until `count` lines are there.
  Lines ProbeLines(std::size_t count) {
    Lines lines;
    for (int i = 0; i < 100; ++i) {
      lines.clear();
      std::string text = ReadWholeFile(probe + ".txt");
      std::size_t start = 0, end;
      while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
      }
      if (lines.size() >= count) break;
      ::Sleep(100);
    }
    return lines;
  }

  Lines LogLines() const {
    std::string log = ReadWholeFile(logPath_);
    std::size_t header = log.rfind("------\r\n\r\n");
    if (header != std::string::npos) log = log.substr(header + 10);
    Lines lines;
    std::size_t start = 0, end;
    while ((end = log.find("\r\n", start)) != std::string::npos) {
      lines.push_back(log.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

  test::FakeMessageBox boxes;
  std::string probe;
  CStartupEngineer startups;
  CServiceEngineer services;

 private:
  platform::ScopedService<platform::IMessageBox> boxSlot_;
  std::string folder_;
  std::string logPath_;
  static inline int count_ = 0;
};

TEST_F(Win32Entries, RunEntriesAreCreatedModifiedSelectedAndRemovedInTheRealRegistry) {
  ASSERT_EQ(1, startups.CreateRunEntry("QmTest A", "C:\\a.exe", "", 0, 1));
  EXPECT_EQ("C:\\a.exe ", Text(HKCU, kRun, "QmTest A"));
  EXPECT_EQ(1, Number(HKCU, kFlags, "QmTest A"));
  EXPECT_EQ(0, startups.IsStartupPublic("QmTest A", 1));

  ASSERT_EQ(1, startups.SetRunSelection("QmTest A", 0, 1));
  EXPECT_EQ(0, Number(HKCU, kFlags, "QmTest A"));

  // Rename, private to public and a new command line in one go; the flag travels along.
  ASSERT_EQ(1, startups.ModifyRunEntry("QmTest A", "QmTest Renamed", "C:\\Program Files\\b.exe", "-min", 0, 1, 1));
  EXPECT_FALSE(Has(HKCU, kRun, "QmTest A"));
  EXPECT_FALSE(Has(HKCU, kRun, "QmTest Renamed"));
  EXPECT_FALSE(Has(HKCU, kFlags, "QmTest A"));
  EXPECT_EQ("C:\\Program Files\\b.exe -min", Text(HKLM, kRun, "QmTest Renamed"));
  EXPECT_EQ(0, Number(HKLM, kFlags, "QmTest Renamed"));
  EXPECT_EQ(1, startups.IsStartupPublic("QmTest Renamed", 1));

  // The stored location is a separate place.
  ASSERT_EQ(1, startups.CreateRunEntry("QmTest Renamed", "C:\\stored.exe", "/x", 1, 0));
  EXPECT_EQ("C:\\stored.exe /x", Text(HKLM, kStored, "QmTest Renamed"));
  ASSERT_EQ(1, startups.RemoveRunEntry("QmTest Renamed", 1));
  EXPECT_FALSE(Has(HKLM, kRun, "QmTest Renamed"));
  EXPECT_FALSE(Has(HKLM, kFlags, "QmTest Renamed"));
  EXPECT_EQ("C:\\stored.exe /x", Text(HKLM, kStored, "QmTest Renamed"));

  EXPECT_TRUE(LogLines().empty());
}

TEST_F(Win32Entries, RunServicesEntriesAreCreatedModifiedSelectedAndRemovedInTheRealRegistry) {
  ASSERT_EQ(1, services.CreateRunServiceEntry("QmTest Svc", "C:\\svc.exe", "/s", 1));
  EXPECT_EQ("C:\\svc.exe /s", Text(HKLM, kServices, "QmTest Svc"));
  EXPECT_EQ(1, Number(HKLM, kServiceFlags, "QmTest Svc"));
  ASSERT_EQ(1, services.SetRunServiceSelection("QmTest Svc", 0));
  ASSERT_EQ(1, services.ModifyRunServiceEntry("QmTest Svc", "QmTest Svc2", "C:\\svc2.exe", "", 1));
  EXPECT_FALSE(Has(HKLM, kServices, "QmTest Svc"));
  EXPECT_EQ("C:\\svc2.exe ", Text(HKLM, kServices, "QmTest Svc2"));
  EXPECT_EQ(0, Number(HKLM, kServiceFlags, "QmTest Svc2"));
  ASSERT_EQ(1, services.RemoveRunServiceEntry("QmTest Svc2", 1));
  EXPECT_FALSE(Has(HKLM, kServices, "QmTest Svc2"));
  EXPECT_FALSE(Has(HKLM, kServiceFlags, "QmTest Svc2"));
  EXPECT_TRUE(LogLines().empty());
}

// Whatever order the registry lists them in (Windows: creation, Wine:
// alphabetical), a value too long for the buffers holds no other entry back,
// and one rewritten too long while taken stays as written.
TEST_F(Win32Entries, AValueTooLongForTheBuffersHoldsNoOtherEntryBackInTheRealRegistry) {
  CRegistry registry;
  const std::string longLine = "C:\\" + std::string(300, 'l') + ".exe";
  registry.SetValue(HKCU, kRun, "QmTest B", std::string("C:\\b.exe "));
  registry.SetValue(HKCU, kRun, "QmTest Long", longLine);
  registry.SetValue(HKCU, kRun, "QmTest A", std::string("C:\\a.exe "));
  startups.StartWork();
  EXPECT_EQ("C:\\a.exe ", Text(HKCU, kStored, "QmTest A"));
  EXPECT_EQ("C:\\b.exe ", Text(HKCU, kStored, "QmTest B"));
  EXPECT_TRUE(Has(HKCU, kRun, "QmTest Long"));
  EXPECT_FALSE(Has(HKCU, kStored, "QmTest Long"));

  registry.SetValue(HKCU, kRun, "QmTest A", longLine);  // an updater, while taken
  EXPECT_EQ(1, startups.ReturnRunEntries());
  EXPECT_EQ("C:\\b.exe ", Text(HKCU, kRun, "QmTest B"));
  EXPECT_EQ("C:\\a.exe ", Text(HKCU, kStored, "QmTest A"));
  startups.StartWork();  // the next log-on forgets nothing
  EXPECT_EQ("C:\\a.exe ", Text(HKCU, kStored, "QmTest A"));
  EXPECT_EQ("C:\\b.exe ", Text(HKCU, kStored, "QmTest B"));
  EXPECT_TRUE(Has(HKCU, kRun, "QmTest A"));
  EXPECT_EQ(1, startups.ReturnRunEntries());
}

TEST_F(Win32Entries, LaunchesFromTheRunKeysStartTheProgramWithItsArguments) {
  CRegistry registry;
  registry.SetValue(HKCU, kRun, "QmTest A", probe + " first two");
  registry.SetValue(HKCU, kFlags, "QmTest A", std::uint32_t{1});
  registry.SetValue(HKLM, kRun, "QmTest B", probe + " second");
  registry.SetValue(HKLM, kFlags, "QmTest B", std::uint32_t{0});

  EXPECT_EQ(0, startups.LaunchRunEntry("QmTest B", 1));  // not selected: nothing starts
  EXPECT_EQ(1, startups.LaunchRunEntry("QmTest A", 1));
  Lines started = ProbeLines(1);
  EXPECT_EQ(1, startups.LaunchRunEntry("QmTest B"));  // the one-argument form ignores the flag
  started = ProbeLines(2);
  ASSERT_EQ(2u, started.size());
  EXPECT_NE(std::string::npos, started[0].find("qmprobe.exe")) << started[0];
  EXPECT_EQ(" first two", started[0].substr(started[0].size() - 10)) << started[0];
  EXPECT_EQ(" second", started[1].substr(started[1].size() - 7)) << started[1];
  EXPECT_EQ((Lines{"Launching " + probe + " first two"}), LogLines());
}

TEST_F(Win32Entries, ServicesLaunchThroughTheShellOrAsTheirOwnProcess) {
  CRegistry registry;
  registry.SetValue(HKLM, kServices, "QmTest Svc", probe + " /from-key");
  registry.SetValue(HKLM, kStoredServices, "QmTest Svc2", probe + " /stored /idle 300");
  registry.SetValue(HKLM, kServiceFlags, "QmTest Svc", std::uint32_t{1});
  registry.SetValue(HKLM, kServiceFlags, "QmTest Svc2", std::uint32_t{1});

  EXPECT_EQ(1, services.LaunchRunServiceEntry("QmTest Svc", 1));
  ProbeLines(1);
  EXPECT_EQ(1, services.LaunchRunServiceEntry("QmTest Svc2", 0));
  Lines started = ProbeLines(2);
  ASSERT_EQ(2u, started.size());
  EXPECT_EQ(" /from-key", started[0].substr(started[0].size() - 10)) << started[0];
  // The program sees its own path first, in quotes, then the argument.
  EXPECT_EQ("\"" + probe + "\" /stored /idle 300", started[1]);
  EXPECT_EQ((Lines{"Launching " + probe + " /from-key", "Launching " + probe + " /stored /idle 300"}), LogLines());
  EXPECT_FALSE(Has(HKLM, kServices, "QmTest Svc2"));  // not handed back to Windows
}

TEST_F(Win32Entries, RunEntryLaunchedFromTheStoredLocationGoesBackToItsRunKey) {
  CRegistry registry;
  registry.SetValue(HKLM, kStored, "QmTest B", probe + " /public");
  registry.SetValue(HKLM, kFlags, "QmTest B", std::uint32_t{1});
  EXPECT_EQ(1, startups.LaunchRunEntry("QmTest B", 0));
  EXPECT_EQ(probe + " /public", Text(HKLM, kRun, "QmTest B"));
  EXPECT_FALSE(Has(HKCU, kRun, "QmTest B"));
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(Win32Entries, MissingEntriesAndProgramsAreReportedNotStarted) {
  CRegistry registry;
  registry.SetValue(HKCU, kRun, "QmTest A", std::string("C:\\qm-no-such-folder\\nothing.exe -x"));
  EXPECT_EQ(0, startups.LaunchRunEntry("QmTest Missing"));
  EXPECT_EQ(1, startups.LaunchRunEntry("QmTest A"));
  EXPECT_EQ((Lines{"Unable to find startup", "Unable to launch C:\\qm-no-such-folder\\nothing.exe"}), boxes.shown);

  registry.SetValue(HKLM, kStoredServices, "QmTest Svc", std::string("C:\\qm-no-such-folder\\nothing.exe -x"));
  registry.SetValue(HKLM, kServiceFlags, "QmTest Svc", std::uint32_t{1});
  EXPECT_EQ(0, services.LaunchRunServiceEntry("QmTest Svc", 0));
  EXPECT_TRUE(LogLines().empty());
}

// A program 64-bit Windows keeps in its own System32 only, named as an entry
// names it: a 32-bit program sees that folder redirected and finds no file
// there. Empty for the 64-bit build and on 32-bit Windows.
std::string NativeOnlyProgram() {
  char windows[MAX_PATH] = {};
  ::GetSystemWindowsDirectoryA(windows, MAX_PATH);
  const std::string system32 = std::string(windows) + "\\System32\\";
  std::vector<std::string> native;
  PVOID redirection = nullptr;
  if (!::Wow64DisableWow64FsRedirection(&redirection)) return "";
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((system32 + "*.exe").c_str(), &found);
  for (bool more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileA(search, &found))
    native.push_back(found.cFileName);
  if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
  ::Wow64RevertWow64FsRedirection(redirection);
  for (const auto& name : native)
    if (::GetFileAttributesA((system32 + name).c_str()) == INVALID_FILE_ATTRIBUTES) return system32 + name;
  return "";
}

// What an entry's program is, read from the real version resource, and which
// entries are left over from programs that have gone. Windows' shell starts
// them: a program in the machine's own System32 is there, whatever this
// build's width.
TEST_F(Win32Entries, EntriesTellTheirProgramsDescriptionPublisherAndWhetherItIsGone) {
  CRegistry registry;
  const std::string nativeOnly = NativeOnlyProgram();
  if (!nativeOnly.empty()) registry.SetValue(HKCU, kRun, "QmTest Native", nativeOnly + " -x");
  registry.SetValue(HKCU, kRun, "QmTest A", probe + " -x");
  registry.SetValue(HKLM, kRun, "QmTest B", std::string("C:\\qm-no-such-folder\\nothing.exe -x"));
  registry.SetValue(HKCU, kRun, "QmTest Long", std::string("\"") + probe + "\" /q");
  const struct {
    const char* name;
    const char* description;
    const char* publisher;
    bool missing;
  } cases[] = {{"QmTest A", "Quill Moor launch probe", "Tarnwick", false},
               {"QmTest B", "", "", true},
               {"QmTest Long", "Quill Moor launch probe", "Tarnwick", false},
               {"QmTest Native", nullptr, nullptr, false}};
  for (const auto& c : cases) {
    if (!c.description && nativeOnly.empty()) continue;
    ProgramDescription described = entries::DescribeEntry(entries::RunEntries(), c.name, 1);
    if (c.description) EXPECT_EQ(c.description, described.description) << c.name;
    if (c.publisher) EXPECT_EQ(c.publisher, described.publisher) << c.name;
    EXPECT_EQ(c.missing, described.missing) << c.name;
  }
}

// A hidden top-level window holding a real tree view with check boxes and an
// edit control, as the main window will.
class HiddenWindow {
 public:
  HiddenWindow() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&controls);
    frame_.Reset(::CreateWindowExA(0, "STATIC", "qm test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr,
                                   nullptr, nullptr));
    tree_ = ::CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | TVS_CHECKBOXES | TVS_HASLINES, 0, 0, 200, 200,
                              frame_.Get(), nullptr, nullptr, nullptr);
    edit_ = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 210, 200, 20, frame_.Get(), nullptr,
                              nullptr, nullptr);
  }
  HWND Tree() const { return tree_; }
  HWND Edit() const { return edit_; }

 private:
  win32::WindowHandle frame_;  // its children go with it
  HWND tree_ = nullptr;
  HWND edit_ = nullptr;
};

// The window's own three parent icons, at 0, 1 and 2.
platform::Win32ImageList ParentIcons() {
  platform::Win32ImageList list = platform::Win32ImageList::Create();
  for (int i = 0; i < 3; ++i) list.AppendIcon(reinterpret_cast<platform::IconHandle>(::LoadIconA(nullptr, IDI_APPLICATION)));
  return list;
}

TEST_F(Win32Entries, PopulatingARealTreeGivesChildrenImagesAndCheckBoxes) {
  HiddenWindow window;
  ASSERT_NE(nullptr, window.Tree());
  platform::Win32TreeControl tree(window.Tree());
  platform::Win32ImageList list = ParentIcons();
  ASSERT_EQ(3, list.Count());
  tree.SetImageList(&list);
  platform::TreeItem servicesItem = tree.InsertItem(0, "Services", 0, 0);
  platform::TreeItem startupsItem = tree.InsertItem(0, "Startups", 1, 1);
  ASSERT_NE(0u, startupsItem);

  CRegistry registry;
  // Public first in the registry, private first in the tree.
  registry.SetValue(HKLM, kRun, "QmTest B", std::string("C:\\qm-no-such-folder\\nothing.exe -x"));
  registry.SetValue(HKLM, kFlags, "QmTest B", std::uint32_t{0});
  registry.SetValue(HKCU, kRun, "QmTest A", probe + " /tray");
  registry.SetValue(HKCU, kFlags, "QmTest A", std::uint32_t{1});
  registry.SetValue(HKLM, kServices, "QmTest Svc", std::string("C:\\qm-no-such-folder\\svc.exe "));
  registry.SetValue(HKLM, kServiceFlags, "QmTest Svc", std::uint32_t{1});

  ASSERT_EQ(1, startups.PopulateRunEntries(&tree, startupsItem, 1));
  ASSERT_EQ(1, services.PopulateRunServiceEntries(&tree, servicesItem, 1));

  // Other programs' Run values of the prefix may be listed too; ours keep their order.
  std::vector<platform::TreeItem> ours;
  for (platform::TreeItem item : tree.Children(startupsItem))
    if (tree.GetItemText(item).rfind("QmTest ", 0) == 0) ours.push_back(item);
  ASSERT_EQ(2u, ours.size());
  EXPECT_EQ("QmTest A", tree.GetItemText(ours[0]));
  EXPECT_EQ("QmTest B", tree.GetItemText(ours[1]));
  EXPECT_GE(tree.GetItemImage(ours[0]), 3);  // the probe's own (default) program icon
  EXPECT_EQ(1, tree.GetItemImage(ours[1]));
  EXPECT_TRUE(tree.GetCheck(ours[0]));
  EXPECT_FALSE(tree.GetCheck(ours[1]));

  std::vector<platform::TreeItem> serviceItems;
  for (platform::TreeItem item : tree.Children(servicesItem))
    if (tree.GetItemText(item) == "QmTest Svc") serviceItems.push_back(item);
  ASSERT_EQ(1u, serviceItems.size());
  EXPECT_EQ(0, tree.GetItemImage(serviceItems[0]));
  EXPECT_TRUE(tree.GetCheck(serviceItems[0]));

  EXPECT_EQ(&list, tree.GetImageList());
  EXPECT_GE(list.Count(), 4);

  platform::Win32EditField edit(window.Edit());
  ASSERT_EQ(1, startups.RetrieveRunPath(&edit, "QmTest A", 1));
  EXPECT_EQ(probe + " /tray", edit.GetText());
  ASSERT_EQ(1, services.RetrieveRunServicePath(&edit, "QmTest Missing", 1));
  EXPECT_EQ("", edit.GetText());
}

TEST(Win32Platform, SmallIconsComeFromRealProgramsOnly) {
  platform::Win32Shell shell;
  char system[MAX_PATH] = {};
  ::GetSystemDirectoryA(system, MAX_PATH);
  platform::IconHandle icon = shell.SmallIcon(std::string(system) + "\\notepad.exe");
  EXPECT_NE(0u, icon);
  platform::Win32ImageList list = platform::Win32ImageList::Create();
  EXPECT_EQ(0, list.AppendIcon(icon));
  EXPECT_EQ(1, list.AppendIcon(icon));
  shell.DestroyIcon(icon);
  EXPECT_EQ(2, list.Count());
  EXPECT_EQ(0u, shell.SmallIcon("C:\\qm-no-such-folder\\nothing.exe"));
  EXPECT_EQ(-1, list.AppendIcon(0));
}

TEST(Win32Platform, ProcessStartWaitsForAProgramThatNeverAsksForInputOnlyUntilTheLimit) {
  platform::Win32ProcessLauncher launcher;
  char system[MAX_PATH] = {};
  ::GetSystemDirectoryA(system, MAX_PATH);
  EXPECT_FALSE(launcher.StartAndWaitForIdle("C:\\qm-no-such-folder\\nothing.exe", "\"x\"", 1000));

  std::string module = ModulePath();
  std::string probe = module.substr(0, module.find_last_of('\\')) + "\\qmprobe.exe";
  auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(launcher.StartAndWaitForIdle(probe, "\"" + probe + "\" /busy 6000", 1500));
  auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_GE(waited, std::chrono::milliseconds(1000));
  EXPECT_LT(waited, std::chrono::milliseconds(5000));
  std::printf("busy program: waited %lld ms (limit 1500)\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));

  // A program that asks for input ends the wait long before the limit.
  started = std::chrono::steady_clock::now();
  EXPECT_TRUE(launcher.StartAndWaitForIdle(probe, "\"" + probe + "\" /idle 3000", 8000));
  waited = std::chrono::steady_clock::now() - started;
  EXPECT_LT(waited, std::chrono::milliseconds(3000));
  std::printf("idle program: waited %lld ms (limit 8000)\n",
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
  ::DeleteFileA((probe + ".txt").c_str());
}

}  // namespace
}  // namespace qm
