#include "admin/core/Qmctl.h"

#include <cstdio>
#include <map>
#include <set>
#include <tuple>

#include "admin/core/DesiredState.h"
#include "admin/core/Json.h"
#include "admin/core/RegFile.h"
#include "engine/catalog/Catalog.h"
#include "engine/catalog/Impact.h"
#include "engine/cycle/Rights.h"
#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/EntryCommon.h"
#include "engine/foundation/Places.h"
#include "engine/foundation/StoredKeys.h"
#include "engine/foundation/WholeValues.h"
#include "engine/policy/Policy.h"
#include "engine/shortcuts/ShortcutStorage.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"
#include "platform/Text.h"
#include "platform/portable/ShellLinkFile.h"

namespace qm::admin {
namespace {

using catalog::Entry;
using catalog::PlaceName;
using catalog::ScopeName;
using catalog::ViewName;

constexpr char kUsageText[] =
    "usage: qmctl COMMAND [OPTIONS]\n"
    "\n"
    "  list [--json | --csv]      every entry, where it stands, its flag and what it starts\n"
    "  enable NAME [--kind K] [--user | --machine] [--view 32|64]\n"
    "  disable NAME [--kind K] [--user | --machine] [--view 32|64]\n"
    "                             tick or untick the entry, as the window's check box does;\n"
    "                             K is startup, service or shortcut; on 64-bit Windows the\n"
    "                             machine's keys are kept for 32-bit and for 64-bit programs\n"
    "  delay NAME SECONDS [--kind K] [--user | --machine] [--view 32|64]\n"
    "                             start the ticked entry that long after the log-on (0: at once,\n"
    "                             at most 3600), from the program's tray part\n"
    "  take                       take the entries, as a log-on does\n"
    "  return                     give every entry back to Windows, as the cycle does\n"
    "  restore                    give every entry back, arming nothing (an armed log-on stays armed)\n"
    "  export FILE.reg            every entry with its flag, in the registry editor's format\n"
    "  import FILE.reg [--force]  put the file's entries where Windows reads them; an entry of\n"
    "                             the same name with other data is replaced only with --force\n"
    "  check STATE.json [--json]  compare the entries STATE.json names with the machine\n"
    "  apply STATE.json           make the entries STATE.json names as it says; no others\n"
    "  --help                     this text\n"
    "\n"
    "Exit codes: 0 done, 1 failed (the reason on standard error), 2 bad arguments or a bad\n"
    "STATE.json, 3 check found differences (listed on standard output).\n"
    "\n"
    "STATE.json: {\"entries\": [{\"kind\": \"startup\", \"scope\": \"machine\", \"name\": \"Updater\",\n"
    "             \"start\": false, \"command\": \"C:\\\\Tools\\\\up.exe -q\"}]}; \"command\" and \"view\"\n"
    "             (32 or 64) may be left out; a missing entry is created only with a command.\n"
    "Policies set by an administrator (Software\\Policies\\Tarnwick\\Quill Moor) win: a change\n"
    "against one fails (exit 1) and names it.\n";

// Our own keys in an export file. Entries that do not stand where Windows
// reads them (shortcut files, stored entries) go under them, never into the
// stored location itself: the registry editor imports a file as it is, and a
// stored entry without its cycle would never come back to Windows.
constexpr char kExportArea[] = "Software\\Tarnwick\\Quill Moor\\Export";

// A key of a location as the file names it. On 64-bit Windows the file names
// the 32-bit view's keys as the registry editor does, under
// Software\Wow6432Node, and the 64-bit view's at their own names, whichever
// build writes or reads it.
std::string InFile(const Location& location, const std::string& path) {
  constexpr char kSoftware[] = "Software\\";
  if (!IsThirtyTwoBitView(location.root) || path.rfind(kSoftware, 0) != 0) return path;
  return kSoftware + std::string("Wow6432Node\\") + path.substr(sizeof(kSoftware) - 1);
}
RegKey FileRoot(const Location& location) { return IsPublicRoot(location.root) ? HKeyLocalMachine : location.root; }

std::string ExportKeyOf(const Location& location, EntryPlace place) {
  std::string area = kExportArea;
  if (place == EntryPlace::Windows) return area + "\\Startup Folder";  // only shortcuts stand outside the registry
  switch (location.kind) {
    case EntryKind::Startup: return area + "\\Stored Run";
    case EntryKind::Service: return area + "\\Stored RunServices";
    case EntryKind::Shortcut: return area + "\\Stored Shc";
  }
  return area;
}

// Where an entry of the location and place goes in an export file.
std::string FileKeyOf(const Location& location, EntryPlace place) {
  if (place == EntryPlace::Windows && location.windowsKey) return InFile(location, location.windowsKey);
  return InFile(location, ExportKeyOf(location, place));
}

struct Options {
  std::string command;
  std::vector<std::string> words;  // what is not an option
  std::set<std::string> flags;
  std::string kind;
  std::string view;
};

bool Parse(const std::vector<std::string>& arguments, Options* options, std::string* error) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "--kind") {
      if (++i == arguments.size()) {
        *error = "--kind needs startup, service or shortcut";
        return false;
      }
      options->kind = arguments[i];
    } else if (argument.rfind("--kind=", 0) == 0) {
      options->kind = argument.substr(7);
    } else if (argument == "--view") {
      if (++i == arguments.size()) {
        *error = "--view needs 32 or 64";
        return false;
      }
      options->view = arguments[i];
    } else if (argument.rfind("--view=", 0) == 0) {
      options->view = argument.substr(7);
    } else if (argument.size() > 2 && argument.rfind("--", 0) == 0) {
      options->flags.insert(argument);
    } else if (options->command.empty()) {
      options->command = argument;
    } else {
      options->words.push_back(argument);
    }
  }
  return true;
}

