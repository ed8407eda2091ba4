#include "scoring/corrections.h"

#include <algorithm>

#include "base/text.h"
#include "log/log_format.h"

namespace vexlane {

bool IsSeasonDate(std::string_view t) {
  if (t.size() != 10 || t[4] != '-' || t[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!IsDigitByte(t[i])) return false;
  }
  const int month = (t[5] - '0') * 10 + (t[6] - '0');
  const int day = (t[8] - '0') * 10 + (t[9] - '0');
  const int year = (t[0] - '0') * 1000 + (t[1] - '0') * 100 +
                   (t[2] - '0') * 10 + (t[3] - '0');
  return month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool SameNick(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return UpperByte(x) == UpperByte(y);
         });
}

namespace {

// The player `nick` belongs to, or nullptr.
const Corrections::Alias* AliasOf(const Corrections& c, std::string_view nick) {
  // As a nick is read from the log: its decoration ("bob_") stripped.
  for (const Corrections::Alias& alias : c.aliases) {
    if (SameNick(StripDecoration(alias.nick), StripDecoration(nick))) {
      return &alias;
    }
  }
  return nullptr;
}

}  // namespace

bool NickMatches(std::string_view pattern, std::string_view nick) {
  // Iterative glob: on a mismatch, let the last '*' take one more byte.
  std::size_t p = 0;
  std::size_t n = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (n < nick.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() &&
               UpperByte(pattern[p]) == UpperByte(nick[n])) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::size_t> RepairsOf(const Corrections& corrections,
                                   const FoundBattle& battle) {
  std::vector<std::size_t> found;
  const std::string dated = battle.date + " " + battle.start_stamp;
  for (std::size_t i = 0; i < corrections.repairs.size(); ++i) {
    const Corrections::Repair& r = corrections.repairs[i];
    if (SameNick(r.level, battle.level) &&
        (r.start == battle.start_stamp ||
         (!battle.date.empty() && r.start == dated))) {
      found.push_back(i);
    }
  }
  return found;
}

bool KeepsBattle(const Corrections& corrections, const FoundBattle& battle,
                 std::vector<Correction>* changes) {
  for (std::size_t i : RepairsOf(corrections, battle)) {
    if (!corrections.repairs[i].skip) continue;
    Correction c;
    c.kind = Correction::Kind::kSkipped;
    c.line = corrections.repairs[i].line;
    changes->push_back(c);
    return false;
  }
  if (battle.date.empty()) return true;
  // ISO dates compare as text.
  const bool early =
      !corrections.since.empty() && battle.date < corrections.since;
  const bool late =
      !corrections.until.empty() && battle.date > corrections.until;
  if (!early && !late) return true;
  Correction c;
  c.kind = Correction::Kind::kOutOfSeason;
  c.line = early ? corrections.since_line : corrections.until_line;
  changes->push_back(c);
  return false;
}

void CorrectBattle(const Corrections& corrections, FoundBattle* battle,
                   std::vector<Correction>* changes) {
  std::vector<TimeEntry>& times = battle->times;
  for (const Corrections::Ignore& ignore : corrections.ignores) {
    for (const TimeEntry& e : times) {
      if (!NickMatches(ignore.pattern, e.name)) continue;
      const bool told = std::any_of(
          changes->begin(), changes->end(), [&](const Correction& c) {
            return c.kind == Correction::Kind::kIgnored && c.nick == e.name;
          });
      if (!told) {
        changes->push_back(
            {Correction::Kind::kIgnored, ignore.line, e.name, "", TimeEntry{}});
      }
    }
    times.erase(std::remove_if(times.begin(), times.end(),
                               [&](const TimeEntry& e) {
                                 return NickMatches(ignore.pattern, e.name);
                               }),
                times.end());
  }
  for (std::size_t i : RepairsOf(corrections, *battle)) {
    const Corrections::Repair& r = corrections.repairs[i];
    for (const std::string& nick : r.drop) {
      // The nick as the log's reading gives it ("bob_" is read as "bob"),
      // ignoring ASCII case, as players and ignore match nicks.
      const std::string_view dropped = StripDecoration(nick);
      const auto gone =
          std::remove_if(times.begin(), times.end(), [&](const TimeEntry& e) {
            return SameNick(StripDecoration(e.name), dropped);
          });
      changes->push_back({gone != times.end() ? Correction::Kind::kDropped
                                              : Correction::Kind::kNotDropped,
                          r.line, nick, "", TimeEntry{}});
      times.erase(gone, times.end());
    }
    for (const TimeEntry& entry : r.add) {
      times.push_back(entry);
      changes->push_back(
          {Correction::Kind::kAdded, r.line, entry.name, "", entry});
    }
  }
  if (corrections.aliases.empty()) return;
  for (TimeEntry& e : times) {
    const Corrections::Alias* alias = AliasOf(corrections, e.name);
    if (alias == nullptr || alias->player == e.name) continue;
    const bool told =
        std::any_of(changes->begin(), changes->end(), [&](const Correction& c) {
          return c.kind == Correction::Kind::kAlias && c.nick == e.name;
        });
    if (!told) {
      changes->push_back({Correction::Kind::kAlias, alias->line, e.name,
                          alias->player, TimeEntry{}});
    }
    e.name = alias->player;
  }
  if (const Corrections::Alias* alias = AliasOf(corrections, battle->starter)) {
    battle->starter = alias->player;
  }
}

}  // namespace vexlane
