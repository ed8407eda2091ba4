// One line of a log as the battle finder reads it, whatever client wrote
// the log, and the reader that makes it: each format's grammar gives the
// speaker, the message, the stamp and the date, so that no line is parsed
// twice or written back into another shape.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "log/line_prefilter.h"
#include "log/log_format.h"

namespace vexlane {

struct LogLine {
  // The line as the battle rules test it: as written, less mIRC's
  // formatting codes in a client's log.
  std::string_view text;
  std::string_view speaker;  // the nick that said it; empty for the rest
  std::string_view message;  // what was said (empty when nobody spoke)
  Anchors anchors;           // of `text`
  std::uint32_t date = 0;    // yyyymmdd, 0 when the log has given none
  bool has_clock = false;    // the format's stamp was read: the fields below
  bool client = false;       // a line the client writes: "Log opened"...
  std::uint8_t hours = 0;
  std::uint8_t minutes = 0;
  std::uint8_t seconds = 0;
};

// "20:01:10": the line's stamp as the reports show it; for a line the
// format's grammar did not read, the first word that reads hh?mm?ss.
std::string StampOf(const LogLine& line);

// "2024-11-12", or empty for 0.
std::string DateText(std::uint32_t date);

// The same line over `copy`, a copy of its text.
LogLine Rebase(const LogLine& line, std::string_view copy);

// A line's date and stamp, in eight bytes that are set in one go.
struct LineStamp {
  std::uint32_t date = 0;  // yyyymmdd, 0 when none is known
  std::uint8_t hours = 0;
  std::uint8_t minutes = 0;
  std::uint8_t seconds = 0;
  bool has_clock = false;
};

// Where a line's views stand in its text, as LineReader finds them.
struct LineFields {
  std::size_t length = 0;  // the text's length, codes removed
  std::size_t speaker_begin = 0;
  std::size_t speaker_length = 0;
  std::size_t message_begin = 0;  // the message runs to the text's end
  LineStamp stamp;
  bool client = false;
};

// Fills `*fields` for a line of the classic format: the nick between the
// first '>' and the '<' before it, the message after that '>'.
void ReadClassicLine(std::string_view text, LineFields* fields);

class LineReader {
 public:
  explicit LineReader(LogFormat format) : format_(format) {}

  LogFormat format() const { return format_; }

  // A new pass over the log: no date is known yet.
  void Reset();
  // The next lines come from the file `name` (ZNC and eggdrop name their
  // files by date).
  void BeginFile(std::string_view name);

  // Reads the line at `text` (`size` bytes, no line end). In a client's
  // log, mIRC formatting codes are first removed in place: the text is then
  // `fields->length` bytes long.
  void Read(char* text, std::size_t size, LineFields* fields) {
    if (format_ == LogFormat::kClassic) {
      ReadClassicLine(std::string_view(text, size), fields);
    } else {
      ReadClientLine(text, size, fields);
    }
  }

  // The same for a line held elsewhere, as a LogLine (which views `*text`,
  // perhaps shortened).
  LogLine Read(std::string* text);

 private:
  void ReadClientLine(char* text, std::size_t size, LineFields* fields);
  void SetDate(const Date& date);
  void SeeClock(const Clock& clock);

  LogFormat format_;
  Date date_;              // year 0 while no date is known
  int last_seconds_ = -1;  // the last stamp's time of day, for midnight
  bool last_had_seconds_ = false;
};

// The LogLine of `text` read with `fields`.
LogLine LineOf(std::string_view text, const LineFields& fields,
               Anchors anchors);

}  // namespace vexlane
