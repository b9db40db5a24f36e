// Sorting draws with their positions, in time linear in their number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillet::stats {

struct Ranked {
  double value;
  std::size_t index;
};

// The memory a sort works in, which a caller that sorts many keeps for the
// next sort.
struct SortScratch {
  std::vector<Ranked> items;
  std::vector<std::uint32_t> counts;
};

// Sorts by value, ascending and stably (no NaN; -0 before +0, which compare
// equal), by the bits of the values, the most significant that differ first.
void SortByValue(std::vector<Ranked>& items, SortScratch& scratch);

}  // namespace quillet::stats
