#include "log/line_adapter.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "base/text.h"

// The line grammars, as each client documents or writes them by default.
//
// irssi (log_timestamp "%H:%M ", or "%H:%M:%S "; the default theme):
//   --- Log opened Tue Nov 12 20:00:05 2024
//   --- Day changed Wed Nov 13 2024
//   HH:MM <MODE NICK> MESSAGE        MODE is one of "@+%~&" or a blank
//   HH:MM  * NICK ACTION
//   HH:MM -!- NICK [USER@HOST] has joined #CHANNEL   (parts, quits, nicks)
//   HH:MM -NICK(USER@HOST)- NOTICE
//   example: 20:01 <@Bob> 1:02,11
//
// WeeChat (logger plugin, logger.file.time_format "%Y-%m-%d %H:%M:%S"):
//   DATE TIME<TAB>PREFIX<TAB>MESSAGE
//   PREFIX is the nick with its mode character, or "-->" (join), "<--"
//   (part, quit), "--" (nick changes, modes, notices, topics), "*" or " *"
//   (action), "=!=" (errors)
//   example: 2024-11-12 20:01:10<TAB>@Bob<TAB>1:02,11
//
// ZNC (log module; one file a day, named by its date):
//   [HH:MM:SS] <NICK> MESSAGE
//   [HH:MM:SS] * NICK ACTION
//   [HH:MM:SS] *** Joins: NICK (USER@HOST)   (Parts, Quits, "is now known as")
//   [HH:MM:SS] -NICK- NOTICE
//   example: [20:01:10] <Bob> 1:02,11
//
// mIRC (default time stamp "[HH:nn]"):
//   Session Start: Tue Nov 12 20:00:05 2024
//   [HH:MM] <NICK> MESSAGE
//   [HH:MM] * NICK ACTION
//   [HH:MM] * NICK (USER@HOST) has joined #CHANNEL
//   [HH:MM] -NICK- NOTICE
//   example: [20:01] <Bob> 1:02,11
//
// HexChat (stamp "%b %d %H:%M:%S "; a tab after the nick column):
//   **** BEGIN LOGGING AT Tue Nov 12 20:00:05 2024
//   Nov 12 20:01:10 <NICK><TAB>MESSAGE
//   Nov 12 20:00:00 -->[TAB]NICK (USER@HOST) has joined #CHANNEL
//   Nov 12 20:00:00 *<TAB>NICK ACTION
//   example: Nov 12 20:01:10 <Bob><TAB>1:02,11
//
// Limnoria / Supybot (ChannelLogger, timestamp "%Y-%m-%dT%H:%M:%S"):
//   2024-11-12T20:01:10  <NICK> MESSAGE
//   2024-11-12T20:01:10  * NICK ACTION
//   2024-11-12T20:01:10  *** NICK <NICK!USER@HOST> has joined #CHANNEL
//   2024-11-12T20:01:10  -NICK- NOTICE
//   example: 2024-11-12T20:01:10  <Bob> 1:02,11
//
// eggdrop (channel log file, "[%H:%M]" stamps; files named by date):
//   [HH:MM] <NICK> MESSAGE
//   [HH:MM] Action: NICK ACTION
//   [HH:MM] NICK (USER@HOST) joined #CHANNEL.      (left, quit)
//   [HH:MM] Nick change: NICK -> NEWNICK
//   example: [20:01] <Bob> 1:02,11

