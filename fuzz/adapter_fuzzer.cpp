// Fuzz target: every log-format adapter, and auto detection, on any bytes.
// The first byte picks the format; the rest is the log. The adapted lines
// never hold a line end, a recognised line always has the finder's shape,
// and the whole scan runs through without a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "log/battle_finder.h"
#include "log/line_adapter.h"
#include "log/log_reader.h"

namespace {

class Counter : public vexlane::FinderClient {
 public:
  void BattleFound(vexlane::FoundBattle* battle) override {
    if (battle->times.empty()) std::abort();
    if (!battle->date.empty() && battle->date.size() != 10) std::abort();
  }
  bool NextLevel(int, std::string*, bool) override { return false; }
  void LevelNotFound(const std::string&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  const auto format = static_cast<vexlane::LogFormat>(data[0] % 8);
  const std::string_view log(reinterpret_cast<const char*>(data) + 1, size - 1);
  vexlane::MemorySource source(log, "2024-11-12.log");
  std::vector<std::string> lines;
  {
    vexlane::LogReader reader(7);
    reader.Open(&source);
    std::string_view line;
    while (reader.Next(&line) && lines.size() < 200) lines.emplace_back(line);
  }
  vexlane::DetectLogFormat(lines);
  vexlane::LineAdapter adapter(format);
  adapter.BeginFile("battle_2024-11-12.log");
  for (const std::string& line : lines) {
    const std::string_view adapted = adapter.Adapt(line);
    if (adapted.find('\n') != std::string_view::npos) std::abort();
    if (adapted.data() != line.data() &&
        (adapted.size() < 11 || adapted[0] != '[' || adapted[9] != ']')) {
      std::abort();
    }
    if (!adapter.date().empty() && adapter.date().size() != 10) std::abort();
  }
  vexlane::FinderOptions options;
  options.format = format;
  Counter counter;
  vexlane::FindBattles({&source}, options, &counter);
  return 0;
}
