#include "render/report_date.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <ctime>

#include "base/text.h"

namespace vexlane {

namespace {

struct CtimeFields {
  std::string_view month;
  int day = 0;
  std::string_view clock;
  int year = 0;
};

// Reads weekday, month, day, time of day and year in that order; false when
// any of them is missing.
bool ReadCtimeFields(std::string_view text, CtimeFields* out) {
  std::size_t pos = 0;
  if (NextWord(text, &pos).empty()) return false;  // weekday
  out->month = NextWord(text, &pos);
  if (out->month.empty()) return false;
  std::string_view rest = text.substr(pos);
  if (ReadInt(&rest, &out->day) != NumberRead::kOk) return false;
  pos = text.size() - rest.size();
  out->clock = NextWord(text, &pos);
  if (out->clock.empty()) return false;
  rest = text.substr(pos);
  return ReadInt(&rest, &out->year) == NumberRead::kOk;
}

}  // namespace

std::string DateFromCtime(std::string_view ctime_text) {
  CtimeFields f;
  if (!ReadCtimeFields(ctime_text, &f)) return {};
  for (std::size_t m = 0; m < kMonthAbbreviations.size(); ++m) {
    if (f.month == kMonthAbbreviations[m]) {
      return SignedText(f.day) + "." + UnsignedText(m + 1) + "." +
             SignedText(f.year);
    }
  }
  return {};
}

std::string ClockFromCtime(std::string_view ctime_text) {
  CtimeFields f;
  if (!ReadCtimeFields(ctime_text, &f)) return {};
  return std::string(f.clock);
}

std::time_t ReportTime() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    const std::string_view text(epoch);
    long long seconds = 0;
    auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (ec == std::errc() && end == text.data() + text.size() &&
        !text.empty()) {
      now = static_cast<std::time_t>(seconds);
    }
  }
  return now;
}

std::string IsoUtcText(std::time_t when) {
  std::tm parts{};
#ifdef _WIN32
  if (gmtime_s(&parts, &when) != 0) return {};
#else
  if (gmtime_r(&when, &parts) == nullptr) return {};
#endif
  char text[32];
  if (std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0) {
    return {};
  }
  return text;
}

std::string ReportCtimeText() {
  const std::time_t now = ReportTime();
  const char* text = std::ctime(&now);
  return text ? std::string(text) : std::string();
}

}  // namespace vexlane
