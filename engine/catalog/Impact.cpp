#include "engine/catalog/Impact.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <utility>

#include "engine/foundation/Log.h"
#include "engine/foundation/WholeValues.h"
#include "platform/Text.h"

namespace qm::catalog {
namespace {

constexpr char kImpactSubkey[] = "\\Impact\\";
constexpr char kDelaysSubkey[] = "\\Delays";
constexpr std::uint64_t kMegabyte = 1000 * 1000;

constexpr std::uint64_t kHighCpu = 1000 * 1000, kMediumCpu = 300 * 1000;    // microseconds
constexpr std::uint64_t kHighBytes = 3 * kMegabyte, kMediumBytes = 300 * 1000;

// Where this user keeps the starts of the entries of one row.
std::string StartsKeyOf(const EntryRef& ref) {
  const Location* row = ref.Row();
  if (!row) return "";
  std::string tag = ScopeName(ref.root);
  if (*ViewName(ref.root)) tag += std::string(" ") + ViewName(ref.root);
  return std::string(row->selectionsKey) + kImpactSubkey + tag;
}

std::string DelaysKeyOf(const EntryRef& ref) {
  const Location* row = ref.Row();
  return row ? std::string(row->selectionsKey) + kDelaysSubkey : std::string();
}

const char* StateWord(StartRecord::State state) {
  switch (state) {
    case StartRecord::State::Measured: return "measured";
    case StartRecord::State::Pending: return "pending";
    case StartRecord::State::NotMeasured: break;
  }
  return "unmeasured";
}

// One start as one line of words: its state, then every figure.
std::string Format(const StartRecord& start) {
  std::ostringstream line;
  line << StateWord(start.state) << ' ' << start.created << ' ' << start.cpuMicroseconds << ' ' << start.bytesRead
       << ' ' << start.bytesWritten << ' ' << start.peakWorkingSet << ' ' << start.idleMilliseconds << ' '
       << start.watchedMilliseconds << ' ' << start.flag << ' ' << start.delay << ' ' << start.processId;
  return line.str();
}

bool Parse(const std::string& text, StartRecord* start) {
  std::istringstream line(text);
  std::string state;
  StartRecord read;
  if (!(line >> state >> read.created >> read.cpuMicroseconds >> read.bytesRead >> read.bytesWritten >>
        read.peakWorkingSet >> read.idleMilliseconds >> read.watchedMilliseconds >> read.flag >> read.delay >>
        read.processId))
    return false;
  if (state == "measured")
    read.state = StartRecord::State::Measured;
  else if (state == "pending")
    read.state = StartRecord::State::Pending;
  else if (state == "unmeasured")
    read.state = StartRecord::State::NotMeasured;
  else
    return false;
  *start = read;
  return true;
}

std::vector<StartRecord> ParseAll(const std::string& text) {
  std::vector<StartRecord> starts;
  std::istringstream lines(text);
  std::string line;
  // A line that cannot be read is left out, never guessed at.
  while (std::getline(lines, line, ';')) {
    StartRecord start;
    if (Parse(line, &start)) starts.push_back(start);
  }
  return starts;
}

bool WriteAll(const EntryRef& ref, const std::vector<StartRecord>& starts) {
  std::string key = StartsKeyOf(ref), text;
  if (key.empty()) return false;
  for (const StartRecord& start : starts) text += (text.empty() ? "" : ";") + Format(start);
  return WriteWholeValue(HKeyCurrentUser, key.c_str(), ref.name, platform::kRegSz, TextData(text));
}

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return text;
}

}  // namespace

std::vector<StartRecord> StartsOf(const EntryRef& ref) {
  std::string key = StartsKeyOf(ref);
  WholeValue value;
  if (key.empty() || !ReadWholeValue(HKeyCurrentUser, key.c_str(), ref.name, &value)) return {};
  return ParseAll(TextOf(value.data));
}

bool RecordStart(const EntryRef& ref, const StartRecord& start) {
  std::vector<StartRecord> starts = StartsOf(ref);
  bool replaced = false;
  for (StartRecord& kept : starts)
    if (kept.state == StartRecord::State::Pending && kept.processId == start.processId &&
        kept.created == start.created) {
      kept = start;
      replaced = true;
      break;
    }
  if (!replaced) starts.insert(starts.begin(), start);
  if (starts.size() > kKeptStarts) starts.resize(kKeptStarts);
  return WriteAll(ref, starts);
}

