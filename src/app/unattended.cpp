#include "app/unattended.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <vector>

#include "app/report_builder.h"
#include "base/text.h"
#include "log/byte_source.h"
#include "log/gzip_source.h"
#include "log/log_reader.h"
#include "report/output_file.h"
#include "ui/progress.h"

namespace vexlane {

namespace {

constexpr std::string_view kProgram = "vexlane-stats: ";
constexpr std::string_view kDefaultLog = "#battle.log";

constexpr std::size_t kPeekBytes = 1 << 16;
constexpr std::size_t kFirstLines = 200;

// The first lines of a log (at most kFirstLines), read on their own.
std::vector<std::string> FirstLines(ByteSource* source) {
  std::vector<std::string> lines;
  LogReader reader;
  if (!reader.Open(source)) return lines;
  std::string_view line;
  while (lines.size() < kFirstLines && reader.Next(&line)) {
    lines.emplace_back(line);
  }
  reader.Close();
  return lines;
}

// The first lines of `bytes`.
std::vector<std::string> FirstLines(std::string_view bytes) {
  MemorySource memory(bytes);
  return FirstLines(&memory);
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
    if (n < 0 && read_error_.empty()) {
      read_error_ = Quoted(inner_->Name()) + ": " + *error;
    }
    if (n > 0) done_ += static_cast<std::uint64_t>(n);
    if (progress_ != nullptr) progress_->Update(done_);
    return n;
  }
  void Close() override { inner_->Close(); }
  const std::string& Name() const override { return inner_->Name(); }

  const std::string& read_error() const { return read_error_; }

 private:
  ByteSource* inner_;
  ProgressLine* progress_;
  std::uint64_t done_ = 0;
  std::string read_error_;
};

// Writes the finder's explanation, one grep-friendly line an event:
// "LOG line N: what happened".
class Explainer : public FinderTrace {
 public:
  Explainer(std::ostream& out, ProgressLine* progress)
      : out_(out), progress_(progress) {}
  void Event(std::string_view log, std::size_t line,
             std::string_view text) override {
    if (progress_ != nullptr) progress_->Clear();
    out_ << log << " line " << line << ": " << text << "\n";
  }

 private:
  std::ostream& out_;
  ProgressLine* progress_;
};

// The command line's side of the battle finder: the battles are taken as
// found, the levels come from the options in order.
class OptionsRun : public FinderClient {
 public:
  OptionsRun(const RunOptions& options, std::ostream& err, std::string log_name,
             ProgressLine* progress, ExportSettings* settings)
      : options_(options),
        err_(err),
        log_name_(std::move(log_name)),
        progress_(progress),
        report_(options.format, settings) {}

  void BattleFound(FoundBattle* battle) override { report_.Add(battle); }

  bool NextLevel(int event, std::string* level, bool force) override {
    if (event == 1 && !force) {
      *level = options_.levels[0];
      next_ = 1;
      return true;
    }
    if (next_ >= options_.levels.size()) return false;
    *level = options_.levels[next_++];
    return true;
  }

  void LevelNotFound(const std::string& level) override {
    if (progress_ != nullptr) progress_->Clear();
    err_ << kProgram << "level " << level << " was not found in " << log_name_
         << "\n"
         << std::flush;
  }

  ReportBuilder& report() { return report_; }

 private:
  const RunOptions& options_;
  std::ostream& err_;
  std::string log_name_;
  ProgressLine* progress_;
  ReportBuilder report_;
  std::size_t next_ = 0;
};

// Checks before the scan that the report can go where it is asked to, so
// that a long run does not end with nowhere to write. Empty when it can.
std::string OutputProblem(const RunOptions& options,
                          const StandardStreams& streams) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (options.output == "-") {
    return streams.out_was_closed
               ? "cannot write the report to standard output: it is closed"
               : "";
  }
  if (!options.output.empty()) {
    const fs::path path(options.output);
    if (!options.force && fs::exists(fs::symlink_status(path, ec))) {
      return "cannot write the report to " + Quoted(options.output) +
             ": the file exists and is not replaced (--force replaces it)";
    }
    const fs::path parent = path.parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
      return "cannot write the report to " + Quoted(options.output) + ": " +
             Quoted(parent.string()) + " is not a directory";
    }
    return "";
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

}  // namespace