bool OnlyFlags(const Options& options, std::set<std::string> allowed, std::string* error) {
  for (const std::string& flag : options.flags) {
    if (!allowed.count(flag)) {
      *error = "unknown option " + flag + " for " + options.command;
      return false;
    }
  }
  return true;
}

std::string FlagText(int flag) { return flag < 0 ? "-" : (flag ? "on" : "off"); }

// ---- list ----

std::string Csv(const std::string& raw) {
  const std::string text = platform::ValidUtf8(raw);
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

std::string ProgramNote(const ProgramDescription& program) {
  if (program.missing) return "  [program file missing]";
  std::string said = program.description;
  if (!program.publisher.empty()) said += (said.empty() ? "" : ", ") + program.publisher;
  return said.empty() ? "" : "  (" + said + ")";
}

// What the entry starts: the command line, or the shortcut's target and
// arguments joined by a blank; empty when the shortcut cannot be read.
std::string CommandOf(const Entry& entry) {
  if (entry.ref.kind != EntryKind::Shortcut) return TextOf(entry.data);
  platform::ShellLinkData link;
  if (!platform::DecodeShellLink(entry.data, link)) return "";
  std::string command = link.target;
  if (link.hasText[platform::ShellLinkData::kArguments])
    command += " " + platform::Utf16ToAnsi(link.text[platform::ShellLinkData::kArguments]);
  return command;
}

// What the program an entry starts says of itself, and whether its file is gone.
ProgramDescription ProgramOf(const Entry& entry) {
  std::string path;
  if (entry.ref.kind == EntryKind::Shortcut) {
    platform::ShellLinkData link;
    if (!platform::DecodeShellLink(entry.data, link)) return {};
    path = link.target;
  } else {
    std::string argument;
    entries::SplitOrWhole(TextOf(entry.data), &path, &argument);
  }
  return DescribeProgram(path);
}

std::string ViewText(RegKey root) {
  const std::string view = ViewName(root);
  return view.empty() ? "-" : view;
}

// The last start's figures as list prints them: units a user reads, "not measured" where none are known.
struct StartFields {
  bool measured = false;
  std::string cpu, read, written, peak, ready, impact;
};

StartFields LastStartOf(const Entry& entry) {
  StartFields fields;
  std::vector<catalog::StartRecord> starts = catalog::StartsOf(entry.ref);
  if (starts.empty() || starts.front().state != catalog::StartRecord::State::Measured) return fields;
  const catalog::StartRecord& last = starts.front();
  fields.measured = true;
  fields.cpu = catalog::Seconds(last.cpuMicroseconds);
  fields.read = catalog::Megabytes(last.bytesRead);
  fields.written = catalog::Megabytes(last.bytesWritten);
  fields.peak = catalog::Megabytes(last.peakWorkingSet);
  if (last.idleMilliseconds >= 0) fields.ready = catalog::Seconds(static_cast<std::uint64_t>(last.idleMilliseconds) * 1000);
  fields.impact = catalog::ClassName(catalog::ClassOf(last));
  return fields;
}

void ListTable(const std::vector<Entry>& entries, std::ostream& out) {
  out << Padded("KIND", 10) << Padded("SCOPE", 9) << Padded("VIEW", 6) << Padded("WHERE", 9) << Padded("FLAG", 6)
      << "NAME\n";
  for (const Entry& entry : entries) {
    out << Padded(KindName(entry.ref.kind), 10) << Padded(ScopeName(entry.ref.root), 9)
        << Padded(ViewText(entry.ref.root), 6)
        << Padded(PlaceName(entry.ref.place), 9) << Padded(FlagText(entry.flag), 6)
        << platform::ValidUtf8(entry.ref.name) << "\n";
    // The command on a line of its own, so that a long one never pushes the
    // columns apart, followed by what its program is.
    out << "    " << platform::ValidUtf8(CommandOf(entry) + ProgramNote(ProgramOf(entry))) << "\n";
    const std::string delay = catalog::DescribeDelay(catalog::DelayOf(entry.ref));
    out << "    " << catalog::DescribeLastStart(entry.ref) << (delay.empty() ? "" : "; " + delay) << "\n";
  }
}

void ListJson(const std::vector<Entry>& entries, std::ostream& out) {
  out << "[";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& entry = entries[i];
    const ProgramDescription program = ProgramOf(entry);
    out << (i ? ",\n " : "\n ") << "{\"kind\": " << Json(KindName(entry.ref.kind))
        << ", \"scope\": " << Json(ScopeName(entry.ref.root))
        << ", \"view\": " << (*ViewName(entry.ref.root) ? Json(ViewName(entry.ref.root)) : std::string("null"))
        << ", \"where\": " << Json(PlaceName(entry.ref.place))
        << ", \"name\": " << Json(entry.ref.name)
        << ", \"flag\": " << (entry.flag < 0 ? std::string("null") : std::to_string(entry.flag))
        << ", \"command\": " << Json(CommandOf(entry)) << ", \"description\": " << Json(program.description)
        << ", \"publisher\": " << Json(program.publisher) << ", \"missing\": " << (program.missing ? "true" : "false")
        << ", \"delay_seconds\": " << catalog::DelayOf(entry.ref) << ", \"last_start\": ";
    const StartFields start = LastStartOf(entry);
    if (!start.measured)
      out << Json("not measured");
    else
      out << "{\"cpu_seconds\": " << start.cpu << ", \"read_mb\": " << start.read << ", \"written_mb\": "
          << start.written << ", \"peak_memory_mb\": " << start.peak
          << ", \"ready_seconds\": " << (start.ready.empty() ? std::string("null") : start.ready)
          << ", \"impact\": " << Json(start.impact) << "}";
    out << "}";
  }
  out << (entries.empty() ? "]\n" : "\n]\n");
}

