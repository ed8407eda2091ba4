#include "publish/site_directory.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "base/platform.h"
#include "base/text.h"

namespace vexlane {

namespace {

// The mark: this head, the line "site NAME" (the site's directory name),
// then every page of the site, a line each. A site still being built says
// so instead of listing its pages. (Marks of earlier versions have no
// "site" line.)
constexpr std::string_view kMarkHead = "A site made by vexlane-stats.\n";
constexpr std::string_view kSiteLine = "site ";
constexpr std::string_view kUnfinished = "(unfinished)";
constexpr std::string_view kTempPrefix = ".vexlane-site-";
constexpr std::size_t kMarkLimit = std::size_t{256} << 20;

// Thrown into the renderer when a signal asks the run to stop.
struct Stopped {};

// `dir`/`relative`; either may be empty (the site's top).
std::string Joined(const std::string& dir, const std::string& relative) {
  if (dir.empty()) return relative;
  return relative.empty() ? dir : dir + "/" + relative;
}

std::string ErrorText(int error) { return std::strerror(error); }

struct Mark {
  bool ours = false;     // the head is there
  bool finished = true;  // it lists the pages
  std::string site;      // the site's directory name, where it says
  std::set<std::string, std::less<>> pages;
};

// Whether `path` is a name this program gives a page: '/'-separated steps
// of lower-case ASCII letters, digits, '-' and '.', none empty, "." or
// "..", ending in ".html". A line of a mark that is none (edited by hand)
// names no page, and what has that name is never removed.
bool IsPageName(std::string_view path) {
  if (!path.ends_with(".html")) return false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') {
      const char c = path[i];
      if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '.')) {
        return false;
      }
      continue;
    }
    const std::string_view step = path.substr(start, i - start);
    if (step.empty() || step == "." || step == "..") return false;
    start = i + 1;
  }
  return true;
}

Mark ReadMark(FileSystem& fs, const std::string& dir) {
  Mark mark;
  std::string text;
  if (fs.Read(Joined(dir, std::string(kSiteMarker)), kMarkLimit, &text) != 0 ||
      !text.starts_with(kMarkHead)) {
    return mark;
  }
  mark.ours = true;
  std::string_view list = std::string_view(text).substr(kMarkHead.size());
  while (!list.empty()) {
    const std::size_t end = list.find('\n');
    const std::string_view line = list.substr(0, end);
    list = end == std::string_view::npos ? "" : list.substr(end + 1);
    if (line.starts_with(kSiteLine)) {
      mark.site = line.substr(kSiteLine.size());
    } else if (line == kUnfinished) {
      mark.finished = false;
    } else if (IsPageName(line)) {
      mark.pages.emplace(line);
    }
  }
  return mark;
}

// The mark's head and "site" line for the site `dir`.
std::string MarkHead(const std::string& dir) {
  std::string head(kMarkHead);
  head += kSiteLine;
  head += std::filesystem::path(dir).filename().string();
  head += '\n';
  return head;
}

// Writes each page into the new directory `root` as it comes, from either
// of the renderer's threads, and keeps the first failure. A page the old
// site `old` holds with the same bytes gets a second name instead.
class PageFiles : public PageSink {
 public:
  PageFiles(FileSystem& fs, std::string root, std::string old,
            const Mark* old_mark, std::string mark_head)
      : fs_(fs),
        root_(std::move(root)),
        old_(std::move(old)),
        old_mark_(old_mark),
        mark_head_(std::move(mark_head)) {}

  void Add(std::string path, std::string bytes) override {
    if (StopSignalWaiting()) throw Stopped{};
    if (!Prepare(path)) return;
    const std::string target = Joined(root_, path);
    if (old_mark_ != nullptr && old_mark_->pages.count(path) != 0) {
      const std::string before = Joined(old_, path);
      std::string old_bytes;
      if (fs_.Read(before, bytes.size(), &old_bytes) == 0 &&
          old_bytes == bytes && fs_.Link(before, target) == 0) {
        return;
      }
    }
    Fail(fs_.WriteNew(target, bytes));
  }

