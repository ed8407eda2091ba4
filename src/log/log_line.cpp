#include "log/log_line.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"
#include "log/line_fields.h"  // TimeStampOf

namespace vexlane {

namespace {

using Kind = ParsedLine::Kind;

void AppendTwoDigits(int value, std::string* out) {
  *out += static_cast<char>('0' + value / 10 % 10);
  *out += static_cast<char>('0' + value % 10);
}

// The IRC formatting codes: bold, colour (with its numbers), hex colour,
// reset, monospace, reverse (two spellings), italic, strikethrough and
// underline.
bool IsFormatting(char c) {
  return c == '\x02' || c == '\x0F' || c == '\x11' || c == '\x12' ||
         c == '\x16' || c == '\x1D' || c == '\x1E' || c == '\x1F';
}

bool IsHexDigit(char c) {
  return IsDigitByte(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The end of a hex colour code at `at`: ^D, six hex digits, and a comma
// with six more.
std::size_t HexColourEnd(const char* text, std::size_t size, std::size_t at) {
  const auto six = [&](std::size_t from) {
    std::size_t n = 0;
    while (n < 6 && from + n < size && IsHexDigit(text[from + n])) ++n;
    return n == 6;
  };
  std::size_t k = at + 1;
  if (!six(k)) return k;
  k += 6;
  if (k + 1 < size && text[k] == ',' && six(k + 1)) k += 7;
  return k;
}

// Removes the formatting codes from `text` in place; the new length.
std::size_t RemoveCodes(char* text, std::size_t size) {
  std::size_t i = 0;
  while (i < size && text[i] != '\x03' && text[i] != '\x04' &&
         !IsFormatting(text[i])) {
    ++i;
  }
  std::size_t out = i;  // nothing to move before the first code
  while (i < size) {
    const char c = text[i];
    if (c == '\x04') {
      i = HexColourEnd(text, size, i);
      continue;
    }
    if (c == '\x03') {
      // ^C, up to two digits, and a comma with up to two more.
      std::size_t k = i + 1;
      for (int n = 0; n < 2 && k < size && IsDigitByte(text[k]); ++n) ++k;
      if (k > i + 1 && k + 1 < size && text[k] == ',' &&
          IsDigitByte(text[k + 1])) {
        k += 2;
        if (k < size && IsDigitByte(text[k])) ++k;
      }
      i = k;
      continue;
    }
    if (!IsFormatting(c)) text[out++] = c;
    ++i;
  }
  return out;
}

std::size_t Offset(std::string_view inner, const char* base) {
  return inner.empty() ? 0 : static_cast<std::size_t>(inner.data() - base);
}

}  // namespace

// The rule of SpeakerOf, done here for every line of a classic log with
// one search for each bracket: the first '<' must stand before the first
// '>', so it is looked for only there.
void ReadClassicLine(std::string_view text, LineFields* f) {
  const char* const begin = text.data();
  const std::size_t size = text.size();
  f->length = size;
  f->speaker_begin = 0;
  f->speaker_length = 0;
  f->message_begin = size;
  f->stamp = LineStamp{};
  f->client = false;
  if (size == 0) return;
  const char* close = static_cast<const char*>(std::memchr(begin, '>', size));
  if (close == nullptr) return;
  f->message_begin = static_cast<std::size_t>(close - begin) + 1;
  const char* open = static_cast<const char*>(
      std::memchr(begin, '<', static_cast<std::size_t>(close - begin)));
  if (open == nullptr) return;
  const std::string_view speaker = StripDecoration(
      std::string_view(open + 1, static_cast<std::size_t>(close - open - 1)));
  if (speaker.empty()) return;
  f->speaker_begin = static_cast<std::size_t>(speaker.data() - begin);
  f->speaker_length = speaker.size();
}

std::string StampOf(const LogLine& line) {
  if (!line.has_clock) return std::string(TimeStampOf(line.text));
  std::string stamp;
  AppendTwoDigits(line.hours, &stamp);
  stamp += ':';
  AppendTwoDigits(line.minutes, &stamp);
  stamp += ':';
  AppendTwoDigits(line.seconds, &stamp);
  return stamp;
}

std::string DateText(std::uint32_t date) {
  if (date == 0) return "";
  std::string text = std::to_string(date / 10000);
  while (text.size() < 4) text.insert(text.begin(), '0');
  text += '-';
  AppendTwoDigits(static_cast<int>(date / 100 % 100), &text);
  text += '-';
  AppendTwoDigits(static_cast<int>(date % 100), &text);
  return text;
}

LogLine Rebase(const LogLine& line, std::string_view copy) {
  LogLine moved = line;
  const auto at = [&](std::string_view inner) {
    return inner.empty()
               ? std::string_view()
               : copy.substr(
                     static_cast<std::size_t>(inner.data() - line.text.data()),
                     inner.size());
  };
  moved.text = copy;
  moved.speaker = at(line.speaker);
  moved.message = at(line.message);
  return moved;
}

LogLine LineOf(std::string_view text, const LineFields& f, Anchors anchors) {
  LogLine line;
  line.text = text;
  line.speaker = text.substr(f.speaker_begin, f.speaker_length);
  line.message = text.substr(f.message_begin);
  line.anchors = anchors;
  line.date = f.stamp.date;
  line.has_clock = f.stamp.has_clock;
  line.client = f.client;
  line.hours = f.stamp.hours;
  line.minutes = f.stamp.minutes;
  line.seconds = f.stamp.seconds;
  return line;
}

void LineReader::Reset() {
  date_ = {};
  last_seconds_ = -1;
  last_had_seconds_ = false;
}

void LineReader::BeginFile(std::string_view name) {
  const Date date = DateOfFileName(format_, name);
  if (date.year == 0) return;
  SetDate(date);
  last_seconds_ = -1;
}

void LineReader::SetDate(const Date& date) {
  date_ = date;
  date_.day = std::min(date.day, DaysInMonth(date.year, date.month));
}

void LineReader::SeeClock(const Clock& clock) {
  const int seconds = clock.hours * 3600 + clock.minutes * 60 + clock.seconds;
  if (date_.year != 0 && last_seconds_ >= 0) {
    // A stamp more than twelve hours earlier than the one before, with no
    // day line between: the log has run past midnight (a stamp a little
    // earlier is a line played back late). A stamp without seconds is
    // compared by its minute: "19:50" after "19:50:02" is the same minute.
    constexpr int kHalfDay = 12 * 3600;
    const bool by_minute = !clock.has_seconds || !last_had_seconds_;
    const int now = by_minute ? seconds / 60 * 60 : seconds;
    const int before = by_minute ? last_seconds_ / 60 * 60 : last_seconds_;
    if (before - now > kHalfDay && date_.year < 9999) {
      Date next = date_;
      if (++next.day > DaysInMonth(next.year, next.month)) {
        next.day = 1;
        if (++next.month > 12) {
          next.month = 1;
          ++next.year;
        }
      }
      SetDate(next);
    }
  }
  last_seconds_ = seconds;
  last_had_seconds_ = clock.has_seconds;
}

void LineReader::ReadClientLine(char* text, std::size_t size, LineFields* f) {
  *f = LineFields{};
  f->length = RemoveCodes(text, size);
  f->message_begin = f->length;
  const std::string_view line(text, f->length);
  const ParsedLine p = ParseLine(format_, line);
  switch (p.kind) {
    case Kind::kOther:
      ReadClassicLine(line, f);
      // Every channel line of a client's log has a stamp: an empty line is
      // the client's own (HexChat writes one before a session).
      f->client = f->length == 0;
      break;
    case Kind::kHeader:
      if (p.date.year != 0) {
        SetDate(p.date);
        last_seconds_ =
            p.header_clock
                ? p.clock.hours * 3600 + p.clock.minutes * 60 + p.clock.seconds
                : -1;
        last_had_seconds_ = p.header_clock;
      }
      // The client's own line: it gives a date and is no channel line.
      f->client = true;
      break;
    case Kind::kMessage:
    case Kind::kEvent:
      if (p.month_day_only) {
        // HexChat's stamp has no year: the header's, moved on at a new year.
        if (date_.year != 0) {
          SetDate({p.date.month < date_.month ? date_.year + 1 : date_.year,
                   p.date.month, p.date.day});
        }
        last_seconds_ = -1;
      } else if (p.date.year != 0) {
        SetDate(p.date);  // every line carries its date
        last_seconds_ = -1;
      } else {
        SeeClock(p.clock);
      }
      f->stamp.has_clock = true;
      f->stamp.hours = static_cast<std::uint8_t>(p.clock.hours);
      f->stamp.minutes = static_cast<std::uint8_t>(p.clock.minutes);
      f->stamp.seconds = static_cast<std::uint8_t>(p.clock.seconds);
      if (p.kind == Kind::kMessage) {
        const std::string_view speaker = StripDecoration(p.nick);
        f->speaker_begin = Offset(speaker, text);
        f->speaker_length = speaker.size();
        // A message runs to the end of its line.
        f->message_begin =
            p.message.empty() ? f->length : Offset(p.message, text);
      }
      break;
  }
  if (date_.year != 0) {
    f->stamp.date = static_cast<std::uint32_t>(date_.year * 10000 +
                                               date_.month * 100 + date_.day);
  }
}

LogLine LineReader::Read(std::string* text) {
  LineFields fields;
  Read(text->data(), text->size(), &fields);
  text->resize(fields.length);
  return LineOf(*text, fields, AnchorsOf(*text));
}

}  // namespace vexlane
