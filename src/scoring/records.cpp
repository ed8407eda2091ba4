#include "scoring/records.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_map>
#include <utility>

#include "base/text.h"

namespace vexlane {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kDensePlayers = 1024;

// Earlier first among equal times: the battle, then the place in it.
bool DrivenBefore(const DrivenTime& a, const DrivenTime& b) {
  if (a.hundredths != b.hundredths) return a.hundredths < b.hundredths;
  if (a.battle != b.battle) return a.battle < b.battle;
  return a.rank < b.rank;
}

// A level while the battles are read: its record so far and every
// player's best on it, in the order the players first drove a time there.
struct LevelTimes {
  std::string key;  // the name upper-cased: the level's identity
  LevelRecord record;
  std::vector<DrivenTime> bests;
  std::unordered_map<std::size_t, std::size_t> best_of;  // player -> bests
};

}  // namespace

struct RecordsBuilder::State {
  PlayerIndex players;
  std::vector<LevelTimes> levels;
  std::unordered_map<std::string, std::size_t> level_of;  // key -> levels
  std::string key;
};

RecordsBuilder::RecordsBuilder() : state_(std::make_unique<State>()) {}
RecordsBuilder::~RecordsBuilder() = default;
RecordsBuilder::RecordsBuilder(RecordsBuilder&&) noexcept = default;
RecordsBuilder& RecordsBuilder::operator=(RecordsBuilder&&) noexcept = default;

void RecordsBuilder::Add(const ScoredBattle& battle, std::size_t position,
                         const Standings& standings) {
  State& s = *state_;
  const std::vector<PlayerScore>& scores = standings.scores;
  UpperInto(battle.level, &s.key);
  const auto [found, added] = s.level_of.try_emplace(s.key, s.levels.size());
  if (added) {
    s.levels.emplace_back();
    s.levels.back().key = s.key;
    s.levels.back().record.name = battle.level;
  }
  LevelTimes& level = s.levels[found->second];
  ++level.record.battles;
  for (std::size_t k = 0; k < battle.ranked.size(); ++k) {
    const std::optional<std::uint64_t> time = Hundredths(battle.ranked[k]);
    if (!time) continue;
    const std::size_t player =
        FindPlayer(scores, battle.ranked[k].name, &s.players);
    if (player == scores.size()) continue;  // not in these standings
    const DrivenTime driven{position, k, player, *time};
    std::vector<DrivenTime>& progression = level.record.progression;
    // Ranked entries are best first, but every entry is looked at so
    // that the record never depends on the order of the ranking.
    if (progression.empty() ||
        driven.hundredths < progression.back().hundredths) {
      progression.push_back(driven);
    }
    const auto [best, first] =
        level.best_of.try_emplace(player, level.bests.size());
    if (first) {
      level.bests.push_back(driven);
    } else if (driven.hundredths < level.bests[best->second].hundredths) {
      level.bests[best->second] = driven;
    }
  }
}

SeasonRecords RecordsBuilder::Records(const Standings& standings) const {
  std::vector<const LevelTimes*> levels;
  for (const LevelTimes& level : state_->levels) {
    if (!level.bests.empty()) levels.push_back(&level);
  }
  std::sort(
      levels.begin(), levels.end(),
      [](const LevelTimes* a, const LevelTimes* b) { return a->key < b->key; });

  SeasonRecords records;
  records.personal_bests.resize(standings.scores.size());
  records.levels.reserve(levels.size());
  std::vector<DrivenTime> bests;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    bests = levels[i]->bests;
    std::sort(bests.begin(), bests.end(), DrivenBefore);
    for (const DrivenTime& t : bests) {
      records.personal_bests[t.player].emplace_back(i, t);
    }
    if (bests.size() > kBestTimesShown) bests.resize(kBestTimesShown);
    records.levels.push_back(levels[i]->record);
    records.levels.back().best = bests;
  }
  return records;
}

SeasonRecords FindRecords(std::span<const ScoredBattle> battles,
                          const Standings& standings) {
  RecordsBuilder builder;
  for (std::size_t b = 0; b < battles.size(); ++b) {
    builder.Add(battles[b], b, standings);
  }
  return builder.Records(standings);
}

std::vector<PlayerHistory> PlayerHistories(
    std::span<const ScoredBattle> battles, const Standings& standings) {
  const std::vector<PlayerScore>& scores = standings.scores;
  const std::size_t count = scores.size();
  PlayerIndex players;
  std::vector<PlayerHistory> histories(count);
  // Each player's meetings, by opponent.
  std::vector<std::unordered_map<std::size_t, HeadToHead>> met(count);
  // The battle each player was last placed in, so that a second nick of
  // the same player in one battle (placed lower) is passed over.
  std::vector<std::size_t> placed_in(count, kNone);
  std::vector<std::size_t> field;  // the battle's players, best placed first
  // Few players meet in a table, many in a map per player.
  const bool dense = count <= kDensePlayers;
  std::vector<HeadToHead> table(dense ? count * count : 0);
  for (std::size_t b = 0; b < battles.size(); ++b) {
    const std::vector<TimeEntry>& ranked = battles[b].ranked;
    field.clear();
    for (std::size_t k = 0; k < ranked.size(); ++k) {
      const std::size_t player = FindPlayer(scores, ranked[k].name, &players);
      if (player == count || placed_in[player] == b) continue;
      placed_in[player] = b;
      field.push_back(player);
      PlayerHistory& h = histories[player];
      const auto place = static_cast<std::uint32_t>(k + 1);
      h.battles.push_back(b);
      h.places.push_back(place);
      if (place == 1) ++h.firsts;
      if (place == 2) ++h.seconds;
      if (place == 3) ++h.thirds;
    }
    // Every pair of the battle meets: for a battle of thousands that is
    // millions of pairs, so only the best placed kHeadToHeadField count.
    const std::size_t counted = std::min(field.size(), kHeadToHeadField);
    for (std::size_t i = 0; i < counted; ++i) {
      for (std::size_t j = i + 1; j < counted; ++j) {
        if (dense) {
          ++table[field[i] * count + field[j]].ahead;
          ++table[field[j] * count + field[i]].behind;
          continue;
        }
        HeadToHead& ahead = met[field[i]][field[j]];
        ahead.opponent = field[j];
        ++ahead.together;
        ++ahead.ahead;
        HeadToHead& behind = met[field[j]][field[i]];
        behind.opponent = field[i];
        ++behind.together;
        ++behind.behind;
      }
    }
  }
  if (dense) {
    for (std::size_t p = 0; p < count; ++p) {
      for (std::size_t q = 0; q < count; ++q) {
        HeadToHead h = table[p * count + q];
        h.together = h.ahead + h.behind;
        if (h.together == 0) continue;
        h.opponent = q;
        met[p].emplace(q, h);
      }
    }
  }

  for (std::size_t p = 0; p < count; ++p) {
    PlayerHistory& h = histories[p];
    if (!h.places.empty()) {
      double sum = 0;
      for (std::uint32_t place : h.places) sum += place;
      h.average_place = sum / static_cast<double>(h.places.size());
    }
    h.rivals.reserve(met[p].size());
    for (const auto& [opponent, meeting] : met[p]) h.rivals.push_back(meeting);
    std::sort(h.rivals.begin(), h.rivals.end(),
              [](const HeadToHead& a, const HeadToHead& b) {
                if (a.together != b.together) return a.together > b.together;
                return a.opponent < b.opponent;
              });
    if (h.rivals.size() > kRivalsShown) h.rivals.resize(kRivalsShown);
  }
  return histories;
}

}  // namespace vexlane
