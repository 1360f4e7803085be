#pragma once
#include "platform/Ui.h"

namespace qm::platform {

// MessageBoxA over the active window, titled with the application's name.
class KELVRIN_API Win32MessageBox : public IMessageBox {
 public:
  void ShowOk(const std::string& text) override;
};

}  // namespace qm::platform
