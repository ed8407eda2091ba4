#include "app/option_table.h"

#include <algorithm>

#include "base/text.h"
#include "base/utf8.h"
#include "render/report_format.h"
#include "scoring/battle_scoring.h"

namespace vexlane {

namespace {

using V = OptionValue;
using W = OptionWords;

constexpr OptionDef kOptions[] = {
    {'i', "log", V::kTexts, "FILE", true, "", W::kFile,
     "the channel log; repeat it for logs read one after the other as one; "
     "a .gz log is decompressed; - reads standard input",
     "(default #battle.log)"},
    {0, "log-format", V::kText, "NAME", true, "", W::kLogFormats,
     "{log-formats}, or auto to tell from the first lines",
     "(default classic)"},
    {'f', "format", V::kText, "FORMAT", true, "", W::kFormats, "{formats}",
     "(default text)"},
    {'p', "extra-points", V::kNumber, "N", true, "", W::kNothing,
     "extra points for each winner, {points}", "(default 1)"},
    {'l', "level", V::kTexts, "NAME", true, "", W::kNothing,
     "level by level: the levels in order, repeat for more; the times are "
     "taken as found (default: every battle, automatically)",
     ""},
    {'o', "output", V::kText, "FILE", true, "where", W::kFile,
     "the report file, never replacing one; - writes to standard output; "
     "with -f site, the site's directory (default: the first free "
     "{reports} in the directory)",
     ""},
    {0, "force", V::kSwitch, "", true, "", W::kNothing,
     "with -o, replace an existing file atomically (or a site this program "
     "made)",
     ""},
    {'d', "directory", V::kText, "DIR", true, "where", W::kDirectory,
     "where BattleNN is chosen (default: the working directory)", ""},
    {'q', "quiet", V::kSwitch, "", true, "", W::kNothing,
     "print nothing unless something fails, or nothing is found", ""},
    {0, "explain", V::kSwitchOrFile, "FILE", true, "", W::kFile,
     "tell, line by line, how each battle was read: its start and who was "
     "credited, each time taken or not and why, what ended it (on standard "
     "error, or to FILE)",
     ""},
    {'c', "config", V::kText, "FILE", false, "", W::kFile,
     "settings: options by their long names, nick aliases, ignored nicks, "
     "repairs of battles (a TOML file; the command line wins)",
     ""},
    {0, "since", V::kDate, "DATE", true, "", W::kNothing,
     "only battles dated DATE (YYYY-MM-DD) or later", ""},
    {0, "until", V::kDate, "DATE", true, "", W::kNothing,
     "only battles dated DATE or earlier", ""},
    {0, "title", V::kText, "TEXT", true, "", W::kNothing,
     "the title of the site and of the web page (-f site, -f web)",
     "(default #battle statistics)"},
    {0, "home", V::kText, "URL", true, "", W::kNothing,
     "the channel's home page (http:// or https://), linked from the footer "
     "of every page of the site and of the web page (default: no link)",
     ""},
    {0, "static", V::kText, "DIR", true, "", W::kDirectory,
     "with -f site, a folder whose files are copied to the site's top; a "
     "custom.css among them is linked from every page after the site's own "
     "style",
     ""},
    {0, "strict", V::kSwitch, "", true, "", W::kNothing,
     "a repair of the settings that matches no battle (or two), or a drop "
     "of a nick without a time, is an error, not a warning",
     ""},
    {0, "follow", V::kSwitch, "", false, "", W::kNothing,
     "keep reading the (last) log as the client writes it and republish "
     "the report of -o each time a battle ends; SIGTERM or SIGINT ends it "
     "as a run ends, SIGHUP reads the settings again",
     ""},
    {0, "bash-completion", V::kAnswer, "", false, "", W::kNothing,
     "print a bash completion script for this program and exit", ""},
    {'h', "help", V::kAnswer, "", false, "", W::kNothing,
     "show this text and exit", ""},
    {'V', "version", V::kAnswer, "", false, "", W::kNothing,
     "show the version and exit", ""},
};

// "a, b or c".
std::string JoinedWithOr(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
    text += items[i];
  }
  return text;
}

std::vector<std::string> ReportFormatNames() {
  std::vector<std::string> names;
  for (const ReportFormatRow& row : ReportFormats()) {
    names.emplace_back(row.name);
  }
  return names;
}

bool ParseExtraPoints(std::string_view text, int* value) {
  std::string_view rest = text;
  if (text.empty() || IsSpaceByte(text[0])) return false;
  if (ReadInt(&rest, value) != NumberRead::kOk || !rest.empty()) return false;
  return *value >= kMinExtraPoints && *value <= kMaxExtraPoints;
}

// The longest title or home page address: as a settings file's text.
constexpr std::size_t kMostLookText = 4096;

// Why `text`, the user's text shown on the pages, cannot be: not UTF-8,
// or holding a control character (C0, DEL or C1), which no page can
// show. Empty when it can be.
std::string UnshowableText(std::string_view written, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = byte < 0x80 ? 1 : Utf8SequenceAt(text, i);
    if (length == 0) {
      return Quoted(written) + " must be UTF-8 text (byte " +
             std::to_string(i + 1) + " is not)";
    }
    const bool c1 = length == 2 && byte == 0xC2 &&
                    static_cast<unsigned char>(text[i + 1]) < 0xA0;
    // U+2028 and U+2029 end a line as a newline does.
    const bool separator = length == 3 && text.substr(i, 2) == "\xE2\x80" &&
                           (text[i + 2] == '\xA8' || text[i + 2] == '\xA9');
    if (byte < 0x20 || byte == 0x7F || c1 || separator) {
      return Quoted(written) +
             " must not hold a control character: it is one line of "
             "printable text";
    }
    i += length;
  }
  return "";
}

