// The parts of a run from the command line: the logs opened once, the
// format they are read as, the scan of them into a report, and the
// report's publishing with the user's messages.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/options_run.h"
#include "app/report_builder.h"
#include "app/static_files.h"
#include "app/unattended.h"
#include "base/platform.h"
#include "log/battle_finder.h"
#include "log/byte_source.h"
#include "log/followed_file.h"
#include "log/log_format.h"
#include "publish/output_file.h"
#include "render/report_format.h"
#include "ui/progress.h"

namespace vexlane {

// "1 battle", "2 battles".
std::string Counted(std::size_t n, std::string_view thing);

// A line telling that the log looks like another format than it was read
// as, or like one the program cannot read; empty when neither.
std::string FormatHint(const Detection& detected, LogFormat format);

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
              Logs* logs);

// The format to read the logs as: the one asked for, or with
// --log-format auto the one the first bytes show. False after saying why
// it cannot be read.
bool ChooseFormat(const RunOptions& options, const Logs& logs,
                  const Detection& detected, std::ostream& err,
                  LogFormat* format);

// Why the settings left out every battle found ("the season ... leaves out
// all 12 battles ..."), or empty when they did not (or none was found).
std::string WhyNone(const RunOptions& options, const OptionsRun::LeftOut& out);

// Publishes the report where the options say, with `replace` over a file
// of that name. The outcome names the file.
// `begun`: the report file begun before the scan (BeginReport), or null;
// `statics`: the files a site copies in, or null.
WriteOutcome PublishReport(const RunOptions& options, ReportBuilder& report,
                           std::ostream& out, std::string* target, bool replace,
                           PendingFile* begun = nullptr,
                           const std::vector<StaticFile>* statics = nullptr);

// Reads the static folder of the options (--static) into `*files`, when
// they name one. False with `*error` when the site cannot take it.
bool ReadStaticFiles(const RunOptions& options, std::vector<StaticFile>* files,
                     std::string* error);

// Begins the report file before the scan where the output renders its
// battles as they come (JSON, CSV) and goes to a file: its battles then go
// to the file as they are rendered instead of waiting in memory, and a
// file that cannot be made is told before the logs are read. Not with
// --explain to a file: the signal handlers remove one temporary file.
// False, after saying why, when the file cannot be made; `*begun` is left
// as it is where the report is not begun.
bool BeginReport(const RunOptions& options, std::ostream& err,
                 std::unique_ptr<PendingFile>* begun);

class WatchedSource;

// The scan of the logs: progress on a terminal, the explanation, the
// battles into the report.
class Scan {
 public:
  Scan(const RunOptions& options, const StandardStreams& streams,
       const Logs& logs, LogFormat format);
  ~Scan();
  Scan(const Scan&) = delete;
  Scan& operator=(const Scan&) = delete;

  // False, after saying why, when the explanation cannot be written or a
  // log could not be read to its end. With `followed`, the scan waits at
  // its end for more and calls `caught_up` each time it has read all there
  // is, until the following ends.
  bool Run(FollowedFile* followed = nullptr,
           const std::function<void()>& caught_up = {});

  // Whether the settings could do what they say: a season needs dates,
  // and each repair should match one battle (a warning, or with --strict a
  // failure). False after saying why. A repair of a stamp alone that
  // matches battles of two days fails a run, and is a warning when
  // following (the service goes on).
  bool SettingsHeld();

  // The report file the report goes to as it is made (BeginReport); set
  // before Run.
  void set_begun(PendingFile* file) { begun_ = file; }
  PendingFile* begun() const { return begun_; }
  // The files the site copies in from the static folder; whether they
  // hold a custom.css the pages link to.
  void set_static_files(std::vector<StaticFile> files) {
    settings_.custom_css = HoldsCustomStyle(files);
    static_files_ = std::move(files);
  }
  const std::vector<StaticFile>& static_files() const { return static_files_; }

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
  bool following_ = false;
  PendingFile* begun_ = nullptr;
  std::vector<StaticFile> static_files_;
};

// The end of a scan: says that no battle was found, or publishes the
// report and tells where. The exit status.
int FinishRun(const RunOptions& options, StandardStreams& streams,
              const Logs& logs, Scan* scan, const std::string& hint,
              bool replace);

// The full path of the report file, for messages.
std::string FullPath(const std::string& path);

}  // namespace vexlane
