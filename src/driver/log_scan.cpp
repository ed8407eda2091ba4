#include "driver/log_scan.h"

#include <cstdint>
#include <cstring>
#include <ostream>
#include <vector>

#include "driver/log_reader.h"
#include "parse/level_names.h"
#include "parse/line_fields.h"
#include "parse/player_names.h"
#include "parse/text.h"
#include "review/time_review.h"

namespace vexlane {

namespace {

// Lines after an announcement during which speakers do not take the credit
// for the next battle away from the announced nick.
constexpr int kAnnouncementLines = 10;

bool IsPrivilegedStopper(std::string_view nick) {
  return nick == "battlebot" || nick == "ballebot" || nick == "quib";
}

// What a line holds of the starts of the words searched for: most lines hold
// no '.' (so no ".lev" or ".rec") and no "by" in any case (so no
// announcement), and skip those searches. No early exit, so that it
// vectorises.
struct Anchors {
  bool dot = false;
  bool by = false;
};
Anchors AnchorsOfShort(const unsigned char* p, std::size_t n) {
  unsigned char dot = 0;
  unsigned char by = 0;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    dot |= static_cast<unsigned char>(p[i] == '.');
    by |= static_cast<unsigned char>(((p[i] | 0x20) == 'b') &
                                     ((p[i + 1] | 0x20) == 'y'));
  }
  if (n > 0) dot |= static_cast<unsigned char>(p[n - 1] == '.');
  return {dot != 0, by != 0};
}

#if defined(__GNUC__)
// Sixteen bytes at a time. The last block ends at the line's end and may
// overlap the one before: the tests only OR their findings together.
Anchors AnchorsOf(std::string_view line) {
  typedef unsigned char Bytes __attribute__((vector_size(16)));
  constexpr std::size_t kWidth = sizeof(Bytes);
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  if (n < kWidth + 1) return AnchorsOfShort(p, n);
  Bytes dot = {};
  Bytes by = {};
  auto test = [&](std::size_t at) {
    Bytes here;
    Bytes next;
    std::memcpy(&here, p + at, kWidth);
    std::memcpy(&next, p + at + 1, kWidth);
    dot |= reinterpret_cast<Bytes>(here == '.');
    by |= reinterpret_cast<Bytes>(((here | 0x20) == 'b') &
                                  ((next | 0x20) == 'y'));
  };
  std::size_t at = 0;
  for (; at + kWidth + 1 <= n; at += kWidth) test(at);
  test(n - kWidth - 1);
  Bytes last_dot;
  std::memcpy(&last_dot, p + n - kWidth, kWidth);
  dot |= reinterpret_cast<Bytes>(last_dot == '.');
  auto any = [](Bytes v) {
    std::uint64_t halves[2];
    std::memcpy(halves, &v, sizeof halves);
    return (halves[0] | halves[1]) != 0;
  };
  return {any(dot), any(by)};
}
#else
Anchors AnchorsOf(std::string_view line) {
  return AnchorsOfShort(reinterpret_cast<const unsigned char*>(line.data()),
                        line.size());
}
#endif

// The word tests of a line, made on its upper-cased copy. Each search runs
// on the word's rarest letter.
bool HoldsBattle(std::string_view upper) {
  return ContainsAnchored(upper, "BATTLE", 0);
}
// These two need no upper-cased copy: most lines hold no '.' at all.
bool HoldsLev(std::string_view line) {
  return FindLevExtension(line) != std::string_view::npos;
}
bool HoldsRec(std::string_view line) {
  return FindIgnoringCase(line, ".REC") != std::string_view::npos;
}
bool HoldsHttp(std::string_view upper) {
  return ContainsAnchored(upper, "HTTP", 3);
}
bool HoldsStopWord(std::string_view upper) {
  return ContainsAnchored(upper, "STOP", 3) ||
         ContainsAnchored(upper, "END", 2);
}

struct BattleScanState {
  bool in_battle = false;
  bool found = false;  // level-by-level: the asked level started a battle
  int event = 1;
  int announcer_countdown = 0;
  std::string announcer;
  std::string by;
  std::string level;
  std::string level_upper;  // what a line must hold to start the asked level
  std::string start_time;
  std::string end_time;
  std::vector<TimeEntry> times;
};

class Scanner {
 public:
  Scanner(const RunSettings& settings, const std::string& first_level,
          RunCollections* run, Console& console)
      : settings_(settings), run_(run), console_(console) {
    state_.level = first_level;
    UpperInto(state_.level, &state_.level_upper);
    state_.times.reserve(100);
  }

  int Run() {
    if (!settings_.automatic_mode &&
        !NextLevelPrompt(console_, state_.event, &state_.level, false)) {
      return 0;
    }
    reader_.Open(settings_.log_file_name);
    std::string_view line;
    for (;;) {
      if (!reader_.Next(&line)) {
        stream_failed_ = true;
        if (state_.times.empty()) {
          if (!EndOfPass()) break;
          continue;
        }
      }
      if (!Examine(line)) break;
    }
    reader_.Close();
    return state_.event - 1;
  }

