#include "app/unattended.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "app/explain.h"
#include "app/report_builder.h"
#include "base/platform.h"
#include "base/text.h"
#include "base/version.h"
#include "log/byte_source.h"
#include "log/followed_file.h"
#include "log/gzip_source.h"
#include "report/output_file.h"
#include "scoring/corrections.h"
#include "ui/dialog.h"
#include "ui/progress.h"

namespace vexlane {

namespace {

constexpr std::string_view kProgram = kMessagePrefix;

constexpr std::size_t kPeekBytes = 1 << 16;

// "1 battle", "2 battles".
std::string Counted(std::size_t n, std::string_view thing) {
  return std::to_string(n) + " " + std::string(thing) + (n == 1 ? "" : "s");
}

// A line telling that the log looks like another format than it was read
// as, or like one the program cannot read; empty when neither.
std::string FormatHint(const Detection& detected, LogFormat format) {
  if (!detected.unreadable.empty()) {
    return std::string(kProgram) + "the log looks like " +
           LogFormatWithArticle(detected.unreadable) +
           ", which this program cannot read\n";
  }
  if (detected.format == format || detected.format == LogFormat::kClassic) {
    return "";
  }
  const std::string_view name = LogFormatName(detected.format);
  return std::string(kProgram) + "the log looks like " +
         LogFormatWithArticle(name) + ": try --log-format " +
         std::string(name) + "\n";
}

// Counts the bytes read for the progress line and keeps the first read
// error, which would otherwise end the log like its end does.
class WatchedSource : public ByteSource {
 public:
  WatchedSource(ByteSource* inner, ProgressLine* progress)
      : inner_(inner), progress_(progress) {}

  bool Open(std::string* error) override {
    done_ = 0;
    return inner_->Open(error);
  }
  std::ptrdiff_t Read(char* buffer, std::size_t size,
                      std::string* error) override {
    const std::ptrdiff_t n = inner_->Read(buffer, size, error);
    if (n == -1 && read_error_.empty()) {
      read_error_ = Quoted(inner_->Name()) + ": " + *error;
    }
    if (n > 0) done_ += static_cast<std::uint64_t>(n);
    if (progress_ != nullptr) progress_->Update(done_);
    return n;
  }
  void Close() override { inner_->Close(); }
  const std::string& Name() const override { return inner_->Name(); }
  LogBreak BreakBefore() const override { return inner_->BreakBefore(); }
  void EndWaiting() override { inner_->EndWaiting(); }

  const std::string& read_error() const { return read_error_; }

 private:
  ByteSource* inner_;
  ProgressLine* progress_;
  std::uint64_t done_ = 0;
  std::string read_error_;
};

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
        repair_matches_(options.corrections.repairs.size()) {}

  // The settings may leave a battle out: a repair skips it, or it lies
  // outside the season.
  bool Keeps(const FoundBattle& battle) override {
    if (journaling_ && !replaying_) journal_.push_back(battle);
    const Corrections& c = options_.corrections;
    if (c.empty()) return true;
    for (std::size_t i : RepairsOf(c, battle)) ++repair_matches_[i];
    if ((!c.since.empty() || !c.until.empty()) && battle.date.empty()) {
      if (undated_.empty()) undated_ = battle.level;
      return false;
    }
    std::vector<Correction> changes;
    const bool keep = KeepsBattle(c, battle, &changes);
    Explain(changes, battle);
    return keep;
  }

