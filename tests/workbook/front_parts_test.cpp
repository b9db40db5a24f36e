// The front's parts made by two threads at once: the same bytes, in the same
// order, as each part compressed alone, or the first failure.
#include "workbook/front_parts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace quillet {
namespace {

constexpr std::size_t kNone = SIZE_MAX;

// Part i's XML, every tenth longer than a compression piece (so compressed on
// helpers of its own), the others a few bytes; part `failing` throws.
std::string PartXml(std::size_t i, std::size_t failing) {
  if (i == failing) throw std::runtime_error("part " + std::to_string(i));
  const std::size_t size = i % 10 == 0 ? (std::size_t{1} << 20) + i : 100 + i;
  return std::string(size, static_cast<char>('a' + i % 26));
}

TEST(FrontPartsTest, TwoThreadsGiveEveryPartInOrderOrTheFirstFailure) {
  struct Case {
    const char* name;
    std::size_t count;
    std::size_t failing;  // the part whose XML throws, or kNone
    bool front_fails;     // Fail() instead of Make()
    bool other_thread;    // Make() on another thread, or here before Finish()
  };
  const Case cases[] = {
      {"no part", 0, kNone, false, true},
      {"parts made on two threads", 40, kNone, false, true},
      {"parts made before Finish, no thread", 40, kNone, false, false},
      {"a part fails", 40, 17, false, true},
      {"the front fails before a part is made", 40, kNone, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FrontParts parts(c.count);
    const auto make = [&] {
      if (c.front_fails) {
        parts.Fail(std::make_exception_ptr(std::runtime_error("front")));
      } else {
        parts.Make([&](std::size_t i) { return PartXml(i, c.failing); });
      }
    };
    std::thread other;
    if (c.other_thread) {
      other = std::thread(make);
    } else {
      make();
    }
    std::vector<DeflatedBytes> made;
    std::string failure;
    try {
      made = parts.Finish();
    } catch (const std::runtime_error& error) {
      failure = error.what();
    }
    if (other.joinable()) other.join();
    const bool fails = c.front_fails || c.failing != kNone;
    EXPECT_EQ(failure, c.front_fails ? "front" : fails ? "part 17" : "");
    if (fails) continue;
    ASSERT_EQ(made.size(), c.count);
    for (std::size_t i = 0; i < c.count; ++i) {
      const DeflatedBytes alone = DeflateWhole(PartXml(i, kNone));
      EXPECT_EQ(made[i].bytes, alone.bytes) << "part " << i;
      EXPECT_EQ(made[i].summary.crc, alone.summary.crc) << "part " << i;
      EXPECT_EQ(made[i].summary.size, alone.summary.size) << "part " << i;
    }
  }
}

}  // namespace
}  // namespace quillet
