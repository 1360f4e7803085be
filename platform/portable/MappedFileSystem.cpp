#include "platform/portable/MappedFileSystem.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/Text.h"

namespace fs = std::filesystem;

namespace qm::platform {

MappedFileSystem::MappedFileSystem(std::map<char, std::string> drives) : drives_(std::move(drives)) {}

void MappedFileSystem::MapDrive(char letter, const std::string& hostFolder) {
  drives_[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] = hostFolder;
}

namespace {

// Our names are UTF-8 (the programs' active code page). A path made from a
// plain string would be read in the C library's own code page on Windows,
// which is not the active one, and names outside ASCII would be mangled; a
// UTF-8 path is read as UTF-8 everywhere.
// Bytes that are not UTF-8 are taken as the C library reads them, and a name
// that cannot be converted either way names nothing: no exception leaves here.
fs::path FromUtf8(const std::string& text) {
  try {
    return fs::path(std::u8string(text.begin(), text.end()));
  } catch (const std::exception&) {
  }
  try {
    return fs::path(text);
  } catch (const std::exception&) {
    return fs::path();
  }
}

std::string ToUtf8(const fs::path& path) {
  try {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  } catch (const std::exception&) {
    return std::string();
  }
}

}  // namespace

std::optional<std::string> MappedFileSystem::HostPath(const std::string& windowsPath) const {
  auto host = Resolve(windowsPath);
  if (!host) return std::nullopt;
  return ToUtf8(*host);
}

std::optional<std::filesystem::path> MappedFileSystem::Resolve(const std::string& windowsPath) const {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
  auto drive = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(windowsPath[0]))));
  if (drive == drives_.end()) return std::nullopt;
  fs::path host = FromUtf8(drive->second);
  std::string rest = windowsPath.substr(2);
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find_first_of("\\/", start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (host != FromUtf8(drive->second)) host = host.parent_path();
      continue;
    }
    // Windows ignores trailing dots and blanks of a name.
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) continue;
    fs::path next = host / FromUtf8(part);
    std::error_code error;
    if (!fs::exists(next, error)) {
      for (fs::directory_iterator it(host, error), end; !error && it != end; it.increment(error)) {
        if (EqualsNoCase(ToUtf8(it->path().filename()), part)) {
          next = it->path();
          break;
        }
      }
    }
    host = next;
  }
  return host;
}

bool MappedFileSystem::Exists(const std::string& path) {
  auto host = Resolve(path);
  std::error_code error;
  return host && fs::exists(*host, error);
}

bool MappedFileSystem::IsDirectory(const std::string& path) {
  auto host = Resolve(path);
  std::error_code error;
  return host && fs::is_directory(*host, error);
}

bool MappedFileSystem::Size(const std::string& path, std::uint64_t& size) {
  auto host = Resolve(path);
  std::error_code error;
  if (!host || !fs::is_regular_file(*host, error)) return false;
  auto bytes = fs::file_size(*host, error);
  if (error) return false;
  size = bytes;
  return true;
}

FsResult MappedFileSystem::ReadAll(const std::string& path, std::vector<std::uint8_t>& data) {
  auto host = Resolve(path);
  std::error_code error;
  if (!host || !fs::exists(*host, error)) return FsResult::NotFound;
  if (!fs::is_regular_file(*host, error)) return FsResult::Failed;
  std::ifstream in(*host, std::ios::binary);
  if (!in) return FsResult::Failed;
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return FsResult::Failed;
  data = std::move(bytes);
  return FsResult::Ok;
}

FsResult MappedFileSystem::WriteAll(const std::string& path, const std::vector<std::uint8_t>& data) {
  if (denied_.Refuses(path)) return FsResult::Failed;
  auto host = Resolve(path);
  std::error_code error;
  if (!host || !fs::is_directory(fs::path(*host).parent_path(), error)) return FsResult::NotFound;
  if (fs::is_directory(*host, error)) return FsResult::Failed;
  std::ofstream out(*host, std::ios::binary | std::ios::trunc);
  if (!out) return FsResult::Failed;
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.close();
  return out ? FsResult::Ok : FsResult::Failed;
}

FsResult MappedFileSystem::Append(const std::string& path, const std::string& bytes, bool create) {
  if (denied_.Refuses(path)) return FsResult::Failed;
  auto host = Resolve(path);
  std::error_code error;
  if (!host) return FsResult::NotFound;
  if (!fs::exists(*host, error) && !create) return FsResult::NotFound;
  if (fs::is_directory(*host, error)) return FsResult::Failed;
  std::ofstream out(*host, std::ios::binary | std::ios::app);
  if (!out) return FsResult::Failed;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return out ? FsResult::Ok : FsResult::Failed;
}

