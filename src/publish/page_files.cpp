#include "publish/page_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/text.h"

namespace vexlane {

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

// What the mark `mark` (null: none) says the page `path` was made from,
// where that is `digest`; null otherwise.
const PageOrigin* OriginOf(const Mark* mark, const std::string& path,
                           std::string_view digest) {
  if (mark == nullptr || mark->pages.count(path) == 0) return nullptr;
  const auto found = mark->origins.find(path);
  if (found == mark->origins.end() || found->second.digest != digest) {
    return nullptr;
  }
  return &found->second;
}

}  // namespace

PageFiles::PageFiles(FileSystem& fs, std::string dir, std::string root,
                     const Mark* root_mark, const Mark* live)
    : fs_(fs),
      dir_(std::move(dir)),
      root_(std::move(root)),
      root_mark_(root_mark),
      live_(live) {}

bool PageFiles::Holds(const std::string& path, std::string_view digest) {
  if (StopSignalWaiting()) throw SiteBuildStopped{};
  const PageOrigin* in_live =
      LiveFolders(path) ? OriginOf(live_, path, digest) : nullptr;
  // The older version's file, untouched since its mark or since the live
  // site's (which gave it a second name after that mark was written).
  if (const PageOrigin* in_root = OriginOf(root_mark_, path, digest)) {
    const FileStamp now = fs_.Stamp(JoinedPath(root_, path));
    if (now.known && (now == in_root->stamp ||
                      (in_live != nullptr && now == in_live->stamp))) {
      Placed(path, PageOrigin{std::string(digest), now});
      return true;
    }
  }
  if (in_live != nullptr &&
      fs_.Stamp(JoinedPath(dir_, path)) == in_live->stamp) {
    if (!Prepare(path)) return true;  // failed: nothing more is put in
    const std::string target = JoinedPath(root_, path);
    if (Clear(path) == 0 && fs_.Link(JoinedPath(dir_, path), target) == 0) {
      // A second name changes when the file last changed.
      Placed(path, PageOrigin{std::string(digest), fs_.Stamp(target)});
      return true;
    }
  }
  const std::lock_guard<std::mutex> hold(mutex_);
  asked_[path] = PageOrigin{std::string(digest), FileStamp()};
  return false;
}

void PageFiles::Add(std::string path, std::string bytes) {
  if (StopSignalWaiting()) throw SiteBuildStopped{};
  if (!Prepare(path)) return;
  const std::string target = JoinedPath(root_, path);
  int error = Clear(path);
  if (error != 0) return Fail(error);
  error = -1;
  if (live_ != nullptr && live_->pages.count(path) != 0 && LiveFolders(path)) {
    const std::string before = JoinedPath(dir_, path);
    std::string old_bytes;
    if (fs_.Read(before, bytes.size(), &old_bytes) == 0 && old_bytes == bytes) {
      error = fs_.Link(before, target);
    }
  }
  if (error != 0) error = fs_.WriteNew(target, bytes);
  if (error != 0) return Fail(error);
  PageOrigin origin;
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    const auto found = asked_.find(path);
    if (found != asked_.end()) origin = std::move(found->second);
  }
  if (!origin.digest.empty()) origin.stamp = fs_.Stamp(target);
  Placed(path, std::move(origin));
}

void PageFiles::AddCopy(std::string path, std::string bytes) {
  if (!IsCopyName(path)) return Fail(EINVAL);
  {
    const std::lock_guard<std::mutex> hold(mutex_);
    copies_.insert(path);
  }
  Add(std::move(path), std::move(bytes));
}

void PageFiles::Finish() {
  // Sorted, so that the same log always makes the same site.
  std::sort(written_.begin(), written_.end());
  if (root_mark_ != nullptr) {
    for (const std::string& path : root_mark_->pages) {
      if (std::binary_search(written_.begin(), written_.end(), path)) continue;
      fs_.Remove(JoinedPath(root_, path));
      // Its folders, where that left them empty.
      for (std::size_t slash = path.rfind('/'); slash != std::string::npos;
           slash = slash == 0 ? std::string::npos
                              : path.rfind('/', slash - 1)) {
        if (fs_.Remove(JoinedPath(root_, path.substr(0, slash))) != 0) break;
      }
    }
  }
  const std::string list =
      JoinedPath(root_, std::string(kSiteMarker) + "-list");
  const std::string mark = JoinedPath(root_, std::string(kSiteMarker));
  fs_.Remove(list);  // a killed run's
  int error =
      fs_.WriteNew(list, FinishedMark(dir_, written_, placed_, copies_));
  if (error == 0) error = fs_.Rename(list, mark, /*replace=*/true);
  Fail(error);
}

std::string PageFiles::error() {
  const std::lock_guard<std::mutex> hold(mutex_);
  return error_;
}

std::vector<std::string> PageFiles::written() {
  const std::lock_guard<std::mutex> hold(mutex_);
  return written_;
}

bool PageFiles::Prepare(const std::string& path) {
  const std::lock_guard<std::mutex> hold(mutex_);
  if (!error_.empty()) return false;
  for (std::size_t slash = path.find('/'); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (!folders_.insert(folder).second) continue;
    const std::string here = JoinedPath(root_, folder);
    const int error = fs_.MakeDirectory(here);
    if (error != 0 && error != EEXIST) {
      error_ = ErrorText(error);
      return false;
    }
    // One that was there must be a folder, never a link to one.
    if (error == EEXIST && fs_.KindOf(here) != EntryKind::kDirectory) {
      error_ = Quoted(here) + " is not a folder";
      return false;
    }
  }
  return true;
}

bool PageFiles::LiveFolders(const std::string& path) {
  const std::lock_guard<std::mutex> hold(mutex_);
  for (std::size_t slash = path.find('/'); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    auto found = live_folders_.find(folder);
    if (found == live_folders_.end()) {
      const bool real =
          fs_.KindOf(JoinedPath(dir_, folder)) == EntryKind::kDirectory;
      found = live_folders_.emplace(folder, real).first;
    }
    if (!found->second) return false;
  }
  return true;
}

bool PageFiles::Had(const std::string& path) const {
  return root_mark_ != nullptr && root_mark_->pages.count(path) != 0;
}

int PageFiles::Clear(const std::string& path) {
  if (!Had(path)) return 0;
  const int error = fs_.Remove(JoinedPath(root_, path));
  return error == ENOENT ? 0 : error;
}

void PageFiles::Placed(const std::string& path, PageOrigin origin) {
  const std::lock_guard<std::mutex> hold(mutex_);
  written_.push_back(path);
  if (!origin.digest.empty()) placed_[path] = std::move(origin);
}

void PageFiles::Fail(int error) {
  if (error == 0) return;
  const std::lock_guard<std::mutex> hold(mutex_);
  if (error_.empty()) error_ = ErrorText(error);
}

}  // namespace vexlane
