// The sort by value against the standard library's stable sort, over draws
// shaped to reach each of its ways: few items, one digit, buckets sorted again
// level by level, keys that differ only in their last bits or their sign.
#include "stats/radix_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>

namespace quillet::stats {
namespace {

TEST(SortByValueTest, OrdersAsAStableSortDoes) {
  std::mt19937_64 random(5);
  std::normal_distribution<double> normal;
  std::cauchy_distribution<double> cauchy;
  const double tiny = std::numeric_limits<double>::denorm_min();
  const double infinity = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    std::size_t size;
    std::function<double(std::size_t)> draw;
  };
  const Case cases[] = {
      {"none", 0, [&](std::size_t) { return 0.0; }},
      {"few, ties", 24, [&](std::size_t i) { return static_cast<double>(i % 3); }},
      {"just past few", 25, [&](std::size_t) { return normal(random); }},
      {"normal", 100000, [&](std::size_t) { return normal(random); }},
      // Six significant digits of one binade, ten draws to a value.
      {"sampler-like", 100000,
       [&](std::size_t) { return -1.4e6 - 10.0 * static_cast<double>(random() % 10000); }},
      // Signs and exponents far apart: buckets by exponent, each sorted again.
      {"heavy tails", 50000, [&](std::size_t) { return cauchy(random); }},
      // All but one alike in the high bits: the digit moves down to the low ones.
      {"one far outlier", 30000,
       [&](std::size_t i) {
         return i == 777 ? 1e300 : 1.0 + static_cast<double>(random() % 64) * 0x1p-52;
       }},
      {"signed zeros, tiny, infinite", 5000,
       [&](std::size_t) {
         const double values[] = {0.0, -0.0, tiny, -tiny, infinity, -infinity, 1.0};
         return values[random() % 7];
       }},
      {"only the last two bits differ", 1000,
       [&](std::size_t) { return 1.0 + static_cast<double>(random() % 4) * 0x1p-52; }},
      {"constant", 1000, [&](std::size_t) { return 2.5; }},
  };
  SortScratch scratch;  // kept from case to case, as the summary keeps it
  for (const Case& c : cases) {
    std::vector<Ranked> items(c.size);
    for (std::size_t i = 0; i < c.size; ++i) items[i] = {c.draw(i), i};
    std::vector<Ranked> expected = items;
    std::stable_sort(expected.begin(), expected.end(), [](const Ranked& a, const Ranked& b) {
      return a.value < b.value ||
             (a.value == b.value && std::signbit(a.value) && !std::signbit(b.value));
    });
    SortByValue(items, scratch);
    ASSERT_EQ(items.size(), expected.size()) << c.name;
    for (std::size_t i = 0; i < items.size(); ++i) {
      ASSERT_EQ(items[i].index, expected[i].index) << c.name << ", place " << i;
    }
  }
}

}  // namespace
}  // namespace quillet::stats
