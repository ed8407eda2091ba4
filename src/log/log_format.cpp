#include "log/log_format.h"

#include <array>

#include "base/text.h"

// The line grammars, as each client documents or writes them by default.
//
// irssi (log_timestamp "%H:%M ", or "%H:%M:%S "; the default theme):
//   --- Log opened Tue Nov 12 20:00:05 2024
//   --- Day changed Wed Nov 13 2024
//   --- Log closed Tue Nov 12 23:10:00 2024
//   HH:MM <MODE NICK> MESSAGE        MODE is one of "@+%~&" or a blank
//   HH:MM  * NICK ACTION
//   HH:MM -!- NICK [USER@HOST] has joined #CHANNEL   (parts, quits, nicks)
//   HH:MM -NICK(USER@HOST)- NOTICE
//   example: 20:01 <@Bob> 1:02,11
//
// WeeChat (logger plugin, logger.file.time_format "%Y-%m-%d %H:%M:%S"):
//   DATE TIME<TAB>PREFIX<TAB>MESSAGE
//   DATE TIME<TAB>****<TAB>Beginning of log         (logger.file.info_lines)
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
//   Session Ident: #battle
//   Session Close: Tue Nov 12 23:10:00 2024
//   [HH:MM] <NICK> MESSAGE
//   [HH:MM] * NICK ACTION
//   [HH:MM] * NICK (USER@HOST) has joined #CHANNEL
//   [HH:MM] -NICK- NOTICE
//   example: [20:01] <Bob> 1:02,11
//
// HexChat (stamp "%b %d %H:%M:%S "; a tab after the nick column):
//   **** BEGIN LOGGING AT Tue Nov 12 20:00:05 2024
//   **** ENDING LOGGING AT Tue Nov 12 23:10:00 2024
//   Nov 12 20:01:10 <NICK><TAB>MESSAGE
//   Nov 12 20:00:00 -->[TAB]NICK (USER@HOST) has joined #CHANNEL
//   Nov 12 20:00:00 *<TAB>NICK ACTION
//   example: Nov 12 20:01:10 <Bob><TAB>1:02,11
//
// Limnoria / Supybot (ChannelLogger, timestamp "%Y-%m-%dT%H:%M:%S"):
//   **** BEGIN LOGGING AT Tue Nov 12 20:00:05 2024   (also ENDING)
//   2024-11-12T20:01:10  <NICK> MESSAGE
//   2024-11-12T20:01:10  * NICK ACTION
//   2024-11-12T20:01:10  *** NICK <NICK!USER@HOST> has joined #CHANNEL
//   2024-11-12T20:01:10  -NICK- NOTICE
//   example: 2024-11-12T20:01:10  <Bob> 1:02,11
//
// eggdrop (channel log file, "[%H:%M]" stamps; files named by date):
//   [00:00] --- Wed Nov 13 2024                  (a new day)
//   [HH:MM] <NICK> MESSAGE
//   [HH:MM] Action: NICK ACTION
//   [HH:MM] NICK (USER@HOST) joined #CHANNEL.      (left, quit)
//   [HH:MM] Nick change: NICK -> NEWNICK
//   example: [20:01] <Bob> 1:02,11
//
// dircproxy (not read; told apart so that it is not taken for classic):
//   @1100000000 <NICK!USER@HOST> MESSAGE

