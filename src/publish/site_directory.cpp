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
#include "publish/page_files.h"

namespace vexlane {

namespace {

constexpr std::string_view kTempPrefix = ".vexlane-site-";

std::string ErrorText(int error) { return std::strerror(error); }

// Gives every entry under `from` that `pages` does not name (somebody
// else's file, link or folder) a name in `to`, where that name is free,
// and adds its path to `*carried` (when given). Returns how many could not
// be carried over; those whose name `to` already holds are named in
// `*taken` (when given).
std::size_t CarryOver(FileSystem& fs, const std::string& from,
                      const std::string& to,
                      const std::set<std::string, std::less<>>& pages,
                      std::vector<std::string>* carried = nullptr,
                      const std::string& relative = "",
                      std::vector<std::string>* taken = nullptr) {
  std::vector<DirEntry> entries;
  if (fs.List(JoinedPath(from, relative), &entries) != 0) return 1;
  std::size_t left = 0;
  for (const DirEntry& entry : entries) {
    const std::string path = JoinedPath(relative, entry.name);
    if (relative.empty() && entry.name.starts_with(kSiteMarker)) continue;
    const std::string source = JoinedPath(from, path);
    const std::string target = JoinedPath(to, path);
    if (entry.kind == EntryKind::kDirectory) {
      const int error = fs.MakeDirectory(target);
      if (error != 0 && fs.KindOf(target) != EntryKind::kDirectory) {
        ++left;
        if (taken != nullptr && fs.KindOf(target) != EntryKind::kNone) {
          taken->push_back(path + "/");
        }
        continue;
      }
      if (error == 0 && carried != nullptr) carried->push_back(path + "/");
      left += CarryOver(fs, from, to, pages, carried, path, taken);
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
      if (taken != nullptr) taken->push_back(path);
    }
  }
  return left;
}

// The mark, or the file a new mark is written to before it takes the name.
bool IsMarkName(std::string_view name) {
  return name == kSiteMarker || (name.starts_with(kSiteMarker) &&
                                 name.substr(kSiteMarker.size()) == "-list");
}

// What RemoveSite removes of a site that is not the live one.
enum class Clearing {
  kAll,         // everything: a site that was never published
  kOurs,        // its pages, its mark, and what the live site has too
  kOthersOnly,  // what the live site has too: its own pages stay
};

// Removes from the site `dir` (not the live one, `live`) what `clearing`
// says, `mark` telling its pages; the rest stays, and so does every folder
// that is not empty then.
void RemoveSite(FileSystem& fs, const std::string& dir, const Mark& mark,
                const std::string& live, Clearing clearing,
                const std::string& relative = "") {
  std::vector<DirEntry> entries;
  fs.List(JoinedPath(dir, relative), &entries);
  for (const DirEntry& entry : entries) {
    const std::string path = JoinedPath(relative, entry.name);
    const std::string here = JoinedPath(dir, path);
    if (entry.kind == EntryKind::kDirectory) {
      RemoveSite(fs, dir, mark, live, clearing, path);
      continue;
    }
    const bool ours =
        (relative.empty() && IsMarkName(entry.name)) ||
        (entry.kind == EntryKind::kFile && mark.pages.count(path) != 0);
    bool goes =
        clearing == Clearing::kAll || (ours && clearing == Clearing::kOurs);
    if (!goes && !(ours && clearing == Clearing::kOthersOnly)) {
      goes = fs.SameFile(here, JoinedPath(live, path));
    }
    if (goes) fs.Remove(here);
  }
  fs.Remove(JoinedPath(dir, relative));
}

// Whether the site `dir` holds nothing but its mark, the pages `mark`
// lists and their folders.
bool OnlyPages(FileSystem& fs, const std::string& dir, const Mark& mark,
               const std::string& relative = "") {
  std::vector<DirEntry> entries;
  if (fs.List(JoinedPath(dir, relative), &entries) != 0) return false;
  for (const DirEntry& entry : entries) {
    const std::string path = JoinedPath(relative, entry.name);
    if (entry.kind == EntryKind::kDirectory) {
      // Only the folders of its pages, never one of somebody else's.
      const auto folder = mark.pages.lower_bound(path + "/");
      if (folder == mark.pages.end() || !folder->starts_with(path + "/") ||
          !OnlyPages(fs, dir, mark, path)) {
        return false;
      }
    } else if (!(relative.empty() && entry.name == kSiteMarker) &&
               !(entry.kind == EntryKind::kFile && mark.pages.count(path))) {
      return false;
    }
  }
  return true;
}

std::string SiteName(const std::string& dir) {
  return std::filesystem::path(dir).filename().string();
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

// Removes the hidden directories that runs left beside `dir` (their mark
// names the site), but one: the site's version before the live one, kept
// to build the next from, returned in `*spare` (with its mark in
// `*spare_mark`), where there is one holding nothing but its pages. Of the
// others, a new site never published (killed) goes whole; of an old one
// set aside, its pages go and what else is in it stays, where its owner
// finds it.
void RemoveLeftovers(FileSystem& fs, const std::string& dir, std::string* spare,
                     Mark* spare_mark) {
  const std::string parent = ParentOf(dir);
  std::vector<DirEntry> entries;
  if (fs.List(parent, &entries) != 0) return;
  for (const DirEntry& entry : entries) {
    // The site itself may have such a name: it is never a leftover.
    if (entry.kind != EntryKind::kDirectory || !IsTempName(entry.name) ||
        entry.name == SiteName(dir)) {
      continue;
    }
    const std::string path = JoinedPath(parent, entry.name);
    Mark mark = ReadMark(fs, path);
    if (!mark.ours || mark.site != SiteName(dir)) continue;
    if (spare->empty() && mark.finished && OnlyPages(fs, path, mark)) {
      *spare = path;
      *spare_mark = std::move(mark);
      continue;
    }
    RemoveSite(fs, path, mark, dir,
               mark.finished ? Clearing::kOurs : Clearing::kAll);
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
    // (Built in an older version of the site set aside so, it goes back
    // to the name without "-old".)
    const std::string old = temp.ends_with("-old")
                                ? temp.substr(0, temp.size() - 4)
                                : temp + "-old";
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

// Marks `temp` as a site being built: a new directory, or an older
// version of the site (`spare`) whose mark is replaced in one step.
int MarkUnfinished(FileSystem& fs, const std::string& temp,
                   const std::string& dir, bool spare) {
  const std::string mark = JoinedPath(temp, std::string(kSiteMarker));
  if (!spare) return fs.WriteNew(mark, UnfinishedMark(dir));
  const std::string list = mark + "-list";
  fs.Remove(list);  // a killed run's
  int error = fs.WriteNew(list, UnfinishedMark(dir));
  if (error == 0) error = fs.Rename(list, mark, /*replace=*/true);
  return error;
}

// Builds the new site in `temp` (new, or the older version of the site
// whose mark is `*spare`) from the pages `render` makes, the live site
// `dir` (with `live`, its mark; null: none) lending its unchanged pages
// and somebody else's files. Returns why it failed, or empty;
// `outcome->stopped` when a signal stopped it.
std::string Build(FileSystem& fs, const SiteRenderer& render,
                  const std::string& temp, const std::string& dir,
                  const Mark* spare, const Mark* live, WriteOutcome* outcome,
                  std::vector<std::string>* written) {
  const int error = MarkUnfinished(fs, temp, dir, spare != nullptr);
  if (error != 0) return ErrorText(error);
  PageFiles files(fs, dir, temp, spare, live);
  std::string why;
  try {
    render(&files);
    if (files.error().empty()) files.Finish();
    why = files.error();
  } catch (const SiteBuildStopped&) {
    outcome->stopped = true;
    why = "stopped";
  } catch (const std::bad_alloc&) {
    why = "out of memory while rendering the site";
  } catch (const std::exception& e) {
    why = e.what();
  }
  *written = files.written();
  if (!why.empty()) return why;
  if (live != nullptr) {
    // A page or copy of this run where the live site holds somebody else's
    // file or folder would push theirs out of the site: refused.
    // Only a finished mark tells its pages from somebody else's files; a
    // folder of its pages (made a link, say) is the site's own.
    std::vector<std::string> taken;
    CarryOver(fs, dir, temp, live->pages, &outcome->kept, "", &taken);
    std::erase_if(taken, [live](const std::string& path) {
      if (!live->finished) return true;
      const std::string folder = path.ends_with('/') ? path : path + "/";
      const auto after = live->pages.lower_bound(folder);
      return after != live->pages.end() && after->starts_with(folder);
    });
    if (!taken.empty()) {
      outcome->clash = true;
      return Quoted(JoinedPath(dir, taken.front())) +
             " is somebody else's, and this run would write a file of that "
             "name: move it away or rename what clashes with it";
    }
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

// Builds the site `dir` in the older version kept beside it (`*temp`, its
// mark `spare`), or where there is none or the build there fails, in a new
// hidden directory (then named in `*temp`). What a failed or stopped build
// in the older version put there goes, with the pages it held, but
// nothing else that is in it.
std::string BuildBeside(FileSystem& fs, const SiteRenderer& render,
                        const std::string& dir, const Mark* live,
                        const Mark& spare, std::string* temp,
                        WriteOutcome* outcome) {
  std::vector<std::string> written;
  if (!temp->empty()) {
    std::string why =
        Build(fs, render, *temp, dir, &spare, live, outcome, &written);
    if (why.empty()) return "";
    Mark ours = spare;
    ours.pages.insert(written.begin(), written.end());
    RemoveSite(fs, *temp, ours, dir, Clearing::kOurs);
    if (fs.KindOf(*temp) != EntryKind::kNone) {
      outcome->warning =
          "the older version of the site beside it could not "
          "be removed whole: " +
          Quoted(*temp) + " is left";
    }
    temp->clear();
    outcome->kept.clear();
    if (outcome->stopped || outcome->clash) return why;
  }
  const int error = fs.MakeTempDirectoryBeside(dir, temp);
  if (error != 0) {
    temp->clear();
    return ErrorText(error);
  }
  return Build(fs, render, *temp, dir, nullptr, live, outcome, &written);
}

// The old site, set aside once the new one has its name: what was put into
// it meanwhile goes into the new one. Where runs take turns (`kept`), the
// old site's pages then stay, for the next run to build from; otherwise,
// or where somebody else's file could not be carried over, the old site
// goes, all but what could not.
void ClearAside(FileSystem& fs, const std::string& aside,
                const std::string& dir, bool keep, WriteOutcome* outcome) {
  const Mark mark = ReadMark(fs, aside);
  CarryOver(fs, aside, dir, mark.pages, &outcome->kept);
  if (keep && mark.finished && mark.site == SiteName(dir)) {
    RemoveSite(fs, aside, mark, dir, Clearing::kOthersOnly);
    if (OnlyPages(fs, aside, mark)) return;
  }
  RemoveSite(fs, aside, mark, dir, Clearing::kOurs);
  if (fs.KindOf(aside) != EntryKind::kNone) {
    outcome->warning =
        "the old site could not be removed whole: " + Quoted(aside) +
        " is left";
  }
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
  std::string temp;  // where the site is built
  Mark spare;
  if (locked) RemoveLeftovers(fs, dir, &temp, &spare);
  const bool had_old = fs.KindOf(dir) != EntryKind::kNone;
  outcome.error = had_old ? SiteNotReplaceable(dir, fs) : "";
  const Mark old = had_old ? ReadMark(fs, dir) : Mark();
  if (outcome.error.empty()) {
    outcome.error = BuildBeside(fs, render, dir, had_old ? &old : nullptr,
                                spare, &temp, &outcome);
  } else if (!temp.empty()) {
    RemoveSite(fs, temp, spare, dir, Clearing::kOurs);
    temp.clear();
  }
  std::string aside;
  if (outcome.error.empty()) {
    outcome.error = Swap(fs, temp, dir, replace, &aside);
    outcome.ok = outcome.error.empty();
  }
  if (outcome.ok && ends_run) SignalsEndSuccessfully();
  if (!outcome.ok) {
    if (!temp.empty()) RemoveSite(fs, temp, Mark(), dir, Clearing::kAll);
  } else if (!aside.empty()) {
    ClearAside(fs, aside, dir, locked, &outcome);
  }
  if (outcome.ok) fs.Sync(dir);
  HoldSignals(false);
  return outcome;
}

}  // namespace vexlane
