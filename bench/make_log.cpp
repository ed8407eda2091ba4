// Writes a synthetic #battle channel log of about the requested size, the
// same bytes for the same seed: chat of varied length, joins, quits, nick
// changes, action lines and links, and every few hundred lines a battle.
//
//   make_log SIZE_MB SEED OUTPUT
//   make_log --crowd PLAYERS PER_BATTLE SEED OUTPUT
//
// --crowd writes the shapes whose scoring once cost the square of their
// size: PLAYERS players, each posting one random time, in battles of
// PER_BATTLE players (PLAYERS for one battle).
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const char* const kWords[] = {
    "the",    "a",       "level",    "run",    "time",    "good",     "bad",
    "lol",    "nice",    "jump",     "crash",  "flag",    "apple",    "wheelie",
    "turn",   "brake",   "fast",     "slow",   "again",   "today",    "tonight",
    "who",    "what",    "where",    "how",    "is",      "was",      "my",
    "your",   "best",    "record",   "gg",     "wow",     "hmm",      "ok",
    "yes",    "no",      "maybe",    "this",   "that",    "one",      "more",
    "try",    "physics", "bike",     "head",   "ground",  "hit",      "replay",
    "watch",  "friend",  "weekend",  "send",   "stopped", "battle",   "round",
    "server", "lag",     "internet", "coffee", "later",   "tomorrow", "think",
    "know"};
const char* const kSyllables[] = {"ka", "ri", "mo", "ze", "lu", "ta", "vex",
                                  "no", "pi", "ra", "jo", "el", "ma", "qu",
                                  "si", "do", "be", "ny", "fo", "xa"};
const char* const kLevels[] = {"Pipe", "Hill",  "Snake", "Ramp",   "Cave",
                               "Loop", "Tower", "Drop",  "Bridge", "Spiral"};

class Generator {
 public:
  Generator(unsigned seed, std::FILE* out) : rng_(seed), out_(out) {
    for (int i = 0; i < 300; ++i) {
      std::string nick;
      const int parts = 2 + Below(3);
      for (int p = 0; p < parts; ++p) nick += kSyllables[Below(20)];
      nick[0] = static_cast<char>(nick[0] - 'a' + 'A');
      if (Below(4) == 0) nick += std::to_string(Below(100));
      nicks_.push_back(nick);
    }
  }

  void Write(long long bytes) {
    while (written_ < bytes) {
      if (Below(300) == 0) {
        Battle();
      } else {
        Chatter();
      }
    }
  }

 private:
  int Below(int n) {
    return static_cast<int>(rng_() % static_cast<unsigned>(n));
  }

  const std::string& Nick() {
    return nicks_[Below(static_cast<int>(nicks_.size()))];
  }

  std::string Mark(const std::string& nick) {
    const int r = static_cast<int>(nick.size() + nick[1]) % 10;
    return r == 0 ? "@" : r == 1 ? "+" : "";
  }

  void Tick(int max_seconds) {
    seconds_ += 1 + Below(max_seconds);
    if (seconds_ >= 86400) {
      seconds_ -= 86400;
      ++day_;
      Line("--- Day changed " + std::to_string(day_));
    }
  }

  std::string Stamp() const {
    char text[48];
    std::snprintf(text, sizeof text, "[%02d:%02d:%02d]", seconds_ / 3600,
                  seconds_ / 60 % 60, seconds_ % 60);
    return text;
  }

  void Line(const std::string& text) {
    std::fputs(text.c_str(), out_);
    std::fputc('\n', out_);
    written_ += static_cast<long long>(text.size()) + 1;
  }

  void Say(const std::string& nick, const std::string& message,
           int max_gap = 40) {
    Tick(max_gap);
    Line(Stamp() + " <" + Mark(nick) + nick + "> " + message);
  }

  std::string Sentence() {
    std::string s;
    const int words = 1 + Below(Below(4) == 0 ? 25 : 8);
    for (int w = 0; w < words; ++w) {
      if (w) s += ' ';
      s += kWords[Below(sizeof kWords / sizeof kWords[0])];
    }
    if (Below(3) == 0) s += Below(2) ? "?" : " :)";
    return s;
  }

