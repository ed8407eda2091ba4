// Fuzz target: the JSON, CSV, web and site renderers on the battles of any
// log.
// The JSON always parses and holds the schema's required fields, every CSV
// row has the header's columns, and no log text becomes a tag of the page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_builder.h"
#include "log/battle_finder.h"

namespace {

class Collector : public vexlane::FinderClient {
 public:
  explicit Collector(vexlane::ReportBuilder* report) : report_(report) {}
  void BattleFound(vexlane::FoundBattle* battle) override {
    report_->Add(battle);
  }
  bool NextLevel(int, std::string*, bool) override { return false; }
  void LevelNotFound(const std::string&) override {}

 private:
  vexlane::ReportBuilder* report_;
};

// The output of `format` for `log`; a site's pages go to `*pages`.
std::string Render(std::string_view log, vexlane::ReportFormat format,
                   std::vector<vexlane::SitePage>* pages = nullptr) {
  vexlane::MemorySource source(log);
  vexlane::ExportSettings settings;
  settings.logs.push_back({"fuzz.log", "classic"});
  vexlane::ReportBuilder report(format, &settings);
  Collector collector(&report);
  vexlane::FindBattles({&source}, vexlane::FinderOptions{}, &collector);
  report.Finish();
  std::string text;
  if (format == vexlane::ReportFormat::kSite) {
    *pages = vexlane::RenderSite(report.model());
    return text;
  }
  for (std::string_view piece : report.Pieces()) text += piece;
  return text;
}

// The number of fields of each CSV record, read by RFC 4180.
void CheckCsv(const std::string& csv) {
  std::size_t fields = 1;
  std::size_t expected = 0;
  bool quoted = false;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        ++i;
      } else if (c == '"') {
        quoted = false;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      ++fields;
    } else if (c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
      if (expected == 0) expected = fields;
      if (fields != expected) std::abort();
      fields = 1;
      ++i;
    }
  }
  if (quoted || expected != 12) std::abort();
}

void CheckPage(const std::string& page) {
  static const std::set<std::string> kTags = {
      "!doctype", "html",  "head",    "meta",       "title", "style", "body",
      "main",     "h1",    "h2",      "h3",         "h4",    "p",     "section",
      "div",      "table", "caption", "thead",      "tbody", "tr",    "th",
      "td",       "a",     "figure",  "figcaption", "svg",   "line",  "text",
      "polyline", "rect",  "footer",  "script",     "link",  "nav",   "ul",
      "li",       "span",  "circle",  "strong",     "code",  "bdi",   "time"};
  const std::size_t script = page.find("<script>");
  for (std::size_t at = page.find('<'); at != std::string::npos && at < script;
       at = page.find('<', at + 1)) {
    std::size_t k = at + 1;
    if (k < page.size() && page[k] == '/') ++k;
    std::string name;
    while (
        k < page.size() &&
        (std::isalnum(static_cast<unsigned char>(page[k])) || page[k] == '!')) {
      name +=
          static_cast<char>(std::tolower(static_cast<unsigned char>(page[k])));
      ++k;
    }
    if (kTags.count(name) == 0) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view log(reinterpret_cast<const char*>(data), size);
  const nlohmann::json doc =
      nlohmann::json::parse(Render(log, vexlane::ReportFormat::kJson));
  for (const char* key : {"schema", "generator", "generated", "settings",
                          "battles", "standings"}) {
    if (!doc.contains(key)) std::abort();
  }
  for (const auto& battle : doc["battles"]) {
    for (const char* key : {"event", "level", "starter", "date", "entries"}) {
      if (!battle.contains(key)) std::abort();
    }
  }
  CheckCsv(Render(log, vexlane::ReportFormat::kCsv));
  CheckPage(Render(log, vexlane::ReportFormat::kWeb));
  // The site: no log text becomes a tag, and no page path leaves the
  // site or hides.
  std::vector<vexlane::SitePage> pages;
  Render(log, vexlane::ReportFormat::kSite, &pages);
  for (const vexlane::SitePage& page : pages) {
    CheckPage(page.text);
    const std::string& path = page.path;
    if (path.empty() || path[0] == '.' || path[0] == '/' ||
        path.find("..") != std::string::npos ||
        path.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-./") !=
            std::string::npos) {
      std::abort();
    }
  }
  return 0;
}
