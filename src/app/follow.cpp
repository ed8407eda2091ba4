// --follow: the run that keeps reading the last log as the client writes
// it, republishes the report as battles end, and reads its settings again
// at SIGHUP.
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/log_run.h"
#include "app/options_run.h"
#include "app/output_checks.h"
#include "app/unattended.h"
#include "base/platform.h"
#include "base/text.h"
#include "base/version.h"
#include "log/followed_file.h"
#include "log/log_format.h"
#include "publish/output_file.h"

namespace vexlane {

namespace {

constexpr std::string_view kProgram = kMessagePrefix;

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
      // Settings that leave out every battle are said even with -q.
      const std::string why = WhyNone(options_, scan->run().left_out());
      if (first && (!why.empty() || !options_.quiet)) {
        err << kProgram << "following " << Quoted(followed->Name()) << ": "
            << (why.empty() ? "no battle yet" : why)
            << ", the report is written when one ends\n"
            << std::flush;
      }
      return;
    }
    ReportBuilder& report = scan->report();
    // A log read again may hold no battle now: the report as it was stays
    // until one ends (no report is ever made of none).
    if (report.battles() == 0) return;
    report.Finish();
    std::string target = Quoted(options_.output);
    // The static folder read again: its files as they are now go out.
    WriteOutcome outcome;
    std::vector<StaticFile> statics;
    if (ReadStaticFiles(options_, &statics, &outcome.error)) {
      scan->set_static_files(std::move(statics));
      outcome = PublishReport(options_, report, streams_.out, &target,
                              Replaces(), nullptr, &scan->static_files());
    }
    // Asked to stop while the site was built: the following ends, the
    // site as it was.
    if (outcome.stopped) return;
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
      err << error << " (the settings stay as they were)\n" << std::flush;
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
  bool reloading = false;  // past the start
  for (;;) {
    auto next = std::make_unique<Following>();
    {
      Republisher republisher(command_line, now->options, streams, &published,
                              next.get());
      Scan scan(now->options, streams, now->logs, now->format);
      // The static folder is read again at every publish; a start that
      // cannot take it stops as a run does, a reload says so and goes on.
      std::vector<StaticFile> statics;
      if (std::string error; !ReadStaticFiles(now->options, &statics, &error)) {
        streams.err << kProgram << error << "\n" << std::flush;
        if (!reloading) return 2;
      }
      reloading = true;
      scan.set_static_files(std::move(statics));
      FollowedFile* followed = now->logs.followed;
      // Settings that fail at the end of a run (--strict) end a following
      // only when it ends: a reload goes on with the settings read again.
      const bool ran =
          scan.Run(followed, [&] { republisher.CaughtUp(&scan, followed); });
      if ((!ran && !republisher.reloaded()) || republisher.failed()) return 1;
      if (!republisher.reloaded()) {
        // SIGTERM or SIGINT: the end of the log closes the open battle, and
        // the run ends as a run on the log as it stands ends (a second
        // signal cuts its site short).
        ForgetStop();
        // The last publish too takes the static folder as it is now; one
        // that cannot be read fails the run as a battle's publish fails.
        std::vector<StaticFile> last;
        if (std::string error; !ReadStaticFiles(now->options, &last, &error)) {
          streams.err << kProgram << "cannot write the site to "
                      << Quoted(now->options.output) << ": " << error << "\n"
                      << std::flush;
          return 1;
        }
        scan.set_static_files(std::move(last));
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

}  // namespace vexlane
