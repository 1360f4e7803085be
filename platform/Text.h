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

// Bytes written in the system's ANSI code page (what Windows' shell writes into
// a shortcut's ANSI fields, whatever code page our own programs run with) as
// UTF-8. The Windows code page of the machine on Windows; Windows-1252 elsewhere,
// the code page of the Western European Windows our tests stand in for.
KELVRIN_API std::string SystemAnsiToUtf8(const std::string& bytes);
// The Windows-1252 decoding itself, on every platform.
KELVRIN_API std::string Windows1252ToUtf8(const std::string& bytes);
// Text that is UTF-8 throughout: every byte that is not part of well-formed
// UTF-8 becomes U+FFFD, so that whatever we print can be read as UTF-8.
KELVRIN_API std::string ValidUtf8(const std::string& text);

// The portable mapping itself, on every platform, so that the Windows build
// can hold it against the system's.
KELVRIN_API std::string FoldCaseByTable(const std::string& text);

}  // namespace qm::platform
