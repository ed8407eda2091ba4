// What a settings file changes in the battles as they are found: nicks that
// are one player, nicks that are nobody, a season, and repairs of single
// battles. Pure functions over found battles; reading the file and telling
// the user are the caller's.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "log/battle_finder.h"
#include "log/time_entry.h"

namespace vexlane {

struct Corrections {
  struct Alias {
    std::string nick;      // as posted (compared ignoring ASCII case)
    std::string player;    // the name shown
    std::size_t line = 0;  // of the settings file, for messages
  };
  struct Ignore {
    std::string pattern;  // '*' stands for any run of characters
    std::size_t line = 0;
  };
  // A repair of the battle of `level` that started at `start`: the stamp
  // ("19:54:30"), or the date and the stamp ("2024-11-12 19:54:30").
  struct Repair {
    std::string level;
    std::string start;
    std::vector<TimeEntry> add;     // names and times, in order
    std::vector<std::string> drop;  // the nicks whose times go
    bool skip = false;              // the battle is left out
    std::size_t line = 0;
  };
  std::vector<Alias> aliases;
  std::vector<Ignore> ignores;
  std::vector<Repair> repairs;
  std::string since;  // "YYYY-MM-DD", inclusive; empty: no bound
  std::string until;
  std::size_t since_line = 0;  // 0: from the command line
  std::size_t until_line = 0;

  bool empty() const {
    return aliases.empty() && ignores.empty() && repairs.empty() &&
           since.empty() && until.empty();
  }
  // Made by IndexNicks once the lists are whole, so that a nick is found
  // in a hash however many aliases and patterns there are: the first
  // alias of each nick (ASCII upper case, decoration stripped), the first
  // pattern without '*' of each nick (upper case), and the patterns with
  // '*' in order. Without them the lists are searched in order.
  std::unordered_map<std::string, std::size_t> alias_of;
  std::unordered_map<std::string, std::size_t> ignored_by;
  std::vector<std::size_t> ignore_globs;
  bool indexed = false;
  // What the patterns with '*' gave for each nick met (the pattern or
  // none): a log has far fewer nicks than posts, and thousands of
  // patterns are matched once a nick, not once a post. Kept small.
  mutable std::unordered_map<std::string, std::size_t> glob_result;
};

// Makes the lookups of `*corrections` (see above) from its lists.
void IndexNicks(Corrections* corrections);

// One change made to a battle, for the explanation.
struct Correction {
  enum class Kind {
    kSkipped,      // a repair leaves the battle out
    kOutOfSeason,  // dated before `since` or after `until`
    kIgnored,      // `nick`'s posts are no times
    kDropped,      // a repair drops `nick`'s times
    kNotDropped,   // a repair drops `nick`, who has no time in the battle
    kAdded,        // a repair adds `nick`'s time `time`
    kAlias,        // `nick`'s times count for `player`
  };
  Kind kind = Kind::kAlias;
  std::size_t line = 0;  // of the settings file; 0 for the command line
  std::string nick;
  std::string player;
  TimeEntry time;
};

// True for a date as YYYY-MM-DD (a month 1 to 12, a day 1 to 31).
bool IsSeasonDate(std::string_view text);

// True when two nicks are the same, ignoring ASCII case.
bool SameNick(std::string_view a, std::string_view b);

// True when `pattern` ('*' for any run) matches `nick`, ignoring ASCII case.
bool NickMatches(std::string_view pattern, std::string_view nick);

// The repairs (as indexes into corrections.repairs) that are meant for
// `battle`: same level ignoring ASCII case, same start.
std::vector<std::size_t> RepairsOf(const Corrections& corrections,
                                   const FoundBattle& battle);

// False when `battle` is left out: a repair skips it, or its date lies
// outside the season (a battle without a date is kept: the caller refuses
// a season on a log without dates). Appends why to `*changes`.
bool KeepsBattle(const Corrections& corrections, const FoundBattle& battle,
                 std::vector<Correction>* changes);

// True when every time of `battle` is a post of an ignored nick and no
// repair adds one: nothing of the battle would be left to rank.
bool LeavesNoTime(const Corrections& corrections, const FoundBattle& battle);

// Applies to `*battle` what the corrections change in it, in the order the
// dialog's time review and the log would: the ignored nicks' posts go, then
// each repair drops and adds times, then every nick of a player takes the
// player's name (also as the starter). Appends each change to `*changes`.
void CorrectBattle(const Corrections& corrections, FoundBattle* battle,
                   std::vector<Correction>* changes);

}  // namespace vexlane