  void BattleFound(FoundBattle* battle) override {
    if (!options_.corrections.empty()) {
      std::vector<Correction> changes;
      CorrectBattle(options_.corrections, battle, &changes);
      Explain(changes, *battle);
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
    undated_.clear();
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
    err_ << kProgram << "level " << VisibleControls(level)
         << " was not found in " << log_name_ << "\n"
         << std::flush;
  }

  ReportBuilder& report() { return *report_; }
  // How many battles each repair of the settings matched.
  const std::vector<std::size_t>& repair_matches() const {
    return repair_matches_;
  }
  // The level of the first battle without a date, when a season asked for
  // dates; empty otherwise.
  const std::string& undated() const { return undated_; }

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
  std::string undated_;
  News news_;
  bool journaling_ = false;
  bool replaying_ = false;
  std::vector<FoundBattle> journal_;  // every battle found, when journaling
  std::size_t file_start_ = 0;        // of journal_, at FileBegins
};

// The logs of a run, each opened once and kept open: a level-by-level
// pass starts again from the bytes already read, never by opening the log
// again.
struct Logs {
  std::vector<std::string> names;
  std::string joined;  // "a.log, b.log" for messages
  std::vector<std::unique_ptr<ByteSource>> files;
  std::vector<std::unique_ptr<ReplaySource>> sources;
  std::vector<FileId> ids;           // to refuse an output that is an input
  std::string_view first_bytes;      // of the first log, to tell its format
  FollowedFile* followed = nullptr;  // --follow: the last log
};

// Opens every log, reads the first bytes of each (a log that cannot be
// read is told before anything else is done) and, level by level, keeps a
// copy of what cannot be rewound. False after saying why on `err`.
bool OpenLogs(const RunOptions& options, const StandardStreams& streams,
              Logs* logs) {
  logs->names = options.logs.empty()
                    ? std::vector<std::string>{std::string(kDefaultLogName)}
                    : options.logs;
  for (const std::string& name : logs->names) {
    if (name == "-") {
      logs->files.push_back(
          std::make_unique<StdinSource>(streams.in_was_closed));
      logs->ids.push_back(IdOfStream(stdin));
    } else {
      if (options.follow && logs->files.size() + 1 == logs->names.size()) {
        auto followed = std::make_unique<FollowedFile>(name);
        logs->followed = followed.get();
        logs->files.push_back(std::move(followed));
      } else if (IsGzipName(name)) {
        logs->files.push_back(std::make_unique<GzipSource>(name));
      } else {
        logs->files.push_back(std::make_unique<FileSource>(name));
      }
      logs->ids.push_back(IdOfPath(name));
    }
    logs->sources.push_back(
        std::make_unique<ReplaySource>(logs->files.back().get()));
    ReplaySource& source = *logs->sources.back();
    std::string error;
    std::string_view first;
    bool ok = source.Open(&error);
    if (ok) {
      first = source.Peek(kPeekBytes, &error);
      ok = error.empty();
    }
    if (ok && !options.levels.empty()) ok = source.KeepCopy(&error);
    if (!ok) {
      streams.err << kProgram << "cannot read the log "
                  << (name == "-" ? std::string("standard input")
                                  : Quoted(name))
                  << ": " << error << "\n"
                  << std::flush;
      return false;
    }
    if (logs->sources.size() == 1) logs->first_bytes = first;
    if (!logs->joined.empty()) logs->joined += ", ";
    logs->joined += name;
  }
  return true;
}

// Why `path` cannot receive the output named `what` ("the report"), or
// empty when it can: an existing file is replaced only with --force, never
// when it is one of the logs, and its directory must exist.
std::string FileProblem(const std::string& path, std::string_view what,
                        const RunOptions& options, const Logs& logs) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const bool force = options.force;
  const std::string head =
      "cannot write " + std::string(what) + " to " + Quoted(path) + ": ";
  const FileId id = IdOfPath(path);
  if (!options.config.empty() && id == IdOfPath(options.config)) {
    return head + "it is the settings file " + Quoted(options.config) +
           ", which is never replaced";
  }
  for (std::size_t i = 0; i < logs.ids.size(); ++i) {
    if (id == logs.ids[i]) {
      return head + "it is the log " +
             (logs.names[i] == "-" ? std::string("read on standard input")
                                   : Quoted(logs.names[i])) +
             ", which is never replaced";
    }
  }
  const fs::path file(path);
  if (!force && fs::exists(fs::symlink_status(file, ec))) {
    return head + "the file exists and is not replaced (--force replaces it)";
  }
  const fs::path parent = file.parent_path();
  if (!parent.empty() && !fs::is_directory(parent, ec)) {
    return head + Quoted(parent.string()) +
           (fs::exists(parent, ec) ? " is not a directory" : " does not exist");
  }
  return "";
}

// What the run writes, for messages: "report", or "site".
std::string_view OutputNoun(const RunOptions& options) {
  return options.format == ReportFormat::kSite ? "site" : "report";
}

// Why the site cannot be written to the directory `path`, or empty when it
// can: an existing directory is replaced only with --force, only when this
// program made it, and never when a log or the settings file is in it.
std::string SiteProblem(const std::string& path, const RunOptions& options,
                        const Logs& logs) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const std::string head = "cannot write the site to " + Quoted(path) + ": ";
  const std::string dir = SiteDirectoryName(path);
  const fs::path site = fs::weakly_canonical(dir, ec);
  if (ec || site.empty()) return head + (ec ? ec.message() : "no such path");
  // Whether `file` is `site` or lies inside it.
  const auto inside = [&site](const std::string& file) {
    std::error_code ignored;
    const fs::path canonical = fs::weakly_canonical(file, ignored);
    return std::mismatch(site.begin(), site.end(), canonical.begin(),
                         canonical.end())
               .first == site.end();
  };
  if (inside(".")) {
    return head +
           "it is the working directory or holds it; name the site's "
           "own directory";
  }
  if (fs::exists(fs::symlink_status(dir, ec))) {
    if (!options.force) {
      return head +
             "it exists and is not replaced (--force replaces a site this "
             "program made)";
    }
    const std::string why = SiteNotReplaceable(dir);
    if (!why.empty()) return head + why;
  }
  // The site is replaced whole: nothing the run reads or writes besides
  // may lie in it.
  std::vector<std::string> inputs = logs.names;
  if (!options.config.empty()) inputs.push_back(options.config);
  for (const std::string& input : inputs) {
    if (input != "-" && inside(input)) {
      return head + "it holds " + Quoted(input) + ", which is never replaced";
    }
  }
  if (options.explain && !options.explain_file.empty() &&
      inside(options.explain_file)) {
    return "cannot write the explanation to " + Quoted(options.explain_file) +
           ": it would be inside the site " + Quoted(path) +
           ", which is written whole";
  }
  const fs::path parent = fs::path(dir).parent_path();
  if (!parent.empty() && !fs::is_directory(parent, ec)) {
    return head + Quoted(parent.string()) +
           (fs::exists(parent, ec) ? " is not a directory" : " does not exist");
  }
  return "";
}

