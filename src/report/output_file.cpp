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

// Removes a temporary file that will not become a report.
void Discard(const std::string& temp) {
  std::remove(temp.c_str());
  SetTemporaryFile(nullptr);
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

namespace {

// Writes `pieces` to a new temporary file beside `path`, on the disk when
// it returns true; `*temp` is its name. Signals remove it while it exists.
bool WriteTemporary(const std::vector<std::string_view>& pieces,
                    const std::string& path, std::string* temp,
                    std::string* error) {
  errno = 0;
  std::FILE* f = CreateTempFileBeside(path, temp);
  if (f == nullptr) {
    *error = ErrnoText();
    return false;
  }
  SetTemporaryFile(temp->c_str());
  errno = 0;
  bool ok = true;
  for (std::string_view piece : pieces) ok = ok && WriteAll(f, piece);
  ok = ok && SyncFile(f);
  if (!ok) *error = ErrnoText();
  errno = 0;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    *error = ErrnoText();
  }
  if (!ok) Discard(*temp);
  return ok;
}

}  // namespace

namespace {

// Writes the whole report to a temporary file and then gives it `path`:
// replacing what is there, or only when nothing is.
WriteOutcome Publish(const std::vector<std::string_view>& pieces,
                     const std::string& path, bool replace) {
  WriteOutcome outcome;
  outcome.path = path;
  std::string temp;
  if (!WriteTemporary(pieces, path, &temp, &outcome.error)) return outcome;
  errno = 0;
  const bool named = replace ? ReplaceExistingFile(temp, path)
                             : PublishWithoutReplacing(temp, path);
  if (!named) {
    outcome.error = ErrnoText();
    Discard(temp);
    return outcome;
  }
  SetTemporaryFile(nullptr);
  SyncDirectoryOf(path);
  outcome.ok = true;
  return outcome;
}

}  // namespace

WriteOutcome WriteNewReport(const std::vector<std::string_view>& pieces,
                            const std::string& path) {
  return Publish(pieces, path, /*replace=*/false);
}

WriteOutcome ReplaceReport(const std::vector<std::string_view>& pieces,
                           const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (std::filesystem::exists(status) &&
      !std::filesystem::is_regular_file(status)) {
    WriteOutcome outcome;
    outcome.path = path;
    outcome.error = "not a regular file, so it is not replaced";
    return outcome;
  }
  return Publish(pieces, path, /*replace=*/true);
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
