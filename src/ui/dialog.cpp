#include "ui/dialog.h"

#include <ostream>

#include "base/text.h"
#include "base/version.h"
#include "log/byte_source.h"
#include "scoring/battle_scoring.h"

namespace vexlane {

namespace {

constexpr std::string_view kCredit = " by the Vexlane team";
constexpr std::string_view kBanner[] = {
    "  ---------------------------------------------------------------  ",
    "",
    "Makes statistic files from IRC #battle logs. ",
    "",
    "",
    "Start the (combo) battle by saying the lev file. ",
    "Stop event by saying stop or end. ",
    "Every time between the lev file and 'stop' or 'end' will be counted. ",
    "Also starting new battle ends earlier battle. ",
    "Then save the battle to a file and write the filename here. ",
    "Normal battles can also be used here, just give only one lev. ",
    "After using the program, a text file battlexx.txt will be made. ",
    "Points will be given as follows: 1 point to the worst, 2 points to ",
    "the next one etc.  ",
    "",
};

void AskExtraPoints(Console& console, int* extra_points) {
  std::string answer;
  for (;;) {
    console.out << "Give the extra points you want to give to winner (default "
                << *extra_points << "): " << std::flush;
    if (!ReadAnswer(console.in, &answer) || IsBlank(answer)) return;
    std::string_view rest = answer;
    int value = 0;
    const NumberRead read = ReadInt(&rest, &value);
    if (read == NumberRead::kNone) continue;  // asked again without a word
    if (read == NumberRead::kOk && value >= kMinExtraPoints &&
        value <= kMaxExtraPoints) {
      *extra_points = value;
      return;
    }
    console.out << "Points must be in range " << kMinExtraPoints << " - "
                << kMaxExtraPoints << "."
                << "\n";
  }
}

}  // namespace

bool AskSettings(Console& console, RunSettings* settings,
                 std::string* first_level) {
  std::ostream& out = console.out;
  out << "    Vexlane statistics, v. " << ProgramVersion() << kCredit << "\n";
  for (std::string_view line : kBanner) out << line << "\n";

  AskExtraPoints(console, &settings->extra_points);

  std::string answer;
  out << "Give the log file (default " << settings->log_file_name
      << "): " << std::flush;
  if (ReadAnswer(console.in, &answer) && !IsBlank(answer)) {
    settings->log_file_name = answer;  // kept exactly as typed
  }
  // Opened and read one byte: a directory opens but cannot be read.
  FileSource probe(settings->log_file_name);
  std::string error;
  char byte = 0;
  if (!probe.Open(&error) || probe.Read(&byte, 1, &error) < 0) {
    out << "Can't read file \"" << settings->log_file_name << "\"."
        << "\n";
    Pause(console);
    return false;
  }
  probe.Close();

  out << "Do you want to create a text file (1) or "
      << "html file (2) (default " << 1 << "): " << std::flush;
  ReadAnswer(console.in, &answer);
  if (answer == "2") {
    settings->format = ReportFormat::kHtml;
    out << "Creating html file..."
        << "\n";
  } else {
    out << "Creating text file..."
        << "\n";
    out << "Do you want to create a combo battle file (1) or "
        << "\n"
        << "a stats.txt -kind of file (2) (default " << 1
        << "): " << std::flush;
    ReadAnswer(console.in, &answer);
    settings->format =
        answer == "2" ? ReportFormat::kStatsText : ReportFormat::kComboText;
  }

  out << "Give the first level name or press just enter to find "
      << "\n"
      << "automatically all battles from file: " << std::flush;
  ReadAnswer(console.in, first_level);
  if (IsBlank(*first_level)) {
    out << "Level name was not given, "
        << "trying to find automatically all battles from file. "
        << "\n";
    settings->automatic_mode = true;
  }
  return true;
}

bool NextLevelPrompt(Console& console, int event, std::string* level,
                     bool force) {
  if (event > 1 || force) {
    console.out << "Give the " << event
                << ". level name or press only enter to quit: " << std::flush;
    ReadAnswer(console.in, level);
  }
  return !IsBlank(*level);
}

}  // namespace vexlane
