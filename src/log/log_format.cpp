#include "log/log_format.h"

#include <array>

#include "base/text.h"
#include "log/line_fields.h"

namespace vexlane {

namespace {

struct Named {
  LogFormat format;
  std::string_view name;
};

constexpr std::array<Named, 8> kNames = {{
    {LogFormat::kClassic, "classic"},
    {LogFormat::kIrssi, "irssi"},
    {LogFormat::kWeechat, "weechat"},
    {LogFormat::kZnc, "znc"},
    {LogFormat::kMirc, "mirc"},
    {LogFormat::kHexchat, "hexchat"},
    {LogFormat::kLimnoria, "limnoria"},
    {LogFormat::kEggdrop, "eggdrop"},
}};

bool Digits(std::string_view s, std::size_t at, std::size_t n) {
  if (at + n > s.size()) return false;
  for (std::size_t i = at; i < at + n; ++i) {
    if (!IsDigitByte(s[i])) return false;
  }
  return true;
}

bool At(std::string_view s, std::size_t at, char c) {
  return at < s.size() && s[at] == c;
}

bool Contains(std::string_view s, std::string_view word) {
  return s.find(word) != std::string_view::npos;
}

// "HH:MM" at `at`.
bool Clock(std::string_view s, std::size_t at) {
  return Digits(s, at, 2) && At(s, at + 2, ':') && Digits(s, at + 3, 2);
}
// "HH:MM:SS" at `at`.
bool LongClock(std::string_view s, std::size_t at) {
  return Clock(s, at) && At(s, at + 5, ':') && Digits(s, at + 6, 2);
}
bool IsoDate(std::string_view s) {
  return Digits(s, 0, 4) && At(s, 4, '-') && Digits(s, 5, 2) && At(s, 7, '-') &&
         Digits(s, 8, 2);
}

// The line shapes that only one format writes. A line counts for at most
// one format, tried in this order.
LogFormat SignatureOf(std::string_view line, bool* found) {
  *found = true;
  if (IsoDate(line) && At(line, 10, ' ') && LongClock(line, 11) &&
      At(line, 19, '\t')) {
    return LogFormat::kWeechat;
  }
  if (IsoDate(line) && At(line, 10, 'T') && LongClock(line, 11)) {
    return LogFormat::kLimnoria;
  }
  if (line.starts_with("**** BEGIN LOGGING AT ") ||
      (line.size() > 16 && line[0] >= 'A' && line[0] <= 'Z' &&
       At(line, 3, ' ') && LongClock(line, 7) && At(line, 15, ' '))) {
    return LogFormat::kHexchat;
  }
  if (line.starts_with("--- Log opened ") ||
      line.starts_with("--- Day changed ") ||
      (Clock(line, 0) && (line.substr(5).starts_with(" <") ||
                          line.substr(5).starts_with(" -!- "))) ||
      (LongClock(line, 0) && (line.substr(8).starts_with(" <") ||
                              line.substr(8).starts_with(" -!- ")))) {
    return LogFormat::kIrssi;
  }
  if (At(line, 0, '[') && LongClock(line, 1) && At(line, 9, ']') &&
      line.substr(10).starts_with(" *** ")) {
    return LogFormat::kZnc;
  }
  if (At(line, 0, '[') && Clock(line, 1) && At(line, 6, ']')) {
    const std::string_view rest = line.substr(7);
    if (rest.starts_with(" Action: ") || rest.starts_with(" Nick change: ") ||
        (!rest.starts_with(" *") && !rest.starts_with(" <") &&
         (Contains(rest, ") joined #") || Contains(rest, ") left #")))) {
      return LogFormat::kEggdrop;
    }
    return LogFormat::kMirc;
  }
  if (line.starts_with("Session Start: ")) return LogFormat::kMirc;
  *found = false;
  return LogFormat::kClassic;
}

}  // namespace

std::string_view LogFormatName(LogFormat format) {
  for (const Named& n : kNames) {
    if (n.format == format) return n.name;
  }
  return "classic";
}

bool ParseLogFormat(std::string_view name, LogFormat* format) {
  for (const Named& n : kNames) {
    if (n.name == name) {
      *format = n.format;
      return true;
    }
  }
  return false;
}

std::string LogFormatNames() {
  std::string names;
  for (const Named& n : kNames) {
    if (!names.empty()) names += ", ";
    names += n.name;
  }
  return names;
}

LogFormat DetectLogFormat(const std::vector<std::string>& lines) {
  std::array<std::size_t, kNames.size()> votes{};
  for (const std::string& line : lines) {
    bool found = false;
    const LogFormat format = SignatureOf(line, &found);
    if (found) ++votes[static_cast<std::size_t>(format)];
  }
  // mIRC and eggdrop share their message lines: eggdrop's own event lines
  // decide between them.
  const auto egg = static_cast<std::size_t>(LogFormat::kEggdrop);
  const auto mirc = static_cast<std::size_t>(LogFormat::kMirc);
  if (votes[egg] > 0) {
    votes[egg] += votes[mirc];
    votes[mirc] = 0;
  }
  std::size_t best = 0;
  for (std::size_t i = 1; i < votes.size(); ++i) {
    if (votes[i] > votes[best]) best = i;
  }
  return votes[best] == 0 ? LogFormat::kClassic : kNames[best].format;
}

std::size_t LinesWithSpeaker(const std::vector<std::string>& lines) {
  std::size_t n = 0;
  for (const std::string& line : lines) n += SpeakerOf(line).empty() ? 0 : 1;
  return n;
}

}  // namespace vexlane
