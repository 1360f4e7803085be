#include "platform/win32/Win32FileSystem.h"

#include <windows.h>

#include "platform/win32/Handles.h"

namespace qm::platform {
namespace {

FsResult FromLastError() {
  DWORD error = ::GetLastError();
  return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? FsResult::NotFound : FsResult::Failed;
}

bool WriteAllBytes(HANDLE file, const char* data, std::size_t size) {
  while (size > 0) {
    DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

}  // namespace

bool Win32FileSystem::Exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32FileSystem::ExistsForShell(const std::string& path) {
  // Only this thread, only for this one look: every other file call of a
  // 32-bit program keeps the folders Windows gives it.
  PVOID redirection = nullptr;
  const BOOL off = ::Wow64DisableWow64FsRedirection(&redirection);
  const bool exists = Exists(path);
  if (off) ::Wow64RevertWow64FsRedirection(redirection);
  return exists;
}

bool Win32FileSystem::IsDirectory(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::Size(const std::string& path, std::uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

FsResult Win32FileSystem::ReadAll(const std::string& path, std::vector<std::uint8_t>& data) {
  win32::FileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FromLastError();
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) return FsResult::Failed;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD done = 0;
  std::size_t total = 0;
  while (total < bytes.size()) {
    if (!::ReadFile(file.Get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &done, nullptr))
      return FsResult::Failed;
    if (done == 0) break;
    total += done;
  }
  bytes.resize(total);
  data = std::move(bytes);
  return FsResult::Ok;
}

FsResult Win32FileSystem::WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) {
  win32::FileHandle file(
      ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FromLastError();
  return WriteAllBytes(file.Get(), reinterpret_cast<const char*>(data.data()), data.size()) ? FsResult::Ok
                                                                                            : FsResult::Failed;
}

FsResult Win32FileSystem::Append(const std::string& path, const std::string& bytes, bool create) {
  win32::FileHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                       create ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return FromLastError();
  return WriteAllBytes(file.Get(), bytes.data(), bytes.size()) ? FsResult::Ok : FsResult::Failed;
}

FsResult Win32FileSystem::Delete(const std::string& path) {
  return ::DeleteFileA(path.c_str()) ? FsResult::Ok : FromLastError();
}

FsResult Win32FileSystem::Move(const std::string& from, const std::string& to, bool replaceExisting) {
  DWORD flags = MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
  return ::MoveFileExA(from.c_str(), to.c_str(), flags) ? FsResult::Ok : FromLastError();
}

FsResult Win32FileSystem::MakeDirectory(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) ? FsResult::Ok : FromLastError();
}

bool Win32FileSystem::List(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& entries) {
  entries.clear();
  std::string query = folder;
  if (!query.empty() && query.back() != '\\') query += '\\';
  query += pattern;
  WIN32_FIND_DATAA found{};
  win32::FindHandle search(::FindFirstFileA(query.c_str(), &found));
  if (!search) {
    // An empty match in a readable folder is not a failure.
    return ::GetLastError() == ERROR_FILE_NOT_FOUND && IsDirectory(folder);
  }
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    // FindFirstFile also matches the 8.3 short name ("a.lnkx" answers
    // "*.lnk" as A~1.LNK); only the long name counts.
    if (!WildcardMatch(pattern, name)) continue;
    entries.push_back(DirEntry{name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (::FindNextFileA(search.Get(), &found));
  return true;
}

}  // namespace qm::platform
