#pragma once
// Every key and value name of Quill Moor's own registry area, the stored
// location under the product key, and the Windows keys the engines read.
// Spelled once here; the engines, the dialogs, the tools and the program use
// these names and nothing else.
namespace qm {

// The product key (under HKCU and HKLM alike).
inline constexpr char kProductKey[] = "Software\\Tarnwick\\Quill Moor";

// The stored locations and their flags.
inline constexpr char kStoredRunKey[] = "Software\\Tarnwick\\Quill Moor\\Run";
inline constexpr char kStoredRunSelectionsKey[] = "Software\\Tarnwick\\Quill Moor\\Run\\Selections";
inline constexpr char kStoredRunServicesKey[] = "Software\\Tarnwick\\Quill Moor\\RunServices";
inline constexpr char kStoredRunServicesSelectionsKey[] = "Software\\Tarnwick\\Quill Moor\\RunServices\\Selections";
inline constexpr char kStoredShcKey[] = "Software\\Tarnwick\\Quill Moor\\Shc";
inline constexpr char kStoredShcSelectionsKey[] = "Software\\Tarnwick\\Quill Moor\\Shc\\Selections";

// REG_DWORD 1 under the product key of a root while every stored entry of that
// kind stands returned where Windows reads it (see ReturnedMark.h).
inline constexpr char kRunReturnedMark[] = "Run Entries Returned";
inline constexpr char kRunServicesReturnedMark[] = "RunServices Entries Returned";
inline constexpr char kShcReturnedMark[] = "Shc Entries Returned";

// The interface theme chosen last (HKCU).
inline constexpr char kThemeValue[] = "Theme";
// HKCU, REG_DWORD: what the user's last "/cleanup" found when it tried to
// write the machine's places: 1 it could, 0 it could not (User Account
// Control filtered it). Missing: no "/cleanup" has run since the take.
inline constexpr char kMachineReturnsValue[] = "Machine Returns";
// HKCU, REG_DWORD: which word about the account's rights the normal start
// has said once (1: a standard user's, 2: how to choose the machine's entries).
inline constexpr char kRightsToldValue[] = "Rights Told";

// Where Windows reads the entries.
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunServicesKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// Where Windows' own startup settings keep each entry switched on or off
// (binary values named like the entry; first byte 2 or 6 on, anything else
// off). Run32 holds the entries of the 32-bit view's HKLM Run. Read only.
inline constexpr char kApprovedRunKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
inline constexpr char kApprovedRun32Key[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";
inline constexpr char kApprovedStartupFolderKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";
inline constexpr char kShellFoldersKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace qm
