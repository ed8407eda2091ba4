// Writes a finished report: to the first free BattleNN file of a
// directory, to a named file, or to an open stream. A report file is
// written whole to a temporary file beside it (a hidden name no report
// has), put on the disk, and only then given its name in one step, so no
// run, however it ends, leaves a partial report under a report's name. An
// existing file is never replaced unless asked. It only returns what
// happened: telling the user is the caller's.
#pragma once

#include <cstdio>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "publish/file_system.h"

namespace vexlane {

class PendingFile;

// "Battle07" + extension (".txt", ".html").
std::string ReportFileName(int number, std::string_view extension);

struct WriteOutcome {
  bool ok = false;
  std::string name;   // the file name chosen ("Battle03.txt"); empty when
                      // all 99 were taken
  std::string path;   // the name with its directory
  std::string error;  // why the report was not written (from errno)
  // Written, but something is left to tell (an old site not removed whole).
  std::string warning;
  // Not written because a signal asked the run to stop.
  bool stopped = false;
  // Not written because a page's name is taken in the live site by
  // somebody else's file: building again elsewhere would not help.
  bool clash = false;
  // A site's files and folders that somebody else put there, kept in it.
  std::vector<std::string> kept;
};

// What to do when the chosen report name turns out to be taken when the
// report is whole: by a file that cannot be read, a dangling link, or
// another run that took it meanwhile.
enum class TakenName {
  kFail,      // the console dialog's rule: the report is not made
  kTakeNext,  // the next free number (command-line runs, several at once)
};

// Writes `pieces`, in order and with nothing between them, to the first
// report name in `directory` (empty: the working directory) that cannot be
// opened for reading, from 01 to 99.
WriteOutcome WriteNumberedReport(const std::vector<std::string_view>& pieces,
                                 std::string_view extension,
                                 const std::string& directory,
                                 TakenName taken = TakenName::kFail,
                                 FileSystem& fs = TheFileSystem());

// Writes `pieces` to `path`, which must not exist yet.
WriteOutcome WriteNewReport(const std::vector<std::string_view>& pieces,
                            const std::string& path,
                            FileSystem& fs = TheFileSystem());

// Writes `pieces` to a temporary file beside `path` and then gives it that
// name, replacing a regular file of that name in one step (the new file
// keeps its permissions, and its owner and group where the process may set
// them); anything else under that name (a directory, a device, a symbolic
// link) is refused.
WriteOutcome ReplaceReport(const std::vector<std::string_view>& pieces,
                           const std::string& path,
                           FileSystem& fs = TheFileSystem());

// The same three, finishing `file`: a report begun before the scan, created
// beside the report's name (a numbered one: in its directory), with what
// comes before `pieces` written to it already.
WriteOutcome WriteNumberedReport(PendingFile* file,
                                 const std::vector<std::string_view>& pieces,
                                 std::string_view extension,
                                 const std::string& directory, TakenName taken);
WriteOutcome WriteNewReport(PendingFile* file,
                            const std::vector<std::string_view>& pieces,
                            const std::string& path);
WriteOutcome ReplaceReport(PendingFile* file,
                           const std::vector<std::string_view>& pieces,
                           const std::string& path);

// Writes `pieces` to `stream` and flushes it.
WriteOutcome WriteReportTo(const std::vector<std::string_view>& pieces,
                           std::FILE* stream);

// A file written bit by bit and published whole, as a report is: Create
// makes a hidden temporary file beside `path`, stream() writes to it, and
// Publish gives it `path`. Until then signals remove it, and so does the
// destructor when it was never published.
class PendingFile {
 public:
  // With `ends_run`, naming the file is the run's last step: a signal
  // after it ends the program with status 0. The file is made, put on the
  // disk and named through `fs`.
  explicit PendingFile(bool ends_run = false, FileSystem& fs = TheFileSystem());
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // False (`*error` from errno) when the temporary file cannot be made.
  bool Create(const std::string& path, std::string* error);
  std::ostream& stream() { return stream_; }
  FileSystem& file_system() { return fs_; }
  // Starts putting what is written so far on the disk, for a file written
  // bit by bit over a long time.
  void StartWriteBack();
  // Puts the file on the disk and names it: only where nothing has the
  // name, or with `replace` over a regular file (keeping its permissions
  // and owner).
  WriteOutcome Publish(bool replace);

  // Publish in two steps. Finish closes the file and puts it on the disk
  // (with `replace`, taking the attributes of the file at the created
  // path); Name then gives it `path`, and may be tried again with another
  // name when it fails (errno EEXIST: the name is taken).
  bool Finish(bool replace, std::string* error);
  bool Name(const std::string& path, bool replace, std::string* error);

 private:
  class Buffer : public std::streambuf {
   public:
    std::FILE* file = nullptr;
    int error = 0;  // errno of the first write that failed

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
  };

  FileSystem& fs_;
  std::string path_;
  std::string temp_;  // empty once named
  bool ends_run_;
  Buffer buffer_;
  std::ostream stream_;
};

}  // namespace vexlane
