#include "scoring/exchange_sort.h"

#include <gtest/gtest.h>

#include <random>

namespace vexlane {
namespace {

using Item = std::pair<int, int>;  // key, original place

bool KeyAhead(const Item& a, const Item& b) { return a.first < b.first; }

// The exchange sort exactly as the rankings are defined.
void ByTheLoops(std::vector<Item>* list) {
  std::vector<Item>& v = *list;
  for (std::size_t i = 0; i < v.size(); ++i) {
    for (std::size_t j = i; j < v.size(); ++j) {
      if (KeyAhead(v[j], v[i])) std::swap(v[i], v[j]);
    }
  }
}

// Many random lists with heavy ties, few ties and none.
TEST(ExchangeSort, SameOrderAsTheLoopsTiesIncluded) {
  std::mt19937 random(7);
  for (int round = 0; round < 30000; ++round) {
    const int n = static_cast<int>(random() % 50);
    const int keys = round % 3 == 0 ? 2 : (round % 3 == 1 ? 12 : 1 << 20);
    std::vector<Item> list(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      list[static_cast<std::size_t>(i)] = {static_cast<int>(random() % keys),
                                           i};
    }
    std::vector<Item> expected = list;
    ByTheLoops(&expected);
    ExchangeSort(&list, KeyAhead);
    ASSERT_EQ(list, expected) << "round " << round;
  }
}

// A reversed list (the loops' worst case) and all-equal keys, large.
TEST(ExchangeSort, LargeListsInLittleTime) {
  std::vector<Item> reversed;
  std::vector<Item> equal;
  for (int i = 0; i < 200000; ++i) {
    reversed.push_back({200000 - i, i});
    equal.push_back({5, i});
  }
  ExchangeSort(&reversed, KeyAhead);
  EXPECT_TRUE(std::is_sorted(reversed.begin(), reversed.end()));
  const std::vector<Item> unchanged = equal;
  ExchangeSort(&equal, KeyAhead);  // equal keys never move
  EXPECT_EQ(equal, unchanged);
}

}  // namespace
}  // namespace vexlane
