// Fuzz target: every parser of a log line and console answer, with the
// invariants that the reports rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/text.h"
#include "log/level_names.h"
#include "log/line_fields.h"
#include "log/player_names.h"
#include "log/time_entry.h"
#include "render/html.h"
#include "render/report_date.h"
#include "render/time_text.h"
#include "scoring/players.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Within(std::string_view part, std::string_view whole) {
  return part.empty() ||
         (part.data() >= whole.data() &&
          part.data() + part.size() <= whole.data() + whole.size());
}

void CheckEntry(const vexlane::TimeEntry& e) {
  using namespace vexlane;
  Check(e.hundredths <= 99 && e.seconds <= 59 && e.minutes <= 5);
  Check(e.apples <= 50);
  Check(!HasTime(e) || e.apples == 0);
  Check(e.name.empty() && e.points == 0);
  Check(TimeColumnText(e).size() == 12);
  Check(DifferenceText(e, e) == std::string(8, ' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace vexlane;
  // A copy of exactly `size` bytes: no terminator for the parsers to rely on.
  const std::string copy(reinterpret_cast<const char*>(data), size);
  const std::string_view line(copy);

  const TimeEntry posted = ParseTime(line, MessageStart::kAfterMarker);
  const TimeEntry typed = ParseTime(line, MessageStart::kTypedAlone);
  CheckEntry(posted);
  CheckEntry(typed);
  DifferenceText(posted, typed);
  DifferenceText(typed, posted);
  Better(posted, typed);
  const TimeEntry sum = Sum(Sum(posted, typed), typed);
  Check(sum.hundredths <= 99 && sum.seconds <= 59);
  Check(TimeColumnText(sum).size() >= 12);

  const std::string_view speaker = SpeakerOf(line);
  Check(Within(speaker, line));
  const std::string_view stamp = TimeStampOf(line);
  Check(Within(stamp, line));
  Check(stamp.empty() || stamp.size() >= 8);
  const std::string_view level = LevelNameOf(line);
  Check(Within(level, line));
  Check(AnnouncedNickOf(line).size() <= 11);
  const std::string_view stripped = StripDecoration(line);
  Check(Within(stripped, line));
  Check(line.empty() || !stripped.empty());

  std::string upper;
  UpperInto(line, &upper);
  Check(upper.size() == line.size());
  Check((FindLevExtension(line) == std::string_view::npos) ==
        (upper.find(".LEV") == std::string::npos));
  Check((FindIgnoringCase(line, ".REC") != std::string_view::npos) ==
        (upper.find(".REC") != std::string::npos));
  Check(ContainsAnchored(upper, "BATTLE", 0) ==
        (upper.find("BATTLE") != std::string::npos));
  Check(SamePlayer(line, upper));

  std::string_view rest = line;
  int number = 0;
  ReadInt(&rest, &number);
  IsBlank(line);
  HtmlEscape(line);
  DateFromCtime(line);
  ClockFromCtime(line);
  return 0;
}
