// No shortcut is lost and no flag changes, whichever registry or file call
// fails and wherever the process dies, through to the next log-on: every
// shortcut keeps bytes it legitimately had in its startup folder or in the
// stored location.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>

#include "engine/catalog/Catalog.h"
#include "engine/foundation/StoredKeys.h"
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

constexpr const char* kShellFolders = kShellFoldersKey;
constexpr const char* kShc = kStoredShcKey;
constexpr const char* kShcSelections = kStoredShcSelectionsKey;
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

// Read straight from the store, so that the check sees what the operation left.
std::optional<std::string> StoredBytes(TestPlatform& p, RegKey root, const std::string& name) {
  platform::RegKey key = 0;
  if (p.registry.OpenKey(root, kShc, platform::kKeyRead, &key) != platform::kErrorSuccess) return std::nullopt;
  std::uint32_t type = 0, size = 0;
  std::optional<std::string> bytes;
  if (p.registry.QueryValue(key, name.c_str(), &type, nullptr, &size) == platform::kErrorSuccess) {
    std::string data(size, '\0');
    if (p.registry.QueryValue(key, name.c_str(), &type, reinterpret_cast<std::uint8_t*>(data.data()), &size) ==
        platform::kErrorSuccess)
      bytes = data.substr(0, size);
  }
  p.registry.CloseKey(key);
  return bytes;
}

// The flag as read, -1 when missing.
std::int64_t FlagOf(TestPlatform& p, RegKey root, const std::string& name) {
  platform::RegKey key = 0;
  if (p.registry.OpenKey(root, kShcSelections, platform::kKeyRead, &key) != platform::kErrorSuccess) return -1;
  std::uint32_t type = 0, flag = 0, size = sizeof(flag);
  long status = p.registry.QueryValue(key, name.c_str(), &type, reinterpret_cast<std::uint8_t*>(&flag), &size);
  p.registry.CloseKey(key);
  return status == platform::kErrorSuccess ? static_cast<std::int64_t>(flag) : -1;
}

bool LoadsAsLink(const std::string& bytes) {
  platform::ShellLinkData link;
  return !bytes.empty() && platform::DecodeShellLink(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), link);
}

