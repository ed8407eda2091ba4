// The few things that differ between Linux, macOS and Windows: telling a
// terminal, waiting for one key press, creating a file that must not exist
// yet, replacing a file in one step, and waiting for a followed log to
// change.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

namespace vexlane {

// Makes the standard streams safe before anything else opens a file: a
// closed standard input, output or error is reopened on the null device (so
// that no log or report takes its place and receives console text), a
// vanished reader of the output fails writes instead of ending the
// program, and a file size limit fails the report's write (which is then
// reported) instead of killing the program half way.
// Returns the standard streams that were closed, as bits (1 << fd).
int PrepareStandardStreams();

// True when standard input / standard error is an interactive terminal.
bool StdinIsTerminal();
bool StderrIsTerminal();

// Waits for one key press on the terminal, without echo. The terminal's
// settings are restored afterwards, also when a signal ends the wait.
void WaitForKeyPress();

// Creates `path` for binary writing only if nothing exists under that name
// (not even a dangling link); nullptr otherwise.
std::FILE* CreateNewFile(const std::string& path);

// Creates a new file beside `path` (same directory), named so that it
// cannot be mistaken for a report, for binary writing; its name goes to
// `*temp_path`. nullptr (errno set) when it cannot be created.
std::FILE* CreateTempFileBeside(const std::string& path,
                                std::string* temp_path);

// True when `file` is a regular file (which can be read again from its
// start), not a pipe, FIFO, terminal or device.
bool IsRegularFile(std::FILE* file);

// The size of the file open as `file`; -1 when it cannot be told.
std::int64_t SizeOfStream(std::FILE* file);

// Opens `path` for binary reading, unbuffered, only when it names a regular
// file (through symbolic links): a FIFO, device, socket or directory is
// never opened far enough to block. nullptr otherwise, with `*why` saying
// what the name names ("a FIFO", "a directory"; `*not_regular` then set) or
// why it cannot be opened.
// With `follow_links` false, a symbolic link at `path` is itself no
// regular file ("a symbolic link"), also when it appears between the look
// and the open.
std::FILE* OpenRegularFile(const std::string& path, std::string* why,
                           bool* not_regular, bool follow_links = true);

// Moves `file` to byte `offset` from its start (offsets past 2 GiB
// included). False when it cannot.
bool SeekStream(std::FILE* file, std::uint64_t offset);

// Which file a name or an open stream is, to tell two names of one file.
struct FileId {
  bool known = false;  // false: no such file, or it cannot be told
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileId& other) const {
    return known && other.known && device == other.device &&
           inode == other.inode;
  }
};
FileId IdOfPath(const std::string& path);   // follows symbolic links
FileId IdOfEntry(const std::string& path);  // a link itself, not its file
FileId IdOfStream(std::FILE* file);

// What tells that a regular file is as it was when last looked at: which
// file it is, its size and when it was last written (as build tools tell
// a changed source). Not known for anything but a regular file; a link at
// `path` is not followed.
struct FileStamp {
  bool known = false;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::uint64_t modified = 0;  // in the system's own units
  // When the file's inode last changed (its bytes, names or mode); no
  // call can set it back. 0 where the system does not tell.
  std::uint64_t changed = 0;
  bool operator==(const FileStamp& other) const = default;
};
FileStamp StampOfEntry(const std::string& path);

// Gives the new file `file` the permissions of the existing file at
// `path`, and its owner and group where the process may set them. Best
// effort.
void CopyAttributes(const std::string& path, std::FILE* file);

// Gives the directory `to` the permission bits (sticky and set-group-ID
// included) of the directory `from`, and its owner and group where the
// process may set them. Best effort.
void CopyDirectoryAttributes(const std::string& from, const std::string& to);

// Gives `from` the name `to` in one step, replacing a file of that name.
// False (errno set) when it cannot.
bool ReplaceExistingFile(const std::string& from, const std::string& to);

// Gives `from` the name `to` in one step only if nothing has that name
// (errno EEXIST otherwise); `from` is gone afterwards when it succeeds.
bool PublishWithoutReplacing(const std::string& from, const std::string& to);

// A static site is written into a new directory and then takes its name
// whole. CreateTempDirectoryBeside makes an empty hidden directory beside
// `path` and puts its name in `*temp_path`; false (errno set) when it
// cannot.
bool CreateTempDirectoryBeside(const std::string& path, std::string* temp_path);

// Gives the directory `from` the name `to` only if nothing has that name
// (errno EEXIST otherwise). Where the system cannot refuse in the same
// step (outside Linux), the name is looked at first and then taken.
bool RenameDirectoryWithoutReplacing(const std::string& from,
                                     const std::string& to);

// Swaps the names of two directories in one step, so that a reader of
// either name finds the one or the other, never nothing. False with errno
// ENOSYS (or EINVAL) where the system or file system cannot.
bool ExchangeNames(const std::string& a, const std::string& b);