// Checks before the scan that the report and the explanation can go where
// they are asked to, so that a long run does not end with nowhere to
// write. Empty when they can.
std::string OutputProblem(const RunOptions& options,
                          const StandardStreams& streams, const Logs& logs) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (options.explain && !options.explain_file.empty()) {
    std::string problem =
        FileProblem(options.explain_file, "the explanation", options, logs);
    if (!problem.empty()) return problem;
    // One file cannot hold both the explanation and the report.
    const auto normal = [](const std::string& p) {
      std::error_code ignored;
      return fs::absolute(p, ignored).lexically_normal();
    };
    if (!options.output.empty() && options.output != "-" &&
        (normal(options.output) == normal(options.explain_file) ||
         IdOfPath(options.output) == IdOfPath(options.explain_file))) {
      return "cannot write the explanation to " + Quoted(options.explain_file) +
             ": it is the report's file";
    }
  }
  if (options.output == "-") {
    return streams.out_was_closed
               ? "cannot write the report to standard output: it is closed"
               : "";
  }
  if (options.format == ReportFormat::kSite) {
    return SiteProblem(options.output, options, logs);
  }
  if (!options.output.empty()) {
    return FileProblem(options.output, "the report", options, logs);
  }
  if (!options.directory.empty()) {
    const fs::file_status status = fs::status(options.directory, ec);
    if (!fs::exists(status)) {
      return "cannot use the directory " + Quoted(options.directory) +
             ": No such file or directory";
    }
    if (!fs::is_directory(status)) {
      return "cannot use the directory " + Quoted(options.directory) +
             ": Not a directory";
    }
  }
  return "";
}

std::uint64_t TotalSize(const std::vector<std::string>& logs) {
  std::uint64_t total = 0;
  for (const std::string& log : logs) {
    if (IsGzipName(log)) return 0;  // its size on disk is not what is read
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(log, ec);
    if (ec) return 0;
    total += size;
  }
  return total;
}

