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

// `nick` in ASCII upper case, in a buffer of the thread's (no allocation
// once it is large enough).
const std::string& Upper(std::string_view nick) {
  thread_local std::string upper;
  upper.clear();
  UpperInto(nick, &upper);
  return upper;
}

// The player `nick` belongs to, or nullptr.
const Corrections::Alias* AliasOf(const Corrections& c, std::string_view nick) {
  // As a nick is read from the log: its decoration ("bob_") stripped.
  if (c.indexed) {
    const auto found = c.alias_of.find(Upper(StripDecoration(nick)));
    return found == c.alias_of.end() ? nullptr : &c.aliases[found->second];
  }
  for (const Corrections::Alias& alias : c.aliases) {
    if (SameNick(StripDecoration(alias.nick), StripDecoration(nick))) {
      return &alias;
    }
  }
  return nullptr;
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The first ignore pattern (by position) that matches `nick`, or kNone.
std::size_t IgnoreOf(const Corrections& c, std::string_view nick) {
  if (!c.indexed) {
    for (std::size_t i = 0; i < c.ignores.size(); ++i) {
      if (NickMatches(c.ignores[i].pattern, nick)) return i;
    }
    return kNone;
  }
  const auto found = c.ignored_by.find(Upper(nick));
  const std::size_t exact = found == c.ignored_by.end() ? kNone : found->second;
  if (c.ignore_globs.empty()) return exact;
  const auto known = c.glob_result.find(std::string(nick));
  std::size_t glob = kNone;
  if (known != c.glob_result.end()) {
    glob = known->second;
  } else {
    for (const std::size_t pattern : c.ignore_globs) {
      if (NickMatches(c.ignores[pattern].pattern, nick)) {
        glob = pattern;
        break;
      }
    }
    constexpr std::size_t kMostNicks = std::size_t{1} << 16;
    if (c.glob_result.size() >= kMostNicks) c.glob_result.clear();
    c.glob_result.emplace(nick, glob);
  }
  return std::min(glob, exact);
}

// Takes the ignored nicks' posts out of `*times`, telling each nick once,
// in the order of the patterns that ignore them.
void DropIgnored(const Corrections& c, std::vector<TimeEntry>* times,
                 std::vector<Correction>* changes) {
  std::vector<std::pair<std::size_t, std::size_t>> hits;  // pattern, entry
  for (std::size_t k = 0; k < times->size(); ++k) {
    const std::size_t pattern = IgnoreOf(c, (*times)[k].name);
    if (pattern != kNone) hits.emplace_back(pattern, k);
  }
  if (hits.empty()) return;
  std::sort(hits.begin(), hits.end());
  std::vector<bool> gone(times->size(), false);
  for (const auto& [pattern, k] : hits) {
    gone[k] = true;
    const std::string& nick = (*times)[k].name;
    const bool told =
        std::any_of(changes->begin(), changes->end(), [&](const Correction& x) {
          return x.kind == Correction::Kind::kIgnored && x.nick == nick;
        });
    if (!told) {
      changes->push_back({Correction::Kind::kIgnored, c.ignores[pattern].line,
                          nick, "", TimeEntry{}});
    }
  }
  std::size_t kept = 0;
  for (std::size_t k = 0; k < times->size(); ++k) {
    if (gone[k]) continue;
    if (kept != k) (*times)[kept] = std::move((*times)[k]);
    ++kept;
  }
  times->resize(kept);
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

bool LeavesNoTime(const Corrections& corrections, const FoundBattle& battle) {
  if (corrections.ignores.empty() || battle.times.empty()) return false;
  for (std::size_t i : RepairsOf(corrections, battle)) {
    if (!corrections.repairs[i].add.empty()) return false;
  }
  return std::all_of(battle.times.begin(), battle.times.end(),
                     [&](const TimeEntry& e) {
                       return IgnoreOf(corrections, e.name) != kNone;
                     });
}

void CorrectBattle(const Corrections& corrections, FoundBattle* battle,
                   std::vector<Correction>* changes) {
  std::vector<TimeEntry>& times = battle->times;
  DropIgnored(corrections, &times, changes);
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

void IndexNicks(Corrections* c) {
  c->alias_of.clear();
  c->ignored_by.clear();
  c->ignore_globs.clear();
  c->glob_result.clear();
  c->alias_of.reserve(c->aliases.size());
  for (std::size_t i = 0; i < c->aliases.size(); ++i) {
    c->alias_of.emplace(Upper(StripDecoration(c->aliases[i].nick)), i);
  }
  for (std::size_t i = 0; i < c->ignores.size(); ++i) {
    const std::string& pattern = c->ignores[i].pattern;
    if (pattern.find('*') != std::string::npos) {
      c->ignore_globs.push_back(i);
    } else {
      c->ignored_by.emplace(Upper(pattern), i);
    }
  }
  c->indexed = true;
}

}  // namespace vexlane
