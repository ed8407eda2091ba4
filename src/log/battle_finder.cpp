#include "log/battle_finder.h"

#include "base/text.h"
#include "log/level_names.h"
#include "log/line_adapter.h"
#include "log/line_feed.h"
#include "log/line_fields.h"
#include "log/line_prefilter.h"
#include "log/player_names.h"

namespace vexlane {

namespace {

// Lines after an announcement during which speakers do not take the credit
// for the next battle away from the announced nick.
constexpr int kAnnouncementLines = 10;

// Who may stop a battle besides its starter: the bots and one nick.
bool IsPrivilegedStopper(std::string_view nick) {
  return IsBotNick(nick) || nick == "quib";
}

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
  std::string start_stamp;
  std::string start_date;
  std::vector<TimeEntry> times;
  // For the explanation only: where the announcer was named, and each
  // nick's last time in the running battle.
  std::size_t announced_at = 0;
  std::string announced_in;
  std::vector<std::pair<std::string, std::size_t>> posted;
};

class Finder {
 public:
  Finder(const std::vector<ByteSource*>& parts, const FinderOptions& options,
         FinderClient* client)
      : parts_(parts),
        automatic_(options.automatic),
        adapted_(options.format != LogFormat::kClassic),
        adapter_(options.format),
        client_(client),
        trace_(options.trace) {
    SetLevel(options.first_level);
    state_.times.reserve(100);
  }

