#include "app/command_line.h"

#include <ostream>

#include "base/version.h"

namespace vexlane {

namespace {

constexpr std::string_view kHelp =
    "Usage: vexlane-stats [--help | --version]\n"
    "\n"
    "Makes battle statistics from the saved log of the IRC channel #battle:\n"
    "every battle (a link to a .lev file, the times posted, \"stop\" or "
    "\"end\"),\n"
    "ranked and scored, with total times, overall scores and who started\n"
    "the battles.\n"
    "\n"
    "The program asks on standard input, one line per answer (Enter takes the\n"
    "default):\n"
    "  extra points for the winner of each battle   (default 1, 0 to 1000)\n"
    "  the log file                                 (default #battle.log)\n"
    "  text report (1) or HTML report (2)           (default 1)\n"
    "  for text: combo battle file (1) or stats.txt kind (2)   (default 1)\n"
    "  the first level name, or Enter to find every battle automatically;\n"
    "  with a level name it shows each battle's times for review and asks\n"
    "  for the next level until an empty answer.\n"
    "At the end it waits for a key (for one line when its input is not a\n"
    "terminal). Answers can be piped in, for example:\n"
    "  printf '2\\nchannel.log\\n2\\n\\n\\n' | vexlane-stats\n"
    "\n"
    "The report goes to the first free Battle01.txt ... Battle99.txt (or\n"
    ".html) in the working directory; an existing file is never replaced.\n"
    "\n"
    "Environment:\n"
    "  SOURCE_DATE_EPOCH  seconds since 1970 to show in the report's title\n"
    "                     line instead of the current date and time\n"
    "\n"
    "Exit status: 0 when the run ended normally (also when no battle was\n"
    "found or the report could not be written, which it says), 1 when the\n"
    "log file cannot be read, 2 for a wrong command line.\n"
    "\n"
    "Options:\n"
    "  --help     show this text and exit\n"
    "  --version  show the version and exit\n";

}  // namespace

std::optional<int> HandleCommandLine(const std::vector<std::string_view>& args,
                                     std::ostream& out, std::ostream& err) {
  if (args.empty()) return std::nullopt;
  if (args.size() == 1 && args[0] == "--help") {
    out << kHelp << std::flush;
    return 0;
  }
  if (args.size() == 1 && args[0] == "--version") {
    out << "vexlane-stats " << ProgramVersion() << "\n" << std::flush;
    return 0;
  }
  const std::string_view bad =
      args[0] == "--help" || args[0] == "--version" ? args[1] : args[0];
  err << "vexlane-stats: unknown option '" << bad << "'\n"
      << "Try 'vexlane-stats --help'.\n"
      << std::flush;
  return 2;
}

}  // namespace vexlane
