// The shell-link reader: any bytes as a ".lnk" file, no crash; a link that
// loads hands out its target and arguments, and a save then a load of it
// gives the same two back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/portable/MemoryFileSystem.h"
#include "platform/portable/ShellLinkFile.h"


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::platform::MemoryFileSystem files;
  files.AddFolder("C:");
  qm::platform::ScopedService<qm::platform::IFileSystem> filesSlot(&files);
  files.WriteAll("C:\\in.lnk", std::vector<std::uint8_t>(data, data + size));

  qm::platform::PortableShellLink link;
  if (link.Load("C:\\in.lnk") != qm::platform::kLinkOk) return 0;
  std::string target, arguments;
  if (link.GetPath(&target) != qm::platform::kLinkOk || link.GetArguments(&arguments) != qm::platform::kLinkOk)
    std::abort();
  if (link.Save("C:\\out.lnk") != qm::platform::kLinkOk) std::abort();

  qm::platform::PortableShellLink again;
  if (again.Load("C:\\out.lnk") != qm::platform::kLinkOk) std::abort();
  std::string target2, arguments2;
  again.GetPath(&target2);
  again.GetArguments(&arguments2);
  if (target2 != target || arguments2 != arguments) {
    std::fprintf(stderr, "round trip changed the link:\n  target [%s] -> [%s]\n  arguments [%s] -> [%s]\n",
                 target.c_str(), target2.c_str(), arguments.c_str(), arguments2.c_str());
    std::abort();
  }
  return 0;
}
