// The command line: with no arguments the program runs its console dialog;
// with run options it makes a report without asking anything, for scripts
// and cron.
#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "app/option_table.h"

namespace vexlane {

struct SettingsFile;

enum class CommandKind {
  kDialog,
  kRun,
  kHelp,
  kVersion,
  kCompletion,
  kUsageError
};

struct Command {
  CommandKind kind = CommandKind::kDialog;
  RunOptions options;  // kRun
  std::string error;   // kUsageError: one sentence, without the program name
};

// Reads the arguments after the program name the way GNU tools do: long
// and short forms, "--opt=value" and "--opt value", bundled short options
// ("-qf html", "-fhtml"), "--" ending the options.
Command ParseCommandLine(const std::vector<std::string_view>& args);

// Lays the command line's options (`options->given`) over those of
// `settings` (read from the file `path`), key by key, and takes the file's
// corrections; then checks the options together again. False with
// `*error`, the message for the user: "PATH:LINE:COLUMN: what is wrong"
// when it has a place in the file, else "vexlane-stats: what is wrong".
bool ApplySettings(SettingsFile settings, const std::string& path,
                   RunOptions* options, std::string* error);

// The options of a run: `command_line`'s, with those of its settings file
// (--config) when it names one. False with `*error` as ApplySettings
// gives it, or when the file cannot be read.
bool LoadSettings(const RunOptions& command_line, RunOptions* options,
                  std::string* error);

// The answers that need no run: --help, --version and --bash-completion
// on `out`, a usage error on `err`. Returns the exit status (0, or 2 for a
// usage error).
int AnswerCommand(const Command& command, std::ostream& out, std::ostream& err);

}  // namespace vexlane
