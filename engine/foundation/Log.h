#pragma once
// CLog: the system's one log file, a text file beside the main program named
// after its executable with ".log". Each call opens, appends and closes, so a
// line is on disk as soon as the call returns. The log never reports its own
// failures and never interrupts its caller.
#include <string>

#include "platform/KelvrinApi.h"

namespace qm {

class KELVRIN_API CLog {
 public:
  CLog() {}
  CLog(const CLog&) {}
  CLog& operator=(const CLog&) { return *this; }
  virtual ~CLog() {}

  // Opens or creates the file and appends the start header; the title and
  // OS blocks only go into an empty file.
  static void Setup();
  // "--- Error : " + message, one line, only if the file exists.
  static void Error(std::string message);
  // The message alone, one line, only if the file exists.
  static void Message(std::string message);

  // The running program's folder joined with a file name; with an empty name
  // the folder without a trailing backslash; empty if the path has no folder.
  static std::string GetProgramPathWith(const std::string& name);

  // The names of the running application: the application name for the title
  // block and the executable's base name for the file name (the program gives
  // those of platform/Identity.h). Until it sets them both follow the executable.
  static void SetApplicationNames(const std::string& appName, const std::string& exeName);
  static std::string ApplicationName();

  // The header parts, exposed for the program's own use and for tests.
  static std::string DateText();
  static std::string TimeText();
  static std::string OsBlock();

 private:
  static std::string LogFilePath();
  static void Append(const std::string& text, bool create);
  static void AppName(std::string* file);
  static void OS(std::string* file);
  static void Date(std::string* file);
  static void Time(std::string* file);
};

}  // namespace qm
