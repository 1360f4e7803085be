#pragma once
// Every key, value and name of the administrative policies, spelled once. The
// administrative template (installer/policy) writes exactly these, and the
// template check compares the two.
namespace qm::policy {

// Under HKLM (the machine's policies) and HKCU (the user's), each written by
// Group Policy and read here with read rights only.
inline constexpr char kPolicyKey[] = "Software\\Policies\\Tarnwick\\Quill Moor";
// Lists: every REG_SZ value of the key is one entry, "KIND:SCOPE:NAME"; the
// value names do not matter.
inline constexpr char kAlwaysStartKey[] = "Software\\Policies\\Tarnwick\\Quill Moor\\AlwaysStart";
inline constexpr char kNeverStartKey[] = "Software\\Policies\\Tarnwick\\Quill Moor\\NeverStart";
// REG_DWORD switches in the policy key: 1 on, 0 off.
inline constexpr char kLockChoicesValue[] = "LockChoices";
inline constexpr char kLockEntriesValue[] = "LockEntries";

// What the program reads: a list key (value name null) or a switch.
struct PolicyValue {
  const char* name;       // as the template's policy is called
  const char* key;
  const char* valueName;  // null for a list
};
inline constexpr PolicyValue kAlwaysStart{"Entries that always start", kAlwaysStartKey, nullptr};
inline constexpr PolicyValue kNeverStart{"Entries that never start", kNeverStartKey, nullptr};
inline constexpr PolicyValue kLockChoices{"Users may not change the choices", kPolicyKey, kLockChoicesValue};
inline constexpr PolicyValue kLockEntries{"Users may not create, modify or remove entries", kPolicyKey,
                                          kLockEntriesValue};
inline constexpr const PolicyValue* kPolicyValues[] = {&kAlwaysStart, &kNeverStart, &kLockChoices, &kLockEntries};

}  // namespace qm::policy
