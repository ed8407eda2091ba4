#include "log/time_entry.h"

#include <cstdio>
#include <string>

#include "base/text.h"

namespace vexlane {

namespace {

// Collection of the digits of a post stops at the first digit more than this
// many positions after the first one.
constexpr std::size_t kDigitWindow = 11;

// The message at(k) for k >= 1 is message[k - 1]; position 0 is the marker
// that the message follows ('>' in a log line), which is never a digit and
// never tested. Positions count from the marker, as in the original line.
TimeEntry ParseMessage(std::string_view message) {
  TimeEntry entry;
  char digits[kDigitWindow + 1];
  std::size_t count = 0;
  std::size_t first = 0;  // position of the first digit; 0 until one is seen
  std::size_t last = 0;   // position of the last collected digit
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (!IsDigitByte(message[i])) continue;
    const std::size_t pos = i + 1;
    if (first == 0) first = pos;
    if (pos > first + kDigitWindow) break;
    digits[count++] = message[i];
    last = pos;
  }

  if (count > 0) {
    // Only white space may stand before the first digit and after the last.
    for (std::size_t pos = 1; pos < first; ++pos) {
      if (!IsSpaceByte(message[pos - 1])) return TimeEntry{};
    }
    for (std::size_t pos = last + 1; pos <= message.size(); ++pos) {
      if (!IsSpaceByte(message[pos - 1])) return TimeEntry{};
    }
  }

  if (count >= 3 && count <= 5) {
    auto digit = [&](std::size_t k) -> std::uint32_t {
      return digits[k] - '0';
    };
    entry.hundredths = digit(count - 2) * 10 + digit(count - 1);
    entry.seconds = digit(count - 3);
    if (count >= 4) entry.seconds += digit(count - 4) * 10;
    if (count == 5) entry.minutes = digit(0);
    while (entry.seconds > 59) {
      entry.seconds -= 60;
      entry.minutes += 1;
    }
    TimeEntry two_seconds;
    two_seconds.seconds = 2;
    if (entry.hundredths > 99 || entry.seconds > 60 || entry.minutes > 5 ||
        Better(entry, two_seconds)) {
      entry.hundredths = entry.seconds = entry.minutes = 0;
    }
  }

  if (IsEmpty(entry)) {
    // A bare number with no word after it is an apple count.
    std::string_view rest = message;
    int apples = 0;
    if (ReadInt(&rest, &apples) == NumberRead::kOk) {
      std::size_t i = 0;
      while (i < rest.size() && IsSpaceByte(rest[i])) ++i;
      const bool word_follows = i < rest.size();
      if (!word_follows && apples >= 1 && apples <= kMostApples) {
        entry.apples = static_cast<std::uint32_t>(apples);
      }
    }
  }
  return entry;
}

}  // namespace

TimeEntry ParseTime(std::string_view text, MessageStart start) {
  if (start == MessageStart::kTypedAlone) return ParseMessage(text);
  const std::size_t marker = text.find('>');
  if (marker == std::string_view::npos) return TimeEntry{};
  return ParseMessage(text.substr(marker + 1));
}

bool HasTime(const TimeEntry& e) {
  return e.hundredths != 0 || e.seconds != 0 || e.minutes != 0;
}

std::optional<std::uint64_t> Hundredths(const TimeEntry& e) {
  if (!HasTime(e)) return std::nullopt;
  return (std::uint64_t{e.minutes} * 60 + e.seconds) * 100 + e.hundredths;
}

bool IsEmpty(const TimeEntry& e) { return !HasTime(e) && e.apples == 0; }

bool Better(const TimeEntry& a, const TimeEntry& b) {
  if (!HasTime(a)) return !HasTime(b) && a.apples > b.apples;
  if (!HasTime(b)) return b.apples != 0;
  if (a.minutes != b.minutes) return a.minutes < b.minutes;
  if (a.seconds != b.seconds) return a.seconds < b.seconds;
  return a.hundredths < b.hundredths;
}

TimeEntry Sum(const TimeEntry& a, const TimeEntry& b) {
  TimeEntry s;
  s.name = a.name;
  s.hundredths = a.hundredths + b.hundredths;
  s.seconds = a.seconds;
  while (s.hundredths > 99) {
    s.hundredths -= 100;
    s.seconds += 1;
  }
  s.seconds += b.seconds;
  s.minutes = a.minutes;
  while (s.seconds > 59) {
    s.seconds -= 60;
    s.minutes += 1;
  }
  s.minutes += b.minutes;
  s.points = a.points + b.points;
  s.apples = a.apples + b.apples;
  return s;
}

std::string DescribeTime(const TimeEntry& e) {
  if (!HasTime(e)) {
    return std::to_string(e.apples) + (e.apples == 1 ? " apple" : " apples");
  }
  char text[48];
  std::snprintf(text, sizeof text, "%u:%02u,%02u", e.minutes, e.seconds,
                e.hundredths);
  return text;
}

std::string WhyNotATime(std::string_view message) {
  while (!message.empty() && IsSpaceByte(message.front())) {
    message.remove_prefix(1);
  }
  while (!message.empty() && IsSpaceByte(message.back())) {
    message.remove_suffix(1);
  }
  const std::size_t first = message.find_first_of("0123456789");
  if (first == std::string_view::npos) return "it holds no number";
  if (first > 0) return "words stand before the number";
  std::size_t digits = 0;
  std::size_t last = 0;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (!IsDigitByte(message[i])) continue;
    if (i > first + kDigitWindow) break;
    ++digits;
    last = i;
  }
  if (last + 1 < message.size()) {
    return digits > 5 ? "too many digits for a time"
                      : "a word follows the number";
  }
  if (digits > 5) return "too many digits for a time";
  if (digits >= 3) {
    return "out of range: a time lies from 0:02,00 to 5:59,99";
  }
  return "out of range: a number alone counts 1 to " +
         std::to_string(kMostApples) + " apples";
}

}  // namespace vexlane
