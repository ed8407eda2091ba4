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
    "                     [--until DATE] [--strict] [--follow] [LOG]...\n";

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
    "waits (vexlane-stats channel.log is vexlane-stats -i channel.log):\n"
    "  -i, --log FILE          the channel log; repeat it for logs read one\n"
    "                          after the other as one; a .gz log is\n"
    "                          decompressed; - reads standard input\n"
    "                                                (default #battle.log)\n"
    "      --log-format NAME   classic, irssi, weechat, znc, mirc, hexchat,\n"
    "                          limnoria, eggdrop, or auto to tell from the\n"
    "                          first lines                (default classic)\n";

constexpr std::string_view kHelpLevel =
    "  -l, --level NAME        level by level: the levels in order, repeat\n"
    "                          for more; the times are taken as found\n"
    "                          (default: every battle, automatically)\n";

constexpr std::string_view kHelpEnd =
    "      --force             with -o, replace an existing file atomically\n"
    "                          (or a site this program made)\n"
    "  -d, --directory DIR     where BattleNN is chosen (default: the working\n"
    "                          directory)\n"
    "  -q, --quiet             print nothing unless something fails\n"
    "      --explain[=FILE]    tell, line by line, how each battle was read:\n"
    "                          its start and who was credited, each time\n"
    "                          taken or not and why, what ended it (on\n"
    "                          standard error, or to FILE)\n"
    "  -c, --config FILE       settings: options by their long names, nick\n"
    "                          aliases, ignored nicks, repairs of battles\n"
    "                          (a TOML file; the command line wins)\n"
    "      --since DATE        only battles dated DATE (YYYY-MM-DD) or later\n"
    "      --until DATE        only battles dated DATE or earlier\n"
    "      --strict            a repair of the settings that matches no\n"
    "                          battle (or two) is an error, not a warning\n"
    "      --follow            keep reading the (last) log as the client\n"
    "                          writes it and republish the report of -o each\n"
    "                          time a battle ends; SIGTERM or SIGINT ends it\n"
    "                          as a run ends, SIGHUP reads the settings again\n"
    "  -h, --help              show this text and exit\n"
    "  -V, --version           show the version and exit\n"
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
    "be read or the report cannot be written, 2 for a wrong command line.\n";

constexpr std::size_t kHelpColumn = 26;  // where an option's words start
constexpr std::size_t kHelpWidth = 72;   // no line of them runs past it
constexpr std::size_t kDefaultEnd = 70;  // where "(default ...)" ends

// An option's help: `text` wrapped word by word beside `option`, and
// `default_text`, when given, right-aligned on the last line or below it.
void AppendOptionHelp(std::string_view option, std::string_view text,
                      std::string_view default_text, std::string* out) {
  std::string line = "  " + std::string(option);
  line.resize(kHelpColumn, ' ');
  std::size_t words = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    const std::string_view word = text.substr(start, end - start);
    if (words > 0 && line.size() + 1 + word.size() > kHelpWidth) {
      *out += line + "\n";
      line.assign(kHelpColumn, ' ');
      words = 0;
    }
    if (words++ > 0) line += ' ';
    line += word;
    start = end + 1;
  }
  if (!default_text.empty()) {
    if (line.size() + 2 + default_text.size() > kDefaultEnd) {
      *out += line + "\n";
      line.clear();
    }
    line.resize(kDefaultEnd - default_text.size(), ' ');
    line += default_text;
  }
  *out += line + "\n";
}

// "a, b or c".
std::string JoinedWithOr(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
    text += items[i];
  }
  return text;
}

// "text, stats, html, json, csv or web".
std::string FormatNames() {
  std::vector<std::string> names;
  for (const ReportFormatRow& row : ReportFormats()) {
    names.emplace_back(row.name);
  }
  return JoinedWithOr(names);
}

// The help of the options that the outputs and the scoring rules shape,
// between the fixed parts.
std::string HelpText() {
  const RunOptions defaults;
  std::vector<std::string> formats;
  std::vector<std::string> extensions;
  for (const ReportFormatRow& row : ReportFormats()) {
    std::string format(row.name);
    if (!row.about.empty()) format += " (" + std::string(row.about) + ")";
    formats.push_back(std::move(format));
    const std::string extension(row.extension);
    if (!extension.empty() && std::find(extensions.begin(), extensions.end(),
                                        extension) == extensions.end()) {
      extensions.push_back(extension);
    }
  }
  extensions.front().insert(0, "BattleNN");
  std::string text(kHelpStart);
  AppendOptionHelp("-f, --format FORMAT", JoinedWithOr(formats),
                   "(default " + std::string(RowOf(defaults.format).name) + ")",
                   &text);
  AppendOptionHelp(
      "-p, --extra-points N",
      "extra points for each winner, " + std::to_string(kMinExtraPoints) +
          " to " + std::to_string(kMaxExtraPoints),
      "(default " + std::to_string(defaults.extra_points) + ")", &text);
  text += kHelpLevel;
  AppendOptionHelp("-o, --output FILE",
                   "the report file, never replacing one; - writes to "
                   "standard output; with -f site, the site's directory "
                   "(default: the first free " +
                       JoinedWithOr(extensions) + " in the directory)",
                   "", &text);
  text += kHelpEnd;
  return text;
}

