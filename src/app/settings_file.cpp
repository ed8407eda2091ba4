#include "app/settings_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>

// toml++ as a header-only library, without exceptions: a parse gives a
// result or an error with its place.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include "app/option_table.h"
#include "app/settings_guard.h"
#include "base/platform.h"
#include "base/text.h"
#include "base/utf8.h"
#include "log/player_names.h"

namespace vexlane {

namespace {

// The keys of the file besides the options'.
constexpr std::string_view kOtherKeys[] = {"ignore", "players", "battle"};
constexpr std::string_view kBattleKeys[] = {"level", "start", "add", "drop",
                                            "skip"};

// Every key of the file's top.
std::vector<std::string_view> TopKeys() {
  std::vector<std::string_view> keys;
  for (const OptionDef& def : OptionTable()) {
    if (def.in_settings) keys.push_back(def.long_name);
  }
  keys.insert(keys.end(), std::begin(kOtherKeys), std::end(kOtherKeys));
  return keys;
}

std::string KeyList(const std::vector<std::string_view>& keys) {
  std::string list;
  for (std::string_view key : keys) {
    list += (list.empty() ? "" : ", ") + std::string(key);
  }
  return list;
}

// "19:54:30", or "2024-11-12 19:54:30": a battle's start as a log gives it.
bool IsStartStamp(std::string_view start) {
  if (start.size() == 19 && start[10] == ' ') {
    if (!IsSeasonDate(start.substr(0, 10))) return false;
    start.remove_prefix(11);
  }
  if (start.size() != 8 || start[2] != ':' || start[5] != ':') return false;
  for (std::size_t i : {0, 1, 3, 4, 6, 7}) {
    if (!IsDigitByte(start[i])) return false;
  }
  return (start[0] - '0') * 10 + (start[1] - '0') < 24 &&
         (start[3] - '0') < 6 && (start[6] - '0') < 6;
}

// The keys of `table` in the order the file gives them (the library keeps
// them in name order), so that the first mistake said is the first one
// written.
std::vector<std::pair<const toml::key*, const toml::node*>> InFileOrder(
    const toml::table& table) {
  std::vector<std::pair<const toml::key*, const toml::node*>> entries;
  for (const auto& [key, node] : table) entries.emplace_back(&key, &node);
  std::stable_sort(
      entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        const toml::source_position& x = a.first->source().begin;
        const toml::source_position& y = b.first->source().begin;
        return x.line != y.line ? x.line < y.line : x.column < y.column;
      });
  return entries;
}

class Reader {
 public:
  Reader(const std::string& path, SettingsFile* out) : path_(path), out_(out) {}

  bool Read(const toml::table& table) {
    for (const auto& [key, node] : InFileOrder(table)) {
      if (!ReadKey(key->str(), *node, key->source())) return false;
    }
    return true;
  }

  const std::string& error() const { return error_; }

