#include "scoring/season.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <map>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include "base/platform.h"
#include "scoring/players.h"

namespace vexlane {

SeasonBuilder::SeasonBuilder(SeasonParts parts) : parts_(parts) {
  // Months and histories are worked out from the kept battles.
  if (parts_.months || parts_.histories) parts_.battles = true;
  season_.standings.scores.reserve(1000);
  season_.standings.battles.reserve(3000);
}

ScoredBattle SeasonBuilder::Score(FoundBattle* found, int extra_points) {
  ScoredBattle battle = ScoreBattle(std::move(*found), extra_points);
  AddToStandings(battle, &season_.standings);
  return battle;
}

void SeasonBuilder::TakeIn(ScoredBattle* battle,
                           std::span<const std::size_t> players,
                           std::size_t player_count) {
  if (parts_.ratings) {
    AddToRatings(*battle, players, player_count, &season_.ratings);
  }
  if (parts_.records) records_.Add(*battle, players);
  if (parts_.movement) night_.Add(*battle, players);
  if (parts_.battles) season_.battles.push_back(std::move(*battle));
}

void SeasonBuilder::Finish() {
  // The histories, the largest part, on a thread of their own where there
  // are two cores; what it meets (out of memory) is met here.
  std::thread histories;
  std::exception_ptr failure;
  const auto find_histories = [this, &failure] {
    try {
      season_.histories = PlayerHistories(season_.battles, season_.standings);
    } catch (...) {
      failure = std::current_exception();
    }
  };
  if (parts_.histories && ThreadsWanted()) {
    try {
      histories = ThreadWithoutSignals(find_histories);
    } catch (const std::system_error&) {
      // No thread to be had: found below.
    }
  }
  // Joined however this ends.
  struct Join {
    std::thread& thread;
    ~Join() {
      if (thread.joinable()) thread.join();
    }
  } join{histories};
  if (parts_.records) season_.records = records_.Records(season_.standings);
  if (parts_.months) season_.months = MonthlyStandings(season_.battles);
  if (parts_.movement) {
    season_.latest_night = night_.first();
    season_.latest_night_date = night_.night();
    season_.places_before = night_.PlacesBefore(season_.standings);
  }
  if (histories.joinable()) {
    histories.join();
  } else if (parts_.histories) {
    find_histories();
  }
  if (failure) std::rethrow_exception(failure);
}

std::vector<MonthStandings> MonthlyStandings(
    std::span<const ScoredBattle> battles) {
  std::map<std::string, Standings> months;
  for (const ScoredBattle& b : battles) {
    if (b.date.size() >= 7) AddToStandings(b, &months[b.date.substr(0, 7)]);
  }
  std::vector<MonthStandings> list;
  list.reserve(months.size());
  for (auto& [month, standings] : months) {
    list.push_back({month, std::move(standings)});
  }
  return list;
}

PlayerOrder ScoredPlayers(const Standings& standings) {
  PlayerOrder shown;
  for (std::size_t i : PointsOrder(standings.scores)) {
    if (standings.scores[i].points != 0) shown.push_back(i);
  }
  return shown;
}

namespace {

// The day before a date "YYYY-MM-DD" of the Gregorian calendar, or the
// date as it is where it is no such date.
std::string DayBefore(const std::string& date) {
  int year = 0, month = 0, day = 0;
  if (date.size() != 10 ||
      std::sscanf(date.c_str(), "%4d-%2d-%2d", &year, &month, &day) != 3 ||
      month < 1 || month > 12 || day < 1) {
    return date;
  }
  if (--day == 0) {
    if (--month == 0) {
      month = 12;
      --year;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30,
                                    31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    day = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  }
  if (year < 0) return date;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

}  // namespace

std::string NightOf(const ScoredBattle& battle) {
  if (battle.date.empty()) return "";
  const std::string& stamp = battle.start_stamp;
  const bool clock = stamp.size() >= 3 && stamp[0] >= '0' && stamp[0] <= '9' &&
                     stamp[1] >= '0' && stamp[1] <= '9' && stamp[2] == ':';
  if (!clock || (stamp[0] - '0') * 10 + (stamp[1] - '0') >= kNightEndsHour) {
    return battle.date;
  }
  return DayBefore(battle.date);
}

void NightTracker::Add(const ScoredBattle& battle,
                       std::span<const std::size_t> players) {
  const std::string night = NightOf(battle);
  const bool new_date = !night.empty() && night != date_;
  if (new_date || battles_ == 0) {
    sizes_.clear();
    entries_.clear();
    first_ = battles_;
    date_ = night;
    undated_ = false;
  }
  undated_ = undated_ || battle.date.empty();
  ++battles_;
  sizes_.push_back(battle.ranked.size());
  for (std::size_t k = 0; k < battle.ranked.size(); ++k) {
    entries_.push_back({k < players.size() ? players[k] : SIZE_MAX,
                        battle.ranked[k].points, k == 0});
  }
  while (undated_ && sizes_.size() > kUndatedNight) {
    entries_.erase(entries_.begin(),
                   entries_.begin() + static_cast<std::ptrdiff_t>(sizes_[0]));
    sizes_.pop_front();
    ++first_;
  }
}

std::vector<std::uint32_t> NightTracker::PlacesBefore(
    const Standings& standings) const {
  // The scores order reads points and wins alone: take off what the night
  // added to them, as AddToStandings added it. A player first met in the
  // night is left with none, behind every player with points, where the
  // order's ties do not depend on it.
  const std::vector<PlayerScore>& scores = standings.scores;
  std::vector<PlayerScore> before(scores.size());
  for (std::size_t i = 0; i < scores.size(); ++i) {
    before[i].points = scores[i].points;
    before[i].wins = scores[i].wins;
  }
  for (const Entry& e : entries_) {
    if (e.player >= before.size()) continue;
    before[e.player].points -= static_cast<std::int32_t>(e.points);
    if (e.won) before[e.player].wins -= 1;
  }
  std::vector<std::uint32_t> places(scores.size(), 0);
  std::uint32_t place = 0;
  for (std::size_t i : PointsOrder(before)) {
    if (before[i].points != 0) places[i] = ++place;
  }
  return places;
}

double AverageValue(const PlayerScore& score) {
  return static_cast<double>(AverageHundredths(score)) / 100.0;
}

std::vector<std::vector<std::uint64_t>> RunningPoints(
    const Season& season, const PlayerOrder& players, std::size_t every) {
  std::unordered_map<std::uint64_t, std::size_t> line_of;
  for (std::size_t i = 0; i < players.size(); ++i) {
    line_of.emplace(PlayerKey(season.standings.scores[players[i]].name), i);
  }
  std::vector<std::vector<std::uint64_t>> totals(players.size());
  std::vector<std::uint64_t> running(players.size(), 0);
  const std::size_t battles = season.battles.size();
  for (std::size_t b = 0; b < battles; ++b) {
    for (const TimeEntry& entry : season.battles[b].ranked) {
      const auto found = line_of.find(PlayerKey(entry.name));
      if (found != line_of.end()) running[found->second] += entry.points;
    }
    if (b % std::max<std::size_t>(every, 1) == 0 || b + 1 == battles) {
      for (std::size_t i = 0; i < players.size(); ++i) {
        totals[i].push_back(running[i]);
      }
    }
  }
  return totals;
}

std::vector<const ScoredBattle*> ChartedBattles(const Season& season,
                                                std::size_t every) {
  std::vector<const ScoredBattle*> at;
  const std::size_t battles = season.battles.size();
  for (std::size_t b = 0; b < battles; ++b) {
    if (b % std::max<std::size_t>(every, 1) == 0 || b + 1 == battles) {
      at.push_back(&season.battles[b]);
    }
  }
  return at;
}

}  // namespace vexlane
