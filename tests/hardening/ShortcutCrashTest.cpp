// No shortcut is lost, whichever registry or file call fails and wherever the
// process dies: every shortcut file keeps its bytes in its startup folder or
// in the stored location.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "engine/shortcuts/ShortcutEngineer.h"
#include "platform/ShellLink.h"
#include "platform/portable/ShellLinkFile.h"
#include "tests/hardening/CrashHarness.h"
#include "tests/support/FakeShell.h"

namespace qm {
namespace {

using test::CrashCase;
using test::KnownEntry;
using test::TestPlatform;

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kShc[] = "Software\\Tarnwick\\Quill Moor\\Shc";
constexpr char kShcSelections[] = "Software\\Tarnwick\\Quill Moor\\Shc\\Selections";
constexpr char kUserFolder[] = "C:\\Users\\ann\\Start Menu\\Programs\\Startup";
constexpr char kCommonFolder[] = "C:\\ProgramData\\Start Menu\\Programs\\Startup";

struct Side {
  RegKey root;
  const char* folder;
  const char* label;
};
const Side kSides[] = {{HKeyCurrentUser, kUserFolder, "user"}, {HKeyLocalMachine, kCommonFolder, "common"}};

std::string FileOf(const char* folder, const std::string& name) { return std::string(folder) + "\\" + name + ".lnk"; }

std::optional<std::string> FileBytes(TestPlatform& p, const char* folder, const std::string& name) {
  std::string path = FileOf(folder, name);
  if (!p.FileExists(path) || p.files.IsDirectory(path)) return std::nullopt;
  return p.ReadFile(path);
}

std::optional<std::string> StoredBytes(RegKey root, const std::string& name) {
  std::vector<std::uint8_t> bytes(1 << 16);
  std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
  if (!CRegistry().GetValue(root, kShc, name.c_str(), bytes.data(), &size)) return std::nullopt;
  return std::string(bytes.begin(), bytes.begin() + size);
}

std::vector<std::string> LinkNames(TestPlatform& p, const char* folder) {
  std::vector<platform::DirEntry> found;
  p.files.List(folder, "*.lnk", found);
  std::vector<std::string> names;
  for (const auto& entry : found) names.push_back(entry.name.substr(0, entry.name.size() - 4));
  return names;
}

void MakeLink(const std::string& path, const std::string& target, const std::string& arguments) {
  platform::PortableShellLink maker;
  maker.SetPath(target);
  maker.SetArguments(arguments);
  maker.Save(path);
}

// Every shortcut of the seed, with the bytes the user last gave it (the
// file's where there is one).
std::vector<KnownEntry> EntriesOf(TestPlatform& platform) {
  std::vector<KnownEntry> known;
  for (const Side& side : kSides) {
    auto names = LinkNames(platform, side.folder);
    for (const auto& stored : platform.Names(side.root, kShc))
      if (!FileBytes(platform, side.folder, stored)) names.push_back(stored);
    for (const auto& name : names) {
      auto inFolder = FileBytes(platform, side.folder, name);
      std::string bytes = inFolder ? *inFolder : *StoredBytes(side.root, name);
      known.push_back({std::string(side.label) + " '" + name + "'", [side, name, bytes](TestPlatform& p) {
                         return FileBytes(p, side.folder, name) == bytes || StoredBytes(side.root, name) == bytes;
                       }});
    }
  }
  return known;
}

void Machine(TestPlatform& platform) {
  platform.SetText(HKeyCurrentUser, kShellFolders, "Startup", kUserFolder);
  platform.SetText(HKeyLocalMachine, kShellFolders, "Common Startup", kCommonFolder);
  platform.MakeFolder(kUserFolder);
  platform.MakeFolder(kCommonFolder);
  CRegistry registry;
  registry.CreateKey(HKeyCurrentUser, kShcSelections);
  registry.CreateKey(HKeyLocalMachine, kShcSelections);
}

// Shortcuts only where Windows reads them: a first log-on with the program.
// The same name on both sides makes two entries.
void InFolders(TestPlatform& platform) {
  Machine(platform);
  MakeLink(FileOf(kUserFolder, "Mail"), "C:\\mail.exe", "-tray");
  MakeLink(FileOf(kUserFolder, "Sync"), "C:\\sync.exe", "");
  MakeLink(FileOf(kCommonFolder, "Audio"), "C:\\audio.exe", "/q");
  MakeLink(FileOf(kCommonFolder, "Mail"), "C:\\Program Files\\Mail\\mail.exe", "-all");
}

// Returned after a cycle: in both places, one rewritten by its installer and
// one new since.
void Returned(TestPlatform& platform) {
  InFolders(platform);
  CShortcutEngineer().StartWork();
  CShortcutEngineer().ReturnShcEntries();
  MakeLink(FileOf(kUserFolder, "Sync"), "C:\\sync2.exe", "--quiet");
  MakeLink(FileOf(kCommonFolder, "New"), "C:\\new.exe", "");
}

// Taken: only in the stored location, but for what installers did during the
// session: a new shortcut, and a taken one written anew.
void Taken(TestPlatform& platform) {
  InFolders(platform);
  CShortcutEngineer().StartWork();
  MakeLink(FileOf(kUserFolder, "Late"), "C:\\late.exe", "");
  MakeLink(FileOf(kCommonFolder, "Audio"), "C:\\audio2.exe", "/q");
}

std::function<void(bool)> AfterTake() {
  return [](bool crashed) {
    CShortcutEngineer engineer;
    if (crashed) engineer.StartWork();
    engineer.ReturnShcEntries();
  };
}

// After a return the cycle goes on: the next log-on takes again and gives back.
std::function<void(bool)> AfterReturn(bool restore) {
  return [restore](bool crashed) {
    CShortcutEngineer engineer;
    if (crashed) restore ? engineer.RestoreShcEntries() : engineer.ReturnShcEntries();
    engineer.StartWork();
    engineer.ReturnShcEntries();
  };
}

std::vector<CrashCase> WholeSetCases() {
  using E = CShortcutEngineer;
  return {
      {"Shortcut StartWork on a first log-on", InFolders, EntriesOf, [] { E().StartWork(); }, AfterTake()},
      {"Shortcut StartWork after a cycle", Returned, EntriesOf, [] { E().StartWork(); }, AfterTake()},
      {"TakeShcEntries", Returned, EntriesOf, [] { E().TakeShcEntries(); }, AfterTake()},
      {"UpdateShcSelections", Taken, EntriesOf, [] { E().UpdateShcSelections(); }, AfterReturn(false)},
      {"ReturnShcEntries", Taken, EntriesOf, [] { E().ReturnShcEntries(); }, AfterReturn(false)},
      {"RestoreShcEntries", Taken, EntriesOf, [] { E().RestoreShcEntries(); }, AfterReturn(true)},
  };
}

// A shortcut being modified survives as it was, half way or as it was meant
// to be: under its old or its new name, with its old bytes or as a link to
// the new target, on either side, as a file or stored.
KnownEntry ShortcutBeingModified(const std::string& what, const std::string& oldName, const std::string& newName,
                                 const std::string& oldBytes, const std::string& target, const std::string& arguments) {
  auto isNew = [=](const std::optional<std::string>& bytes) {
    if (!bytes) return false;
    if (*bytes == oldBytes) return true;
    platform::ShellLinkData link;
    if (!platform::DecodeShellLink(std::vector<std::uint8_t>(bytes->begin(), bytes->end()), link)) return false;
    std::string args = platform::Utf16ToAnsi(link.text[platform::ShellLinkData::kArguments]);
    return link.target == target && args == arguments;
  };
  return {what, [=](TestPlatform& p) {
            for (const Side& side : kSides) {
              if (FileBytes(p, side.folder, oldName) == oldBytes || StoredBytes(side.root, oldName) == oldBytes)
                return true;
              if (isNew(FileBytes(p, side.folder, newName)) || isNew(StoredBytes(side.root, newName))) return true;
            }
            return false;
          }};
}

// Everything but the one shortcut an edit changes must stay exactly as it was.
std::function<std::vector<KnownEntry>(TestPlatform&)> AllBut(const std::string& label,
                                                             std::function<KnownEntry(TestPlatform&)> edited = {}) {
  return [=](TestPlatform& platform) {
    std::vector<KnownEntry> kept;
    for (auto& entry : EntriesOf(platform))
      if (entry.what != label) kept.push_back(entry);
    if (edited) kept.push_back(edited(platform));
    return kept;
  };
}

// The bytes of the user's Mail where the seed has it.
std::string UserMail(TestPlatform& p) {
  auto bytes = FileBytes(p, kUserFolder, "Mail");
  return bytes ? *bytes : StoredBytes(HKeyCurrentUser, "Mail").value_or("");
}
std::string CommonAudio(TestPlatform& p) {
  auto bytes = FileBytes(p, kCommonFolder, "Audio");
  return bytes ? *bytes : StoredBytes(HKeyLocalMachine, "Audio").value_or("");
}

std::vector<CrashCase> EditCases() {
  using E = CShortcutEngineer;
  std::vector<CrashCase> cases;
  for (int inRegistry : {1, 0}) {
    auto seed = inRegistry == 1 ? Returned : Taken;
    std::string where = inRegistry == 1 ? " in the startup folders" : " in the stored location";
    for (int isPublic : {0, 1})
      cases.push_back({"CreateShcEntry" + where + (isPublic ? " (common)" : " (user)"), seed, EntriesOf,
                       [=] { E().CreateShcEntry(nullptr, "Fresh", "C:\\fresh.exe", "-x", isPublic, inRegistry); },
                       nullptr});
    cases.push_back({"RemoveShcEntry" + where, seed, AllBut("user 'Sync'"),
                     [=] { E().RemoveShcEntry("Sync", inRegistry); }, nullptr});
    cases.push_back({"ModifyShcEntry, renamed and moved," + where, seed,
                     AllBut("user 'Mail'",
                            [](TestPlatform& p) {
                              return ShortcutBeingModified("the modified 'Mail'", "Mail", "Post", UserMail(p),
                                                           "C:\\post.exe", "-min");
                            }),
                     [=] { E().ModifyShcEntry(nullptr, "Mail", "Post", "C:\\post.exe", "-min", 0, 1, inRegistry); },
                     nullptr});
    cases.push_back({"ModifyShcEntry in place" + where, seed,
                     AllBut("common 'Audio'",
                            [](TestPlatform& p) {
                              return ShortcutBeingModified("the modified 'Audio'", "Audio", "Audio", CommonAudio(p),
                                                           "C:\\audio3.exe", "/silent");
                            }),
                     [=] { E().ModifyShcEntry(nullptr, "Audio", "AUDIO", "C:\\audio3.exe", "/silent", 1, 1, inRegistry); },
                     nullptr});
    cases.push_back({"SetShcSelection" + where, seed, EntriesOf, [=] { E().SetShcSelection("Audio", 0, inRegistry); },
                     nullptr});
  }
  return cases;
}

TEST(ShortcutCrashes, NoShortcutIsLostAtAnyFaultPoint) {
  platform::PortableShellLink link;
  test::FakeShell shell;
  platform::ScopedService<platform::ILinkObject> linkSlot(&link);
  platform::ScopedService<platform::IShell> shellSlot(&shell);

  int faultPoints = 0, lost = 0;
  auto cases = WholeSetCases();
  for (auto& c : EditCases()) cases.push_back(c);
  for (const auto& c : cases) {
    auto report = test::RunCrashCase(c);
    EXPECT_GT(report.faultPoints, 0) << c.name;
    faultPoints += report.faultPoints;
    lost += report.entriesLost;
    for (const auto& loss : report.losses) ADD_FAILURE() << loss;
  }
  std::printf("Shortcuts: %d fault points tried, %d entries lost\n", faultPoints, lost);
  EXPECT_GT(faultPoints, 500);
  EXPECT_EQ(0, lost);
}

}  // namespace
}  // namespace qm
