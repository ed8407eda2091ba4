// The mark of a site this program made: a file at the site's top that says
// so, names the site, lists every page and says what each page whose
// renderer could tell was made from. A directory without it is never
// replaced, and only what it lists as pages is ever removed.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/platform.h"
#include "publish/file_system.h"

namespace vexlane {

inline constexpr std::string_view kSiteMarker = ".vexlane-site";

// What a page was made from (its renderer's digest of it) and the stamp of
// its file once written: while the file keeps that stamp, it holds the
// page made from that digest.
struct PageOrigin {
  std::string digest;
  FileStamp stamp;
};

struct Mark {
  bool ours = false;     // the head is there
  bool finished = true;  // it lists the pages
  std::string site;      // the site's directory name, where it says
  std::set<std::string, std::less<>> pages;   // copies included
  std::set<std::string, std::less<>> copies;  // the user's files copied in
  std::map<std::string, PageOrigin, std::less<>> origins;  // by page
};

// `dir`/`relative`; either may be empty (the site's top).
std::string JoinedPath(const std::string& dir, const std::string& relative);

// Whether `path` is a name this program gives a page: "NAME.html" at the
// top or in players/, levels/ or battles/, NAME of lower-case ASCII
// letters, digits, '-' and '.' (never "." or ".." alone: the ".html" is
// part of it). A line of a mark that is none (edited by hand) names no
// page, and what has that name is never removed.
bool IsPageName(std::string_view path);

// Whether `name` is one a file of the user's copied into the site's top
// may have: ASCII letters, digits, '-', '_' and '.', not starting with '.'
// (so never the mark, nor a hidden file of somebody else's). The mark
// lists such a file on a line of its own kind, "copy NAME", so that a
// plain line naming one (edited by hand) still names nothing.
bool IsCopyName(std::string_view name);

// The mark of the site `dir`; not `ours` where there is none.
Mark ReadMark(FileSystem& fs, const std::string& dir);

// The mark of a site `dir` still being built.
std::string UnfinishedMark(const std::string& dir);

// The mark of the site `dir` holding `pages` (sorted), made from `origins`;
// those of `copies` are the user's files copied in.
std::string FinishedMark(const std::string& dir,
                         const std::vector<std::string>& pages,
                         const std::map<std::string, PageOrigin>& origins,
                         const std::set<std::string>& copies = {});

}  // namespace vexlane
