#pragma once
// A desired state for fleet tools: a JSON file that names entries and whether
// each should start (and, optionally, what it starts). "check" compares the
// machine with it; "apply" makes the machine so. Entries the file does not
// name are never touched.
//
//   {"entries": [
//     {"kind": "startup", "scope": "machine", "name": "Updater", "start": false},
//     {"kind": "shortcut", "scope": "user", "name": "Notes", "start": true,
//      "command": "C:\\Tools\\notes.exe -min"},
//     {"kind": "service", "scope": "machine", "view": "32", "name": "Spooler", "start": true}]}
//
// The file may also be the array alone, such as "qmctl list --json" writes
// ("flag": 0 or 1 stands for "start"; members this file does not know are passed over).
#include <ostream>
#include <string>

namespace qm::admin {

// Exit 0 when every entry the file names is as it says, 3 with the
// differences (as JSON with json), 2 for a bad file; changes nothing.
int CheckState(const std::string& file, bool json, std::ostream& out, std::ostream& err);
// Makes every entry the file names as it says and prints each change: 0 done
// (also with nothing to change), 1 when a change failed or a policy forbids
// one (then nothing is changed), 2 for a bad file (nothing is changed).
int ApplyState(const std::string& file, std::ostream& out, std::ostream& err);

}  // namespace qm::admin