  // Replaces the unfinished mark by one that lists every page written.
  void FinishMark() {
    // Sorted, so that the same log always makes the same site.
    std::sort(written_.begin(), written_.end());
    std::string mark = mark_head_;
    for (const std::string& path : written_) {
      mark += path;
      mark += '\n';
    }
    const std::string list = Joined(root_, std::string(kSiteMarker) + "-list");
    const std::string mark_path = Joined(root_, std::string(kSiteMarker));
    int error = fs_.WriteNew(list, mark);
    if (error == 0) error = fs_.Rename(list, mark_path, /*replace=*/true);
    Fail(error);
  }

  // The first failure, or empty.
  std::string error() {
    const std::lock_guard<std::mutex> hold(mutex_);
    return error_;
  }
  std::set<std::string, std::less<>> pages() const {
    return {written_.begin(), written_.end()};
  }

 private:
  // Notes the page and makes its folders; false after a failure.
  bool Prepare(const std::string& path) {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (!error_.empty()) return false;
    written_.push_back(path);
    for (std::size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      const std::string folder = path.substr(0, slash);
      if (!folders_.insert(folder).second) continue;
      const int error = fs_.MakeDirectory(Joined(root_, folder));
      if (error != 0 && error != EEXIST) {
        error_ = ErrorText(error);
        return false;
      }
    }
    return true;
  }

  void Fail(int error) {
    if (error == 0) return;
    const std::lock_guard<std::mutex> hold(mutex_);
    if (error_.empty()) error_ = ErrorText(error);
  }

  FileSystem& fs_;
  std::string root_;
  std::string old_;
  const Mark* old_mark_;
  std::string mark_head_;
  std::mutex mutex_;
  std::set<std::string> folders_;
  std::string error_;
  std::vector<std::string> written_;  // the pages' paths
};

// Gives every entry under `from` that `pages` does not name (somebody
// else's file, link or folder) a name in `to`, where that name is free,
// and adds its path to `*carried` (when given). Returns how many could not
// be carried over.
std::size_t CarryOver(FileSystem& fs, const std::string& from,
                      const std::string& to,
                      const std::set<std::string, std::less<>>& pages,
                      std::vector<std::string>* carried = nullptr,
                      const std::string& relative = "") {
  std::vector<DirEntry> entries;
  if (fs.List(Joined(from, relative), &entries) != 0) return 1;
  std::size_t left = 0;
  for (const DirEntry& entry : entries) {
    const std::string path = Joined(relative, entry.name);
    if (relative.empty() && entry.name.starts_with(kSiteMarker)) continue;
    const std::string source = Joined(from, path);
    const std::string target = Joined(to, path);
    if (entry.kind == EntryKind::kDirectory) {
      const int error = fs.MakeDirectory(target);
      if (error != 0 && fs.KindOf(target) != EntryKind::kDirectory) {
        ++left;
        continue;
      }
      if (error == 0 && carried != nullptr) carried->push_back(path + "/");
      left += CarryOver(fs, from, to, pages, carried, path);
      // Its mode and owner once it is filled (it may be read-only).
      if (error == 0) fs.CopyAttributes(source, target);
    } else if (entry.kind == EntryKind::kFile && pages.count(path) != 0) {
      continue;  // a page of that site
    } else if (fs.KindOf(target) == EntryKind::kNone) {
      if (fs.Link(source, target) != 0) {
        ++left;
      } else if (carried != nullptr) {
        carried->push_back(path);
      }
    } else if (!fs.SameFile(source, target)) {
      ++left;
    }
  }
  return left;
}

// Removes from the old site `dir` what is this program's (the pages its
// mark names, the mark) and what has a name in the live site `live` as
// well; the rest stays, and so does every folder that is not empty then.
// With `all`, everything goes (a site that was never published).
void RemoveSite(FileSystem& fs, const std::string& dir, const Mark& mark,
                const std::string& live, bool all,
                const std::string& relative = "") {
  std::vector<DirEntry> entries;
  fs.List(Joined(dir, relative), &entries);
  for (const DirEntry& entry : entries) {
    const std::string path = Joined(relative, entry.name);
    const std::string here = Joined(dir, path);
    if (entry.kind == EntryKind::kDirectory) {
      RemoveSite(fs, dir, mark, live, all, path);
      continue;
    }
    const bool ours =
        (relative.empty() && entry.name == kSiteMarker) ||
        (entry.kind == EntryKind::kFile && mark.pages.count(path) != 0);
    if (all || ours || fs.SameFile(here, Joined(live, path))) fs.Remove(here);
  }
  fs.Remove(Joined(dir, relative));
}

