// What a season's battles say beyond the points: the record on every
// level, each player's personal bests, and each player's history (places,
// rivals). Pure functions over the scored battles and the standings: no
// text, no streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "scoring/battle_scoring.h"
#include "scoring/standings.h"

namespace vexlane {

// One time driven in the season.
struct DrivenTime {
  std::size_t battle = 0;  // position in the battles
  std::size_t rank = 0;    // position in that battle's ranked entries
  std::size_t player = 0;  // position in Standings::scores
  std::uint64_t hundredths = 0;
};

// The record as it was driven, whole: where the battles are not kept
// (the JSON's), it is all that is shown of it.
struct RecordTime {
  TimeEntry entry;  // as posted, with its nick
  int event = 0;
  std::string date;  // empty where the log gives none
  std::string link;  // the battle's; may be empty
};

// The times driven on one level. Levels are the same when their names
// match ignoring ASCII case; entries of apples only hold no time.
struct LevelRecord {
  std::string name;         // as the first battle on it spelled it
  std::size_t battles = 0;  // battles held on it
  RecordTime record;        // progression.back(), whole
  // Each time the record fell, oldest first: the first time driven on the
  // level, then every strictly better one. back() is the record; an equal
  // time later does not take it.
  std::vector<DrivenTime> progression;
  // The best times ever, a player's best only, best first; equal times in
  // the order they were driven. At most kBestTimesShown.
  std::vector<DrivenTime> best;
};

inline constexpr std::size_t kBestTimesShown = 10;

// What a battle's entry was when it was driven. A new record is the best
// time of its battle and strictly better than every time driven on the
// level in earlier battles (or the first time driven there); a personal
// best is strictly better than all of the player's times on the level in
// earlier battles, where there are any.
enum EntryMark : std::uint8_t { kNewRecord = 1, kPersonalBest = 2 };

// The marks of the `n` entries from the `from`-th in `marks`; none where
// `marks` does not reach them (a season that gathers no records).
inline std::span<const std::uint8_t> MarksOf(
    std::span<const std::uint8_t> marks, std::size_t from, std::size_t n) {
  return marks.size() >= from + n ? marks.subspan(from, n) : marks.first(0);
}

struct SeasonRecords {
  // Levels with at least one time, ordered by name ignoring ASCII case.
  std::vector<LevelRecord> levels;
  // Parallel to Standings::scores: each player's best time on every level
  // they drove a time on, as (position in `levels`, time), in levels order.
  std::vector<std::vector<std::pair<std::size_t, DrivenTime>>> personal_bests;
  // The event of every battle, by position: DrivenTime::battle.
  std::vector<int> events;
  // The EntryMark bits of every ranked entry of every battle, battle after
  // battle (as SeasonRatings::after).
  std::vector<std::uint8_t> marks;
};

SeasonRecords FindRecords(std::span<const ScoredBattle> battles,
                          const Standings& standings);

// The same, battle by battle as the scan scores them, while each battle's
// entries are still fresh in memory.
class RecordsBuilder {
 public:
  RecordsBuilder();
  ~RecordsBuilder();
  RecordsBuilder(RecordsBuilder&&) noexcept;
  RecordsBuilder& operator=(RecordsBuilder&&) noexcept;

  // Adds the next battle of the season; `players` holds the standings'
  // player of each of its ranked entries (Standings::entry_players), or
  // SIZE_MAX for an entry counted for none.
  void Add(const ScoredBattle& battle, std::span<const std::size_t> players);
  // The records of the battles added so far.
  SeasonRecords Records(const Standings& standings) const;
  // The marks of every entry added so far (SeasonRecords::marks).
  std::span<const std::uint8_t> marks() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// How a player fared against one other player in the battles both drove.
struct HeadToHead {
  std::size_t opponent = 0;  // position in Standings::scores
  std::uint32_t together = 0;
  std::uint32_t ahead = 0;   // battles the player finished ahead
  std::uint32_t behind = 0;  // battles the opponent finished ahead
};

struct PlayerHistory {
  // The battles the player drove in (positions in the battles, in order)
  // and the place (from 1) in each; a player with two nicks in one battle
  // counts at the better placed one.
  std::vector<std::size_t> battles;
  std::vector<std::uint32_t> places;
  // How often the player finished first, second and third.
  std::uint32_t firsts = 0;
  std::uint32_t seconds = 0;
  std::uint32_t thirds = 0;
  double average_place = 0;  // 0 without battles
  // The players met most often, most battles together first (ties: the
  // standings' order of first meeting), at most kRivalsShown.
  std::vector<HeadToHead> rivals;
};

inline constexpr std::size_t kRivalsShown = 5;

// Head to head counts the pairs among the best placed this many of a
// battle: the pairs of a battle grow with the square of its players.
inline constexpr std::size_t kHeadToHeadField = 200;

// Parallel to Standings::scores.
std::vector<PlayerHistory> PlayerHistories(
    std::span<const ScoredBattle> battles, const Standings& standings);

}  // namespace vexlane