FsResult MappedFileSystem::Delete(const std::string& path) {
  if (denied_.Refuses(path)) return FsResult::Failed;
  auto host = Resolve(path);
  std::error_code error;
  if (!host || !fs::exists(*host, error)) return FsResult::NotFound;
  if (fs::is_directory(*host, error)) return FsResult::Failed;  // DeleteFile does not remove folders
  return fs::remove(*host, error) && !error ? FsResult::Ok : FsResult::Failed;
}

FsResult MappedFileSystem::Move(const std::string& from, const std::string& to, bool replaceExisting) {
  if (denied_.Refuses(from) || denied_.Refuses(to)) return FsResult::Failed;
  auto source = Resolve(from);
  auto target = Resolve(to);
  std::error_code error;
  if (!source || !fs::exists(*source, error)) return FsResult::NotFound;
  if (!target || !fs::is_directory(fs::path(*target).parent_path(), error)) return FsResult::NotFound;
  bool sameFile = fs::exists(*target, error) && fs::equivalent(*source, *target, error);
  if (fs::exists(*target, error) && !sameFile) {
    if (!replaceExisting || fs::is_directory(*target, error)) return FsResult::Failed;
  }
  fs::path destination = *target;
  if (sameFile) {
    // A rename that changes only letter case: the target resolved to the file
    // itself, but the name must take the spelling asked for, as MoveFile does.
    std::string last = to.substr(to.find_last_of("\\/") + 1);
    while (!last.empty() && (last.back() == '.' || last.back() == ' ')) last.pop_back();
    if (!last.empty()) destination = fs::path(*target).parent_path() / FromUtf8(last);
  }
  fs::rename(*source, destination, error);
  return error ? FsResult::Failed : FsResult::Ok;
}

FsResult MappedFileSystem::MakeDirectory(const std::string& path) {
  if (denied_.Refuses(path)) return FsResult::Failed;
  auto host = Resolve(path);
  std::error_code error;
  if (!host) return FsResult::NotFound;
  if (fs::exists(*host, error)) return FsResult::Failed;  // as CreateDirectoryA: already there
  return fs::create_directory(*host, error) ? FsResult::Ok : FsResult::Failed;
}

bool MappedFileSystem::List(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& entries) {
  entries.clear();
  auto host = Resolve(folder);
  std::error_code error;
  if (!host || !fs::is_directory(*host, error)) return false;
  fs::directory_iterator it(*host, error);
  if (error) return false;
  for (fs::directory_iterator end; it != end; it.increment(error)) {
    if (error) return false;
    std::string name = ToUtf8(it->path().filename());
    if (name.empty()) continue;  // a host name no UTF-8 can spell
    if (!WildcardMatch(pattern, name)) continue;
    entries.push_back(DirEntry{name, it->is_directory(error)});
  }
  // NTFS hands out names in alphabetical order without regard to case; do the
  // same so that discovery order is the one a Windows user sees.
  std::stable_sort(entries.begin(), entries.end(),
                   [](const DirEntry& a, const DirEntry& b) { return FoldCase(a.name) < FoldCase(b.name); });
  return true;
}

namespace {

// How many bytes the character at name[n] takes: a lead byte and the
// continuation bytes that follow it, so that '?' stands for one character.
std::size_t CharacterLength(const std::string& name, std::size_t n) {
  std::size_t length = 1;
  if (static_cast<unsigned char>(name[n]) >= 0xC0)
    while (n + length < name.size() && (static_cast<unsigned char>(name[n + length]) & 0xC0) == 0x80 && length < 4)
      ++length;
  return length;
}

bool FoldedMatch(const std::string& pattern, const std::string& name) {
  // FindFirstFile lets a final ".*" match a name without any dot too: "*.*"
  // is every name, folders without an extension included.
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos && FoldedMatch(pattern.substr(0, pattern.size() - 2), name))
    return true;
  // Iterative '*' / '?' match with backtracking to the last star.
  std::size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      n += CharacterLength(name, n);
    } else if (p < pattern.size() && pattern[p] != '*' && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      mark += CharacterLength(name, mark);
      n = mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  // Letter case is folded as everywhere else; the wildcards are plain ASCII
  // and come through the folding unchanged.
  return FoldedMatch(FoldCase(pattern), FoldCase(name));
}

}  // namespace qm::platform
