// Publishes a static site: every page, as it is rendered, goes into a new
// hidden directory beside the site's, which is put on the disk and then
// takes the site's name in one step, so that a reader of any page finds
// the old site or the new one, whole, and so does whoever looks after a
// SIGKILL. A page whose bytes are those of the published one is not
// written again: the new site holds the old file under a second name, so
// it keeps its inode. Files and folders somebody else put into the site
// (a .htaccess, robots.txt, an empty folder) are carried into the new one,
// as is one made while the site is rebuilt: nothing of theirs is lost.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/page_sink.h"
#include "publish/file_system.h"
#include "publish/output_file.h"
#include "publish/site_mark.h"

namespace vexlane {

// The site's directory as -o named it, without trailing slashes or "."
// steps: "site/" and "./site/." are "site".
std::string SiteDirectoryName(const std::string& path);

// Why the existing `dir` may not be replaced by a new site, or empty when
// it may: it must be a directory (not a link to one) that this program
// made.
std::string SiteNotReplaceable(const std::string& dir,
                               FileSystem& fs = TheFileSystem());

// Renders every page into the sink. It may throw: what it throws ends the
// build, and the old site stays.
using SiteRenderer = std::function<void(PageSink*)>;

// Publishes the pages `render` makes as the site `dir`: only where nothing
// has that name, or with `replace` in place of a site this program made.
// The names are exchanged in one step where the system can (Linux);
// elsewhere the old site is first moved aside, so a reader may for a
// moment find no site. Runs publishing beside one another take turns, and
// each first removes the hidden directories that killed runs left.
// Signals wait while the site is built; one that asks to stop ends the
// build within moments, the old site whole and nothing left (`stopped`).
// With `ends_run`, a signal once the site is in place ends the program
// with status 0.
WriteOutcome PublishSite(const SiteRenderer& render, const std::string& dir,
                         bool replace, bool ends_run,
                         FileSystem& fs = TheFileSystem());

}  // namespace vexlane
