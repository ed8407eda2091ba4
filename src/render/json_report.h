// The report as one JSON document (schema "vexlane-stats/1", described by
// docs/report.schema.json), for other programs.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "render/export_model.h"

namespace vexlane {

// Valid UTF-8 whatever bytes the log held.
std::string RenderJson(const ExportModel& model);

// The same document in the pieces the report builder streams: the head up
// to the battles, each battle as it is scored, and the rest.
std::string RenderJsonHead(const ExportModel& model);
void AppendJsonBattle(const ScoredBattle& battle, std::span<const double> after,
                      std::span<const std::uint8_t> marks, bool first,
                      std::string* out);
std::string RenderJsonTail(const ExportModel& model);

}  // namespace vexlane
