// The command line: with no arguments the program runs its console dialog;
// it also answers --help and --version.
#pragma once

#include <iosfwd>
#include <optional>
#include <string_view>
#include <vector>

namespace vexlane {

// Handles the arguments after the program name. Returns the exit status
// when they were answered here (help, version, or a usage error on `err`);
// nullopt when the dialog should run.
std::optional<int> HandleCommandLine(const std::vector<std::string_view>& args,
                                     std::ostream& out, std::ostream& err);

}  // namespace vexlane
