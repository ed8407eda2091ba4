#include "app/command_line.h"

#include <algorithm>
#include <ostream>

#include "app/settings_file.h"
#include "base/text.h"
#include "base/version.h"
#include "log/gzip_source.h"
#include "render/report_format.h"
#include "scoring/battle_scoring.h"

namespace vexlane {

namespace {

constexpr std::string_view kUsage =
    "Usage: vexlane-stats [-i LOG]... [--log-format NAME] [-f FORMAT] [-p N]\n"
    "                     [-l LEVEL]... [-o FILE [--force] | -d DIR] [-q]\n"
    "                     [--explain[=FILE]] [-c FILE] [--since DATE]\n"
    "                     [--until DATE] [--title TEXT] [--home URL]\n"
    "                     [--static DIR] [--strict] [--follow] [LOG]...\n";

constexpr std::string_view kHelpStart =
    "\n"
    "Makes battle statistics from the saved log of the IRC channel #battle:\n"
    "every battle (a link to a .lev file, the times posted, \"stop\" or "
    "\"end\"),\n"
    "ranked and scored, with total times, overall scores and who started\n"
    "the battles.\n"
    "\n"
    "With no options the program asks its questions on standard input, one\n"
    "line per answer (Enter takes the default), and waits for a key at the\n"
    "end (for one line when its input is not a terminal). Answers can be\n"
    "piped in, for example:\n"
    "  printf '2\\nchannel.log\\n2\\n\\n\\n' | vexlane-stats\n"
    "\n"
    "With any of the options below, or log names, it asks nothing and never\n"
    "waits (vexlane-stats channel.log is vexlane-stats -i channel.log):\n";

constexpr std::string_view kHelpEnd =
    "\n"
    "An unattended run prints the path of the report it wrote on standard\n"
    "output, and a summary (battles, players, lines read, the report's full\n"
    "path) and errors on standard error. Example for cron, whose PATH has\n"
    "only /usr/bin and /bin (name the program by its installed path):\n"
    "  0 * * * * /usr/local/bin/vexlane-stats -q -i /var/log/irc/battle.log "
    "-f web --force -o /var/www/battle.html\n"
    "\n"
    "The dialog writes to the first free Battle01.txt ... Battle99.txt (or\n"
    ".html) in the working directory; an existing file is never replaced.\n"
    "\n"
    "Environment:\n"
    "  SOURCE_DATE_EPOCH  seconds since 1970 to show in the report's title\n"
    "                     line instead of the current date and time\n"
    "\n"
    "Exit status: 0 when the report was written or no battle was found\n"
    "(which an unattended run says on standard error), 1 when a log cannot\n"
    "be read or the report cannot be written, 2 for a wrong command line or\n"
    "settings file.\n";

// Why follow mode cannot follow with these options, or empty.
std::string CheckFollow(const RunOptions& o, bool complete) {
  if (!o.levels.empty()) {
    return "'--follow' cannot go with '-l': level by level reads the log "
           "again for every level";
  }
  for (const std::string& log : o.logs) {
    if (log == "-") {
      return "'--follow' cannot follow standard input ('-i -'): it follows "
             "a log file as it grows";
    }
  }
  if (!o.logs.empty() && IsGzipName(o.logs.back())) {
    return "'--follow' cannot follow the gzip log " + Quoted(o.logs.back()) +
           ": it follows the last log as the client writes it";
  }
  if (o.explain && !o.explain_file.empty()) {
    return "'--follow' explains on standard error, not to a file";
  }
  if (complete && (o.output.empty() || o.output == "-")) {
    return "'--follow' needs '-o FILE': the report it republishes";
  }
  return "";
}

// Why the options cannot go together, or empty. Until the settings file
// has been read (not `complete`), an option that needs another one the
// file may give is not checked.
// "--since 2024-09-01", or "'since' 2024-09-01 (line 3)" from the file.
std::string SeasonBound(std::string_view name, const std::string& date,
                        std::size_t line) {
  if (line == 0) return "--" + std::string(name) + " " + date;
  return Quoted(name) + " " + date + " (line " + std::to_string(line) + ")";
}

std::string CheckTogether(const RunOptions& o, bool complete) {
  const Corrections& c = o.corrections;
  if (!c.since.empty() && !c.until.empty() && c.since > c.until) {
    return SeasonBound("since", c.since, c.since_line) + " is after " +
           SeasonBound("until", c.until, c.until_line) +
           ": no battle can be in that season";
  }
  bool reads_stdin = false;
  for (const std::string& log : o.logs) reads_stdin = reads_stdin || log == "-";
  if (reads_stdin && o.logs.size() > 1) {
    return "'-i -' (standard input) must be the only log";
  }
  if (!o.output.empty() && !o.directory.empty()) {
    return "'-o' and '-d' cannot be given together";
  }
  if (o.format == ReportFormat::kSite && o.output == "-") {
    return "'-f site' writes a directory, not to standard output ('-o -')";
  }
  if (complete && o.format == ReportFormat::kSite && o.output.empty()) {
    return "'-f site' needs '-o DIR', the directory of the site";
  }
  if (complete && o.force && (o.output.empty() || o.output == "-")) {
    return "'--force' goes with '-o FILE'";
  }
  if (complete && !o.static_dir.empty() && o.format != ReportFormat::kSite) {
    return "'--static' goes with '-f site': only the site takes files of "
           "its own";
  }
  return o.follow ? CheckFollow(o, complete) : "";
}

class Parser {
 public:
  Command Parse(const std::vector<std::string_view>& args) {
    if (args.empty()) return command_;
    command_.kind = CommandKind::kRun;
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size() && ok(); ++i) {
      const std::string_view arg = args[i];
      if (options_ended || arg == "-" || arg.empty() || arg[0] != '-') {
        // Arguments that are no options are logs, as with -i.
        if (arg.empty()) {
          Fail("a log name must not be empty");
        } else {
          Apply(*FindShortOption('i'), "-i", arg);
        }
      } else if (arg == "--") {
        options_ended = true;
      } else if (arg.substr(0, 2) == "--") {
        LongOption(args, &i);
      } else {
        ShortOptions(args, &i);
      }
    }
    if (ok() && command_.kind == CommandKind::kRun) {
      Fail(CheckTogether(command_.options,
                         /*complete=*/command_.options.config.empty()));
    }
    return command_;
  }