  void Chatter() {
    const int r = Below(100);
    const std::string& nick = Nick();
    if (r < 78) {
      Say(nick, Sentence());
    } else if (r < 84) {
      Tick(40);
      Line(Stamp() + " * " + nick + " " + Sentence());
    } else if (r < 90) {
      Tick(40);
      Line(Stamp() + " -!- " + nick + " [~" + nick + "@dsl-" +
           std::to_string(Below(250)) + ".example.net] has joined #battle");
    } else if (r < 94) {
      Tick(40);
      Line(Stamp() + " -!- " + nick + " [~" + nick +
           "@dsl.example.net] has quit [Quit: " + Sentence() + "]");
    } else if (r < 96) {
      Tick(40);
      Line(Stamp() + " -!- " + nick + " is now known as " + nick + "_away");
    } else {
      Say(nick, "look at http://www.example.org/forum/topic" +
                    std::to_string(Below(9999)) + " " + Sentence());
    }
  }

  std::string PostedTime() {
    if (Below(8) == 0) return std::to_string(1 + Below(30));  // apples
    char text[48];
    std::snprintf(text, sizeof text, "%d:%02d,%02d", Below(3), Below(60),
                  Below(100));
    return text;
  }

  void Battle() {
    const std::string starter = Nick();
    const std::string level =
        std::string(kLevels[Below(10)]) + std::to_string(Below(500));
    Say(starter, "http://levels.example.org/lev/" + level + ".lev");
    if (Below(3) != 0) {
      Say("battlebot", "Battle started on " + level + ".lev by " + starter, 3);
    }
    const int players = 3 + Below(28);
    for (int p = 0; p < players; ++p) {
      if (Below(3) == 0) Chatter();
      Say(Nick(), PostedTime(), 30);
    }
    Say(starter, Below(2) ? "stop" : "end");
  }

  std::mt19937 rng_;
  std::FILE* out_;
  std::vector<std::string> nicks_;
  int seconds_ = 12 * 3600;
  int day_ = 1;
  long long written_ = 0;
};

}  // namespace

// Battles of `per_battle` distinct players, times in random order.
int WriteCrowd(long players, long per_battle, unsigned seed, std::FILE* out) {
  std::mt19937 rng(seed);
  long player = 0;
  for (long battle = 0; player < players; ++battle) {
    std::fprintf(out, "[20:00:00] <Host> http://lev.example/Crowd%ld.lev\n",
                 battle);
    for (long k = 0; k < per_battle && player < players; ++k, ++player) {
      const unsigned t = 200 + rng() % 35800;  // 0:02,00 .. 5:59,99
      // Nicks that differ in their first four letters: distinct players.
      char nick[5] = {static_cast<char>('A' + player / 17576 % 26),
                      static_cast<char>('a' + player / 676 % 26),
                      static_cast<char>('a' + player / 26 % 26),
                      static_cast<char>('a' + player % 26), 0};
      std::fprintf(out, "[20:01:00] <%s> %u:%02u,%02u\n", nick, t / 6000,
                   t / 100 % 60, t % 100);
    }
    std::fprintf(out, "[20:30:00] <Host> stop\n");
  }
  return std::fclose(out) == 0 ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc == 6 && std::string(argv[1]) == "--crowd") {
    std::FILE* out = std::fopen(argv[5], "wb");
    if (out == nullptr) {
      std::perror(argv[5]);
      return 1;
    }
    return WriteCrowd(std::atol(argv[2]), std::atol(argv[3]),
                      static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)),
                      out);
  }
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_log SIZE_MB SEED OUTPUT\n");
    return 2;
  }
  std::FILE* out = std::fopen(argv[3], "wb");
  if (out == nullptr) {
    std::perror(argv[3]);
    return 1;
  }
  Generator generator(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)),
                      out);
  generator.Write(std::atoll(argv[1]) * 1000 * 1000);
  return std::fclose(out) == 0 ? 0 : 1;
}
