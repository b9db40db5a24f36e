#include "core/numeric_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <clocale>
#include <random>
#include <string>
#include <vector>

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

// Numbers of every shape a sampler writes, and the edges of the short cut
// for short ones: the value equals a full conversion's, to the bit.
TEST(PlainDecimalValueTest, EqualsTheFullConversion) {
  std::mt19937_64 random(7);
  const auto digits = [&](int most) {
    std::string text;
    for (int n = static_cast<int>(random() % static_cast<unsigned>(most + 1)); n > 0; --n) {
      text += static_cast<char>('0' + random() % 10);
    }
    return text;
  };
  std::vector<std::string> texts = {"0",
                                    "-0",
                                    "+0.0",
                                    "1e22",
                                    "1e23",
                                    "1e-22",
                                    "9007199254740993",
                                    "123456789012345e7",
                                    "1234567890123456e-3",
                                    "0.1",
                                    ".5",
                                    "5.",
                                    "000000000000000000000001.5e-22",
                                    "1e+0010",
                                    "+1.5",
                                    "1.5x",
                                    "1e5 ",
                                    "-.e1",
                                    "1e999",
                                    "1e-999",
                                    "0.0000000000000000000000001e22",
                                    "100000000000000.0",
                                    "99999999999999999999999"};
  for (int i = 0; i < 200000; ++i) {
    std::string text = random() % 3 == 0 ? "-" : "";
    text += digits(10);
    if (random() % 2 == 0) text += "." + digits(12);
    if (random() % 2 == 0)
      text += (random() % 2 ? "e" : "E") + std::string(random() % 2 ? "-" : "") + digits(3);
    texts.push_back(text);
  }
  // Any mix of a number's bytes, numbers or not, up to a byte past 16.
  constexpr std::string_view kNumberBytes = "0123456789.eE+-0123456789";
  for (int i = 0; i < 200000; ++i) {
    std::string text(1 + random() % 17, ' ');
    for (char& c : text) c = kNumberBytes[random() % kNumberBytes.size()];
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const std::optional<double> value = PlainDecimalValue(text);
    if (!IsPlainDecimalNumber(text)) {
      EXPECT_FALSE(value) << text;
      continue;
    }
    ASSERT_TRUE(value) << text;
    const std::size_t start = text[0] == '-' || text[0] == '+' ? 1 : 0;
    double expected = 0.0;
    const auto result = std::from_chars(text.data() + start, text.data() + text.size(), expected);
    if (result.ec == std::errc::result_out_of_range) expected = 0.0;  // too small: 0
    if (text[0] == '-') expected = -expected;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*value), std::bit_cast<std::uint64_t>(expected)) << text;
  }
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
