// Small text helpers shared by every layer: ASCII case folding, word
// searches, number texts and reading, padding, blank tests, nick clean-up.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexlane {

// ASCII-only upper-casing: bytes other than a-z (0x80 and above, NUL) pass
// through unchanged.
inline char UpperByte(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// Upper-cases `text` into `out`, reusing its storage.
void UpperInto(std::string_view text, std::string* out);

// Position of the first `upper_word` in `text` in any case, or npos;
// upper_word[0] must not be a letter (".LEV"), so no upper-cased copy of the
// text is needed.
std::size_t FindIgnoringCase(std::string_view text,
                             std::string_view upper_word);

// True when `text` contains `word`. The search scans for word[anchor], so
// pass the position of the word's rarest byte: most lines hold no anchor
// and are rejected at memchr speed.
bool ContainsAnchored(std::string_view text, std::string_view word,
                      std::size_t anchor);

// The English month abbreviations of ctime and of log stamps, January
// first.
inline constexpr std::array<std::string_view, 12> kMonthAbbreviations = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// ContainsAnchored of `upper_word` in `text` upper-cased, made a piece at a
// time in `*scratch`, so that a very long text is never copied whole.
bool ContainsIgnoringCase(std::string_view text, std::string_view upper_word,
                          std::size_t anchor, std::string* scratch);

// True for the white-space bytes of the C locale: blank, \t, \n, \v, \f, \r.
inline bool IsSpaceByte(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool IsDigitByte(char c) { return c >= '0' && c <= '9'; }

std::string UnsignedText(std::uint64_t value);
std::string SignedText(std::int64_t value);
// A leading "0" below 10: 7 gives "07".
std::string TwoDigitText(std::uint64_t value);

// `text` with blanks appended up to `width` characters; longer text stays.
std::string PadRight(std::string_view text, std::size_t width);

// Appends `text` to `*out`, then blanks up to `width` characters of it.
void AppendPadded(std::string_view text, std::size_t width, std::string* out);

// The next white-space separated word of `text` from `*pos`, which is
// advanced past it; empty at the end of the text.
std::string_view NextWord(std::string_view text, std::size_t* pos);

// `text` in single quotes (or `mark`), as messages name files and values,
// with its control characters made visible (VisibleControls).
std::string Quoted(std::string_view text, char mark = '\'');

// `text` with every control character (C0, DEL, and C1 as UTF-8) written
// as "\x1b" escapes, so that text from a log or a file name cannot drive
// the terminal a message is shown on. A backslash stays as it is.
std::string VisibleControls(std::string_view text);

// True when `text` is empty or only white space.
bool IsBlank(std::string_view text);

// Removes decoration ("_@-+/\*|^'`():", the acute accent byte 0xB4 and white
// space) from both ends, never shortening below one character.
std::string_view StripDecoration(std::string_view text);

// Reads a whole number the way scanf's %d does: leading white space, an
// optional sign directly before the digits, then digits. Returns false when
// there is no number or it does not fit in an int; `*rest` is then unchanged,
// else it is advanced past the number.
enum class NumberRead { kNone, kOk, kOutOfRange };
NumberRead ReadInt(std::string_view* rest, int* value);

// Of `candidates`, the one nearest to `word` (fewest single-byte edits,
// ASCII case aside), where it is near enough to be a slip: at most two
// edits, and fewer than half of `word`. Empty when none is.
std::string_view NearestWord(std::string_view word,
                             const std::vector<std::string_view>& candidates);

// Appends the decimal digits of `value`.
void AppendUnsigned(std::uint64_t value, std::string* out);

// Appends `value` with one decimal, exactly as std::to_chars's fixed
// format with precision 1 writes it ("-0.0" included), only faster for
// the usual values (the charts' coordinates).
void AppendTenths(double value, std::string* out);

}  // namespace vexlane
