#include "scoring/standings.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "scoring/exchange_sort.h"

namespace vexlane {

namespace {

// The counts are compared as unsigned numbers, as the reports show them.
std::uint32_t Count(std::int32_t value) {
  return static_cast<std::uint32_t>(value);
}

}  // namespace

void AddToStandings(const ScoredBattle& battle, Standings* standings) {
  std::vector<PlayerScore>& scores = standings->scores;
  const std::vector<TimeEntry>& ranked = battle.ranked;
  standings->entry_players.clear();
  for (std::size_t k = 0; k < ranked.size(); ++k) {
    const TimeEntry& e = ranked[k];
    const std::size_t i = FindPlayer(scores, e.name, &standings->player_index);
    standings->entry_players.push_back(i);
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

PlayerOrder PointsOrder(const std::vector<PlayerScore>& scores) {
  PlayerOrder order(scores.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  ExchangeSort(&order, [&scores](std::size_t x, std::size_t y) {
    const PlayerScore& a = scores[x];
    const PlayerScore& b = scores[y];
    return Count(a.points) > Count(b.points) ||
           (a.points == b.points && Count(a.wins) > Count(b.wins));
  });
  return order;
}

PlayerOrder BattlesStartedOrder(const std::vector<PlayerScore>& scores,
                                PlayerOrder points_order) {
  ExchangeSort(&points_order, [&scores](std::size_t x, std::size_t y) {
    return Count(scores[x].battles_started) > Count(scores[y].battles_started);
  });
  return points_order;
}

std::vector<PenalisedTotal> PenalisedTotals(
    const std::vector<PlayerScore>& scores, std::size_t battles_in_report) {
  std::vector<PenalisedTotal> list;
  list.reserve(scores.size());
  for (std::size_t i = 0; i < scores.size(); ++i) {
    PenalisedTotal t{i, scores[i].total};
    t.total.name.clear();
    // Never negative: one player (two nicks sharing a key) can have more
    // battles than the report when both nicks drove in the same battle.
    const std::uint64_t battles = Count(scores[i].battles);
    if (battles < battles_in_report) {
      TimeEntry penalty;
      penalty.minutes = static_cast<std::uint32_t>(
          (battles_in_report - battles) * kPenaltyMinutesPerMissingBattle);
      t.total = Sum(t.total, penalty);
    }
    list.push_back(std::move(t));
  }
  const auto better = [](const PenalisedTotal& a, const PenalisedTotal& b) {
    return Better(a.total, b.total);
  };
  const bool orderable =
      std::none_of(list.begin(), list.end(),
                   [](const PenalisedTotal& t) { return IsEmpty(t.total); });
  if (orderable) {
    ExchangeSort(&list, better);
  } else {
    ExchangeSortByLoops(&list, better);
  }
  return list;
}

TimeEntry WinnersTotal(const std::vector<BattleSummary>& battles) {
  TimeEntry sum;
  for (const BattleSummary& b : battles) sum = Sum(sum, b.winner);
  return sum;
}

}  // namespace vexlane
