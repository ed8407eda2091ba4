#include "parse/text.h"

#include <algorithm>
#include <limits>

namespace vexlane {

std::string UpperCopy(std::string_view text) {
  std::string out;
  UpperInto(text, &out);
  return out;
}

void UpperInto(std::string_view text, std::string* out) {
  out->resize(text.size());
  char* dst = out->data();
  for (char c : text) *dst++ = UpperByte(c);
}

std::string UnsignedText(std::uint64_t value) { return std::to_string(value); }

std::string SignedText(std::int64_t value) {
  if (value < 0) {
    // Negate in unsigned arithmetic so the most negative value is safe.
    return "-" + UnsignedText(0 - static_cast<std::uint64_t>(value));
  }
  return UnsignedText(static_cast<std::uint64_t>(value));
}

std::string TwoDigitText(std::uint64_t value) {
  return value < 10 ? "0" + UnsignedText(value) : UnsignedText(value);
}

std::string PadRight(std::string_view text, std::size_t width) {
  std::string out(text);
  if (out.size() < width) out.append(width - out.size(), ' ');
  return out;
}

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsSpaceByte);
}

namespace {

bool IsDecoration(char c) {
  switch (c) {
    case '_': case '@': case '-': case '+': case '/': case '\\': case '*':
    case '|': case '^': case '\'': case '`': case '(': case ')': case ':':
    case '\xB4':
      return true;
    default:
      return IsSpaceByte(c);
  }
}

}  // namespace

std::string_view StripDecoration(std::string_view text) {
  while (text.size() >= 2 && IsDecoration(text.front())) text.remove_prefix(1);
  while (text.size() >= 2 && IsDecoration(text.back())) text.remove_suffix(1);
  return text;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

NumberRead ReadInt(std::string_view* rest, int* value) {
  std::string_view s = *rest;
  std::size_t i = 0;
  while (i < s.size() && IsSpaceByte(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  if (i >= s.size() || !IsDigitByte(s[i])) return NumberRead::kNone;
  // Accumulate the magnitude with a cap so that any run of digits is safe.
  constexpr std::uint64_t kCap = std::uint64_t{1} << 40;
  std::uint64_t magnitude = 0;
  while (i < s.size() && IsDigitByte(s[i])) {
    if (magnitude < kCap) magnitude = magnitude * 10 + (s[i] - '0');
    ++i;
  }
  rest->remove_prefix(i);
  const std::uint64_t limit =
      negative ? std::uint64_t{1} + std::numeric_limits<int>::max()
               : std::uint64_t{std::numeric_limits<int>::max()};
  if (magnitude > limit) return NumberRead::kOutOfRange;
  *value = negative ? static_cast<int>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<int>(magnitude);
  return NumberRead::kOk;
}

std::string TimeColumnText(const TimeEntry& e) {
  std::string out;
  if (!HasTime(e)) {
    if (e.apples == 0) return std::string(12, ' ');
    out = e.apples < 10 ? "    " : "   ";
    out += e.apples == 1 ? " 1 apple" : UnsignedText(e.apples) + " apples";
    return out;
  }
  if (e.minutes > 60) {
    out = UnsignedText(e.minutes / 60) + ":" + TwoDigitText(e.minutes % 60) +
          ":";
  } else {
    out = UnsignedText(e.minutes) + ":";
  }
  out += TwoDigitText(e.seconds) + "," + TwoDigitText(e.hundredths);
  if (out.size() < 12) out.insert(0, 12 - out.size(), ' ');
  return out;
}

std::string DifferenceText(const TimeEntry& e, const TimeEntry& best) {
  if (!HasTime(e) || !HasTime(best) || &e == &best || !Better(best, e)) {
    return std::string(8, ' ');
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
  return "+" + SignedText(minutes) + ":" + TwoDigitText(static_cast<std::uint64_t>(seconds)) + "," +
         TwoDigitText(static_cast<std::uint64_t>(hundredths));
}

}  // namespace vexlane
