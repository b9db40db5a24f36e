#include "workbook/parallel_deflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/zlib_inflate.h"
namespace quillet {
namespace {

using testing::Inflate;

std::uint32_t ZlibCrc(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// Bytes that compress somewhat, as a worksheet's do, or not at all.
std::string Bytes(std::size_t size, std::mt19937& random, bool repetitive) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(repetitive ? "<c r=\"B7\"><v>1.25e+06</v></c>"[random() % 29] : random());
  }
  return bytes;
}

// A stream given as pieces: bytes written here (`made` false) or made by a
// helper, handed on in `spills` parts of the piece.
struct Step {
  std::size_t size;
  bool made;
  int spills;
  bool repetitive;
};

struct StreamCase {
  const char* name;
  std::vector<Step> steps;
};

TEST(ParallelDeflateTest, PiecesInflateToWhatWasGivenWithTheirChecksum) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  const StreamCase cases[] = {
      {"nothing", {}},
      {"a few bytes, written", {{5, false, 0, true}}},
      {"a few bytes, made", {{5, true, 0, true}}},
      {"an empty piece made between bytes written",
       {{100, false, 0, true}, {0, true, 0, true}, {100, false, 0, false}}},
      {"chunks written, one byte past a chunk", {{kMiB + 1, false, 0, true}}},
      {"many chunks, incompressible", {{5 * kMiB + 17, false, 0, false}}},
      {"made pieces spilling, between written ones",
       {{1000, false, 0, true},
        {3 * kMiB, true, 4, true},
        {kMiB - 1, false, 0, false},
        {2 * kMiB + 3, true, 1, false},
        {7, true, 0, true}}},
      {"more made pieces than helpers wait for",
       {{300000, true, 0, true},
        {300000, true, 2, false},
        {300000, true, 0, true},
        {300000, true, 0, true},
        {300000, true, 1, true},
        {300000, true, 0, false},
        {300000, true, 0, true},
        {300000, true, 0, true},
        {1, false, 0, true}}},
  };
  std::mt19937 random(30);
  for (const StreamCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string compressed;
    std::string expected;
    std::vector<std::string> made_bytes;  // what the makers make, kept until Finish
    for (const Step& step : c.steps)
      made_bytes.push_back(Bytes(step.size, random, step.repetitive));
    for (const Step& step : c.steps) expected += made_bytes[&step - c.steps.data()];
    ParallelDeflate deflate([&](std::string_view bytes) { compressed.append(bytes); });
    // The stream twice over the same helpers: the same bytes, whichever
    // helper, fresh or not, compresses a piece.
    std::string first;
    for (int pass = 0; pass < 2; ++pass) {
      compressed.clear();
      for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& step = c.steps[i];
        const std::string& bytes = made_bytes[i];
        if (!step.made) {
          deflate.Write(bytes);
          continue;
        }
        deflate.WriteMade([&bytes, spills = step.spills, hinted = step.repetitive](
                              ParallelDeflate::Made& out, const ParallelDeflate::Spill& spill) {
          // The bytes appended in parts, spilled after all but the last; a
          // repetitive piece's every other part with hints, true ones and
          // false, so that parts with and without them take turns.
          const std::size_t part = bytes.size() / (spills + 1) + 1;
          for (std::size_t at = 0; at < bytes.size(); at += part) {
            out.bytes.append(bytes, at, part);
            const bool with_hints = hinted && at / part % 2 == 0;
            for (std::uint32_t i = 40; with_hints && i < out.bytes.size(); i += 13) {
              out.hints.push_back({i, i % 3 == 0 ? 29u : i % 37});
            }
            if (at + part < bytes.size()) {
              spill(out);
              out.bytes.clear();
              out.hints.clear();
            }
          }
        });
      }
      const DeflateSummary summary = deflate.Finish();
      EXPECT_EQ(Inflate(compressed), expected);
      EXPECT_EQ(summary.crc, ZlibCrc(expected));
      EXPECT_EQ(summary.size, expected.size());
      EXPECT_EQ(summary.compressed_size, compressed.size());
      if (pass == 0) first = compressed;
    }
    EXPECT_TRUE(compressed == first) << "the second pass compressed differently";
  }
}

TEST(ParallelDeflateTest, WhatAMakerThrowsReachesFinishAndTheStreamGoesOn) {
  std::string compressed;
  ParallelDeflate deflate([&](std::string_view bytes) { compressed.append(bytes); });
  deflate.Write("before");
  deflate.WriteMade([](ParallelDeflate::Made&, const ParallelDeflate::Spill&) {
    throw std::runtime_error("no rows");
  });
  EXPECT_THROW(deflate.Finish(), std::runtime_error);
}

TEST(CombineCrc32Test, EqualsTheChecksumOfTheWhole) {
  std::mt19937 random(7);
  const std::string whole = Bytes(100000, random, false);
  for (const std::size_t split : {std::size_t{0}, std::size_t{1}, std::size_t{4095},
                                  std::size_t{65536}, std::size_t{99999}, std::size_t{100000}}) {
    const std::string first = whole.substr(0, split);
    const std::string second = whole.substr(split);
    EXPECT_EQ(CombineCrc32(ZlibCrc(first), ZlibCrc(second), second.size()), ZlibCrc(whole))
        << "split at " << split;
  }
}

}  // namespace
}  // namespace quillet
