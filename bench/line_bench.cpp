// Micro-benchmarks of the work the log scan does on every line.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "base/text.h"
#include "log/level_names.h"
#include "log/line_fields.h"
#include "log/line_prefilter.h"
#include "log/log_line.h"
#include "log/time_entry.h"

namespace {

using namespace vexlane;

const std::string_view kLines[] = {
    "[21:04:11] <Karimo> nice jump but the flag was slow today lol",
    "[21:04:15] <@Vexnota> 1:05,23",
    "[21:04:20] * Rizelu hits the ground again",
    "[21:04:31] -!- Tamoze [~Tamoze@dsl-12.example.net] has joined #battle",
    "[21:04:40] <+Joelma> http://levels.example.org/lev/Pipe12.lev",
    "[21:04:45] <Quside> who has the best record on this one? i think the "
    "physics were different on the old server and the replay does not work",
};

void BM_SpeakerOf(benchmark::State& state) {
  for (auto _ : state) {
    for (std::string_view line : kLines)
      benchmark::DoNotOptimize(SpeakerOf(line));
  }
}
BENCHMARK(BM_SpeakerOf);

// The '.' and "by" test that lets most lines skip the word searches.
void BM_LinePrefilter(benchmark::State& state) {
  for (auto _ : state) {
    for (std::string_view line : kLines)
      benchmark::DoNotOptimize(AnchorsOf(line));
  }
}
BENCHMARK(BM_LinePrefilter);

// Reading an irssi line: its stamp, speaker and message.
void BM_IrssiReader(benchmark::State& state) {
  LineReader reader(LogFormat::kIrssi);
  char line[] = "21:04 <@Vexnota> 1:05,23";
  LineFields fields;
  for (auto _ : state) {
    reader.Read(line, sizeof line - 1, &fields);
    benchmark::DoNotOptimize(fields);
  }
}
BENCHMARK(BM_IrssiReader);

void BM_TimeStampOf(benchmark::State& state) {
  for (auto _ : state) {
    for (std::string_view line : kLines)
      benchmark::DoNotOptimize(TimeStampOf(line));
  }
}
BENCHMARK(BM_TimeStampOf);

// The upper-cased copy and the six word searches of every line.
void BM_WordTests(benchmark::State& state) {
  std::string upper;
  for (auto _ : state) {
    for (std::string_view line : kLines) {
      UpperInto(line, &upper);
      const std::string_view u = upper;
      benchmark::DoNotOptimize(u.find("BATTLE") + u.find(".LEV") +
                               u.find("HTTP") + u.find(".REC") +
                               u.find("STOP") + u.find("END"));
    }
  }
}
BENCHMARK(BM_WordTests);

void BM_LevelNameOf(benchmark::State& state) {
  for (auto _ : state) {
    for (std::string_view line : kLines)
      benchmark::DoNotOptimize(LevelNameOf(line));
  }
}
BENCHMARK(BM_LevelNameOf);

void BM_ParseTime(benchmark::State& state) {
  for (auto _ : state) {
    for (std::string_view line : kLines) {
      benchmark::DoNotOptimize(ParseTime(line, MessageStart::kAfterMarker));
    }
  }
}
BENCHMARK(BM_ParseTime);

}  // namespace

BENCHMARK_MAIN();
