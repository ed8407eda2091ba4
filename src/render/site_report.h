// The static site (-f site): a directory of plain HTML5 pages that a
// channel opens every day. The index puts the standings first; every
// battle, level and player has a page reachable from it. The pages are
// made as -f web's page is: self-contained, light and dark, readable with
// JavaScript off, every log text escaped, laid out for a phone.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/page_sink.h"
#include "render/export_model.h"

namespace vexlane {

struct SitePage {
  std::string path;  // inside the site, '/'-separated: "players/ann.html"
  std::string text;
};

// The battle pages' contents, filled battle by battle as the scan finds
// them, so that most of the site is rendered while the log is read. A page
// holds the battles of one month (or those without a date), at most 200,
// and is closed at about a megabyte.
class BattleSections {
 public:
  // Renders the results of `battle`, the next of the season; `marks`
  // holds its entries' EntryMark bits.
  void Add(const ScoredBattle& battle, std::span<const std::uint8_t> marks);

  struct Page {
    std::string key;                 // "2024-11", or "undated"
    std::size_t first = 0, end = 0;  // the battles, by position
    std::string body;
  };
  const std::vector<Page>& pages() const { return pages_; }

  // Each battle's own page, in the battles' folder ("event-4.html"), and
  // where its results table is in its list page's body.
  struct Battle {
    std::string file;
    std::size_t page = 0;  // in pages()
    std::size_t results = 0, end = 0;
  };
  const std::vector<Battle>& battles() const { return battles_; }

 private:
  std::vector<Page> pages_;
  std::vector<Battle> battles_;
  std::unordered_map<int, std::size_t> events_;  // battles of each number
};

// Renders every page of the site into `sink`, on two threads: the pages
// are independent, and a large site is most of a run's work. `sections`
// holds the battles' results already rendered; null: render them here.
void RenderSite(const ExportModel& model, const BattleSections* sections,
                PageSink* sink);

// Every page, the index first, for tests.
std::vector<SitePage> RenderSite(const ExportModel& model);

// A name made safe to be a file name: lower-case ASCII letters, digits and
// '-', at most 40 characters, never empty (`fallback` then), never "." or
// "..", and never a name Windows keeps for a device ("con" is
// "con-player").
std::string FileSlug(std::string_view name, std::string_view fallback);

// Whether the site makes a file or folder of the name `name` at its top
// ("index.html", "players-2.html", "levels"), compared without case as
// some file systems compare names: a file of the user's copied into the
// site must not take it.
bool IsSiteOwnName(std::string_view name);

}  // namespace vexlane
