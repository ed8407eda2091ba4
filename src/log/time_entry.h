// One posted result of one player in one battle (a driving time or an apple
// count), with the parser that reads it from a log line, its ranking and sum.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vexlane {

struct TimeEntry {
  std::uint32_t hundredths = 0;
  std::uint32_t seconds = 0;
  std::uint32_t minutes = 0;
  std::uint32_t points = 0;
  std::string name;
  std::uint32_t apples = 0;
};

// The most apples a number alone counts.
constexpr int kMostApples = 50;

// Where the posted message begins inside the text handed to ParseTime.
enum class MessageStart {
  kAfterMarker,  // a log line: the message follows its first '>'
  kTypedAlone,   // a time typed at the console: the message is the whole text
};

// Reads the time or apple count posted in `text`; an empty entry when the
// message holds neither. The name stays empty and the points 0.
TimeEntry ParseTime(std::string_view text, MessageStart start);

// True when hundredths, seconds or minutes is not 0.
bool HasTime(const TimeEntry& e);

// The time in hundredths of a second; nullopt for an entry of apples only.
std::optional<std::uint64_t> Hundredths(const TimeEntry& e);

// True when the entry has no time and no apples (points and name ignored).
bool IsEmpty(const TimeEntry& e);

// True when `a` ranks strictly before `b`: any time beats apples only, a
// shorter time beats a longer one, more apples beat fewer.
bool Better(const TimeEntry& a, const TimeEntry& b);

// The entry in words for messages: "0:02,00", "12 apples", "1 apple".
std::string DescribeTime(const TimeEntry& e);

// Why a posted message (the text after the speaker) gives neither a time
// nor apples, in a few words.
std::string WhyNotATime(std::string_view message);

// Field-wise sum with carries; the name is a's.
TimeEntry Sum(const TimeEntry& a, const TimeEntry& b);

}  // namespace vexlane
