#pragma once
// The folders the process at hand may read but not write, as the common
// Startup folder is for a program without elevation: the portable file
// systems refuse every write, deletion, rename and new folder in them.
#include <string>
#include <vector>

#include "platform/Text.h"

namespace qm::platform {

class DeniedFolders {
 public:
  void Deny(const std::string& folder) { folders_.push_back(FoldCase(folder)); }
  void Clear() { folders_.clear(); }
  // Whether path is one of the folders or lies anywhere below one.
  bool Refuses(const std::string& path) const {
    if (folders_.empty()) return false;
    const std::string folded = FoldCase(path);
    for (const std::string& folder : folders_)
      if (folded == folder || (folded.size() > folder.size() && folded.compare(0, folder.size(), folder) == 0 &&
                               folded[folder.size()] == '\\'))
        return true;
    return false;
  }

 private:
  std::vector<std::string> folders_;
};

}  // namespace qm::platform