  // False, said at `where`, when `text` holds a control character: names,
  // nicks and levels are one line of printable text in every report.
  bool Printable(const toml::source_region& where, std::string_view text) {
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x20 && byte != 0x7F) continue;
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", byte);
      return Fail(where, Quoted(VisibleControls(text)) +
                             " holds a control character (" + code +
                             "): names, nicks and levels are one line of "
                             "printable text");
    }
    return true;
  }

  bool Fail(const toml::source_region& where, const std::string& what) {
    error_ = path_ + ":" + std::to_string(where.begin.line) + ":" +
             std::to_string(where.begin.column) + ": " + what;
    return false;
  }

 private:
  bool ReadKey(std::string_view name, const toml::node& node,
               const toml::source_region& key_place) {
    if (const OptionDef* def = FindSettingsKey(name)) {
      return ReadOption(*def, node);
    }
    if (name == "ignore") return ReadIgnore(node);
    if (name == "players") return ReadPlayers(node);
    if (name == "battle") return ReadBattles(node);
    const std::vector<std::string_view> keys = TopKeys();
    const std::string_view nearest = NearestWord(name, keys);
    std::string hint = nearest.empty()
                           ? " (the keys are " + KeyList(keys) + ")"
                           : "; did you mean " + Quoted(nearest) + "?";
    bool ambiguous = false;
    const OptionDef* option = FindLongOption(name, &ambiguous);
    if (option != nullptr && option->long_name == name) {
      hint = ": '--" + std::string(name) +
             "' is an option of the command line only";
    }
    return Fail(key_place, "unknown key " + Quoted(name) + hint);
  }

  void Add(std::string_view name, std::string value, const toml::node& at) {
    out_->options.push_back({std::string(name), std::move(value),
                             at.source().begin.line, at.source().begin.column});
  }

  // A TOML date, or a text that reads YYYY-MM-DD.
  bool DateText(const toml::node& node, std::string* text) {
    if (const auto* date = node.as_date()) {
      std::ostringstream s;
      s << date->get();
      *text = s.str();
    } else if (const auto* value = node.as_string()) {
      *text = value->get();
    } else {
      return false;
    }
    return IsSeasonDate(*text);
  }

  bool ReadOption(const OptionDef& def, const toml::node& node) {
    const std::string name(def.long_name);
    switch (def.value) {
      case OptionValue::kText:
        if (const auto* text = node.as_string()) {
          Add(name, text->get(), node);
          return true;
        }
        return Fail(node.source(), Quoted(name) + " must be a text");
      case OptionValue::kTexts:
        if (const auto* text = node.as_string()) {
          Add(name, text->get(), node);
          return true;
        }
        if (const auto* list = node.as_array()) {
          for (const toml::node& item : *list) {
            const auto* text = item.as_string();
            if (text == nullptr) {
              return Fail(item.source(), Quoted(name) + " must hold texts");
            }
            Add(name, text->get(), item);
          }
          return true;
        }
        return Fail(node.source(),
                    Quoted(name) + " must be a text or a list of texts");
      case OptionValue::kNumber:
        if (const auto* number = node.as_integer()) {
          Add(name, std::to_string(number->get()), node);
          return true;
        }
        return Fail(node.source(), Quoted(name) + " must be a whole number");
      case OptionValue::kDate: {
        std::string date;
        if (!DateText(node, &date)) {
          return Fail(node.source(),
                      Quoted(name) + " must be a date (YYYY-MM-DD)");
        }
        Add(name, date, node);
        return true;
      }
      default:
        return ReadSwitch(def, node);
    }
  }

  bool ReadSwitch(const OptionDef& def, const toml::node& node) {
    const std::string name(def.long_name);
    if (const auto* on = node.as_boolean()) {
      if (on->get()) Add(name, "", node);
      return true;
    }
    if (def.value == OptionValue::kSwitchOrFile) {
      if (const auto* text = node.as_string();
          text != nullptr && !text->get().empty()) {
        Add(name, text->get(), node);
        return true;
      }
      return Fail(node.source(),
                  Quoted(name) + " must be true, false or a file name");
    }
    return Fail(node.source(), Quoted(name) + " must be true or false");
  }

  bool ReadIgnore(const toml::node& node) {
    const auto* list = node.as_array();
    if (list == nullptr) {
      return Fail(node.source(), "'ignore' must be a list of nicks");
    }
    for (const toml::node& item : *list) {
      const auto* nick = item.as_string();
      if (nick == nullptr || IsBlank(nick->get())) {
        return Fail(item.source(),
                    "'ignore' must hold nicks ('*' for any "
                    "characters)");
      }
      if (!Printable(item.source(), nick->get())) return false;
      out_->corrections.ignores.push_back(
          {nick->get(), item.source().begin.line});
    }
    return true;
  }

  // Whether `name` is a key of the file's top (not a table's).
  static bool IsTopKey(std::string_view name) {
    return FindSettingsKey(name) != nullptr || name == "ignore";
  }

  // A key of the file's top written below a table's header, which TOML
  // puts in that table: a mistake, said with both lines.
  bool BelowTable(const toml::key& key, const toml::node& table,
                  std::string_view header) {
    return Fail(key.source(),
                Quoted(key.str()) + " belongs at the top of the file, but it " +
                    "comes after " + std::string(header) + " (line " +
                    std::to_string(table.source().begin.line) +
                    "), which takes it in: move it above the first table");
  }

  bool ReadPlayers(const toml::node& node) {
    const auto* players = node.as_table();
    if (players == nullptr) {
      return Fail(node.source(),
                  "'players' must be a table: PLAYER = [\"nick\", ...]");
    }
    // The players' names as nicks compare, so that two spellings of one
    // name, or a nick that names another player, are caught.
    std::unordered_map<std::string, const toml::key*> names;
    const auto in_order = InFileOrder(*players);
    for (const auto& [player, nicks] : in_order) {
      if (IsBlank(player->str())) {
        return Fail(player->source(), "a player's name must not be blank");
      }
      if (!Printable(player->source(), player->str())) return false;
      if (IsTopKey(player->str())) {
        return BelowTable(*player, node, "[players]");
      }
      const auto [seen, added] = names.emplace(NickKey(player->str()), player);
      if (!added) {
        return Fail(player->source(),
                    Quoted(player->str()) + " and " +
                        Quoted(seen->second->str()) + " (line " +
                        std::to_string(seen->second->source().begin.line) +
                        ") are one player, as nicks are compared: give one "
                        "name and list the other as its nick");
      }
    }
    // Made once at their size: a file may list a hundred thousand nicks.
    std::size_t count = out_->corrections.aliases.size();
    for (const auto& [player, nicks] : *players) {
      if (const auto* list = nicks.as_array()) count += list->size();
    }
    out_->corrections.aliases.reserve(count);
    nicks_.reserve(count);
    for (const auto& [player, nicks] : in_order) {
      if (!ReadNicks(*player, *nicks, names)) return false;
    }
    return true;
  }

  // "BOB" for "bob_": a nick as nicks are compared, case folded and its
  // decoration stripped.
  static std::string NickKey(std::string_view nick) {
    std::string key;
    UpperInto(StripDecoration(nick), &key);
    return key;
  }

  bool ReadNicks(
      const toml::key& player, const toml::node& nicks,
      const std::unordered_map<std::string, const toml::key*>& names) {
    const auto* list = nicks.as_array();
    if (list == nullptr) {
      return Fail(nicks.source(), "the nicks of " + Quoted(player.str()) +
                                      " must be a list of texts");
    }
    for (const toml::node& item : *list) {
      const auto* nick = item.as_string();
      if (nick == nullptr || IsBlank(nick->get())) {
        return Fail(item.source(),
                    "the nicks of " + Quoted(player.str()) + " must be texts");
      }
      if (!Printable(item.source(), nick->get())) return false;
      const std::string key = NickKey(nick->get());
      const auto [seen, added] =
          nicks_.emplace(key, out_->corrections.aliases.size());
      if (!added) {
        const Corrections::Alias& alias =
            out_->corrections.aliases[seen->second];
        if (alias.player != player.str()) {
          return Fail(item.source(), Quoted(nick->get()) +
                                         " is already a nick of " +
                                         Quoted(alias.player) + " (line " +
                                         std::to_string(alias.line) +
                                         "): one nick is one player");
        }
      }
      if (const auto other = names.find(key);
          other != names.end() && other->second->str() != player.str()) {
        return Fail(item.source(),
                    Quoted(nick->get()) + " is the player " +
                        Quoted(other->second->str()) + " (line " +
                        std::to_string(other->second->source().begin.line) +
                        "), not a nick of " + Quoted(player.str()) +
                        ": list each nick under the player it is");
      }
      out_->corrections.aliases.push_back(
          {nick->get(), std::string(player.str()), item.source().begin.line});
    }
    return true;
  }

  // "Fox 1:01,99": a name and a time, read as the time review reads them.
  bool ReadAdd(const toml::node& item, TimeEntry* entry) {
    const auto* text = item.as_string();
    if (text == nullptr) {
      return Fail(item.source(), "'add' must hold texts like \"Fox 1:01,99\"");
    }
    std::size_t pos = 0;
    const std::string_view value = text->get();
    if (!Printable(item.source(), value)) return false;
    const std::string_view name = NextWord(value, &pos);
    const std::string_view time = value.substr(pos);
    if (name.empty() || name.size() > kMaxNickLength) {
      return Fail(item.source(),
                  Quoted(value) + " must start with a name of 1 to " +
                      std::to_string(kMaxNickLength) + " characters");
    }
    *entry = ParseTime(time, MessageStart::kTypedAlone);
    if (IsEmpty(*entry)) {
      return Fail(item.source(), Quoted(value) +
                                     " holds no time or apples after the "
                                     "name (as \"Fox 1:01,99\" or \"Fox 12\")");
    }
    entry->name = name;
    return true;
  }

  // A [[battle]]'s level or start: a text, or for the start a TOML time
  // or local date and time.
  bool BattleText(std::string_view name, const toml::node& value,
                  std::string* text) {
    if (const auto* s = value.as_string()) {
      *text = s->get();
      return Printable(value.source(), *text);
    }
    if (!value.is_date_time() && !value.is_time()) {
      return Fail(value.source(), Quoted(name) + " must be a text");
    }
    std::ostringstream s;
    if (const auto* dt = value.as_date_time()) {
      if (dt->get().offset) {
        // The log's stamps are its own clock's: an offset would be
        // ignored, so it is a mistake.
        return Fail(value.source(),
                    "the start must be the log's own stamp, without a time "
                    "zone (\"2024-11-12 19:54:30\")");
      }
      s << dt->get().date << ' ' << dt->get().time;
    } else {
      s << value.as_time()->get();
    }
    *text = s.str();
    return true;
  }

  bool ReadBattles(const toml::node& node) {
    const auto* list = node.as_array();
    if (list == nullptr || !list->is_array_of_tables()) {
      return Fail(node.source(), "'battle' must be tables: [[battle]]");
    }
    for (const toml::node& item : *list) {
      Corrections::Repair repair;
      repair.line = item.source().begin.line;
      for (const auto& [key, value] : InFileOrder(*item.as_table())) {
        if (!ReadBattleKey(*key, *value, item, &repair)) return false;
      }
      if (repair.level.empty() || repair.start.empty()) {
        return Fail(item.source(),
                    "a [[battle]] needs its 'level' and its 'start'");
      }
      out_->corrections.repairs.push_back(std::move(repair));
    }
    return true;
  }

  // The key `key` of the [[battle]] `item`, into `*repair`.
  bool ReadBattleKey(const toml::key& key, const toml::node& value,
                     const toml::node& item, Corrections::Repair* repair) {
    const std::string_view name = key.str();
    if (std::find(std::begin(kBattleKeys), std::end(kBattleKeys), name) ==
        std::end(kBattleKeys)) {
      if (IsTopKey(name)) return BelowTable(key, item, "[[battle]]");
      const std::string_view nearest = NearestWord(
          name, std::vector<std::string_view>(std::begin(kBattleKeys),
                                              std::end(kBattleKeys)));
      return Fail(
          key.source(),
          "unknown key " + Quoted(name) + " in [[battle]]" +
              (nearest.empty() ? " (level, start, add, drop, skip)"
                               : "; did you mean " + Quoted(nearest) + "?"));
    }
    if (name == "level") return BattleText(name, value, &repair->level);
    if (name == "start") {
      if (!BattleText(name, value, &repair->start)) return false;
      if (IsStartStamp(repair->start)) return true;
      return Fail(value.source(),
                  "the start " + Quoted(repair->start) +
                      " must be a stamp as the log gives it, \"19:54:30\", "
                      "or a date and a stamp, \"2024-11-12 19:54:30\"");
    }
    if (name == "skip") {
      const auto* on = value.as_boolean();
      if (on == nullptr) {
        return Fail(value.source(), "'skip' must be true or false");
      }
      repair->skip = on->get();
      return true;
    }
    const auto* entries = value.as_array();
    if (entries == nullptr) {
      return Fail(value.source(), Quoted(name) + " must be a list");
    }
    for (const toml::node& entry : *entries) {
      if (name == "add") {
        TimeEntry time;
        if (!ReadAdd(entry, &time)) return false;
        repair->add.push_back(std::move(time));
        continue;
      }
      const auto* nick = entry.as_string();
      if (nick == nullptr || IsBlank(nick->get())) {
        return Fail(entry.source(), "'drop' must hold nicks");
      }
      if (!Printable(entry.source(), nick->get())) return false;
      repair->drop.push_back(nick->get());
    }
    return true;
  }

  const std::string& path_;
  SettingsFile* out_;
  std::string error_;
  std::unordered_map<std::string, std::size_t> nicks_;  // key -> alias
};

}  // namespace

