#include "report/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

  outcome.name = ReportFileName(number, extension);
  outcome.path = prefix + outcome.name;
  // Exclusive creation: a name that exists but could not be read, or that
  // another program took in the meantime, is never replaced.
  errno = 0;
  std::FILE* f = CreateNewFile(outcome.path);
  if (f == nullptr) {
    outcome.error = ErrnoText();
    return outcome;
  }
  bool ok = true;
  for (std::string_view piece : pieces) ok = ok && WriteAll(f, piece);
  ok = (std::fflush(f) == 0) && ok;
  if (!ok) outcome.error = ErrnoText();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) {
    if (outcome.error.empty()) outcome.error = ErrnoText();
    std::remove(outcome.path.c_str());
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

}  // namespace vexlane
