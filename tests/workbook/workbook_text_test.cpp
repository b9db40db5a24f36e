#include "workbook/workbook_text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/numeric_text.h"

namespace quillet {
namespace {

// A text put together from the pieces of a number, with an odd byte now and
// then: most are numbers or almost, some far too large for a double.
std::string NumberLike(std::mt19937& random) {
  const auto pick = [&](int n) { return static_cast<int>(random() % n); };
  const auto digits = [&](int most) {
    std::string run(static_cast<std::size_t>(pick(most + 1)), '0');
    for (char& c : run) c = static_cast<char>('0' + pick(pick(3) == 0 ? 2 : 10));
    return run;
  };
  std::string text;
  if (pick(3) == 0) text += "+-"[pick(2)];
  text += digits(pick(20) == 0 ? 320 : 12);
  if (pick(2) == 0) text += '.' + digits(pick(20) == 0 ? 320 : 8);
  if (pick(2) == 0) {
    text += "eE"[pick(2)];
    if (pick(2) == 0) text += "+-"[pick(2)];
    text += pick(3) == 0 ? std::to_string(290 + pick(40)) : digits(pick(6) == 0 ? 7 : 3);
  }
  if (pick(15) == 0)
    text.insert(static_cast<std::size_t>(pick(static_cast<int>(text.size()) + 1)), 1,
                " .e+x0"[pick(6)]);
  return text;
}

TEST(WorkbookNumberTest, DecidesAsThePlainDecimalNumberDoes) {
  const char* const chosen[] = {"",
                                "+",
                                "-",
                                ".",
                                "e5",
                                "1e",
                                "1e+",
                                "1E-",
                                "5.",
                                ".5",
                                "-0",
                                "007",
                                "1e308",
                                "1.7976931348623157e308",
                                "1.8e308",
                                "1e309",
                                "1e-400",
                                "0.0000e999",
                                "00000000000000000001e308",
                                "1e0000000000308",
                                "1e+0309",
                                "1 ",
                                " 1",
                                "1.2.3",
                                "1e5x"};
  // Each text also copied as it is told (its bytes, then up to 16 more
  // written, into bytes that would continue a number).
  const auto with_slack = [](const std::string& text) {
    std::string copy(text.size() + 16, '5');
    const bool number = CopyWorkbookNumber(text, copy.data());
    EXPECT_EQ(copy.substr(0, text.size()), text);
    return number;
  };
  for (const char* text : chosen) {
    EXPECT_EQ(IsWorkbookNumber(text), IsPlainDecimalNumber(text)) << '"' << text << '"';
    EXPECT_EQ(with_slack(text), IsPlainDecimalNumber(text)) << '"' << text << '"';
  }
  std::mt19937 random(30);
  int numbers = 0;
  constexpr int kTexts = 200000;
  for (int i = 0; i < kTexts; ++i) {
    const std::string text = NumberLike(random);
    const bool plain = IsPlainDecimalNumber(text);
    numbers += plain;
    ASSERT_EQ(IsWorkbookNumber(text), plain) << '"' << text << '"';
    ASSERT_EQ(with_slack(text), plain) << '"' << text << '"';
  }
  // Both answers are common among the texts.
  EXPECT_GT(numbers, kTexts / 5);
  EXPECT_LT(numbers, kTexts * 4 / 5);
}

}  // namespace
}  // namespace quillet
