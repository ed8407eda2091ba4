#include "log/battle_finder.h"

#include "base/text.h"
#include "log/level_names.h"
#include "log/line_feed.h"
#include "log/line_fields.h"
#include "log/log_line.h"
#include "log/player_names.h"

namespace vexlane {

namespace {

using Kind = FinderEvent::Kind;
using Who = FinderEvent::Who;

// Lines after an announcement during which speakers do not take the credit
// for the next battle away from the announced nick.
constexpr int kAnnouncementLines = 10;

// Lines longer than this are searched a piece at a time rather than
// upper-cased whole: memory stays at one copy of the longest line.
constexpr std::size_t kWholeUpperLimit = 1 << 20;

// These two need no upper-cased copy: most lines hold no '.' at all.
bool HoldsLev(std::string_view line) {
  return FindLevExtension(line) != std::string_view::npos;
}
bool HoldsRec(std::string_view line) {
  return FindIgnoringCase(line, ".REC") != std::string_view::npos;
}

// Chat rather than a time: a message longer than this, or with no digit,
// is not explained when it gives no time.
bool LooksLikeATime(std::string_view message) {
  if (message.size() > 24) return false;
  for (char c : message) {
    if (IsDigitByte(c)) return true;
  }
  return false;
}

struct BattleScanState {
  bool in_battle = false;
  bool found = false;  // level-by-level: the asked level started a battle
  int event = 1;
  int announcer_countdown = 0;
  std::string announcer;
  std::string starter;
  // The asked level, replaced by the name as found when its battle starts;
  // in automatic mode the running battle's level.
  std::string level;
  std::string level_upper;  // `level` upper-cased, kept in step with it
  std::string link;         // of the running battle: set with its level
  std::string start_stamp;
  std::string start_date;
  std::vector<TimeEntry> times;
  // For the explanation only: where the announcer was named, each nick's
  // last time in the running battle, and the stop word that ended the
  // last battle (its level empty when none did, or a battle runs).
  std::size_t announced_at = 0;
  std::string announced_in;
  std::vector<std::pair<std::string, std::size_t>> posted;
  std::string stopped_level;
  std::size_t stopped_at = 0;
  std::string stopped_by;
  std::string stopped_text;
};

class Finder {
 public:
  Finder(const std::vector<ByteSource*>& parts, const FinderOptions& options,
         FinderClient* client)
      : parts_(parts),
        automatic_(options.automatic),
        reader_(options.format),
        client_(client),
        trace_(options.trace) {
    SetLevel(options.first_level);
    state_.times.reserve(100);
    feed_.OnCaughtUp([this] { client_->CaughtUp(); });
    feed_.OnBreak([this](LogBreak brk) { Break(brk); });
  }

  int Run() {
    if (!automatic_ && !client_->NextLevel(state_.event, &state_.level,
                                           /*force=*/false)) {
      return 0;
    }
    SetLevel(state_.level);
    OpenFirstPart();
    LogLine line;
    for (;;) {
      if (feed_.LastOfChunk()) TakeAnnouncer();
      // Outside a battle, with no announcement pending, a run of lines with
      // no '.' and no "by" only changes who spoke last (unless the
      // explanation looks for times posted after a stop word).
      std::size_t plain = 0;
      std::string_view last_speaker;
      if (!state_.in_battle && state_.announcer_countdown == 0 &&
          (trace_ == nullptr || state_.stopped_level.empty()) &&
          feed_.SkipPlainRun(&plain, &last_speaker)) {
        line_number_ += plain;
        lines_read_ += plain;
        if (!last_speaker.empty()) pending_announcer_ = last_speaker;
        continue;
      }
      const bool got_line = feed_.Next(&line);
      if (!got_line) {
        if (part_ + 1 < parts_.size()) {
          OpenPart(part_ + 1, /*new_pass=*/false);
          continue;
        }
        stream_failed_ = true;
        if (state_.times.empty()) {
          if (!EndOfPass()) break;
          continue;
        }
      }
      if (got_line) {
        ++line_number_;
        ++lines_read_;
      }
      if (!Examine(line)) break;
    }
    feed_.Close();
    return state_.event - 1;
  }

  std::size_t lines_read() const { return lines_read_; }

 private:
  void SetLevel(std::string_view level) {
    if (level.data() != state_.level.data()) state_.level.assign(level);
    UpperInto(state_.level, &state_.level_upper);
  }

