#include "scoring/records.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <utility>

#include "season.h"
#include "test_util.h"

namespace vexlane {
namespace {

using testing::Post;

// A season worked out by hand. Players in the standings' order: Ann 0,
// Bob 1, Cal 2, Zara 3 (also driving as "Zara_x"), Max 4 (started a battle,
// drove none).
//   0 Pipe  Ann 1:00,00  Bob 1:05,00  Cal 7 apples
//   1 PIPE  Zara_x 57,50  Bob 58,00  Zara 59,00  Ann 1:00,00
//   2 Hill  Cal 12 apples  Ann 5 apples
//   3 pipe  Cal 57,50 (equals the record)  Ann 59,00
//   4 Hill  Bob 1:30,00  Cal 20 apples
//   5 gate  Ann 45,00, started by Max
struct Season : testing::Season {
  Season() {
    Add({Post("Ann", "1:00,00"), Post("Bob", "1:05,00"), Post("Cal", "7")}, "",
        "Ann", "Pipe");
    Add({Post("Bob", "58,00"), Post("Ann", "1:00,00"), Post("Zara", "59,00"),
         Post("Zara_x", "57,50")},
        "", "Ann", "PIPE");
    Add({Post("Cal", "12"), Post("Ann", "5")}, "", "Ann", "Hill");
    Add({Post("Cal", "57,50"), Post("Ann", "59,00")}, "", "Ann", "pipe");
    Add({Post("Bob", "1:30,00"), Post("Cal", "20")}, "", "Ann", "Hill");
    Add({Post("Ann", "45,00")}, "", "Max", "gate");
  }
};

// "battle/rank/player/hundredths" per time.
std::string Listed(const std::vector<DrivenTime>& times) {
  std::string out;
  for (const DrivenTime& t : times) {
    out += std::to_string(t.battle) + "/" + std::to_string(t.rank) + "/" +
           std::to_string(t.player) + "/" + std::to_string(t.hundredths) + " ";
  }
  return out;
}

// The marks of each entry as it fell, battle by battle: R a new record, P
// a personal best, . neither. A record is the best of its battle only
// (Bob's 58,00 beat the old record too), an equal time takes none (Cal's
// 57,50), a first time on a level is no personal best (Cal, Zara_x), a
// player's second nick in one battle is no earlier time (Zara), a battle
// of apples sets nothing, and the first time on a level is its record.
TEST(Records, EntriesAreMarkedAsRecordsAndPersonalBestsFell) {
  const Season s;
  const SeasonRecords r = FindRecords(s.battles, s.standings);
  std::string marks;
  std::size_t at = 0;
  for (const ScoredBattle& b : s.battles) {
    for (std::size_t k = 0; k < b.ranked.size(); ++k, ++at) {
      ASSERT_LT(at, r.marks.size());
      const std::uint8_t m = r.marks[at];
      marks += (m & kNewRecord) != 0 ? ((m & kPersonalBest) != 0 ? 'B' : 'R')
                                     : ((m & kPersonalBest) != 0 ? 'P' : '.');
    }
    marks += ' ';
  }
  EXPECT_EQ(at, r.marks.size());
  EXPECT_EQ(marks, "R.. RP.. .. .P R. R ");
  // A player who beats the record and their own earlier best is both.
  testing::Season more;
  more.Add({Post("Ann", "1:00,00")}, "", "Ann", "Pipe");
  more.Add({Post("Bob", "59,00"), Post("Ann", "59,50")}, "", "Ann", "Pipe");
  more.Add({Post("Ann", "58,00"), Post("Bob", "58,00")}, "", "Ann", "Pipe");
  const SeasonRecords m = FindRecords(more.battles, more.standings);
  EXPECT_EQ(m.marks, (std::vector<std::uint8_t>{
                         kNewRecord, kNewRecord, kPersonalBest,
                         kNewRecord | kPersonalBest, kPersonalBest}));
}

TEST(Records, RecordsBestTimesAndPersonalBestsOfAHandWorkedSeason) {
  const Season s;
  ASSERT_EQ(s.standings.scores.size(), 5u);
  ASSERT_EQ(s.standings.scores[3].name, "Zara_x");

  const SeasonRecords r = FindRecords(s.battles, s.standings);
  // Ordered ignoring case; the name as the first battle spelled it; Hill
  // counts its apples-only battle.
  std::string levels;  // "name/battles " per level
  for (const auto& l : r.levels) {
    levels += l.name + "/" + std::to_string(l.battles) + " ";
  }
  ASSERT_EQ(levels, "gate/1 Hill/2 Pipe/3 ");
  EXPECT_EQ(Listed(r.levels[1].progression), "4/0/1/9000 ");
  // The record falls once; Bob's 58,00 comes after 57,50 in the same
  // battle and Cal's equal 57,50 later does not take it.
  EXPECT_EQ(Listed(r.levels[2].progression), "0/0/0/6000 1/0/3/5750 ");
  // Each player once (Zara at the better nick); equal times as driven.
  EXPECT_EQ(Listed(r.levels[2].best),
            "1/0/3/5750 3/0/2/5750 1/1/1/5800 3/1/0/5900 ");

  ASSERT_EQ(r.personal_bests.size(), 5u);
  auto bests = [&](std::size_t player) {
    std::string out;
    for (const auto& [level, t] : r.personal_bests[player]) {
      out += std::to_string(level) + ":" + Listed({t});
    }
    return out;
  };
  EXPECT_EQ(bests(0), "0:5/0/0/4500 2:3/1/0/5900 ");
  EXPECT_EQ(bests(1), "1:4/0/1/9000 2:1/1/1/5800 ");
  EXPECT_EQ(bests(2), "2:3/0/2/5750 ");
  EXPECT_EQ(bests(3), "2:1/0/3/5750 ");
  EXPECT_EQ(bests(4), "");
}

TEST(Records, BestTimesStopAtTheShownNumber) {
  Season s;
  std::vector<TimeEntry> many;
  for (int i = 0; i < 12; ++i) {
    many.push_back(
        Post("P" + std::to_string(i) + "xyz", std::to_string(40 + i) + ",00"));
  }
  s.Add(std::move(many), "", "Ann", "Long");
  const SeasonRecords r = FindRecords(s.battles, s.standings);
  ASSERT_EQ(r.levels[2].name, "Long");
  ASSERT_EQ(r.levels[2].best.size(), kBestTimesShown);
  EXPECT_EQ(r.levels[2].best.back().hundredths, 4900u);
  EXPECT_EQ(r.personal_bests.back().size(), 1u);  // the 12th still has one
}

// A season of many levels (some named alike but for case, some longer than
// sixteen characters) and players, against the plain definitions: each
// level's record is its first best time, each player's best on a level
// the earliest of their best times.
TEST(Records, LargeSeasonAgreesWithTheDefinitions) {
  testing::Season s;
  std::uint32_t seed = 7;
  const auto next = [&seed](std::uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  for (int b = 0; b < 600; ++b) {
    std::vector<TimeEntry> times;
    for (int p = 0; p < 12; ++p) {
      // Nicks name one player by their first four characters.
      times.push_back(Post(
          std::to_string(next(150)) + "Racer",
          std::to_string(30 + next(20)) + "," + std::to_string(10 + next(90))));
    }
    std::string level = "Level" + std::to_string(next(300));
    if (next(3) == 0) level += "WithAVeryLongNameIndeed";
    if (next(2) == 0) level[0] = 'l';
    s.Add(std::move(times), "", "Ann", level);
  }
  const SeasonRecords r = FindRecords(s.battles, s.standings);

  std::map<std::string, std::pair<std::uint64_t, std::size_t>> record;
  std::map<std::pair<std::string, std::size_t>, std::uint64_t> best;
  for (std::size_t b = 0; b < s.battles.size(); ++b) {
    std::string key = s.battles[b].level;
    for (char& c : key) c = static_cast<char>(std::toupper(c));
    for (const TimeEntry& e : s.battles[b].ranked) {
      const std::uint64_t h = *Hundredths(e);
      const auto found = record.find(key);
      if (found == record.end() || h < found->second.first) {
        record[key] = {h, b};
      }
      std::size_t player = 0;
      while (!SamePlayer(s.standings.scores[player].name, e.name)) ++player;
      const auto [at, added] = best.try_emplace({key, player}, h);
      if (!added && h < at->second) at->second = h;
    }
  }
  ASSERT_EQ(r.levels.size(), record.size());
  std::size_t pairs = 0;
  for (std::size_t l = 0; l < r.levels.size(); ++l) {
    std::string key = r.levels[l].name;
    for (char& c : key) c = static_cast<char>(std::toupper(c));
    const auto& [hundredths, battle] = record.at(key);
    EXPECT_EQ(r.levels[l].progression.back().hundredths, hundredths) << key;
    EXPECT_EQ(r.levels[l].record.event, s.battles[battle].event) << key;
    EXPECT_EQ(*Hundredths(r.levels[l].record.entry), hundredths) << key;
  }
  for (std::size_t p = 0; p < r.personal_bests.size(); ++p) {
    for (const auto& [l, t] : r.personal_bests[p]) {
      std::string key = r.levels[l].name;
      for (char& c : key) c = static_cast<char>(std::toupper(c));
      EXPECT_EQ(t.hundredths, best.at({key, p})) << key << " " << p;
      ++pairs;
    }
  }
  EXPECT_EQ(pairs, best.size());

  // The marks, against the times of the battles before each one only.
  std::map<std::string, std::uint64_t> record_before;
  std::map<std::pair<std::string, std::size_t>, std::uint64_t> best_before;
  std::size_t at = 0;
  for (const ScoredBattle& b : s.battles) {
    std::string key = b.level;
    for (char& c : key) c = static_cast<char>(std::toupper(c));
    std::size_t first_best = 0;
    for (std::size_t k = 1; k < b.ranked.size(); ++k) {
      if (*Hundredths(b.ranked[k]) < *Hundredths(b.ranked[first_best])) {
        first_best = k;
      }
    }
    std::vector<std::size_t> players;
    for (std::size_t k = 0; k < b.ranked.size(); ++k, ++at) {
      const std::uint64_t h = *Hundredths(b.ranked[k]);
      std::size_t player = 0;
      while (!SamePlayer(s.standings.scores[player].name, b.ranked[k].name)) {
        ++player;
      }
      players.push_back(player);
      const auto earlier = record_before.find(key);
      const bool is_record =
          k == first_best &&
          (earlier == record_before.end() || h < earlier->second);
      const auto own = best_before.find({key, player});
      const bool is_best = own != best_before.end() && h < own->second;
      ASSERT_EQ(r.marks[at],
                (is_record ? kNewRecord : 0) | (is_best ? kPersonalBest : 0))
          << "event " << b.event << " entry " << k;
    }
    for (std::size_t k = 0; k < b.ranked.size(); ++k) {
      const std::uint64_t h = *Hundredths(b.ranked[k]);
      const auto [r_at, r_added] = record_before.try_emplace(key, h);
      if (!r_added && h < r_at->second) r_at->second = h;
      const auto [b_at, b_added] =
          best_before.try_emplace({key, players[k]}, h);
      if (!b_added && h < b_at->second) b_at->second = h;
    }
  }
}

TEST(PlayerHistories, PlacesAndHeadToHeadOfAHandWorkedSeason) {
  const Season s;
  const std::vector<PlayerHistory> h = PlayerHistories(s.battles, s.standings);
  ASSERT_EQ(h.size(), 5u);
  auto places = [&](std::size_t player) {
    std::string out;
    for (std::size_t i = 0; i < h[player].battles.size(); ++i) {
      out += std::to_string(h[player].battles[i]) + ":" +
             std::to_string(h[player].places[i]) + " ";
    }
    return out;
  };
  EXPECT_EQ(places(0), "0:1 1:4 2:2 3:2 5:1 ");
  EXPECT_EQ(places(1), "0:2 1:2 4:1 ");
  EXPECT_EQ(places(3), "1:1 ");  // Zara_x first; Zara's third passed over
  EXPECT_EQ(h[0].firsts, 2u);
  EXPECT_EQ(h[0].seconds, 2u);
  EXPECT_EQ(h[0].thirds, 0u);
  EXPECT_EQ(h[2].thirds, 1u);
  EXPECT_DOUBLE_EQ(h[0].average_place, 2.0);
  EXPECT_DOUBLE_EQ(h[2].average_place, 1.75);
  EXPECT_EQ(h[4].battles.size(), 0u);
  EXPECT_EQ(h[4].average_place, 0.0);

  // "opponent:together/ahead/behind" per rival.
  auto rivals = [&](std::size_t player) {
    std::string out;
    for (const HeadToHead& r : h[player].rivals) {
      out += std::to_string(r.opponent) + ":" + std::to_string(r.together) +
             "/" + std::to_string(r.ahead) + "/" + std::to_string(r.behind) +
             " ";
    }
    return out;
  };
  EXPECT_EQ(rivals(0), "2:3/1/2 1:2/1/1 3:1/0/1 ");
  EXPECT_EQ(rivals(1), "0:2/1/1 2:2/2/0 3:1/0/1 ");  // a tie: Ann first
  EXPECT_EQ(rivals(3), "0:1/1/0 1:1/1/0 ");          // met once each, not twice
  EXPECT_EQ(rivals(4), "");
}

}  // namespace
}  // namespace vexlane
