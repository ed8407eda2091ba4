#include "scoring/standings.h"

#include <cstdint>
#include <utility>

#include "scoring/exchange_sort.h"

namespace vexlane {

namespace {

constexpr std::uint32_t kPenaltyMinutesPerBattle = 10;

// The counts are compared as unsigned numbers, as the reports show them.
std::uint32_t Count(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

}  // namespace

void AddToStandings(const ScoredBattle& battle, Standings* standings) {
  std::vector<PlayerScore>& scores = standings->scores;
  const std::vector<TimeEntry>& ranked = battle.ranked;
  for (std::size_t k = 0; k < ranked.size(); ++k) {
    const TimeEntry& e = ranked[k];
    const std::size_t i = FindPlayer(scores, e.name, &standings->player_index);
    if (i < scores.size()) {
      PlayerScore& s = scores[i];
      s.points += static_cast<std::int32_t>(e.points);
      if (k == 0) s.wins += 1;
      s.battles += 1;
      s.total = Sum(s.total, e);
    } else {
      PlayerScore s;
      s.name = e.name;
      s.points = static_cast<std::int32_t>(e.points);
      s.wins = k == 0 ? 1 : 0;
      s.battles = 1;
      s.total = e;
      scores.push_back(std::move(s));
    }
  }
  const std::size_t i =
      FindPlayer(scores, battle.starter, &standings->player_index);
  if (i < scores.size()) {
    scores[i].battles_started += 1;
  } else {
    PlayerScore s;
    s.name = battle.starter;
    s.battles_started = 1;
    scores.push_back(std::move(s));
  }

  BattleSummary summary;
  summary.level = battle.level;
  summary.event = battle.event;
  summary.players = static_cast<std::int32_t>(ranked.size());
  if (!ranked.empty()) summary.winner = ranked[0];
  standings->battles.push_back(std::move(summary));
}

std::vector<PlayerScore> ByPoints(const std::vector<PlayerScore>& scores) {
  std::vector<PlayerScore> list = scores;
  ExchangeSort(&list, [](const PlayerScore& a, const PlayerScore& b) {
    return Count(a.points) > Count(b.points) ||
           (a.points == b.points && Count(a.wins) > Count(b.wins));
  });
  return list;
}

std::vector<PlayerScore> ByBattlesStarted(std::vector<PlayerScore> by_points) {
  ExchangeSort(&by_points, [](const PlayerScore& a, const PlayerScore& b) {
    return Count(a.battles_started) > Count(b.battles_started);
  });
  return by_points;
}

std::vector<PlayerScore> ByPenalisedTotal(
    const std::vector<PlayerScore>& scores, std::size_t battles_in_report) {
  std::vector<PlayerScore> list = scores;
  for (PlayerScore& s : list) {
    // Never negative: one player (two nicks sharing a key) can have more
    // battles than the report when both nicks drove in the same battle.
    const std::uint64_t battles = Count(s.battles);
    if (battles >= battles_in_report) continue;
    TimeEntry penalty;
    penalty.minutes = static_cast<std::uint32_t>((battles_in_report - battles) *
                                                 kPenaltyMinutesPerBattle);
    s.total = Sum(s.total, penalty);
  }
  ExchangeSort(&list, [](const PlayerScore& a, const PlayerScore& b) {
    return Better(a.total, b.total);
  });
  return list;
}

TimeEntry WinnersTotal(const std::vector<BattleSummary>& battles) {
  TimeEntry sum;
  for (const BattleSummary& b : battles) sum = Sum(sum, b.winner);
  return sum;
}

}  // namespace vexlane
