#include "report/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <set>

#include "base/platform.h"
#include "base/text.h"

namespace vexlane {

namespace {

constexpr int kMaxReports = 99;

std::string AllTaken() {
  return "all report names up to " + std::to_string(kMaxReports) + " are taken";
}

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

// Why `path` is not replaced, or empty when it may be: only a regular file
// (or nothing) is, never a directory, a device or a link.
std::string NotReplaceable(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (std::filesystem::exists(status) &&
      !std::filesystem::is_regular_file(status)) {
    return "not a regular file, so it is not replaced";
  }
  return "";
}

}  // namespace

std::string ReportFileName(int number, std::string_view extension) {
  std::string name =
      "Battle" + TwoDigitText(static_cast<std::uint64_t>(number));
  name += extension;
  return name;
}

PendingFile::PendingFile(bool ends_run)
    : ends_run_(ends_run), stream_(&buffer_) {}

PendingFile::~PendingFile() {
  if (buffer_.file != nullptr) std::fclose(buffer_.file);
  if (temp_.empty()) return;
  std::remove(temp_.c_str());
  SetTemporaryFile(nullptr);
}

PendingFile::Buffer::int_type PendingFile::Buffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return 0;
  return std::fputc(c, file) == EOF ? traits_type::eof() : c;
}

std::streamsize PendingFile::Buffer::xsputn(const char* s, std::streamsize n) {
  return static_cast<std::streamsize>(
      std::fwrite(s, 1, static_cast<std::size_t>(n), file));
}

bool PendingFile::Create(const std::string& path, std::string* error) {
  path_ = path;
  // Signals wait until the handlers know the new file: none is left behind.
  HoldSignals(true);
  errno = 0;
  buffer_.file = CreateTempFileBeside(path, &temp_);
  const int saved = errno;
  if (buffer_.file != nullptr) SetTemporaryFile(temp_.c_str());
  HoldSignals(false);
  if (buffer_.file == nullptr) {
    errno = saved;
    *error = ErrnoText();
    return false;
  }
  return true;
}

bool PendingFile::Finish(bool replace, std::string* error) {
  errno = 0;
  std::FILE* file = buffer_.file;
  buffer_.file = nullptr;
  if (!stream_ || std::ferror(file) != 0) *error = ErrnoText();
  if (error->empty() && replace) CopyAttributes(path_, file);
  if (error->empty() && !SyncFile(file)) *error = ErrnoText();
  errno = 0;
  if (std::fclose(file) != 0 && error->empty()) *error = ErrnoText();
  return error->empty();
}

bool PendingFile::Name(const std::string& path, bool replace,
                       std::string* error) {
  if (ends_run_) HoldSignals(true);
  errno = 0;
  const bool named = replace ? ReplaceExistingFile(temp_, path)
                             : PublishWithoutReplacing(temp_, path);
  if (!named) *error = ErrnoText();
  const int saved = errno;
  if (named) {
    if (ends_run_) SignalsEndSuccessfully();
    SetTemporaryFile(nullptr);
    temp_.clear();
  }
  if (ends_run_) HoldSignals(false);
  if (named) SyncDirectoryOf(path);
  errno = saved;
  return named;
}

WriteOutcome PendingFile::Publish(bool replace) {
  WriteOutcome outcome;
  outcome.path = path_;
  if (replace) outcome.error = NotReplaceable(path_);
  if (outcome.error.empty() && Finish(replace, &outcome.error)) {
    outcome.ok = Name(path_, replace, &outcome.error);
  }
  return outcome;
}

namespace {

// Writes `pieces` into `*file`, created beside `path`.
bool Fill(PendingFile* file, const std::vector<std::string_view>& pieces,
          const std::string& path, WriteOutcome* outcome) {
  outcome->path = path;
  if (!file->Create(path, &outcome->error)) return false;
  for (std::string_view piece : pieces) {
    file->stream().write(piece.data(),
                         static_cast<std::streamsize>(piece.size()));
  }
  return true;
}

}  // namespace

WriteOutcome WriteNumberedReport(const std::vector<std::string_view>& pieces,
                                 std::string_view extension,
                                 const std::string& directory,
                                 TakenName taken) {
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
    outcome.error = AllTaken();
    return outcome;
  }
  // One temporary file, offered to each free name in turn: a name taken
  // meanwhile by another run (or held by an unreadable file or a dangling
  // link) passes to the next.
  PendingFile file(/*ends_run=*/true);
  if (!Fill(&file, pieces, prefix + ReportFileName(number, extension),
            &outcome) ||
      !file.Finish(/*replace=*/false, &outcome.error)) {
    return outcome;
  }
  for (; number <= kMaxReports; ++number) {
    outcome.name = ReportFileName(number, extension);
    outcome.path = prefix + outcome.name;
    outcome.error.clear();
    if (file.Name(outcome.path, /*replace=*/false, &outcome.error)) {
      outcome.ok = true;
      return outcome;
    }
    if (errno != EEXIST || taken == TakenName::kFail) return outcome;
  }
  outcome.name.clear();
  outcome.error = AllTaken();
  return outcome;
}

