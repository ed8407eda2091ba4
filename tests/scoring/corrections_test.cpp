#include "scoring/corrections.h"

#include <gtest/gtest.h>

namespace vexlane {
namespace {

TimeEntry Time(std::string name, std::uint32_t seconds) {
  TimeEntry e;
  e.name = std::move(name);
  e.seconds = seconds;
  return e;
}

std::string Names(const FoundBattle& b) {
  std::string names;
  for (const TimeEntry& e : b.times) names += e.name + " ";
  return names;
}

TEST(NickMatches, GlobsIgnoringCase) {
  EXPECT_TRUE(NickMatches("Guest*", "guest4711"));
  EXPECT_TRUE(NickMatches("*serv", "ChanServ"));
  EXPECT_TRUE(NickMatches("a*b*c", "aXXbYbc"));
  EXPECT_FALSE(NickMatches("a*b*c", "aXXbYbcd"));
  EXPECT_FALSE(NickMatches("ChanServ", "ChanServ_"));
  EXPECT_TRUE(NickMatches("*", ""));
}

// Ignored nicks go first, then each repair drops and adds as the time
// review would, then the nicks of a player take the player's name.
TEST(CorrectBattle, IgnoreDropAddThenAliases) {
  Corrections c;
  c.ignores.push_back({"Guest*", 3});
  c.aliases.push_back({"bob_", "Bob", 5});
  c.aliases.push_back({"Bob|away", "Bob", 5});
  Corrections::Repair r;
  r.level = "pipe12";
  r.start = "2024-11-12 19:54:30";
  r.drop = {"Eve"};
  r.add = {Time("Fox", 61)};
  r.line = 8;
  c.repairs.push_back(r);
  FoundBattle b;
  b.level = "Pipe12";
  b.start_stamp = "19:54:30";
  b.date = "2024-11-12";
  b.starter = "BOB_";
  b.times = {Time("bob_", 62), Time("Guest1", 50), Time("Eve", 70),
             Time("Bob|away", 59), Time("Eve", 71)};
  std::vector<Correction> changes;
  ASSERT_TRUE(KeepsBattle(c, b, &changes));
  CorrectBattle(c, &b, &changes);
  EXPECT_EQ(Names(b), "Bob Bob Fox ");
  EXPECT_EQ(b.times[1].seconds, 59u);  // order kept: the last post counts
  EXPECT_EQ(b.starter, "Bob");
  ASSERT_EQ(changes.size(), 5u);
  EXPECT_EQ(changes[0].kind, Correction::Kind::kIgnored);
  EXPECT_EQ(changes[1].kind, Correction::Kind::kDropped);
  EXPECT_EQ(changes[2].kind, Correction::Kind::kAdded);
  EXPECT_EQ(changes[3].nick, "bob_");
  EXPECT_EQ(changes[4].nick, "Bob|away");
  EXPECT_EQ(changes[4].line, 5u);
}

// Looked up in a hash, aliases and patterns give what a search of the
// lists in order gives: the first alias of a nick, the first pattern that
// matches (with '*' or without), the same changes in the same order.
TEST(CorrectBattle, IndexedAsSearchedInOrder) {
  Corrections c;
  c.ignores = {{"x*", 1}, {"Guest", 2}, {"*uest", 3}, {"GUEST", 4}, {"zed", 5}};
  c.aliases = {{"ann_", "Ann", 6}, {"ANN", "Annie", 7}, {"Bo*", "Bob", 8}};
  for (int i = 0; i < 1000; ++i) {
    c.aliases.push_back({"n" + std::to_string(i), "P" + std::to_string(i), 9});
  }
  FoundBattle b;
  b.starter = "n17";
  b.times = {Time("Ann", 1),   Time("guest", 2),   Time("xguest", 3),
             Time("Zed", 4),   Time("n999", 5),    Time("Bo*", 6),
             Time("Quest", 7), Time("ann|away", 8)};
  Corrections indexed = c;
  IndexNicks(&indexed);
  FoundBattle a = b;
  std::vector<Correction> searched, looked_up;
  CorrectBattle(c, &a, &searched);
  CorrectBattle(indexed, &b, &looked_up);
  EXPECT_EQ(Names(a), "Ann P999 Bob ann|away ");
  EXPECT_EQ(Names(b), Names(a));
  EXPECT_EQ(b.starter, "P17");
  ASSERT_EQ(looked_up.size(), searched.size());
  for (std::size_t i = 0; i < searched.size(); ++i) {
    EXPECT_EQ(looked_up[i].kind, searched[i].kind) << i;
    EXPECT_EQ(looked_up[i].line, searched[i].line) << i;
    EXPECT_EQ(looked_up[i].nick, searched[i].nick) << i;
  }
  EXPECT_EQ(searched[0].line, 1u);  // xguest: the first pattern
  EXPECT_EQ(searched[1].line, 2u);  // guest: "Guest" before "*uest"
}

TEST(KeepsBattle, SkipsAndSeasons) {
  Corrections c;
  c.since = "2024-09-01";
  c.until = "2024-12-31";
  Corrections::Repair skip;
  skip.level = "Cave3";
  skip.start = "21:10:02";  // a stamp alone matches on any date
  skip.skip = true;
  c.repairs.push_back(skip);
  FoundBattle b;
  b.level = "Cave3";
  b.start_stamp = "21:10:02";
  b.date = "2024-10-01";
  std::vector<Correction> changes;
  EXPECT_FALSE(KeepsBattle(c, b, &changes));
  b.level = "Cave4";
  EXPECT_TRUE(KeepsBattle(c, b, &changes));
  for (const char* date : {"2024-08-31", "2025-01-01"}) {
    b.date = date;
    EXPECT_FALSE(KeepsBattle(c, b, &changes)) << date;
  }
  b.date = "2024-12-31";  // bounds are inclusive
  EXPECT_TRUE(KeepsBattle(c, b, &changes));
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[1].kind, Correction::Kind::kOutOfSeason);
}

}  // namespace
}  // namespace vexlane