// Writes the explanation to its own file when one is asked for: the file
// is made like a report, and published once the scan is over.
class ExplainFile {
 public:
  // False after saying why on `err`.
  bool Create(const std::string& path, std::ostream& err) {
    path_ = path;
    std::string error;
    created_ = file_.Create(path, &error);
    if (!created_) Fail(error, err);
    return created_;
  }
  std::ostream& stream() { return file_.stream(); }
  bool Publish(bool force, std::ostream& err) {
    const WriteOutcome outcome = file_.Publish(force);
    if (!outcome.ok) Fail(outcome.error, err);
    return outcome.ok;
  }

 private:
  void Fail(const std::string& error, std::ostream& err) {
    err << kProgram << "cannot write the explanation to " << Quoted(path_)
        << ": " << error << "\n"
        << std::flush;
  }

  std::string path_;
  PendingFile file_;
  bool created_ = false;
};

// Publishes the report where the options say, with `replace` over a file
// of that name. The outcome names the file.
// `begun`: the report file begun before the scan (BeginReport), or null.
WriteOutcome PublishReport(const RunOptions& options, ReportBuilder& report,
                           std::ostream& out, std::string* target, bool replace,
                           PendingFile* begun = nullptr) {
  WriteOutcome outcome;
  if (options.output == "-") {
    *target = "standard output";
    out.flush();
    return WriteReportTo(report.Pieces(), stdout);
  }
  if (options.format == ReportFormat::kSite) {
    *target = Quoted(options.output);
    return PublishSite(report.model(), &report.battle_sections(),
                       options.output, replace,
                       /*ends_run=*/true);
  }
  if (!options.output.empty()) {
    *target = Quoted(options.output);
    if (begun != nullptr) {
      return replace ? ReplaceReport(begun, report.Pieces(), options.output)
                     : WriteNewReport(begun, report.Pieces(), options.output);
    }
    return replace ? ReplaceReport(report.Pieces(), options.output)
                   : WriteNewReport(report.Pieces(), options.output);
  }
  outcome =
      begun != nullptr
          ? WriteNumberedReport(begun, report.Pieces(),
                                ExtensionOf(options.format), options.directory,
                                TakenName::kTakeNext)
          : WriteNumberedReport(report.Pieces(), ExtensionOf(options.format),
                                options.directory, TakenName::kTakeNext);
  *target =
      outcome.path.empty()
          ? "a BattleNN file in " +
                Quoted(options.directory.empty() ? "." : options.directory)
          : Quoted(outcome.path);
  return outcome;
}

// How much of a report begun before the scan is written between two
// requests to start putting it on the disk.
constexpr std::size_t kWriteBackEvery = std::size_t{4} << 20;

// Where a report is written, for messages: "-o" as given, or where the
// numbered reports go.
std::string ReportTarget(const RunOptions& options) {
  if (!options.output.empty()) return Quoted(options.output);
  return "a BattleNN file in " +
         Quoted(options.directory.empty() ? "." : options.directory);
}

// Begins the report file before the scan where the output renders its
// battles as they come (JSON, CSV) and goes to a file: its battles then go
// to the file as they are rendered instead of waiting in memory, and a
// file that cannot be made is told before the logs are read. Not with
// --explain to a file: the signal handlers remove one temporary file.
// False, after saying why, when the file cannot be made; `*begun` is left
// as it is where the report is not begun.
bool BeginReport(const RunOptions& options, std::ostream& err,
                 std::unique_ptr<PendingFile>* begun) {
  if (RowOf(options.format).streamed == nullptr || options.output == "-" ||
      (options.explain && !options.explain_file.empty())) {
    return true;
  }
  std::string path = options.output;
  if (path.empty()) {
    path = options.directory.empty() || options.directory.back() == '/'
               ? options.directory
               : options.directory + "/";
    path += ReportFileName(1, ExtensionOf(options.format));
  }
  auto file = std::make_unique<PendingFile>(/*ends_run=*/true);
  std::string error;
  if (!file->Create(path, &error)) {
    err << kProgram << "cannot write the " << OutputNoun(options) << " to "
        << ReportTarget(options) << ": " << error << "\n"
        << std::flush;
    return false;
  }
  *begun = std::move(file);
  return true;
}