std::string ParentOf(const std::string& dir) {
  const std::size_t slash = dir.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : dir.substr(0, slash);
}

// Removes the hidden directories that runs killed while publishing left
// beside `dir`: a new site never published, or an old one set aside.
// Whether `name` is one a run gives its hidden directory:
// ".vexlane-site-XXXXXX", or that and "-old".
bool IsTempName(std::string_view name) {
  if (!name.starts_with(kTempPrefix)) return false;
  name.remove_prefix(kTempPrefix.size());
  if (name.ends_with("-old")) name.remove_suffix(4);
  return name.size() == 6 && std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  (c >= '0' && c <= '9');
         });
}

// Removes the hidden directories that runs killed while publishing `dir`
// left beside it (their mark names the site): a new site never published
// goes whole; of an old one set aside, its pages go and what else is in
// it stays, where its owner finds it.
void RemoveLeftovers(FileSystem& fs, const std::string& dir) {
  const std::string parent = ParentOf(dir);
  const std::string site = std::filesystem::path(dir).filename().string();
  std::vector<DirEntry> entries;
  if (fs.List(parent, &entries) != 0) return;
  for (const DirEntry& entry : entries) {
    if (entry.kind != EntryKind::kDirectory || !IsTempName(entry.name)) {
      continue;
    }
    const std::string path = Joined(parent, entry.name);
    const Mark mark = ReadMark(fs, path);
    if (!mark.ours || mark.site != site) continue;
    RemoveSite(fs, path, mark, dir, !mark.finished);
  }
}

