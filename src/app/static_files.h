// The user's static folder (--static): files copied as they are into the
// top of the site, beside its pages (a logo, a custom.css). They are read
// whole before anything is written, so that a folder the site cannot take
// stops the run at its start, and handed to the site's sink as its own
// pages: written with the rest, and gone once they leave the folder.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/page_sink.h"
#include "publish/file_system.h"
#include "render/export_model.h"

namespace vexlane {

struct StaticFile {
  std::string name;
  std::string bytes;
};

// Bounds that keep the copies within reason.
constexpr std::size_t kStaticFileBytes = std::size_t{16} << 20;
constexpr std::size_t kStaticFolderBytes = std::size_t{64} << 20;
constexpr std::size_t kStaticFiles = 1000;

// Reads the regular files at the top of the folder `dir`, by name, none
// through a symbolic link. False, with `*error` naming the entry and why,
// when the folder holds anything else (a link, a folder, a FIFO), a file
// whose name is not plain or is one the site gives a page of its own, or
// more than the bounds allow.
bool ReadStaticFolder(const std::string& dir, std::vector<StaticFile>* files,
                      std::string* error, FileSystem& fs = TheFileSystem());

// Whether the files hold the user's style sheet (kCustomStyleFile).
bool HoldsCustomStyle(const std::vector<StaticFile>& files);

// Hands each file to `sink` as a copy at the site's top.
void AddStaticFiles(const std::vector<StaticFile>& files, PageSink* sink);

}  // namespace vexlane
