#include "app/log_run.h"

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
#include "app/output_checks.h"
#include "base/out_of_memory.h"
#include "base/platform.h"
#include "base/text.h"
#include "base/version.h"
#include "log/byte_source.h"
#include "log/gzip_source.h"
#include "publish/output_file.h"
#include "publish/site_directory.h"
#include "render/site_report.h"
#include "scoring/corrections.h"
#include "ui/dialog.h"
#include "ui/progress.h"

namespace vexlane {

namespace {

constexpr std::string_view kProgram = kMessagePrefix;

constexpr std::size_t kPeekBytes = 1 << 16;

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

// Publishes the report, prints its path on standard output and the summary
// on standard error. The exit status.
int PublishAndTell(const RunOptions& options, StandardStreams& streams,
                   Scan* scan, const std::string& hint, bool replace) {
  std::ostream& err = streams.err;
  ReportBuilder& report = scan->report();
  report.Finish();
  std::string target;
  const WriteOutcome outcome =
      PublishReport(options, report, streams.out, &target, replace,
                    scan->begun(), &scan->static_files());
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
  if (options.explain) {
    for (const std::string& kept : outcome.kept) {
      err << kProgram << "kept " << Quoted(kept)
          << " in the site: this program did not write it\n";
    }
    err << std::flush;
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

}  // namespace

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

// Publishes the report where the options say, with `replace` over a file
// of that name. The outcome names the file.
// `begun`: the report file begun before the scan (BeginReport), or null.
WriteOutcome PublishReport(const RunOptions& options, ReportBuilder& report,
                           std::ostream& out, std::string* target, bool replace,
                           PendingFile* begun,
                           const std::vector<StaticFile>* statics) {
  WriteOutcome outcome;
  if (options.output == "-") {
    *target = "standard output";
    out.flush();
    return WriteReportTo(report.Pieces(), stdout);
  }
  if (options.format == ReportFormat::kSite) {
    *target = Quoted(options.output);
    const ExportModel model = report.model();
    return PublishSite(
        [&model, &report, statics](PageSink* pages) {
          RenderSite(model, &report.battle_sections(), pages);
          if (statics != nullptr) AddStaticFiles(*statics, pages);
        },
        options.output, replace, /*ends_run=*/true);
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

bool ReadStaticFiles(const RunOptions& options, std::vector<StaticFile>* files,
                     std::string* error) {
  files->clear();
  return options.static_dir.empty() ||
         ReadStaticFolder(options.static_dir, files, error);
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

Scan::Scan(const RunOptions& options, const StandardStreams& streams,
           const Logs& logs, LogFormat format)
    : options_(options), err_(streams.err), logs_(logs), format_(format) {
  if (streams.err_is_terminal && !options.quiet && !options.follow) {
    progress_ = std::make_unique<ProgressLine>(err_, TotalSize(logs.names));
  }
  settings_.extra_points = options.extra_points;
  settings_.automatic = options.levels.empty();
  settings_.levels = options.levels;
  settings_.title = options.title;
  settings_.home = options.home;
  for (const std::string& log : logs.names) {
    settings_.logs.push_back({log, std::string(LogFormatName(format))});
  }
}

Scan::~Scan() = default;

bool Scan::Run(FollowedFile* followed, const std::function<void()>& caught_up) {
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
  following_ = followed != nullptr;
  if (followed != nullptr) {
    followed->Follow([] { return (FollowSignalsCaught() & kStopAsked) != 0; });
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
  added_ = InStage("reading the logs", [&] {
    return FindBattles(parts, finder_options, run_.get(), &stats_);
  });
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

bool Scan::SettingsHeld() {
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
    const std::vector<std::string>& dates = run_->repair_dates()[i];
    if (dates.size() > 1 && !following_) {
      // A stamp without a date on battles of different days: which one was
      // meant cannot be told, and would not change from run to run.
      err_ << options_.config << ":" << r.line << ": the repair of "
           << VisibleControls(r.level) << " at " << VisibleControls(r.start)
           << " matches battles on " << dates[0]
           << (dates.size() > 2 ? ", " + dates[1] + " and more"
                                : " and " + dates[1])
           << ": give its date too (\"" << dates[0] << " "
           << VisibleControls(r.start) << "\"); no report was written\n"
           << std::flush;
      held = false;
      continue;
    }
    if (options_.quiet && !options_.strict) continue;
    err_ << options_.config << ":" << r.line << ": "
         << (options_.strict ? "" : "warning: ") << "the repair of "
         << VisibleControls(r.level) << " at " << VisibleControls(r.start)
         << (matched == 0 ? " matches no battle"
                          : " matches " + std::to_string(matched) +
                                " battles (it is applied to each)")
         << (matched == 0 && r.start.size() > 8 && run_->undated_seen()
                 ? " (the log gives its battles no dates: write the start "
                   "without its date, or name the log's format with "
                   "--log-format)"
                 : "")
         << (options_.strict ? " (--strict); no report was written" : "")
         << "\n"
         << std::flush;
    held = held && !options_.strict;
  }
  for (const OptionsRun::NotDropped& missed : run_->not_dropped()) {
    if (options_.quiet && !options_.strict) continue;
    err_ << options_.config << ":" << missed.line << ": "
         << (options_.strict ? "" : "warning: ") << VisibleControls(missed.text)
         << (options_.strict ? " (--strict); no report was written" : "")
         << "\n"
         << std::flush;
    held = held && !options_.strict;
  }
  return held;
}

std::string WhyNone(const RunOptions& options, const OptionsRun::LeftOut& out) {
  if (out.found == 0) return "";
  const Corrections& c = options.corrections;
  if (out.out_of_season == out.found) {
    const std::string season = !c.since.empty() && !c.until.empty()
                                   ? c.since + " to " + c.until
                               : !c.since.empty() ? "from " + c.since
                                                  : "up to " + c.until;
    return "the season " + season + " leaves out all " +
           Counted(out.found, "battle") + " (the log spans " + out.first_date +
           " to " + out.last_date + ")";
  }
  if (out.all_ignored > 0 && out.all_ignored + out.out_of_season == out.found) {
    return "every nick with a time in the " +
           Counted(out.all_ignored, "battle") + " found is ignored by 'ignore'";
  }
  return "";
}

// The end of a scan: says that no battle was found, or publishes the
// report and tells where. The exit status.
int FinishRun(const RunOptions& options, StandardStreams& streams,
              const Logs& logs, Scan* scan, const std::string& hint,
              bool replace) {
  if (scan->added() == 0) {
    // Said even with -q: quiet silences progress, not why nothing came.
    const std::string why = WhyNone(options, scan->run().left_out());
    if (!why.empty()) {
      streams.err << kProgram << why << "; no report was written\n"
                  << std::flush;
    } else if (!options.quiet || !hint.empty()) {
      // A log of another format is a reason, said even with -q.
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

}  // namespace vexlane
