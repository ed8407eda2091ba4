#include "base/text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/utf8.h"

namespace vexlane {

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

bool ContainsIgnoringCase(std::string_view text, std::string_view upper_word,
                          std::size_t anchor, std::string* scratch) {
  constexpr std::size_t kPiece = 1 << 20;
  if (upper_word.empty()) return true;
  // Pieces overlap by a word less one byte: no word is cut in two.
  const std::size_t overlap = upper_word.size() - 1;
  for (std::size_t at = 0; at < text.size(); at += kPiece) {
    UpperInto(text.substr(at, kPiece + overlap), scratch);
    if (ContainsAnchored(*scratch, upper_word, anchor)) return true;
    if (text.size() - at <= kPiece + overlap) break;
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

std::string VisibleControls(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  const auto escape = [&out](unsigned char c) {
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 0xF];
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if (c < 0x20 || c == 0x7F) {
        escape(c);
      } else {
        out += static_cast<char>(c);
      }
      continue;
    }
    const std::size_t n = Utf8SequenceAt(text, i);
    if (n == 0) {
      // A byte of no UTF-8 character: 0x80 to 0x9F are the C1 controls of
      // an 8-bit terminal.
      if (c < 0xA0) {
        escape(c);
      } else {
        out += static_cast<char>(c);
      }
      continue;
    }
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if (c == 0xC2 && next < 0xA0) {
      escape(c);  // U+0080 to U+009F: the C1 controls in UTF-8
      escape(next);
    } else {
      out.append(text.substr(i, n));
    }
    i += n - 1;
  }
  return out;
}

std::string Quoted(std::string_view text, char mark) {
  std::string out(1, mark);
  out += VisibleControls(text);
  out += mark;
  return out;
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

void AppendUnsigned(std::uint64_t value, std::string* out) {
  char text[20];
  out->append(text, static_cast<std::size_t>(
                        std::to_chars(text, text + 20, value).ptr - text));
}

namespace {

// Levenshtein's distance between `a` and `b`, ASCII case aside.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const bool same = UpperByte(a[i - 1]) == UpperByte(b[j - 1]);
      row[j] =
          std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string_view NearestWord(std::string_view word,
                             const std::vector<std::string_view>& candidates) {
  // Words of hundreds of bytes are no slips: not worth the table.
  if (word.empty() || word.size() > 64) return {};
  std::string_view nearest;
  std::size_t best = std::min<std::size_t>(2, (word.size() - 1) / 2) + 1;
  for (const std::string_view candidate : candidates) {
    const std::size_t d = EditDistance(word, candidate);
    if (d < best) {
      best = d;
      nearest = candidate;
    }
  }
  return nearest;
}

void AppendTenths(double value, std::string* out) {
  const double scaled = value * 10.0;
  const double nearest = std::nearbyint(scaled);
  // Below 1e12 the product is within 1e-3 of the exact one: a value this
  // far from a tie rounds to the same tenths either way.
  if (std::fabs(scaled) < 1e12 && std::fabs(scaled - nearest) < 0.49) {
    auto tenths = static_cast<std::int64_t>(nearest);
    if (std::signbit(value)) {
      out->push_back('-');
      tenths = -tenths;
    }
    const auto whole = static_cast<std::uint64_t>(tenths);
    AppendUnsigned(whole / 10, out);
    out->push_back('.');
    out->push_back(static_cast<char>('0' + whole % 10));
    return;
  }
  char text[64];  // a larger value is written "0.0", as it always was
  const auto [end, error] = std::to_chars(text, text + sizeof text, value,
                                          std::chars_format::fixed, 1);
  if (error != std::errc()) {
    out->append("0.0");
    return;
  }
  out->append(text, end);
}

}  // namespace vexlane
