#include "render/json_report.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <nlohmann/json.hpp>
#include <thread>

#include "base/platform.h"
#include "base/utf8.h"
#include "base/version.h"
#include "render/overall_sections.h"
#include "render/report_date.h"
#include "render/report_format.h"
#include "render/time_text.h"

namespace vexlane {

namespace {

constexpr std::string_view kSchema = "vexlane-stats/1";

// Writes a JSON document as a stream: the structure here, and every string
// that needs escaping through nlohmann/json, so that escaping is the
// library's. A report of tens of thousands of battles is never held as a
// document tree.
// Printable ASCII without a quote or a backslash, as most nicks, levels
// and stamps are, is its own JSON string.
bool PlainText(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) {
    return c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
  });
}

class JsonWriter {
 public:
  // With `members_before`, the writer continues inside an object that
  // already holds a member, written elsewhere.
  explicit JsonWriter(std::string* out, bool members_before = false)
      : out_(*out), string_(nlohmann::json::value_t::string) {
    if (members_before) first_.push_back(0);
  }

  void BeginObject() { Open('{'); }
  void EndObject() { Close('}'); }
  void BeginArray() { Open('['); }
  void EndArray() { Close(']'); }

  // The name of the next member; `name` is one of this file's own.
  JsonWriter& Key(std::string_view name) {
    Separate();
    // One write for '"name":': keys come by the hundred thousand.
    const std::size_t at = out_.size();
    out_.resize(at + name.size() + 3);
    char* p = out_.data() + at;
    *p++ = '"';
    std::memcpy(p, name.data(), name.size());
    p += name.size();
    *p++ = '"';
    *p = ':';
    after_key_ = true;
    return *this;
  }

  // Text from the log (any bytes) as a UTF-8 JSON string.
  void Text(std::string_view bytes) {
    Separate();
    TextValue(bytes);
  }

  // A member of an object that the caller separates itself: `literal` is
  // its name as written, with the comma before it where one is due, and
  // the colon ('",nick":'). The value follows through one of the *Value
  // calls, which write no separator either. For the objects written by the
  // hundred thousand.
  void Member(std::string_view literal) {
    out_ += literal;
    first_.back() = 0;
  }
  void TextValue(std::string_view bytes) {
    if (PlainText(bytes)) {
      Quoted(bytes);
      return;
    }
    auto& text = string_.get_ref<nlohmann::json::string_t&>();
    text.clear();
    AppendUtf8(bytes, &text);
    // Valid UTF-8 without a quote, a backslash or a control character is
    // its own JSON string, as most nicks and times are. The library's
    // public dump() escapes the rest; it sets up a serializer on each call,
    // which would cost the plain strings about a tenth of the JSON run.
    const bool plain = std::none_of(text.begin(), text.end(), [](char c) {
      return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
    });
    if (plain) {
      Quoted(text);
    } else {
      out_ += string_.dump();
    }
  }
  void TextOrNullValue(std::string_view bytes) {
    if (bytes.empty()) {
      out_ += "null";
    } else {
      TextValue(bytes);
    }
  }
  void NumberValue(std::uint64_t value) {
    char text[24];
    out_.append(text, static_cast<std::size_t>(
                          std::to_chars(text, text + 24, value).ptr - text));
  }
  template <typename T>
  void OptionalValue(const std::optional<T>& value) {
    if (value) {
      NumberValue(static_cast<std::uint64_t>(*value));
    } else {
      out_ += "null";
    }
  }

  // Empty text is null: the log gave none.
  void TextOrNull(std::string_view bytes) {
    Separate();
    TextOrNullValue(bytes);
  }
  void Number(std::uint64_t value) {
    Separate();
    NumberValue(value);
  }
  void Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    Raw(text);
  }
  // The shortest text that reads back as the same double.
  void Exact(double value) {
    char text[32];
    Raw(std::string_view(
        text, static_cast<std::size_t>(
                  std::to_chars(text, text + 32, value).ptr - text)));
  }
  // A number already written as text by this program.
  void NumberText(std::string_view text) { Raw(text); }
  void Bool(bool value) { Raw(value ? "true" : "false"); }
  void Null() { Raw("null"); }
  template <typename T>
  void Optional(const std::optional<T>& value) {
    Separate();
    OptionalValue(value);
  }

  // A line end before the next value, so that long arrays read one
  // element a line.
  void Newline() { newline_ = true; }

 private:
  void Separate() {
    if (after_key_) {
      after_key_ = false;
      return;
    }
    if (!first_.empty()) {
      if (!first_.back()) out_ += ',';
      first_.back() = 0;
    }
    if (newline_) {
      out_ += '\n';
      newline_ = false;
    }
  }
  void Raw(std::string_view text) {
    Separate();
    out_ += text;
  }
  // `text` between quotes, in one write.
  void Quoted(std::string_view text) {
    const std::size_t at = out_.size();
    out_.resize(at + text.size() + 2);
    char* p = out_.data() + at;
    *p++ = '"';
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = '"';
  }
  void Open(char c) {
    Separate();
    out_ += c;
    first_.push_back(1);
  }
  void Close(char c) {
    first_.pop_back();
    out_ += c;
  }

  std::string& out_;
  std::vector<char> first_;  // per open container: no member written yet
  bool after_key_ = false;
  bool newline_ = false;
  nlohmann::json string_;
};

