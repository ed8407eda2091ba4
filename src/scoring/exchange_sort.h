// The one sort every ranking of the program uses. The order it leaves equal
// elements in is part of the reports, so it is written once, here.
#pragma once

#include <utility>
#include <vector>

namespace vexlane {

// For i from the first position to the last, for j from i to the last:
// swap elements i and j when `ahead(list[j], list[i])`. `ahead` must be a
// strict test (never true for equal elements), so j == i never swaps.
template <typename T, typename Ahead>
void ExchangeSort(std::vector<T>* list, Ahead ahead) {
  std::vector<T>& v = *list;
  for (std::size_t i = 0; i < v.size(); ++i) {
    for (std::size_t j = i + 1; j < v.size(); ++j) {
      if (ahead(v[j], v[i])) std::swap(v[i], v[j]);
    }
  }
}

}  // namespace vexlane