bool ParseSettings(std::string_view text, const std::string& path,
                   SettingsFile* settings, std::string* error) {
  *settings = SettingsFile{};
  // A byte order mark, which some editors write first, is no character of
  // the settings.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::string why;
  std::string safe(text);
  if (const std::size_t at = Unreadable(&safe, &why);
      at != std::string_view::npos) {
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < at; ++i) {
      column = text[i] == '\n' ? 1 : column + 1;
      line += text[i] == '\n' ? 1 : 0;
    }
    *error = path + ":" + std::to_string(line) + ":" + std::to_string(column) +
             ": " + why;
    return false;
  }
  toml::parse_result parsed = toml::parse(safe, path);
  if (!parsed) {
    const toml::parse_error& e = parsed.error();
    *error = path + ":" + std::to_string(e.source().begin.line) + ":" +
             std::to_string(e.source().begin.column) + ": " +
             std::string(e.description());
    return false;
  }
  Reader reader(path, settings);
  if (!reader.Read(parsed.table())) {
    *error = reader.error();
    return false;
  }
  return true;
}

bool ReadSettingsFile(const std::string& path, SettingsFile* settings,
                      std::string* error) {
  // A FIFO, a device or a directory is refused before it is opened far
  // enough to wait; a settings file is never near a megabyte.
  constexpr std::size_t kLargest = std::size_t{1} << 20;
  std::string why;
  bool not_regular = false;
  std::FILE* file = OpenRegularFile(path, &why, &not_regular);
  if (file == nullptr) {
    *error =
        Quoted(path) + ": " + why + (not_regular ? ", not a regular file" : "");
    return false;
  }
  std::string text;
  char buffer[1 << 14];
  std::size_t n = 0;
  errno = 0;
  while (text.size() <= kLargest &&
         (n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, n);
  }
  const int read_errno = errno;
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || text.size() > kLargest) {
    *error =
        Quoted(path) + ": " +
        (failed ? (read_errno != 0 ? std::strerror(read_errno) : "read error")
                : "larger than 1 MiB, which no settings file needs");
    return false;
  }
  return ParseSettings(text, path, settings, error);
}

}  // namespace vexlane