bool OneOf(const std::optional<std::string>& bytes, const std::vector<std::string>& legitimate) {
  return bytes && std::find(legitimate.begin(), legitimate.end(), *bytes) != legitimate.end();
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

// Every shortcut of the seed, with the bytes the user last gave it: the
// file's where one stands that loads as a link, else the stored copy's (a
// file left empty or cut off by a write that never finished is no shortcut
// anyone gave). The flag must stay as the user chose; a shortcut never flagged
// gets 1 at its first take. newFlags names (by label) shortcuts whose flag
// the operation itself sets.
std::vector<KnownEntry> EntriesWith(TestPlatform& platform, const std::map<std::string, std::int64_t>& newFlags) {
  std::vector<KnownEntry> known;
  for (const Side& side : kSides) {
    auto names = LinkNames(platform, side.folder);
    for (const auto& stored : platform.Names(side.root, kShc))
      if (!FileBytes(platform, side.folder, stored)) names.push_back(stored);
    for (const auto& name : names) {
      auto inFolder = FileBytes(platform, side.folder, name);
      auto stored = StoredBytes(platform, side.root, name);
      std::vector<std::string> legitimate;
      if (inFolder && (LoadsAsLink(*inFolder) || !stored)) legitimate.push_back(*inFolder);
      if (stored && legitimate.empty()) legitimate.push_back(*stored);
      std::string what = std::string(side.label) + " '" + name + "'";
      std::int64_t chosen = FlagOf(platform, side.root, name);
      auto set = newFlags.find(what);
      std::int64_t also = set == newFlags.end() ? -2 : set->second;
      known.push_back({what,
                       [side, name, legitimate](TestPlatform& p) {
                         return OneOf(FileBytes(p, side.folder, name), legitimate);
                       },
                       [side, name, legitimate](TestPlatform& p) {
                         return OneOf(StoredBytes(p, side.root, name), legitimate);
                       },
                       [side, name, chosen, also](TestPlatform& p, bool settled) {
                         std::int64_t flag = FlagOf(p, side.root, name);
                         return flag == also || test::FlagAsChosen(flag, chosen, settled);
                       }});
    }
  }
  return known;
}

std::vector<KnownEntry> EntriesOf(TestPlatform& platform) { return EntriesWith(platform, {}); }

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
// The same name on both sides makes two entries; names in other scripts than
// Latin go through every step like the rest.
void InFolders(TestPlatform& platform) {
  Machine(platform);
  MakeLink(FileOf(kUserFolder, "Mail"), "C:\\mail.exe", "-tray");
  MakeLink(FileOf(kUserFolder, "Sync"), "C:\\sync.exe", "");
  MakeLink(FileOf(kUserFolder, "Écran"), "C:\\Écran\\screen.exe", "-s");
  MakeLink(FileOf(kCommonFolder, "Audio"), "C:\\audio.exe", "/q");
  MakeLink(FileOf(kCommonFolder, "Mail"), "C:\\Program Files\\Mail\\mail.exe", "-all");
  MakeLink(FileOf(kCommonFolder, "微信"), "C:\\chat\\wechat.exe", "");
}

// The user's choices in the stored location: some shortcuts switched off.
void UserChoices() {
  CShortcutEngineer().SetShcSelection("Mail", 0, 0);
  CShortcutEngineer().SetShcSelection("微信", 0, 0);
  catalog::SetFlag({EntryKind::Shortcut, HKeyLocalMachine, EntryPlace::Stored, "Mail"}, 0);
}

// Returned after a cycle: in both places, one rewritten by its installer and
// one new since.
void Returned(TestPlatform& platform) {
  InFolders(platform);
  CShortcutEngineer().StartWork();
  UserChoices();
  CShortcutEngineer().ReturnShcEntries();
  MakeLink(FileOf(kUserFolder, "Sync"), "C:\\sync2.exe", "--quiet");
  MakeLink(FileOf(kCommonFolder, "New"), "C:\\new.exe", "");
}

// Taken: only in the stored location, but for what installers did during the
// session: a new shortcut, and a taken one written anew.
void Taken(TestPlatform& platform) {
  InFolders(platform);
  CShortcutEngineer().StartWork();
  UserChoices();
  MakeLink(FileOf(kUserFolder, "Late"), "C:\\late.exe", "");
  MakeLink(FileOf(kCommonFolder, "Audio"), "C:\\audio2.exe", "/q");
}

// Taken, and a taken shortcut's file stands empty in its folder: a write of it
// that was cut off, a full disk.
void TakenThenEmptyFile(TestPlatform& platform) {
  Taken(platform);
  platform.WriteFile(FileOf(kUserFolder, "Mail"), "");
}

// Taken, and an installer has written the taken "Mail" anew under another
// letter case.
void TakenThenCaseVariant(TestPlatform& platform) {
  Taken(platform);
  MakeLink(FileOf(kUserFolder, "mail"), "C:\\mail.exe", "-tray -safe");
}

// A take that ran to its end, failed steps and all, is followed by the
// return; one that crashed is run again by the next start first.
std::function<void(bool)> AfterTake() {
  return [](bool crashed) {
    CShortcutEngineer engineer;
    if (crashed) engineer.StartWork();
    engineer.ReturnShcEntries();
  };
}

// A return (or restore) that ran to its end is done; one that crashed is run again.
std::function<void(bool)> AfterReturn(bool restore) {
  return [restore](bool crashed) {
    CShortcutEngineer engineer;
    if (crashed) restore ? engineer.RestoreShcEntries() : engineer.ReturnShcEntries();
  };
}

// Each take and return runs once more with every listing breaking off at its
// second name.
std::vector<CrashCase> WholeSetCases() {
  using E = CShortcutEngineer;
  std::vector<CrashCase> cases = {
      {"Shortcut StartWork on a first log-on", InFolders, EntriesOf, [] { E().StartWork(); }, AfterTake()},
      {"Shortcut StartWork after a cycle", Returned, EntriesOf, [] { E().StartWork(); }, AfterTake()},
      {"TakeShcEntries", Returned, EntriesOf, [] { E().TakeShcEntries(); }, AfterTake()},
      {"UpdateShcSelections", Taken, EntriesOf, [] { E().UpdateShcSelections(); }, AfterTake()},
      {"ReturnShcEntries", Taken, EntriesOf, [] { E().ReturnShcEntries(); }, AfterReturn(false)},
      {"RestoreShcEntries", Taken, EntriesOf, [] { E().RestoreShcEntries(); }, AfterReturn(true)},
  };
  std::vector<CrashCase> broken = cases;
  for (auto& c : broken) {
    c.name += ", listings breaking off";
    c.listingFailsAt = 1;
    cases.push_back(c);
  }
  cases.push_back({"ReturnShcEntries over an empty file", TakenThenEmptyFile, EntriesOf,
                   [] { E().ReturnShcEntries(); }, AfterReturn(false)});
  cases.push_back({"ReturnShcEntries with a letter-case variant standing", TakenThenCaseVariant, EntriesOf,
                   [] { E().ReturnShcEntries(); }, AfterReturn(false)});
  return cases;
}

// A shortcut being modified survives as it was, half way or as it was meant
// to be: under its old or its new name, with its old bytes or as a link to
// the new target, on either side, as a file or stored; its flag follows it.
KnownEntry ShortcutBeingModified(TestPlatform& platform, const std::string& what, const Side& side,
                                 const std::string& oldName, const std::string& newName,
                                 const std::string& target, const std::string& arguments) {
  auto inFolder = FileBytes(platform, side.folder, oldName);
  std::string oldBytes = inFolder ? *inFolder : StoredBytes(platform, side.root, oldName).value_or("");
  std::int64_t chosen = FlagOf(platform, side.root, oldName);
  auto isOld = [=](const std::optional<std::string>& bytes) { return bytes == oldBytes; };
  auto isNew = [=](const std::optional<std::string>& bytes) {
    if (!bytes) return false;
    if (*bytes == oldBytes) return true;
    platform::ShellLinkData link;
    if (!platform::DecodeShellLink(std::vector<std::uint8_t>(bytes->begin(), bytes->end()), link)) return false;
    std::string args = platform::Utf16ToAnsi(link.text[platform::ShellLinkData::kArguments]);
    return link.target == target && args == arguments;
  };
  auto inFolders = [=](TestPlatform& p) {
    for (const Side& s : kSides)
      if (isOld(FileBytes(p, s.folder, oldName)) || isNew(FileBytes(p, s.folder, newName))) return true;
    return false;
  };
  auto stored = [=](TestPlatform& p) {
    for (const Side& s : kSides)
      if (isOld(StoredBytes(p, s.root, oldName)) || isNew(StoredBytes(p, s.root, newName))) return true;
    return false;
  };
  // A stale stored copy may stand beside the shortcut: one place that holds
  // it with the chosen flag is enough.
  auto flagKept = [=](TestPlatform& p, bool settled) {
    for (const Side& s : kSides)
      for (const auto& name : {oldName, newName})
        if ((FileBytes(p, s.folder, name) || StoredBytes(p, s.root, name)) &&
            test::FlagAsChosen(FlagOf(p, s.root, name), chosen, settled))
          return true;
    return false;
  };
  return {what, inFolders, stored, flagKept};
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

// Every shortcut, the one whose flag the operation sets allowed its new flag.
std::function<std::vector<KnownEntry>(TestPlatform&)> FlagSet(const std::string& label, std::int64_t flag) {
  return [=](TestPlatform& platform) { return EntriesWith(platform, {{label, flag}}); };
}

std::vector<CrashCase> EditCases() {
  using E = CShortcutEngineer;
  std::vector<CrashCase> cases;
  for (int inRegistry : {1, 0}) {
    auto seed = inRegistry == 1 ? Returned : Taken;
    // Edits of taken shortcuts are followed by the return that ends the session.
    std::function<void(bool)> next;
    if (inRegistry != 1) next = [](bool) { CShortcutEngineer().ReturnShcEntries(); };
    std::string where = inRegistry == 1 ? " in the startup folders" : " in the stored location";
    for (int isPublic : {0, 1})
      cases.push_back({"CreateShcEntry" + where + (isPublic ? " (common)" : " (user)"), seed, EntriesOf,
                       [=] { E().CreateShcEntry(nullptr, "Fresh", "C:\\fresh.exe", "-x", isPublic, inRegistry); },
                       next});
    cases.push_back({"RemoveShcEntry" + where, seed, AllBut("user 'Sync'"),
                     [=] { E().RemoveShcEntry("Sync", inRegistry); }, next});
    cases.push_back({"ModifyShcEntry, renamed and moved," + where, seed,
                     AllBut("user 'Mail'",
                            [](TestPlatform& p) {
                              return ShortcutBeingModified(p, "the modified 'Mail'", kSides[0], "Mail", "Post",
                                                           "C:\\post.exe", "-min");
                            }),
                     [=] { E().ModifyShcEntry(nullptr, "Mail", "Post", "C:\\post.exe", "-min", 0, 1, inRegistry); },
                     next});
    cases.push_back({"ModifyShcEntry in place" + where, seed,
                     AllBut("common 'Audio'",
                            [](TestPlatform& p) {
                              return ShortcutBeingModified(p, "the modified 'Audio'", kSides[1], "Audio", "Audio",
                                                           "C:\\audio3.exe", "/silent");
                            }),
                     [=] { E().ModifyShcEntry(nullptr, "Audio", "AUDIO", "C:\\audio3.exe", "/silent", 1, 1, inRegistry); },
                     next});
    cases.push_back({"SetShcSelection" + where, seed, FlagSet("common 'Audio'", 0),
                     [=] { E().SetShcSelection("Audio", 0, inRegistry); }, next});
    // The common twin of the user's 'Mail', named whole: the user's must come through untouched.
    const catalog::EntryRef common{EntryKind::Shortcut, HKeyLocalMachine, PlaceOfSelector(inRegistry), "Mail"};
    cases.push_back({"Remove of the common twin" + where, seed, AllBut("common 'Mail'"),
                     [=] { catalog::Remove(common); }, next});
    cases.push_back({"Modify of the common twin" + where, seed,
                     AllBut("common 'Mail'",
                            [](TestPlatform& p) {
                              return ShortcutBeingModified(p, "the modified common 'Mail'", kSides[1], "Mail",
                                                           "Letters", "C:\\letters.exe", "-n");
                            }),
                     [=] {
                       catalog::EntryRef renamed = common;
                       renamed.name = "Letters";
                       catalog::Modify(common, renamed, "C:\\letters.exe", "-n", nullptr);
                     },
                     next});
    cases.push_back({"SetFlag of the common twin" + where, seed, FlagSet("common 'Mail'", 1),
                     [=] { catalog::SetFlag(common, 1); }, next});
  }
  return cases;
}

TEST(ShortcutCrashes, NoShortcutIsLostAndNoFlagChangesAtAnyFaultPoint) {
  platform::PortableShellLink link;
  test::FakeShell shell;
  platform::ScopedService<platform::ILinkObject> linkSlot(&link);
  platform::ScopedService<platform::IShell> shellSlot(&shell);

  test::CrashReport total;
  auto cases = WholeSetCases();
  for (auto& c : EditCases()) cases.push_back(c);
  for (const auto& c : cases) {
    auto report = test::RunCrashCase(c);
    EXPECT_GT(report.faultPoints, 0) << c.name;
    total.faultPoints += report.faultPoints;
    total.entriesLost += report.entriesLost;
    total.flagsChanged += report.flagsChanged;
    total.leftTaken += report.leftTaken;
    for (const auto& loss : report.losses) ADD_FAILURE() << loss;
  }
  std::printf("Shortcuts: %d fault points tried, %d entries lost, %d flags changed, %d left taken\n",
              total.faultPoints, total.entriesLost, total.flagsChanged, total.leftTaken);
  EXPECT_GT(total.faultPoints, 700 / test::FaultPointStride());
  EXPECT_EQ(0, total.entriesLost);
  EXPECT_EQ(0, total.flagsChanged);
  EXPECT_EQ(0, total.leftTaken);
}

}  // namespace
}  // namespace qm