namespace vexlane {

namespace {

using Kind = ParsedLine::Kind;

struct Named {
  LogFormat format;
  std::string_view name;
};

constexpr std::array<Named, 8> kNames = {{
    {LogFormat::kClassic, "classic"},
    {LogFormat::kIrssi, "irssi"},
    {LogFormat::kWeechat, "weechat"},
    {LogFormat::kZnc, "znc"},
    {LogFormat::kMirc, "mirc"},
    {LogFormat::kHexchat, "hexchat"},
    {LogFormat::kLimnoria, "limnoria"},
    {LogFormat::kEggdrop, "eggdrop"},
}};

int MonthOf(std::string_view word) {
  for (std::size_t m = 0; m < kMonthAbbreviations.size(); ++m) {
    if (word == kMonthAbbreviations[m]) return static_cast<int>(m) + 1;
  }
  return 0;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool At(std::string_view s, std::size_t at, char c) {
  return at < s.size() && s[at] == c;
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
bool ReadClock(std::string_view s, std::size_t* at, Clock* clock) {
  std::size_t i = *at;
  Clock c;
  if (!DigitsAt(s, i, 2, &c.hours) || !At(s, i + 2, ':') ||
      !DigitsAt(s, i + 3, 2, &c.minutes) || c.hours > 23 || c.minutes > 59) {
    return false;
  }
  i += 5;
  if (At(s, i, ':')) {
    if (!DigitsAt(s, i + 1, 2, &c.seconds) || c.seconds > 60) return false;
    c.has_seconds = true;
    i += 3;
  }
  *at = i;
  *clock = c;
  return true;
}

// "YYYY-MM-DD" at `at`.
bool ReadIsoDate(std::string_view s, std::size_t at, Date* date) {
  Date d;
  if (!DigitsAt(s, at, 4, &d.year) || !At(s, at + 4, '-') ||
      !DigitsAt(s, at + 5, 2, &d.month) || !At(s, at + 7, '-') ||
      !DigitsAt(s, at + 8, 2, &d.day) || d.month < 1 || d.month > 12 ||
      d.day < 1 || d.day > DaysInMonth(d.year, d.month)) {
    return false;
  }
  *date = d;
  return true;
}

// "Tue Nov 12 20:00:05 2024" (a ctime text) or "Wed Nov 13 2024".
bool ReadHeaderDate(std::string_view text, ParsedLine* out) {
  std::size_t pos = 0;
  NextWord(text, &pos);  // the weekday
  const int month = MonthOf(NextWord(text, &pos));
  const std::string_view day_word = NextWord(text, &pos);
  std::string_view word = NextWord(text, &pos);
  Clock clock;
  std::size_t at = 0;
  const bool has_clock = ReadClock(word, &at, &clock) && at == word.size();
  if (has_clock) word = NextWord(text, &pos);
  int day = 0;
  int year = 0;
  if (month == 0 || day_word.empty() || day_word.size() > 2 ||
      !DigitsAt(day_word, 0, day_word.size(), &day) || day < 1 ||
      word.size() != 4 || !DigitsAt(word, 0, 4, &year) ||
      day > DaysInMonth(year, month)) {
    return false;  // no such day: no date rather than a wrong one
  }
  out->date = {year, month, day};
  out->clock = clock;
  out->header_clock = has_clock;
  return true;
}

// A client's own line: "--- Log opened DATE" and the like. The date is
// read where the line gives one.
bool Header(std::string_view line, std::string_view prefix, bool dated,
            ParsedLine* out) {
  if (!line.starts_with(prefix)) return false;
  out->kind = Kind::kHeader;
  out->own = true;
  if (dated) ReadHeaderDate(line.substr(prefix.size()), out);
  return true;
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

// What follows a stamp: "<nick> message" (or "<nick>\tmessage"), else an
// event.
void ReadRest(std::string_view rest, ParsedLine* out) {
  out->kind = Kind::kEvent;
  if (rest.empty() || rest[0] != '<') return;
  const std::size_t close = rest.find('>');
  if (close == std::string_view::npos || close < 2) return;
  const std::string_view nick = BareNick(rest.substr(1, close - 1));
  if (nick.empty()) return;
  std::string_view message = rest.substr(close + 1);
  if (!message.empty() && (message.front() == ' ' || message.front() == '\t')) {
    message.remove_prefix(1);
  }
  out->kind = Kind::kMessage;
  out->nick = nick;
  out->message = message;
}

// irssi, ZNC, mIRC and eggdrop: a stamp, then "<nick> message" or not.
// `*rest` is what follows the stamp.
bool ReadStamped(std::string_view line, bool bracketed, ParsedLine* out,
                 std::string_view* rest) {
  std::size_t at = bracketed ? 1 : 0;
  if ((bracketed && !At(line, 0, '[')) || !ReadClock(line, &at, &out->clock)) {
    return false;
  }
  if (bracketed) {
    if (!At(line, at, ']')) return false;
    ++at;
  }
  *rest = line.substr(at);
  ReadRest(At(line, at, ' ') ? line.substr(at + 1) : *rest, out);
  return true;
}

// "DATE<separator>TIME" at the line's start; `*at` is set past it.
bool ReadDatedStamp(std::string_view line, char separator, ParsedLine* out,
                    std::size_t* at) {
  *at = 11;
  return ReadIsoDate(line, 0, &out->date) && At(line, 10, separator) &&
         ReadClock(line, at, &out->clock);
}

bool Contains(std::string_view s, std::string_view word) {
  return s.find(word) != std::string_view::npos;
}

// eggdrop's own event lines, after "[HH:MM]".
bool EggdropEvent(std::string_view rest) {
  return rest.starts_with(" Action: ") || rest.starts_with(" Nick change: ") ||
         (!rest.starts_with(" *") && !rest.starts_with(" <") &&
          (Contains(rest, ") joined #") || Contains(rest, ") left #")));
}

ParsedLine ParseIrssi(std::string_view line) {
  ParsedLine out;
  if (Header(line, "--- Log opened ", true, &out) ||
      Header(line, "--- Day changed ", true, &out) ||
      Header(line, "--- Log closed ", false, &out)) {
    return out;
  }
  std::string_view rest;
  if (!ReadStamped(line, false, &out, &rest)) return ParsedLine{};
  out.own = rest.starts_with(" <") || rest.starts_with(" -!- ");
  return out;
}

ParsedLine ParseBracketed(LogFormat format, std::string_view line) {
  ParsedLine out;
  if (format == LogFormat::kMirc &&
      (Header(line, "Session Start: ", true, &out) ||
       Header(line, "Session Close: ", false, &out) ||
       Header(line, "Session Ident: ", false, &out) ||
       Header(line, "Session Time: ", false, &out))) {
    return out;
  }
  std::string_view rest;
  if (!ReadStamped(line, true, &out, &rest)) return ParsedLine{};
  const bool short_clock = !out.clock.has_seconds;
  if (format == LogFormat::kEggdrop && rest.starts_with(" --- ")) {
    // The day line eggdrop writes at midnight: "[00:00] --- Wed Nov 13 2024".
    ParsedLine day;
    day.kind = Kind::kHeader;
    day.own = true;
    ReadHeaderDate(rest.substr(5), &day);
    return day;
  }
  switch (format) {
    case LogFormat::kZnc:
      out.own = out.clock.has_seconds && rest.starts_with(" *** ");
      break;
    case LogFormat::kEggdrop:
      out.own = short_clock && EggdropEvent(rest);
      break;
    default:  // mIRC
      out.own = short_clock && !EggdropEvent(rest);
      break;
  }
  return out;
}

ParsedLine ParseWeechat(std::string_view line) {
  ParsedLine out;
  std::size_t at = 0;
  if (!ReadDatedStamp(line, ' ', &out, &at) || !At(line, at, '\t')) {
    return ParsedLine{};
  }
  out.own = out.clock.has_seconds;
  const std::string_view fields = line.substr(at + 1);
  const std::size_t tab = fields.find('\t');
  const std::string_view prefix = fields.substr(0, tab);
  if (prefix.starts_with("****")) {
    out.kind = Kind::kHeader;  // "Beginning of log", "End of log"
    return out;
  }
  const std::string_view bare = BareNick(prefix);
  out.kind = bare.empty() || bare == "-->" || bare == "<--" || bare == "--" ||
                     bare == "*" || bare == "=!="
                 ? Kind::kEvent
                 : Kind::kMessage;
  if (out.kind == Kind::kMessage) {
    out.nick = bare;
    out.message = tab == std::string_view::npos ? std::string_view()
                                                : fields.substr(tab + 1);
  }
  return out;
}

ParsedLine ParseHexchat(std::string_view line) {
  ParsedLine out;
  if (Header(line, "**** BEGIN LOGGING AT ", true, &out) ||
      Header(line, "**** ENDING LOGGING AT ", false, &out)) {
    return out;
  }
  // "Nov 12 20:01:10 ": the month, the day, the time.
  const int month = MonthOf(line.substr(0, 3));
  if (month == 0 || line.size() < 16 || line[3] != ' ') return out;
  std::size_t at = line[4] == ' ' ? 5 : 4;  // a day written with a blank
  const std::size_t day_end = line.find(' ', at);
  int day = 0;
  if (day_end == std::string_view::npos || day_end - at > 2 ||
      !DigitsAt(line, at, day_end - at, &day) || day < 1 || day > 31) {
    return out;
  }
  at = day_end + 1;
  if (!ReadClock(line, &at, &out.clock)) return ParsedLine{};
  out.own = line[0] >= 'A' && line[0] <= 'Z' && at == 15 &&
            out.clock.has_seconds && At(line, 15, ' ');
  out.date = {0, month, day};
  out.month_day_only = true;
  ReadRest(At(line, at, ' ') ? line.substr(at + 1) : line.substr(at), &out);
  return out;
}

ParsedLine ParseLimnoria(std::string_view line) {
  ParsedLine out;
  if (Header(line, "**** BEGIN LOGGING AT ", true, &out) ||
      Header(line, "**** ENDING LOGGING AT ", false, &out)) {
    out.own = false;  // HexChat writes these too
    return out;
  }
  std::size_t at = 0;
  if (!ReadDatedStamp(line, 'T', &out, &at)) return ParsedLine{};
  out.own = out.clock.has_seconds;
  while (At(line, at, ' ')) ++at;
  ReadRest(line.substr(at), &out);
  return out;
}

// dircproxy: "@" and the seconds since 1970, then a blank.
bool IsDircproxyLine(std::string_view line) {
  std::size_t digits = 0;
  while (1 + digits < line.size() && IsDigitByte(line[1 + digits])) ++digits;
  return At(line, 0, '@') && digits >= 9 && At(line, 1 + digits, ' ');
}

}  // namespace

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30,
                                  31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

std::string_view LogFormatName(LogFormat format) {
  for (const Named& n : kNames) {
    if (n.format == format) return n.name;
  }
  return "classic";
}

bool ParseLogFormat(std::string_view name, LogFormat* format) {
  for (const Named& n : kNames) {
    if (n.name == name) {
      *format = n.format;
      return true;
    }
  }
  return false;
}

std::string LogFormatNames() {
  std::string names;
  for (const Named& n : kNames) {
    if (!names.empty()) names += ", ";
    names += n.name;
  }
  return names;
}

ParsedLine ParseLine(LogFormat format, std::string_view line) {
  switch (format) {
    case LogFormat::kClassic:
      return ParsedLine{};
    case LogFormat::kIrssi:
      return ParseIrssi(line);
    case LogFormat::kWeechat:
      return ParseWeechat(line);
    case LogFormat::kHexchat:
      return ParseHexchat(line);
    case LogFormat::kLimnoria:
      return ParseLimnoria(line);
    case LogFormat::kZnc:
    case LogFormat::kMirc:
    case LogFormat::kEggdrop:
      return ParseBracketed(format, line);
  }
  return ParsedLine{};
}

Date DateOfFileName(LogFormat format, std::string_view name) {
  if (format != LogFormat::kZnc && format != LogFormat::kEggdrop) return {};
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  for (std::size_t at = 0; at + 8 <= name.size(); ++at) {
    Date d;
    if (ReadIsoDate(name, at, &d) ||
        (DigitsAt(name, at, 4, &d.year) &&
         DigitsAt(name, at + 4, 2, &d.month) &&
         DigitsAt(name, at + 6, 2, &d.day) && d.month >= 1 && d.month <= 12 &&
         d.day >= 1 && d.day <= DaysInMonth(d.year, d.month) &&
         (at + 8 == name.size() || !IsDigitByte(name[at + 8])))) {
      if (d.year >= 1970 && d.year <= 9999) return d;
    }
  }
  return {};
}

Detection DetectLogFormat(const std::vector<std::string>& lines) {
  // A line counts for the first format, in this order, whose own shape it
  // has.
  constexpr std::array<LogFormat, 7> kOrder = {
      LogFormat::kWeechat, LogFormat::kLimnoria, LogFormat::kHexchat,
      LogFormat::kIrssi,   LogFormat::kZnc,      LogFormat::kEggdrop,
      LogFormat::kMirc};
  std::array<std::size_t, kNames.size()> votes{};
  std::size_t dircproxy = 0;
  Detection d;
  for (const std::string& line : lines) {
    if (IsDircproxyLine(line)) ++dircproxy;
    for (LogFormat format : kOrder) {
      if (ParseLine(format, line).own) {
        ++votes[static_cast<std::size_t>(format)];
        break;
      }
    }
  }
  // mIRC and eggdrop share their message lines: eggdrop's own event lines
  // decide between them.
  const auto egg = static_cast<std::size_t>(LogFormat::kEggdrop);
  const auto mirc = static_cast<std::size_t>(LogFormat::kMirc);
  if (votes[egg] > 0) {
    votes[egg] += votes[mirc];
    votes[mirc] = 0;
  }
  std::size_t best = 0;
  for (std::size_t i = 1; i < votes.size(); ++i) {
    if (votes[i] > votes[best]) best = i;
  }
  if (dircproxy > votes[best] && dircproxy * 2 > lines.size()) {
    d.unreadable = "dircproxy";
    return d;
  }
  // A format stands out when at least a tenth of the lines have its own
  // shapes: one "--- Log opened" line atop a classic log does not make it
  // an irssi log.
  const bool stands_out = votes[best] > 0 && votes[best] * 10 >= lines.size();
  d.format = stands_out ? kNames[best].format : LogFormat::kClassic;
  return d;
}

Detection DetectLogFormat(std::string_view first_bytes) {
  constexpr std::size_t kFirstLines = 200;
  std::vector<std::string> lines;
  while (!first_bytes.empty() && lines.size() < kFirstLines) {
    const std::size_t end = first_bytes.find('\n');
    std::string_view line = first_bytes.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    first_bytes.remove_prefix(end + 1);
  }
  return DetectLogFormat(lines);
}

std::string LogFormatWithArticle(std::string_view name) {
  const bool vowel =
      !name.empty() &&
      std::string_view("aeiou").find(name.front()) != std::string_view::npos;
  return (vowel ? "an " : "a ") + std::string(name) + " log";
}

}  // namespace vexlane
