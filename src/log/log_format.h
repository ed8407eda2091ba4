// The shapes of log that IRC clients, bouncers and bots write, and telling
// them apart from a log's first lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vexlane {

enum class LogFormat {
  kClassic,  // "[hh:mm:ss] <nick> message", read as it is
  kIrssi,
  kWeechat,
  kZnc,
  kMirc,
  kHexchat,
  kLimnoria,
  kEggdrop,
};

// "classic", "irssi", ...
std::string_view LogFormatName(LogFormat format);

// False when `name` names no format ("auto" is the caller's).
bool ParseLogFormat(std::string_view name, LogFormat* format);

// Every format name, for messages: "classic, irssi, ..., eggdrop".
std::string LogFormatNames();

// The format whose own line shapes most of `lines` have, or classic when
// none stands out.
LogFormat DetectLogFormat(const std::vector<std::string>& lines);

// How many of `lines` hold a "<nick>" the classic reading finds.
std::size_t LinesWithSpeaker(const std::vector<std::string>& lines);

}  // namespace vexlane
