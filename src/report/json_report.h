// The report as one JSON document (schema "vexlane-stats/1", described by
// docs/report.schema.json), for other programs.
#pragma once

#include <string>

#include "report/export_model.h"

namespace vexlane {

// Valid UTF-8 whatever bytes the log held.
std::string RenderJson(const ExportModel& model);

}  // namespace vexlane
