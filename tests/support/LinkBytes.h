#pragma once
// The bytes of a real shortcut file, as the link object writes them: for
// tests that plant shortcuts in folders or stored values.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/portable/ShellLinkFile.h"

namespace qm::test {

inline std::string LinkBytes(const std::string& target, const std::string& arguments = "") {
  platform::ShellLinkData data = platform::ShellLinkData::Empty();
  data.ChangeTarget(target);
  if (!arguments.empty()) {
    data.hasText[platform::ShellLinkData::kArguments] = true;
    data.text[platform::ShellLinkData::kArguments] = platform::AnsiToUtf16(arguments);
  }
  std::vector<std::uint8_t> bytes = platform::EncodeShellLink(data);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace qm::test
