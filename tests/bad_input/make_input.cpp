// Writes the large or odd logs of the bad-input suite, the same bytes every
// time: make_input KIND COUNT OUTPUT
//   random N    N MiB of random bytes
//   battles N   N battles of two players each
//   players N   one battle with N players of distinct names
//   posts N     one battle with N time posts
//   longline N  one line of N MiB without a line end
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string kind = argv[1];
  const long count = std::atol(argv[2]);
  std::FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr) return 1;
  std::mt19937 rng(20261208);
  if (kind == "random") {
    for (long i = 0; i < count * 1024 * 1024; ++i)
      std::fputc(static_cast<int>(rng() & 0xFF), out);
  } else if (kind == "battles") {
    for (long i = 0; i < count; ++i) {
      std::fprintf(
          out,
          "[20:00:00] <Ann> http://x/L%ld.lev\n[20:01:00] <Bob> 1:%02ld,00\n"
          "[20:02:00] <Cal> 59,%02ld\n[20:03:00] <Ann> stop\n",
          i, i % 60, i % 100);
    }
  } else if (kind == "players") {
    std::fprintf(out, "[20:00:00] <Ann> http://x/Crowd.lev\n");
    // Names whose first four characters differ: Q and i in base 36.
    const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (long i = 0; i < count; ++i) {
      std::fprintf(out, "[20:01:00] <Q%c%c%c> %ld:%02ld,%02ld\n",
                   digits[i / 1296 % 36], digits[i / 36 % 36], digits[i % 36],
                   1 + i % 4, i % 60, i % 100);
    }
    std::fprintf(out, "[20:59:00] <Ann> stop\n");
  } else if (kind == "posts") {
    std::fprintf(out, "[20:00:00] <Ann> http://x/Busy.lev\n");
    for (long i = 0; i < count; ++i) {
      std::fprintf(out, "[20:01:00] <N%ld> 1:%02ld,%02ld\n", i % 37, i % 60,
                   i % 100);
    }
    std::fprintf(out, "[20:59:00] <Ann> stop\n");
  } else if (kind == "longline") {
    std::string block(std::size_t{1024} * 1024, 'a');
    std::memcpy(block.data(), "<Ann> http://x/Long.lev ", 24);
    for (long i = 0; i < count; ++i) {
      std::fwrite(block.data(), 1, block.size(), out);
      block[0] = 'a';
      std::memset(block.data(), 'a', 24);
    }
  } else {
    return 2;
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