void TimeFields(const TimeEntry& e, JsonWriter& w) {
  w.Key("time").Text(ShownTime(e));
  w.Key("hundredths").Optional(Hundredths(e));
  w.Key("apples");
  if (HasTime(e)) {
    w.Null();
  } else {
    w.Number(std::uint64_t{e.apples});
  }
}

// `after`: the ratings after the battle, one per entry.
// Writers into a buffer of the entries' fixed parts; each returns the end.
char* Put(char* at, std::string_view literal) {
  return std::copy(literal.begin(), literal.end(), at);
}
char* PutOptional(char* at, const std::optional<std::uint64_t>& value) {
  return value ? std::to_chars(at, at + 20, *value).ptr : Put(at, "null");
}

void WriteBattle(const ScoredBattle& b, const double* after,
                 std::span<const std::uint8_t> marks, JsonWriter& w) {
  w.BeginObject();
  w.Key("event").Number(static_cast<std::uint64_t>(b.event));
  w.Key("level").Text(b.level);
  w.Key("link").TextOrNull(b.link);
  w.Key("starter").TextOrNull(ShownStarter(b));
  w.Key("date").TextOrNull(b.date);
  w.Key("start").TextOrNull(b.start_stamp);
  w.Key("end").TextOrNull(b.end_stamp);
  const int length = ShownLengthMinutes(b);
  w.Key("length_minutes");
  if (length > 0) {
    w.Number(static_cast<std::uint64_t>(length));
  } else {
    w.Null();
  }
  w.Key("entries").BeginArray();
  // Entries come by the hundred thousand: each is put together in a
  // buffer, with its nick where that is plain and short (as most are);
  // the writer escapes any other.
  constexpr std::size_t kNickInBuffer = 64;
  for (std::size_t k = 0; k < b.ranked.size(); ++k) {
    const TimeEntry& e = b.ranked[k];
    char text[512];
    char* p = Put(text, k == 0 ? "{\"rank\":" : ",{\"rank\":");
    p = std::to_chars(p, p + 20, k + 1).ptr;
    p = Put(p, ",\"nick\":");
    if (e.name.size() <= kNickInBuffer && PlainText(e.name)) {
      *p++ = '"';
      p = Put(p, e.name);
      *p++ = '"';
    } else {
      w.Member(std::string_view(text, static_cast<std::size_t>(p - text)));
      w.TextValue(e.name);
      p = text;
    }
    p = Put(p, ",\"time\":\"");
    p = PutShownTime(p, e);
    p = Put(p, "\",\"hundredths\":");
    p = PutOptional(p, Hundredths(e));
    p = Put(p, ",\"apples\":");
    p = PutOptional(
        p, HasTime(e) ? std::nullopt : std::optional<std::uint64_t>(e.apples));
    p = Put(p, ",\"difference_hundredths\":");
    p = PutOptional(p, BehindWinner(b.ranked, k));
    p = Put(p, ",\"points\":");
    p = std::to_chars(p, p + 20, e.points).ptr;
    p = Put(p, ",\"rating_after\":");
    p = PutRating(p, after[k]);
    const std::uint8_t mark = k < marks.size() ? marks[k] : 0;
    p = Put(p, (mark & kNewRecord) != 0 ? ",\"new_record\":true"
                                        : ",\"new_record\":false");
    p = Put(p, (mark & kPersonalBest) != 0 ? ",\"personal_best\":true}"
                                           : ",\"personal_best\":false}");
    w.Member(std::string_view(text, static_cast<std::size_t>(p - text)));
  }
  w.EndArray();
  w.EndObject();
}

