#include "dialogs/ContextHelp.h"

namespace qm::dialogs {

ContextHelpTexts ContextHelpFor(int helpMode) {
  if (helpMode == 1)
    return {"Startup of this type will only exist for current logon user. It will only be launched when this user "
            "logs on to it.",
            "Startup of this type will exist for all users of this machine. It will be launched regardless which "
            "user logs on to it."};
  return {"Shortcut of this type will only exist for current logon user. It will only be launched when this user "
          "logs on to it.",
          "Shortut of this type will exist for all users of this machine. It will be launched regardless which user "
          "logs on to it."};
}

}  // namespace qm::dialogs
