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

std::string_view LevelLinkOf(std::string_view line) {
  const std::size_t ext = FindLevExtension(line);
  if (ext == std::string_view::npos) return {};
  std::size_t start = ext;
  while (start > 0 && !IsSpaceByte(line[start - 1])) --start;
  std::size_t end = ext + 4;
  while (end < line.size() && !IsSpaceByte(line[end])) ++end;
  return line.substr(start, end - start);
}

}  // namespace vexlane
