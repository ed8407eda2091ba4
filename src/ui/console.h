// Console answers and the wait for a key: every question of the program reads
// through here, so line ends and the end of input are handled in one place.
#pragma once

#include <iosfwd>
#include <string>

namespace vexlane {

// Reads one line into `*line` without its "\n" or "\r\n". Returns false when
// the input has ended and nothing was read (`*line` is then empty).
bool ReadAnswer(std::istream& in, std::string* line);

// How the wait for a key reaches the user.
struct Console {
  std::istream& in;
  std::ostream& out;
  bool terminal = false;  // `in` is the real keyboard of a terminal
};

// Prints "Press any key to continue . . . " and waits: for one key press on a
// terminal, else for one line of input (or its end); then ends the line.
void Pause(Console& console);

}  // namespace vexlane
