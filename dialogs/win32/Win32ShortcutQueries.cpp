#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <vector>

#include "dialogs/win32/Win32Views.h"
#include "platform/win32/Handles.h"

namespace qm::dialogs {
namespace {

// COM for the length of one call, on threads that had none.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialised_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

// The largest shortcut file the stored location is read with.
constexpr std::uint32_t kMaxShortcutBytes = 1 << 20;

bool LoadFromFile(IShellLinkA* link, const std::string& file) {
  win32::ComPtr<IPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(persist.Put())))) return false;
  int length = ::MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, nullptr, 0);
  if (length <= 0) return false;
  std::vector<wchar_t> wide(static_cast<std::size_t>(length));
  ::MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), length);
  return SUCCEEDED(persist->Load(wide.data(), STGM_READ));
}

bool LoadFromRegistry(IShellLinkA* link, RegKey root, const std::string& name) {
  CRegistry registry;
  std::vector<std::uint8_t> bytes(kMaxShortcutBytes);
  std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
  if (!registry.GetValue(root, "Software\\Tarnwick\\Quill Moor\\Shc", name.c_str(), bytes.data(), &size)) return false;
  win32::ComPtr<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()))) return false;
  ULONG written = 0;
  if (FAILED(stream->Write(bytes.data(), size, &written)) || written != size) return false;
  LARGE_INTEGER start = {};
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  win32::ComPtr<IPersistStream> persist;
  if (FAILED(link->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persist.Put())))) return false;
  return SUCCEEDED(persist->Load(stream.Get()));
}

}  // namespace

int Win32ShortcutQueries::GetShortcutInfo(const std::string& name, std::string* path, std::string* argument,
                                          int type, int inRegistry) {
  if (!path || !argument) return 0;
  ComScope com;
  win32::ComPtr<IShellLinkA> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.Put()))))
    return 0;
  RegKey root = type == 0 ? HKeyCurrentUser : HKeyLocalMachine;
  bool loaded = false;
  if (inRegistry == 1) {
    std::string folder = StartupFolder(root);
    if (folder.empty()) return 0;
    if (folder.back() != '\\') folder += '\\';
    loaded = LoadFromFile(link.Get(), folder + name + ".lnk");
  } else {
    loaded = LoadFromRegistry(link.Get(), root, name);
  }
  if (!loaded) return 0;
  char target[MAX_PATH] = {};
  char arguments[INFOTIPSIZE] = {};
  if (FAILED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH))) return 0;
  if (FAILED(link->GetArguments(arguments, INFOTIPSIZE))) return 0;
  *path = target;
  *argument = arguments;
  return 1;
}

}  // namespace qm::dialogs
