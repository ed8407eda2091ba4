// A modern, self-contained web page of the report: HTML5 with embedded CSS
// (light and dark), semantic tables, inline SVG charts of the season and a
// small optional script that sorts tables. Nothing is loaded from
// elsewhere, and it reads fully with JavaScript off.
#pragma once

#include <string>

#include "render/export_model.h"

namespace vexlane {

std::string RenderWebPage(const ExportModel& model);

// The anchor of a battle: "event-3-pipe12", made of ASCII letters, digits
// and dashes only, unique by its event number.
std::string BattleAnchor(const ScoredBattle& battle);

// The season's charts, shared with the site: the points of the best
// players over the season, and the battles of each month with dates.
void AppendSeasonChart(const ExportModel& model, const PlayerOrder& best,
                       std::string* out);
void AppendMonths(const ExportModel& model, std::string* out);

}  // namespace vexlane
