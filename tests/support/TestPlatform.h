#pragma once
// A whole portable platform for one test: an in-memory registry, a temporary
// folder mapped as drive C:, our own shell-link reader and writer over it,
// and fixed system information with the program installed at
// C:\Program Files\Quill Moor\Quillmoor.exe. Everything is put back when
// the object goes.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/foundation/Registry.h"
#include "platform/FileSystem.h"
#include "platform/RegistryStore.h"
#include "platform/ShellLink.h"
#include "platform/SystemInfo.h"
#include "platform/portable/FixedSystemInfo.h"
#include "platform/portable/MappedFileSystem.h"
#include "platform/portable/MemoryRegistryStore.h"
#include "platform/portable/ShellLinkFile.h"

namespace qm::test {

inline constexpr char kProgramFolder[] = "C:\\Program Files\\Quill Moor";
// The user's temporary folder, as the fixed system information names it.
inline constexpr char kTempFolder[] = "C:\\Users\\ann\\Temp";

class TestPlatform {
 public:
  TestPlatform();
  ~TestPlatform();
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;

  platform::MemoryRegistryStore registry;
  platform::MappedFileSystem files;
  platform::FixedSystemInfo system;
  platform::PortableShellLink link;

  // The host folder behind C:\.
  const std::string& DriveC() const { return driveC_; }
  std::string Host(const std::string& windowsPath) const { return *files.HostPath(windowsPath); }

  // Files, by Windows path.
  void WriteFile(const std::string& path, const std::string& bytes);
  std::string ReadFile(const std::string& path) const;  // empty if missing
  bool FileExists(const std::string& path) const;
  void MakeFolder(const std::string& path);

  // Registry, by root and key path; keys are created as needed.
  void SetText(RegKey root, const std::string& key, const std::string& name, const std::string& text);
  void SetNumber(RegKey root, const std::string& key, const std::string& name, std::uint32_t number);
  bool HasValue(RegKey root, const std::string& key, const std::string& name);
  std::string Text(RegKey root, const std::string& key, const std::string& name);  // "<missing>" if absent
  std::int64_t Number(RegKey root, const std::string& key, const std::string& name);  // -1 if absent
  std::vector<std::string> Names(RegKey root, const std::string& key);

  // The log file of the program, as written on disk.
  std::string LogPath() const { return std::string(kProgramFolder) + "\\Quillmoor.log"; }
  std::string Log() const { return ReadFile(LogPath()); }
  // Creates the log file so that Error and Message lines are kept.
  void StartLog();
  // The log's lines after the header, without their CR LF.
  std::vector<std::string> LogLines() const;

 private:
  std::string driveC_;
  platform::ScopedService<platform::IRegistryStore> registrySlot_;
  platform::ScopedService<platform::IFileSystem> filesSlot_;
  platform::ScopedService<platform::ISystemInfo> systemSlot_;
  platform::ScopedService<platform::ILinkObject> linkSlot_;
};

}  // namespace qm::test
