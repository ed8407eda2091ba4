#include "app/report_builder.h"

#include <system_error>

#include "base/out_of_memory.h"
#include "base/platform.h"
#include "render/battle_section.h"
#include "render/report_date.h"

namespace vexlane {

namespace {

// Battles handed to the other outputs' thread at a time, and how many it
// may have in hand before the scan waits for it.
constexpr std::size_t kBatch = 32;
constexpr std::size_t kMostInHand = 2048;

// The stage of the other outputs' part of adding a battle, as an
// out-of-memory message names it.
constexpr const char* kRating = "rating the battles";

// What the season gathers for the output of `row`.
SeasonParts PartsFor(const ReportFormatRow& row) {
  SeasonParts parts = row.parts;
  if (row.streamed != nullptr) parts.battles = false;
  return parts;
}

}  // namespace

ReportBuilder::ReportBuilder(ReportFormat format, ExportSettings* settings)
    : row_(RowOf(format)), settings_(settings), season_(PartsFor(row_)) {
  results_.emplace_back().reserve(classic() || row_.streamed != nullptr ? 100000
                                                                        : 0);
  if (!classic() && ThreadsWanted()) {
    try {
      worker_ = ThreadWithoutSignals([this] { Work(); });
    } catch (const std::system_error&) {
      // No thread to be had: the work is done as the battles come.
    }
  }
}

ReportBuilder::~ReportBuilder() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  handed_some_.notify_one();
  worker_.join();
}

void ReportBuilder::Add(FoundBattle* battle) {
  last_ = season_.Score(battle, settings_->extra_points);
  if (classic()) {
    AppendBattleSection(last_, row_.format, ResultsEnd());
    return;
  }
  if (!worker_.joinable()) {
    InStage(kRating, [this] {
      TakeIn(&last_, season_.entry_players(), season_.player_count());
    });
    return;
  }
  batch_.battles.push_back(std::move(last_));
  const std::span<const std::size_t> players = season_.entry_players();
  batch_.players.insert(batch_.players.end(), players.begin(), players.end());
  batch_.player_counts.push_back(season_.player_count());
  if (batch_.battles.size() >= kBatch) HandBatch();
}

void ReportBuilder::TakeIn(ScoredBattle* battle,
                           std::span<const std::size_t> players,
                           std::size_t player_count) {
  // A streamed output's battle stays where it is: the season keeps none.
  season_.TakeIn(battle, players, player_count);
  ++taken_;
  const Season& season = season_.season();
  if (row_.streamed != nullptr) {
    const std::size_t n = battle->ranked.size();
    const std::vector<double>& after = season.ratings.after;
    const std::span<const std::uint8_t> marks = season_.entry_marks();
    row_.streamed->battle(
        *battle, std::span<const double>(after.data() + after.size() - n, n),
        MarksOf(marks, marks.size() - std::min(marks.size(), n), n),
        taken_ == 1, ResultsEnd());
    return;
  }
  if (row_.site) {
    const std::span<const std::uint8_t> marks = season_.entry_marks();
    const std::size_t n = season.battles.back().ranked.size();
    sections_.Add(season.battles.back(),
                  MarksOf(marks, marks.size() - std::min(marks.size(), n), n));
  }
}

void ReportBuilder::TakeIn(Batch* batch) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < batch->battles.size(); ++i) {
    // The battles were written on the scan's core: the next one's entries
    // start on their way here while this one is taken in.
    if (i + 1 < batch->battles.size()) {
      const std::vector<TimeEntry>& next = batch->battles[i + 1].ranked;
      const auto* bytes = reinterpret_cast<const char*>(next.data());
      const std::size_t size = next.size() * sizeof(TimeEntry);
      for (std::size_t at = 0; at < size; at += 64) {
        __builtin_prefetch(bytes + at);
      }
    }
    ScoredBattle& battle = batch->battles[i];
    const std::size_t n = battle.ranked.size();
    TakeIn(&battle,
           std::span<const std::size_t>(batch->players).subspan(from, n),
           batch->player_counts[i]);
    from += n;
  }
}