  // A file begins, or begins again: the scan's state is kept, or taken
  // back to what was kept. The feed calls it between chunks, after the
  // last speaker was copied out of the chunk before (TakeAnnouncer).
  void Break(LogBreak brk) {
    if (brk == LogBreak::kNewFile) {
      file_start_.state = state_;
      file_start_.line_number = line_number_;
      file_start_.lines_read = lines_read_;
      client_->FileBegins();
      return;
    }
    state_ = file_start_.state;
    line_number_ = file_start_.line_number;
    lines_read_ = file_start_.lines_read;
    pending_announcer_ = {};
    client_->FileReadAgain();
  }

  // Returns false when the scan is over; else the log has been reopened.
  bool EndOfPass() {
    if (automatic_ || state_.found) return false;
    client_->LevelNotFound(state_.level);
    if (!client_->NextLevel(state_.event, &state_.level, /*force=*/true)) {
      return false;
    }
    Reopen();
    return true;
  }

  void Reopen() {
    SetLevel(state_.level);
    OpenFirstPart();
    state_.found = false;
    stream_failed_ = false;
  }

  void OpenFirstPart() { OpenPart(0, /*new_pass=*/true); }

  void OpenPart(std::size_t part, bool new_pass) {
    TakeAnnouncer();  // its view goes with the part's chunks
    part_ = part;
    line_number_ = 0;
    if (part_ >= parts_.size()) return;
    feed_.Open(parts_[part_], &reader_, new_pass);
  }

  // The upper-cased copy of the line, made on first use: most lines are
  // decided without it.
  std::string_view Upper() {
    if (!upper_ready_) {
      UpperInto(line_.text, &upper_);
      upper_ready_ = true;
    }
    return upper_;
  }

  // The word tests of a line, in any case. Each search runs on the word's
  // rarest letter, `anchor`.
  bool LineHolds(std::string_view upper_word, std::size_t anchor) {
    if (line_.text.size() > kWholeUpperLimit) {
      upper_ready_ = false;
      return ContainsIgnoringCase(line_.text, upper_word, anchor, &upper_);
    }
    return upper_word.empty() || ContainsAnchored(Upper(), upper_word, anchor);
  }
  bool HoldsBattle() { return LineHolds("BATTLE", 0); }
  bool HoldsHttp() { return LineHolds("HTTP", 3); }
  bool HoldsStopWord() { return LineHolds("STOP", 3) || LineHolds("END", 2); }

  // Runs every step on one line; false when the scan is over.
  bool Examine(const LogLine& line) {
    BattleScanState& s = state_;
    line_ = line;
    upper_ready_ = false;
    // A line the client writes (a header, a day change) gave the reader its
    // date; it is no channel line: no speaker, no rule, not one of the ten
    // lines of an announcement. At the end of the log it is as no line.
    if (line_.client) {
      if (!stream_failed_) return true;
      line_ = LogLine{};
    }

    if (!line_.speaker.empty() && s.announcer_countdown == 0) {
      // Most speakers are never credited: keep a view into the feed's
      // chunk and copy it only when it is needed or the chunk goes.
      pending_announcer_ = line_.speaker;
    }
    if (s.announcer_countdown > 0) --s.announcer_countdown;

    // An announcement names its nick after the word "by". (Close may move
    // the line: it is always read through line_.)
    if (line_.anchors.by && HoldsBattle()) NoteAnnouncement();

    const bool has_lev = line_.anchors.dot && HoldsLev(line_.text);
    // "HTTP" matters for a link, or for a time post in a running battle.
    const bool has_http = (has_lev || s.in_battle) && HoldsHttp();
    // Only a running battle takes times: other lines skip the ".rec" test.
    const bool link_like =
        s.in_battle &&
        (has_lev || has_http || (line_.anchors.dot && HoldsRec(line_.text)));
    TakeTime(link_like);

    // Nick changes are not followed: a renamed player counts under both.

    const bool may_stop =
        s.in_battle && (s.starter.empty() || line_.speaker == s.starter ||
                        IsPrivilegedStopper(line_.speaker));
    if ((may_stop && HoldsStopWord()) || stream_failed_) {
      if (trace_ && s.in_battle) ExplainStop(stream_failed_);
      if (!Close()) return false;
    }

    const bool link = has_lev && has_http;
    if (s.in_battle && link && LevelNameOf(line_.text) != s.level) {
      if (trace_) {
        FinderEvent e = Event(Kind::kOtherLevel);
        e.new_level = LevelNameOf(line_.text);
        trace_->Event(e);
      }
      if (!Close()) return false;
    }

    // The level name as it stands now: after a battle of the asked level has
    // started, later links are tested against the name as found.
    if (!s.in_battle && link && (automatic_ || LineHolds(s.level_upper, 0))) {
      StartBattle();
    }
    return true;
  }

