#include "driver/report_frame.h"

#include <ostream>

#include "parse/report_date.h"
#include "report/output_file.h"
#include "report/overall_sections.h"
#include "results/battle_index.h"

namespace vexlane {

namespace {

constexpr std::string_view kHtmlPreamble =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 "
    "Transitional//EN\">\n\n<html>\n<head>\n"
    "\t<title>Battle statistics</title>\n</head>\n"
    "<body bgcolor=\"#f0f0f0\">\n<font face=\"arial\">\n"
    "<table align=\"top\" valign=\"center\" "
    "width=\"100%\">\n"
    "<tr><td><h1 align=\"left\">\n";
constexpr std::string_view kHtmlSpacer =
    "</h1></td></tr><tr><td><br><br><br></td></tr>";
constexpr std::string_view kHtmlClosing = "</font>\n</body>\n</html>\n";

}  // namespace

std::string ReportHead(const RunSettings& settings, const RunCollections& run,
                       std::string_view date, std::string_view clock) {
  std::string head;
  if (settings.html_report) head += kHtmlPreamble;
  head += "Battle statistics on ";
  head += date;
  head += " at ";
  head += clock;
  head += "\n";
  if (settings.html_report) head += kHtmlSpacer;
  head += BattleIndexSection(run.summaries, settings.html_report);
  return head;
}

std::string ReportTail(const RunSettings& settings, RunCollections* run,
                       std::ostream& console) {
  std::string tail = OverallSections(&run->scores, !settings.automatic_mode,
                                     settings.html_report, settings.stats_kind,
                                     run->summaries, console);
  if (settings.html_report) tail += kHtmlClosing;
  return tail;
}

bool WriteReport(const RunSettings& settings, RunCollections* run,
                 Console& console, const std::string& directory) {
  console.out << "Writing to file..."
              << "\n";
  const std::string when = ReportCtimeText();
  const std::string head =
      ReportHead(settings, *run, DateFromCtime(when), ClockFromCtime(when));
  const std::string tail = ReportTail(settings, run, console.out);
  return WriteReportFile(head, run->results, tail, settings.html_report,
                         console, directory);
}

}  // namespace vexlane
