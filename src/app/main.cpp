// vexlane-stats: battle statistics from an IRC #battle channel log.
#include <iostream>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/run.h"
#include "base/platform.h"

int main(int argc, char** argv) {
  vexlane::PrepareStandardStreams();
  const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0),
                                           argv + argc);
  if (const auto status =
          vexlane::HandleCommandLine(args, std::cout, std::cerr)) {
    return *status;
  }
  std::ios::sync_with_stdio(false);
  vexlane::Console console{std::cin, std::cout, vexlane::StdinIsTerminal()};
  return vexlane::RunProgram(console);
}