  // The line announces a battle: its nick after "by" is the announcer,
  // and the starter of the running battle of that level.
  void NoteAnnouncement() {
    BattleScanState& s = state_;
    std::string announced = AnnouncedNickOf(line_.text);
    if (!announced.empty()) {
      if (s.in_battle && LevelNameOf(line_.text) == s.level) {
        s.starter = announced;
        if (trace_) {
          FinderEvent e = Event(Kind::kCredit);
          e.starter = announced;
          trace_->Event(e);
        }
      }
      s.announcer = std::move(announced);
      pending_announcer_ = {};
      s.announcer_countdown = kAnnouncementLines;
      if (trace_) {
        s.announced_at = line_number_;
        s.announced_in = PartName();
      }
    }
  }

  // A line of a running battle: its time, if it holds one, is counted.
  void TakeTime(bool link_like) {
    BattleScanState& s = state_;
    if (s.in_battle && !link_like) {
      TimeEntry entry = ParseTime(line_.message, MessageStart::kTypedAlone);
      if (!IsEmpty(entry) && !line_.speaker.empty()) {
        entry.name = line_.speaker;
        if (trace_) ExplainTime(entry);
        s.times.push_back(std::move(entry));
      } else if (trace_ && !line_.speaker.empty()) {
        ExplainNotATime(/*link_like=*/false);
      }
    } else if (trace_ && s.in_battle && !line_.speaker.empty()) {
      ExplainNotATime(/*link_like=*/true);
    } else if (trace_ && !s.in_battle && !s.stopped_level.empty()) {
      ExplainNotCounted();
    }
  }

  // A link to a level starts a battle of it.
  void StartBattle() {
    BattleScanState& s = state_;
    SetLevel(LevelNameOf(line_.text));
    s.link.assign(LevelLinkOf(line_.text));
    s.start_stamp = StampOf(line_);
    s.start_date = DateText(line_.date);
    s.found = true;
    s.in_battle = true;
    s.stopped_level.clear();
    TakeAnnouncer();
    s.starter = s.announcer;
    if (trace_) ExplainStart();
  }

  // Copies the last speaker into the announcer when it is only a view.
  void TakeAnnouncer() {
    if (pending_announcer_.data() == nullptr) return;
    state_.announcer.assign(pending_announcer_);
    pending_announcer_ = {};
  }

  // The explanation's events.
  const std::string& PartName() const {
    static const std::string kNone;
    return part_ < parts_.size() ? parts_[part_]->Name() : kNone;
  }
  FinderEvent Event(Kind kind) const {
    FinderEvent e;
    e.kind = kind;
    e.log = PartName();
    e.line = line_number_;
    e.nick = line_.speaker;
    e.text = Message().empty() ? line_.text : Message();
    e.level = state_.level;
    return e;
  }
  // What the speaker said, without the blanks before it.
  std::string_view Message() const {
    std::string_view message = line_.message;
    while (!message.empty() && IsSpaceByte(message.front())) {
      message.remove_prefix(1);
    }
    return message;
  }

  void ExplainStart() {
    const BattleScanState& s = state_;
    FinderEvent e = Event(Kind::kStart);
    e.starter = s.starter;
    if (s.starter.empty()) {
      e.who = Who::kNobody;
    } else if ((s.announcer_countdown > 0 || s.starter != line_.speaker) &&
               s.announced_at > 0) {
      e.who = Who::kAnnouncement;
      e.announced_in = s.announced_in;
      e.number = s.announced_at;
    } else {
      e.who = Who::kLastSpeaker;
    }
    trace_->Event(e);
    state_.posted.clear();
  }

  void ExplainTime(const TimeEntry& entry) {
    FinderEvent e = Event(Kind::kTime);
    e.time = &entry;
    trace_->Event(e);
    for (auto& [nick, at] : state_.posted) {
      if (nick == line_.speaker) {
        FinderEvent replaces = Event(Kind::kReplaces);
        replaces.number = at;
        trace_->Event(replaces);
        at = line_number_;
        return;
      }
    }
    state_.posted.emplace_back(std::string(line_.speaker), line_number_);
  }

