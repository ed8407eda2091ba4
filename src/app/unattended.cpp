#include "app/unattended.h"

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/log_run.h"
#include "app/output_checks.h"
#include "base/version.h"
#include "log/log_format.h"
#include "publish/output_file.h"

namespace vexlane {

namespace {

constexpr std::string_view kProgram = kMessagePrefix;

}  // namespace

int RunUnattended(const RunOptions& options, StandardStreams& streams) {
  std::ostream& err = streams.err;
  Logs logs;
  if (!OpenLogs(options, streams, &logs)) return 1;
  if (const std::string problem = OutputProblem(options, streams, logs);
      !problem.empty()) {
    err << kProgram << problem << "\n" << std::flush;
    return 1;
  }
  // A static folder the site cannot take is a mistake of the command
  // line or the settings, told before anything is written.
  std::vector<StaticFile> statics;
  if (std::string error; !ReadStaticFiles(options, &statics, &error)) {
    err << kProgram << error << "\n" << std::flush;
    return 2;
  }
  const Detection detected = DetectLogFormat(logs.first_bytes);
  LogFormat format = LogFormat::kClassic;
  if (!ChooseFormat(options, logs, detected, err, &format)) return 1;

  std::unique_ptr<PendingFile> begun;
  if (!BeginReport(options, err, &begun)) return 1;
  Scan scan(options, streams, logs, format);
  scan.set_begun(begun.get());
  scan.set_static_files(std::move(statics));
  if (!scan.Run()) return 1;
  return FinishRun(options, streams, logs, &scan, FormatHint(detected, format),
                   options.force);
}

}  // namespace vexlane