void WriteStandings(const Season& season, JsonWriter& w) {
  const Standings& standings = season.standings;
  w.BeginObject();
  w.Key("overall").BeginArray();
  const PlayerOrder by_points = ScoredPlayers(standings);
  for (std::size_t i = 0; i < by_points.size(); ++i) {
    const PlayerScore& s = standings.scores[by_points[i]];
    const auto battles = static_cast<std::uint32_t>(s.battles);
    const auto points = static_cast<std::uint32_t>(s.points);
    const auto wins = static_cast<std::uint32_t>(s.wins);
    w.Newline();
    w.BeginObject();
    w.Key("position").Number(std::uint64_t{i + 1});
    // The place before the latest battle night; null: none then.
    w.Key("previous_rank");
    const std::vector<std::uint32_t>& before = season.places_before;
    if (by_points[i] < before.size() && before[by_points[i]] != 0) {
      w.Number(std::uint64_t{before[by_points[i]]});
    } else {
      w.Null();
    }
    w.Key("player").Text(s.name);
    w.Key("points").Number(std::uint64_t{points});
    w.Key("average");
    if (battles == 0) {
      w.Null();
    } else {
      w.Number(AverageValue(s));
    }
    w.Key("wins").Number(std::uint64_t{wins});
    w.Key("battles").Number(std::uint64_t{battles});
    w.Key("win_percent");
    if (battles == 0) {
      w.Null();
    } else {
      w.Number(WinPercent(s));
    }
    TimeFields(s.total, w);
    w.EndObject();
  }
  w.EndArray();
  w.Newline();
  w.Key("battles_by").BeginArray();
  std::uint64_t position = 0;
  for (std::size_t i :
       BattlesStartedOrder(standings.scores, PointsOrder(standings.scores))) {
    const PlayerScore& s = standings.scores[i];
    if (s.battles_started == 0) continue;
    w.Newline();
    w.BeginObject();
    w.Key("position").Number(++position);
    w.Key("player").Text(s.name);
    w.Key("battles").Number(static_cast<std::uint64_t>(s.battles_started));
    w.EndObject();
  }
  w.EndArray();
  w.Newline();
  w.Key("total_times").BeginObject();
  w.Key("penalty_minutes_per_missing_battle")
      .Number(std::uint64_t{kPenaltyMinutesPerMissingBattle});
  w.Key("players").BeginArray();
  for (const PenalisedTotal& t :
       PenalisedTotals(standings.scores, standings.battles.size())) {
    w.Newline();
    w.BeginObject();
    w.Key("player").Text(standings.scores[t.player].name);
    TimeFields(t.total, w);
    w.EndObject();
  }
  w.EndArray();
  w.Key("winners_total").BeginObject();
  TimeFields(WinnersTotal(standings.battles), w);
  w.EndObject();
  w.EndObject();
  w.EndObject();
}

void WriteRatings(const ExportModel& model, JsonWriter& w) {
  const std::vector<PlayerScore>& scores = model.standings.scores;
  w.BeginArray();
  for (std::size_t i : RatingOrder(model.ratings, scores)) {
    const PlayerRating& r = model.ratings.players[i];
    w.Newline();
    w.BeginObject();
    w.Key("player").Text(scores[i].name);
    w.Key("mu").Exact(r.rating.mu);
    w.Key("sigma").Exact(r.rating.sigma);
    w.Key("rating").NumberText(RatingText(Ordinal(r.rating)));
    w.Key("shown_rating")
        .Number(static_cast<std::uint64_t>(ShownRating(Ordinal(r.rating))));
    w.Key("battles").Number(static_cast<std::uint64_t>(r.battles));
    w.Key("provisional").Bool(Provisional(r));
    w.EndObject();
  }
  w.EndArray();
}

// The member "records": every level with a time, and its record: what it
// is, who drove it and where. How the record fell and the best times of
// each player are in the battles and "personal_bests".
void WriteLevelRecords(const ExportModel& model, const SeasonRecords& records,
                       JsonWriter& w) {
  w.Key("records").BeginArray();
  for (const LevelRecord& level : records.levels) {
    const RecordTime& record = level.record;
    w.Newline();
    w.BeginObject();
    w.Key("level").Text(level.name);
    w.Key("battles").Number(std::uint64_t{level.battles});
    w.Key("record").BeginObject();
    w.Key("time").Text(ShownTime(record.entry));
    w.Key("hundredths").Number(level.progression.back().hundredths);
    w.Key("player").Text(
        model.standings.scores[level.progression.back().player].name);
    w.Key("nick").Text(record.entry.name);
    w.Key("event").Number(static_cast<std::uint64_t>(record.event));
    w.Key("date").TextOrNull(record.date);
    w.Key("link").TextOrNull(record.link);
    w.EndObject();
    w.EndObject();
  }
  w.EndArray();
}

