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
  // The link that started it, as the line gave it (LevelLinkOf); empty when
  // it was started without one.
  std::string link;
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

  // Asked first when a battle with times has closed: false leaves it out,
  // and the events are numbered as if it were not in the log.
  virtual bool Keeps(const FoundBattle& /*battle*/) { return true; }

  // A battle with times has closed and is kept. `*battle` is the caller's
  // to change or move from; the finder clears it afterwards.
  virtual void BattleFound(FoundBattle* battle) = 0;

  // Level-by-level mode: the level for event `event`. Asked before the first
  // pass (event 1, `force` clear: `*level` holds the first level), after
  // each added battle, and with `force` set after a pass that did not find
  // the level. False ends the scan.
  virtual bool NextLevel(int event, std::string* level, bool force) = 0;

  // Level-by-level mode: a whole pass over the log did not start a battle
  // of the asked level.
  virtual void LevelNotFound(const std::string& level) = 0;

  // A followed log: every line the client has written so far has been
  // read, and the scan waits for more. A battle still running stays open.
  virtual void CaughtUp() {}

  // The lines from here on begin a file: each part of the log, and each
  // new file of a followed log (a rotation). What was handed over before
  // stays, whatever becomes of that file.
  virtual void FileBegins() {}
  // A followed log's file begun last is read again from its start (it was
  // changed in place, or cut): the battles handed over since FileBegins
  // are void and are found again as the file is read; the scan is back
  // where it was then.
  virtual void FileReadAgain() {}
};

// One decision of the finder, for the explanation: what happened on which
// line. The views live for the call only; the wording is the caller's.
struct FinderEvent {
  enum class Kind {
    kStart,       // the battle of `level` starts on a link `nick` posted
    kCredit,      // an announcement credits `starter` with `level`
    kTime,        // `nick` posted `text`, read as `*time`
    kReplaces,    // `nick`'s post replaces the one at line `number`
    kNotATime,    // `nick` posted `text`, which looks like a time but is not
    kStop,        // `nick` said `text`, holding `word`: `level` ends
    kEndOfLog,    // the end of the log ends `level`
    kOtherLevel,  // a link to `new_level` ends `level`
    kDropped,     // `level` closed with no times
    kAdded,       // `level` is added as event `number` with `count` times
    kLeftOut,     // `level`, closed with times, is left out by the caller
    kNotCounted,  // `nick` posted `text`, a time after `level` ended at line
                  // `number` (by `ended_by` saying `ended_text`)
  };
  // Who was credited with a battle (kStart), or why the speaker may stop
  // it (kStop).
  enum class Who {
    kNobody,        // kStart: nobody spoke before it; kStop: nobody is
                    // credited, so anybody may stop it
    kAnnouncement,  // kStart: an announcement at `announced_in` line
                    // `number`
    kLastSpeaker,   // kStart: the last speaker before the link
    kStarter,       // kStop: the speaker started the battle
    kBot,           // kStop: a bot, which may stop any battle
    kPrivileged,    // kStop: a nick that may stop any battle
  };

  Kind kind = Kind::kStart;
  std::string_view log;   // the part of the log, as its source names it
  std::size_t line = 0;   // the line number in that part
  std::string_view nick;  // who said the line; empty for a line with none
  std::string_view text;  // what was said (the whole line when no message)
  std::string_view level;
  std::string_view new_level;
  std::string_view starter;
  std::string_view announced_in;
  std::string_view word;  // "STOP" or "END"
  std::string_view ended_by;
  std::string_view ended_text;
  std::size_t number = 0;
  std::size_t count = 0;
  Who who = Who::kNobody;
  bool link_like = false;  // kNotATime: the line holds ".lev", ".rec" or
                           // "http"
  const TimeEntry* time = nullptr;  // kTime and kNotCounted
};

// Receives the finder's explanation of what it read, one event a call.
class FinderTrace {
 public:
  virtual ~FinderTrace() = default;
  virtual void Event(const FinderEvent& event) = 0;
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
// `*client`. The last part may be a followed log (FollowedFile): the scan
// then ends when its following does, and tells the client each time it
// has caught up with the log. Returns the number of battles handed over. A log
// that cannot be opened is the caller's to check before; a read error ends its
// part.
int FindBattles(const std::vector<ByteSource*>& parts,
                const FinderOptions& options, FinderClient* client,
                FinderStats* stats = nullptr);

}  // namespace vexlane