// The format to read the logs as: the one asked for, or with
// --log-format auto the one the first bytes show. False after saying why
// it cannot be read.
bool ChooseFormat(const RunOptions& options, const Logs& logs,
                  const Detection& detected, std::ostream& err,
                  LogFormat* format) {
  *format = options.log_format;
  if (!options.detect_format) return true;
  if (!detected.unreadable.empty()) {
    err << kProgram << "cannot read " << logs.joined << ": it looks like "
        << LogFormatWithArticle(detected.unreadable)
        << ", which this program cannot read (it reads " << LogFormatNames()
        << " logs)\n"
        << std::flush;
    return false;
  }
  *format = detected.format;
  if (!options.quiet) {
    err << kProgram << "reading " << logs.joined << " as "
        << LogFormatWithArticle(LogFormatName(*format)) << "\n"
        << std::flush;
  }
  return true;
}

// The scan of the logs: progress on a terminal, the explanation, the
// battles into the report.
class Scan {
 public:
  Scan(const RunOptions& options, const StandardStreams& streams,
       const Logs& logs, LogFormat format)
      : options_(options), err_(streams.err), logs_(logs), format_(format) {
    if (streams.err_is_terminal && !options.quiet && !options.follow) {
      progress_ = std::make_unique<ProgressLine>(err_, TotalSize(logs.names));
    }
    settings_.extra_points = options.extra_points;
    settings_.automatic = options.levels.empty();
    settings_.levels = options.levels;
    for (const std::string& log : logs.names) {
      settings_.logs.push_back({log, std::string(LogFormatName(format))});
    }
  }

  // False, after saying why, when the explanation cannot be written or a
  // log could not be read to its end. With `followed`, the scan waits at
  // its end for more and calls `caught_up` each time it has read all there
  // is, until the following ends.
  bool Run(FollowedFile* followed = nullptr,
           const std::function<void()>& caught_up = {}) {
    std::vector<ByteSource*> parts;
    for (const auto& source : logs_.sources) {
      watched_.push_back(
          std::make_unique<WatchedSource>(source.get(), progress_.get()));
      parts.push_back(watched_.back().get());
    }
    // The explanation goes to standard error or its own file.
    ExplainFile explain_file;
    const bool to_file = options_.explain && !options_.explain_file.empty();
    if (to_file && !explain_file.Create(options_.explain_file, err_)) {
      return false;
    }
    std::unique_ptr<Explainer> explainer;
    if (options_.explain) {
      explainer = std::make_unique<Explainer>(
          to_file ? explain_file.stream() : err_, progress_.get());
    }
    run_ = std::make_unique<OptionsRun>(options_, err_, logs_.joined,
                                        progress_.get(), &settings_,
                                        explainer.get());
    if (begun_ != nullptr) {
      PendingFile* file = begun_;
      std::size_t unsynced = 0;
      run_->report().StreamTo([file, unsynced](std::string_view piece) mutable {
        file->stream().write(piece.data(),
                             static_cast<std::streamsize>(piece.size()));
        unsynced += piece.size();
        if (unsynced >= kWriteBackEvery) {
          file->StartWriteBack();
          unsynced = 0;
        }
      });
    }
    if (followed != nullptr) {
      followed->Follow(
          [] { return (FollowSignalsCaught() & kStopAsked) != 0; });
      run_->on_caught_up = caught_up;
      run_->KeepJournal();
      if (explainer && !followed->why_polling().empty()) {
        err_ << Quoted(followed->Name())
             << " is followed by reading it every second: "
             << followed->why_polling() << "\n"
             << std::flush;
      }
    }
    FinderOptions finder_options;
    finder_options.automatic = options_.levels.empty();
    finder_options.format = format_;
    finder_options.trace = explainer.get();
    added_ = FindBattles(parts, finder_options, run_.get(), &stats_);
    if (progress_) progress_->Clear();
    if (to_file && !explain_file.Publish(options_.force, err_)) return false;
    for (const auto& part : watched_) {
      if (part->read_error().empty()) continue;
      err_ << kProgram << "cannot read the log " << part->read_error()
           << "; no report was written\n"
           << std::flush;
      return false;
    }
    return SettingsHeld();
  }

