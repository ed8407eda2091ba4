#include "log/line_prefilter.h"

#include <cstdint>
#include <cstring>

namespace vexlane {

namespace {

// No early exit, so that it vectorises.
Anchors AnchorsOfShort(const unsigned char* p, std::size_t n) {
  unsigned char dot = 0;
  unsigned char by = 0;
  for (std::size_t i = 0; i + 1 < n; ++i) {
    dot |= static_cast<unsigned char>(p[i] == '.');
    by |= static_cast<unsigned char>(((p[i] | 0x20) == 'b') &
                                     ((p[i + 1] | 0x20) == 'y'));
  }
  if (n > 0) dot |= static_cast<unsigned char>(p[n - 1] == '.');
  return {dot != 0, by != 0};
}

}  // namespace

#if defined(__GNUC__)
// Sixteen bytes at a time. The last block ends at the line's end and may
// overlap the one before: the tests only OR their findings together.
Anchors AnchorsOf(std::string_view line) {
  typedef unsigned char Bytes __attribute__((vector_size(16)));
  constexpr std::size_t kWidth = sizeof(Bytes);
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const std::size_t n = line.size();
  if (n < kWidth + 1) return AnchorsOfShort(p, n);
  Bytes dot = {};
  Bytes by = {};
  auto test = [&](std::size_t at) {
    Bytes here;
    Bytes next;
    std::memcpy(&here, p + at, kWidth);
    std::memcpy(&next, p + at + 1, kWidth);
    dot |= reinterpret_cast<Bytes>(here == '.');
    by |= reinterpret_cast<Bytes>(((here | 0x20) == 'b') &
                                  ((next | 0x20) == 'y'));
  };
  std::size_t at = 0;
  for (; at + kWidth + 1 <= n; at += kWidth) test(at);
  test(n - kWidth - 1);
  Bytes last_dot;
  std::memcpy(&last_dot, p + n - kWidth, kWidth);
  dot |= reinterpret_cast<Bytes>(last_dot == '.');
  auto any = [](Bytes v) {
    std::uint64_t halves[2];
    std::memcpy(halves, &v, sizeof halves);
    return (halves[0] | halves[1]) != 0;
  };
  return {any(dot), any(by)};
}
#else
Anchors AnchorsOf(std::string_view line) {
  return AnchorsOfShort(reinterpret_cast<const unsigned char*>(line.data()),
                        line.size());
}
#endif

}  // namespace vexlane
