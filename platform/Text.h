#pragma once
// Names compared as Windows compares them: without regard to letter case, in
// every script. The engine's byte strings are in the active code page, which
// is UTF-8 for every program we build (see the application manifest).
//
// On Windows the system decides: its ordinal case-insensitive comparison, and
// its own upper-casing of each UTF-16 unit for the folded key. Elsewhere a
// table of the same simple, one-to-one upper-case mapping of Unicode stands
// in for it. Bytes that are not valid UTF-8 compare as themselves.
#include <string>

#include "platform/KelvrinApi.h"

namespace qm::platform {

// A key for sets, maps and sorting: FoldCase(a) == FoldCase(b) exactly when
// EqualsNoCase(a, b). It is a key, not a text to show.
KELVRIN_API std::string FoldCase(const std::string& text);

KELVRIN_API bool EqualsNoCase(const std::string& a, const std::string& b);

// The portable mapping itself, on every platform, so that the Windows build
// can hold it against the system's.
KELVRIN_API std::string FoldCaseByTable(const std::string& text);

}  // namespace qm::platform