 private:
  // Returns false when the scan is over; else the log has been reopened.
  bool EndOfPass() {
    if (settings_.automatic_mode || state_.found) return false;
    console_.out << "The level file you asked was not found from the file."
                 << "\n";
    if (!NextLevelPrompt(console_, state_.event, &state_.level, true)) {
      return false;
    }
    Reopen();
    return true;
  }

  void Reopen() {
    UpperInto(state_.level, &state_.level_upper);
    reader_.Open(settings_.log_file_name);
    state_.found = false;
    stream_failed_ = false;
  }

  // The upper-cased copy of the line, made on first use: most lines are
  // decided without it.
  std::string_view Upper() {
    if (!upper_ready_) {
      UpperInto(line_, &upper_);
      upper_ready_ = true;
    }
    return upper_;
  }

  // Runs every step on one line; false when the scan is over.
  bool Examine(std::string_view line) {
    BattleScanState& s = state_;
    line_ = line;
    upper_ready_ = false;
    speaker_ = SpeakerOf(line_);

    if (!speaker_.empty() && s.announcer_countdown == 0) {
      s.announcer = speaker_;
    }
    if (s.announcer_countdown > 0) --s.announcer_countdown;

    // An announcement names its nick after the word "by".
    const Anchors anchors = AnchorsOf(line_);
    if (anchors.by && HoldsBattle(Upper())) {
      std::string announced = AnnouncedNickOf(line_);
      if (!announced.empty()) {
        if (s.in_battle && LevelNameOf(line_) == s.level) s.by = announced;
        s.announcer = std::move(announced);
        s.announcer_countdown = kAnnouncementLines;
      }
    }

    const bool has_lev = anchors.dot && HoldsLev(line_);
    // "HTTP" matters for a link, or for a time post in a running battle.
    const bool has_http = (has_lev || s.in_battle) && HoldsHttp(Upper());
    if (s.in_battle && !has_lev && !has_http &&
        !(anchors.dot && HoldsRec(line_))) {
      TimeEntry entry = ParseTime(line_, MessageStart::kAfterMarker);
      if (!IsEmpty(entry) && !speaker_.empty()) {
        entry.name = speaker_;
        s.times.push_back(std::move(entry));
      }
    }

    // Nick changes are not followed: a renamed player counts under both.

    const bool may_stop =
        s.by.empty() || speaker_ == s.by || IsPrivilegedStopper(speaker_);
    if ((s.in_battle && may_stop && HoldsStopWord(Upper())) || stream_failed_) {
      if (!Close()) return false;
    }

    const bool link = has_lev && has_http;
    if (s.in_battle && link && LevelNameOf(line_) != s.level) {
      if (!Close()) return false;
    }

    if (!s.in_battle && link &&
        (settings_.automatic_mode ||
         Upper().find(s.level_upper) != std::string::npos)) {
      s.level = LevelNameOf(line_);
      s.start_time = TimeStampOf(line_);
      s.found = true;
      s.in_battle = true;
      s.by = s.announcer;
    }
    return true;
  }

  // Closes the running battle; false when the user ended the scan.
  bool Close() {
    BattleScanState& s = state_;
    s.in_battle = false;
    if (s.times.empty()) return true;
    const bool interactive = !settings_.automatic_mode;
    console_.out << "Adding event " << s.event << ": " << s.level;
    if (!s.by.empty()) console_.out << " by " << s.by;
    console_.out << "..."
                 << "\n";
    s.end_time = TimeStampOf(line_);
    if (interactive) {
      // The rest of this line is still examined after the log is reopened.
      held_line_.assign(line_);
      line_ = held_line_;
      speaker_ = SpeakerOf(line_);
      reader_.Close();
      ReviewTimes(&s.times, console_.in, console_.out);
    }
    BattleInfo battle;
    battle.event = s.event;
    battle.level = s.level;
    battle.by = s.by;
    battle.start_stamp = s.start_time;
    battle.end_stamp = s.end_time;
    ReportKind kind;
    kind.html = settings_.html_report;
    kind.stats_kind = settings_.stats_kind;
    WriteBattleResults(&s.times, settings_.extra_points, battle, kind,
                       interactive, run_, console_.out);
    s.times.clear();
    ++s.event;
    if (interactive) {
      if (!NextLevelPrompt(console_, s.event, &s.level, false)) return false;
      Reopen();
    }
    return true;
  }

  const RunSettings& settings_;
  RunCollections* run_;
  Console& console_;
  BattleScanState state_;
  LogReader reader_;
  bool stream_failed_ = false;
  std::string_view line_;
  std::string_view speaker_;
  std::string upper_;
  bool upper_ready_ = false;
  std::string held_line_;
};

}  // namespace

int ScanLog(const RunSettings& settings, const std::string& first_level,
            RunCollections* run, Console& console) {
  Scanner scanner(settings, first_level, run, console);
  return scanner.Run();
}

}  // namespace vexlane
