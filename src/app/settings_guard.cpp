#include "app/settings_guard.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "base/utf8.h"

namespace vexlane {

namespace {

constexpr std::size_t kDeepest = 64;
// Longer keys and texts are refused too: no path, nick or level is that
// long, and the reader need not take such a file in.
constexpr std::size_t kLongest = 4096;

std::string TooLong() {
  return "a key, text or value of over " + std::to_string(kLongest) +
         " characters, longer than any name, nick or path the settings hold";
}

// What to write instead of the character other than ASCII at `at`: its
// escape, "\u00E9" for an e with an acute accent; or, for a byte that
// starts no UTF-8 character, that the file is not UTF-8.
std::string NotAsciiHint(std::string_view text, std::size_t at) {
  const std::size_t length = Utf8SequenceAt(text, at);
  if (length == 0) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X",
                  static_cast<unsigned char>(text[at]));
    return std::string("a byte that is not UTF-8 (") + byte +
           "): save the file as UTF-8";
  }
  // The bits the first byte leaves to the character, then six a byte.
  std::uint32_t code = static_cast<unsigned char>(text[at]) & (0x7Fu >> length);
  for (std::size_t k = 1; k < length; ++k) {
    code = (code << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3Fu);
  }
  char escape[16];
  std::snprintf(escape, sizeof escape, code > 0xFFFF ? "\\U%08X" : "\\u%04X",
                static_cast<unsigned>(code));
  return std::string("a character other than ASCII (write it as ") + escape +
         " in \"quotes\")";
}

// The last byte of the string that opens at `at` (its closing quote, or
// the end of a string left open). Where the string cannot be given to the
// reader, `*why` says why and the byte to name is returned instead.
std::size_t StringEnd(const std::string& text, std::size_t at,
                      std::string* why) {
  const char c = text[at];
  // A triple quote runs to its closing triple.
  const bool triple = text.compare(at, 3, std::string(3, c)) == 0;
  const std::size_t from = at + (triple ? 3 : 1);
  std::size_t end = from;
  while (end < text.size()) {
    if (static_cast<unsigned char>(text[end]) >= 0x80) {
      *why = NotAsciiHint(text, end);
      return end;
    }
    if (c == '"' && text[end] == '\\') {
      end += 2;
      continue;
    }
    if (triple ? text.compare(end, 3, std::string(3, c)) == 0
               : (text[end] == c || text[end] == '\n')) {
      break;
    }
    ++end;
  }
  if (end - from > kLongest) {
    *why = TooLong();
    return from;
  }
  return end + (triple ? 2 : 0);
}

}  // namespace

std::size_t Unreadable(std::string* text_bytes, std::string* why) {
  std::string& text = *text_bytes;
  why->clear();
  const auto not_ascii = [&text](std::size_t at) {
    return NotAsciiHint(text, at);
  };
  const std::string too_deep = "nested more than " + std::to_string(kDeepest) +
                               " deep (keys of more parts, or lists and "
                               "tables inside each other)";
  const std::string too_long = TooLong();
  std::size_t depth = 0;
  std::size_t dots = 0;  // since the last of = , [ ] { } or a line's end
  std::size_t word = 0;  // characters of the key or value at `i`
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const std::size_t end = StringEnd(text, i, why);
      if (!why->empty()) return end;
      i = end;
      word = 0;
      continue;
    }
    if (std::string_view(" \t\r\n=,[]{}#").find(c) == std::string_view::npos) {
      if (++word > kLongest) {
        *why = too_long;
        return i + 1 - word;
      }
    } else {
      word = 0;
    }
    if (c == '#') {
      for (; i < text.size() && text[i] != '\n'; ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) text[i] = '?';
      }
    }
    if (i >= text.size()) break;
    if (static_cast<unsigned char>(text[i]) >= 0x80) {
      *why = not_ascii(i);
      return i;
    }
    switch (text[i]) {
      case '\n':
      case '=':
      case ',':
        dots = 0;
        break;
      case '.':
        // A dotted key, at the top or in an inline table (a number holds
        // one dot at most).
        if (++dots > kDeepest) {
          *why = too_deep;
          return i;
        }
        break;
      case '[':
      case '{':
        dots = 0;
        if (++depth > kDeepest) {
          *why = too_deep;
          return i;
        }
        break;
      case ']':
      case '}':
        dots = 0;
        if (depth > 0) --depth;
        break;
      default:
        break;
    }
  }
  return std::string_view::npos;
}

}  // namespace vexlane