void ListCsv(const std::vector<Entry>& entries, std::ostream& out) {
  // The view comes last, so that readers of the earlier columns read on unchanged.
  // So do the delay and the last start's figures.
  out << "kind,scope,where,flag,name,command,description,publisher,missing,view,delay_seconds,cpu_seconds,read_mb,"
         "written_mb,peak_memory_mb,ready_seconds,impact\r\n";
  for (const Entry& entry : entries) {
    const ProgramDescription program = ProgramOf(entry);
    out << KindName(entry.ref.kind) << "," << ScopeName(entry.ref.root) << "," << PlaceName(entry.ref.place) << ","
        << (entry.flag < 0 ? "" : std::to_string(entry.flag)) << "," << Csv(entry.ref.name) << ","
        << Csv(CommandOf(entry)) << "," << Csv(program.description) << "," << Csv(program.publisher) << ","
        << (program.missing ? 1 : 0) << "," << ViewName(entry.ref.root) << "," << catalog::DelayOf(entry.ref);
    const StartFields start = LastStartOf(entry);
    out << "," << start.cpu << "," << start.read << "," << start.written << "," << start.peak << "," << start.ready
        << "," << (start.measured ? start.impact : "not measured") << "\r\n";
  }
}

// ---- enable, disable ----

bool SameEntry(const Entry& a, const Entry& b) {
  return a.ref.kind == b.ref.kind && a.ref.root == b.ref.root && platform::EqualsNoCase(a.ref.name, b.ref.name);
}

