#include "log/player_names.h"

#include "base/text.h"

namespace vexlane {

namespace {

constexpr std::string_view kUnregistered = "Unregistered-";

bool IsBy(std::string_view word) {
  return word.size() == 2 && UpperByte(word[0]) == 'B' &&
         UpperByte(word[1]) == 'Y';
}

}  // namespace

bool IsBotNick(std::string_view nick) {
  return nick == "battlebot" || nick == "ballebot";
}

bool IsPrivilegedStopper(std::string_view nick) {
  return IsBotNick(nick) || nick == "quib";
}

std::string AnnouncedNickOf(std::string_view line) {
  std::size_t pos = 0;
  for (std::string_view word = NextWord(line, &pos); !word.empty();
       word = NextWord(line, &pos)) {
    if (!IsBy(word)) continue;
    std::string_view nick = StripDecoration(NextWord(line, &pos));
    // The prefix is dropped by length wherever the marker appears, as the
    // bots only ever write it at the start.
    if (nick.find(kUnregistered) != std::string_view::npos) {
      nick.remove_prefix(kUnregistered.size());
    }
    if (nick.size() > kMaxNickLength) nick = nick.substr(0, kMaxNickLength);
    return std::string(nick);
  }
  return {};
}

}  // namespace vexlane
