#pragma once
#include "platform/Shell.h"

namespace qm::platform {

class KELVRIN_API Win32Shell : public IShell {
 public:
  std::intptr_t Open(const std::string& file, const std::string& parameters) override;
  std::intptr_t OpenWatched(const std::string& file, const std::string& parameters,
                            std::unique_ptr<IStartedProcess>* started) override;
  IconHandle SmallIcon(const std::string& path) override;
  void DestroyIcon(IconHandle icon) override;
};

}  // namespace qm::platform
