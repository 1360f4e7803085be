#pragma once
// Files and folders, with Windows path semantics everywhere: drive letters,
// backslashes, names matched without regard to letter case. Failures are
// results; no implementation lets an exception escape.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Services.h"

namespace qm::platform {

enum class FsResult { Ok, NotFound, Failed };

struct DirEntry {
  std::string name;  // the name as stored, without folder
  bool isDirectory = false;
};

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;

  // PathFileExistsA: a file or a folder of that path exists.
  virtual bool Exists(const std::string& path) = 0;
  // Whether the file exists as Windows' own shell sees it: the Run entries and
  // startup folders are started by the shell of the machine's own width,
  // while a 32-bit program on 64-bit Windows sees System32 redirected to
  // SysWOW64. Exists where there is no such redirection.
  virtual bool ExistsForShell(const std::string& path) { return Exists(path); }
  virtual bool IsDirectory(const std::string& path) = 0;
  virtual bool Size(const std::string& path, std::uint64_t& size) = 0;

  virtual FsResult ReadAll(const std::string& path, std::vector<std::uint8_t>& data) = 0;
  // Creates the file or empties an existing one, then writes the bytes.
  virtual FsResult WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) = 0;
  // Appends at the end; with create false a missing file gives NotFound and is not made.
  virtual FsResult Append(const std::string& path, const std::string& bytes, bool create) = 0;
  virtual FsResult Delete(const std::string& path) = 0;
  // Renames or moves a file; replaceExisting decides whether a file at the target is replaced.
  virtual FsResult Move(const std::string& from, const std::string& to, bool replaceExisting) = 0;
  virtual FsResult MakeDirectory(const std::string& path) = 0;

  // The entries of a folder whose names match a pattern of '*' and '?'
  // (letter case ignored), in the file system's own order, without "." and "..".
  // False if the folder cannot be read.
  virtual bool List(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& entries) = 0;
};

QM_DECLARE_SERVICE(IFileSystem);

// Pattern match of FindFirstFile's long-name rules, letter case ignored.
KELVRIN_API bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace qm::platform