void ForgetStarts(const EntryRef& ref) {
  std::string key = StartsKeyOf(ref);
  if (!key.empty()) DeleteWholeValue(HKeyCurrentUser, key.c_str(), ref.name);
}

int DelayOf(const EntryRef& ref) {
  std::string key = DelaysKeyOf(ref);
  std::uint32_t seconds = 0;
  if (key.empty() || !CRegistry().GetValue(ref.root, key.c_str(), ref.name.c_str(), &seconds)) return 0;
  return seconds > static_cast<std::uint32_t>(kLongestDelay) ? kLongestDelay : static_cast<int>(seconds);
}

bool SetDelay(const EntryRef& ref, int seconds) {
  std::string key = DelaysKeyOf(ref);
  if (key.empty() || seconds < 0 || seconds > kLongestDelay) return false;
  if (seconds == 0) return DeleteWholeValue(ref.root, key.c_str(), ref.name);
  return WriteWholeValue(ref.root, key.c_str(), ref.name, platform::kRegDword,
                         NumberData(static_cast<std::uint32_t>(seconds)));
}

void FollowEntry(const EntryRef& from, const EntryRef& to) {
  if (SameEntry(from, to)) return;
  int delay = DelayOf(from);
  if (delay > 0 && !SetDelay(to, delay)) CLog::Error("Unable to carry the delay of " + from.name);
  SetDelay(from, 0);
  ForgetStarts(from);
}

void ForgetEntry(const EntryRef& ref) {
  SetDelay(ref, 0);
  ForgetStarts(ref);
}

ImpactClass ClassOf(const StartRecord& start) {
  const std::uint64_t bytes = start.bytesRead + start.bytesWritten;
  if (start.cpuMicroseconds >= kHighCpu || bytes >= kHighBytes) return ImpactClass::High;
  if (start.cpuMicroseconds >= kMediumCpu || bytes >= kMediumBytes) return ImpactClass::Medium;
  return ImpactClass::Low;
}

const char* ClassName(ImpactClass impact) {
  switch (impact) {
    case ImpactClass::High: return "high";
    case ImpactClass::Medium: return "medium";
    case ImpactClass::Low: break;
  }
  return "low";
}

std::string Seconds(std::uint64_t microseconds) { return Fixed(microseconds / 1e6, 2); }
std::string Megabytes(std::uint64_t bytes) { return Fixed(bytes / 1e6, 1); }

std::string DescribeLastStart(const EntryRef& ref) {
  std::vector<StartRecord> starts = StartsOf(ref);
  if (starts.empty() || starts.front().state == StartRecord::State::NotMeasured) return "Last start: not measured";
  const StartRecord& last = starts.front();
  if (last.state == StartRecord::State::Pending) return "Last start: being measured";
  std::string text = "Last start: " + Seconds(last.cpuMicroseconds) + " s CPU, " + Megabytes(last.bytesRead) +
                     " MB read, " + Megabytes(last.bytesWritten) + " MB written, " +
                     Megabytes(last.peakWorkingSet) + " MB memory";
  if (last.idleMilliseconds >= 0) text += ", ready after " + Seconds(last.idleMilliseconds * 1000) + " s";
  return text + "; impact " + ClassName(ClassOf(last));
}

std::string DescribeDelay(int seconds) {
  return seconds > 0 ? "Starts " + std::to_string(seconds) + " s after the log-on" : std::string();
}

// ---- the watch ----

struct StartWatch::Watched {
  EntryRef ref;
  std::unique_ptr<platform::IStartedProcess> process;
  StartRecord record;
  bool askIdle = true;    // until it answered Idle or NoWindow
  bool settled = false;   // it stopped starting
  bool fromStart = true;  // watched since it started, or seen busy since: its idle time can be told
};

StartWatch::StartWatch() = default;
StartWatch::~StartWatch() = default;

