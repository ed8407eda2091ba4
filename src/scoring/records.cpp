#include "scoring/records.h"

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <optional>
#include <string_view>
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

// What is looked at for every time driven on a level, apart from the
// rest of its record (looked at when the record falls): the battles are
// read from logs of hundreds of megabytes, so each of these is a cache
// miss.
struct LevelTimes {
  std::uint64_t record = std::numeric_limits<std::uint64_t>::max();
  std::size_t battles = 0;
  // Every player's best on it, in the order they first drove a time there,
  // in half the room of a DrivenTime.
  struct Best {
    std::uint32_t battle, rank, player, hundredths;
    DrivenTime Driven() const { return {battle, rank, player, hundredths}; }
  };
  std::vector<Best> bests;
};

// A table with open addressing of 64-bit keys, for the hundreds of
// thousands of (level, player) pairs of a long season and its levels. A
// slot holds `key` (the key + 1; 0 is a free slot) and what the caller
// keeps with it.
template <typename Slot>
class OpenTable {
 public:
  // Starts reading the slot where `key` would be: a battle's players are
  // looked up together, so that their cache misses overlap.
  void Prefetch(std::uint64_t key) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[Home(key)]);
  }
  // The slot of `key` for which `same` holds; a new one (`*added` set),
  // holding only the key, when there is none.
  template <typename Same>
  Slot* Find(std::uint64_t key, const Same& same, bool* added) {
    // At most three quarters full: a probe then reads a slot or two.
    if (4 * (used_ + 1) > 3 * slots_.size()) Grow();
    std::size_t at = Home(key);
    while (slots_[at].key != 0 &&
           !(slots_[at].key == key + 1 &&
             same(static_cast<const Slot&>(slots_[at])))) {
      at = (at + 1) & (slots_.size() - 1);
    }
    *added = slots_[at].key == 0;
    if (*added) {
      slots_[at].key = key + 1;
      ++used_;
    }
    return &slots_[at];
  }

 private:
  std::size_t Home(std::uint64_t key) const {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  void Grow() {
    std::vector<Slot> old(slots_.empty() ? 1024 : 2 * slots_.size());
    old.swap(slots_);
    shift_ = 64;
    for (std::size_t n = slots_.size(); n > 1; n >>= 1) --shift_;
    for (const Slot& slot : old) {
      if (slot.key == 0) continue;
      std::size_t at = Home(slot.key - 1);
      while (slots_[at].key != 0) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::size_t used_ = 0;
  int shift_ = 64;
};

// A (level, player) pair: the player's best on the level, in hundredths
// (at most UINT32_MAX), and where it is in the level's bests. A time no
// better than the best is told by the slot alone.
struct PairSlot {
  std::uint64_t key = 0;
  std::uint32_t at = 0;
  std::uint32_t best = 0;
};

// A level: the hash of its name upper-cased, its position, and the name
// itself where it is short (most are), so that finding it costs one cache
// miss.
struct LevelSlot {
  std::uint64_t key = 0;
  std::uint32_t level = 0;
  std::uint32_t size = 0;
  std::array<char, 16> name{};
  bool Names(const std::vector<std::string>& keys, std::string_view k) const {
    if (k.size() != size) return false;
    if (size <= name.size())
      return std::equal(k.begin(), k.end(), name.begin());
    return keys[level] == k;
  }
};

// The entry of `battle` with its best time (the first of equal ones, as
// ranked) among those counted for a player, with the time; kNone where no
// entry has a time.
std::size_t BestEntry(const ScoredBattle& battle,
                      std::span<const std::size_t> players,
                      std::uint64_t* best_time) {
  std::size_t best = kNone;
  *best_time = std::numeric_limits<std::uint64_t>::max();
  for (std::size_t k = 0; k < battle.ranked.size(); ++k) {
    const std::optional<std::uint64_t> time = Hundredths(battle.ranked[k]);
    if (time && players[k] != kNone && *time < *best_time) {
      *best_time = *time;
      best = k;
    }
  }
  return best;
}

}  // namespace

struct RecordsBuilder::State {
  std::vector<LevelTimes> levels;
  std::vector<LevelRecord> records;  // parallel to `levels`
  std::vector<std::string> keys;     // the names upper-cased: the identity
  OpenTable<LevelSlot> level_of;
  OpenTable<PairSlot> best_of;
  std::vector<int> events;
  std::vector<std::uint8_t> marks;
  std::string key;
};

RecordsBuilder::RecordsBuilder() : state_(std::make_unique<State>()) {}
RecordsBuilder::~RecordsBuilder() = default;
RecordsBuilder::RecordsBuilder(RecordsBuilder&&) noexcept = default;
RecordsBuilder& RecordsBuilder::operator=(RecordsBuilder&&) noexcept = default;

void RecordsBuilder::Add(const ScoredBattle& battle,
                         std::span<const std::size_t> players) {
  State& s = *state_;
  const std::size_t position = s.events.size();
  s.events.push_back(battle.event);
  UpperInto(battle.level, &s.key);
  bool added = false;
  LevelSlot* slot = s.level_of.Find(
      std::hash<std::string_view>{}(s.key),
      [&s](const LevelSlot& l) { return l.Names(s.keys, s.key); }, &added);
  if (added) {
    slot->level = static_cast<std::uint32_t>(s.levels.size());
    slot->size = static_cast<std::uint32_t>(s.key.size());
    std::copy_n(s.key.begin(), std::min(s.key.size(), slot->name.size()),
                slot->name.begin());
    s.levels.emplace_back().bests.reserve(8);
    s.records.emplace_back().name = battle.level;
    s.keys.push_back(s.key);
  }
  const std::size_t at = slot->level;
  LevelTimes& level = s.levels[at];
  ++level.battles;
  const auto key = [at, &players](std::size_t k) {
    return (std::uint64_t{at} << 32) | static_cast<std::uint32_t>(players[k]);
  };
  for (std::size_t k = 0; k < battle.ranked.size(); ++k) {
    s.best_of.Prefetch(key(k));
  }
  const auto any = [](const PairSlot&) { return true; };
  // The battle's best time, a new record when it beats the level's
  // record of the battles before (the first of equal times, as ranked).
  const std::size_t marked = s.marks.size();
  s.marks.resize(marked + battle.ranked.size(), 0);
  std::uint64_t best_time = 0;
  const std::size_t best_entry = BestEntry(battle, players, &best_time);
  if (best_entry != kNone &&
      std::min<std::uint64_t>(best_time, UINT32_MAX) < level.record) {
    s.marks[marked + best_entry] |= kNewRecord;
  }
  for (std::size_t k = 0; k < battle.ranked.size(); ++k) {
    const std::optional<std::uint64_t> time = Hundredths(battle.ranked[k]);
    if (!time || players[k] == kNone) continue;
    // Times fit 32 bits (at most 5 minutes, 60 seconds and 99 hundredths),
    // and so do the season's battles, ranks and players.
    const LevelTimes::Best driven{
        static_cast<std::uint32_t>(position), static_cast<std::uint32_t>(k),
        static_cast<std::uint32_t>(players[k]),
        static_cast<std::uint32_t>(std::min<std::uint64_t>(*time, UINT32_MAX))};
    // Ranked entries are best first, but every entry is looked at so
    // that the record never depends on the order of the ranking.
    if (driven.hundredths < level.record) {
      level.record = driven.hundredths;
      LevelRecord& record = s.records[at];
      record.progression.push_back(driven.Driven());
      record.record.entry = battle.ranked[k];
      record.record.event = battle.event;
      record.record.date = battle.date;
      record.record.link = battle.link;
    }
    bool first = false;
    PairSlot* best = s.best_of.Find(key(k), any, &first);
    if (first) {
      best->at = static_cast<std::uint32_t>(level.bests.size());
      best->best = driven.hundredths;
      level.bests.push_back(driven);
    } else if (driven.hundredths < best->best) {
      // Against the player's earlier battles only: a second nick of the
      // player in this battle is no earlier time.
      if (level.bests[best->at].battle < position) {
        s.marks[marked + k] |= kPersonalBest;
      }
      best->best = driven.hundredths;
      level.bests[best->at] = driven;
    }
  }
}

SeasonRecords RecordsBuilder::Records(const Standings& standings) const {
  const State& s = *state_;
  std::vector<std::size_t> levels;
  for (std::size_t i = 0; i < s.levels.size(); ++i) {
    if (!s.levels[i].bests.empty()) levels.push_back(i);
  }
  std::sort(levels.begin(), levels.end(), [&s](std::size_t a, std::size_t b) {
    return s.keys[a] < s.keys[b];
  });

  SeasonRecords records;
  records.personal_bests.resize(standings.scores.size());
  records.levels.reserve(levels.size());
  records.events = s.events;
  records.marks = s.marks;
  std::vector<std::size_t> count(standings.scores.size());
  for (std::size_t level : levels) {
    for (const LevelTimes::Best& t : s.levels[level].bests) {
      if (t.player < count.size()) ++count[t.player];
    }
  }
  for (std::size_t p = 0; p < count.size(); ++p) {
    records.personal_bests[p].reserve(count[p]);
  }
  std::vector<LevelTimes::Best> top;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    const LevelTimes& level = s.levels[levels[i]];
    // A player has one best on a level: the lists of personal bests come
    // out in levels order whatever the order of a level's bests.
    for (const LevelTimes::Best& t : level.bests) {
      if (t.player < records.personal_bests.size()) {
        records.personal_bests[t.player].emplace_back(i, t.Driven());
      }
    }
    records.levels.push_back(s.records[levels[i]]);
    LevelRecord& record = records.levels.back();
    record.battles = level.battles;
    top.resize(std::min(level.bests.size(), kBestTimesShown));
    std::partial_sort_copy(
        level.bests.begin(), level.bests.end(), top.begin(), top.end(),
        [](const LevelTimes::Best& a, const LevelTimes::Best& b) {
          return DrivenBefore(a.Driven(), b.Driven());
        });
    for (const LevelTimes::Best& t : top) record.best.push_back(t.Driven());
  }
  return records;
}

