// The command line's side of the battle finder: each battle found is
// corrected by the settings and added to the report, the levels come from
// the options in order; in follow mode it keeps the news for the next
// report and each battle as found, so that a file of the log read again
// can take back the battles it gave.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/explain.h"
#include "app/report_builder.h"
#include "base/text.h"
#include "base/version.h"
#include "log/battle_finder.h"
#include "scoring/corrections.h"
#include "ui/progress.h"

namespace vexlane {

// The command line's side of the battle finder: the battles are taken as
// found, the levels come from the options in order.
class OptionsRun : public FinderClient {
 public:
  OptionsRun(const RunOptions& options, std::ostream& err, std::string log_name,
             ProgressLine* progress, ExportSettings* settings,
             Explainer* explainer)
      : options_(options),
        err_(err),
        log_name_(std::move(log_name)),
        progress_(progress),
        explainer_(explainer),
        settings_(settings),
        report_(std::make_unique<ReportBuilder>(options.format, settings)),
        repair_matches_(options.corrections.repairs.size()),
        repair_dates_(options.corrections.repairs.size()) {}

  // The settings may leave a battle out: a repair skips it, or it lies
  // outside the season.
  bool Keeps(const FoundBattle& battle) override {
    if (journaling_ && !replaying_) journal_.push_back(battle);
    const Corrections& c = options_.corrections;
    if (c.empty()) return true;
    left_out_.Found(battle.date);
    for (std::size_t i : RepairsOf(c, battle)) {
      ++repair_matches_[i];
      std::vector<std::string>& dates = repair_dates_[i];
      if (!battle.date.empty() && dates.size() < 3 &&
          std::find(dates.begin(), dates.end(), battle.date) == dates.end()) {
        dates.push_back(battle.date);
      }
    }
    undated_seen_ = undated_seen_ || battle.date.empty();
    if ((!c.since.empty() || !c.until.empty()) && battle.date.empty()) {
      if (undated_.empty()) undated_ = battle.level;
      return false;
    }
    std::vector<Correction> changes;
    bool keep = KeepsBattle(c, battle, &changes);
    Explain(changes, battle);
    if (!keep && !changes.empty() &&
        changes.back().kind == Correction::Kind::kOutOfSeason) {
      ++left_out_.out_of_season;
    }
    if (keep && LeavesNoTime(c, battle)) {
      // Every post ignored: no battle, as one without times is none.
      ++left_out_.all_ignored;
      keep = false;
    }
    return keep;
  }

  void BattleFound(FoundBattle* battle) override {
    if (!options_.corrections.empty()) {
      std::vector<Correction> changes;
      CorrectBattle(options_.corrections, battle, &changes);
      Explain(changes, *battle);
      for (const Correction& change : changes) {
        if (change.kind != Correction::Kind::kNotDropped) continue;
        not_dropped_.push_back({change.line, CorrectionText(change, *battle)});
      }
    }
    report_->Add(battle);
    const BattleSummary& added = report_->last_added();
    ++news_.battles;
    news_.event = added.event;
    news_.level = added.level;
    news_.winner = added.winner.name;
  }

  // Follow mode: the battles added since the last TakeNews.
  struct News {
    int battles = 0;
    int event = 0;  // of the last one
    std::string level;
    std::string winner;
    bool read_again = false;  // a file of the log was read again
  };
  News TakeNews() { return std::exchange(news_, News{}); }
  // Follow mode: called each time the scan has caught up with the log.
  std::function<void()> on_caught_up;
  void CaughtUp() override {
    if (on_caught_up) on_caught_up();
  }

  // Follow mode: every battle found is kept as found, so that a file of
  // the log read again can take back the battles it gave.
  void KeepJournal() { journaling_ = true; }
  void FileBegins() override { file_start_ = journal_.size(); }
  // The report is made again from the battles found before the file
  // began; the file's own are found again as it is read.
  void FileReadAgain() override {
    if (!journaling_) return;
    journal_.resize(file_start_);
    report_ = std::make_unique<ReportBuilder>(options_.format, settings_);
    repair_matches_.assign(repair_matches_.size(), 0);
    repair_dates_.assign(repair_dates_.size(), {});
    left_out_ = LeftOut{};
    not_dropped_.clear();
    undated_.clear();
    undated_seen_ = false;
    Explainer* explainer = std::exchange(explainer_, nullptr);
    replaying_ = true;
    for (const FoundBattle& found : journal_) {
      FoundBattle battle = found;
      if (Keeps(battle)) BattleFound(&battle);
    }
    replaying_ = false;
    explainer_ = explainer;
    news_ = News{};
    news_.read_again = true;
  }

  // The levels in the order given, one a call (a battle left out by the
  // settings uses up its level too).
  bool NextLevel(int /*event*/, std::string* level, bool /*force*/) override {
    if (next_ >= options_.levels.size()) return false;
    *level = options_.levels[next_++];
    return true;
  }

  void LevelNotFound(const std::string& level) override {
    if (progress_ != nullptr) progress_->Clear();
    err_ << kMessagePrefix << "level " << VisibleControls(level)
         << " was not found in " << log_name_ << "\n"
         << std::flush;
  }

  ReportBuilder& report() { return *report_; }
  // How many battles each repair of the settings matched.
  const std::vector<std::size_t>& repair_matches() const {
    return repair_matches_;
  }
  // What the settings left out of the battles found, to say why a run
  // that reports none reports none.
  struct LeftOut {
    std::size_t found = 0;
    std::size_t out_of_season = 0;
    std::size_t all_ignored = 0;        // every post of an ignored nick
    std::string first_date, last_date;  // of those found
    void Found(const std::string& date) {
      ++found;
      if (date.empty()) return;
      if (first_date.empty() || date < first_date) first_date = date;
      if (date > last_date) last_date = date;
    }
  };
  const LeftOut& left_out() const { return left_out_; }
  // The first dates (up to three) of the battles each repair matched.
  const std::vector<std::vector<std::string>>& repair_dates() const {
    return repair_dates_;
  }
  // The drops of the repairs that found no such nick in their battle:
  // the settings file's line, and what was not there.
  struct NotDropped {
    std::size_t line = 0;
    std::string text;
  };
  const std::vector<NotDropped>& not_dropped() const { return not_dropped_; }
  // The level of the first battle without a date, when a season asked for
  // dates; empty otherwise.
  const std::string& undated() const { return undated_; }
  // Whether a battle without a date was found.
  bool undated_seen() const { return undated_seen_; }

 private:
  void Explain(const std::vector<Correction>& changes,
               const FoundBattle& battle) {
    if (explainer_ == nullptr) return;
    for (const Correction& change : changes) {
      explainer_->Settings(options_.config, change.line,
                           CorrectionText(change, battle));
    }
  }

  const RunOptions& options_;
  std::ostream& err_;
  std::string log_name_;
  ProgressLine* progress_;
  Explainer* explainer_;
  ExportSettings* settings_;
  std::unique_ptr<ReportBuilder> report_;
  std::size_t next_ = 0;
  std::vector<std::size_t> repair_matches_;
  std::vector<std::vector<std::string>> repair_dates_;
  LeftOut left_out_;
  std::vector<NotDropped> not_dropped_;
  std::string undated_;
  bool undated_seen_ = false;
  News news_;
  bool journaling_ = false;
  bool replaying_ = false;
  std::vector<FoundBattle> journal_;  // every battle found, when journaling
  std::size_t file_start_ = 0;        // of journal_, at FileBegins
};

}  // namespace vexlane
