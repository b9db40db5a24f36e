#include "core/numeric_text.h"

#include <gtest/gtest.h>

#include <clocale>

#include "core/conversion_errors.h"

namespace quillet {
namespace {

struct NumberCase {
  const char* text;
  double value;
};

class LeadingNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumberTest, ReadsLongestLeadingNumber) {
  EXPECT_DOUBLE_EQ(LeadingNumberValue(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingNumberTest,
    ::testing::Values(NumberCase{"1000", 1000}, NumberCase{"2.5", 2.5}, NumberCase{"-3", -3},
                      NumberCase{"+4", 4}, NumberCase{".5", 0.5}, NumberCase{"5.", 5},
                      NumberCase{"1e3", 1000}, NumberCase{"1E+2", 100}, NumberCase{"25e-1", 2.5},
                      NumberCase{"1e", 1}, NumberCase{"1e+", 1}, NumberCase{"7x", 7},
                      NumberCase{"1.2.3", 1.2}, NumberCase{"", 0}, NumberCase{"abc", 0},
                      NumberCase{".", 0}, NumberCase{"-", 0}, NumberCase{"e5", 0},
                      NumberCase{"1\t000", 1000},       // tabs are ignored
                      NumberCase{"12\nbeta", 12},       // so are line feeds
                      NumberCase{"3\t\tmore text", 3},  // a tab after the field
                      NumberCase{"\t\n42", 42}, NumberCase{"1e-400", 0},
                      NumberCase{"0.000001e-400", 0}, NumberCase{"00012", 12}));

TEST(LeadingNumberOverflowTest, TooLargeForADoubleOverflows) {
  EXPECT_THROW(LeadingNumberValue("1e400"), OverflowError);
  EXPECT_THROW(LeadingNumberValue("-9e999"), OverflowError);
  EXPECT_THROW(LeadingNumberValue("0.001e312"), OverflowError);
}

TEST(LeadingNumberLocaleTest, PointIsAlwaysTheDecimalSeparator) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  // A locale whose decimal separator is a comma, by its POSIX name
  // (scripts/install-deps.sh generates it) or by its Windows one.
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "German_Germany.1252") == nullptr) {
    GTEST_SKIP() << "no German locale is installed";
  }
  EXPECT_DOUBLE_EQ(LeadingNumberValue("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(LeadingNumberValue("2,5"), 2.0);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  const std::pair<double, double> cases[] = {
      {0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},     {2.6, 3},  {2.4, 2},
      {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {1000, 1000}, {0.49, 0}, {1e15 + 0.5, 1e15}};
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
}

TEST(RoundToInt32Test, ChecksTheRange) {
  EXPECT_EQ(RoundToInt32(2147483647.0), INT32_MAX);
  EXPECT_EQ(RoundToInt32(2147483647.4), INT32_MAX);
  EXPECT_EQ(RoundToInt32(-2147483648.0), INT32_MIN);
  EXPECT_THROW(RoundToInt32(2147483647.5), OverflowError);
  EXPECT_THROW(RoundToInt32(-2147483649.0), OverflowError);
  EXPECT_THROW(RoundToInt32(1e300), OverflowError);
}

}  // namespace
}  // namespace quillet
