#include "render/html.h"

namespace vexlane {

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string HtmlTableHead(std::initializer_list<HtmlColumn> columns) {
  std::string head =
      "<tr><td><font face=\"courier new\"><table cellspacing=\"0\" "
      "cellpadding=\"1\" border=\"3\" rules=\"none\" bgcolor=\"#ffffff\" "
      "align=\"left\"><tr>";
  for (const HtmlColumn& c : columns) {
    head += "<th align=\"";
    head += c.align;
    head += "\" width=\"";
    head += std::to_string(c.width);
    head += "\">";
    head += c.title;
    head += "</th>";
  }
  head += "</tr>";
  return head;
}

}  // namespace vexlane