namespace vexlane {

namespace {

constexpr std::array<std::string_view, 12> kMonths = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int MonthOf(std::string_view word) {
  for (std::size_t m = 0; m < kMonths.size(); ++m) {
    if (word == kMonths[m]) return static_cast<int>(m) + 1;
  }
  return 0;
}

// The `n` digits at `at` (n at most 4) as a number.
bool DigitsAt(std::string_view s, std::size_t at, std::size_t n, int* value) {
  if (n > 4 || at + n > s.size()) return false;
  int v = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (!IsDigitByte(s[i])) return false;
    v = v * 10 + (s[i] - '0');
  }
  *value = v;
  return true;
}

// "HH:MM" or "HH:MM:SS" at `*at`, which is advanced past it.
bool ReadClock(std::string_view s, std::size_t* at, int* h, int* m, int* sec) {
  std::size_t i = *at;
  if (!DigitsAt(s, i, 2, h) || i + 2 >= s.size() || s[i + 2] != ':' ||
      !DigitsAt(s, i + 3, 2, m) || *h > 23 || *m > 59) {
    return false;
  }
  i += 5;
  *sec = 0;
  if (i < s.size() && s[i] == ':') {
    if (!DigitsAt(s, i + 1, 2, sec) || *sec > 60) return false;
    i += 3;
  }
  *at = i;
  return true;
}

// "YYYY-MM-DD" at `at`.
bool ReadIsoDate(std::string_view s, std::size_t at, int* y, int* m, int* d) {
  return DigitsAt(s, at, 4, y) && at + 4 < s.size() && s[at + 4] == '-' &&
         DigitsAt(s, at + 5, 2, m) && at + 7 < s.size() && s[at + 7] == '-' &&
         DigitsAt(s, at + 8, 2, d) && *m >= 1 && *m <= 12 && *d >= 1 &&
         *d <= 31;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysIn(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30,
                                  31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// The mIRC formatting codes: bold, colour (with its numbers), reset,
// reverse (two spellings), italic and underline.
bool IsFormatting(char c) {
  return c == '\x02' || c == '\x0F' || c == '\x12' || c == '\x16' ||
         c == '\x1D' || c == '\x1F';
}

void AppendWithoutCodes(std::string_view text, bool no_brackets,
                        std::string* out) {
  std::size_t i = 0;
  while (i < text.size()) {
    // Copy the run of plain bytes in one go: most messages are all plain.
    std::size_t run = i;
    while (run < text.size()) {
      const unsigned char c = static_cast<unsigned char>(text[run]);
      if (c < 0x20 || (no_brackets && (c == '<' || c == '>'))) break;
      ++run;
    }
    out->append(text.data() + i, run - i);
    i = run;
    if (i >= text.size()) break;
    const char c = text[i];
    if (c == '\x03') {
      // ^C, up to two digits, and a comma with up to two more.
      std::size_t k = i + 1;
      for (int n = 0; n < 2 && k < text.size() && IsDigitByte(text[k]); ++n) {
        ++k;
      }
      if (k > i + 1 && k + 1 < text.size() && text[k] == ',' &&
          IsDigitByte(text[k + 1])) {
        k += 2;
        if (k < text.size() && IsDigitByte(text[k])) ++k;
      }
      i = k;
      continue;
    }
    if (!IsFormatting(c)) {
      if (c == '<') {
        *out += '(';
      } else if (c == '>') {
        *out += ')';
      } else if (c == '\t') {
        *out += ' ';
      } else {
        *out += c;
      }
    }
    ++i;
  }
}

void AppendTwoDigits(int value, std::string* out) {
  *out += static_cast<char>('0' + value / 10 % 10);
  *out += static_cast<char>('0' + value % 10);
}

// The nick without its channel mode character and surrounding blanks.
std::string_view BareNick(std::string_view nick) {
  while (!nick.empty() && nick.front() == ' ') nick.remove_prefix(1);
  while (!nick.empty() && nick.back() == ' ') nick.remove_suffix(1);
  while (nick.size() > 1 &&
         (nick.front() == '@' || nick.front() == '+' || nick.front() == '%' ||
          nick.front() == '~' || nick.front() == '&' || nick.front() == '!')) {
    nick.remove_prefix(1);
  }
  return nick;
}

// "<nick> message" or "<nick>\tmessage": the nick and the message.
bool SplitMessage(std::string_view rest, std::string_view* nick,
                  std::string_view* text) {
  if (rest.empty() || rest[0] != '<') return false;
  const std::size_t close = rest.find('>');
  if (close == std::string_view::npos || close < 2) return false;
  *nick = BareNick(rest.substr(1, close - 1));
  if (nick->empty()) return false;
  *text = rest.substr(close + 1);
  if (!text->empty() && (text->front() == ' ' || text->front() == '\t')) {
    text->remove_prefix(1);
  }
  return true;
}

}  // namespace

void LineAdapter::Reset() {
  year_ = month_ = day_ = 0;
  last_seconds_ = -1;
  date_text_.clear();
}

void LineAdapter::BeginFile(std::string_view name) {
  if (format_ != LogFormat::kZnc && format_ != LogFormat::kEggdrop) return;
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  for (std::size_t at = 0; at + 8 <= name.size(); ++at) {
    int y = 0;
    int m = 0;
    int d = 0;
    if (ReadIsoDate(name, at, &y, &m, &d) ||
        (DigitsAt(name, at, 4, &y) && DigitsAt(name, at + 4, 2, &m) &&
         DigitsAt(name, at + 6, 2, &d) && m >= 1 && m <= 12 && d >= 1 &&
         d <= 31 && (at + 8 == name.size() || !IsDigitByte(name[at + 8])))) {
      if (y >= 1970 && y <= 9999) {
        SetDate(y, m, d);
        last_seconds_ = -1;
        return;
      }
    }
  }
}

void LineAdapter::SetDate(int year, int month, int day) {
  year_ = year;
  month_ = month;
  day_ = std::min(day, DaysIn(year, month));
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year_, month_, day_);
  date_text_ = text;
}

void LineAdapter::SeeClock(const Clock& clock) {
  const int seconds = clock.hours * 3600 + clock.minutes * 60 + clock.seconds;
  // A stamp earlier than the one before, with no day line between: the
  // log has run past midnight.
  if (year_ != 0 && last_seconds_ >= 0 && seconds < last_seconds_) {
    int y = year_;
    int m = month_;
    int d = day_ + 1;
    if (d > DaysIn(y, m)) {
      d = 1;
      if (++m > 12) {
        m = 1;
        ++y;
      }
    }
    SetDate(y, m, d);
  }
  last_seconds_ = seconds;
}

// "Tue Nov 12 20:00:05 2024" (a ctime text) or "Wed Nov 13 2024".
bool LineAdapter::ReadHeaderDate(std::string_view text) {
  std::size_t pos = 0;
  NextWord(text, &pos);  // the weekday
  const int month = MonthOf(NextWord(text, &pos));
  const std::string_view day_word = NextWord(text, &pos);
  std::string_view word = NextWord(text, &pos);
  Clock c;
  std::size_t at = 0;
  const bool has_clock =
      ReadClock(word, &at, &c.hours, &c.minutes, &c.seconds) &&
      at == word.size();
  if (has_clock) word = NextWord(text, &pos);
  int day = 0;
  int year = 0;
  if (month == 0 || day_word.empty() || day_word.size() > 2 ||
      !DigitsAt(day_word, 0, day_word.size(), &day) || day < 1 || day > 31 ||
      word.size() != 4 || !DigitsAt(word, 0, 4, &year)) {
    return false;
  }
  SetDate(year, month, day);
  last_seconds_ = has_clock ? c.hours * 3600 + c.minutes * 60 + c.seconds : -1;
  return true;
}

std::string_view LineAdapter::Emit(const Clock& clock, std::string_view nick,
                                   std::string_view text, bool message) {
  out_.assign(1, '[');
  AppendTwoDigits(clock.hours, &out_);
  out_ += ':';
  AppendTwoDigits(clock.minutes, &out_);
  out_ += ':';
  AppendTwoDigits(clock.seconds, &out_);
  out_ += "] ";
  if (message) {
    out_ += '<';
    AppendWithoutCodes(nick, true, &out_);
    out_ += "> ";
  } else if (!nick.empty()) {
    // The event's own marker ("-->", "*"), before its text.
    AppendWithoutCodes(nick, true, &out_);
    out_ += ' ';
  }
  AppendWithoutCodes(text, !message, &out_);
  return out_;
}

std::string_view LineAdapter::EmitRest(const Clock& clock,
                                       std::string_view rest) {
  std::string_view nick;
  std::string_view text;
  if (SplitMessage(rest, &nick, &text)) return Emit(clock, nick, text, true);
  return Emit(clock, {}, rest, false);
}

std::string_view LineAdapter::Adapt(std::string_view line) {
  switch (format_) {
    case LogFormat::kClassic:
      return line;
    case LogFormat::kWeechat:
      return AdaptWeechat(line);
    case LogFormat::kHexchat:
      return AdaptHexchat(line);
    case LogFormat::kLimnoria:
      return AdaptLimnoria(line);
    case LogFormat::kIrssi:
      if (line.starts_with("--- Log opened ")) {
        ReadHeaderDate(line.substr(15));
        return line;
      }
      if (line.starts_with("--- Day changed ")) {
        ReadHeaderDate(line.substr(16));
        return line;
      }
      return AdaptStamped(line, false);
    case LogFormat::kMirc:
      if (line.starts_with("Session Start: ")) {
        ReadHeaderDate(line.substr(15));
        return line;
      }
      return AdaptStamped(line, true);
    case LogFormat::kZnc:
    case LogFormat::kEggdrop:
      return AdaptStamped(line, true);
  }
  return line;
}

std::string_view LineAdapter::AdaptStamped(std::string_view line,
                                           bool bracketed) {
  std::size_t at = bracketed ? 1 : 0;
  Clock c;
  if ((bracketed && (line.empty() || line[0] != '[')) ||
      !ReadClock(line, &at, &c.hours, &c.minutes, &c.seconds)) {
    return line;  // not a line of the format: read as it is
  }
  if (bracketed) {
    if (at >= line.size() || line[at] != ']') return line;
    ++at;
  }
  if (at < line.size() && line[at] == ' ') ++at;
  SeeClock(c);
  return EmitRest(c, line.substr(at));
}

bool LineAdapter::ReadDatedStamp(std::string_view line, char separator,
                                 Clock* clock, std::size_t* at) {
  int y = 0;
  int m = 0;
  int d = 0;
  *at = 11;
  if (!ReadIsoDate(line, 0, &y, &m, &d) || line.size() < 11 ||
      line[10] != separator ||
      !ReadClock(line, at, &clock->hours, &clock->minutes, &clock->seconds)) {
    return false;
  }
  SetDate(y, m, d);
  last_seconds_ = -1;  // every line carries its date
  return true;
}

std::string_view LineAdapter::AdaptWeechat(std::string_view line) {
  std::size_t at = 0;
  Clock c;
  if (!ReadDatedStamp(line, ' ', &c, &at) || at >= line.size() ||
      line[at] != '\t') {
    return line;
  }
  const std::string_view fields = line.substr(at + 1);
  const std::size_t tab = fields.find('\t');
  const std::string_view prefix = fields.substr(0, tab);
  const std::string_view text = tab == std::string_view::npos
                                    ? std::string_view()
                                    : fields.substr(tab + 1);
  const std::string_view bare = BareNick(prefix);
  const bool event = bare.empty() || bare == "-->" || bare == "<--" ||
                     bare == "--" || bare == "*" || bare == "=!=";
  if (event) return Emit(c, prefix, text, false);
  return Emit(c, bare, text, true);
}

std::string_view LineAdapter::AdaptHexchat(std::string_view line) {
  if (line.starts_with("**** BEGIN LOGGING AT ")) {
    ReadHeaderDate(line.substr(22));
    return line;
  }
  // "Nov 12 20:01:10 ": the month, the day, the time.
  const int month = MonthOf(line.substr(0, 3));
  int day = 0;
  std::size_t at = 4;
  if (month == 0 || line.size() < 16 || line[3] != ' ') return line;
  if (line[4] == ' ') at = 5;  // a day written with a blank instead of a 0
  const std::size_t day_end = line.find(' ', at);
  if (day_end == std::string_view::npos || day_end - at > 2 ||
      !DigitsAt(line, at, day_end - at, &day) || day < 1 || day > 31) {
    return line;
  }
  at = day_end + 1;
  Clock c;
  if (!ReadClock(line, &at, &c.hours, &c.minutes, &c.seconds)) return line;
  if (at < line.size() && line[at] == ' ') ++at;
  if (year_ != 0) {
    // The stamp has no year: the header's, moved on at a new year.
    const int year = month < month_ ? year_ + 1 : year_;
    SetDate(year, month, day);
  }
  last_seconds_ = -1;
  return EmitRest(c, line.substr(at));
}

std::string_view LineAdapter::AdaptLimnoria(std::string_view line) {
  std::size_t at = 0;
  Clock c;
  if (!ReadDatedStamp(line, 'T', &c, &at)) return line;
  while (at < line.size() && line[at] == ' ') ++at;
  return EmitRest(c, line.substr(at));
}

}  // namespace vexlane