  // A line of a player in the battle that looks like a time but is not
  // taken.
  void ExplainNotATime(bool link_like) {
    if (!LooksLikeATime(Message())) return;
    FinderEvent e = Event(Kind::kNotATime);
    e.link_like = link_like;
    trace_->Event(e);
  }

  // A time or apples posted after a stop word ended the battle, before the
  // next one started: lost unless repaired by hand.
  void ExplainNotCounted() {
    if (line_.speaker.empty() || !LooksLikeATime(Message())) return;
    const TimeEntry entry = ParseTime(line_.message, MessageStart::kTypedAlone);
    if (IsEmpty(entry)) return;
    FinderEvent e = Event(Kind::kNotCounted);
    e.level = state_.stopped_level;
    e.number = state_.stopped_at;
    e.ended_by = state_.stopped_by;
    e.ended_text = state_.stopped_text;
    e.time = &entry;
    trace_->Event(e);
  }

  void ExplainStop(bool end_of_log) {
    BattleScanState& s = state_;
    if (end_of_log) {
      trace_->Event(Event(Kind::kEndOfLog));
      return;
    }
    FinderEvent e = Event(Kind::kStop);
    e.word = LineHolds("STOP", 3) ? "STOP" : "END";
    if (s.starter.empty()) {
      e.who = Who::kNobody;
    } else if (line_.speaker == s.starter) {
      e.who = Who::kStarter;
    } else if (IsBotNick(line_.speaker)) {
      e.who = Who::kBot;
    } else {
      e.who = Who::kPrivileged;
    }
    trace_->Event(e);
    if (automatic_) {
      s.stopped_level = s.level;
      s.stopped_at = line_number_;
      s.stopped_by.assign(line_.speaker);
      s.stopped_text.assign(e.text);
    }
  }

  // Closes the running battle; false when the user ended the scan.
  bool Close() {
    BattleScanState& s = state_;
    s.in_battle = false;
    if (s.times.empty()) {
      if (trace_) trace_->Event(Event(Kind::kDropped));
      return true;
    }
    battle_.event = s.event;
    battle_.level = s.level;
    battle_.link = s.link;
    battle_.starter = s.starter;
    battle_.start_stamp = s.start_stamp;
    battle_.end_stamp = StampOf(line_);
    battle_.date = s.start_date;
    battle_.times.swap(s.times);
    const bool kept = client_->Keeps(battle_);
    if (trace_) {
      FinderEvent e = Event(kept ? Kind::kAdded : Kind::kLeftOut);
      e.number = static_cast<std::size_t>(s.event);
      e.count = battle_.times.size();
      trace_->Event(e);
    }
    if (!kept) {
      // As if it were not in the log: level by level, the scan looks on
      // for another battle of the level.
      battle_.times.clear();
      s.found = false;
      return true;
    }
    if (!automatic_) {
      // The rest of this line is still examined after the log is reopened.
      // The announcer may be a view of the held line before: copy it first.
      TakeAnnouncer();
      held_line_.assign(line_.text);
      line_ = Rebase(line_, held_line_);
      upper_ready_ = false;
      feed_.Close();
    }
    client_->BattleFound(&battle_);
    ++s.event;
    battle_.times.clear();
    s.times.clear();
    if (!automatic_) {
      if (!client_->NextLevel(s.event, &s.level, /*force=*/false)) return false;
      Reopen();
    }
    return true;
  }

  const std::vector<ByteSource*>& parts_;
  std::size_t part_ = 0;
  const bool automatic_;
  LineReader reader_;
  FinderClient* client_;
  FinderTrace* trace_;
  std::size_t line_number_ = 0;  // in the current part
  std::size_t lines_read_ = 0;
  BattleScanState state_;
  // Where the file begun last began.
  struct FileStart {
    BattleScanState state;
    std::size_t line_number = 0;
    std::size_t lines_read = 0;
  } file_start_;
  FoundBattle battle_;
  LineFeed feed_;
  std::string_view pending_announcer_;  // the announcer, not yet copied
  bool stream_failed_ = false;
  LogLine line_;
  std::string upper_;
  bool upper_ready_ = false;
  std::string held_line_;
};

}  // namespace

int FindBattles(const std::vector<ByteSource*>& parts,
                const FinderOptions& options, FinderClient* client,
                FinderStats* stats) {
  Finder finder(parts, options, client);
  const int added = finder.Run();
  if (stats != nullptr) stats->lines = finder.lines_read();
  return added;
}

}  // namespace vexlane