// Why `url` cannot be the channel's home page, or empty.
std::string BadHome(std::string_view written, std::string_view url) {
  if (std::string why = UnshowableText(written, url); !why.empty()) return why;
  if (url.size() > kMostLookText) {
    return Quoted(written) + " is over " + std::to_string(kMostLookText) +
           " characters";
  }
  std::string_view rest = url;
  std::string upper;
  UpperInto(url.substr(0, 8), &upper);
  for (const std::string_view scheme : {"HTTP://", "HTTPS://"}) {
    if (std::string_view(upper).starts_with(scheme)) {
      rest.remove_prefix(scheme.size());
      break;
    }
  }
  // The address must name a host after its scheme, and nothing a browser
  // would read as another host: no "\\" and no "user@" before it.
  const std::string_view authority = rest.substr(0, rest.find('/'));
  if (rest.size() == url.size() || rest.empty() || rest[0] == '/' ||
      url.find(' ') != std::string_view::npos ||
      url.find('\\') != std::string_view::npos ||
      authority.find('@') != std::string_view::npos) {
    return Quoted(written) +
           " needs a web address starting with http:// or https://, not " +
           Quoted(url);
  }
  return "";
}

// The options that set the look of the site and the web page.
std::string ApplyLook(std::string_view name, std::string_view written,
                      std::string_view value, RunOptions* options) {
  if (name == "title") {
    if (IsBlank(value)) return Quoted(written) + " must not be blank";
    if (value.size() > kMostLookText) {
      return Quoted(written) + " is over " + std::to_string(kMostLookText) +
             " characters";
    }
    if (std::string why = UnshowableText(written, value); !why.empty()) {
      return why;
    }
    options->title = value;
  } else if (name == "home") {
    if (std::string why = BadHome(written, value); !why.empty()) return why;
    options->home = value;
  } else {
    if (value.empty()) {
      return "option " + Quoted(written) + " needs a directory";
    }
    options->static_dir = value;
  }
  return "";
}

// The options that take a text or a date.
std::string ApplyText(std::string_view name, std::string_view written,
                      std::string_view value, std::size_t line,
                      RunOptions* options) {
  RunOptions& o = *options;
  const auto needs = [&](std::string_view what) {
    return "option " + Quoted(written) + " needs " + std::string(what);
  };
  // A settings file's text may hold an escaped NUL, which no path can.
  if (value.find('\0') != std::string_view::npos) {
    return Quoted(written) + " must not hold a NUL character (\\u0000)";
  }
  if (name == "log" || name == "output" || name == "config") {
    if (value.empty()) return needs("a file name");
    if (name == "config" && !o.config.empty()) {
      return "option " + Quoted(written) +
             " may be given once: a run reads one settings file";
    }
    if (name == "log") {
      o.logs.emplace_back(value);
    } else {
      (name == "output" ? o.output : o.config) = value;
    }
  } else if (name == "directory") {
    if (value.empty()) return needs("a directory");
    o.directory = value;
  } else if (name == "level") {
    if (IsBlank(value)) return "a level name must not be blank";
    o.levels.emplace_back(value);
  } else if (name == "title" || name == "home" || name == "static") {
    return ApplyLook(name, written, value, options);
  } else if (name == "since" || name == "until") {
    if (!IsSeasonDate(value)) {
      return needs("a date (YYYY-MM-DD), not " + Quoted(value));
    }
    Corrections& c = o.corrections;
    (name == "since" ? c.since : c.until) = value;
    (name == "since" ? c.since_line : c.until_line) = line;
  }
  return "";
}

}  // namespace

