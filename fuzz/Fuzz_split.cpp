// The command-line splitter: any text, no crash, and the cut always puts the
// line back together: the path alone, or the path, a blank and the argument.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/foundation/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  std::string path, argument;
  if (qm::SplitPathArgument(line, &path, &argument) != 1) std::abort();
  if (argument.empty()) {
    if (line != path && line != path + " ") std::abort();
  } else if (line != path + " " + argument) {
    std::abort();
  }
  return 0;
}