// The one entry the options name, into *found; kDone, or the exit code with the reason said.
int FindOne(const Options& options, Entry* found, std::ostream& err) {
  const std::string& name = options.words[0];
  std::vector<Entry> entries;
  std::string error;
  if (!catalog::ListAll(&entries, &error)) {
    err << "qmctl: " << error << "\n";
    return kFailed;
  }
  EntryKind kind{};
  bool byKind = !options.kind.empty();
  if (byKind) KindFromName(options.kind, &kind);
  bool user = options.flags.count("--user"), machine = options.flags.count("--machine");
  // The same entry may stand in both places (a take cut short); it has one flag.
  std::vector<const Entry*> matches;
  for (const Entry& entry : entries) {
    if (!platform::EqualsNoCase(entry.ref.name, name) || (byKind && entry.ref.kind != kind)) continue;
    if ((user && entry.ref.root != HKeyCurrentUser) || (machine && !IsPublicRoot(entry.ref.root))) continue;
    if (!options.view.empty() && options.view != ViewName(entry.ref.root)) continue;
    bool known = false;
    for (const Entry* match : matches) known = known || SameEntry(*match, entry);
    if (!known) matches.push_back(&entry);
  }
  if (matches.empty()) {
    err << "qmctl: no entry named \"" << name << "\""
        << (byKind || user || machine || !options.view.empty() ? " of that kind, scope and view" : "") << "\n";
    return kFailed;
  }
  // Never a guess: the user says which entry is meant, as with any bad argument.
  if (matches.size() > 1) {
    err << "qmctl: \"" << name << "\" names " << matches.size() << " entries:";
    for (const Entry* match : matches) {
      err << " " << KindName(match->ref.kind) << " (" << ScopeName(match->ref.root);
      if (*ViewName(match->ref.root)) err << ", " << ViewName(match->ref.root) << "-bit view";
      err << ")";
    }
    err << "; choose one with --kind, --user or --machine, and --view 32 or 64\n";
    return kUsage;
  }
  *found = *matches[0];
  return kDone;
}

std::string Whose(const Entry& entry) {
  return std::string(KindName(entry.ref.kind)) + " \"" + entry.ref.name + "\" (" + ScopeName(entry.ref.root) +
         (*ViewName(entry.ref.root) ? std::string(", ") + ViewName(entry.ref.root) + "-bit view" : "") + ")";
}

bool IsDelay(const std::string& text) {
  return !text.empty() && text.size() <= 4 && text.find_first_not_of("0123456789") == std::string::npos &&
         std::stoi(text) <= catalog::kLongestDelay;
}

int SetDelay(const Options& options, std::ostream& out, std::ostream& err) {
  const std::string& text = options.words[1];
  Entry entry;
  if (int code = FindOne(options, &entry, err); code != kDone) return code;
  const int seconds = std::stoi(text);
  if (!catalog::SetDelay(entry.ref, seconds)) {
    err << "qmctl: cannot write the delay of \"" << entry.ref.name << "\"\n";
    return kFailed;
  }
  out << Whose(entry) << (seconds ? " starts " + text + " s after the log-on" : " starts at once") << "\n";
  return kDone;
}

int SetFlag(const Options& options, int flag, std::ostream& out, std::ostream& err) {
  Entry entry;
  if (int code = FindOne(options, &entry, err); code != kDone) return code;
  const policy::Policies policies = policy::ReadPolicies();
  const policy::Decision decision = policies.ForEntry(entry.ref.kind, entry.ref.root, entry.ref.name);
  std::string forbidden;
  if (policies.LockedChoices())
    forbidden = policy::Describe(policies.LockedChoices()) + " forbids changing whether entries start";
  else if (decision && (decision.forced == policy::Forced::Start) != (flag == 1))
    forbidden = policy::Describe(decision) + (flag ? " keeps \"" : " always starts \"") + entry.ref.name +
                (flag ? "\" from starting" : "\"");
  if (!forbidden.empty()) {
    err << "qmctl: " << forbidden << "; nothing was changed\n";
    return kFailed;
  }
  if (!catalog::SetFlag(entry.ref, flag)) {
    // Said plainly where the reason is the rights this console runs with.
    const Location* row = LocationOf(entry.ref.kind, entry.ref.root);
    const bool rights = row && row->needs == PlaceRights::Machine && !cycle::WritablePlaces::Probe().May(*row);
    err << "qmctl: cannot write the flag of \"" << entry.ref.name << "\""
        << (rights ? ": the entries of all users are changed by qmctl started as administrator" : "") << "\n";
    return kFailed;
  }
  out << Whose(entry) << " " << (flag ? "enabled" : "disabled") << "\n";
  return kDone;
}

