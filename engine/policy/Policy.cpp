#include "engine/policy/Policy.h"

#include "engine/foundation/Log.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/WholeValues.h"
#include "platform/Text.h"

namespace qm::policy {
namespace {

// Group Policy writes the machine's policies into the 64-bit view of 64-bit
// Windows, and Windows shares that key with 32-bit programs; read it there.
RegKey MachineRoot() {
  RegKey other = OtherPublicView();
  return other == platform::kHklm64View ? other : HKeyLocalMachine;
}

const char* SideName(bool machine) { return machine ? "machine" : "user"; }

void Ignored(bool machine, const PolicyValue& policy, const std::string& why) {
  CLog::Error(std::string("Policy \"") + policy.name + "\" of the " + SideName(machine) + " ignored: " + why);
}

std::vector<Rule> ReadList(RegKey root, bool machine, const PolicyValue& policy) {
  std::vector<Rule> rules;
  std::vector<WholeValue> values;
  if (!ReadWholeValues(root, policy.key, &values)) {
    Ignored(machine, policy, std::string("cannot read ") + policy.key);
    return rules;
  }
  for (const WholeValue& value : values) {
    Rule rule;
    const bool text = value.type == platform::kRegSz || value.type == 2;
    if (text && ParseRule(TextOf(value.data), &rule)) {
      rules.push_back(std::move(rule));
      continue;
    }
    Ignored(machine, policy,
            "the value \"" + value.name + "\" is " +
                (text ? "not KIND:SCOPE:NAME (\"" + platform::ValidUtf8(TextOf(value.data)) + "\")" : "no text"));
  }
  return rules;
}

int SwitchOf(const std::vector<WholeValue>& values, bool machine, const PolicyValue& policy) {
  for (const WholeValue& value : values) {
    if (!platform::EqualsNoCase(value.name, policy.valueName)) continue;
    long long number = value.type == platform::kRegDword ? NumberOf(value) : -1;
    if (number == 0 || number == 1) return static_cast<int>(number);
    Ignored(machine, policy, std::string("the value \"") + policy.valueName + "\" is not the number 0 or 1");
    return -1;
  }
  return -1;
}

Side ReadSide(RegKey root, bool machine) {
  Side side;
  side.alwaysStart = ReadList(root, machine, kAlwaysStart);
  side.neverStart = ReadList(root, machine, kNeverStart);
  std::vector<WholeValue> values;
  if (!ReadWholeValues(root, kPolicyKey, &values)) {
    Ignored(machine, kLockChoices, std::string("cannot read ") + kPolicyKey);
    Ignored(machine, kLockEntries, std::string("cannot read ") + kPolicyKey);
    return side;
  }
  side.lockChoices = SwitchOf(values, machine, kLockChoices);
  side.lockEntries = SwitchOf(values, machine, kLockEntries);
  return side;
}

bool Names(const std::vector<Rule>& rules, EntryKind kind, bool machine, const std::string& name) {
  for (const Rule& rule : rules)
    if (rule.kind == kind && rule.machine == machine && platform::EqualsNoCase(rule.name, name)) return true;
  return false;
}

Decision Switch(int machine, int user, const PolicyValue& policy) {
  if (machine >= 0) return machine ? Decision{Forced::None, &policy, true} : Decision{};
  return user == 1 ? Decision{Forced::None, &policy, false} : Decision{};
}

}  // namespace

bool ParseRule(const std::string& text, Rule* rule) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos || second + 1 == text.size()) return false;
  Rule parsed;
  const std::string scope = text.substr(first + 1, second - first - 1);
  bool known = false;
  for (EntryKind kind : kEntryKinds)
    if (platform::EqualsNoCase(text.substr(0, first), KindName(kind))) {
      parsed.kind = kind;
      known = true;
    }
  if (!known) return false;
  if (platform::EqualsNoCase(scope, "machine"))
    parsed.machine = true;
  else if (!platform::EqualsNoCase(scope, "user"))
    return false;
  if (parsed.kind == EntryKind::Service && !parsed.machine) return false;
  parsed.name = text.substr(second + 1);
  *rule = std::move(parsed);
  return true;
}

std::string Describe(const Decision& decision) {
  if (!decision) return "";
  return std::string("the ") + SideName(decision.machine) + "'s policy \"" + decision.policy->name + "\"";
}

Decision Policies::ForEntry(EntryKind kind, RegKey root, const std::string& name) const {
  const bool publicEntry = IsPublicRoot(root);
  for (const auto* side : {&machine, &user}) {
    const bool fromMachine = side == &machine;
    if (Names(side->neverStart, kind, publicEntry, name)) return {Forced::NeverStart, &kNeverStart, fromMachine};
    if (Names(side->alwaysStart, kind, publicEntry, name)) return {Forced::Start, &kAlwaysStart, fromMachine};
  }
  return {};
}

Decision Policies::LockedChoices() const { return Switch(machine.lockChoices, user.lockChoices, kLockChoices); }
Decision Policies::LockedEntries() const { return Switch(machine.lockEntries, user.lockEntries, kLockEntries); }

Policies ReadPolicies() {
  Policies policies;
  policies.machine = ReadSide(MachineRoot(), true);
  policies.user = ReadSide(HKeyCurrentUser, false);
  return policies;
}

}  // namespace qm::policy
