// The few things that differ between Linux, macOS and Windows: telling a
// terminal, waiting for one key press, and creating a file that must not
// exist yet.
#pragma once

#include <cstdio>
#include <string>

namespace vexlane {

// Makes the standard streams safe before anything else opens a file: a
// closed standard input, output or error is reopened on the null device (so
// that no log or report takes its place and receives console text), a
// vanished reader of the output fails writes instead of ending the
// program, and a file size limit fails the report's write (which is then
// reported) instead of killing the program half way.
void PrepareStandardStreams();

// True when standard input is an interactive terminal.
bool StdinIsTerminal();

// Waits for one key press on the terminal, without echo. The terminal's
// settings are restored afterwards, also when a signal ends the wait.
void WaitForKeyPress();

// Creates `path` for binary writing only if nothing exists under that name
// (not even a dangling link); nullptr otherwise.
std::FILE* CreateNewFile(const std::string& path);

}  // namespace vexlane
