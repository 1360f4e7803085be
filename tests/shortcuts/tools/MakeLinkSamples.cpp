// Writes the shell-link sample files of tests/shortcuts/data with the COM
// shell-link object, so that our own reader is checked against files the
// platform wrote. Run under Wine: make_link_samples.exe <folder>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

#include "platform/win32/Handles.h"

namespace {

struct Sample {
  const char* file;
  const char* target;
  const char* arguments;
  bool rich;  // also working folder, description, icon, hot key and show command
};

const Sample kSamples[] = {
    {"notepad.lnk", "C:\\windows\\notepad.exe", "", false},
    {"cmd-arguments.lnk", "C:\\windows\\system32\\cmd.exe", "/c echo \"quoted words\" > out.txt", false},
    {"missing-target.lnk", "C:\\Program Files\\Nowhere\\absent.exe", "-x", false},
    {"rich.lnk", "C:\\windows\\notepad.exe", "C:\\readme.txt", true},
    {"accented.lnk", "C:\\windows\\notepad.exe", "café crème", false},
};

bool Write(const std::string& folder, const Sample& sample) {
  qm::win32::ComPtr<IShellLinkA> link;
  qm::win32::ComPtr<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.Put()))) ||
      FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Put()))))
    return false;
  if (FAILED(link->SetPath(sample.target)) || FAILED(link->SetArguments(sample.arguments))) return false;
  if (sample.rich) {
    link->SetWorkingDirectory("C:\\windows");
    link->SetDescription("Opens the read-me");
    link->SetIconLocation("C:\\windows\\system32\\shell32.dll", 3);
    link->SetHotkey(MAKEWORD('R', HOTKEYF_CONTROL | HOTKEYF_ALT));
    link->SetShowCmd(SW_SHOWMINNOACTIVE);
  }
  WCHAR wide[MAX_PATH];
  std::string path = folder + "\\" + sample.file;
  if (!::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return false;
  return SUCCEEDED(file->Save(wide, TRUE));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_link_samples <folder>\n");
    return 2;
  }
  if (FAILED(::CoInitialize(nullptr))) return 1;
  int failures = 0;
  for (const Sample& sample : kSamples) {
    if (!Write(argv[1], sample)) {
      std::fprintf(stderr, "failed: %s\n", sample.file);
      ++failures;
    }
  }
  ::CoUninitialize();
  return failures ? 1 : 0;
}
