// The one sort every ranking of the program uses: the exchange sort
//
//   for i from the first position to the last, for j from i to the last:
//     swap elements i and j when ahead(list[j], list[i])
//
// Its order of equal elements is part of the reports, so it must be
// reproduced exactly; this computes that order in O(n log n) instead of
// the n * n / 2 comparisons of the loops.
//
// Why it works. Fix one class V of equal elements; call the elements ahead
// of V "S" and the others "L". Pass i moves the chain of new minima of the
// remaining list one place along: the first element of S, or of V when no
// S stands before it, is a link of the chain, and each link moves to the
// next. Seen as a string of S, V and L, each pass deletes the first S and,
// when a V stands before it, moves the first V into that S's place; the L
// never matter. So the V keep their order except that before each S, the
// V that stand before it rotate by one, the first going last, while S
// remain. With the counts of S between the V (a Fenwick tree over the
// positions, classes taken best first), each class is a queue that is
// rotated and appended to, and its final order is found by placing the
// appends into their slots backwards.
#pragma once

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

namespace vexlane {

namespace exchange_sort_detail {

// Counts over positions 0..n-1, with the k-th free slot search.
class Fenwick {
 public:
  explicit Fenwick(std::size_t n) : tree_(n + 1, 0) {}
  void Add(std::size_t at, int delta) {
    for (std::size_t i = at + 1; i < tree_.size(); i += i & (~i + 1)) {
      tree_[i] += delta;
    }
  }
  // The sum over positions [0, at).
  std::int64_t Prefix(std::size_t at) const {
    std::int64_t sum = 0;
    for (std::size_t i = at; i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
  }
  // The position of the k-th (from 0) position holding a 1.
  std::size_t Find(std::int64_t k) const {
    std::size_t at = 0;
    std::size_t step = 1;
    while (step * 2 < tree_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      if (at + step < tree_.size() && tree_[at + step] <= k) {
        at += step;
        k -= tree_[at];
      }
    }
    return at;
  }

 private:
  std::vector<std::int64_t> tree_;
};

}  // namespace exchange_sort_detail

// The exchange sort's order, exactly. `ahead` must be a strict weak order
// on the elements (ties are the elements neither of which is ahead).
template <typename T, typename Ahead>
void ExchangeSort(std::vector<T>* list, Ahead ahead) {
  using exchange_sort_detail::Fenwick;
  std::vector<T>& v = *list;
  const std::size_t n = v.size();
  if (n < 2) return;
  // The classes of equal elements, best first, each in list order.
  std::vector<std::size_t> by_class(n);
  std::iota(by_class.begin(), by_class.end(), std::size_t{0});
  std::stable_sort(
      by_class.begin(), by_class.end(),
      [&](std::size_t a, std::size_t b) { return ahead(v[a], v[b]); });

  Fenwick ahead_of_class(n);  // the positions of the classes done so far
  std::vector<std::size_t> order;
  order.reserve(n);
  std::vector<std::size_t> insert_at;
  std::vector<std::size_t> slot_of;
  for (std::size_t begin = 0; begin < n;) {
    std::size_t end = begin + 1;
    while (end < n && !ahead(v[by_class[begin]], v[by_class[end]])) ++end;
    const std::size_t m = end - begin;
    const std::int64_t s_total = static_cast<std::int64_t>(begin);
    // The queue's head h and where each append goes in a fixed line.
    insert_at.assign(m, 0);
    std::size_t h = 0;
    for (std::size_t j = 1; j <= m; ++j) {
      const std::int64_t s_before =
          ahead_of_class.Prefix(by_class[begin + j - 1]);
      const std::int64_t s_next =
          j < m ? ahead_of_class.Prefix(by_class[begin + j]) : s_total;
      h = static_cast<std::size_t>(
          (static_cast<std::int64_t>(h) + (s_next - s_before)) %
          static_cast<std::int64_t>(j));
      if (j < m) {
        insert_at[j] = h;  // the (j+1)-th element goes in before the head
        ++h;
      }
    }
    // Backwards, each append takes the insert_at-th free slot of the line.
    slot_of.assign(m, 0);
    if (m > 1) {
      Fenwick free_slots(m);
      for (std::size_t k = 0; k < m; ++k) free_slots.Add(k, 1);
      for (std::size_t j = m; j-- > 0;) {
        const std::size_t slot =
            free_slots.Find(static_cast<std::int64_t>(insert_at[j]));
        slot_of[j] = slot;
        free_slots.Add(slot, -1);
      }
    }
    std::vector<std::size_t> line(m);
    for (std::size_t j = 0; j < m; ++j) line[slot_of[j]] = by_class[begin + j];
    for (std::size_t k = 0; k < m; ++k) order.push_back(line[(h + k) % m]);
    for (std::size_t k = begin; k < end; ++k)
      ahead_of_class.Add(by_class[k], 1);
    begin = end;
  }
  std::vector<T> sorted;
  sorted.reserve(n);
  for (std::size_t i : order) sorted.push_back(std::move(v[i]));
  v = std::move(sorted);
}

// The same loops as written: for elements that `ahead` does not order
// strictly and weakly (never met in a run, kept for safety).
template <typename T, typename Ahead>
void ExchangeSortByLoops(std::vector<T>* list, Ahead ahead) {
  std::vector<T>& v = *list;
  for (std::size_t i = 0; i < v.size(); ++i) {
    for (std::size_t j = i + 1; j < v.size(); ++j) {
      if (ahead(v[j], v[i])) std::swap(v[i], v[j]);
    }
  }
}

}  // namespace vexlane