  // Whether the settings could do what they say: a season needs dates,
  // and each repair should match one battle (a warning, or with --strict a
  // failure). False after saying why.
  bool SettingsHeld() {
    const Corrections& c = options_.corrections;
    if (!run_->undated().empty()) {
      err_ << kProgram << "a season (since, until) needs dated battles, and "
           << "the battle of " << VisibleControls(run_->undated())
           << " has no date: " << LogFormatWithArticle(LogFormatName(format_))
           << " gives none (--log-format names the client's format); no "
              "report was written\n"
           << std::flush;
      return false;
    }
    bool held = true;
    for (std::size_t i = 0; i < c.repairs.size(); ++i) {
      const std::size_t matched = run_->repair_matches()[i];
      if (matched == 1) continue;
      const Corrections::Repair& r = c.repairs[i];
      if (options_.quiet && !options_.strict) continue;
      err_ << kProgram << (options_.strict ? "" : "warning: ")
           << options_.config << " line " << r.line << ": the repair of "
           << VisibleControls(r.level) << " at " << VisibleControls(r.start)
           << (matched == 0 ? " matches no battle"
                            : " matches " + std::to_string(matched) +
                                  " battles (it is applied to each)")
           << (options_.strict ? " (--strict); no report was written" : "")
           << "\n"
           << std::flush;
      held = held && !options_.strict;
    }
    return held;
  }

  // The report file the report goes to as it is made (BeginReport); set
  // before Run.
  void set_begun(PendingFile* file) { begun_ = file; }
  PendingFile* begun() const { return begun_; }

  int added() const { return added_; }
  std::size_t lines() const { return stats_.lines; }
  ReportBuilder& report() { return run_->report(); }
  OptionsRun& run() { return *run_; }

 private:
  const RunOptions& options_;
  std::ostream& err_;
  const Logs& logs_;
  LogFormat format_;
  std::unique_ptr<ProgressLine> progress_;
  std::vector<std::unique_ptr<WatchedSource>> watched_;
  ExportSettings settings_;
  std::unique_ptr<OptionsRun> run_;
  FinderStats stats_;
  int added_ = 0;
  PendingFile* begun_ = nullptr;
};

// Publishes the report, prints its path on standard output and the summary
// on standard error. The exit status.
int PublishAndTell(const RunOptions& options, StandardStreams& streams,
                   Scan* scan, const std::string& hint, bool replace) {
  std::ostream& err = streams.err;
  ReportBuilder& report = scan->report();
  report.Finish();
  std::string target;
  const WriteOutcome outcome = PublishReport(options, report, streams.out,
                                             &target, replace, scan->begun());
  if (!outcome.ok) {
    err << kProgram << "cannot write the " << OutputNoun(options) << " to "
        << target << ": " << outcome.error << "\n"
        << std::flush;
    return 1;
  }
  // Said even with -q: something needs a hand.
  if (!outcome.warning.empty()) {
    err << kProgram << outcome.warning << "\n" << std::flush;
  }
  if (options.quiet) return 0;
  if (options.output != "-") {
    errno = 0;
    streams.out << outcome.path << "\n" << std::flush;
    if (!streams.out) {
      err << kProgram << "cannot write to standard output: "
          << (errno != 0 ? std::strerror(errno) : "write error")
          << " (the report is " << Quoted(outcome.path) << ")\n"
          << std::flush;
      return 1;
    }
  }
  std::error_code ec;
  const std::string where = options.output == "-"
                                ? std::string("standard output")
                                : std::filesystem::absolute(outcome.path, ec)
                                      .lexically_normal()
                                      .string();
  err << kProgram << Counted(report.battles(), "battle") << ", "
      << Counted(report.players(), "player") << ", "
      << Counted(scan->lines(), "line") << " read; " << OutputNoun(options)
      << " written to " << where << "\n"
      << hint << std::flush;
  return 0;
}

// The end of a scan: says that no battle was found, or publishes the
// report and tells where. The exit status.
int FinishRun(const RunOptions& options, StandardStreams& streams,
              const Logs& logs, Scan* scan, const std::string& hint,
              bool replace) {
  if (scan->added() == 0) {
    if (!options.quiet) {
      streams.err << kProgram << "no battle was found in " << logs.joined
                  << " (" << Counted(scan->lines(), "line")
                  << " read); no report was written\n"
                  << hint << std::flush;
    }
    return 0;
  }
  return PublishAndTell(options, streams, scan, hint, replace);
}

// The full path of the report file, for messages.
std::string FullPath(const std::string& path) {
  std::error_code ec;
  return std::filesystem::absolute(path, ec).lexically_normal().string();
}