struct OptionDef {
  char short_name;  // 0 when there is none
  std::string_view long_name;
  bool takes_value;
};

constexpr OptionDef kOptions[] = {
    {'i', "log", true},          {'f', "format", true},
    {'p', "extra-points", true}, {'l', "level", true},
    {'o', "output", true},       {'d', "directory", true},
    {'q', "quiet", false},       {0, "force", false},
    {'h', "help", false},        {'V', "version", false},
    {0, "log-format", true},     {0, "explain", false},
    {'c', "config", true},       {0, "since", true},
    {0, "until", true},          {0, "strict", false},
    {0, "follow", false},
};

const OptionDef* FindShort(char c) {
  for (const OptionDef& o : kOptions) {
    if (o.short_name == c) return &o;
  }
  return nullptr;
}

// The long option that `name` names: the whole name, or a prefix of exactly
// one option, as getopt_long accepts.
const OptionDef* FindLong(std::string_view name, bool* ambiguous) {
  const OptionDef* found = nullptr;
  *ambiguous = false;
  for (const OptionDef& o : kOptions) {
    if (o.long_name == name) return &o;
    if (o.long_name.substr(0, name.size()) == name) {
      if (found != nullptr) *ambiguous = true;
      found = &o;
    }
  }
  return *ambiguous ? nullptr : found;
}

bool ParseExtraPoints(std::string_view text, int* value) {
  std::string_view rest = text;
  if (text.empty() || IsSpaceByte(text[0])) return false;
  if (ReadInt(&rest, value) != NumberRead::kOk || !rest.empty()) return false;
  return *value >= kMinExtraPoints && *value <= kMaxExtraPoints;
}

// Sets the option `def` (written `option`) to `value`; the error, or empty.
std::string ApplyOption(const OptionDef& def, const std::string& option,
                        std::string_view value, RunOptions* options) {
  RunOptions& o = *options;
  if (def.long_name == "log") {
    if (value.empty())
      return ("option " + Quoted(option) + " needs a file name");
    o.logs.emplace_back(value);
  } else if (def.long_name == "log-format") {
    o.detect_format = value == "auto";
    if (!o.detect_format && !ParseLogFormat(value, &o.log_format)) {
      return ("unknown log format " + Quoted(value) + " (" + LogFormatNames() +
              " or auto)");
    }
  } else if (def.long_name == "format") {
    if (const ReportFormatRow* row = FindReportFormat(value)) {
      o.format = row->format;
    } else {
      return "unknown format " + Quoted(value) + " (" + FormatNames() + ")";
    }
  } else if (def.long_name == "extra-points") {
    if (!ParseExtraPoints(value, &o.extra_points)) {
      return "extra points must be a whole number from " +
             std::to_string(kMinExtraPoints) + " to " +
             std::to_string(kMaxExtraPoints) + ", not " + Quoted(value);
    }
  } else if (def.long_name == "level") {
    if (IsBlank(value)) return ("a level name must not be blank");
    o.levels.emplace_back(value);
  } else if (def.long_name == "output") {
    if (value.empty())
      return ("option " + Quoted(option) + " needs a file name");
    o.output = value;
  } else if (def.long_name == "directory") {
    if (value.empty())
      return ("option " + Quoted(option) + " needs a directory");
    o.directory = value;
  } else if (def.long_name == "explain") {
    o.explain = true;
    o.explain_file = value;
  } else if (def.long_name == "quiet") {
    o.quiet = true;
  } else if (def.long_name == "force") {
    o.force = true;
  } else if (def.long_name == "config") {
    if (value.empty()) return "option " + Quoted(option) + " needs a file name";
    o.config = value;
  } else if (def.long_name == "strict") {
    o.strict = true;
  } else if (def.long_name == "follow") {
    o.follow = true;
  } else if (def.long_name == "since" || def.long_name == "until") {
    if (!IsSeasonDate(value)) {
      return "option " + Quoted(option) + " needs a date (YYYY-MM-DD), not " +
             Quoted(value);
    }
    (def.long_name == "since" ? o.corrections.since : o.corrections.until) =
        value;
    (def.long_name == "since" ? o.corrections.since_line
                              : o.corrections.until_line) = 0;
  }
  return "";
}

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
          command_.options.logs.emplace_back(arg);
          command_.options.given.emplace_back("log");
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
    const OptionDef* def = FindLong(name, &ambiguous);
    if (def == nullptr) {
      std::vector<std::string_view> names;
      for (const OptionDef& o : kOptions) names.push_back(o.long_name);
      const std::string_view nearest =
          ambiguous ? std::string_view() : NearestWord(name, names);
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
    if (eq != std::string_view::npos && def->long_name == "explain") {
      value = body.substr(eq + 1);
      if (value.empty()) return Fail("option '--explain=' needs a file name");
    } else if (eq != std::string_view::npos) {
      if (!def->takes_value) {
        return Fail("option " + Quoted(option) + " takes no value");
      }
      value = body.substr(eq + 1);
    } else if (def->takes_value && !Next(args, i, &value)) {
      return Fail("option " + Quoted(option) + " needs a value");
    }
    Apply(*def, option, value);
  }

  // A bundle of short options, args[*i]; one that takes a value takes the
  // rest of the bundle, or the next argument.
  void ShortOptions(const std::vector<std::string_view>& args, std::size_t* i) {
    const std::string_view arg = args[*i];
    for (std::size_t k = 1; k < arg.size() && ok(); ++k) {
      const OptionDef* def = FindShort(arg[k]);
      const std::string option = "-" + std::string(1, arg[k]);
      if (def == nullptr) return Fail("unknown option " + Quoted(option));
      std::string_view value;
      if (def->takes_value) {
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
    if (def.long_name == "help" || def.long_name == "version") {
      // The first of them answers; later options are not looked at.
      if (command_.kind == CommandKind::kRun) {
        command_.kind = def.long_name == "help" ? CommandKind::kHelp
                                                : CommandKind::kVersion;
      }
      return;
    }
    command_.options.given.emplace_back(def.long_name);
    if (std::string error = ApplyOption(def, option, value, &command_.options);
        !error.empty()) {
      Fail(std::move(error));
    }
  }

  Command command_;
};

}  // namespace

