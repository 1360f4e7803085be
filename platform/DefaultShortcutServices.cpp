// The process's shell-link object. It is made on first use, on the program's
// thread: entering COM from the library's load routine would run under the
// loader lock, where COM must not be started.
#include "platform/ShellLink.h"

#if defined(_WIN32)
#include "platform/win32/Win32ShellLink.h"
#else
#include "platform/portable/ShellLinkFile.h"
#endif

namespace qm::platform {
namespace {

ILinkObject*& DefaultLink() {
  static ILinkObject* link = nullptr;
  return link;
}

ILinkObject* MakeDefaultLink() {
#if defined(_WIN32)
  DefaultLink() = Win32ShellLink::Create().release();
#else
  DefaultLink() = new PortableShellLink;
#endif
  return DefaultLink();
}

}  // namespace

QM_DEFINE_SERVICE(ILinkObject, MakeDefaultLink())

void ReleaseShellLink() {
  ILinkObject* link = DefaultLink();
  if (!link) return;
  ILinkObject*& slot = ServiceSlot(ServiceTag<ILinkObject>{});
  if (slot == link) slot = nullptr;
  DefaultLink() = nullptr;
  delete link;
}

}  // namespace qm::platform
