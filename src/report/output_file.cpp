#include "report/output_file.h"

#include <algorithm>
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
  if (std::fputc(c, file) != EOF) return c;
  if (error == 0) error = errno;
  return traits_type::eof();
}

std::streamsize PendingFile::Buffer::xsputn(const char* s, std::streamsize n) {
  const std::size_t written =
      std::fwrite(s, 1, static_cast<std::size_t>(n), file);
  if (written < static_cast<std::size_t>(n) && error == 0) error = errno;
  return static_cast<std::streamsize>(written);
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

void PendingFile::StartWriteBack() {
  if (buffer_.file != nullptr) vexlane::StartWriteBack(buffer_.file);
}

bool PendingFile::Finish(bool replace, std::string* error) {
  errno = 0;
  std::FILE* file = buffer_.file;
  buffer_.file = nullptr;
  if (!stream_ || std::ferror(file) != 0) {
    // A report begun before the scan may have failed long before.
    if (buffer_.error != 0) errno = buffer_.error;
    *error = ErrnoText();
  }
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

// Writes `pieces` into `*file`, created beside `path` unless `begun`.
bool Fill(PendingFile* file, bool begun,
          const std::vector<std::string_view>& pieces, const std::string& path,
          WriteOutcome* outcome) {
  outcome->path = path;
  if (!begun && !file->Create(path, &outcome->error)) return false;
  for (std::string_view piece : pieces) {
    file->stream().write(piece.data(),
                         static_cast<std::streamsize>(piece.size()));
  }
  return true;
}

WriteOutcome WriteNumbered(PendingFile* file, bool begun,
                           const std::vector<std::string_view>& pieces,
                           std::string_view extension,
                           const std::string& directory, TakenName taken) {
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
  if (!Fill(file, begun, pieces, prefix + ReportFileName(number, extension),
            &outcome) ||
      !file->Finish(/*replace=*/false, &outcome.error)) {
    return outcome;
  }
  for (; number <= kMaxReports; ++number) {
    outcome.name = ReportFileName(number, extension);
    outcome.path = prefix + outcome.name;
    outcome.error.clear();
    if (file->Name(outcome.path, /*replace=*/false, &outcome.error)) {
      outcome.ok = true;
      return outcome;
    }
    if (errno != EEXIST || taken == TakenName::kFail) return outcome;
  }
  outcome.name.clear();
  outcome.error = AllTaken();
  return outcome;
}

WriteOutcome WriteNew(PendingFile* file, bool begun,
                      const std::vector<std::string_view>& pieces,
                      const std::string& path) {
  WriteOutcome outcome;
  if (!Fill(file, begun, pieces, path, &outcome)) return outcome;
  return file->Publish(/*replace=*/false);
}

WriteOutcome Replace(PendingFile* file, bool begun,
                     const std::vector<std::string_view>& pieces,
                     const std::string& path) {
  WriteOutcome outcome;
  outcome.path = path;
  outcome.error = NotReplaceable(path);
  if (!outcome.error.empty()) return outcome;
  if (!Fill(file, begun, pieces, path, &outcome)) return outcome;
  return file->Publish(/*replace=*/true);
}

}  // namespace

WriteOutcome WriteNumberedReport(const std::vector<std::string_view>& pieces,
                                 std::string_view extension,
                                 const std::string& directory,
                                 TakenName taken) {
  PendingFile file(/*ends_run=*/true);
  return WriteNumbered(&file, false, pieces, extension, directory, taken);
}

WriteOutcome WriteNumberedReport(PendingFile* file,
                                 const std::vector<std::string_view>& pieces,
                                 std::string_view extension,
                                 const std::string& directory,
                                 TakenName taken) {
  return WriteNumbered(file, true, pieces, extension, directory, taken);
}

WriteOutcome WriteNewReport(const std::vector<std::string_view>& pieces,
                            const std::string& path) {
  PendingFile file(/*ends_run=*/true);
  return WriteNew(&file, false, pieces, path);
}

WriteOutcome WriteNewReport(PendingFile* file,
                            const std::vector<std::string_view>& pieces,
                            const std::string& path) {
  return WriteNew(file, true, pieces, path);
}

WriteOutcome ReplaceReport(const std::vector<std::string_view>& pieces,
                           const std::string& path) {
  PendingFile file(/*ends_run=*/true);
  return Replace(&file, false, pieces, path);
}

WriteOutcome ReplaceReport(PendingFile* file,
                           const std::vector<std::string_view>& pieces,
                           const std::string& path) {
  return Replace(file, true, pieces, path);
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
constexpr std::string_view kSiteMarkHead = "A site made by vexlane-stats.\n";

class PageFiles : public SiteSink {
 public:
  explicit PageFiles(std::string root) : root_(std::move(root)) {}

  void Add(std::string path, std::string text) override {
    const std::string file_path = root_ + "/" + path;
    {
      const std::lock_guard<std::mutex> hold(mutex_);
      if (!error_.empty()) return;
      written_.push_back(path);
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
  // The mark of the site: what it is, and every page written, a line each.
  void AddMark() {
    // Sorted, so that the same log always makes the same site.
    std::sort(written_.begin(), written_.end());
    std::string mark(kSiteMarkHead);
    for (const std::string& path : written_) {
      mark += path;
      mark += '\n';
    }
    Add(std::string(kSiteMarker), std::move(mark));
  }

 private:
  std::string root_;
  std::mutex mutex_;
  std::set<std::string> folders_;
  std::string error_;
  std::vector<std::string> written_;  // the pages' paths
};

}  // namespace

std::string SiteDirectoryName(const std::string& path) {
  std::string name = std::filesystem::path(path).lexically_normal().string();
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  return name.empty() ? "." : name;
}

std::string SiteNotReplaceable(const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(dir, ec);
  if (fs::is_symlink(status))
    return "it is a symbolic link, which is never followed";
  if (!fs::is_directory(status))
    return "it is not a directory, so it is not replaced";
  const std::string mark_path = dir + "/" + std::string(kSiteMarker);
  std::string mark;
  if (fs::is_regular_file(fs::symlink_status(mark_path, ec))) {
    if (std::FILE* f = std::fopen(mark_path.c_str(), "rb")) {
      char buffer[65536];
      std::size_t n = 0;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        mark.append(buffer, n);
      }
      std::fclose(f);
    }
  }
  if (!mark.starts_with(kSiteMarkHead)) {
    return "it is not a site made by this program, so it is not replaced";
  }
  std::set<std::string_view> written;
  std::string_view list = std::string_view(mark).substr(kSiteMarkHead.size());
  while (!list.empty()) {
    const std::size_t end = list.find('\n');
    written.insert(list.substr(0, end));
    list = end == std::string_view::npos ? "" : list.substr(end + 1);
  }
  // Everything in it must be a page the run that made it wrote (or a
  // folder of them): whatever else is there is somebody's own.
  for (auto it = fs::recursive_directory_iterator(dir, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string relative =
        fs::path(it->path()).lexically_relative(dir).generic_string();
    const fs::file_status entry = it->symlink_status(ec);
    const bool ours =
        fs::is_directory(entry) ||
        (fs::is_regular_file(entry) &&
         (relative == kSiteMarker || written.count(relative) != 0));
    if (!ours) {
      return "it holds " + Quoted(relative) +
             ", which this program did not write, so it is not replaced";
    }
  }
  if (ec) return "it cannot be read whole: " + ec.message();
  return "";
}

WriteOutcome PublishSite(const ExportModel& model,
                         const BattleSections* sections, std::string dir,
                         bool replace, bool ends_run) {
  namespace fs = std::filesystem;
  WriteOutcome outcome;
  dir = SiteDirectoryName(dir);
  outcome.path = dir;
  std::error_code ec;
  if (fs::exists(fs::symlink_status(dir, ec)) && !replace) {
    outcome.error = std::strerror(EEXIST);
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
  PageFiles files(temp);
  std::string failed;
  try {
    RenderSite(model, sections, &files);
    files.AddMark();
  } catch (const std::exception& e) {  // out of memory: the old site stays
    failed = e.what();
  }
  outcome.error = failed.empty() ? files.error() : failed;
  std::string old;  // what to remove at the end
  if (outcome.error.empty()) {
    SyncFilesUnder(temp);
    // Another run may make the directory meanwhile: with --force its site
    // is replaced in turn.
    for (int attempt = 0; attempt < 3 && !outcome.ok && outcome.error.empty();
         ++attempt) {
      errno = 0;
      if (!fs::exists(fs::symlink_status(dir, ec))) {
        outcome.ok = RenameDirectoryWithoutReplacing(temp, dir);
        if (!outcome.ok && (errno != EEXIST || !replace)) {
          outcome.error = ErrnoText();
        }
        continue;
      }
      if (!replace) {
        outcome.error = std::strerror(EEXIST);
        break;
      }
      outcome.error = SiteNotReplaceable(dir);
      if (!outcome.error.empty()) break;
      errno = 0;
      if (ExchangeNames(temp, dir)) {
        outcome.ok = true;
      } else if (errno == ENOSYS || errno == EINVAL) {
        // No exchange here: the old site moves aside, then the new one in
        // (and the old one back should that fail).
        old = temp + "-old";
        if (std::rename(dir.c_str(), old.c_str()) == 0) {
          outcome.ok = std::rename(temp.c_str(), dir.c_str()) == 0;
          if (!outcome.ok) {
            outcome.error = ErrnoText();
            std::rename(old.c_str(), dir.c_str());
            old.clear();
          }
        } else {
          outcome.error = ErrnoText();
          old.clear();
        }
      } else {
        outcome.error = ErrnoText();
      }
    }
    if (!outcome.ok && outcome.error.empty())
      outcome.error = std::strerror(EEXIST);
  }
  if (outcome.ok && ends_run) SignalsEndSuccessfully();
  // What is left to remove: the new pages after a failure, the old site
  // after an exchange (it then has the temporary name) or after it was
  // moved aside. Links in it are removed, never followed.
  const std::string leftover = old.empty() ? temp : old;
  fs::remove_all(leftover, ec);
  if (fs::exists(fs::symlink_status(leftover, ec))) {
    outcome.warning =
        (outcome.ok ? "the old site could not be removed whole: " +
                          Quoted(leftover) + " is left"
                    : Quoted(leftover) + " could not be removed");
  }
  if (outcome.ok) SyncDirectoryOf(dir);
  HoldSignals(false);
  return outcome;
}

}  // namespace vexlane