// ---- export ----

// Why an import cannot carry an entry back; empty when it can. Export asks the
// same, so that what it writes always reads back.
std::string WhyNotCarried(EntryKind kind, const WholeValue& value) {
  if (kind == EntryKind::Shortcut) {
    platform::ShellLinkData link;
    if (value.type != platform::kRegBinary || value.data.empty() || !platform::DecodeShellLink(value.data, link))
      return "the shortcut \"" + value.name + "\" is not a whole shell link";
    // Written out as a file of that name, where a device name would be no file.
    if (!IsPlainName(value.name)) return "\"" + value.name + "\" cannot be the name of a file";
    return "";
  }
  if (value.type != platform::kRegSz && value.type != 2) return "\"" + value.name + "\" is not a command line";
  return "";
}

int Export(const std::string& file, std::ostream& out, std::ostream& err) {
  std::vector<Entry> entries;
  std::string error;
  if (!catalog::ListAll(&entries, &error)) {
    err << "qmctl: " << error << "; nothing was exported\n";
    return kFailed;
  }
  std::vector<RegFileKey> keys;
  std::vector<std::string> leftOut;
  for (const Location& location : Locations()) {
    RegFileKey flags{FileRoot(location), InFile(location, location.selectionsKey), {}};
    std::set<std::string> flagged;
    for (EntryPlace place : {EntryPlace::Windows, EntryPlace::Stored}) {
      RegFileKey key{FileRoot(location), FileKeyOf(location, place), {}};
      for (const Entry& entry : entries) {
        if (entry.ref.kind != location.kind || entry.ref.root != location.root || entry.ref.place != place) continue;
        WholeValue value{entry.ref.name, entry.ref.kind == EntryKind::Shortcut ? platform::kRegBinary : entry.type,
                         entry.data};
        // What an import would refuse is left out, named, rather than making
        // the whole backup one that cannot be read back.
        const std::string why = WhyNotCarried(entry.ref.kind, value);
        if (!why.empty()) {
          leftOut.push_back(why);
          continue;
        }
        key.values.push_back(std::move(value));
        if (entry.flag >= 0 && flagged.insert(platform::FoldCase(entry.ref.name)).second)
          flags.values.push_back(WholeValue{entry.ref.name, platform::kRegDword,
                                            NumberData(static_cast<std::uint32_t>(entry.flag))});
      }
      if (!key.values.empty()) keys.push_back(std::move(key));
    }
    if (!flags.values.empty()) keys.push_back(std::move(flags));
  }
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  if (!files || files->WriteAll(file, WriteRegFile(keys)) != platform::FsResult::Ok) {
    err << "qmctl: cannot write " << file << "\n";
    return kFailed;
  }
  out << "exported " << entries.size() - leftOut.size() << " entries to " << file << "\n";
  if (leftOut.empty()) return kDone;
  err << "qmctl: left out of the export, as no import could carry them back:\n";
  for (const std::string& why : leftOut) err << "  " << why << "\n";
  return kFailed;
}

// ---- import ----

struct Incoming {
  const Location* location;
  EntryPlace place;  // where it stood when it was exported
  WholeValue value;
  int flag = -1;
};

// What key of a file holds for us: the entries of a location and place, or its flags.
bool RoleOf(const RegFileKey& key, const Location** location, EntryPlace* place, bool* isFlags) {
  for (const Location& each : Locations()) {
    if (FileRoot(each) != key.root) continue;
    *location = &each;
    *isFlags = platform::EqualsNoCase(key.path, InFile(each, each.selectionsKey));
    if (*isFlags) return true;
    for (EntryPlace candidate : {EntryPlace::Windows, EntryPlace::Stored}) {
      if (platform::EqualsNoCase(key.path, FileKeyOf(each, candidate))) {
        *place = candidate;
        return true;
      }
    }
  }
  return false;
}