WriteOutcome WriteNewReport(const std::vector<std::string_view>& pieces,
                            const std::string& path) {
  WriteOutcome outcome;
  PendingFile file(/*ends_run=*/true);
  if (!Fill(&file, pieces, path, &outcome)) return outcome;
  return file.Publish(/*replace=*/false);
}

WriteOutcome ReplaceReport(const std::vector<std::string_view>& pieces,
                           const std::string& path) {
  WriteOutcome outcome;
  outcome.path = path;
  outcome.error = NotReplaceable(path);
  if (!outcome.error.empty()) return outcome;
  PendingFile file(/*ends_run=*/true);
  if (!Fill(&file, pieces, path, &outcome)) return outcome;
  return file.Publish(/*replace=*/true);
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

namespace {

// Writes each page into the new directory `root` as it comes, from
// either of the renderer's threads, and keeps the first failure.
class PageFiles : public SiteSink {
 public:
  explicit PageFiles(std::string root) : root_(std::move(root)) {}

  void Add(std::string path, std::string text) override {
    const std::string file_path = root_ + "/" + path;
    {
      const std::lock_guard<std::mutex> hold(mutex_);
      if (!error_.empty()) return;
      const std::size_t slash = path.rfind('/');
      if (slash != std::string::npos &&
          folders_.insert(path.substr(0, slash)).second) {
        std::error_code ec;
        std::filesystem::create_directories(root_ + "/" + path.substr(0, slash),
                                            ec);
      }
    }
    errno = 0;
    std::FILE* file = CreateNewFile(file_path);
    bool ok = file != nullptr && WriteAll(file, text);
    if (file != nullptr && std::fclose(file) != 0) ok = false;
    if (!ok) {
      const std::string why = ErrnoText();
      const std::lock_guard<std::mutex> hold(mutex_);
      if (error_.empty()) error_ = why;
    }
  }

  // The first failure, or empty.
  std::string error() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return error_;
  }

 private:
  std::string root_;
  std::mutex mutex_;
  std::set<std::string> folders_;
  std::string error_;
};

}  // namespace

WriteOutcome PublishSite(const ExportModel& model,
                         const BattleSections* sections, std::string dir,
                         bool replace, bool ends_run) {
  namespace fs = std::filesystem;
  WriteOutcome outcome;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  outcome.path = dir;
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(dir, ec);
  const bool exists = fs::exists(status);
  if (exists && !replace) {
    outcome.error = std::strerror(EEXIST);
    return outcome;
  }
  if (exists && !fs::is_directory(status)) {
    outcome.error = "not a directory, so it is not replaced";
    return outcome;
  }
  if (exists && !fs::is_regular_file(fs::symlink_status(
                    dir + "/" + std::string(kSiteMarker), ec))) {
    outcome.error = "not a site made by this program, so it is not replaced";
    return outcome;
  }
  HoldSignals(true);
  std::string temp;
  errno = 0;
  if (!CreateTempDirectoryBeside(dir, &temp)) {
    outcome.error = ErrnoText();
    HoldSignals(false);
    return outcome;
  }
  std::string old;  // what to remove at the end
  PageFiles files(temp);
  std::string failed;
  try {
    RenderSite(model, sections, &files);
  } catch (const std::exception& e) {  // out of memory: the old site stays
    failed = e.what();
  }
  // The mark that tells a later run this directory is a site of its own.
  files.Add(std::string(kSiteMarker), "A site made by vexlane-stats.\n");
  outcome.error = failed.empty() ? files.error() : failed;
  if (outcome.error.empty()) {
    SyncFilesUnder(temp);
    errno = 0;
    if (!exists) {
      outcome.ok = RenameDirectoryWithoutReplacing(temp, dir);
    } else if (ExchangeNames(temp, dir)) {
      outcome.ok = true;
    } else if (errno == ENOSYS || errno == EINVAL) {
      // No exchange here: the old site moves aside, then the new one in
      // (and the old one back should that fail).
      old = temp + "-old";
      if (std::rename(dir.c_str(), old.c_str()) == 0) {
        outcome.ok = std::rename(temp.c_str(), dir.c_str()) == 0;
        if (!outcome.ok) {
          const int saved = errno;
          std::rename(old.c_str(), dir.c_str());
          old.clear();
          errno = saved;
        }
      } else {
        old.clear();
      }
    }
    if (!outcome.ok) outcome.error = ErrnoText();
  }
  if (outcome.ok && ends_run) SignalsEndSuccessfully();
  // What is left to remove: the new pages after a failure, the old site
  // after an exchange (it then has the temporary name) or after it was
  // moved aside. Links in it are removed, never followed.
  fs::remove_all(old.empty() ? temp : old, ec);
  if (outcome.ok) SyncDirectoryOf(dir);
  HoldSignals(false);
  return outcome;
}

}  // namespace vexlane
