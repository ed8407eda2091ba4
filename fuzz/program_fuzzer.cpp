// Fuzz target: a whole run of the program on arbitrary bytes. The first byte
// picks the report kind, the mode and the extra points; the rest is the log
// up to the first NUL byte and, after it, the console answers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>

#include "app/run.h"
#include "ui/console.h"

namespace {

const std::string& WorkDir() {
  static const std::string dir = [] {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "vexlane-fuzz-XXXXXX")
            .string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return pattern;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  const unsigned selector = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1,
                              size - 1);
  const std::size_t split = rest.find('\0');
  const std::string_view log = rest.substr(0, split);
  const std::string_view script = split == std::string_view::npos
                                      ? std::string_view()
                                      : rest.substr(split + 1);

  const std::string dir = WorkDir();
  const std::string log_path = dir + "/fuzz.log";
  {
    std::FILE* f = std::fopen(log_path.c_str(), "wb");
    if (f == nullptr) std::abort();
    std::fwrite(log.data(), 1, log.size(), f);
    std::fclose(f);
  }

  // Kinds: combo text, stats.txt text, HTML; then automatic or level by
  // level (the first script line is the level name).
  static const char* const kKinds[] = {"1\n1\n", "1\n2\n", "2\n"};
  std::string answers = std::to_string((selector >> 3) * 32) + "\n" + log_path +
                        "\n" + kKinds[selector % 3];
  if ((selector & 4) == 0) answers += "\n";
  answers += script;

  std::istringstream in(answers);
  std::ostringstream out;
  vexlane::Console console{in, out, false};
  if (vexlane::RunProgram(console, dir) != 0) std::abort();

  // Exactly one outcome of the report writer, and a report only with it.
  const std::string said = out.str();
  const bool made = said.find("was made successfully. ") != std::string::npos;
  const bool writing = said.find("Writing to file...") != std::string::npos;
  if (made != writing) std::abort();
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ignored)) {
    if (entry.path().filename() != "fuzz.log")
      std::filesystem::remove(entry.path(), ignored);
  }
  return 0;
}
