#include "render/csv_report.h"

#include "base/text.h"
#include "base/utf8.h"
#include "render/report_format.h"
#include "render/time_text.h"

namespace vexlane {

namespace {

constexpr std::string_view kHeader =
    "event,date,level,starter,rank,player,time,hundredths,apples,points,"
    "difference,rating_after\r\n";

// A cell starting with one of these is a formula to a spreadsheet; OWASP's
// advice is a leading apostrophe, inside quotes.
bool StartsFormula(std::string_view text) {
  return !text.empty() &&
         (text[0] == '=' || text[0] == '+' || text[0] == '-' ||
          text[0] == '@' || text[0] == '\t' || text[0] == '\r');
}

void AppendNumber(std::uint64_t value, std::string* out) {
  AppendUnsigned(value, out);
}

}  // namespace

void AppendCsvField(std::string_view text, std::string* out) {
  const bool formula = StartsFormula(text);
  const bool quote =
      formula || text.find_first_of(",\"\r\n") != std::string_view::npos;
  if (!quote) {
    out->append(text);
    return;
  }
  *out += '"';
  if (formula) *out += '\'';
  for (char c : text) {
    if (c == '"') *out += '"';
    *out += c;
  }
  *out += '"';
}

std::string RenderCsvHead(const ExportModel& /*model*/) {
  return std::string(kHeader);
}

std::string RenderCsvTail(const ExportModel& /*model*/) { return {}; }

void AppendCsvBattle(const ScoredBattle& b, std::span<const double> after,
                     std::span<const std::uint8_t> /*marks*/, bool /*first*/,
                     std::string* out_text) {
  std::string& out = *out_text;
  const std::string level = ToUtf8(b.level);
  const std::string starter = ToUtf8(ShownStarter(b));
  std::string nick;
  for (std::size_t k = 0; k < b.ranked.size(); ++k) {
    const TimeEntry& e = b.ranked[k];
    AppendNumber(static_cast<std::uint64_t>(b.event), &out);
    out += ',';
    out += b.date;  // digits and dashes only
    out += ',';
    AppendCsvField(level, &out);
    out += ',';
    AppendCsvField(starter, &out);
    out += ',';
    AppendNumber(k + 1, &out);
    out += ',';
    nick.clear();
    AppendUtf8(e.name, &nick);
    AppendCsvField(nick, &out);
    out += ',';
    char text[48];
    AppendCsvField(std::string_view(text, static_cast<std::size_t>(
                                              PutShownTime(text, e) - text)),
                   &out);
    out += ',';
    if (const auto h = Hundredths(e)) AppendNumber(*h, &out);
    out += ',';
    if (!HasTime(e)) AppendNumber(e.apples, &out);
    out += ',';
    AppendNumber(e.points, &out);
    out += ',';
    if (const auto d = BehindWinner(b.ranked, k)) AppendNumber(*d, &out);
    out += ',';
    // A number, negative early in a season: its '-' is a sign.
    out.append(text,
               static_cast<std::size_t>(PutRating(text, after[k]) - text));
    out += "\r\n";
  }
}

std::string RenderCsv(const ExportModel& model) {
  return RenderStreamed({RenderCsvHead, RenderCsvTail, AppendCsvBattle}, model);
}

}  // namespace vexlane
