// Sorting draws with their positions, in time linear in their number.
#pragma once

#include <cstddef>
#include <vector>

namespace quillet::stats {

struct Ranked {
  double value;
  std::size_t index;
};

// Sorts by value, ascending (no NaN; -0 before +0, which compare equal), by
// the bits of the values, eleven at a time, least significant first.
// `scratch` is the caller's memory for the items in between, so that a caller
// that sorts many may keep it for the next sort.
void SortByValue(std::vector<Ranked>& items, std::vector<Ranked>& scratch);

}  // namespace quillet::stats