 private:
  // The argument after `*i`, which it then is; false at the end.
  static bool Next(const std::vector<std::string_view>& args, std::size_t* i,
                   std::string_view* value) {
    if (*i + 1 >= args.size()) return false;
    *value = args[++*i];
    return true;
  }

  // The long option args[*i], "--name" or "--name=value".
  void LongOption(const std::vector<std::string_view>& args, std::size_t* i) {
    const std::string_view arg = args[*i];
    const std::string_view body = arg.substr(2);
    const std::size_t eq = body.find('=');
    const std::string_view name = body.substr(0, eq);
    bool ambiguous = false;
    const OptionDef* def = FindLongOption(name, &ambiguous);
    if (def == nullptr) {
      const std::string_view nearest =
          ambiguous ? std::string_view() : NearestWord(name, LongOptionNames());
      Fail(std::string(ambiguous ? "ambiguous" : "unknown") + " option " +
           Quoted(arg.substr(
               0, eq == std::string_view::npos ? arg.size() : eq + 2)) +
           (nearest.empty() ? ""
                            : "; did you mean " +
                                  Quoted("--" + std::string(nearest)) + "?"));
      return;
    }
    const std::string option = "--" + std::string(def->long_name);
    std::string_view value;
    if (eq != std::string_view::npos &&
        def->value == OptionValue::kSwitchOrFile) {
      value = body.substr(eq + 1);
      if (value.empty()) {
        return Fail("option " + Quoted(option + "=") + " needs a file name");
      }
    } else if (eq != std::string_view::npos) {
      if (!TakesValue(*def)) {
        return Fail("option " + Quoted(option) + " takes no value");
      }
      value = body.substr(eq + 1);
    } else if (TakesValue(*def) && !Next(args, i, &value)) {
      return Fail("option " + Quoted(option) + " needs a value");
    }
    Apply(*def, option, value);
  }

  // A bundle of short options, args[*i]; one that takes a value takes the
  // rest of the bundle, or the next argument.
  void ShortOptions(const std::vector<std::string_view>& args, std::size_t* i) {
    const std::string_view arg = args[*i];
    for (std::size_t k = 1; k < arg.size() && ok(); ++k) {
      const OptionDef* def = FindShortOption(arg[k]);
      const std::string option = "-" + std::string(1, arg[k]);
      if (def == nullptr) return Fail("unknown option " + Quoted(option));
      std::string_view value;
      if (TakesValue(*def)) {
        if (k + 1 < arg.size()) {
          value = arg.substr(k + 1);
        } else if (!Next(args, i, &value)) {
          return Fail("option " + Quoted(option) + " needs a value");
        }
        return Apply(*def, option, value);
      }
      Apply(*def, option, value);
    }
  }

  bool ok() const { return command_.kind != CommandKind::kUsageError; }

  void Fail(std::string error) {
    if (!ok() || error.empty()) return;
    command_.kind = CommandKind::kUsageError;
    command_.error = std::move(error);
  }

