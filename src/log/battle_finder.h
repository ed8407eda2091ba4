// The battle finder: reads a log's lines and finds its battles (a link to a
// level file starts one, times are collected, a stop word, another level's
// link or the end of the log closes it), with the announcer and stop rules.
// It knows nothing of the console: whatever happens to a found battle, and
// the level asked next in level-by-level mode, is the caller's affair.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "log/byte_source.h"
#include "log/log_format.h"
#include "log/time_entry.h"

namespace vexlane {

// One battle as the log shows it, closed with at least one time.
struct FoundBattle {
  int event = 0;  // counts battles with times, from 1
  std::string level;
  std::string starter;  // the nick credited with starting it; may be empty
  std::string start_stamp;
  std::string end_stamp;
  std::string date;  // of the line that started it ("2024-11-12"), or empty
  std::vector<TimeEntry> times;  // every time posted, in log order
};

// What the finder needs from the layers above it.
class FinderClient {
 public:
  virtual ~FinderClient() = default;

  // A battle with times has closed. `*battle` is the caller's to change or
  // move from; the finder clears it afterwards.
  virtual void BattleFound(FoundBattle* battle) = 0;

  // Level-by-level mode: the level for event `event`. Asked before the first
  // pass (event 1, `force` clear: `*level` holds the first level), after
  // each added battle, and with `force` set after a pass that did not find
  // the level. False ends the scan.
  virtual bool NextLevel(int event, std::string* level, bool force) = 0;

  // Level-by-level mode: a whole pass over the log did not start a battle
  // of the asked level.
  virtual void LevelNotFound(const std::string& level) = 0;
};

// Receives the finder's explanation of what it read, one event a call:
// where in the log (the part's name and the line number in it) and what
// happened, in plain words.
class FinderTrace {
 public:
  virtual ~FinderTrace() = default;
  virtual void Event(std::string_view log, std::size_t line,
                     std::string_view text) = 0;
};

struct FinderOptions {
  bool automatic = true;    // every battle; else level by level
  std::string first_level;  // level-by-level mode: the first level asked
  LogFormat format = LogFormat::kClassic;  // how the log's lines are read
  FinderTrace* trace = nullptr;            // explains every decision when set
};

struct FinderStats {
  std::size_t lines = 0;  // lines read, over every pass
};

// Scans the log made of `parts`, read in order as one log (a battle may
// start in one part and stop in the next; each level-by-level pass reads
// them all again from the first), and hands every battle with times to
// `*client`. Returns the number of battles handed over. A log that cannot
// be opened is the caller's to check before; a read error ends its part.
int FindBattles(const std::vector<ByteSource*>& parts,
                const FinderOptions& options, FinderClient* client,
                FinderStats* stats = nullptr);

}  // namespace vexlane
