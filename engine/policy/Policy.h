#pragma once
// The administrator's policies, as Group Policy writes them under
// Software\Policies\Tarnwick\Quill Moor (engine/policy/PolicyNames.h): entries
// that always start, entries that never start, boxes the user may not change,
// and entries the user may not create, modify or remove.
//
// Both the machine's (HKLM) and the user's (HKCU) policies are read, with read
// rights only. The machine's win: a switch the machine sets (to 1 or to 0) is
// the answer whatever the user's says, and an entry the machine's lists name
// follows the machine's list. Within one side, never starting wins over
// always starting. A value that cannot be read or is malformed is logged and
// ignored; it never stops anything. A list may name entries that do not exist
// yet: it applies when they appear.
#include <string>
#include <vector>

#include "engine/foundation/Places.h"
#include "engine/policy/PolicyNames.h"
#include "platform/KelvrinApi.h"

namespace qm::policy {

// One entry a list names: "KIND:SCOPE:NAME", KIND startup, service or
// shortcut, SCOPE user or machine (a machine entry of either registry view),
// NAME the entry's name as the window shows it, letter case ignored. For
// example "startup:machine:Updater" or "shortcut:user:Mail".
struct Rule {
  EntryKind kind = EntryKind::Startup;
  bool machine = false;
  std::string name;
};
// False for a text that is no rule (a service is the machine's only).
KELVRIN_API bool ParseRule(const std::string& text, Rule* rule);

enum class Forced { None, Start, NeverStart };

// What a policy decides, and which policy of which side decides it.
struct Decision {
  Forced forced = Forced::None;
  const PolicyValue* policy = nullptr;  // null: no policy decides
  bool machine = false;
  explicit operator bool() const { return policy != nullptr; }
};
// "the machine's policy "Entries that never start"", for messages.
KELVRIN_API std::string Describe(const Decision& decision);

// What one root's policy key holds.
struct Side {
  std::vector<Rule> alwaysStart, neverStart;
  int lockChoices = -1, lockEntries = -1;  // -1 where the value is not set
};

struct Policies {
  Side machine, user;

  // Whether a policy starts the entry, or keeps it from starting.
  KELVRIN_API Decision ForEntry(EntryKind kind, RegKey root, const std::string& name) const;
  // Set when the user may not change the choices (the boxes).
  KELVRIN_API Decision LockedChoices() const;
  // Set when the user may not create, modify or remove entries.
  KELVRIN_API Decision LockedEntries() const;
};

// Reads both sides now. Never fails: what cannot be read counts as not set.
KELVRIN_API Policies ReadPolicies();

}  // namespace qm::policy
