#include "app/run.h"

#include <ostream>

#include "app/report_builder.h"
#include "log/battle_finder.h"
#include "publish/output_file.h"
#include "ui/dialog.h"
#include "ui/ranking_echo.h"
#include "ui/time_review.h"

namespace vexlane {

namespace {

constexpr std::string_view kCouldNotWrite = "Output file couldn't be made. ";

// The dialog's side of the battle finder: each battle is announced,
// reviewed in level-by-level mode, scored and rendered as it is found.
class DialogRun : public FinderClient {
 public:
  DialogRun(const RunSettings& settings, Console& console)
      : settings_(settings),
        console_(console),
        report_(settings.format, &export_settings_) {
    export_settings_.extra_points = settings.extra_points;
  }

  void BattleFound(FoundBattle* battle) override {
    std::ostream& out = console_.out;
    out << "Adding event " << battle->event << ": " << battle->level;
    if (!battle->starter.empty()) out << " by " << battle->starter;
    out << "..."
        << "\n";
    if (interactive()) ReviewTimes(&battle->times, console_.in, out);
    report_.Add(battle);
    if (interactive()) EchoRanking(report_.last_scored().ranked, out);
  }

  bool NextLevel(int event, std::string* level, bool force) override {
    return NextLevelPrompt(console_, event, level, force);
  }

  void LevelNotFound(const std::string&) override {
    console_.out << "The level file you asked was not found from the file."
                 << "\n";
  }

  // Builds the report with the report time and writes it to a new file in
  // `directory`, telling the user the outcome.
  void WriteReport(const std::string& directory) {
    console_.out << "Writing to file..."
                 << "\n";
    report_.Finish();
    if (interactive()) {
      const ReportTail& tail = report_.tail();
      console_.out << std::string_view(tail.text).substr(0, tail.console_copy)
                   << std::flush;
    }
    const WriteOutcome outcome = WriteNumberedReport(
        report_.Pieces(), ExtensionOf(settings_.format), directory);
    if (outcome.ok) {
      console_.out << "Output file " << outcome.name
                   << " was made successfully. "
                   << "\n";
    } else {
      console_.out << kCouldNotWrite << "\n";
    }
    Pause(console_);
  }

 private:
  bool interactive() const { return !settings_.automatic_mode; }

  const RunSettings& settings_;
  Console& console_;
  ExportSettings export_settings_;
  ReportBuilder report_;
};

}  // namespace
int RunProgram(Console& console, const std::string& directory) {
  RunSettings settings;
  std::string first_level;
  if (!AskSettings(console, &settings, &first_level)) return 1;
  if (settings.automatic_mode) {
    console.out << "Please wait, generating file..."
                << "\n";
  }
  DialogRun run(settings, console);
  // Opened once; level by level each pass rewinds it (or replays a copy
  // of what cannot be rewound).
  FileSource file(settings.log_file_name);
  ReplaySource log(&file);
  std::string ignored;
  if (!settings.automatic_mode && log.Open(&ignored)) log.KeepCopy(&ignored);
  FinderOptions options;
  options.automatic = settings.automatic_mode;
  options.first_level = first_level;
  const int added = FindBattles({&log}, options, &run);
  if (added > 0) run.WriteReport(directory);
  console.out << std::flush;
  return 0;
}

}  // namespace vexlane
