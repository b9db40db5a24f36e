// The number of times one byte value occurs in a text, eight bytes at a time:
// the second reader of a data file counts the line ends of everything before
// its part, and a loop of single compares takes several times as long as
// reading those bytes from the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace quillet {

inline std::size_t CountByte(std::string_view text, char byte) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7f;
  const char* const p = text.data();
  const std::size_t size = text.size();
  std::size_t count = 0;
  std::size_t i = 0;
  // Four words at a time, each byte of the sum then at most 4.
  for (; i + 32 <= size; i += 32) {
    std::uint64_t found = 0;
    for (int k = 0; k < 4; ++k) {
      std::uint64_t word;
      std::memcpy(&word, p + i + 8 * k, 8);
      word ^= kOnes * static_cast<unsigned char>(byte);  // 0 in each byte that matches
      // The high bit of exactly each zero byte, without a carry from one byte
      // into the next (the low seven bits are added apart from the high one).
      const std::uint64_t zero = ~(((word & kLow7) + kLow7) | word | kLow7);
      found += zero >> 7;
    }
    count += static_cast<std::size_t>((found * kOnes) >> 56);
  }
  for (; i < size; ++i) count += p[i] == byte;
  return count;
}

}  // namespace quillet
