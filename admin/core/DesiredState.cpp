#include "admin/core/DesiredState.h"

#include <set>
#include <vector>

#include "admin/core/Json.h"
#include "admin/core/Qmctl.h"
#include "engine/catalog/Catalog.h"
#include "engine/entries/RunKeyStore.h"
#include "engine/foundation/Places.h"
#include "engine/policy/Policy.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

namespace qm::admin {
namespace {

using catalog::Entry;
using catalog::EntryRef;
using JsonType = JsonValue::Type;

// One entry the file names, as the file says it should be.
struct Wanted {
  EntryKind kind = EntryKind::Startup;
  bool machine = false;
  std::string view;  // "32", "64" or empty for either; never for shortcuts, whose folders have no views
  std::string name;
  bool start = false;
  bool hasCommand = false;
  std::string command;
};

std::string Label(EntryKind kind, bool machine, const std::string& view, const std::string& name) {
  return std::string(KindName(kind)) + " \"" + platform::ValidUtf8(name) + "\" (" + (machine ? "machine" : "user") +
         (view.empty() ? "" : ", " + view + "-bit view") + ")";
}
std::string Label(const Wanted& wanted) { return Label(wanted.kind, wanted.machine, wanted.view, wanted.name); }

bool Text(const JsonValue& item, const char* member, bool required, std::string* text, std::string* error) {
  const JsonValue* value = item.Find(member);
  if (!value || (!required && value->type == JsonType::Null)) {
    if (required) *error = std::string("an entry without \"") + member + "\"";
    return !required;
  }
  if (value->type != JsonType::String) {
    *error = std::string("\"") + member + "\" is not a text";
    return false;
  }
  *text = value->text;
  return true;
}

bool ReadEntry(const JsonValue& item, Wanted* wanted, std::string* error) {
  std::string kind, scope;
  if (item.type != JsonType::Object) {
    *error = "an entry that is not an object";
    return false;
  }
  if (!Text(item, "kind", true, &kind, error) || !Text(item, "scope", true, &scope, error) ||
      !Text(item, "name", true, &wanted->name, error) || !Text(item, "view", false, &wanted->view, error))
    return false;
  if (!KindFromName(kind, &wanted->kind)) {
    *error = "the kind \"" + kind + "\" is not startup, service or shortcut";
    return false;
  }
  if (scope != "user" && scope != "machine") {
    *error = "the scope \"" + scope + "\" is not user or machine";
    return false;
  }
  wanted->machine = scope == "machine";
  if (wanted->name.empty() || (wanted->kind == EntryKind::Service && !wanted->machine) ||
      (!wanted->view.empty() && (!wanted->machine || (wanted->view != "32" && wanted->view != "64")))) {
    *error = "the entry " + Label(*wanted) + " cannot exist";
    return false;
  }
  if (wanted->kind == EntryKind::Shortcut) wanted->view.clear();
  const JsonValue* start = item.Find("start");
  const JsonValue* flag = item.Find("flag");
  if (start && start->type == JsonType::Boolean) {
    wanted->start = start->boolean;
  } else if (!start && flag && flag->type == JsonType::Number && (flag->number == 0 || flag->number == 1)) {
    wanted->start = flag->number == 1;
  } else {
    *error = "the entry " + Label(*wanted) + " says neither \"start\": true or false, nor \"flag\": 0 or 1";
    return false;
  }
  wanted->hasCommand = item.Find("command") && item.Find("command")->type != JsonType::Null;
  return Text(item, "command", false, &wanted->command, error);
}

bool ReadState(const std::string& file, std::vector<Wanted>* state, std::string* error) {
  platform::IFileSystem* files = platform::Current<platform::IFileSystem>();
  std::vector<std::uint8_t> bytes;
  if (!files || files->ReadAll(file, bytes) != platform::FsResult::Ok) {
    *error = "cannot read " + file;
    return false;
  }
  JsonValue root;
  if (!ParseJson(std::string(bytes.begin(), bytes.end()), &root, error)) return false;
  const JsonValue* list = root.type == JsonType::Object ? root.Find("entries") : &root;
  if (!list || list->type != JsonType::Array) {
    *error = "no list of entries (an array, or an object with \"entries\")";
    return false;
  }
  std::set<std::string> seen;
  for (const JsonValue& item : list->items) {
    Wanted wanted;
    if (!ReadEntry(item, &wanted, error)) return false;
    if (!seen.insert(platform::FoldCase(Label(wanted.kind, wanted.machine, wanted.view, wanted.name))).second) {
      *error = "the entry " + Label(wanted) + " stands twice";
      return false;
    }
    state->push_back(std::move(wanted));
  }
  return true;
}

bool Matches(const Wanted& wanted, const EntryRef& ref) {
  return ref.kind == wanted.kind && IsPublicRoot(ref.root) == wanted.machine &&
         (wanted.view.empty() || wanted.view == catalog::ViewName(ref.root)) && platform::EqualsNoCase(ref.name, wanted.name);
}

// Where a new entry goes: the user's root, or the machine's view the file names (this program's own by default).
RegKey RootFor(const Wanted& wanted) {
  if (!wanted.machine) return HKeyCurrentUser;
  for (RegKey root : RootsOf(wanted.kind))
    if (IsPublicRoot(root) && (wanted.view.empty() ? root == HKeyLocalMachine : wanted.view == catalog::ViewName(root)))
      return root;
  return platform::kNoKey;
}

std::string TrimEnd(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}
std::string Joined(const std::string& path, const std::string& argument) {
  return TrimEnd(argument).empty() ? path : path + " " + TrimEnd(argument);
}

// How one entry the file names differs from the machine.
struct Difference {
  const Wanted* wanted = nullptr;
  EntryRef ref;          // the entry standing; no root when it is missing
  std::string what;      // "exists", "start" or "command"
  std::string expected, actual;  // as JSON values
  std::string path, argument;    // the file's command, split
};

// Every difference, in the file's order. False with the reason when the
// machine cannot be read or a name means more than one entry.
bool Compare(const std::vector<Wanted>& state, const policy::Policies& policies, std::vector<Difference>* differences,
             std::string* error, bool* badFile) {
  std::vector<Entry> entries;
  if (!catalog::ListAll(&entries, error)) return false;
  for (const Wanted& wanted : state) {
    std::vector<const Entry*> found;
    for (const Entry& entry : entries)
      if (Matches(wanted, entry.ref)) found.push_back(&entry);
    if (found.size() > 1) {
      *error = "the file's " + Label(wanted) + " means more than one entry here; give its \"view\"";
      *badFile = true;
      return false;
    }
    Difference difference;
    difference.wanted = &wanted;
    difference.ref = EntryRef{wanted.kind, platform::kNoKey, EntryPlace::Windows, wanted.name};
    if (wanted.hasCommand) entries::SplitOrWhole(wanted.command, &difference.path, &difference.argument);
    if (found.empty()) {
      difference.what = "exists";
      difference.expected = "true";
      difference.actual = "false";
      differences->push_back(difference);
      continue;
    }
    const Entry& entry = *found[0];
    difference.ref = entry.ref;
    std::string path, argument;
    if (wanted.hasCommand && catalog::ReadPathArgument(entry.ref, &path, &argument) &&
        !(platform::EqualsNoCase(path, difference.path) && TrimEnd(argument) == TrimEnd(difference.argument))) {
      Difference command = difference;
      command.what = "command";
      command.expected = Json(Joined(difference.path, difference.argument));
      command.actual = Json(Joined(path, argument));
      differences->push_back(command);
    }
    const policy::Decision decision = policies.ForEntry(entry.ref.kind, entry.ref.root, entry.ref.name);
    const bool starts = decision ? decision.forced == policy::Forced::Start : entry.flag == 1;
    if (starts != wanted.start) {
      difference.what = "start";
      difference.expected = wanted.start ? "true" : "false";
      difference.actual = starts ? "true" : "false";
      differences->push_back(difference);
    }
  }
  return true;
}

std::string Said(const Difference& difference) {
  const std::string label = Label(*difference.wanted);
  if (difference.what == "exists") return label + ": missing";
  if (difference.what == "start")
    return label + (difference.wanted->start ? ": does not start, should" : ": starts, should not");
  return label + ": starts " + difference.actual + ", should start " + difference.expected;
}

// Why a policy forbids the change; empty when none does.
std::string Forbidden(const Difference& difference, const policy::Policies& policies) {
  const Wanted& wanted = *difference.wanted;
  const RegKey root = difference.ref.root != platform::kNoKey ? difference.ref.root : RootFor(wanted);
  const policy::Decision decision = policies.ForEntry(wanted.kind, root, wanted.name);
  const bool changesEntry = difference.what != "start";
  if (changesEntry && policies.LockedEntries())
    return policy::Describe(policies.LockedEntries()) + " forbids creating or modifying " + Label(wanted);
  if (difference.what == "start" && policies.LockedChoices())
    return policy::Describe(policies.LockedChoices()) + " forbids changing whether " + Label(wanted) + " starts";
  if (decision && (decision.forced == policy::Forced::Start) != wanted.start)
    return policy::Describe(decision) + (wanted.start ? " keeps " : " starts ") + Label(wanted) +
           (wanted.start ? " from starting" : " always");
  return "";
}

bool Load(const std::string& file, std::vector<Wanted>* state, std::vector<Difference>* differences,
          const policy::Policies& policies, std::ostream& err, int* code) {
  std::string error;
  bool badFile = true;
  if (!ReadState(file, state, &error) || (badFile = false, !Compare(*state, policies, differences, &error, &badFile))) {
    err << "qmctl: " << (badFile ? file + " is not a desired state (" + error + ")" : error)
        << "; nothing was changed\n";
    *code = badFile ? kUsage : kFailed;
    return false;
  }
  return true;
}

}  // namespace

int CheckState(const std::string& file, bool json, std::ostream& out, std::ostream& err) {
  std::vector<Wanted> state;
  std::vector<Difference> differences;
  const policy::Policies policies = policy::ReadPolicies();
  int code = kDone;
  if (!Load(file, &state, &differences, policies, err, &code)) return code;
  if (json) {
    out << "{\"match\": " << (differences.empty() ? "true" : "false") << ", \"differences\": [";
    for (std::size_t i = 0; i < differences.size(); ++i) {
      const Difference& difference = differences[i];
      const Wanted& wanted = *difference.wanted;
      out << (i ? ",\n " : "\n ") << "{\"kind\": " << Json(KindName(wanted.kind))
          << ", \"scope\": " << Json(wanted.machine ? "machine" : "user")
          << ", \"view\": " << (wanted.view.empty() ? std::string("null") : Json(wanted.view))
          << ", \"name\": " << Json(wanted.name) << ", \"what\": " << Json(difference.what)
          << ", \"expected\": " << difference.expected << ", \"actual\": " << difference.actual << "}";
    }
    out << (differences.empty() ? "]}\n" : "\n]}\n");
  } else {
    for (const Difference& difference : differences) out << Said(difference) << "\n";
    out << "check: " << (differences.empty() ? std::string("the machine matches ") + file
                                             : std::to_string(differences.size()) + " differences from " + file)
        << "\n";
  }
  return differences.empty() ? kDone : kDiffers;
}

int ApplyState(const std::string& file, std::ostream& out, std::ostream& err) {
  std::vector<Wanted> state;
  std::vector<Difference> differences;
  const policy::Policies policies = policy::ReadPolicies();
  int code = kDone;
  if (!Load(file, &state, &differences, policies, err, &code)) return code;
  // Everything that would be refused is refused before anything is changed.
  std::vector<std::string> refused;
  for (const Difference& difference : differences) {
    std::string why = Forbidden(difference, policies);
    const Wanted& wanted = *difference.wanted;
    if (why.empty() && difference.what == "exists" && !wanted.hasCommand)
      why = Label(wanted) + " is missing, and the file gives no command to create it with";
    else if (why.empty() && difference.what == "exists" && (!IsPlainName(wanted.name) || RootFor(wanted) == platform::kNoKey))
      why = Label(wanted) + " cannot be created here";
    if (!why.empty()) refused.push_back(why);
  }
  if (!refused.empty()) {
    for (const std::string& why : refused) err << "qmctl: " << why << "\n";
    err << "qmctl: nothing was changed\n";
    return kFailed;
  }
  int changed = 0, failed = 0;
  for (const Difference& difference : differences) {
    const Wanted& wanted = *difference.wanted;
    EntryRef ref = difference.ref;
    bool ok = true;
    std::string said;
    if (difference.what == "exists") {
      ref.root = RootFor(wanted);
      // A new entry is flagged 1; the flag the file wants follows.
      ok = catalog::Create(ref, difference.path, difference.argument, nullptr) &&
           catalog::SetFlag(ref, wanted.start ? 1 : 0);
      said = std::string("created ") + Label(wanted) + (wanted.start ? ", starting" : ", not starting");
    } else if (difference.what == "command") {
      ok = catalog::Modify(ref, ref, difference.path, difference.argument, nullptr);
      said = "changed the command of " + Label(wanted) + " to " + difference.expected;
    } else {
      ok = catalog::SetFlag(ref, wanted.start ? 1 : 0);
      said = std::string(wanted.start ? "enabled " : "disabled ") + Label(wanted);
    }
    if (ok) {
      ++changed;
      out << said << "\n";
    } else {
      ++failed;
      err << "qmctl: could not make " << Label(wanted) << " as " << file << " says; the log file says why\n";
    }
  }
  out << "apply: " << (changed ? std::to_string(changed) + " changes" : std::string("nothing to change")) << "\n";
  return failed ? kFailed : kDone;
}

}  // namespace qm::admin
