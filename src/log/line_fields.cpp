#include "log/line_fields.h"

#include <cstring>

#include "base/text.h"
#include "log/log_line.h"

namespace vexlane {

std::string_view SpeakerOf(std::string_view line) {
  LineFields fields;
  ReadClassicLine(line, &fields);
  return line.substr(fields.speaker_begin, fields.speaker_length);
}

namespace {

bool IsStamp(std::string_view word) {
  if (word.size() < 8) return false;
  if (word.front() == '[') word.remove_prefix(1);
  if (!word.empty() && word.back() == ']') word.remove_suffix(1);
  if (word.size() < 8) return false;
  for (std::size_t i : {0, 1, 3, 4, 6, 7}) {
    if (!IsDigitByte(word[i])) return false;
  }
  return true;
}

}  // namespace

std::string_view TimeStampOf(std::string_view line) {
  std::size_t pos = 0;
  for (std::string_view word = NextWord(line, &pos); !word.empty();
       word = NextWord(line, &pos)) {
    if (IsStamp(word)) {
      if (word.front() == '[') word.remove_prefix(1);
      if (word.back() == ']') word.remove_suffix(1);
      return word;
    }
  }
  return {};
}

}  // namespace vexlane
