// HTML pieces shared by the HTML renderers: escaping of log text and the
// head of the classic report's bordered tables.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace vexlane {

// Escapes & < > " ' for HTML text and attribute values.
std::string HtmlEscape(std::string_view text);

struct HtmlColumn {
  std::string_view align;  // "left", or the classic report's "rigth"
  int width;
  std::string_view title;
};

// The opening of a classic bordered table (in a cell of the page's layout
// table) with one head row of `columns`.
std::string HtmlTableHead(std::initializer_list<HtmlColumn> columns);

}  // namespace vexlane
