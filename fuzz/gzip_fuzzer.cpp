// Fuzz target: the gzip reader on any bytes as a ".gz" log. It reads to the
// end or stops with a clear error; it never crashes or hangs.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "log/gzip_source.h"
#include "log/line_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  static const std::string path =
      (std::filesystem::temp_directory_path() /
       ("vexlane-fuzz-" + std::to_string(getpid()) + ".gz"))
          .string();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  vexlane::GzipSource source(path);
  std::string error;
  if (!source.Open(&error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  // Lines through the one block reader, inline, until the end or an error.
  vexlane::LineReader reader(vexlane::LogFormat::kClassic);
  vexlane::LineFeed feed(1 << 12, /*may_use_thread=*/false);
  feed.Open(&source, &reader);
  vexlane::LogLine line;
  std::size_t bytes = 0;
  while (feed.Next(&line)) bytes += line.text.size() + 1;
  (void)bytes;
  return 0;
}
