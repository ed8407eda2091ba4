#include "parse/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>

namespace vexlane {

std::string UpperCopy(std::string_view text) {
  std::string out;
  UpperInto(text, &out);
  return out;
}

void UpperInto(std::string_view text, std::string* out) {
  out->resize(text.size());
  const char* src = text.data();
  char* dst = out->data();
  const std::size_t n = text.size();
  // Eight bytes at a time: find the bytes a-z (high bit clear, 0x61-0x7A)
  // and take 0x20 off each of them.
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  constexpr std::uint64_t kHigh = 0x8080808080808080u;
  auto fold = [](std::uint64_t x) {
    const std::uint64_t low7 = x & ~kHigh;
    const std::uint64_t at_least_a = low7 + (0x80 - 'a') * kOnes;
    const std::uint64_t above_z = low7 + (0x80 - 'z' - 1) * kOnes;
    const std::uint64_t lower = at_least_a & ~above_z & ~x & kHigh;
    return x - (lower >> 2);
  };
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t x;
    std::memcpy(&x, src + i, 8);
    x = fold(x);
    std::memcpy(dst + i, &x, 8);
  }
  for (; i < n; ++i) dst[i] = UpperByte(src[i]);
}

std::size_t FindIgnoringCase(std::string_view text,
                             std::string_view upper_word) {
  for (std::size_t at = text.find(upper_word[0]); at != std::string_view::npos;
       at = text.find(upper_word[0], at + 1)) {
    if (text.size() - at < upper_word.size()) break;
    std::size_t k = 1;
    while (k < upper_word.size() && UpperByte(text[at + k]) == upper_word[k])
      ++k;
    if (k == upper_word.size()) return at;
  }
  return std::string_view::npos;
}

bool ContainsAnchored(std::string_view text, std::string_view word,
                      std::size_t anchor) {
  if (text.size() < word.size()) return false;
  const char* begin = text.data() + anchor;
  // The anchor's last possible place leaves room for the rest of the word.
  const char* end = text.data() + (text.size() - word.size()) + anchor + 1;
  const char key = word[anchor];
  while (begin < end) {
    const void* hit =
        std::memchr(begin, key, static_cast<std::size_t>(end - begin));
    if (hit == nullptr) return false;
    const char* at = static_cast<const char*>(hit);
    if (std::memcmp(at - anchor, word.data(), word.size()) == 0) return true;
    begin = at + 1;
  }
  return false;
}

std::string UnsignedText(std::uint64_t value) { return std::to_string(value); }

std::string SignedText(std::int64_t value) {
  if (value < 0) {
    // Negate in unsigned arithmetic so the most negative value is safe.
    std::string text = "-";
    text += UnsignedText(0 - static_cast<std::uint64_t>(value));
    return text;
  }
  return UnsignedText(static_cast<std::uint64_t>(value));
}

std::string TwoDigitText(std::uint64_t value) {
  std::string text = value < 10 ? "0" : "";
  text += UnsignedText(value);
  return text;
}

std::string PadRight(std::string_view text, std::size_t width) {
  std::string out(text);
  if (out.size() < width) out.append(width - out.size(), ' ');
  return out;
}

void AppendPadded(std::string_view text, std::size_t width, std::string* out) {
  out->append(text);
  if (text.size() < width) out->append(width - text.size(), ' ');
}

std::string_view NextWord(std::string_view text, std::size_t* pos) {
  std::size_t i = *pos;
  while (i < text.size() && IsSpaceByte(text[i])) ++i;
  std::size_t end = i;
  while (end < text.size() && !IsSpaceByte(text[end])) ++end;
  *pos = end;
  return text.substr(i, end - i);
}

bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsSpaceByte);
}

namespace {

constexpr std::array<bool, 256> kDecoration = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view("_@-+/\\*|^'`():\xB4 \t\n\v\f\r")) {
    table[c] = true;
  }
  return table;
}();

bool IsDecoration(char c) { return kDecoration[static_cast<unsigned char>(c)]; }

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
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
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

void AppendUnsigned(std::uint64_t value, std::string* out) {
  char text[20];
  out->append(text, static_cast<std::size_t>(PutUnsigned(text, value) - text));
}

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