// What a following reads with: the settings, the logs opened, their format.
struct Following {
  RunOptions options;
  Logs logs;
  Detection detected;
  LogFormat format = LogFormat::kClassic;
};

// Opens the logs of `options` and checks its output as a start does (the
// report `published` so far is this program's to replace); false after
// saying why.
bool PrepareFollowing(const RunOptions& options, StandardStreams& streams,
                      const std::string& published, Following* following) {
  following->options = options;
  if (!OpenLogs(options, streams, &following->logs)) return false;
  RunOptions checked = options;
  checked.force = options.force || published == options.output;
  if (const std::string problem =
          OutputProblem(checked, streams, following->logs);
      !problem.empty()) {
    streams.err << kProgram << problem << "\n" << std::flush;
    return false;
  }
  following->detected = DetectLogFormat(following->logs.first_bytes);
  return ChooseFormat(options, following->logs, following->detected,
                      streams.err, &following->format);
}

// Follow mode's publishing: each time the scan has caught up with the
// followed log and battles have ended since (or a file of it was read
// again), the report as it stands is published at -o, replacing the one
// published before, with one line on standard error unless -q. It also
// hears SIGHUP there: the settings and the logs are made ready for a new
// start, and only then does the following end to make the report anew.
class Republisher {
 public:
  // `*published` is the report this program published at -o so far
  // (empty: none), which it may replace; `*next` receives what a SIGHUP
  // makes ready.
  Republisher(const RunOptions& command_line, const RunOptions& options,
              StandardStreams& streams, std::string* published, Following* next)
      : command_line_(command_line),
        options_(options),
        streams_(streams),
        published_(published),
        next_(next) {}

  // Called on the scan's thread between lines.
  void CaughtUp(Scan* scan, FollowedFile* followed) {
    std::ostream& err = streams_.err;
    // Said even with -q: the log needs a hand.
    for (const std::string& notice : followed->TakeNotices()) {
      err << kProgram << "following: " << VisibleControls(notice) << "\n"
          << std::flush;
    }
    // Once a reload is ready the following is ending: nothing more is
    // published or reloaded here.
    if (reloaded_ || Reloaded(followed)) return;
    const OptionsRun::News news = scan->run().TakeNews();
    const bool first = first_;
    first_ = false;
    if (news.battles == 0 && !news.read_again) {
      if (first && !options_.quiet) {
        err << kProgram << "following " << Quoted(followed->Name())
            << ": no battle yet, the report is written when one ends\n"
            << std::flush;
      }
      return;
    }
    ReportBuilder& report = scan->report();
    // A log read again may hold no battle now: the report as it was stays
    // until one ends (no report is ever made of none).
    if (report.battles() == 0) return;
    report.Finish();
    std::string target;
    const WriteOutcome outcome =
        PublishReport(options_, report, streams_.out, &target, Replaces());
    if (!outcome.ok) {
      err << kProgram << "cannot write the " << OutputNoun(options_) << " to "
          << target << ": " << outcome.error;
      if (published_->empty()) {
        // As a run that cannot write its report: the following ends.
        err << "\n" << std::flush;
        failed_ = true;
        followed->EndWaiting();
        return;
      }
      err << "; it is written again when the next battle ends\n" << std::flush;
      return;
    }
    *published_ = options_.output;
    if (!outcome.warning.empty()) {
      err << kProgram << outcome.warning << "\n" << std::flush;
    }
    if (!options_.quiet) Tell(news, report, outcome, first, *followed);
  }

  // Whether the report at -o is replaced: with --force, or when it is the
  // one this program published.
  bool Replaces() const {
    return options_.force || *published_ == options_.output;
  }
  bool failed() const { return failed_; }
  // A SIGHUP made `*next` ready, and the following ended for it.
  bool reloaded() const { return reloaded_; }