// Takes the lock of the site's parent directory, waiting for another run
// to finish; false when a signal asks to stop meanwhile.
bool TakeTurn(DirectoryLock* lock, const std::string& dir, bool* locked) {
  for (;;) {
    switch (lock->TryTake(ParentOf(dir))) {
      case DirectoryLock::Outcome::kTaken:
        *locked = true;
        return true;
      case DirectoryLock::Outcome::kUnavailable:
        return true;
      case DirectoryLock::Outcome::kBusy:
        break;
    }
    if (StopSignalWaiting()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

std::string SiteDirectoryName(const std::string& path) {
  // Only trailing "/" and "/." go: a ".." after a symbolic link is the
  // system's to resolve, not the text's.
  std::string name = path;
  for (;;) {
    if (name.size() > 1 && name.back() == '/') {
      name.pop_back();
    } else if (name.size() > 2 && name.ends_with("/.")) {
      name.resize(name.size() - 2);
    } else {
      break;
    }
  }
  if (name.starts_with("./") && name.size() > 2) name.erase(0, 2);
  return name.empty() ? "." : name;
}

std::string SiteNotReplaceable(const std::string& dir, FileSystem& fs) {
  switch (fs.KindOf(dir)) {
    case EntryKind::kLink:
      return "it is a symbolic link, which is never followed";
    case EntryKind::kDirectory:
      break;
    default:
      return "it is not a directory, so it is not replaced";
  }
  if (!ReadMark(fs, dir).ours) {
    return "it is not a site made by this program, so it is not replaced";
  }
  return "";
}

namespace {

// Gives the built site `temp` the name `dir`: where nothing has it, or, with
// `replace`, in place of the site there, by an exchange of the two names
// (the old site then has the name `temp`) or, where the system has no
// exchange, by moving the old site aside first (to `*aside`). Another run
// may make the directory meanwhile: with `replace` its site is replaced in
// turn. Returns why it failed, or empty.
std::string Swap(FileSystem& fs, const std::string& temp,
                 const std::string& dir, bool replace, std::string* aside) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (fs.KindOf(dir) == EntryKind::kNone) {
      const int error = fs.Rename(temp, dir, /*replace=*/false);
      if (error == 0) return "";
      if (error != EEXIST || !replace) return ErrorText(error);
      continue;
    }
    if (!replace) return ErrorText(EEXIST);
    std::string why = SiteNotReplaceable(dir, fs);
    if (!why.empty()) return why;
    int error = fs.Exchange(temp, dir);
    if (error == 0) {
      *aside = temp;
      return "";
    }
    if (error != ENOSYS && error != EINVAL) return ErrorText(error);
    // No exchange here: the old site moves aside, then the new one in (and
    // the old one back should that fail).
    const std::string old = temp + "-old";
    error = fs.Rename(dir, old, /*replace=*/false);
    if (error != 0) return ErrorText(error);
    error = fs.Rename(temp, dir, /*replace=*/false);
    if (error == 0) {
      *aside = old;
      return "";
    }
    fs.Rename(old, dir, /*replace=*/false);
    return ErrorText(error);
  }
  return ErrorText(EEXIST);
}

// Builds the new site in `temp` from the pages `render` makes, the old
// site `dir` (with `old`, its mark; null: none) lending its unchanged
// pages and somebody else's files. Returns why it failed, or empty;
// `*stopped` when a signal stopped it.
std::string Build(FileSystem& fs, const SiteRenderer& render,
                  const std::string& temp, const std::string& dir,
                  const Mark* old, WriteOutcome* outcome) {
  std::string unfinished = MarkHead(dir);
  unfinished += kUnfinished;
  unfinished += '\n';
  const int error =
      fs.WriteNew(Joined(temp, std::string(kSiteMarker)), unfinished);
  if (error != 0) return ErrorText(error);
  PageFiles files(fs, temp, dir, old, MarkHead(dir));
  try {
    render(&files);
    if (files.error().empty()) files.FinishMark();
  } catch (const Stopped&) {
    outcome->stopped = true;
    return "stopped";
  } catch (const std::bad_alloc&) {
    return "out of memory while rendering the site";
  } catch (const std::exception& e) {
    return e.what();
  }
  if (!files.error().empty()) return files.error();
  if (old != nullptr) {
    CarryOver(fs, dir, temp, old->pages, &outcome->kept);
    fs.CopyAttributes(dir, temp);
  }
  fs.Sync(temp);
  // The sync may have taken long: a stop asked meanwhile still stops.
  if (StopSignalWaiting()) {
    outcome->stopped = true;
    return "stopped";
  }
  return "";
}

}  // namespace

WriteOutcome PublishSite(const SiteRenderer& render, const std::string& path,
                         bool replace, bool ends_run, FileSystem& fs) {
  WriteOutcome outcome;
  const std::string dir = SiteDirectoryName(path);
  outcome.path = dir;
  if (fs.KindOf(dir) != EntryKind::kNone && !replace) {
    outcome.error = ErrorText(EEXIST);
    return outcome;
  }
  HoldSignals(true);
  DirectoryLock lock;
  bool locked = false;
  if (!TakeTurn(&lock, dir, &locked)) {
    outcome.stopped = true;
    outcome.error = "stopped";
    HoldSignals(false);
    return outcome;
  }
  if (locked) RemoveLeftovers(fs, dir);
  const bool had_old = fs.KindOf(dir) != EntryKind::kNone;
  outcome.error = had_old ? SiteNotReplaceable(dir, fs) : "";
  const Mark old = had_old ? ReadMark(fs, dir) : Mark();
  std::string temp;
  if (outcome.error.empty()) {
    const int error = fs.MakeTempDirectoryBeside(dir, &temp);
    if (error != 0) outcome.error = ErrorText(error);
  }
  if (outcome.error.empty()) {
    outcome.error =
        Build(fs, render, temp, dir, had_old ? &old : nullptr, &outcome);
  }
  std::string aside;
  if (outcome.error.empty()) {
    outcome.error = Swap(fs, temp, dir, replace, &aside);
    outcome.ok = outcome.error.empty();
  }
  if (outcome.ok && ends_run) SignalsEndSuccessfully();
  if (!outcome.ok) {
    if (!temp.empty()) RemoveSite(fs, temp, Mark(), dir, /*all=*/true);
  } else if (!aside.empty()) {
    // The old site, set aside: what was put into it meanwhile goes into
    // the new one, then the old site goes, all but what could not.
    const Mark aside_mark = ReadMark(fs, aside);
    CarryOver(fs, aside, dir, aside_mark.pages, &outcome.kept);
    RemoveSite(fs, aside, aside_mark, dir, /*all=*/false);
    if (fs.KindOf(aside) != EntryKind::kNone) {
      outcome.warning =
          "the old site could not be removed whole: " + Quoted(aside) +
          " is left";
    }
  }
  if (outcome.ok) fs.Sync(dir);
  HoldSignals(false);
  return outcome;
}

}  // namespace vexlane
