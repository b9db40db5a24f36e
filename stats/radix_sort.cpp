#include "stats/radix_sort.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace quillet::stats {
namespace {

// The value's bits as an unsigned number in the order of the values:
// negative numbers with every bit flipped, others with the sign bit set.
std::uint64_t OrderedBits(double value) {
  const auto bits = std::bit_cast<std::uint64_t>(value);
  return bits >> 63 ? ~bits : bits | (std::uint64_t{1} << 63);
}

// Runs of at most this many items are put in order one by one.
constexpr std::size_t kFewItems = 24;
// The widest digit: its counts, 256 KiB, stay in the second-level cache.
constexpr int kMostDigitBits = 16;

// Insertion sort by key, stable.
void SortFew(Ranked* items, std::size_t n) {
  for (std::size_t i = 1; i < n; ++i) {
    const Ranked item = items[i];
    const std::uint64_t key = OrderedBits(item.value);
    std::size_t j = i;
    for (; j > 0 && OrderedBits(items[j - 1].value) > key; --j) items[j] = items[j - 1];
    items[j] = item;
  }
}

// Sorts the n items of `from` into `to`, stably; `from` is left in any order.
// The digit is the highest bits in which the items' keys differ, as many as
// there are items to tell apart, so that draws which share their sign,
// exponent and leading bits are not passed over for those; each bucket of
// more than a few items is sorted the same way by the bits after them.
// `counts` is the memory of every level's counts, grown as levels need.
void SortInto(Ranked* from, Ranked* to, std::size_t n, std::vector<std::uint32_t>& counts) {
  std::uint64_t in_all = ~std::uint64_t{0};
  std::uint64_t in_any = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t key = OrderedBits(from[i].value);
    in_all &= key;
    in_any |= key;
  }
  const std::uint64_t differing = in_all ^ in_any;
  if (differing == 0) {
    std::memcpy(to, from, n * sizeof(Ranked));
    return;
  }
  const int highest = std::bit_width(differing);  // bits up to and with the highest differing
  const int digit_bits =
      std::min({static_cast<int>(std::bit_width(n)) + 1, kMostDigitBits, highest});
  const int shift = highest - digit_bits;
  const std::size_t buckets = std::size_t{1} << digit_bits;
  const std::uint64_t mask = buckets - 1;
  // This level's counts after those of the levels above it.
  const std::size_t base = counts.size();
  counts.resize(base + buckets);  // zeros
  std::uint32_t* count = counts.data() + base;
  for (std::size_t i = 0; i < n; ++i) ++count[(OrderedBits(from[i].value) >> shift) & mask];
  std::uint32_t start = 0;
  for (std::size_t b = 0; b < buckets; ++b) {
    const std::uint32_t size = count[b];
    count[b] = start;
    start += size;
  }
  // Each count becomes the end of its bucket, where the next begins.
  for (std::size_t i = 0; i < n; ++i)
    to[count[(OrderedBits(from[i].value) >> shift) & mask]++] = from[i];
  if (shift > 0) {
    std::size_t begin = 0;
    for (std::size_t b = 0; b < buckets; ++b) {
      const std::size_t end = counts[base + b];  // the levels below may move the counts
      const std::size_t size = end - begin;
      if (size > kFewItems) {
        // Sorted into the same places of `from`, which are free, and back.
        SortInto(to + begin, from + begin, size, counts);
        std::memcpy(to + begin, from + begin, size * sizeof(Ranked));
      } else if (size > 1) {
        SortFew(to + begin, size);
      }
      begin = end;
    }
  }
  counts.resize(base);
}

}  // namespace

void SortByValue(std::vector<Ranked>& items, SortScratch& scratch) {
  if (items.size() <= kFewItems) {
    SortFew(items.data(), items.size());
    return;
  }
  if (items.size() > UINT32_MAX) {
    std::stable_sort(items.begin(), items.end(), [](const Ranked& a, const Ranked& b) {
      return OrderedBits(a.value) < OrderedBits(b.value);
    });
    return;
  }
  scratch.items.resize(items.size());
  SortInto(items.data(), scratch.items.data(), items.size(), scratch.counts);
  items.swap(scratch.items);
}

}  // namespace quillet::stats
