#pragma once
// What a program file says about itself in its version resource: the file
// description and the publisher (CompanyName) of its first translation.
#include <string>

#include "platform/Services.h"

namespace qm::platform {

struct ProgramFacts {
  std::string description;
  std::string publisher;
};

class IProgramInfo {
 public:
  virtual ~IProgramInfo() = default;
  // False when the file has no version resource or cannot be read; facts then
  // stay empty. A resource without one of the two texts leaves it empty.
  virtual bool VersionTexts(const std::string& path, ProgramFacts* facts) = 0;
};

QM_DECLARE_SERVICE(IProgramInfo);

}  // namespace qm::platform
