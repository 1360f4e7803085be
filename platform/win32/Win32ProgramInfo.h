#pragma once
// The version resource read with GetFileVersionInfoA and VerQueryValueA.
#include "platform/ProgramInfo.h"

namespace qm::platform {

class KELVRIN_API Win32ProgramInfo : public IProgramInfo {
 public:
  bool VersionTexts(const std::string& path, ProgramFacts* facts) override;
};

}  // namespace qm::platform
