#include "report/output_file.h"

#include <cstdio>
#include <ostream>

#include "driver/platform.h"
#include "parse/text.h"

namespace vexlane {

namespace {

constexpr int kMaxReports = 99;
constexpr std::string_view kFailure = "Output file couldn't be made. ";

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

bool Fail(Console& console) {
  console.out << kFailure << "\n";
  Pause(console);
  return false;
}

}  // namespace

std::string ReportFileName(int number, bool html) {
  return "Battle" + TwoDigitText(static_cast<std::uint64_t>(number)) +
         (html ? ".html" : ".txt");
}

bool WriteReportFile(std::string_view head, std::string_view results,
                     std::string_view tail, bool html, Console& console,
                     const std::string& directory) {
  const std::string prefix = directory.empty() || directory.back() == '/'
                                 ? directory
                                 : directory + "/";
  int number = 1;
  while (number <= kMaxReports &&
         CanOpenForReading(prefix + ReportFileName(number, html))) {
    ++number;
  }
  if (number > kMaxReports) return Fail(console);

  const std::string name = ReportFileName(number, html);
  const std::string path = prefix + name;
  // Exclusive creation: a name that exists but could not be read, or that
  // another program took in the meantime, is never replaced.
  std::FILE* f = CreateNewFile(path);
  if (f == nullptr) return Fail(console);
  bool ok = WriteAll(f, head) && WriteAll(f, results) && WriteAll(f, tail);
  ok = (std::fflush(f) == 0) && ok;
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) {
    std::remove(path.c_str());
    return Fail(console);
  }
  console.out << "Output file " << name << " was made successfully. "
              << "\n";
  Pause(console);
  return true;
}

}  // namespace vexlane
