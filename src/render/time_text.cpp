#include "render/time_text.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "base/text.h"

namespace vexlane {

namespace {

// Writers into a caller's buffer, for the time texts written for every row
// of every battle: no temporaries.
char* PutUnsigned(char* at, std::uint64_t value) {
  return std::to_chars(at, at + 20, value).ptr;
}

char* PutTwoDigits(char* at, std::uint64_t value) {
  if (value < 10) *at++ = '0';
  return PutUnsigned(at, value);
}

// "m:ss,hh", or "h:mm:ss,hh" above 60 minutes.
char* PutTime(char* at, std::uint64_t minutes, std::uint64_t seconds,
              std::uint64_t hundredths, bool hours_above_60) {
  if (hours_above_60 && minutes > 60) {
    at = PutUnsigned(at, minutes / 60);
    *at++ = ':';
    at = PutTwoDigits(at, minutes % 60);
  } else {
    at = PutUnsigned(at, minutes);
  }
  *at++ = ':';
  at = PutTwoDigits(at, seconds);
  *at++ = ',';
  return PutTwoDigits(at, hundredths);
}

}  // namespace

void AppendTimeColumn(const TimeEntry& e, std::string* out) {
  constexpr std::size_t kWidth = 12;
  if (!HasTime(e)) {
    if (e.apples == 0) {
      out->append(kWidth, ' ');
    } else if (e.apples == 1) {
      out->append("     1 apple");
    } else {
      out->append(e.apples < 10 ? "    " : "   ");
      AppendUnsigned(e.apples, out);
      out->append(" apples");
    }
    return;
  }
  char text[80];
  const char* end = PutTime(text, e.minutes, e.seconds, e.hundredths, true);
  const std::size_t length = static_cast<std::size_t>(end - text);
  if (length < kWidth) out->append(kWidth - length, ' ');
  out->append(text, length);
}

char* PutShownTime(char* at, const TimeEntry& e) {
  if (HasTime(e)) return PutTime(at, e.minutes, e.seconds, e.hundredths, true);
  if (e.apples == 0) return at;
  at = PutUnsigned(at, e.apples);
  const std::string_view word = e.apples == 1 ? " apple" : " apples";
  return std::copy(word.begin(), word.end(), at);
}

std::string TimeColumnText(const TimeEntry& e) {
  std::string out;
  AppendTimeColumn(e, &out);
  return out;
}

void AppendDifference(const TimeEntry& e, const TimeEntry& best,
                      std::string* out) {
  if (!HasTime(e) || !HasTime(best) || &e == &best || !Better(best, e)) {
    out->append(8, ' ');
    return;
  }
  // Field by field with borrowing; best is better, so the result is >= 0.
  std::int64_t hundredths = std::int64_t{e.hundredths} - best.hundredths;
  std::int64_t seconds = std::int64_t{e.seconds} - best.seconds;
  std::int64_t minutes = std::int64_t{e.minutes} - best.minutes;
  if (hundredths < 0) {
    hundredths += 100;
    seconds -= 1;
  }
  if (seconds < 0) {
    seconds += 60;
    minutes -= 1;
  }
  char text[80];
  text[0] = '+';
  const char* end = PutTime(text + 1, static_cast<std::uint64_t>(minutes),
                            static_cast<std::uint64_t>(seconds),
                            static_cast<std::uint64_t>(hundredths), false);
  out->append(text, static_cast<std::size_t>(end - text));
}

std::string DifferenceText(const TimeEntry& e, const TimeEntry& best) {
  std::string out;
  AppendDifference(e, best, &out);
  return out;
}

}  // namespace vexlane
