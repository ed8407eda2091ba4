// The sink a site's pages are rendered into: it puts each page, as it
// comes, into the directory of the site being built. A page that a site
// made before holds already is not written again: where the directory
// being built is that older site (the version before the live one, kept
// beside it), the page simply stays; where the live site holds it, it gets
// a second name. Either holds it when its bytes are the same, or when it
// was made from the same (its renderer's digest) and its file has not
// been touched since.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/page_sink.h"
#include "publish/file_system.h"
#include "publish/site_mark.h"

namespace vexlane {

// Thrown into the renderer when a signal asks the run to stop.
struct SiteBuildStopped {};

class PageFiles : public PageSink {
 public:
  // Builds the site `dir` in `root`: a new empty directory, or an older
  // site of `dir` whose mark is `*root_mark`. `live` is the site now at
  // `dir` (null: none), with its mark.
  PageFiles(FileSystem& fs, std::string dir, std::string root,
            const Mark* root_mark, const Mark* live);

  bool Holds(const std::string& path, std::string_view digest) override;
  void Add(std::string path, std::string bytes) override;
  // A file of the user's at the site's top: one of a name IsCopyName
  // refuses fails the build.
  void AddCopy(std::string path, std::string bytes) override;

  // Once every page is in: removes the pages of the older site that the
  // new one no longer has, then writes the mark that lists the new pages.
  void Finish();

  // The first failure, or empty.
  std::string error();
  // The pages put in so far.
  std::vector<std::string> written();

 private:
  // Makes the page's folders; false after a failure.
  bool Prepare(const std::string& path);
  // Whether the live site's folders on the way to `path` are folders, not
  // links to others (its pages are never read through one).
  bool LiveFolders(const std::string& path);
  // Whether the directory built in held `path` (a page of the older site).
  bool Had(const std::string& path) const;
  // Clears the name `path` in the directory built in, for a page to come.
  int Clear(const std::string& path);
  // Notes a page put in, and what it was made from.
  void Placed(const std::string& path, PageOrigin origin);
  void Fail(int error);

  FileSystem& fs_;
  std::string dir_;
  std::string root_;
  const Mark* root_mark_;  // null: `root_` was empty
  const Mark* live_;       // null: no live site
  std::mutex mutex_;       // guards what follows
  std::set<std::string> folders_;
  std::map<std::string, bool> live_folders_;  // folder -> a real one
  std::string error_;
  std::vector<std::string> written_;  // the pages' paths
  std::set<std::string> copies_;      // those of them copied in
  // What pages are made from: asked of (by Holds), and those put in.
  std::map<std::string, PageOrigin> asked_;
  std::map<std::string, PageOrigin> placed_;
};

}  // namespace vexlane