std::span<const OptionDef> OptionTable() { return kOptions; }

const OptionDef* FindShortOption(char name) {
  for (const OptionDef& o : kOptions) {
    if (o.short_name != 0 && o.short_name == name) return &o;
  }
  return nullptr;
}

const OptionDef* FindLongOption(std::string_view name, bool* ambiguous) {
  const OptionDef* found = nullptr;
  *ambiguous = false;
  for (const OptionDef& o : kOptions) {
    if (o.long_name == name) return &o;
    if (!name.empty() && o.long_name.substr(0, name.size()) == name) {
      if (found != nullptr) *ambiguous = true;
      found = &o;
    }
  }
  return *ambiguous ? nullptr : found;
}

const OptionDef* FindSettingsKey(std::string_view key) {
  for (const OptionDef& o : kOptions) {
    if (o.in_settings && o.long_name == key) return &o;
  }
  return nullptr;
}

bool TakesValue(const OptionDef& def) {
  return def.value != OptionValue::kSwitch &&
         def.value != OptionValue::kAnswer &&
         def.value != OptionValue::kSwitchOrFile;
}

std::vector<std::string_view> LongOptionNames() {
  std::vector<std::string_view> names;
  for (const OptionDef& o : kOptions) names.push_back(o.long_name);
  return names;
}

std::string ApplyOption(const OptionDef& def, std::string_view written,
                        std::string_view value, std::size_t line,
                        RunOptions* options) {
  RunOptions& o = *options;
  const std::string_view name = def.long_name;
  if (name == "log-format") {
    o.detect_format = value == "auto";
    if (!o.detect_format && !ParseLogFormat(value, &o.log_format)) {
      return "unknown log format " + Quoted(value) + " (" + LogFormatNames() +
             " or auto)";
    }
  } else if (name == "format") {
    const ReportFormatRow* row = FindReportFormat(value);
    if (row == nullptr) {
      return "unknown format " + Quoted(value) + " (" +
             JoinedWithOr(ReportFormatNames()) + ")";
    }
    o.format = row->format;
  } else if (name == "extra-points") {
    if (!ParseExtraPoints(value, &o.extra_points)) {
      return "extra points must be a whole number from " +
             std::to_string(kMinExtraPoints) + " to " +
             std::to_string(kMaxExtraPoints) + ", not " + Quoted(value);
    }
  } else if (name == "explain") {
    if (value.find('\0') != std::string_view::npos) {
      return Quoted(written) + " must not hold a NUL character (\\u0000)";
    }
    o.explain = true;
    o.explain_file = value;
  } else if (def.value == OptionValue::kSwitch) {
    (name == "quiet"    ? o.quiet
     : name == "force"  ? o.force
     : name == "strict" ? o.strict
                        : o.follow) = true;
  } else {
    return ApplyText(name, written, value, line, options);
  }
  return "";
}

namespace {

constexpr std::size_t kHelpColumn = 26;  // where an option's words start
constexpr std::size_t kHelpWidth = 72;   // no line of them runs past it
constexpr std::size_t kDefaultEnd = 70;  // where "(default ...)" ends

// An option's help: `text` wrapped word by word beside `option`, and
// `default_text`, when given, right-aligned on the last line or below it.
void AppendOptionHelp(std::string_view option, std::string_view text,
                      std::string_view default_text, std::string* out) {
  std::string line = "  " + std::string(option);
  line.resize(std::max(kHelpColumn, line.size() + 1), ' ');
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

// "-i, --log FILE", "    --explain[=FILE]".
std::string OptionLabel(const OptionDef& def) {
  std::string label = def.short_name != 0
                          ? std::string{'-', def.short_name, ',', ' '}
                          : std::string(4, ' ');
  label += "--" + std::string(def.long_name);
  if (def.value == OptionValue::kSwitchOrFile) {
    label += "[=" + std::string(def.value_name) + "]";
  } else if (!def.value_name.empty()) {
    label += " " + std::string(def.value_name);
  }
  return label;
}

// The lists an option's help may name.
std::string ListNamed(std::string_view name) {
  if (name == "log-formats") return LogFormatNames();
  if (name == "points") {
    return std::to_string(kMinExtraPoints) + " to " +
           std::to_string(kMaxExtraPoints);
  }
  std::vector<std::string> items;
  for (const ReportFormatRow& row : ReportFormats()) {
    if (name == "formats") {
      items.emplace_back(row.name);
      if (!row.about.empty())
        items.back() += " (" + std::string(row.about) + ")";
    } else if (!row.extension.empty() &&
               std::find(items.begin(), items.end(), row.extension) ==
                   items.end()) {
      items.emplace_back(row.extension);
    }
  }
  if (name == "reports" && !items.empty()) items.front().insert(0, "BattleNN");
  return JoinedWithOr(items);
}

// `text` with each {name} replaced by its list.
std::string Expanded(std::string_view text) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t open; (open = text.find('{', from)) != text.npos;) {
    const std::size_t close = text.find('}', open);
    out += text.substr(from, open - from);
    out += ListNamed(text.substr(open + 1, close - open - 1));
    from = close + 1;
  }
  out += text.substr(from);
  return out;
}

