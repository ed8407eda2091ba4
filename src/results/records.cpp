#include "results/records.h"

#include "parse/text.h"

namespace vexlane {

bool SamePlayer(std::string_view a, std::string_view b) {
  constexpr std::size_t kKeyLength = 4;
  a = a.substr(0, kKeyLength);
  b = b.substr(0, kKeyLength);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperByte(a[i]) != UpperByte(b[i])) return false;
  }
  return true;
}

std::size_t FindPlayer(const std::vector<PlayerScore>& scores,
                       std::string_view nick) {
  for (std::size_t i = 0; i < scores.size(); ++i) {
    if (SamePlayer(scores[i].name, nick)) return i;
  }
  return scores.size();
}

}  // namespace vexlane