Command ParseCommandLine(const std::vector<std::string_view>& args) {
  return Parser().Parse(args);
}

bool ApplySettings(const SettingsFile& settings, const std::string& path,
                   RunOptions* options, std::string* error) {
  const auto given = [&](std::string_view name) {
    for (const std::string& g : options->given) {
      if (g == name) return true;
    }
    return false;
  };
  // Every value of the file is checked, also those the command line
  // overrides: a mistake shows at once, not at the next run without it.
  RunOptions from_file;
  for (const SettingsFile::Option& option : settings.options) {
    bool ambiguous = false;
    const OptionDef* def = FindLong(option.name, &ambiguous);
    if (def == nullptr) continue;  // the reader knows only real options
    std::string problem =
        ApplyOption(*def, option.name, option.value, &from_file);
    if (!problem.empty()) {
      *error = path + ":" + std::to_string(option.line) + ":" +
               std::to_string(option.column) + ": " + problem;
      return false;
    }
  }
  RunOptions& o = *options;
  // What the command line did not give comes from the file.
  if (!given("log")) o.logs = from_file.logs;
  if (!given("level")) o.levels = from_file.levels;
  if (!given("log-format")) {
    o.log_format = from_file.log_format;
    o.detect_format = from_file.detect_format;
  }
  if (!given("format")) o.format = from_file.format;
  if (!given("extra-points")) o.extra_points = from_file.extra_points;
  // Where the report goes is one choice: -o or -d on the command line
  // replaces the file's output and directory. --force is a key of its
  // own, as every other.
  if (!given("output") && !given("directory")) {
    o.output = from_file.output;
    o.directory = from_file.directory;
  }
  o.force = o.force || from_file.force;
  o.quiet = o.quiet || from_file.quiet;
  o.strict = o.strict || from_file.strict;
  if (!given("explain") && from_file.explain) {
    o.explain = true;
    o.explain_file = from_file.explain_file;
  }
  const Corrections& c = settings.corrections;
  o.corrections.aliases = c.aliases;
  o.corrections.ignores = c.ignores;
  o.corrections.repairs = c.repairs;
  if (!given("since") && !c.since.empty()) {
    o.corrections.since = c.since;
    o.corrections.since_line = c.since_line;
  }
  if (!given("until") && !c.until.empty()) {
    o.corrections.until = c.until;
    o.corrections.until_line = c.until_line;
  }
  IndexNicks(&o.corrections);
  *error = CheckTogether(o, /*complete=*/true);
  if (!error->empty()) *error = path + ": " + *error;
  return error->empty();
}

bool LoadSettings(const RunOptions& command_line, RunOptions* options,
                  std::string* error) {
  *options = command_line;
  if (command_line.config.empty()) return true;
  SettingsFile settings;
  return ReadSettingsFile(command_line.config, &settings, error) &&
         ApplySettings(settings, command_line.config, options, error);
}

int AnswerCommand(const Command& command, std::ostream& out,
                  std::ostream& err) {
  switch (command.kind) {
    case CommandKind::kHelp:
      out << kUsage << HelpText() << std::flush;
      return 0;
    case CommandKind::kVersion:
      out << kProgramName << " " << ProgramVersion() << "\n" << std::flush;
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