 private:
  // The line for a published report.
  void Tell(const OptionsRun::News& news, const ReportBuilder& report,
            const WriteOutcome& outcome, bool first,
            const FollowedFile& followed) {
    std::ostream& err = streams_.err;
    err << kProgram;
    if (news.read_again) {
      err << Quoted(followed.Name())
          << " changed and was read again from its start"
          << (news.battles > 0 ? "; " : " ");
    }
    if (news.battles == 1) {
      err << "event " << news.event << ", ";
    } else if (news.battles > 1) {
      err << "events " << news.event - news.battles + 1 << " to " << news.event
          << ", the last ";
    }
    if (news.battles > 0) {
      err << VisibleControls(news.level) << ", won by "
          << VisibleControls(news.winner) << " ";
    }
    err << "(" << Counted(report.battles(), "battle") << ", "
        << Counted(report.players(), "player") << "): " << OutputNoun(options_)
        << " written to " << FullPath(outcome.path);
    if (first) err << "; following " << Quoted(followed.Name());
    err << "\n" << std::flush;
  }

  // SIGHUP: the settings read again and the logs opened as a new start
  // would; true when they are ready and the following ends for them.
  // When they cannot be, it is said, and the report and the following go
  // on as they were.
  bool Reloaded(FollowedFile* followed) {
    const int asked = FollowSignalsCaught();
    if ((asked & kReloadAsked) == 0 || (asked & kStopAsked) != 0) return false;
    ForgetReload();
    std::ostream& err = streams_.err;
    RunOptions reread;
    std::string error;
    if (!LoadSettings(command_line_, &reread, &error)) {
      err << kProgram << error << " (the settings stay as they were)\n"
          << std::flush;
      reread = options_;
    }
    *next_ = Following{};
    if (!PrepareFollowing(reread, streams_, *published_, next_)) {
      *next_ = Following{};
      err << kProgram << "the logs are not read again: the report stays as "
          << "it was, and " << Quoted(followed->Name()) << " is followed on\n"
          << std::flush;
      return false;
    }
    reloaded_ = true;
    followed->EndWaiting();
    return true;
  }

  const RunOptions& command_line_;
  const RunOptions& options_;
  StandardStreams& streams_;
  std::string* published_;
  Following* next_;
  bool first_ = true;
  bool failed_ = false;
  bool reloaded_ = false;
};

}  // namespace

int RunFollowing(const RunOptions& command_line, const RunOptions& options,
                 StandardStreams& streams) {
  CatchFollowSignals();
  std::string published;
  auto now = std::make_unique<Following>();
  if (!PrepareFollowing(options, streams, published, now.get())) return 1;
  for (;;) {
    auto next = std::make_unique<Following>();
    {
      Republisher republisher(command_line, now->options, streams, &published,
                              next.get());
      Scan scan(now->options, streams, now->logs, now->format);
      FollowedFile* followed = now->logs.followed;
      if (!scan.Run(followed, [&] { republisher.CaughtUp(&scan, followed); }) ||
          republisher.failed()) {
        return 1;
      }
      if (!republisher.reloaded()) {
        // SIGTERM or SIGINT: the end of the log closes the open battle, and
        // the run ends as a run on the log as it stands ends.
        return FinishRun(now->options, streams, now->logs, &scan,
                         FormatHint(now->detected, now->format),
                         republisher.Replaces());
      }
    }
    // SIGHUP: the report made anew from the logs as they stand, as a new
    // start would make it.
    if (!next->options.quiet) {
      streams.err << kProgram << "reading the logs again"
                  << (next->options.config.empty()
                          ? ""
                          : " with " + Quoted(next->options.config))
                  << "\n"
                  << std::flush;
    }
    now = std::move(next);
  }
}

int RunUnattended(const RunOptions& options, StandardStreams& streams) {
  std::ostream& err = streams.err;
  Logs logs;
  if (!OpenLogs(options, streams, &logs)) return 1;
  if (const std::string problem = OutputProblem(options, streams, logs);
      !problem.empty()) {
    err << kProgram << problem << "\n" << std::flush;
    return 1;
  }
  const Detection detected = DetectLogFormat(logs.first_bytes);
  LogFormat format = LogFormat::kClassic;
  if (!ChooseFormat(options, logs, detected, err, &format)) return 1;

  std::unique_ptr<PendingFile> begun;
  if (!BeginReport(options, err, &begun)) return 1;
  Scan scan(options, streams, logs, format);
  scan.set_begun(begun.get());
  if (!scan.Run()) return 1;
  return FinishRun(options, streams, logs, &scan, FormatHint(detected, format),
                   options.force);
}

}  // namespace vexlane
