// A digest of what something is made from: the pieces added, in order,
// each with its length, so that ("ab", "c") and ("a", "bc") differ. Two
// equal digests mean the same pieces (XXH3, 128 bits).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexlane {

class Digest {
 public:
  Digest& Add(std::string_view bytes);
  Digest& Add(std::uint64_t number);
  // 32 lower-case hexadecimal digits.
  std::string Hex() const;

 private:
  // The pieces, a large one by its own digest.
  std::string pieces_;
};

}  // namespace vexlane
