// vexlane-stats: battle statistics from an IRC #battle channel log.
#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/run.h"
#include "app/unattended.h"
#include "base/out_of_memory.h"
#include "base/platform.h"
#include "base/version.h"

namespace {

int Run(int argc, char** argv) {
  const int closed = vexlane::PrepareStandardStreams();
  vexlane::RemoveTemporaryFileOnSignals();
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0),
                                           argv + argc);
  const vexlane::Command command = vexlane::ParseCommandLine(args);
  std::ios::sync_with_stdio(false);
  switch (command.kind) {
    case vexlane::CommandKind::kDialog: {
      vexlane::Console console{std::cin, std::cout, vexlane::StdinIsTerminal()};
      return vexlane::RunProgram(console);
    }
    case vexlane::CommandKind::kRun: {
      vexlane::RunOptions options;
      std::string error;
      if (!vexlane::LoadSettings(command.options, &options, &error)) {
        std::cerr << error << "\n" << std::flush;
        return 2;
      }
      vexlane::StandardStreams streams{std::cout, std::cerr,
                                       vexlane::StderrIsTerminal(),
                                       (closed & 2) != 0, (closed & 1) != 0};
      if (options.follow) {
        return vexlane::RunFollowing(command.options, options, streams);
      }
      return vexlane::RunUnattended(options, streams);
    }
    default:
      return vexlane::AnswerCommand(command, std::cout, std::cerr);
  }
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc& e) {
    // Nothing was published: a report is named only once it is whole.
    const auto* stage = dynamic_cast<const vexlane::OutOfMemory*>(&e);
    std::fprintf(stderr, "%.*sout of memory%s%s; no report was written\n",
                 static_cast<int>(vexlane::kMessagePrefix.size()),
                 vexlane::kMessagePrefix.data(),
                 stage != nullptr ? " while " : "",
                 stage != nullptr ? stage->stage() : "");
    return 1;
  }
}