// The names of the option as the shell's case pattern: "-i | --log".
std::string CasePattern(const OptionDef& def) {
  std::string names;
  if (def.short_name != 0) names = std::string{'-', def.short_name} + " | ";
  return names + "--" + std::string(def.long_name);
}

// The words offered for a value of `words`, space-separated.
std::string CompletionWords(OptionWords words) {
  std::string list;
  if (words == OptionWords::kFormats) {
    for (const std::string& name : ReportFormatNames()) list += name + " ";
  } else {
    list = "auto " + LogFormatNames() + " ";
    list.erase(std::remove(list.begin(), list.end(), ','), list.end());
  }
  list.pop_back();
  return list;
}

}  // namespace

std::string OptionsHelp() {
  std::string text;
  for (const OptionDef& def : kOptions) {
    AppendOptionHelp(OptionLabel(def), Expanded(def.help), def.default_text,
                     &text);
  }
  return text;
}

std::string BashCompletion() {
  std::string files;
  std::string quiet;
  std::string all;
  std::string cases;
  std::string optional;
  for (const OptionDef& def : kOptions) {
    all += (all.empty() ? "" : " ") + CasePattern(def);
    if (def.value == OptionValue::kSwitchOrFile) {
      optional += (optional.empty() ? "" : " | ") + CasePattern(def);
    }
    if (!TakesValue(def)) continue;
    std::string& group = def.words == OptionWords::kFile      ? files
                         : def.words == OptionWords::kNothing ? quiet
                                                              : cases;
    if (&group == &cases) {
      const std::string offer =
          def.words == OptionWords::kDirectory
              ? "local IFS=$'\\n'\n      COMPREPLY=($(compgen -d -- \"$cur\"))"
              : "COMPREPLY=($(compgen -W '" + CompletionWords(def.words) +
                    "' -- \"$cur\"))";
      cases += "    " + CasePattern(def) + ")\n      " + offer +
               "\n      return\n      ;;\n";
    } else {
      group += (group.empty() ? "" : " | ") + CasePattern(def);
    }
  }
  all.erase(std::remove(all.begin(), all.end(), '|'), all.end());
  for (std::size_t at; (at = all.find("  ")) != all.npos;) all.erase(at, 1);
  return "# bash completion for vexlane-stats (vexlane-stats "
         "--bash-completion)\n"
         "_vexlane_stats() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - "
         "1]} eq=\n"
         "  # bash makes the '=' of --format=html a word of its own.\n"
         "  if [[ $cur == = ]]; then\n"
         "    cur= eq=1\n"
         "  elif [[ $prev == = ]]; then\n"
         "    prev=${COMP_WORDS[COMP_CWORD - 2]} eq=1\n"
         "  elif [[ $prev == -[!-]?* ]]; then\n"
         "    prev=-${prev: -1}  # the last of bundled short options\n"
         "  fi\n"
         "  if [[ $eq ]]; then\n"
         "    case $prev in\n"
         "      " +
         optional +
         ")\n"
         "        local IFS=$'\\n'\n"
         "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "        return\n"
         "        ;;\n"
         "    esac\n"
         "  fi\n"
         "  case $prev in\n    " +
         files +
         ")\n      local IFS=$'\\n'\n"
         "      COMPREPLY=($(compgen -f -- \"$cur\"))\n      return\n"
         "      ;;\n" +
         cases + "    " + quiet +
         ")\n      return\n      ;;\n"
         "  esac\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W '" +
         all +
         "' -- \"$cur\"))\n"
         "  else\n"
         "    local IFS=$'\\n'\n"
         "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "  fi\n"
         "}\n"
         "complete -o filenames -F _vexlane_stats vexlane-stats\n";
}

}  // namespace vexlane
