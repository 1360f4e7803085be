#pragma once
// Who the program is, spelled once: the name the user sees (message box
// titles, the window's caption, the tray tip, the instance mutex, our
// temporary folder) and the file names it goes by in its folder. It lives on
// the platform floor, as the export macro does, so that every layer may read
// it: the platform's message box is titled with the name too. The installer
// and the resource scripts keep their own literal texts.
namespace qm::identity {

// The application's name.
inline constexpr char kApplicationName[] = "Quill Moor";
// The executable's name without ".exe"; the log file is named after it.
inline constexpr char kExecutableName[] = "Quillmoor";
// The program, its log and its help file, in the program's folder.
inline constexpr char kProgramFile[] = "Quillmoor.exe";
inline constexpr char kLogFile[] = "Quillmoor.log";
inline constexpr char kHelpFile[] = "Quillmoor.chm";
// The named mutex the program holds for its whole life; qmctl holds it while
// it changes entries, and the setup program looks for it.
inline constexpr char kInstanceMutex[] = "Quill Moor";
// The event "/cleanup" sets once it has given back what it could: the keeper
// waits for it. In the session's own namespace, as each log-on is its own.
inline constexpr char kCleanupDoneEvent[] = "Local\\Quill Moor Cleanup Done";
// The event the keeper sets once it listens for the end of the pass.
inline constexpr char kKeeperReadyEvent[] = "Local\\Quill Moor Keeper Ready";

}  // namespace qm::identity
