// Helpers shared by the tests: a scratch directory and whole-file I/O.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "log/time_entry.h"

namespace vexlane::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDir {
 public:
  TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vexlane-test-XXXXXX")
            .string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool Exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(
      std::filesystem::symlink_status(path, ignored));
}

// Occurrences of `needle` in `haystack`.
inline std::size_t CountOf(const std::string& haystack,
                           const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t p = haystack.find(needle); p != std::string::npos;
       p = haystack.find(needle, p + needle.size())) {
    ++n;
  }
  return n;
}

// Entries for the tests: a time, an apple count, and a player's post as the
// review dialog would read it.
inline vexlane::TimeEntry MakeTime(std::uint32_t minutes, std::uint32_t seconds,
                                   std::uint32_t hundredths) {
  vexlane::TimeEntry e;
  e.minutes = minutes;
  e.seconds = seconds;
  e.hundredths = hundredths;
  return e;
}

inline vexlane::TimeEntry MakeApples(std::uint32_t apples) {
  vexlane::TimeEntry e;
  e.apples = apples;
  return e;
}

inline vexlane::TimeEntry Post(std::string name, std::string_view message) {
  vexlane::TimeEntry e =
      vexlane::ParseTime(message, vexlane::MessageStart::kTypedAlone);
  e.name = std::move(name);
  return e;
}

}  // namespace vexlane::testing
