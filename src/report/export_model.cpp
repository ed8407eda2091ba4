#include "report/export_model.h"

#include <charconv>
#include <system_error>

#include "log/player_names.h"
#include "report/time_text.h"

namespace vexlane {

std::optional<std::uint64_t> Hundredths(const TimeEntry& e) {
  if (!HasTime(e)) return std::nullopt;
  return (std::uint64_t{e.minutes} * 60 + e.seconds) * 100 + e.hundredths;
}

std::string ShownTime(const TimeEntry& e) {
  std::string text = TimeColumnText(e);
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::optional<std::uint64_t> BehindWinner(const std::vector<TimeEntry>& ranked,
                                          std::size_t rank) {
  const TimeEntry& e = ranked[rank];
  const TimeEntry& best = ranked[0];
  if (rank == 0 || !HasTime(e) || !HasTime(best) || !Better(best, e)) {
    return std::nullopt;
  }
  return *Hundredths(e) - *Hundredths(best);
}

std::string_view ShownStarter(const ScoredBattle& battle) {
  if (IsBotNick(battle.starter)) return {};
  return battle.starter;
}

PlayerOrder ScoredPlayers(const Standings& standings) {
  PlayerOrder shown;
  for (std::size_t i : PointsOrder(standings.scores)) {
    if (standings.scores[i].points != 0) shown.push_back(i);
  }
  return shown;
}

std::string RatingText(double ordinal) {
  char text[48];
  const auto [end, error] = std::to_chars(text, text + sizeof text, ordinal,
                                          std::chars_format::fixed, 1);
  if (error != std::errc()) return "0.0";  // beyond any rating a season makes
  std::string shown(text, end);
  if (shown == "-0.0") shown.erase(0, 1);
  return shown;
}

double AverageValue(std::uint32_t points, std::uint32_t battles) {
  if (battles == 0) return 0;
  const std::uint64_t q = std::uint64_t{points} * 100 / battles;
  return static_cast<double>(q) / 100.0;
}

}  // namespace vexlane
