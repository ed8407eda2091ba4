#include "log/level_names.h"

#include "base/text.h"

namespace vexlane {

std::size_t FindLevExtension(std::string_view line) {
  return FindIgnoringCase(line, ".LEV");
}

std::string_view LevelNameOf(std::string_view line) {
  const std::size_t ext = FindLevExtension(line);
  if (ext == std::string_view::npos) return {};
  const std::string_view head = line.substr(0, ext);
  const std::size_t slash = head.rfind('/');
  const std::size_t blank = head.rfind(' ');
  std::size_t start = 0;
  if (slash != std::string_view::npos) start = slash + 1;
  if (blank != std::string_view::npos && blank + 1 > start) start = blank + 1;
  return head.substr(start);
}

}  // namespace vexlane
