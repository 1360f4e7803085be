#pragma once
// The product key, and the marks under it that say the entries of one kind
// stand returned under a root. A return sets its mark; a take clears it
// before anything leaves the place Windows reads; verify forgets missing
// entries only of a root whose mark stands. Without the mark, a take that
// stopped half way would have the next start forget every entry it had
// already moved.
#include "platform/KelvrinApi.h"
#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"

namespace qm {

bool IsMarkedReturned(RegKey root, const char* mark);
// True once the mark is gone, also when it was not there.
KELVRIN_API bool ClearReturnedMark(RegKey root, const char* mark);
// As above, and tells whether this call removed a mark that stood, so that a
// take that then fails puts back only a mark it cleared itself.
bool ClearReturnedMark(RegKey root, const char* mark, bool* cleared);
void MarkReturned(RegKey root, const char* mark);

}  // namespace qm
