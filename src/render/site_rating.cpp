// The rating's pages: how the rating works, in plain words with a worked
// example, and the players ranked by it.
#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "render/page_parts.h"
#include "render/site_parts.h"

namespace vexlane::site_pages {

namespace {

std::string Decimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// One battle of three new players, worked through by the rating itself so
// that the example can never disagree with the numbers on the site.
void AppendWorkedExample(std::string* out) {
  std::array<Rating, 3> players{};
  const std::array<std::size_t, 3> places = {1, 2, 3};
  const std::array<const char*, 3> names = {"Ann", "Bob", "Cal"};
  const Rating start;
  RateBattle(players, places);
  *out +=
      "<h2 id=\"example\">A worked example</h2>\n<p>Ann, Bob and Cal are new: "
      "each starts with mu " +
      Decimal(start.mu) + " and sigma " + Decimal(start.sigma) +
      ", so each rating is 40 &times; (" + Decimal(start.mu) + " &minus; 3 " +
      "&times; " + Decimal(start.sigma) +
      ") = " + Num(ShownRating(Ordinal(start))) +
      ". They drive one battle and finish in that order.</p>\n";
  page::OpenTable("After their first battle",
                  {{"Player", kText},
                   {"Place", kNumber},
                   {"mu", kNumber},
                   {"sigma", kNumber},
                   {"40 × (mu − 3 sigma)", kNumber},
                   {"Rating", kNumber}},
                  false, out);
  for (std::size_t k = 0; k < players.size(); ++k) {
    const double ordinal = Ordinal(players[k]);
    *out += "<tr>";
    Cell(names[k], kText, out);
    Cell(Num(places[k]), kNumber, out);
    Cell(Decimal(players[k].mu), kNumber, out);
    Cell(Decimal(players[k].sigma), kNumber, out);
    Cell(ordinal < 0 ? "&minus;" + Decimal(-40 * ordinal)
                     : Decimal(40 * ordinal),
         kNumber, out);
    Cell(Num(ShownRating(ordinal)), kNumber, out);
    *out += "</tr>\n";
  }
  page::CloseTable(out);
  *out +=
      "<p>Ann's mu rose, Cal's fell and Bob's stayed near the middle; all "
      "three sigmas shrank, as one battle says something about each of them. "
      "A rating below 0 is shown as 0. None of them is ranked yet: each has 1 "
      "of the " +
      Num(static_cast<std::uint64_t>(kProvisionalBattles)) +
      " rated battles a rating needs, so the tables show &ldquo;? (1 of " +
      Num(static_cast<std::uint64_t>(kProvisionalBattles)) + ")&rdquo;.</p>\n";
}

void AddHowPage(const Site& site, PageSink* site_pages) {
  std::string out;
  Open(site, "How the rating works", "How the rating works",
       "How the players' rating is worked out from whom they beat, with a "
       "worked example.",
       0, &out);
  const std::string needed =
      Num(static_cast<std::uint64_t>(kProvisionalBattles));
  out +=
      "<p>The points of the standings reward places battle by battle. The "
      "rating says instead how strong each player is, from whom they beat "
      "and who beat them in every battle of the season: beating strong "
      "players counts for more than beating new ones.</p>\n<ul>\n"
      "<li>Each player's skill is kept as two numbers: mu, the skill "
      "expected of them, and sigma, how unsure that is. A new player "
      "starts with mu 25 and sigma 8.33.</li>\n"
      "<li>After every battle of two players or more, each player's mu moves "
      "up for everyone they finished ahead of and down for everyone ahead of "
      "them, the more so the less it was expected; sigma shrinks as their "
      "results come in. Equal times or apples are a tie.</li>\n"
      "<li>The rating shown is 40 &times; (mu &minus; 3 sigma), rounded down "
      "and never below 0: a skill the player is very likely above. A new "
      "player starts at 0 and climbs with every good result; a strong, "
      "steady player reaches a thousand or more.</li>\n"
      "<li>With fewer than " +
      needed +
      " rated battles a rating is not known well enough to rank: the tables "
      "show &ldquo;?&rdquo; and how many of the " +
      needed +
      " there are so far, and list the player after the rated ones.</li>\n"
      "<li>The rating never changes the points: the standings are by "
      "points.</li>\n</ul>\n"
      "<p>The model is Weng and Lin's Bayesian approximation of the "
      "Plackett-Luce model (&ldquo;A Bayesian Approximation Method for Online "
      "Ranking&rdquo;, JMLR 12, 2011).</p>\n";
  AppendWorkedExample(&out);
  out += "<p>" + Link("players-by-rating.html", "Every player by rating") +
         "</p>\n";
  Close(site, /*sortable=*/false, &out);
  site_pages->Add("rating.html", std::move(out));
}

}  // namespace

void AddRatingPages(const Site& site, PageSink* site_pages) {
  AddHowPage(site, site_pages);
  const ExportModel& model = site.model;
  const PlayerOrder order =
      ShownRatingOrder(model.ratings, model.standings.scores);
  const std::size_t lists = std::max<std::size_t>(
      1, (order.size() + kRowsPerList - 1) / kRowsPerList);
  const std::vector<std::string> hrefs = PlayerHrefs(site, 0);
  for (std::size_t n = 0; n < lists; ++n) {
    std::string out;
    Open(site, "Players by rating", "Players by rating",
         "All " + Num(order.size()) + " players ranked by their rating.", 0,
         &out);
    out +=
        "<p>" + Link("players.html", "The same players by points") + ".</p>\n";
    AppendPager("players-by-rating", lists, n, &out);
    const std::size_t end = std::min(order.size(), (n + 1) * kRowsPerList);
    const PlayerOrder part(
        order.begin() + static_cast<std::ptrdiff_t>(n * kRowsPerList),
        order.begin() + static_cast<std::ptrdiff_t>(end));
    page::StandingsTable table = RatedTable(site, hrefs);
    table.caption = "Every player by rating, then those not yet rated";
    table.first_place = n * kRowsPerList + 1;
    page::AppendStandings(model.standings.scores, part, table, &out);
    Close(site, /*sortable=*/true, &out);
    site_pages->Add(ListPage("players-by-rating", n), std::move(out));
  }
}

}  // namespace vexlane::site_pages
