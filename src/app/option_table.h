// Every option of the program, declared once. The command line's parser,
// the settings file's reader, --help and the bash completion all read this
// table, and a test holds the manual page and the documentation to it.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_builder.h"
#include "log/log_format.h"
#include "scoring/corrections.h"

namespace vexlane {

// An option as the command line gave it, to be laid over the settings
// file's: its long name, how it was written ("-o", "--output") and its
// value ("" for a switch).
struct GivenOption {
  std::string name;
  std::string written;
  std::string value;
};

// Every answer of the dialog as an option, and where the report goes: the
// one structure that the command line and the settings file fill.
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
  // The look of the site and the web page: the title, the channel's home
  // page in every footer (empty: none) and, with -f site, a folder of
  // files copied in (empty: none).
  std::string title{kDefaultTitle};
  std::string home;
  std::string static_dir;
  // The options of the command line in their order: laid over the
  // settings file's, key by key.
  std::vector<GivenOption> given;
};

// What an option's value is, on the command line and in the settings file.
enum class OptionValue {
  kSwitch,        // no value; true or false in the file
  kText,          // one value; a text in the file
  kTexts,         // may be repeated; a text or a list of texts in the file
  kNumber,        // a whole number
  kDate,          // YYYY-MM-DD; a date or a text in the file
  kSwitchOrFile,  // --explain or --explain=FILE; true, false or a file name
  kAnswer,        // --help, --version: answered, no run
};

// What the shell's completion offers for an option's value.
enum class OptionWords { kNothing, kFile, kDirectory, kFormats, kLogFormats };

struct OptionDef {
  char short_name;  // 0 when there is none
  std::string_view long_name;
  OptionValue value;
  std::string_view value_name;  // "FILE", "N"; empty for a switch
  bool in_settings;             // the settings file may hold it as a key
  // Options of one choice: giving one on the command line sets aside the
  // settings file's value of each (-o and -d both say where the report
  // goes). Empty: the option alone.
  std::string_view choice;
  OptionWords words;
  // The help's words; {formats}, {log-formats}, {points} and {reports}
  // stand for lists the program knows.
  std::string_view help;
  std::string_view default_text;  // "(default text)", or empty
};

// Every option, in the order --help shows them.
std::span<const OptionDef> OptionTable();

const OptionDef* FindShortOption(char name);
// The option whose long name is `name`, or whose long name `name` is the
// prefix of, when exactly one is (as getopt_long does). `*ambiguous` when
// several are.
const OptionDef* FindLongOption(std::string_view name, bool* ambiguous);
// The option a settings file's key names, exactly; null for any other key.
const OptionDef* FindSettingsKey(std::string_view key);

// Whether `def` takes the next argument as its value (--explain takes one
// only after '=').
bool TakesValue(const OptionDef& def);

// The long names, for a "did you mean".
std::vector<std::string_view> LongOptionNames();

// Sets `def` to `value` in `*options`. `written` is how the user wrote
// it ("-o", "--output" or the settings key "output"); `line` is the
// settings file's line, 0 on the command line. The mistake, or empty.
std::string ApplyOption(const OptionDef& def, std::string_view written,
                        std::string_view value, std::size_t line,
                        RunOptions* options);

// The options' part of --help: each wrapped beside its name, with its
// default at the right.
std::string OptionsHelp();

// A bash completion script for the program (--bash-completion).
std::string BashCompletion();

}  // namespace vexlane
