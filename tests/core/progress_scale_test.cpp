// The one mapping of the commands' progress values onto a bar's whole steps.
#include "core/progress_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillet {
namespace {

TEST(ProgressPositionTest, MapsSinglePrecisionOntoWholeSteps) {
  constexpr int full = 10000;  // the window bar's steps
  struct Case {
    float value, maximum;
    int position;
  };
  const Case cases[] = {
      {0, 100, 0},
      {50, 100, full / 2},
      {100, 100, full},
      {1.25f, 2.5f, full / 2},
      {2.5f, 2.5f, full},
      {3, 2.5f, full},
      {7e6f, 1e7f, full * 7 / 10},
      {1e9f, 1e7f, full},
      {-1, 100, 0},
      {1, 0, full},
      {0, 0, 0},
      {std::nanf(""), 100, 0},
      {std::numeric_limits<float>::infinity(), 100, full},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProgressPosition(c.value, c.maximum, full), c.position)
        << c.value << " of " << c.maximum;
  }
  // The converter's percentages: 29 of 100 is 29, not 28 by a rounding of
  // 29 / 100 that falls short.
  const Case percent_cases[] = {{29, 100, 29}, {1, 3, 33}, {2, 3, 66}, {0, 0, 0}, {1, 0, 100}};
  for (const Case& c : percent_cases) {
    EXPECT_EQ(ProgressPosition(c.value, c.maximum, 100), c.position)
        << c.value << " of " << c.maximum;
  }
}

}  // namespace
}  // namespace quillet
