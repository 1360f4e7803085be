// Prints what the program reads of the policies, from the one place it spells
// them, one line each: name|key|value name (empty for a list).
#include <cstdio>

#include "engine/policy/PolicyNames.h"

int main() {
  for (const qm::policy::PolicyValue* value : qm::policy::kPolicyValues)
    std::printf("%s|%s|%s\n", value->name, value->key, value->valueName ? value->valueName : "");
}