void StartWatch::Add(const EntryRef& ref, std::unique_ptr<platform::IStartedProcess> process, int flag, int delay) {
  auto watched = std::make_unique<Watched>();
  watched->ref = ref;
  watched->record.flag = flag;
  watched->record.delay = delay;
  if (!process) {
    RecordStart(ref, watched->record);
    latest_ = nullptr;
    return;
  }
  watched->record.created = process->CreationTime();
  watched->record.processId = process->Id();
  watched->process = std::move(process);
  latest_ = watched.get();
  watched_.push_back(std::move(watched));
  Poll();
}

void StartWatch::Keep(Watched& watched, bool measured) {
  watched.record.state = measured ? StartRecord::State::Measured : StartRecord::State::NotMeasured;
  if (!RecordStart(watched.ref, watched.record)) CLog::Error("Unable to keep the start of " + watched.ref.name);
}

void StartWatch::Poll() {
  for (auto it = watched_.begin(); it != watched_.end();) {
    Watched& watched = **it;
    platform::ProcessFigures figures;
    bool read = watched.process->Read(&figures);
    if (read && watched.askIdle && !figures.ended) {
      platform::IdleState idle = watched.process->Idle(0);
      if (idle != platform::IdleState::Busy) watched.askIdle = false;
      // Seen busy, a later idle is the moment it became so.
      if (idle == platform::IdleState::Busy) watched.fromStart = true;
      if (idle == platform::IdleState::Idle && watched.fromStart)
        watched.record.idleMilliseconds = static_cast<std::int64_t>(figures.ageMilliseconds);
    }
    if (read) {
      // Counts only grow: a reading after the end that answers less (a
      // system that forgot the process) never takes back what was seen.
      StartRecord& kept = watched.record;
      kept.cpuMicroseconds = std::max(kept.cpuMicroseconds, figures.cpuMicroseconds);
      kept.bytesRead = std::max(kept.bytesRead, figures.bytesRead);
      kept.bytesWritten = std::max(kept.bytesWritten, figures.bytesWritten);
      kept.peakWorkingSet = std::max(kept.peakWorkingSet, figures.peakWorkingSet);
      kept.watchedMilliseconds = std::max(kept.watchedMilliseconds, figures.ageMilliseconds);
    }
    const bool done = !read || figures.ended || figures.ageMilliseconds >= kWatchMilliseconds;
    watched.settled = watched.settled || done || !watched.askIdle;
    if (!done) {
      ++it;
      continue;
    }
    Keep(watched, read);
    if (latest_ == &watched) latest_ = nullptr;
    it = watched_.erase(it);
  }
}

bool StartWatch::LatestSettled() const { return !latest_ || latest_->settled; }

void StartWatch::Park() {
  Poll();
  for (auto& watched : watched_) {
    watched->record.state = StartRecord::State::Pending;
    if (!RecordStart(watched->ref, watched->record)) CLog::Error("Unable to keep the start of " + watched->ref.name);
  }
  watched_.clear();
  latest_ = nullptr;
}

void StartWatch::Resume() {
  platform::IProcessLauncher* launcher = platform::Current<platform::IProcessLauncher>();
  for (const Location& row : Locations()) {
    EntryRef probe{row.kind, row.root, EntryPlace::Windows, ""};
    std::string key = StartsKeyOf(probe);
    std::vector<WholeValue> values;
    if (key.empty() || !ReadWholeValues(HKeyCurrentUser, key.c_str(), &values)) continue;
    for (const WholeValue& value : values) {
      EntryRef ref = probe;
      ref.name = value.name;
      for (const StartRecord& start : ParseAll(TextOf(value.data))) {
        if (start.state != StartRecord::State::Pending) continue;
        std::unique_ptr<platform::IStartedProcess> process =
            launcher ? launcher->OpenRunning(start.processId, start.created) : nullptr;
        auto watched = std::make_unique<Watched>();
        watched->ref = ref;
        watched->record = start;
        if (!process) {
          // Ended (or gone) before this run could see it: its figures are not known.
          Keep(*watched, false);
          continue;
        }
        watched->process = std::move(process);
        watched->fromStart = false;
        watched_.push_back(std::move(watched));
      }
    }
  }
  Poll();
}

}  // namespace qm::catalog
