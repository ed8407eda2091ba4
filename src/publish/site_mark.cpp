#include "publish/site_mark.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <utility>

#include "base/text.h"

namespace vexlane {

namespace {

// The mark: this head, the line "site NAME" (the site's directory name),
// then every page of the site, a line each, then an "origin" line for
// each page whose renderer said what it was made from. A site still being
// built says so instead of listing its pages. (Marks of earlier versions
// have no "site" or "origin" lines.)
constexpr std::string_view kMarkHead = "A site made by vexlane-stats.\n";
constexpr std::string_view kSiteLine = "site ";
constexpr std::string_view kUnfinished = "(unfinished)";
// "origin PATH DIGEST INODE SIZE MODIFIED CHANGED".
constexpr std::string_view kOriginLine = "origin ";
// "copy NAME": a file of the user's copied into the site's top.
constexpr std::string_view kCopyLine = "copy ";
constexpr std::size_t kMarkLimit = std::size_t{256} << 20;

bool ParseDecimal(std::string_view text, std::uint64_t* value) {
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() &&
         !text.empty();
}

// Reads an "origin" line's fields into the mark; one that is not whole
// (edited by hand) says nothing.
void AddOrigin(std::string_view line, Mark* mark) {
  std::string_view fields[6];
  for (std::string_view& field : fields) {
    const std::size_t space = line.find(' ');
    field = line.substr(0, space);
    line = space == std::string_view::npos ? "" : line.substr(space + 1);
  }
  PageOrigin origin;
  origin.digest = fields[1];
  std::uint64_t* numbers[] = {&origin.stamp.inode, &origin.stamp.size,
                              &origin.stamp.modified, &origin.stamp.changed};
  for (int i = 0; i < 4; ++i) {
    if (!ParseDecimal(fields[2 + i], numbers[i])) return;
  }
  if (!IsPageName(fields[0]) || origin.digest.empty() || !line.empty()) return;
  origin.stamp.known = true;
  mark->origins.emplace(fields[0], std::move(origin));
}

// The mark's head and "site" line for the site `dir`.
std::string MarkHead(const std::string& dir) {
  std::string head(kMarkHead);
  head += kSiteLine;
  head += std::filesystem::path(dir).filename().string();
  head += '\n';
  return head;
}

}  // namespace

std::string JoinedPath(const std::string& dir, const std::string& relative) {
  if (dir.empty()) return relative;
  return relative.empty() ? dir : dir + "/" + relative;
}

bool IsPageName(std::string_view path) {
  if (!path.ends_with(".html")) return false;
  const std::size_t slash = path.find('/');
  if (slash != std::string_view::npos) {
    const std::string_view folder = path.substr(0, slash);
    if (folder != "players" && folder != "levels" && folder != "battles") {
      return false;
    }
    path.remove_prefix(slash + 1);
  }
  return path.size() > 5 && std::all_of(path.begin(), path.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '.';
         });
}

bool IsCopyName(std::string_view name) {
  return !name.empty() && name[0] != '.' &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
         });
}

Mark ReadMark(FileSystem& fs, const std::string& dir) {
  Mark mark;
  std::string text;
  if (fs.Read(JoinedPath(dir, std::string(kSiteMarker)), kMarkLimit, &text) !=
          0 ||
      !text.starts_with(kMarkHead)) {
    return mark;
  }
  mark.ours = true;
  std::string_view list = std::string_view(text).substr(kMarkHead.size());
  while (!list.empty()) {
    const std::size_t end = list.find('\n');
    const std::string_view line = list.substr(0, end);
    list = end == std::string_view::npos ? "" : list.substr(end + 1);
    if (line.starts_with(kSiteLine)) {
      mark.site = line.substr(kSiteLine.size());
    } else if (line.starts_with(kOriginLine)) {
      AddOrigin(line.substr(kOriginLine.size()), &mark);
    } else if (line.starts_with(kCopyLine)) {
      const std::string_view name = line.substr(kCopyLine.size());
      if (IsCopyName(name)) {
        mark.pages.emplace(name);
        mark.copies.emplace(name);
      }
    } else if (line == kUnfinished) {
      mark.finished = false;
    } else if (IsPageName(line)) {
      mark.pages.emplace(line);
    }
  }
  return mark;
}

std::string UnfinishedMark(const std::string& dir) {
  std::string mark = MarkHead(dir);
  mark += kUnfinished;
  mark += '\n';
  return mark;
}

std::string FinishedMark(const std::string& dir,
                         const std::vector<std::string>& pages,
                         const std::map<std::string, PageOrigin>& origins,
                         const std::set<std::string>& copies) {
  std::string mark = MarkHead(dir);
  for (const std::string& path : pages) {
    if (copies.count(path) != 0) mark += kCopyLine;
    mark += path;
    mark += '\n';
  }
  for (const auto& [path, origin] : origins) {
    if (origin.digest.empty() || !origin.stamp.known) continue;
    mark += kOriginLine;
    mark += path + " " + origin.digest + " " +
            UnsignedText(origin.stamp.inode) + " " +
            UnsignedText(origin.stamp.size) + " " +
            UnsignedText(origin.stamp.modified) + " " +
            UnsignedText(origin.stamp.changed) + "\n";
  }
  return mark;
}

}  // namespace vexlane
