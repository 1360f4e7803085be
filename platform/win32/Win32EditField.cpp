#include "platform/win32/Win32EditField.h"

#include <vector>

namespace qm::platform {

void Win32EditField::SetText(const std::string& text) { ::SetWindowTextA(edit_, text.c_str()); }

std::string Win32EditField::GetText() const {
  int length = ::GetWindowTextLengthA(edit_);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<std::size_t>(length) + 1);
  int copied = ::GetWindowTextA(edit_, text.data(), length + 1);
  return std::string(text.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0);
}

}  // namespace qm::platform
