#include "render/export_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "log/player_names.h"
#include "render/time_text.h"

namespace vexlane {

std::string ShownTime(const TimeEntry& e) {
  char text[48];
  return std::string(text, PutShownTime(text, e));
}

std::optional<std::uint64_t> BehindWinner(const std::vector<TimeEntry>& ranked,
                                          std::size_t rank) {
  const TimeEntry& e = ranked[rank];
  const TimeEntry& best = ranked[0];
  if (rank == 0 || !HasTime(e) || !HasTime(best) || !Better(best, e)) {
    return std::nullopt;
  }
  return *Hundredths(e) - *Hundredths(best);
}

std::string ShownDifference(const std::vector<TimeEntry>& ranked,
                            std::size_t rank) {
  const auto behind = BehindWinner(ranked, rank);
  if (!behind) return {};
  TimeEntry d;
  d.minutes = static_cast<std::uint32_t>(*behind / 6000);
  d.seconds = static_cast<std::uint32_t>(*behind / 100 % 60);
  d.hundredths = static_cast<std::uint32_t>(*behind % 100);
  return "+" + ShownTime(d);
}

std::string RatingText(double ordinal) {
  char text[48];
  return std::string(text, PutRating(text, ordinal));
}

char* PutRating(char* at, double ordinal) {
  // Tenths as a whole number, written directly: a rating is written for
  // every entry of every battle. Where ordinal * 10 lies near a half the
  // product's own rounding could tip it, so the exact decimal rounding of
  // to_chars decides instead.
  const double tenths = ordinal * 10.0;
  if (std::fabs(tenths) < 1e15) {
    const double rounded = std::nearbyint(tenths);
    if (std::fabs(std::fabs(tenths - rounded) - 0.5) > 1e-6) {
      const auto whole = static_cast<std::int64_t>(rounded);
      std::uint64_t magnitude =
          static_cast<std::uint64_t>(whole < 0 ? -whole : whole);
      char text[24];
      char* p = text + sizeof text;
      *--p = static_cast<char>('0' + magnitude % 10);
      *--p = '.';
      magnitude /= 10;
      do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
      } while (magnitude != 0);
      if (whole < 0) *--p = '-';
      return std::copy(p, text + sizeof text, at);
    }
  }
  char text[48];
  const auto [end, error] = std::to_chars(text, text + sizeof text, ordinal,
                                          std::chars_format::fixed, 1);
  // Beyond any rating a season makes, and "-0.0", are "0.0".
  const std::string_view shown(text, static_cast<std::size_t>(end - text));
  if (error != std::errc() || shown == "-0.0") {
    return std::copy_n("0.0", 3, at);
  }
  return std::copy(shown.begin(), shown.end(), at);
}

}  // namespace vexlane
