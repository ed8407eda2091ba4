#include "app/output_checks.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/platform.h"
#include "base/text.h"
#include "publish/output_file.h"
#include "publish/site_directory.h"

namespace vexlane {

namespace {

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

// Why the site cannot be written to the directory `path`, or empty when it
// can: an existing directory is replaced only with --force, only when this
// program made it, and never when a log or the settings file is in it (the
// files somebody else put there are kept in the new site).
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

}  // namespace

// What the run writes, for messages: "report", or "site".
std::string_view OutputNoun(const RunOptions& options) {
  return options.format == ReportFormat::kSite ? "site" : "report";
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

}  // namespace vexlane
