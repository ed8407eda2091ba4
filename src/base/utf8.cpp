#include "base/utf8.h"

#include <cstdint>

namespace vexlane {

namespace {

// Windows-1252's 0x80-0x9F; its five unassigned bytes are read as the C1
// control characters of the same value, as the WHATWG decoder does.
constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendCodePoint(std::uint32_t c, std::string* out) {
  if (c < 0x80) {
    *out += static_cast<char>(c);
  } else if (c < 0x800) {
    *out += static_cast<char>(0xC0 | (c >> 6));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (c >> 12));
    *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the valid UTF-8 sequence at `at`, or 0 when there is none
// (overlong forms, surrogates and values above U+10FFFF are not valid).
std::size_t ValidSequence(std::string_view s, std::size_t at) {
  const auto b = [&](std::size_t i) {
    return static_cast<unsigned char>(s[at + i]);
  };
  const unsigned char c = b(0);
  const std::size_t left = s.size() - at;
  if (c >= 0xC2 && c <= 0xDF) {
    return left >= 2 && Continuation(b(1)) ? 2 : 0;
  }
  if (c >= 0xE0 && c <= 0xEF) {
    if (left < 3 || !Continuation(b(1)) || !Continuation(b(2))) return 0;
    if (c == 0xE0 && b(1) < 0xA0) return 0;   // overlong
    if (c == 0xED && b(1) >= 0xA0) return 0;  // surrogate
    return 3;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    if (left < 4 || !Continuation(b(1)) || !Continuation(b(2)) ||
        !Continuation(b(3))) {
      return 0;
    }
    if (c == 0xF0 && b(1) < 0x90) return 0;   // overlong
    if (c == 0xF4 && b(1) >= 0x90) return 0;  // above U+10FFFF
    return 4;
  }
  return 0;
}

}  // namespace

std::size_t Utf8SequenceAt(std::string_view text, std::size_t at) {
  return ValidSequence(text, at);
}

void AppendUtf8(std::string_view bytes, std::string* out) {
  constexpr std::uint32_t kReplacement = 0xFFFD;
  for (std::size_t i = 0; i < bytes.size();) {
    // Printable ASCII, most of any log, is copied a run at a time.
    std::size_t run = i;
    while (run < bytes.size() &&
           static_cast<unsigned char>(bytes[run]) >= 0x20 &&
           static_cast<unsigned char>(bytes[run]) < 0x7F) {
      ++run;
    }
    if (run > i) {
      out->append(bytes.data() + i, run - i);
      i = run;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t') || c == 0x7F) {
        AppendCodePoint(kReplacement, out);
      } else {
        *out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    if (const std::size_t n = ValidSequence(bytes, i)) {
      // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F.
      if (c == 0xC2 && static_cast<unsigned char>(bytes[i + 1]) < 0xA0) {
        AppendCodePoint(kReplacement, out);
      } else {
        out->append(bytes.substr(i, n));
      }
      i += n;
      continue;
    }
    const std::uint32_t code = c < 0xA0 ? kCp1252High[c - 0x80] : c;
    AppendCodePoint(code < 0xA0 ? kReplacement : code, out);
    ++i;
  }
}

std::string ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  AppendUtf8(bytes, &out);
  return out;
}

}  // namespace vexlane