  void Apply(const OptionDef& def, const std::string& option,
             std::string_view value) {
    if (def.value == OptionValue::kAnswer) {
      // The first of them answers; later options are not looked at.
      if (command_.kind == CommandKind::kRun) {
        command_.kind = def.long_name == "help"      ? CommandKind::kHelp
                        : def.long_name == "version" ? CommandKind::kVersion
                                                     : CommandKind::kCompletion;
      }
      return;
    }
    RunOptions& o = command_.options;
    o.given.push_back({std::string(def.long_name), option, std::string(value)});
    Fail(ApplyOption(def, option, value, 0, &o));
  }

  Command command_;
};

// "PATH:LINE:COLUMN: what" for a mistake with a place in the settings
// file, "vexlane-stats: PATH: what" for one of the file as a whole.
std::string SettingsMistake(const std::string& path, std::size_t line,
                            std::size_t column, const std::string& what) {
  if (line == 0) return std::string(kMessagePrefix) + path + ": " + what;
  return path + ":" + std::to_string(line) + ":" + std::to_string(column) +
         ": " + what;
}

// Whether the command line's options set aside the file's option `def`:
// it gave the option itself, or another of its choice.
bool SetAside(const OptionDef& def, const std::vector<GivenOption>& given) {
  for (const GivenOption& g : given) {
    if (g.name == def.long_name) return true;
    // The file's --force is for a report file: not for -d's BattleNN or
    // standard output, which the command line chose instead.
    if (def.long_name == "force" &&
        (g.name == "directory" || (g.name == "output" && g.value == "-"))) {
      return true;
    }
    bool ambiguous = false;
    const OptionDef* other = FindLongOption(g.name, &ambiguous);
    if (!def.choice.empty() && other != nullptr &&
        other->choice == def.choice) {
      return true;
    }
  }
  return false;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string_view>& args) {
  return Parser().Parse(args);
}

bool ApplySettings(SettingsFile settings, const std::string& path,
                   RunOptions* options, std::string* error) {
  // Every value of the file is checked, also those the command line sets
  // aside: a mistake shows at once, not at the next run without it.
  RunOptions merged;
  for (const SettingsFile::Option& option : settings.options) {
    const OptionDef* def = FindSettingsKey(option.name);
    if (def == nullptr) continue;  // the reader knows only real keys
    RunOptions set_aside;
    const std::string problem =
        ApplyOption(*def, option.name, option.value, option.line,
                    SetAside(*def, options->given) ? &set_aside : &merged);
    if (!problem.empty()) {
      *error = SettingsMistake(path, option.line, option.column, problem);
      return false;
    }
  }
  // The command line's options over the file's, in their order.
  for (const GivenOption& g : options->given) {
    bool ambiguous = false;
    ApplyOption(*FindLongOption(g.name, &ambiguous), g.written, g.value, 0,
                &merged);
  }
  // The file's static folder goes with its site: a format other than the
  // site asked on the command line sets it aside.
  const auto given = [&merged](std::string_view name) {
    return std::any_of(merged.given.begin(), merged.given.end(),
                       [name](const GivenOption& g) { return g.name == name; });
  };
  merged.given = std::move(options->given);
  if (merged.format != ReportFormat::kSite && given("format") &&
      !given("static")) {
    merged.static_dir.clear();
  }
  Corrections& c = settings.corrections;
  merged.corrections.aliases = std::move(c.aliases);
  merged.corrections.ignores = std::move(c.ignores);
  merged.corrections.repairs = std::move(c.repairs);
  IndexNicks(&merged.corrections);
  *options = std::move(merged);
  *error = CheckTogether(*options, /*complete=*/true);
  if (!error->empty()) *error = SettingsMistake(path, 0, 0, *error);
  return error->empty();
}

bool LoadSettings(const RunOptions& command_line, RunOptions* options,
                  std::string* error) {
  *options = command_line;
  if (command_line.config.empty()) return true;
  SettingsFile settings;
  if (!ReadSettingsFile(command_line.config, &settings, error)) {
    // A mistake with a place starts with the path; else the file itself
    // could not be read.
    if (error->rfind(command_line.config + ":", 0) != 0) {
      error->insert(0, kMessagePrefix);
    }
    return false;
  }
  return ApplySettings(std::move(settings), command_line.config, options,
                       error);
}

int AnswerCommand(const Command& command, std::ostream& out,
                  std::ostream& err) {
  switch (command.kind) {
    case CommandKind::kHelp:
      out << kUsage << kHelpStart << OptionsHelp() << kHelpEnd << std::flush;
      return 0;
    case CommandKind::kVersion:
      out << kProgramName << " " << ProgramVersion() << "\n" << std::flush;
      return 0;
    case CommandKind::kCompletion:
      out << BashCompletion() << std::flush;
      return 0;
    case CommandKind::kUsageError:
      err << kMessagePrefix << command.error << "\n"
          << kUsage << "Try 'vexlane-stats --help'.\n"
          << std::flush;
      return 2;
    case CommandKind::kDialog:
    case CommandKind::kRun:
      break;
  }
  return 0;
}

}  // namespace vexlane