int RunUnattended(const RunOptions& options, StandardStreams& streams) {
  std::ostream& err = streams.err;
  const std::vector<std::string> logs =
      options.logs.empty() ? std::vector<std::string>{std::string(kDefaultLog)}
                           : options.logs;

  std::vector<std::unique_ptr<ByteSource>> sources;
  StdinSource* stdin_source = nullptr;
  for (const std::string& log : logs) {
    if (log == "-") {
      auto source = std::make_unique<StdinSource>();
      stdin_source = source.get();
      sources.push_back(std::move(source));
      continue;
    }
    if (IsGzipName(log)) {
      sources.push_back(std::make_unique<GzipSource>(log));
    } else {
      sources.push_back(std::make_unique<FileSource>(log));
    }
    // A log that cannot be read is told before anything else is done.
    LogReader probe(1);
    if (!probe.Open(sources.back().get())) {
      err << kProgram << "cannot read the log " << Quoted(log) << ": "
          << probe.error() << "\n"
          << std::flush;
      return 1;
    }
    probe.Close();
  }
  std::string log_name = logs[0];
  for (std::size_t i = 1; i < logs.size(); ++i) log_name += ", " + logs[i];

  if (const std::string problem = OutputProblem(options, streams);
      !problem.empty()) {
    err << kProgram << problem << "\n" << std::flush;
    return 1;
  }

  // The first lines tell the format, and whether a classic reading of them
  // could find anybody speaking.
  const std::vector<std::string> first_lines =
      stdin_source != nullptr ? FirstLines(stdin_source->Peek(kPeekBytes))
                              : FirstLines(sources[0].get());
  const LogFormat likely = DetectLogFormat(first_lines);
  LogFormat format = options.log_format;
  if (options.detect_format) {
    format = likely;
    if (!options.quiet) {
      err << kProgram << "reading " << log_name << " as a "
          << LogFormatName(format) << " log\n"
          << std::flush;
    }
  }

  std::unique_ptr<ProgressLine> progress;
  if (streams.err_is_terminal && !options.quiet) {
    progress = std::make_unique<ProgressLine>(err, TotalSize(logs));
  }
  std::vector<std::unique_ptr<WatchedSource>> watched;
  std::vector<ByteSource*> parts;
  for (const auto& source : sources) {
    watched.push_back(
        std::make_unique<WatchedSource>(source.get(), progress.get()));
    parts.push_back(watched.back().get());
  }
  ExportSettings settings;
  settings.extra_points = options.extra_points;
  settings.automatic = options.levels.empty();
  settings.levels = options.levels;
  for (const std::string& log : logs) {
    settings.logs.push_back({log, std::string(LogFormatName(format))});
  }
  // The explanation goes to standard error or its own file.
  std::ofstream explain_file;
  std::unique_ptr<Explainer> explainer;
  if (options.explain) {
    std::ostream* to = &err;
    if (!options.explain_file.empty()) {
      explain_file.open(options.explain_file, std::ios::binary);
      if (!explain_file) {
        err << kProgram << "cannot write the explanation to "
            << Quoted(options.explain_file) << ": " << std::strerror(errno)
            << "\n"
            << std::flush;
        return 1;
      }
      to = &explain_file;
    }
    explainer = std::make_unique<Explainer>(*to, progress.get());
  }

  OptionsRun run(options, err, log_name, progress.get(), &settings);
  FinderOptions finder_options;
  finder_options.automatic = options.levels.empty();
  finder_options.format = format;
  finder_options.trace = explainer.get();
  FinderStats stats;
  const int added = FindBattles(parts, finder_options, &run, &stats);
  if (progress) progress->Clear();
  if (explain_file.is_open()) {
    explain_file.close();
    if (!explain_file) {
      err << kProgram << "cannot write the explanation to "
          << Quoted(options.explain_file) << "\n"
          << std::flush;
      return 1;
    }
  }

  for (const auto& part : watched) {
    if (part->read_error().empty()) continue;
    err << kProgram << "cannot read the log " << part->read_error()
        << "; no report was written\n"
        << std::flush;
    return 1;
  }
  if (added == 0) {
    if (!options.quiet) {
      err << kProgram << "no battle was found in " << log_name << " ("
          << stats.lines << " lines read); no report was written\n";
      // Hardly anybody speaks in a classic reading: likely another format.
      if (format == LogFormat::kClassic && likely != LogFormat::kClassic &&
          LinesWithSpeaker(first_lines) * 10 < first_lines.size()) {
        err << kProgram << "the log looks like a " << LogFormatName(likely)
            << " log: try --log-format " << LogFormatName(likely) << "\n";
      }
      err << std::flush;
    }
    return 0;
  }

  ReportBuilder& report = run.report();
  report.Finish();
  WriteOutcome outcome;
  std::string target;
  if (options.output == "-") {
    target = "standard output";
    streams.out.flush();
    outcome = WriteReportTo(report.Pieces(), stdout);
  } else if (!options.output.empty()) {
    target = Quoted(options.output);
    outcome = options.force ? ReplaceReport(report.Pieces(), options.output)
                            : WriteNewReport(report.Pieces(), options.output);
  } else {
    outcome = WriteNumberedReport(report.Pieces(), ExtensionOf(options.format),
                                  options.directory);
    target =
        outcome.path.empty()
            ? "a BattleNN file in " +
                  Quoted(options.directory.empty() ? "." : options.directory)
            : Quoted(outcome.path);
  }
  if (!outcome.ok) {
    err << kProgram << "cannot write the report to " << target << ": "
        << outcome.error << "\n"
        << std::flush;
    return 1;
  }
  if (!options.quiet && options.output != "-") {
    streams.out << outcome.path << "\n" << std::flush;
  }
  if (!options.quiet) {
    std::error_code ec;
    const std::string where = options.output == "-"
                                  ? std::string("standard output")
                                  : std::filesystem::absolute(outcome.path, ec)
                                        .lexically_normal()
                                        .string();
    err << kProgram << report.battles() << " battles, " << report.players()
        << " players, " << stats.lines << " lines read; report written to "
        << where << "\n"
        << std::flush;
  }
  return 0;
}

}  // namespace vexlane
