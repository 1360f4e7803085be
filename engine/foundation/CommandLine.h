#pragma once
// Command lines: a program path, usually a blank and an argument.
#include <string>

#include "platform/KelvrinApi.h"

namespace qm {

// Cuts a command line into program path and argument at the first blank that
// follows ".exe" (letters in any case). A path that does not end in ".exe"
// before its first argument is never split: the path is the whole line and
// the argument empty. Double quotes are kept. 0 if either out-string is
// missing, else 1.
KELVRIN_API int SplitPathArgument(const std::string& commandLine, std::string* path, std::string* argument);

// Path, one blank and the argument: the blank is written also when the
// argument is empty, so that the line splits again the same way.
KELVRIN_API std::string JoinPathArgument(const std::string& path, const std::string& argument);

}  // namespace qm
