// Builds a report battle by battle as the finder hands them over: each is
// scored and added to the season's standings; a classic report renders its
// section at once, the other outputs have the season rate the battle,
// gather what they show of it and keep it for the end (and those that can
// render it at once do). That second part is done on a thread of its own
// where there are two cores, while the scan goes on.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "log/battle_finder.h"
#include "render/export_model.h"
#include "render/report_format.h"
#include "render/report_frame.h"
#include "render/site_report.h"
#include "scoring/season.h"

namespace vexlane {

class ReportBuilder {
 public:
  // `settings` must outlive the builder; its `made` is set by Finish.
  ReportBuilder(ReportFormat format, ExportSettings* settings);
  ~ReportBuilder();
  ReportBuilder(const ReportBuilder&) = delete;
  ReportBuilder& operator=(const ReportBuilder&) = delete;

  // Scores `*battle` (moving from it) and adds it to the report.
  void Add(FoundBattle* battle);
  // What the standings keep of the battle added last.
  const BattleSummary& last_added() const {
    return season_.season().standings.battles.back();
  }
  // A classic report's battle added last, ranked (for the other outputs it
  // has gone on to be rated and rendered).
  const ScoredBattle& last_scored() const { return last_; }

  // A streamed output's text goes to `sink` as it is made, from now on:
  // the head at once (the report time is now), then every few megabytes
  // of battles, instead of being kept until the end; Pieces() is then
  // what is left. For one report file, made while the logs are read.
  void StreamTo(std::function<void(std::string_view)> sink);

  // Renders the report at the report time, once every battle added has
  // been taken in; it is then Pieces(). Follow mode renders it again after
  // more battles have been added.
  void Finish();
  std::vector<std::string_view> Pieces() const;
  // What the other outputs are rendered from; a site is rendered from it
  // as it is written.
  const BattleSections& battle_sections() const { return sections_; }
  ExportModel model() const { return {season_.season(), *settings_}; }
  // The classic tail, of which level-by-level mode shows a part.
  const ReportTail& tail() const { return tail_; }

  std::size_t battles() const {
    return season_.season().standings.battles.size();
  }
  // Players with a time in at least one battle.
  std::size_t players() const;

 private:
  bool classic() const { return IsClassic(row_.format); }

  // Battles on their way to the other outputs' thread, with what the
  // standings said of each when it was added.
  struct Batch {
    std::vector<ScoredBattle> battles;
    // Every battle's Standings::entry_players, one after the other.
    std::vector<std::size_t> players;
    std::vector<std::size_t> player_counts;  // the standings' players then
    void Clear() {
      battles.clear();
      players.clear();
      player_counts.clear();
    }
  };
  // The other outputs' part of adding a battle: rating, records,
  // rendering. On the second thread, where there is one.
  void TakeIn(ScoredBattle* battle, std::span<const std::size_t> players,
              std::size_t player_count);
  void TakeIn(Batch* batch);
  // Hands `batch_` to the thread, waiting while it has many in hand.
  void HandBatch();
  // Waits until the thread has taken in every battle added; rethrows what
  // it failed with.
  void Settle();
  void Work();

  const ReportFormatRow& row_;
  ExportSettings* settings_;
  ScoredBattle last_;
  std::size_t taken_ = 0;  // battles taken in by TakeIn

  // The thread of the other outputs, and what passes to it: batches of
  // battles, so that the threads meet once every few dozen battles.
  std::thread worker_;
  Batch batch_;  // not handed yet
  std::mutex mutex_;
  std::condition_variable handed_some_;  // to the worker
  std::condition_variable took_some_;    // to the scan
  Batch handed_;                         // guarded by mutex_
  bool working_ = false;                 // guarded by mutex_
  bool stopping_ = false;                // guarded by mutex_
  std::exception_ptr failure_;           // guarded by mutex_

  // The season: its standings on the scan's thread, the rest where the
  // battles are taken in. The battles of the outputs rendered from them at
  // the end are kept in it (a streamed one has rendered its own already).
  SeasonBuilder season_;
  // Where the next battle's text goes: the last of `results_`, or a new
  // piece once that one is full.
  std::string* ResultsEnd();
  std::vector<std::string> results_;            // the battles' text, in pieces
  std::function<void(std::string_view)> sink_;  // see StreamTo
  std::string head_;
  ReportTail tail_;
  // The other outputs' whole text, or what follows the battles of a
  // streamed one (whose `head_` and `results_` come before).
  std::string rendered_;
  BattleSections sections_;  // a site's battle pages, rendered as they come
};

}  // namespace vexlane
