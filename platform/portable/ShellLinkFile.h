#pragma once
// Our own reader and writer of the shell-link (".lnk") binary format as
// Microsoft documents it ([MS-SHLLINK]), for the platforms without the COM
// shell-link object. It keeps whatever it does not understand, so a link
// written by Windows comes back from a load and a save with only the target
// and the arguments changed.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ShellLink.h"

namespace qm::platform {

// UTF-8, the active code page of our programs and so of the engine's texts.
// Bytes that are not UTF-8 survive the way there and back.
KELVRIN_API std::u16string AnsiToUtf16(const std::string& text);
KELVRIN_API std::string Utf16ToAnsi(const std::u16string& text);

struct KELVRIN_API ShellLinkData {
  std::vector<std::uint8_t> header;  // the 76 bytes of the header as read (or as a new link has them)
  std::vector<std::uint8_t> idList;  // the target's item list, without its size field; empty if none
  std::vector<std::uint8_t> linkInfo;  // the whole LinkInfo structure; empty if none
  std::string target;  // ANSI; what LinkInfo (or its fallbacks) name
  // The five texts of StringData, in the format's order; present ones only.
  bool hasText[5] = {false, false, false, false, false};
  std::u16string text[5];
  std::vector<std::vector<std::uint8_t>> extraBlocks;  // whole blocks, size and signature included

  enum TextIndex { kName = 0, kRelativePath, kWorkingDir, kArguments, kIconLocation };

  // A link as a newly created object has it: no target, nothing set, show normal.
  static ShellLinkData Empty();
  // Forgets everything that belongs to the old target, then names the new one.
  void ChangeTarget(const std::string& newTarget);
};

// False if the bytes are not a shell link or a structure runs past the end.
KELVRIN_API bool DecodeShellLink(const std::vector<std::uint8_t>& bytes, ShellLinkData& link);
KELVRIN_API std::vector<std::uint8_t> EncodeShellLink(const ShellLinkData& link);

// The link object over the current file-system service.
class KELVRIN_API PortableShellLink : public ILinkObject {
 public:
  long Clear() override;
  long Load(const std::string& file) override;
  long Save(const std::string& file) override;
  long SetPath(const std::string& target) override;
  long GetPath(std::string* target) override;
  long SetArguments(const std::string& arguments) override;
  long GetArguments(std::string* arguments) override;

 private:
  ShellLinkData link_ = ShellLinkData::Empty();
};

}  // namespace qm::platform
