#include "platform/win32/Win32ShellLink.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "platform/win32/Handles.h"

namespace qm::platform {

struct Win32ShellLink::Object {
  win32::ComPtr<IShellLinkA> link;
  win32::ComPtr<IPersistFile> file;

  // A fresh object: nothing carried over from a link loaded before.
  static std::unique_ptr<Object> Make() {
    auto object = std::make_unique<Object>();
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(object->link.Put()))))
      return nullptr;
    if (FAILED(object->link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(object->file.Put()))))
      return nullptr;
    return object;
  }
};

namespace {

// The file name as IPersistFile wants it: UTF-16 from the ANSI code page, in
// a buffer of MAX_PATH wide characters.
bool ToWide(const std::string& path, WCHAR (&wide)[MAX_PATH]) {
  if (path.empty() || path.size() >= MAX_PATH) return false;
  return ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0;
}

}  // namespace

Win32ShellLink::Win32ShellLink(std::unique_ptr<win32::ComApartment> apartment) : apartment_(std::move(apartment)) {}

std::unique_ptr<Win32ShellLink> Win32ShellLink::Create() {
  auto apartment = std::make_unique<win32::ComApartment>();
  // S_FALSE: the thread was already in an apartment, which must still be
  // left once. RPC_E_CHANGED_MODE: a free-threaded apartment of the
  // program's own; the shell-link object lives in either.
  if (FAILED(apartment->Result()) && apartment->Result() != RPC_E_CHANGED_MODE) return nullptr;
  std::unique_ptr<Win32ShellLink> link(new Win32ShellLink(std::move(apartment)));
  link->object_ = Object::Make();
  if (!link->object_) return nullptr;  // the apartment is left with the link
  return link;
}

Win32ShellLink::~Win32ShellLink() = default;

long Win32ShellLink::Clear() {
  std::unique_ptr<Object> fresh = Object::Make();
  if (!fresh) return E_FAIL;
  object_ = std::move(fresh);
  return S_OK;
}

long Win32ShellLink::Load(const std::string& file) {
  WCHAR wide[MAX_PATH];
  if (!ToWide(file, wide)) return E_INVALIDARG;
  return object_->file->Load(wide, STGM_READ);
}

long Win32ShellLink::Save(const std::string& file) {
  WCHAR wide[MAX_PATH];
  if (!ToWide(file, wide)) return E_INVALIDARG;
  return object_->file->Save(wide, TRUE);
}

long Win32ShellLink::SetPath(const std::string& target) { return object_->link->SetPath(target.c_str()); }

long Win32ShellLink::GetPath(std::string* target) {
  if (!target) return E_INVALIDARG;
  char buffer[MAX_PATH] = "";
  WIN32_FIND_DATAA found{};
  HRESULT result = object_->link->GetPath(buffer, MAX_PATH, &found, SLGP_UNCPRIORITY);
  buffer[MAX_PATH - 1] = '\0';
  // S_FALSE only says that the link has no path; the empty text is the answer.
  if (FAILED(result)) return result;
  *target = buffer;
  return S_OK;
}

long Win32ShellLink::SetArguments(const std::string& arguments) {
  return object_->link->SetArguments(arguments.c_str());
}

long Win32ShellLink::GetArguments(std::string* arguments) {
  if (!arguments) return E_INVALIDARG;
  char buffer[MAX_PATH] = "";
  HRESULT result = object_->link->GetArguments(buffer, MAX_PATH);
  buffer[MAX_PATH - 1] = '\0';
  if (FAILED(result)) return result;
  *arguments = buffer;
  return S_OK;
}

}  // namespace qm::platform