// Asks the system to put every file written under the directory `path`
// on the disk (Linux: the whole file system, in one call, which costs far
// less than a sync per file of a site of thousands). Best effort.
void SyncFilesUnder(const std::string& path);

// Flushes `file` and asks the system to put it on the disk. False (errno
// set) when either fails.
bool SyncFile(std::FILE* file);

// Whether work may be handed to a second thread: only with two cores or
// more, and never in the Windows build, which keeps to one thread.
bool ThreadsWanted();

// Starts `body` on a new thread that never takes the signals the program
// ends on (SIGINT, SIGTERM, SIGHUP): they go to the main thread, which
// holds them back while it names a report or swaps a site, and which alone
// may end the run for them. Throws std::system_error as std::thread does.
std::thread ThreadWithoutSignals(std::function<void()> body);

// Flushes `file` and asks the system to start putting what is written on
// the disk without waiting for it (Linux), so that the SyncFile at its end
// has little left to wait for. Best effort; elsewhere only the flush.
void StartWriteBack(std::FILE* file);

// Asks the system to put the directory holding `path` on the disk, so that
// a new name in it survives a power cut. Best effort.
void SyncDirectoryOf(const std::string& path);

// SIGINT, SIGTERM and SIGHUP from now on remove the temporary file named
// by SetTemporaryFile (if any) and end the program with status 128 +
// signal.
void RemoveTemporaryFileOnSignals();
// From now on those signals end the program with status 0: what it was
// asked to make is made.
void SignalsEndSuccessfully();
// Holds those signals back (`hold` true) until released (false), so that
// naming a report and telling the handlers it is named are one step.
void HoldSignals(bool hold);
// Whether a signal that asks the run to end (SIGINT, SIGTERM, SIGHUP; in
// follow mode a stop) waits, held back: long work done while signals are
// held looks now and then, and gives up.
bool StopSignalWaiting();

// An advisory lock on a directory, so that runs publishing into it take
// turns. Released by the destructor, and by the system when the process
// ends however it ends.
class DirectoryLock {
 public:
  DirectoryLock() = default;
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  enum class Outcome {
    kTaken,
    kBusy,         // another process holds it
    kUnavailable,  // no lock to be had here: go on without one
  };
  // Tries once, without waiting.
  Outcome TryTake(const std::string& dir);

 private:
  int fd_ = -1;
};

// The file the signal handlers remove; nullptr for none. The text is
// copied.
void SetTemporaryFile(const char* path);

// Follow mode's wait for a log to change. Where the system tells of
// changes (inotify on Linux) the wait ends as soon as the file is
// written, renamed, replaced or created again; elsewhere, and on file
// systems whose changes made on other machines are not told (NFS, SMB,
// FUSE), it polls. Either way a wait lasts a second at most.
class FileChangeWait {
 public:
  FileChangeWait();
  ~FileChangeWait();
  FileChangeWait(const FileChangeWait&) = delete;
  FileChangeWait& operator=(const FileChangeWait&) = delete;

  // Watches `path`: the file it names now, and its directory for a file of
  // that name renamed, removed or created; when `path` is a symbolic link,
  // the directory of the file it leads to as well, for that name. Call it
  // again once the name names another file.
  void Watch(const std::string& path);
  // Empty when changes are told; otherwise why the wait polls.
  const std::string& why_polling() const { return why_polling_; }
  // Returns when the file may have changed, or a second has passed (a
  // directory above the name renamed, or a link above it pointed elsewhere,
  // tells nobody; nor does one made searchable again), or at once while
  // the waits are interrupted.
  void Wait();

 private:
  int fd_ = -1;  // the inotify descriptor where there is one
  int file_watch_ = -1;
  int directory_watch_ = -1;  // the directory of `path`
  int target_watch_ = -1;     // the directory a link leads to, if another
  std::string name_;          // the file's name within its directory
  std::string target_name_;   // the linked file's name within its own
  std::string why_polling_;
};

// Makes every FileChangeWait::Wait return at once, now and later, until
// ResumeFileWaits. Safe in a signal handler and from any thread.
void InterruptFileWaits();
// Lets the waits wait again. Call it only when whoever interrupted them
// has been heard.
void ResumeFileWaits();

// Follow mode's signals: from now on SIGINT and SIGTERM ask the program to
// stop and SIGHUP to read its settings again, instead of ending it; each
// interrupts the file waits. FollowSignalsCaught tells what was asked so
// far (bits of kStopAsked, kReloadAsked); ForgetReload clears the reload.
constexpr int kStopAsked = 1;
constexpr int kReloadAsked = 2;
void CatchFollowSignals();
int FollowSignalsCaught();
void ForgetReload();
// Clears the stop asked so far: the run's last report is then made, and
// only a stop asked after this cuts it short.
void ForgetStop();

}  // namespace vexlane