// Checks everything the file says before anything is written; false with
// the reason when any part of it cannot be carried.
bool ReadIncoming(const std::vector<RegFileKey>& keys, std::vector<Incoming>* incoming, std::string* error) {
  std::map<std::pair<const Location*, std::string>, int> flags;
  std::set<std::tuple<const Location*, EntryPlace, std::string>> seen;
  std::set<std::pair<const Location*, std::string>> seenFlags;
  for (const RegFileKey& key : keys) {
    const Location* location = nullptr;
    EntryPlace place = EntryPlace::Windows;
    bool isFlags = false;
    if (!RoleOf(key, &location, &place, &isFlags)) {
      *error = "the key " + std::string(ScopeName(key.root)) + " " + key.path + " holds no entries of ours";
      return false;
    }
    for (const WholeValue& value : key.values) {
      std::string folded = platform::FoldCase(value.name);
      if (isFlags) {
        if (value.type != platform::kRegDword || !seenFlags.insert({location, folded}).second) {
          *error = "the flag of \"" + value.name + "\" is not one number";
          return false;
        }
        flags[{location, folded}] = static_cast<int>(NumberOf(value));
        continue;
      }
      if (!seen.insert({location, place, folded}).second) {
        *error = "\"" + value.name + "\" stands twice in one key";
        return false;
      }
      const std::string why = WhyNotCarried(location->kind, value);
      if (!why.empty()) {
        *error = why;
        return false;
      }
      incoming->push_back(Incoming{location, place, value});
    }
  }
  // Where both places of a name are in the file (a take cut short), the one
  // standing where Windows reads it was written later: it wins.
  std::vector<Incoming> chosen;
  for (const Incoming& entry : *incoming) {
    bool shadowed = entry.place == EntryPlace::Stored &&
                    seen.count({entry.location, EntryPlace::Windows, platform::FoldCase(entry.value.name)});
    if (shadowed) continue;
    chosen.push_back(entry);
    auto flag = flags.find({entry.location, platform::FoldCase(entry.value.name)});
    if (flag != flags.end()) chosen.back().flag = flag->second;
  }
  *incoming = std::move(chosen);
  return true;
}

bool SameData(const Entry& standing, const Incoming& entry) {
  if (entry.location->kind == EntryKind::Shortcut) return standing.data == entry.value.data;
  return standing.type == entry.value.type && TextOf(standing.data) == TextOf(entry.value.data);
}

std::vector<std::uint8_t> FlagData(int flag) { return NumberData(static_cast<std::uint32_t>(flag)); }

