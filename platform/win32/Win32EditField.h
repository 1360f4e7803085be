#pragma once
// An edit control of some window, seen as the engines' edit field.
#include <windows.h>

#include "platform/Ui.h"

namespace qm::platform {

class KELVRIN_API Win32EditField : public IEditField {
 public:
  explicit Win32EditField(HWND edit) : edit_(edit) {}
  void SetText(const std::string& text) override;
  std::string GetText() const override;

 private:
  HWND edit_;
};

}  // namespace qm::platform
