// The shell, message boxes and process start that the engines use. Only
// Windows has them; elsewhere the slots stay empty until a test fills them,
// and the engines then report the start or the message as not possible.
#include "platform/ProgramInfo.h"
#include "platform/Processes.h"
#include "platform/Shell.h"
#include "platform/Ui.h"

#if defined(_WIN32)
#include "platform/win32/Win32MessageBox.h"
#include "platform/win32/Win32ProcessLauncher.h"
#include "platform/win32/Win32ProgramInfo.h"
#include "platform/win32/Win32Shell.h"
#define QM_WIN32_ONLY(win32) (new win32)
#else
#define QM_WIN32_ONLY(win32) nullptr
#endif

namespace qm::platform {

QM_DEFINE_SERVICE(IShell, QM_WIN32_ONLY(Win32Shell))
QM_DEFINE_SERVICE(IMessageBox, QM_WIN32_ONLY(Win32MessageBox))
QM_DEFINE_SERVICE(IProcessLauncher, QM_WIN32_ONLY(Win32ProcessLauncher))
// Elsewhere no program carries a version resource we could read; tests fill the slot.
QM_DEFINE_SERVICE(IProgramInfo, QM_WIN32_ONLY(Win32ProgramInfo))

}  // namespace qm::platform