void ReportBuilder::HandBatch() {
  if (batch_.battles.empty()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    took_some_.wait(lock, [this] {
      return handed_.battles.size() < kMostInHand || failure_ != nullptr;
    });
    for (ScoredBattle& battle : batch_.battles) {
      handed_.battles.push_back(std::move(battle));
    }
    handed_.players.insert(handed_.players.end(), batch_.players.begin(),
                           batch_.players.end());
    handed_.player_counts.insert(handed_.player_counts.end(),
                                 batch_.player_counts.begin(),
                                 batch_.player_counts.end());
  }
  batch_.Clear();
  handed_some_.notify_one();
}

void ReportBuilder::Settle() {
  if (!worker_.joinable()) return;
  HandBatch();
  std::unique_lock<std::mutex> lock(mutex_);
  took_some_.wait(lock,
                  [this] { return handed_.battles.empty() && !working_; });
  if (failure_ != nullptr) std::rethrow_exception(failure_);
}

void ReportBuilder::Work() {
  Batch taking;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      working_ = false;
      took_some_.notify_all();
      handed_some_.wait(
          lock, [this] { return stopping_ || !handed_.battles.empty(); });
      if (handed_.battles.empty()) return;
      std::swap(taking, handed_);
      working_ = true;
    }
    try {
      if (failure_ == nullptr) InStage(kRating, [&] { TakeIn(&taking); });
    } catch (...) {
      std::lock_guard<std::mutex> lock(mutex_);
      failure_ = std::current_exception();
    }
    taking.Clear();
  }
}

void ReportBuilder::StreamTo(std::function<void(std::string_view)> sink) {
  if (row_.streamed == nullptr) return;
  sink_ = std::move(sink);
  settings_->made = ReportTime();
  sink_(row_.streamed->head(model()));
}

void ReportBuilder::Finish() {
  Settle();
  if (!sink_) settings_->made = ReportTime();
  if (!classic()) {
    InStage("gathering the records and histories",
            [this] { season_.Finish(); });
    const ExportModel model = this->model();
    InStage("rendering the report", [&] {
      if (row_.streamed != nullptr) {
        if (!sink_) head_ = row_.streamed->head(model);
        rendered_ = row_.streamed->tail(model);
      } else if (!row_.site) {
        rendered_ = row_.render(model);
      }
    });
    return;
  }
  const std::string when = ReportCtimeText();
  const Standings& standings = season_.season().standings;
  head_ = ReportHead(row_.format, standings.battles, DateFromCtime(when),
                     ClockFromCtime(when));
  tail_ = BuildReportTail(row_.format, standings);
}

std::vector<std::string_view> ReportBuilder::Pieces() const {
  if (!classic() && row_.streamed == nullptr) return {rendered_};
  std::vector<std::string_view> pieces;
  if (!sink_) pieces.push_back(head_);
  pieces.insert(pieces.end(), results_.begin(), results_.end());
  pieces.push_back(row_.streamed != nullptr ? rendered_ : tail_.text);
  return pieces;
}

std::string* ReportBuilder::ResultsEnd() {
  // A string that grew to tens of megabytes by doubling would have copied
  // itself and touched twice the memory; pieces of a few megabytes never
  // move.
  constexpr std::size_t kPiece = std::size_t{4} << 20;
  // Text handed to a sink goes while it is still in the cache, and the
  // same memory takes the next.
  constexpr std::size_t kSunk = std::size_t{256} << 10;
  if (sink_ && results_.back().size() >= kSunk) {
    sink_(results_.back());
    results_.back().clear();
  }
  if (results_.back().size() >= kPiece) {
    results_.emplace_back().reserve(kPiece + (kPiece >> 4));
  }
  return &results_.back();
}

std::size_t ReportBuilder::players() const {
  std::size_t n = 0;
  for (const PlayerScore& s : season_.season().standings.scores) {
    n += s.battles > 0 ? 1 : 0;
  }
  return n;
}

}  // namespace vexlane
