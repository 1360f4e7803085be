#pragma once
// qmctl: Quill Moor's entries from a console, for administrators and scripts.
// The commands, their arguments and their output formats, over whatever
// platform the service slots hold: the real registry and startup folders on
// Windows, the memory registry and a mapped folder tree in the tests.
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace qm::admin {

// Exit codes.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
// "check": the machine differs from the desired state.
inline constexpr int kDiffers = 3;

// The program's single-instance rule, seen from the console tool: while the
// program runs it holds its named mutex, and nothing may change entries
// behind its back (it may be half way through a cycle).
class IInstanceGuard {
 public:
  virtual ~IInstanceGuard() = default;
  // Takes the program's mutex for the rest of this process; false when
  // another process already holds it.
  virtual bool Acquire() = 0;
};

// The whole-set operations the program's modes run, for take, return and
// restore; an empty function leaves the command out.
struct CycleOperations {
  std::function<bool()> take;
  std::function<bool()> giveBack;
  std::function<bool()> restore;
};

// Runs one command line (the arguments after the program name) and answers
// the exit code. Output goes to out, reasons for failure to err.
int Run(const std::vector<std::string>& arguments, IInstanceGuard& guard, const CycleOperations& cycle,
        std::ostream& out, std::ostream& err);

}  // namespace qm::admin
