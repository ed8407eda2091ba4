#include "scoring/players.h"

#include "base/text.h"

namespace vexlane {

namespace {

constexpr std::size_t kKeyLength = 4;

// The hundredfold ratio, truncated: the reports show counts as unsigned.
std::uint64_t Per100(std::int32_t part, std::int32_t whole) {
  const auto of = static_cast<std::uint32_t>(whole);
  if (of == 0) return 0;
  return std::uint64_t{static_cast<std::uint32_t>(part)} * 100 / of;
}

}  // namespace

std::uint64_t AverageHundredths(const PlayerScore& score) {
  return Per100(score.points, score.battles);
}

std::uint64_t WinPercent(const PlayerScore& score) {
  return Per100(score.wins, score.battles);
}

bool SamePlayer(std::string_view a, std::string_view b) {
  return PlayerKey(a) == PlayerKey(b);
}

std::uint64_t PlayerKey(std::string_view nick) {
  nick = nick.substr(0, kKeyLength);
  // The length goes in too, so that a short nick only matches itself.
  std::uint64_t key = nick.size();
  for (char c : nick)
    key = (key << 8) | static_cast<unsigned char>(UpperByte(c));
  return key;
}

std::size_t FindPlayer(const std::vector<PlayerScore>& scores,
                       std::string_view nick, PlayerIndex* index) {
  for (; index->covered < scores.size(); ++index->covered) {
    index->first.emplace(PlayerKey(scores[index->covered].name),
                         index->covered);
  }
  const auto found = index->first.find(PlayerKey(nick));
  return found == index->first.end() ? scores.size() : found->second;
}

}  // namespace vexlane
