#include "app/static_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/platform.h"
#include "base/text.h"
#include "publish/site_mark.h"
#include "render/site_report.h"

namespace vexlane {

namespace {

// Why the file `name` of the folder cannot be copied, or empty.
std::string WhyNotCopied(const DirEntry& entry) {
  switch (entry.kind) {
    case EntryKind::kLink:
      return "a symbolic link, which is never followed";
    case EntryKind::kDirectory:
      return "a folder: only the files at the top of the static folder are "
             "copied";
    case EntryKind::kFile:
      break;
    default:
      return "not a regular file";
  }
  if (!IsCopyName(entry.name)) {
    return "not a plain name (ASCII letters, digits, '-', '_' and '.', not "
           "starting with '.')";
  }
  if (IsSiteOwnName(entry.name)) {
    return "a name the site gives a page or folder of its own";
  }
  return "";
}

// Reads the regular file `path` whole, never through a symbolic link;
// false with `*why` when it cannot, or it holds more than `limit` bytes.
bool ReadFileOnce(const std::string& path, std::size_t limit,
                  std::string* bytes, std::string* why) {
  bool not_regular = false;
  std::FILE* file =
      OpenRegularFile(path, why, &not_regular, /*follow_links=*/false);
  if (file == nullptr) {
    if (not_regular && *why != "a symbolic link") *why += ", not a file";
    return false;
  }
  char buffer[1 << 16];
  std::size_t n = 0;
  errno = 0;
  while (bytes->size() <= limit &&
         (n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    bytes->append(buffer, n);
  }
  const int read_errno = errno;
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *why = read_errno != 0 ? std::strerror(read_errno) : "read error";
    return false;
  }
  if (bytes->size() > limit) {
    *why = "larger than " + std::to_string(limit >> 20) + " MiB";
    return false;
  }
  return true;
}

}  // namespace

bool ReadStaticFolder(const std::string& dir, std::vector<StaticFile>* files,
                      std::string* error, FileSystem& fs) {
  files->clear();
  const std::string folder = "the static folder " + Quoted(dir);
  std::vector<DirEntry> entries;
  if (fs.KindOf(dir) == EntryKind::kNone) {
    *error = folder + ": no such folder";
    return false;
  }
  if (const int code = fs.List(dir, &entries); code != 0) {
    *error = folder + ": " + std::strerror(code);
    return false;
  }
  if (entries.size() > kStaticFiles) {
    *error = folder + " holds " + std::to_string(entries.size()) +
             " entries, more than the " + std::to_string(kStaticFiles) +
             " a site takes";
    return false;
  }
  // By name, so that the first mistake said is the same from run to run.
  std::sort(
      entries.begin(), entries.end(),
      [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  std::size_t total = 0;
  for (const DirEntry& entry : entries) {
    const std::string path = dir + "/" + entry.name;
    std::string why = WhyNotCopied(entry);
    StaticFile file{entry.name, {}};
    if (why.empty() &&
        ReadFileOnce(path, kStaticFileBytes, &file.bytes, &why)) {
      total += file.bytes.size();
      if (total <= kStaticFolderBytes) {
        files->push_back(std::move(file));
        continue;
      }
      why = "past " + std::to_string(kStaticFolderBytes >> 20) +
            " MiB, the most that all the files together may hold";
    }
    *error = Quoted(path) + ": " + why + "; it cannot be copied into the site";
    files->clear();
    return false;
  }
  return true;
}

bool HoldsCustomStyle(const std::vector<StaticFile>& files) {
  return std::any_of(files.begin(), files.end(), [](const StaticFile& f) {
    return f.name == kCustomStyleFile;
  });
}

void AddStaticFiles(const std::vector<StaticFile>& files, PageSink* sink) {
  for (const StaticFile& file : files) sink->AddCopy(file.name, file.bytes);
}

}  // namespace vexlane