  int Run() {
    if (!automatic_ && !client_->NextLevel(state_.event, &state_.level,
                                           /*force=*/false)) {
      return 0;
    }
    SetLevel(state_.level);
    OpenFirstPart();
    std::string_view line;
    for (;;) {
      if (feed_.LastOfChunk()) TakeAnnouncer();
      // Outside a battle, with no announcement pending, a run of lines with
      // no '.' and no "by" only changes who spoke last.
      std::size_t plain = 0;
      std::string_view last_speaker;
      if (!adapted_ && !state_.in_battle && state_.announcer_countdown == 0 &&
          feed_.SkipPlainRun(&plain, &last_speaker)) {
        line_number_ += plain;
        lines_read_ += plain;
        if (!last_speaker.empty()) pending_announcer_ = last_speaker;
        continue;
      }
      const bool got_line = feed_.Next(&line, &facts_);
      if (!got_line) {
        if (part_ + 1 < parts_.size()) {
          OpenPart(part_ + 1);
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
      // An adapted line is another text: its facts are worked out anew.
      if (!(adapted_ ? Examine(adapter_.Adapt(line), nullptr)
                     : Examine(line, &facts_))) {
        break;
      }
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

  void OpenFirstPart() {
    adapter_.Reset();
    OpenPart(0);
  }

  void OpenPart(std::size_t part) {
    TakeAnnouncer();  // its view goes with the part's chunks
    part_ = part;
    line_number_ = 0;
    if (part_ >= parts_.size()) return;
    adapter_.BeginFile(parts_[part_]->Name());
    feed_.Open(parts_[part_]);
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

  // The word tests of a line, in any case. Each search runs on the word's
  // rarest letter, `anchor`.
  bool LineHolds(std::string_view upper_word, std::size_t anchor) {
    if (line_.size() > kWholeUpperLimit) {
      upper_ready_ = false;
      return ContainsIgnoringCase(line_, upper_word, anchor, &upper_);
    }
    return upper_word.empty() || ContainsAnchored(Upper(), upper_word, anchor);
  }
  bool HoldsBattle() { return LineHolds("BATTLE", 0); }
  bool HoldsHttp() { return LineHolds("HTTP", 3); }
  bool HoldsStopWord() { return LineHolds("STOP", 3) || LineHolds("END", 2); }

  // Runs every step on one line; false when the scan is over.
  // `facts` are the line's, worked out ahead; nullptr to work them out.
  bool Examine(std::string_view line, const LineFacts* facts) {
    BattleScanState& s = state_;
    line_ = line;
    upper_ready_ = false;
    speaker_ = facts != nullptr ? facts->speaker : SpeakerOf(line_);

    if (!speaker_.empty() && s.announcer_countdown == 0) {
      if (facts != nullptr) {
        // Most speakers are never credited: keep a view into the feed's
        // chunk and copy it only when it is needed or the chunk goes.
        pending_announcer_ = speaker_;
      } else {
        s.announcer = speaker_;
        pending_announcer_ = {};
      }
    }
    if (s.announcer_countdown > 0) --s.announcer_countdown;

    // An announcement names its nick after the word "by".
    const Anchors anchors =
        facts != nullptr ? facts->anchors : AnchorsOf(line_);
    if (anchors.by && HoldsBattle()) {
      std::string announced = AnnouncedNickOf(line_);
      if (!announced.empty()) {
        if (s.in_battle && LevelNameOf(line_) == s.level) {
          s.starter = announced;
          if (trace_)
            Say("an announcement of " + s.level + " credits " + announced);
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

    const bool has_lev = anchors.dot && HoldsLev(line_);
    // "HTTP" matters for a link, or for a time post in a running battle.
    const bool has_http = (has_lev || s.in_battle) && HoldsHttp();
    // Only a running battle takes times: other lines skip the ".rec" test.
    const bool link_like = s.in_battle && (has_lev || has_http ||
                                           (anchors.dot && HoldsRec(line_)));
    if (s.in_battle && !link_like) {
      TimeEntry entry = ParseTime(line_, MessageStart::kAfterMarker);
      if (!IsEmpty(entry) && !speaker_.empty()) {
        entry.name = speaker_;
        if (trace_) ExplainTime(entry);
        s.times.push_back(std::move(entry));
      } else if (trace_ && !speaker_.empty()) {
        ExplainNotATime(nullptr);
      }
    } else if (trace_ && s.in_battle && !speaker_.empty()) {
      ExplainNotATime("it holds \".lev\", \".rec\" or \"http\"");
    }

    // Nick changes are not followed: a renamed player counts under both.

    const bool may_stop =
        s.in_battle && (s.starter.empty() || speaker_ == s.starter ||
                        IsPrivilegedStopper(speaker_));
    if ((may_stop && HoldsStopWord()) || stream_failed_) {
      if (trace_ && s.in_battle) ExplainStop(stream_failed_);
      if (!Close()) return false;
    }

    const bool link = has_lev && has_http;
    if (s.in_battle && link && LevelNameOf(line_) != s.level) {
      if (trace_) {
        Say("a link to another level, " + std::string(LevelNameOf(line_)) +
            ", ends the battle of " + s.level);
      }
      if (!Close()) return false;
    }

    // The level name as it stands now: after a battle of the asked level has
    // started, later links are tested against the name as found.
    if (!s.in_battle && link && (automatic_ || LineHolds(s.level_upper, 0))) {
      SetLevel(LevelNameOf(line_));
      s.start_stamp = TimeStampOf(line_);
      s.start_date = adapter_.date();
      s.found = true;
      s.in_battle = true;
      TakeAnnouncer();
      s.starter = s.announcer;
      if (trace_) ExplainStart();
    }
    return true;
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
  void Say(const std::string& text) {
    trace_->Event(PartName(), line_number_, text);
  }
  std::string Quote(std::string_view text) const {
    std::string q = "\"";
    q += text;
    q += '"';
    return q;
  }
  std::string_view Message() const {
    const std::size_t marker = line_.find('>');
    if (marker == std::string_view::npos) return {};
    std::string_view message = line_.substr(marker + 1);
    while (!message.empty() && IsSpaceByte(message.front())) {
      message.remove_prefix(1);
    }
    return message;
  }

  void ExplainStart() {
    BattleScanState& s = state_;
    std::string who;
    if (s.starter.empty()) {
      who = "nobody is credited: nobody spoke before it";
    } else if (s.announcer_countdown > 0 || s.starter != speaker_) {
      who = s.announced_at > 0
                ? "credited to " + s.starter + " (the announcement at " +
                      s.announced_in + " line " +
                      std::to_string(s.announced_at) + ")"
                : "credited to " + s.starter + " (the last speaker)";
    } else {
      who = "credited to " + s.starter + " (the last speaker)";
    }
    Say("the battle of " + s.level + " starts (" +
        (speaker_.empty() ? std::string("a line with no speaker")
                          : std::string(speaker_) + " links it") +
        "); " + who);
    s.posted.clear();
  }

  void ExplainTime(const TimeEntry& entry) {
    const std::string shown = DescribeTime(entry);
    Say(std::string(speaker_) + " " + Quote(Message()) + " read as " + shown);
    for (auto& [nick, at] : state_.posted) {
      if (nick == speaker_) {
        Say(std::string(speaker_) + "'s post replaces the one at line " +
            std::to_string(at) + ": the last post counts");
        at = line_number_;
        return;
      }
    }
    state_.posted.emplace_back(std::string(speaker_), line_number_);
  }

  // A line of a player in the battle that looks like a time but is not
  // taken, with the reason (`why`, or worked out from the message).
  void ExplainNotATime(const char* why) {
    const std::string_view message = Message();
    if (message.size() > 24) return;  // chat, not a time
    std::size_t digits = 0;
    for (char c : message) digits += IsDigitByte(c) ? 1 : 0;
    if (digits == 0) return;
    std::string reason;
    if (why != nullptr) {
      reason = why;
    } else {
      reason = WhyNotATime(message);
    }
    Say(std::string(speaker_) + " " + Quote(message) +
        " is not taken: " + reason);
  }

  void ExplainStop(bool end_of_log) {
    BattleScanState& s = state_;
    if (end_of_log) {
      Say("the end of the log ends the battle of " + s.level);
      return;
    }
    const char* word = LineHolds("STOP", 3) ? "STOP" : "END";
    std::string who;
    if (s.starter.empty()) {
      who = "nobody is credited with the battle, so anybody may stop it";
    } else if (speaker_ == s.starter) {
      who = std::string(speaker_) + " started the battle";
    } else if (IsBotNick(speaker_)) {
      who = std::string(speaker_) + " is a bot, which may stop any battle";
    } else {
      who = std::string(speaker_) + " may stop any battle";
    }
    Say((speaker_.empty() ? std::string("a line")
                          : std::string(speaker_) + " said") +
        " " + Quote(Message().empty() ? line_ : Message()) + " (holds " + word +
        ") and " + who + ": the battle of " + s.level + " ends");
  }

  // Closes the running battle; false when the user ended the scan.
  bool Close() {
    BattleScanState& s = state_;
    s.in_battle = false;
    if (s.times.empty()) {
      if (trace_) Say("the battle of " + s.level + " is dropped: no times");
      return true;
    }
    if (trace_) {
      Say("the battle of " + s.level + " is added as event " +
          std::to_string(s.event) + " with " + std::to_string(s.times.size()) +
          (s.times.size() == 1 ? " time" : " times"));
    }
    battle_.event = s.event;
    battle_.level = s.level;
    battle_.starter = s.starter;
    battle_.start_stamp = s.start_stamp;
    battle_.end_stamp = TimeStampOf(line_);
    battle_.date = s.start_date;
    battle_.times.swap(s.times);
    if (!automatic_) {
      // The rest of this line is still examined after the log is reopened.
      held_line_.assign(line_);
      line_ = held_line_;
      upper_ready_ = false;
      speaker_ = SpeakerOf(line_);
      TakeAnnouncer();
      feed_.Close();
    }
    client_->BattleFound(&battle_);
    battle_.times.clear();
    s.times.clear();
    ++s.event;
    if (!automatic_) {
      if (!client_->NextLevel(s.event, &s.level, /*force=*/false)) return false;
      Reopen();
    }
    return true;
  }

  const std::vector<ByteSource*>& parts_;
  std::size_t part_ = 0;
  const bool automatic_;
  const bool adapted_;
  LineAdapter adapter_;
  FinderClient* client_;
  FinderTrace* trace_;
  std::size_t line_number_ = 0;  // in the current part
  std::size_t lines_read_ = 0;
  BattleScanState state_;
  FoundBattle battle_;
  LineFeed feed_;
  LineFacts facts_;
  std::string_view pending_announcer_;  // the announcer, not yet copied
  bool stream_failed_ = false;
  std::string_view line_;
  std::string_view speaker_;
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
