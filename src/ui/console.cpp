#include "ui/console.h"

#include <istream>
#include <ostream>

#include "base/platform.h"

namespace vexlane {

bool ReadAnswer(std::istream& in, std::string* line) {
  line->clear();
  if (!std::getline(in, *line)) return false;
  // Only a "\r" that came before the line end goes with it.
  const bool had_line_end = !in.eof();
  if (had_line_end && !line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

void Pause(Console& console) {
  console.out << "Press any key to continue . . . " << std::flush;
  if (console.terminal) {
    WaitForKeyPress();
  } else {
    std::string ignored;
    ReadAnswer(console.in, &ignored);
  }
  console.out << "\n" << std::flush;
}

}  // namespace vexlane
