#pragma once
// The two texts of the context-help window that explains the Type list.
#include <string>

#include "dialogs/OstrumApi.h"

namespace qm::dialogs {

struct ContextHelpTexts {
  std::string privateText;  // under "Private"
  std::string publicText;   // under "Public"
};

// Help mode 1 explains startups, any other value shortcuts.
OSTRUM_API ContextHelpTexts ContextHelpFor(int helpMode);

}  // namespace qm::dialogs
