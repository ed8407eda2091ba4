#include "report/export_model.h"

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

PlayerOrder ScoredPlayers(const Standings& standings) {
  PlayerOrder shown;
  for (std::size_t i : PointsOrder(standings.scores)) {
    if (standings.scores[i].points != 0) shown.push_back(i);
  }
  return shown;
}

double AverageValue(const PlayerScore& score) {
  return static_cast<double>(AverageHundredths(score)) / 100.0;
}

}  // namespace vexlane