// The personal bests of `players` as elements of the array
// "personal_bests", each on its own line after a comma (none before the
// first with `first`): the player, and for each level they drove their
// best as a short row [level, hundredths, event]. There are hundreds of
// thousands of rows in a long season, so each level's name is escaped
// once, in `names`, and the rows are written directly.
void AppendPersonalBests(const ExportModel& model, const SeasonRecords& records,
                         const std::vector<std::string>& names,
                         std::span<const std::size_t> players, bool first,
                         std::string* out) {
  for (std::size_t player : players) {
    const auto& bests = records.personal_bests[player];
    if (bests.empty()) continue;
    *out += first ? "\n" : ",\n";
    first = false;
    JsonWriter w(out);
    w.BeginObject();
    w.Key("player").Text(model.standings.scores[player].name);
    w.Key("levels");
    char row = '[';
    for (const auto& [at, t] : bests) {
      char numbers[48];
      char* p = numbers;
      *p++ = ',';
      p = std::to_chars(p, p + 20, t.hundredths).ptr;
      *p++ = ',';
      p = std::to_chars(p, p + 20,
                        static_cast<std::uint64_t>(records.events[t.battle]))
              .ptr;
      *p++ = ']';
      *out += row;
      *out += '[';
      *out += names[at];
      out->append(numbers, static_cast<std::size_t>(p - numbers));
      row = ',';
    }
    *out += "]}";
  }
}

// The members "records" and "personal_bests", written on two threads: the
// personal bests are most of the JSON's end.
void AppendRecords(const ExportModel& model, std::string* out) {
  const SeasonRecords& records = model.records;
  std::vector<std::string> names(records.levels.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    JsonWriter(&names[i]).Text(records.levels[i].name);
  }
  // The players split where about half the rows are on each side.
  const PlayerOrder players = ScoredPlayers(model.standings);
  std::size_t rows = 0;
  for (std::size_t p : players) rows += records.personal_bests[p].size();
  std::size_t half = 0;
  for (std::size_t seen = 0; half < players.size() && 2 * seen < rows; ++half) {
    seen += records.personal_bests[players[half]].size();
  }
  const std::span<const std::size_t> all(players);
  bool first_half_empty = true;
  for (std::size_t i = 0; i < half; ++i) {
    first_half_empty =
        first_half_empty && records.personal_bests[players[i]].empty();
  }

  std::string later;
  std::exception_ptr failure;
  std::thread helper = ThreadWithoutSignals([&] {
    try {
      AppendPersonalBests(model, records, names, all.subspan(half),
                          first_half_empty, &later);
    } catch (...) {
      failure = std::current_exception();
    }
  });
  try {
    JsonWriter w(out, /*members_before=*/true);
    w.Newline();
    WriteLevelRecords(model, records, w);
    *out += ",\n\"personal_bests\":[";
    AppendPersonalBests(model, records, names, all.first(half), true, out);
  } catch (...) {
    helper.join();
    throw;
  }
  helper.join();
  if (failure) std::rethrow_exception(failure);
  *out += later;
  *out += ']';
}

}  // namespace

std::string RenderJsonHead(const ExportModel& model) {
  const ExportSettings& settings = model.settings;
  std::string out;
  JsonWriter w(&out);
  w.BeginObject();
  w.Key("schema").Text(kSchema);
  w.Newline();
  w.Key("generator").BeginObject();
  w.Key("name").Text(kProgramName);
  w.Key("version").Text(ProgramVersion());
  w.Key("home_page").Text(HomePage());
  w.EndObject();
  w.Newline();
  w.Key("generated").Text(IsoUtcText(settings.made));
  w.Newline();
  w.Key("settings").BeginObject();
  w.Key("extra_points")
      .Number(static_cast<std::uint64_t>(settings.extra_points));
  w.Key("mode").Text(settings.automatic ? "automatic" : "level-by-level");
  w.Key("levels").BeginArray();
  for (const std::string& level : settings.levels) w.Text(level);
  w.EndArray();
  w.Key("logs").BeginArray();
  for (const ExportSettings::Log& log : settings.logs) {
    w.BeginObject();
    w.Key("name").Text(log.name);
    w.Key("format").Text(log.format);
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  w.Newline();
  w.Key("battles").BeginArray();
  // The battles and the rest follow from AppendJsonBattle and
  // RenderJsonTail, so the writer's open containers end here.
  return out;
}

void AppendJsonBattle(const ScoredBattle& battle, std::span<const double> after,
                      std::span<const std::uint8_t> marks, bool first,
                      std::string* out) {
  *out += first ? "\n" : ",\n";
  JsonWriter w(out);
  WriteBattle(battle, after.data(), marks, w);
}

std::string RenderJsonTail(const ExportModel& model) {
  std::string out = "]";
  // A writer inside the document's object, past its first member.
  JsonWriter w(&out, /*members_before=*/true);
  w.Newline();
  w.Key("standings");
  WriteStandings(model.season, w);
  w.Newline();
  w.Key("ratings");
  WriteRatings(model, w);
  AppendRecords(model, &out);
  out += "}\n";
  return out;
}

std::string RenderJson(const ExportModel& model) {
  return RenderStreamed({RenderJsonHead, RenderJsonTail, AppendJsonBattle},
                        model);
}

}  // namespace vexlane
