#include "app/win32/WindowSession.h"

#include <string>

#include "engine/foundation/Registry.h"
#include "engine/foundation/StoredKeys.h"

namespace qm::app {
namespace {

// The parts are handed over by reference before they are constructed; the
// window only reaches them once it runs.
MainWindowParts PartsOf(CServiceEngineer& services, CStartupEngineer& startups, CShortcutEngineer& shortcuts,
                        CThemeManager& themes, CTheme& current, CTheme& defaults, IDialogRunner& dialogs,
                        IMainWindowHost& host) {
  return {services, startups, shortcuts, themes, current, defaults, dialogs, host};
}

}  // namespace

WindowSession::WindowSession(const MainWindowSetup& setup, std::function<void()> takeServices)
    : host_(std::move(takeServices), nullptr),
      logic_(PartsOf(services_, startups_, shortcuts_, themes_, current_, default_, dialogs_, host_), setup) {
  // Without a theme the window is black on the built-in background.
  default_.titleColor = default_.buttonColor = default_.statusColor = default_.sectionColor = 0;
  current_.FullAssign(default_);
  themes_.Setup();
  std::string name;
  if (CRegistry().GetValue(HKeyCurrentUser, kProductKey, kThemeValue, &name)) themes_.GetThemeObject(name, &current_);
  dialog_ = std::make_unique<MainDialog>(logic_, ::GetModuleHandleA(nullptr));
}

}  // namespace qm::app
