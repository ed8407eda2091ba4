#include "scoring/battle_scoring.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "log/player_names.h"
#include "scoring/exchange_sort.h"

namespace vexlane {

void KeepLastPerNick(std::vector<TimeEntry>* times) {
  std::vector<TimeEntry>& list = *times;
  // The index of each nick's last entry; an entry stays when it is that.
  std::unordered_map<std::string_view, std::size_t> last;
  last.reserve(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) last[list[i].name] = i;
  std::vector<bool> keep(list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    keep[i] = last[list[i].name] == i;
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!keep[i]) continue;
    if (kept != i) list[kept] = std::move(list[i]);
    ++kept;
  }
  list.resize(kept);
}

void RankEntries(std::vector<TimeEntry>* times) {
  const auto better = [](const TimeEntry& a, const TimeEntry& b) {
    return Better(a, b);
  };
  // Better orders entries with a time or apples strictly and weakly; an
  // empty entry (never posted, never added) would break that.
  const bool orderable =
      std::none_of(times->begin(), times->end(),
                   [](const TimeEntry& e) { return IsEmpty(e); });
  if (orderable) {
    ExchangeSort(times, better);
  } else {
    ExchangeSortByLoops(times, better);
  }
}

ScoredBattle ScoreBattle(FoundBattle&& battle, int extra_points) {
  ScoredBattle scored;
  scored.event = battle.event;
  scored.level = std::move(battle.level);
  scored.link = std::move(battle.link);
  scored.starter = std::move(battle.starter);
  scored.start_stamp = std::move(battle.start_stamp);
  scored.end_stamp = std::move(battle.end_stamp);
  scored.date = std::move(battle.date);
  scored.ranked = std::move(battle.times);
  KeepLastPerNick(&scored.ranked);
  RankEntries(&scored.ranked);
  std::vector<TimeEntry>& list = scored.ranked;
  const std::size_t n = list.size();
  for (std::size_t k = 0; k < n; ++k) {
    list[k].points = static_cast<std::uint32_t>(n - k);
  }
  if (n > 0) list[0].points += static_cast<std::uint32_t>(extra_points);
  return scored;
}

int BattleLengthMinutes(std::string_view start, std::string_view end) {
  if (start.size() <= 7 || end.size() <= 7) return 0;
  auto d = [](std::string_view s, std::size_t i) { return s[i] - '0'; };
  int length = (d(end, 0) - d(start, 0)) * 600 +
               (d(end, 1) - d(start, 1)) * 60 + (d(end, 3) - d(start, 3)) * 10 +
               (d(end, 4) - d(start, 4));
  if (length < 0) length += 1440;  // the battle ran past midnight
  return length;
}

int ShownLengthMinutes(const ScoredBattle& battle) {
  const int length = BattleLengthMinutes(battle.start_stamp, battle.end_stamp);
  return length >= 1 && length <= 60 ? length : 0;
}

std::string_view ShownStarter(const ScoredBattle& battle) {
  if (IsBotNick(battle.starter)) return {};
  return battle.starter;
}

}  // namespace vexlane
