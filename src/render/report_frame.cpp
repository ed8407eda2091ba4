#include "render/report_frame.h"

#include "render/battle_index.h"
#include "render/overall_sections.h"

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

std::string ReportHead(ReportFormat format,
                       const std::vector<BattleSummary>& battles,
                       std::string_view date, std::string_view clock) {
  const bool html = IsHtml(format);
  std::string head;
  if (html) head += kHtmlPreamble;
  head += "Battle statistics on ";
  head += date;
  head += " at ";
  head += clock;
  head += "\n";
  if (html) head += kHtmlSpacer;
  head += BattleIndexSection(battles, format);
  return head;
}

ReportTail BuildReportTail(ReportFormat format, const Standings& standings) {
  ReportTail tail;
  tail.text.reserve(10000);
  if (format == ReportFormat::kStatsText) {
    AppendTotalTimes(
        standings.scores,
        PenalisedTotals(standings.scores, standings.battles.size()),
        WinnersTotal(standings.battles), &tail.text);
  } else {
    const PlayerOrder points_order = PointsOrder(standings.scores);
    AppendOverallScores(standings.scores, points_order, format, &tail.text);
    AppendBattlesBy(standings.scores,
                    BattlesStartedOrder(standings.scores, points_order), format,
                    &tail.text);
    tail.console_copy = tail.text.size();
    if (IsHtml(format)) tail.text += "<tr><td><p><br><br><br>";
  }
  AppendFooter(format, &tail.text);
  if (IsHtml(format)) tail.text += kHtmlClosing;
  return tail;
}

}  // namespace vexlane
