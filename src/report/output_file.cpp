#include "report/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/platform.h"
#include "base/text.h"

namespace vexlane {

namespace {

constexpr int kMaxReports = 99;

bool CanOpenForReading(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

bool WriteAll(std::FILE* f, std::string_view text) {
  return text.empty() ||
         std::fwrite(text.data(), 1, text.size(), f) == text.size();
}

std::string ErrnoText() {
  return errno != 0 ? std::strerror(errno) : "write error";
}

// Writes every piece, flushes and closes `f`; false with `*error` set when
// any of it failed.
bool WriteAndClose(std::FILE* f, const std::vector<std::string_view>& pieces,
                   std::string* error) {
  errno = 0;
  bool ok = true;
  for (std::string_view piece : pieces) ok = ok && WriteAll(f, piece);
  ok = (std::fflush(f) == 0) && ok;
  if (!ok) *error = ErrnoText();
  errno = 0;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    *error = ErrnoText();
  }
  return ok;
}

}  // namespace

std::string ReportFileName(int number, std::string_view extension) {
  std::string name =
      "Battle" + TwoDigitText(static_cast<std::uint64_t>(number));
  name += extension;
  return name;
}

WriteOutcome WriteNumberedReport(const std::vector<std::string_view>& pieces,
                                 std::string_view extension,
                                 const std::string& directory) {
  const std::string prefix = directory.empty() || directory.back() == '/'
                                 ? directory
                                 : directory + "/";
  WriteOutcome outcome;
  int number = 1;
  while (number <= kMaxReports &&
         CanOpenForReading(prefix + ReportFileName(number, extension))) {
    ++number;
  }
  if (number > kMaxReports) {
    outcome.error = "all report names up to 99 are taken";
    return outcome;
  }

  const std::string name = ReportFileName(number, extension);
  outcome = WriteNewReport(pieces, prefix + name);
  outcome.name = name;
  return outcome;
}

WriteOutcome WriteNewReport(const std::vector<std::string_view>& pieces,
                            const std::string& path) {
  WriteOutcome outcome;
  outcome.path = path;
  // Exclusive creation: a name that exists but could not be read, or that
  // another program took in the meantime, is never replaced.
  errno = 0;
  std::FILE* f = CreateNewFile(path);
  if (f == nullptr) {
    outcome.error = ErrnoText();
    return outcome;
  }
  if (!WriteAndClose(f, pieces, &outcome.error)) {
    std::remove(path.c_str());
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

WriteOutcome ReplaceReport(const std::vector<std::string_view>& pieces,
                           const std::string& path) {
  WriteOutcome outcome;
  outcome.path = path;
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (std::filesystem::exists(status) &&
      !std::filesystem::is_regular_file(status)) {
    outcome.error = "not a regular file, so it is not replaced";
    return outcome;
  }
  std::string temp;
  errno = 0;
  std::FILE* f = CreateTempFileBeside(path, &temp);
  if (f == nullptr) {
    outcome.error = ErrnoText();
    return outcome;
  }
  if (!WriteAndClose(f, pieces, &outcome.error)) {
    std::remove(temp.c_str());
    return outcome;
  }
  errno = 0;
  if (!ReplaceExistingFile(temp, path)) {
    outcome.error = ErrnoText();
    std::remove(temp.c_str());
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

WriteOutcome WriteReportTo(const std::vector<std::string_view>& pieces,
                           std::FILE* stream) {
  WriteOutcome outcome;
  errno = 0;
  bool ok = true;
  for (std::string_view piece : pieces) ok = ok && WriteAll(stream, piece);
  ok = (std::fflush(stream) == 0) && ok;
  if (!ok) {
    outcome.error = ErrnoText();
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

}  // namespace vexlane
