#include "engine/foundation/ReturnedMark.h"

namespace qm {

bool IsMarkedReturned(RegKey root, const char* mark) {
  std::uint32_t value = 0;
  return CRegistry().GetValue(root, kProductKey, mark, &value) && value != 0;
}

// Deleted outright rather than read first: a read that failed must not let a
// take go on under a mark that still stands.
bool ClearReturnedMark(RegKey root, const char* mark) {
  bool cleared = false;
  return ClearReturnedMark(root, mark, &cleared);
}

bool ClearReturnedMark(RegKey root, const char* mark, bool* cleared) {
  CRegistry registry;
  *cleared = registry.DeleteValue(root, kProductKey, mark) == 1;
  if (*cleared) return true;
  return registry.lastError == static_cast<std::uint32_t>(platform::kErrorFileNotFound);
}

void MarkReturned(RegKey root, const char* mark) {
  CRegistry registry;
  if (registry.CreateKey(root, kProductKey)) registry.SetValue(root, kProductKey, mark, std::uint32_t{1});
}

}  // namespace qm