std::span<const std::uint8_t> RecordsBuilder::marks() const {
  return state_->marks;
}

SeasonRecords FindRecords(std::span<const ScoredBattle> battles,
                          const Standings& standings) {
  RecordsBuilder builder;
  PlayerIndex index;
  std::vector<std::size_t> players;
  for (const ScoredBattle& battle : battles) {
    players.clear();
    for (const TimeEntry& e : battle.ranked) {
      const std::size_t p = FindPlayer(standings.scores, e.name, &index);
      players.push_back(p == standings.scores.size() ? kNone : p);
    }
    builder.Add(battle, players);
  }
  return builder.Records(standings);
}

namespace {

// Works out a history's average place and its rivals from the meetings.
void Conclude(const std::unordered_map<std::size_t, HeadToHead>& met,
              PlayerHistory* h) {
  if (!h->places.empty()) {
    double sum = 0;
    for (std::uint32_t place : h->places) sum += place;
    h->average_place = sum / static_cast<double>(h->places.size());
  }
  h->rivals.reserve(met.size());
  for (const auto& [opponent, meeting] : met) h->rivals.push_back(meeting);
  std::sort(h->rivals.begin(), h->rivals.end(),
            [](const HeadToHead& a, const HeadToHead& b) {
              if (a.together != b.together) return a.together > b.together;
              return a.opponent < b.opponent;
            });
  if (h->rivals.size() > kRivalsShown) h->rivals.resize(kRivalsShown);
}

}  // namespace

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

  for (std::size_t p = 0; p < count; ++p) Conclude(met[p], &histories[p]);
  return histories;
}

}  // namespace vexlane
