#pragma once
// The shell-link object: reads and writes ".lnk" files. On Windows it is the
// COM shell-link object; elsewhere our own reader and writer of the documented
// binary format. Like the COM object it keeps the properties of the link it
// last loaded or saved, so a load followed by a save keeps everything but what
// was set in between.
//
// Results follow COM: 0 (S_OK) is success, anything else a failure.
#include <string>

#include "platform/Services.h"

namespace qm::platform {

inline constexpr long kLinkOk = 0;
inline constexpr long kLinkFail = static_cast<long>(0x80004005L);       // E_FAIL
inline constexpr long kLinkInvalidArg = static_cast<long>(0x80070057L);  // E_INVALIDARG

// Longest text the link hands out or takes as a file name, without its terminator.
inline constexpr std::size_t kLinkTextLimit = 259;

class ILinkObject {
 public:
  virtual ~ILinkObject() = default;
  // Forgets everything, as a newly created link object: no target, no
  // arguments, working folder, icon, description, hot key; normal show command.
  virtual long Clear() = 0;
  // IPersistFile::Load(file, STGM_READ); the file name is ANSI text.
  virtual long Load(const std::string& file) = 0;
  // IPersistFile::Save(file, TRUE).
  virtual long Save(const std::string& file) = 0;
  virtual long SetPath(const std::string& target) = 0;
  // GetPath with SLGP_UNCPRIORITY into 260 characters; empty if the link has none.
  virtual long GetPath(std::string* target) = 0;
  virtual long SetArguments(const std::string& arguments) = 0;
  virtual long GetArguments(std::string* arguments) = 0;
};

// The slot is filled on first use, on the caller's thread: the COM object
// must not be created while the library is being loaded. It stays empty when
// the platform cannot give a link object.
QM_DECLARE_SERVICE(ILinkObject);

// Releases the process's link object (and, on Windows, the COM apartment that
// was entered for it). For the program's orderly end; the slot stays empty
// afterwards.
KELVRIN_API void ReleaseShellLink();

}  // namespace qm::platform