int Import(const std::string& file, bool force, std::ostream& out, std::ostream& err) {
  // An import writes entries and their flags.
  const policy::Policies policies = policy::ReadPolicies();
  for (const policy::Decision& locked : {policies.LockedEntries(), policies.LockedChoices()})
    if (locked) {
      err << "qmctl: " << policy::Describe(locked) << " forbids an import; nothing was changed\n";
      return kFailed;
    }
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  std::vector<std::uint8_t> bytes;
  if (!files || files->ReadAll(file, bytes) != platform::FsResult::Ok) {
    err << "qmctl: cannot read " << file << "\n";
    return kFailed;
  }
  std::vector<RegFileKey> keys;
  std::vector<Incoming> incoming;
  std::string error;
  if (!ReadRegFile(bytes, &keys, &error) || !ReadIncoming(keys, &incoming, &error)) {
    err << "qmctl: " << file << " is damaged (" << error << "); nothing was changed\n";
    return kFailed;
  }
  std::vector<Entry> standing;
  if (!catalog::ListAll(&standing, &error)) {
    err << "qmctl: " << error << "; nothing was changed\n";
    return kFailed;
  }
  // Decide every entry first: nothing is written while a conflict remains.
  enum class Action { Write, AlreadyThere };
  std::vector<Action> actions;
  std::vector<std::string> conflicts;
  std::map<const Location*, std::string> folders;
  for (const Incoming& entry : incoming) {
    bool same = false, different = false;
    for (const Entry& each : standing) {
      if (each.ref.kind != entry.location->kind || each.ref.root != entry.location->root ||
          !platform::EqualsNoCase(each.ref.name, entry.value.name))
        continue;
      (SameData(each, entry) ? same : different) = true;
    }
    if (different) conflicts.push_back(std::string(KindName(entry.location->kind)) + " \"" + entry.value.name +
                                       "\" (" + ScopeName(entry.location->root) + ")");
    actions.push_back(different || !same ? Action::Write : Action::AlreadyThere);
    if (entry.location->kind == EntryKind::Shortcut && !folders.count(entry.location)) {
      std::string folder;
      if (!catalog::StartupFolderOf(entry.location->root, &folder)) {
        err << "qmctl: no startup folder is named for the " << ScopeName(entry.location->root)
            << "'s shortcuts; nothing was changed\n";
        return kFailed;
      }
      folders[entry.location] = folder;
    }
    if (entry.location->kind == EntryKind::Shortcut &&
        !shortcuts::FitsPathBuffer(shortcuts::FileOf(folders[entry.location], entry.value.name))) {
      err << "qmctl: the shortcut \"" << entry.value.name << "\" does not fit a path; nothing was changed\n";
      return kFailed;
    }
  }
  if (!conflicts.empty() && !force) {
    err << "qmctl: these entries stand with other data:";
    for (const std::string& conflict : conflicts) err << "\n  " << conflict;
    err << "\nnothing was changed; --force replaces them with the file's\n";
    return kFailed;
  }
  int written = 0, failed = 0;
  for (std::size_t i = 0; i < incoming.size(); ++i) {
    const Incoming& entry = incoming[i];
    const Location& location = *entry.location;
    bool hasFlag = false;
    for (const Entry& each : standing)
      hasFlag = hasFlag || (each.ref.kind == location.kind && each.ref.root == location.root &&
                            platform::EqualsNoCase(each.ref.name, entry.value.name) && each.flag >= 0);
    if (actions[i] == Action::AlreadyThere) {
      // The entry is there already, and so is the user's choice, if any.
      if (!hasFlag && entry.flag >= 0)
        WriteWholeValue(location.root, location.selectionsKey, entry.value.name, platform::kRegDword,
                        FlagData(entry.flag));
      continue;
    }
    // The flag first: at every moment the entry has the flag it comes with.
    bool ok = entry.flag < 0 ||
              WriteWholeValue(location.root, location.selectionsKey, entry.value.name, platform::kRegDword,
                              FlagData(entry.flag));
    if (ok && location.kind == EntryKind::Shortcut) {
      const std::string& folder = folders[&location];
      ok = shortcuts::WriteWhole(folder, shortcuts::FileOf(folder, entry.value.name), entry.value.data);
    } else if (ok) {
      ok = WriteWholeValue(location.root, location.windowsKey, entry.value.name, entry.value.type, entry.value.data);
    }
    if (ok) {
      ++written;
    } else {
      ++failed;
      err << "qmctl: cannot write " << KindName(location.kind) << " \"" << entry.value.name << "\" ("
          << ScopeName(location.root) << ")\n";
    }
  }
  out << "imported " << written << " entries, " << (incoming.size() - written - failed) << " already there\n";
  return failed ? kFailed : kDone;
}

}  // namespace

