#pragma once
// What each start of an entry cost, and how long an entry waits after the
// log-on before the tray part starts it.
//
// The last few starts of every entry are kept per user (HKCU), under the
// Selections key of the entry's kind, in a key of the entry's root
// ("Impact\user", "Impact\machine", "Impact\machine 32" ...), one text value
// named like the entry. An entry's delay is kept beside its flag: a DWORD of
// seconds under the flag's Selections key, in its "Delays" subkey. Both go
// with the entry when it is removed; a rename carries the delay and forgets
// the starts, which belonged to the entry as it was.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/catalog/Catalog.h"
#include "platform/KelvrinApi.h"
#include "platform/Processes.h"

namespace qm::catalog {

// How long a start is watched: its first minute, or until it ends.
inline constexpr std::uint64_t kWatchMilliseconds = 60000;
// How many starts of an entry are kept.
inline constexpr std::size_t kKeptStarts = 5;
// The longest delay an entry can be given: one hour.
inline constexpr int kLongestDelay = 3600;

struct StartRecord {
  enum class State { Measured, NotMeasured, Pending };
  State state = State::NotMeasured;
  std::uint64_t created = 0;  // the process's creation (FILETIME), 0 when there was none to see
  std::uint64_t cpuMicroseconds = 0;
  std::uint64_t bytesRead = 0;
  std::uint64_t bytesWritten = 0;
  std::uint64_t peakWorkingSet = 0;
  std::int64_t idleMilliseconds = -1;  // -1: never seen waiting for input (no window, or not watched from its start)
  std::uint64_t watchedMilliseconds = 0;
  int flag = 0;   // the entry's flag at the start
  int delay = 0;  // the entry's delay at the start, seconds
  std::uint32_t processId = 0;  // Pending: the process another run of the program watches on
};

enum class ImpactClass { Low, Medium, High };

// The kept starts, newest first.
KELVRIN_API std::vector<StartRecord> StartsOf(const EntryRef& ref);
// Keeps a start: one Pending of the same process is replaced, else it goes
// first and the oldest beyond kKeptStarts go.
KELVRIN_API bool RecordStart(const EntryRef& ref, const StartRecord& start);
KELVRIN_API void ForgetStarts(const EntryRef& ref);

// Seconds after the log-on; 0 (none) where nothing is kept.
KELVRIN_API int DelayOf(const EntryRef& ref);
// 0 takes the delay away; false for a delay out of 0..kLongestDelay or one that cannot be written.
KELVRIN_API bool SetDelay(const EntryRef& ref, int seconds);
// After an entry moved from `from` to `to`: its delay goes along, its starts are forgotten.
KELVRIN_API void FollowEntry(const EntryRef& from, const EntryRef& to);
// After an entry went.
KELVRIN_API void ForgetEntry(const EntryRef& ref);

// High from 1 s of CPU or 3 MB read and written together; medium from 0.3 s
// or 0.3 MB; low below both. The help says the same.
KELVRIN_API ImpactClass ClassOf(const StartRecord& start);
KELVRIN_API const char* ClassName(ImpactClass impact);  // "high", "medium", "low"
// "0.42", seconds with two decimals; "12.3", megabytes (10^6 bytes) with one.
KELVRIN_API std::string Seconds(std::uint64_t microseconds);
KELVRIN_API std::string Megabytes(std::uint64_t bytes);
// The line the field and the tip show for the newest start (none: "not measured").
KELVRIN_API std::string DescribeLastStart(const EntryRef& ref);
// The line about the delay; empty for none.
KELVRIN_API std::string DescribeDelay(int seconds);

// The starts being watched in this run of the program.
class KELVRIN_API StartWatch {
 public:
  StartWatch();
  ~StartWatch();
  StartWatch(const StartWatch&) = delete;
  StartWatch& operator=(const StartWatch&) = delete;

  // A start just made; without a process (Windows starts it, or the platform
  // holds none) it is kept as not measured at once.
  void Add(const EntryRef& ref, std::unique_ptr<platform::IStartedProcess> process, int flag, int delay);
  // Reads every watched process; each that ended or has had its minute is kept and let go.
  void Poll();
  bool Busy() const { return !watched_.empty(); }
  // Whether the latest start has stopped starting: it ended, waited for input,
  // has no window, or had its minute. True with nothing watched.
  bool LatestSettled() const;
  // For a run that ends before its starts had their minute: each is kept
  // Pending with its process id, for Resume in the next run, and let go.
  void Park();
  // Watches again every Pending start of this user's records; one whose
  // process is gone (or whose id now names another) is kept as not measured.
  void Resume();

 private:
  struct Watched;
  void Keep(Watched& watched, bool measured);
  std::vector<std::unique_ptr<Watched>> watched_;
  const Watched* latest_ = nullptr;
};

}  // namespace qm::catalog
