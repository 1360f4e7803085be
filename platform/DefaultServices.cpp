// The implementations that fill the service slots when the library loads.
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"
#include "platform/SystemInfo.h"

#if defined(_WIN32)
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32RegistryStore.h"
#include "platform/win32/Win32SystemInfo.h"
#define QM_DEFAULT(win32, portable) (new win32)
#else
#include "platform/portable/FixedSystemInfo.h"
#include "platform/portable/MappedFileSystem.h"
#include "platform/portable/MemoryRegistryStore.h"
#define QM_DEFAULT(win32, portable) (new portable)
#endif

namespace qm::platform {

QM_DEFINE_SERVICE(IRegistryStore, QM_DEFAULT(Win32RegistryStore, MemoryRegistryStore))
QM_DEFINE_SERVICE(IFileSystem, QM_DEFAULT(Win32FileSystem, MappedFileSystem))
QM_DEFINE_SERVICE(ISystemInfo, QM_DEFAULT(Win32SystemInfo, FixedSystemInfo))

}  // namespace qm::platform
