// The command line: with no arguments the program runs its console dialog;
// with run options it makes a report without asking anything, for scripts
// and cron.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_builder.h"
#include "log/log_format.h"
#include "scoring/corrections.h"

namespace vexlane {

// Every answer of the dialog as an option, and where the report goes.
struct RunOptions {
  std::vector<std::string> logs;  // "-" is standard input; empty: the default
  ReportFormat format = ReportFormat::kComboText;
  int extra_points = 1;
  std::vector<std::string> levels;  // level by level when not empty
  std::string output;               // "" the first free BattleNN, "-" stdout
  bool force = false;               // -o may replace an existing file
  std::string directory;            // where BattleNN is chosen
  bool quiet = false;
  LogFormat log_format = LogFormat::kClassic;
  bool detect_format = false;  // --log-format auto
  bool explain = false;        // explain every battle's events
  std::string explain_file;    // where; empty: standard error
  std::string config;          // the settings file, or empty
  bool strict = false;         // a repair that matches no battle fails
  bool follow = false;         // keep reading the last log as it grows
  Corrections corrections;     // from the settings file, --since, --until
  // The long names of the options the command line gave: they win over
  // the settings file's.
  std::vector<std::string> given;
};

struct SettingsFile;

enum class CommandKind { kDialog, kRun, kHelp, kVersion, kUsageError };

struct Command {
  CommandKind kind = CommandKind::kDialog;
  RunOptions options;  // kRun
  std::string error;   // kUsageError: one sentence, without the program name
};

// Reads the arguments after the program name the way GNU tools do: long
// and short forms, "--opt=value" and "--opt value", bundled short options
// ("-qf html", "-fhtml"), "--" ending the options.
Command ParseCommandLine(const std::vector<std::string_view>& args);

// Takes the options of `settings` (read from the file `path`) that the
// command line did not give, and its corrections; then checks the options
// together again. False with `*error` (naming the file, line and column
// where it can) when an option of the file is wrong.
bool ApplySettings(const SettingsFile& settings, const std::string& path,
                   RunOptions* options, std::string* error);

// The options of a run: `command_line`'s, with those of its settings file
// (--config) when it names one. False with `*error` as ApplySettings
// gives it, or when the file cannot be read.
bool LoadSettings(const RunOptions& command_line, RunOptions* options,
                  std::string* error);

// The answers that need no run: --help and --version on `out`, a usage
// error on `err`. Returns the exit status (0, or 2 for a usage error).
int AnswerCommand(const Command& command, std::ostream& out, std::ostream& err);

}  // namespace vexlane
