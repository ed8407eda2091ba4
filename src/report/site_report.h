// The static site (-f site): a directory of plain HTML5 pages that a
// channel opens every day. The index puts the standings first; every
// battle, level and player has a page reachable from it. The pages are
// made as -f web's page is: self-contained, light and dark, readable with
// JavaScript off, every log text escaped, laid out for a phone.
#pragma once

#include <string>
#include <vector>

#include "report/export_model.h"

namespace vexlane {

struct SitePage {
  std::string path;  // inside the site, '/'-separated: "players/ann.html"
  std::string text;
};

// Every page of the site, the index first.
std::vector<SitePage> RenderSite(const ExportModel& model);

// A name made safe to be a file name: lower-case ASCII letters, digits and
// '-', at most 40 characters, never empty (`fallback` then) and never "."
// or "..".
std::string FileSlug(std::string_view name, std::string_view fallback);

// The file of the site that only a site made by this program holds: a
// directory without it is never replaced.
inline constexpr std::string_view kSiteMarker = ".vexlane-site";

}  // namespace vexlane
