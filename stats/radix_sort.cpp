#include "stats/radix_sort.h"

#include <array>
#include <bit>
#include <cstdint>

namespace quillet::stats {
namespace {

constexpr int kDigitBits = 11;
constexpr int kPasses = (64 + kDigitBits - 1) / kDigitBits;
constexpr std::uint64_t kDigitMask = (std::uint64_t{1} << kDigitBits) - 1;

// The value's bits as an unsigned number in the order of the values:
// negative numbers with every bit flipped, others with the sign bit set.
std::uint64_t OrderedBits(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  return bits >> 63 ? ~bits : bits | (std::uint64_t{1} << 63);
}

}  // namespace

void SortByValue(std::vector<Ranked>& items, std::vector<Ranked>& scratch) {
  if (items.size() < 2) return;
  std::vector<std::array<std::size_t, std::size_t{1} << kDigitBits>> counts(kPasses);
  for (auto& count : counts) count.fill(0);
  for (const Ranked& item : items) {
    const std::uint64_t key = OrderedBits(item.value);
    for (int pass = 0; pass < kPasses; ++pass)
      ++counts[pass][(key >> (pass * kDigitBits)) & kDigitMask];
  }
  scratch.resize(items.size());
  for (int pass = 0; pass < kPasses; ++pass) {
    auto& count = counts[pass];
    // A digit that all items share changes nothing.
    if (count[(OrderedBits(items.front().value) >> (pass * kDigitBits)) & kDigitMask] ==
        items.size()) {
      continue;
    }
    std::size_t start = 0;
    for (std::size_t& slot : count) {
      const std::size_t n = slot;
      slot = start;
      start += n;
    }
    for (const Ranked& item : items) {
      scratch[count[(OrderedBits(item.value) >> (pass * kDigitBits)) & kDigitMask]++] = item;
    }
    items.swap(scratch);
  }
}

}  // namespace quillet::stats
