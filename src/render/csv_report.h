// The battles as CSV for spreadsheets: one row per player per battle,
// RFC 4180 quoting, UTF-8, and no cell that a spreadsheet would read as a
// formula.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "render/export_model.h"

namespace vexlane {

std::string RenderCsv(const ExportModel& model);

// The same text in the pieces the report builder streams.
std::string RenderCsvHead(const ExportModel& model);
void AppendCsvBattle(const ScoredBattle& battle, std::span<const double> after,
                     std::span<const std::uint8_t> marks, bool first,
                     std::string* out);
std::string RenderCsvTail(const ExportModel& model);

// One field as written: quoted when it holds a comma, a quote or a line
// end, and prefixed with ' when it would start a formula.
void AppendCsvField(std::string_view text, std::string* out);

}  // namespace vexlane
