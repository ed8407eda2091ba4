#include "base/digest.h"

#include <cstdio>

// Used header only, so that no library has to be linked (nor found for the
// Windows build).
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace vexlane {

namespace {

// Pieces up to this size are kept as they are; a larger one by its digest.
constexpr std::size_t kKeptWhole = 256;

void AppendNumber(std::uint64_t n, std::string* out) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<char>(n >> (8 * i)));
}

}  // namespace

Digest& Digest::Add(std::string_view bytes) {
  AppendNumber(bytes.size(), &pieces_);
  if (bytes.size() <= kKeptWhole) {
    pieces_.append(bytes);
  } else {
    const XXH128_hash_t h = XXH3_128bits(bytes.data(), bytes.size());
    AppendNumber(h.high64, &pieces_);
    AppendNumber(h.low64, &pieces_);
  }
  return *this;
}

Digest& Digest::Add(std::uint64_t number) {
  AppendNumber(number, &pieces_);
  return *this;
}

std::string Digest::Hex() const {
  const XXH128_hash_t h = XXH3_128bits(pieces_.data(), pieces_.size());
  char text[33];
  std::snprintf(text, sizeof text, "%016llx%016llx",
                static_cast<unsigned long long>(h.high64),
                static_cast<unsigned long long>(h.low64));
  return text;
}

}  // namespace vexlane
