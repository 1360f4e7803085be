#include "engine/foundation/Log.h"

#include <cstdio>
#include <cstdint>

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"

namespace qm {
namespace {

using platform::FsResult;
using platform::IFileSystem;
using platform::ISystemInfo;

const char* const kMonths[] = {"January", "Febuary", "March",     "April",   "May",      "June",
                               "July",    "August",  "September", "October", "November", "December"};

const char kEqualsRule[] = "==========================================================";
const char kDashRule[] = "----------------------------------------------------------";

std::string g_appName;
std::string g_exeName;

std::string ReplaceUnknown(const std::string& pattern, const std::string& text) {
  std::string result = pattern;
  result.replace(result.find("Unknown"), 7, text);
  return result;
}

// The file is written in text mode: every "\n" reaches the disk as CR LF.
std::string ToTextMode(const std::string& text) {
  std::string converted;
  converted.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\n') converted += '\r';
    converted += c;
  }
  return converted;
}

std::string ProgramFile() {
  ISystemInfo* system = platform::Current<ISystemInfo>();
  return system ? system->ModuleFileName() : std::string();
}

std::string ExecutableBaseName() {
  std::string path = ProgramFile();
  std::size_t slash = path.find_last_of('\\');
  std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  std::size_t dot = file.find_last_of('.');
  return dot == std::string::npos ? file : file.substr(0, dot);
}

}  // namespace

void CLog::SetApplicationNames(const std::string& appName, const std::string& exeName) {
  g_appName = appName;
  g_exeName = exeName;
}

std::string CLog::ApplicationName() { return g_appName.empty() ? ExecutableBaseName() : g_appName; }

std::string CLog::GetProgramPathWith(const std::string& name) {
  std::string path = ProgramFile();
  std::size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return std::string();
  if (name.empty()) return path.substr(0, slash);
  return path.substr(0, slash + 1) + name;
}

std::string CLog::LogFilePath() {
  std::string base = g_exeName.empty() ? ExecutableBaseName() : g_exeName;
  if (base.empty()) return std::string();
  return GetProgramPathWith(base + ".log");
}

void CLog::Append(const std::string& text, bool create) {
  IFileSystem* files = platform::Current<IFileSystem>();
  std::string path = LogFilePath();
  if (!files || path.empty()) return;
  files->Append(path, ToTextMode(text), create);
}

void CLog::Setup() {
  IFileSystem* files = platform::Current<IFileSystem>();
  std::string path = LogFilePath();
  if (!files || path.empty()) return;
  std::string header;
  std::uint64_t size = 0;
  // A file that is not there yet, or is there and empty, gets the title and OS blocks.
  if (!files->Size(path, size) || size == 0) {
    if (files->Exists(path) && files->IsDirectory(path)) return;
    AppName(&header);
    OS(&header);
  }
  Date(&header);
  Time(&header);
  files->Append(path, ToTextMode(header), true);
}

void CLog::Error(std::string message) { Append("--- Error : " + message + "\n", false); }

void CLog::Message(std::string message) { Append(message + "\n", false); }

void CLog::AppName(std::string* file) {
  if (!file) return;
  *file += std::string(kEqualsRule) + "\n";
  *file += ReplaceUnknown("Unknown Log File", ApplicationName());
  *file += "\n" + std::string(kEqualsRule) + "\n\n";
}

std::string CLog::OsBlock() {
  std::string platformLine = "Operating System Platform : Undetermined";
  std::string infoLine = "Additional OS Information : None";
  platform::OsVersion version;
  ISystemInfo* system = platform::Current<ISystemInfo>();
  if (system && system->Version(version)) {
    if (version.platformId == 0) {
      platformLine = "Operating System Platform : Microsoft Windows 3.1";
    } else if (version.platformId == 1) {
      if (version.minor == 0) platformLine = "Operating System Platform : Microsoft Windows 95";
      else if (version.minor == 10) platformLine = "Operating System Platform : Microsoft Windows 98";
      else if (version.minor == 90) platformLine = "Operating System Platform : Microsoft Windows ME";
    } else if (version.platformId == 2) {
      char line[96];
      std::snprintf(line, sizeof(line), "Operating System Platform : Microsoft Windows NT %u.%u", version.major,
                    version.minor);
      platformLine = line;
    }
    if (!version.servicePack.empty() && version.servicePack[0] != ' ') {
      infoLine = "Additional OS Information : " + version.servicePack;
    }
  }
  return platformLine + "\n" + infoLine + "\n";
}

void CLog::OS(std::string* file) {
  if (file) *file += OsBlock();
}

std::string CLog::DateText() {
  ISystemInfo* system = platform::Current<ISystemInfo>();
  platform::LocalTime now = system ? system->Now() : platform::LocalTime{};
  const char* month = (now.month >= 1 && now.month <= 12) ? kMonths[now.month - 1] : "";
  char text[64];
  std::snprintf(text, sizeof(text), "%02d %s %04d", now.day, month, now.year);
  return text;
}

std::string CLog::TimeText() {
  ISystemInfo* system = platform::Current<ISystemInfo>();
  platform::LocalTime now = system ? system->Now() : platform::LocalTime{};
  char text[64];
  std::snprintf(text, sizeof(text), "%d : %d : %d", now.hour, now.minute, now.second);
  return text;
}

void CLog::Date(std::string* file) {
  if (!file) return;
  *file += "\n" + std::string(kDashRule) + "\n";
  *file += ReplaceUnknown("Date : Unknown", DateText());
  *file += "\n";
}

void CLog::Time(std::string* file) {
  if (!file) return;
  *file += ReplaceUnknown("Time : Unknown", TimeText());
  *file += "\n" + std::string(kDashRule) + "\n\n";
}

}  // namespace qm
