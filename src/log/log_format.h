// The shapes of log that IRC clients, bouncers and bots write: one grammar
// per format, which both reads a line and tells, for detection, whether
// the line has a shape only that format writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexlane {

enum class LogFormat {
  kClassic,  // "[hh:mm:ss] <nick> message", read as it is
  kIrssi,
  kWeechat,
  kZnc,
  kMirc,
  kHexchat,
  kLimnoria,
  kEggdrop,
};

// "classic", "irssi", ...
std::string_view LogFormatName(LogFormat format);

// False when `name` names no format ("auto" is the caller's).
bool ParseLogFormat(std::string_view name, LogFormat* format);

// Every format name, for messages: "classic, irssi, ..., eggdrop".
std::string LogFormatNames();

// A time of day as a stamp gives it.
struct Clock {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  bool has_seconds = false;
};

// The days of `month` (1 to 12) in `year`, leap years counted.
int DaysInMonth(int year, int month);

// A calendar date; year 0 when none is known.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};

// What a format's grammar reads from one line.
struct ParsedLine {
  enum class Kind {
    kOther,    // not a line of the format: read as a classic line
    kMessage,  // a stamp, then what a nick said
    kEvent,    // a stamp, then a join, part, quit, action, notice...
    kHeader,   // the client's own line: opening, closing, a day change
  };
  Kind kind = Kind::kOther;
  bool own = false;  // a shape only this format writes (for detection)
  Clock clock;       // kMessage and kEvent; a kHeader's when it has one
  bool header_clock = false;    // the header gives a time of day
  Date date;                    // a header's date, or a stamp's (year 0: none)
  bool month_day_only = false;  // HexChat: the stamp has no year
  std::string_view nick;        // kMessage: as written, mode and all
  std::string_view message;     // kMessage: what was said
};

// Reads `line` with `format`'s grammar. The classic format has none: every
// line is kOther.
ParsedLine ParseLine(LogFormat format, std::string_view line);

// The file name's date ("2024-11-12" or "20241112" in its last part), for
// the formats that write one file a day (ZNC, eggdrop); year 0 otherwise.
Date DateOfFileName(LogFormat format, std::string_view name);

// What the first lines of a log look like.
struct Detection {
  LogFormat format = LogFormat::kClassic;  // classic when nothing stands out
  // The name of a kind of log the program cannot read ("dircproxy"), or
  // empty; `format` is then classic.
  std::string_view unreadable;
};
Detection DetectLogFormat(const std::vector<std::string>& lines);
// The same for the first lines (at most 200) of `first_bytes`, the start of
// a log.
Detection DetectLogFormat(std::string_view first_bytes);

// "a weechat log", "an irssi log": the format's name with its article.
std::string LogFormatWithArticle(std::string_view name);

}  // namespace vexlane
