// Fuzz target: the command-line parser on any argv (the input split at NUL
// bytes). It never crashes, a usage error is status 2 with a message, help
// and version are status 0.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string_view>
#include <vector>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> args;
  for (std::size_t at = 0; at <= input.size();) {
    const std::size_t end = std::min(input.find('\0', at), input.size());
    args.push_back(input.substr(at, end - at));
    at = end + 1;
  }
  if (input.empty()) args.clear();
  const vexlane::Command command = vexlane::ParseCommandLine(args);
  std::ostringstream out;
  std::ostringstream err;
  const int status = vexlane::AnswerCommand(command, out, err);
  switch (command.kind) {
    case vexlane::CommandKind::kUsageError:
      if (status != 2 || command.error.empty() || err.str().empty())
        std::abort();
      break;
    case vexlane::CommandKind::kHelp:
    case vexlane::CommandKind::kVersion:
    case vexlane::CommandKind::kCompletion:
      if (status != 0 || out.str().empty()) std::abort();
      break;
    case vexlane::CommandKind::kDialog:
      if (!args.empty()) std::abort();
      break;
    case vexlane::CommandKind::kRun: {
      const vexlane::RunOptions& o = command.options;
      if (o.extra_points < 0 || o.extra_points > 1000) std::abort();
      for (const auto& level : o.levels) {
        if (level.find_first_not_of(" \t\n\v\f\r") == std::string::npos) {
          std::abort();
        }
      }
      break;
    }
  }
  return 0;
}
