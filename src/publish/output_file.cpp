#include "publish/output_file.h"

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

PendingFile::PendingFile(bool ends_run, FileSystem& fs)
    : fs_(fs), ends_run_(ends_run), stream_(&buffer_) {}

PendingFile::~PendingFile() {
  if (buffer_.file != nullptr) std::fclose(buffer_.file);
  if (temp_.empty()) return;
  fs_.Remove(temp_);
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
  buffer_.file = fs_.CreateTempFileBeside(path, &temp_);
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
  if (error->empty()) {
    errno = fs_.SyncFile(file);
    if (errno != 0) *error = ErrnoText();
  }
  errno = 0;
  if (std::fclose(file) != 0 && error->empty()) *error = ErrnoText();
  return error->empty();
}

bool PendingFile::Name(const std::string& path, bool replace,
                       std::string* error) {
  if (ends_run_) HoldSignals(true);
  const int failure = fs_.Rename(temp_, path, replace);
  const bool named = failure == 0;
  errno = failure;
  if (!named) *error = ErrnoText();
  const int saved = errno;
  if (named) {
    if (ends_run_) SignalsEndSuccessfully();
    SetTemporaryFile(nullptr);
    temp_.clear();
  }
  if (ends_run_) HoldSignals(false);
  if (named) fs_.SyncDirectoryOf(path);
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
         file->file_system().Readable(prefix +
                                      ReportFileName(number, extension))) {
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
                                 const std::string& directory, TakenName taken,
                                 FileSystem& fs) {
  PendingFile file(/*ends_run=*/true, fs);
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
                            const std::string& path, FileSystem& fs) {
  PendingFile file(/*ends_run=*/true, fs);
  return WriteNew(&file, false, pieces, path);
}

WriteOutcome WriteNewReport(PendingFile* file,
                            const std::vector<std::string_view>& pieces,
                            const std::string& path) {
  return WriteNew(file, true, pieces, path);
}

WriteOutcome ReplaceReport(const std::vector<std::string_view>& pieces,
                           const std::string& path, FileSystem& fs) {
  PendingFile file(/*ends_run=*/true, fs);
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

}  // namespace vexlane