int Run(const std::vector<std::string>& arguments, IInstanceGuard& guard, const CycleOperations& cycle,
        std::ostream& out, std::ostream& err) {
  Options options;
  std::string error;
  auto usage = [&](const std::string& reason) {
    err << "qmctl: " << reason << "\n\n" << kUsageText;
    return kUsage;
  };
  if (!Parse(arguments, &options, &error)) return usage(error);
  if (options.flags.count("--help") || options.command == "help" || options.command == "/?" ||
      options.command == "-h") {
    out << kUsageText;
    return kDone;
  }
  const std::string& command = options.command;
  if (command.empty()) return usage("no command given");
  std::map<std::string, std::function<bool()>> wholeSet = {
      {"take", cycle.take}, {"return", cycle.giveBack}, {"restore", cycle.restore}};
  const bool picksOne = command == "enable" || command == "disable" || command == "delay";
  bool known = command == "list" || picksOne || command == "export" || command == "import" || command == "check" ||
               command == "apply" || (wholeSet.count(command) && wholeSet[command]);
  if (!known) return usage("unknown command \"" + command + "\"");
  if (!options.kind.empty() && !picksOne) return usage("--kind belongs to enable, disable and delay");
  if (!options.view.empty() && !picksOne) return usage("--view belongs to enable, disable and delay");
  if (!options.view.empty() && options.view != "32" && options.view != "64")
    return usage("--view is 32 or 64, not \"" + options.view + "\"");

  std::size_t words = command == "delay" ? 2
                      : (picksOne || command == "export" || command == "import" || command == "check" ||
                         command == "apply");
  if (options.words.size() != words)
    return usage(command + (words == 2 ? " takes two arguments" : words ? " takes one argument" : " takes no argument"));

  if (command == "list") {
    if (!OnlyFlags(options, {"--json", "--csv"}, &error)) return usage(error);
    if (options.flags.size() > 1) return usage("choose one of --json and --csv");
    std::vector<Entry> entries;
    if (!catalog::ListAll(&entries, &error)) {
      err << "qmctl: " << error << "\n";
      return kFailed;
    }
    if (options.flags.count("--json"))
      ListJson(entries, out);
    else if (options.flags.count("--csv"))
      ListCsv(entries, out);
    else
      ListTable(entries, out);
    return kDone;
  }
  if (command == "export") {
    if (!OnlyFlags(options, {}, &error)) return usage(error);
    return Export(options.words[0], out, err);
  }
  if (command == "check") {
    if (!OnlyFlags(options, {"--json"}, &error)) return usage(error);
    return CheckState(options.words[0], options.flags.count("--json") > 0, out, err);
  }
  // Everything below changes entries: never while the program may be in a cycle.
  if (picksOne) {
    EntryKind kind;
    if (!OnlyFlags(options, {"--user", "--machine"}, &error)) return usage(error);
    if (options.flags.size() > 1) return usage("choose one of --user and --machine");
    if (!options.kind.empty() && !KindFromName(options.kind, &kind))
      return usage("--kind is startup, service or shortcut, not \"" + options.kind + "\"");
    if (command == "delay" && !IsDelay(options.words[1]))
      return usage("the delay is a number of seconds from 0 to " + std::to_string(catalog::kLongestDelay) + ", not \"" +
                   options.words[1] + "\"");
  } else if (command == "import") {
    if (!OnlyFlags(options, {"--force"}, &error)) return usage(error);
  } else if (!OnlyFlags(options, {}, &error)) {
    return usage(error);
  }
  if (!guard.Acquire()) {
    err << "qmctl: Quill Moor is running; nothing was changed (try again when it has ended)\n";
    return kFailed;
  }
  if (command == "delay") return SetDelay(options, out, err);
  if (command == "enable" || command == "disable") return SetFlag(options, command == "enable", out, err);
  if (command == "import") return Import(options.words[0], options.flags.count("--force") > 0, out, err);
  if (command == "apply") return ApplyState(options.words[0], out, err);
  const bool done = wholeSet[command]();
  // The answer comes from where the entries stand afterwards: a take leaves
  // nothing where Windows reads it, a return or a restore nothing stored
  // (but the empty command lines a return keeps).
  std::vector<Entry> entries;
  std::vector<std::string> left;
  if (!catalog::ListAll(&entries, &error)) left.push_back(error);
  for (const Entry& entry : entries) {
    const bool stored = entry.ref.place == EntryPlace::Stored;
    const bool emptyLine = entry.ref.kind != EntryKind::Shortcut && TextOf(entry.data).empty();
    if (command == "take" ? !stored : stored && !(command == "return" && emptyLine))
      left.push_back(std::string(KindName(entry.ref.kind)) + " \"" + entry.ref.name + "\" (" +
                     catalog::ScopeName(entry.ref.root) +
                     (*catalog::ViewName(entry.ref.root) ? std::string(", ") + catalog::ViewName(entry.ref.root) +
                                                                "-bit view"
                                                          : "") +
                     ")");
  }
  if (!done || !left.empty()) {
    err << "qmctl: " << command << " did not complete; the log file says why";
    if (!left.empty()) err << (command == "take" ? "; still where Windows reads them:" : "; still stored:");
    err << "\n";
    for (const std::string& what : left) err << "  " << what << "\n";
    return kFailed;
  }
  out << command << ": done\n";
  return kDone;
}

}  // namespace qm::admin
