#include "ui/time_review.h"

#include <ostream>
#include <string>

#include "base/text.h"
#include "log/player_names.h"
#include "render/time_text.h"
#include "ui/console.h"

namespace vexlane {

namespace {

void ShowTimes(const std::vector<TimeEntry>& times, std::ostream& out) {
  for (std::size_t i = 0; i < times.size(); ++i) {
    out << " " << PadRight(UnsignedText(i + 1) + ": ", 6)
        << PadRight(times[i].name, 12) << TimeColumnText(times[i]) << "\n";
  }
}

void ShowInstructions(std::ostream& out) {
  out << "If you want to ignore some of them, "
      << "write the numbers here. "
      << "\n"
      << "To add a time, write 'add'. "
      << "(each player's last score is counted)"
      << "\n"
      << "At end, push just enter: " << std::flush;
}

bool HoldsAdd(std::string_view line) {
  for (std::size_t i = 0; i + 3 <= line.size(); ++i) {
    if (UpperByte(line[i]) == 'A' && UpperByte(line[i + 1]) == 'D' &&
        UpperByte(line[i + 2]) == 'D') {
      return true;
    }
  }
  return false;
}

// Asks for a name and a time and appends them; false when the input ended.
bool AddTime(std::vector<TimeEntry>* times, std::istream& in,
             std::ostream& out) {
  std::string name;
  for (;;) {
    out << "Give player's name: " << std::flush;
    if (!ReadAnswer(in, &name)) return false;
    if (name.size() > kMaxNickLength) {
      out << "Player's name too long. "
          << "\n";
    } else if (!IsBlank(name)) {
      break;
    }
  }
  std::string line;
  TimeEntry entry;
  do {
    out << "Give time: " << std::flush;
    if (!ReadAnswer(in, &line)) return false;
    entry = ParseTime(line, MessageStart::kTypedAlone);
  } while (IsEmpty(entry));
  entry.name = name;
  times->push_back(std::move(entry));
  return true;
}

}  // namespace

void ReviewTimes(std::vector<TimeEntry>* times, std::istream& in,
                 std::ostream& out) {
  out << "The following times were found from the file: "
      << "\n";
  ShowTimes(*times, out);
  ShowInstructions(out);
  std::string line;
  while (ReadAnswer(in, &line) && !line.empty()) {
    if (HoldsAdd(line)) {
      if (!AddTime(times, in, out)) return;
    } else {
      std::string_view rest = line;
      int number = 0;
      if (ReadInt(&rest, &number) == NumberRead::kOk && number >= 1 &&
          static_cast<std::size_t>(number) <= times->size()) {
        times->erase(times->begin() + (number - 1));
      }
    }
    out << "Times: "
        << "\n";
    ShowTimes(*times, out);
    ShowInstructions(out);
  }
}

}  // namespace vexlane
