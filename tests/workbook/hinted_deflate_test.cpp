#include "workbook/hinted_deflate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/sample_table.h"
#include "support/zlib_inflate.h"
#include "workbook/worksheet_xml.h"

namespace quillet {
namespace {

using testing::Inflate;

struct Piece {
  std::string bytes;
  std::vector<RepeatHint> hints;
};

// Number cells as a worksheet row has them, with the hints its maker gives:
// each reference's digits and each number's end as far back as the cell
// before is long.
Piece Cells(std::size_t count, std::mt19937& random) {
  Piece piece;
  std::size_t digits = 0;
  std::size_t end = 0;
  for (std::size_t i = 0; i < count; ++i) {
    piece.bytes += "<c r=\"";
    piece.bytes += static_cast<char>('A' + i % 26);
    const std::size_t here = piece.bytes.size();
    piece.bytes += "17\"><v>";
    if (digits != 0) piece.hints.push_back({std::uint32_t(here), std::uint32_t(here - digits)});
    digits = here;
    piece.bytes += std::to_string(random() % 100000) + "." + std::to_string(random() % 1000);
    if (end != 0) {
      const std::size_t at = piece.bytes.size();
      piece.hints.push_back({std::uint32_t(at), std::uint32_t(at - end)});
    }
    end = piece.bytes.size();
    piece.bytes += "</v></c>";
  }
  return piece;
}

// Hints everywhere, most of them pointing at bytes that differ, some out of
// reach (before the start, too far, at or past the end, distance 0).
std::vector<RepeatHint> WildHints(std::size_t size, std::mt19937& random) {
  std::vector<RepeatHint> hints;
  for (std::uint32_t at = 0; at < size + 40; at += 1 + random() % 9) {
    hints.push_back({at, static_cast<std::uint32_t>(random() % 40000)});
  }
  return hints;
}

TEST(HintedDeflaterTest, InflatesToTheBytesGivenWhateverTheHints) {
  std::mt19937 random(26);
  std::string one_value(70000, 'a');
  for (int b = 0; b < 256; ++b) one_value += static_cast<char>(b);
  std::string noise(100000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const Piece cells = Cells(30000, random);
  // Letters the first bytes never show, more of them than of anything else.
  std::string letters(600000, 'a');
  for (char& c : letters) c = static_cast<char>('a' + random() % 26);

  struct Case {
    const char* name;
    Piece piece;
    double most_ratio;  // compressed size / size at most; 0: no check
  };
  std::vector<Case> cases = {
      {"nothing", {}, 0},
      {"one byte", {"x", {}}, 0},
      {"a run longer than the longest match", {std::string(10000, 'z'), {{1, 1}}}, 0.01},
      // One byte far more frequent than all others: the optimal code would
      // be longer than the format allows.
      {"one value and every byte once", {one_value, {}}, 0},
      {"noise, hints everywhere", {noise, WildHints(noise.size(), random)}, 0},
      {"cells, their true hints", cells, 0.30},
      {"cells, wild hints", {cells.bytes, WildHints(cells.bytes.size(), random)}, 0},
      // Every byte value after the bytes whose codes are made.
      {"cells, then every byte", {cells.bytes + one_value.substr(69000), cells.hints}, 0.30},
      // Codes from the first bytes alone would take 15 bits a letter.
      {"cells, then other letters", {cells.bytes.substr(0, 100000) + letters, {}}, 0.75},
  };
  HintedDeflater deflater;
  HintedDeflater for_any_processor(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Each piece alone as a whole stream, and as the middle of one: its
    // bytes must not depend on what the deflater did before, nor on the
    // processor.
    std::string alone;
    deflater.Add(c.piece.bytes, c.piece.hints, true, alone);
    EXPECT_EQ(Inflate(alone), c.piece.bytes);
    std::string anywhere;
    for_any_processor.Add(c.piece.bytes, c.piece.hints, true, anywhere);
    EXPECT_TRUE(anywhere == alone) << "the coding for any processor differs";
    if (c.most_ratio > 0) {
      EXPECT_LT(static_cast<double>(alone.size()), c.most_ratio * c.piece.bytes.size());
    }
    std::string within;
    deflater.Add("before", {}, false, within);
    deflater.Add(c.piece.bytes, c.piece.hints, false, within);
    deflater.Add("after", {}, true, within);
    EXPECT_EQ(Inflate(within), "before" + c.piece.bytes + "after");
  }
}

// The hints a worksheet's rows give must find their markup: compressed with
// them, the rows take far less than with literals alone.
TEST(HintedDeflaterTest, AWorksheetsRowsCompressByTheirHints) {
  constexpr std::int64_t kRows = 2000;
  constexpr std::int64_t kColumns = 30;  // up to "AE": letters of two lengths
  SampleTable table;
  table.Create(kRows);
  std::mt19937 random(29);
  std::normal_distribution<double> draw(0.0, 3.0);
  for (std::int64_t column = 0; column < kColumns; ++column) {
    if (column > 0) table.AddColumn();
    table.Set(0, column, "theta[" + std::to_string(column + 1) + "]");
    for (std::int64_t row = 1; row <= kRows; ++row) {
      char text[32];
      std::snprintf(text, sizeof text, "%g", draw(random) * std::pow(10.0, column % 7 - 3));
      // A text cell and an empty one among the numbers.
      if (row == 700 && column == 4) std::snprintf(text, sizeof text, "NA");
      if (row == 900 && column == 26) text[0] = '\0';
      table.Set(row, column, text);
    }
  }
  const WorksheetXml sheet(table, kRows);
  std::string xml;
  std::vector<RepeatHint> hints;
  sheet.AppendRows(xml, 1, kRows + 1, nullptr, &hints);
  HintedDeflater deflater;
  std::string with_hints;
  std::string without;
  deflater.Add(xml, hints, true, with_hints);
  deflater.Add(xml, {}, true, without);
  EXPECT_EQ(Inflate(with_hints), xml);
  EXPECT_LT(static_cast<double>(with_hints.size()), 0.6 * static_cast<double>(without.size()));
}

// A long text cell is handed on a slice at a time in the middle of its row:
// every part handed on has its own hints, in order, within its bytes.
TEST(HintedDeflaterTest, AWorksheetsHintsStayWithinEachPartHandedOn) {
  SampleTable table;
  table.Create(4);
  for (std::int64_t column = 0; column < 5; ++column) {
    if (column > 0) table.AddColumn();
    for (std::int64_t row = 1; row <= 4; ++row) table.Set(row, column, std::to_string(row * 0.25));
  }
  table.Set(2, 2, std::string(100000, 'x'));
  const WorksheetXml sheet(table, 4);
  std::string xml;
  std::vector<RepeatHint> hints;
  int parts = 0;
  const auto check_part = [&] {
    ++parts;
    for (std::size_t i = 0; i < hints.size(); ++i) {
      EXPECT_LT(hints[i].at, xml.size()) << "part " << parts;
      if (i > 0) {
        EXPECT_GE(hints[i].at, hints[i - 1].at) << "part " << parts;
      }
    }
  };
  const WorksheetXml::Sink hand_on = [&](std::string_view) {
    check_part();
    hints.clear();
  };
  sheet.AppendRows(xml, 1, 5, &hand_on, &hints);
  check_part();
  EXPECT_GT(parts, 3);
}

}  // namespace
}  // namespace quillet
