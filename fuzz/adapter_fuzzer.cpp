// Fuzz target: every log format's reader, and format detection, on any
// bytes. The first byte picks the format; the rest is the log. Every line's
// views stay inside it, dates are real dates, and the whole scan runs
// through without a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "log/battle_finder.h"
#include "log/log_line.h"

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

bool Inside(std::string_view inner, std::string_view outer) {
  return inner.empty() ||
         (inner.data() >= outer.data() &&
          inner.data() + inner.size() <= outer.data() + outer.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  const auto format = static_cast<vexlane::LogFormat>(data[0] % 8);
  const std::string_view log(reinterpret_cast<const char*>(data) + 1, size - 1);
  vexlane::DetectLogFormat(log);
  vexlane::LineReader reader(format);
  reader.BeginFile("battle_2024-11-12.log");
  std::size_t at = 0;
  while (at < log.size()) {
    std::size_t end = log.find('\n', at);
    if (end == std::string_view::npos) end = log.size();
    std::string text(log.substr(at, end - at));
    const vexlane::LogLine line = reader.Read(&text);
    if (!Inside(line.speaker, line.text) || !Inside(line.message, line.text)) {
      std::abort();
    }
    const std::uint32_t month = line.date / 100 % 100;
    const std::uint32_t day = line.date % 100;
    if (line.date != 0 && (month < 1 || month > 12 || day < 1 || day > 31)) {
      std::abort();
    }
    at = end + 1;
  }
  vexlane::MemorySource source(log, "2024-11-12.log");
  vexlane::FinderOptions options;
  options.format = format;
  Counter counter;
  vexlane::FindBattles({&source}, options, &counter);
  return 0;
}
