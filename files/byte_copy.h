// The copy of a few bytes, such as one cell's value, without a call into the
// C library: a table's values are mostly 4 to 16 bytes, for which the call
// costs more than the copy. Longer runs go to memcpy.
#pragma once

#include <cstddef>
#include <cstring>

namespace quillet {

// Copies `size` bytes from `from` to `to` (not overlapping). Reads and
// writes no byte outside the two ranges; with `size` 0 neither pointer is
// used, so an empty view's null pointer may be passed.
inline void CopyBytes(char* to, const char* from, std::size_t size) {
  if (size >= 8) {
    if (size > 16) {
      std::memcpy(to, from, size);
      return;
    }
    // Two copies of 8 bytes that overlap in the middle; memcpy of a fixed
    // size compiles to a load and a store.
    std::memcpy(to, from, 8);
    std::memcpy(to + size - 8, from + size - 8, 8);
  } else if (size >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + size - 4, from + size - 4, 4);
  } else {
    for (std::size_t i = 0; i < size; ++i) to[i] = from[i];
  }
}

}  // namespace quillet
