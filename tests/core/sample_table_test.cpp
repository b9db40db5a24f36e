#include "core/sample_table.h"

#include <gtest/gtest.h>

#include "core/conversion_errors.h"
#include "core/row_block.h"

namespace quillet {
namespace {

TEST(SampleTableTest, NeverCreatedTableRejectsEveryAccess) {
  SampleTable table;
  EXPECT_THROW(table.LastColumn(), SubscriptOutOfRangeError);
  EXPECT_THROW(table.Get(0, 0), SubscriptOutOfRangeError);
  EXPECT_THROW(table.Set(0, 0, "x"), SubscriptOutOfRangeError);
  EXPECT_THROW(table.AddColumn(), SubscriptOutOfRangeError);
}

TEST(SampleTableTest, CreateGivesOneEmptyColumn) {
  SampleTable table;
  table.Create(3);
  EXPECT_EQ(table.LastColumn(), 0);
  for (int row = 0; row <= 3; ++row) EXPECT_EQ(table.Get(row, 0), "");
}

TEST(SampleTableTest, BoundsAreCheckedOnEverySide) {
  SampleTable table;
  table.Create(2);
  table.AddColumn();
  const std::pair<std::int64_t, std::int64_t> outside[] = {{-1, 0}, {3, 0}, {0, -1}, {0, 2}};
  for (const auto& [row, column] : outside) {
    EXPECT_THROW(table.Get(row, column), SubscriptOutOfRangeError) << row << "," << column;
    EXPECT_THROW(table.Set(row, column, "x"), SubscriptOutOfRangeError) << row << "," << column;
  }
  EXPECT_NO_THROW(table.Set(2, 1, "corner"));
  EXPECT_EQ(table.Get(2, 1), "corner");
}

TEST(SampleTableTest, NegativeRowCountIsOutOfRange) {
  SampleTable table;
  EXPECT_THROW(table.Create(-1), SubscriptOutOfRangeError);
}

TEST(SampleTableTest, AddColumnKeepsCellsAndCreateDiscardsThem) {
  SampleTable table;
  table.Create(2);
  table.Set(1, 0, "a");
  table.Set(0, 0, "name");
  table.AddColumn();
  table.Set(2, 1, "b");
  EXPECT_EQ(table.Get(1, 0), "a");
  EXPECT_EQ(table.Get(0, 0), "name");
  EXPECT_EQ(table.Get(1, 1), "");
  EXPECT_EQ(table.Get(2, 1), "b");

  table.Create(1);
  EXPECT_EQ(table.LastColumn(), 0);
  EXPECT_EQ(table.Get(1, 0), "");
  EXPECT_THROW(table.Get(2, 0), SubscriptOutOfRangeError);
}

TEST(SampleTableTest, CellsKeepEveryByteWhateverTheirSize) {
  SampleTable table;
  table.Create(8);
  const std::string with_nul("a\0b\xff\r", 5);
  const std::string chunk_sized(4 * 1024 * 1024 - 10, 'x');
  const std::string large(3 * 1024 * 1024, '\xe9');
  // Around the longest cell a slot's length byte holds.
  const std::string long_cells[] = {std::string(254, 'u'), std::string(255, 'e'),
                                    std::string(256, 'f')};
  table.Set(1, 0, with_nul);
  table.Set(2, 0, chunk_sized);
  table.Set(3, 0, large);
  table.Set(4, 0, "after");
  table.Set(1, 0, "rewritten");
  std::string taken(100 * 1024, 't');
  table.SetTaking(5, 0, std::move(taken));
  for (int k = 0; k < 3; ++k) table.Set(6 + k, 0, long_cells[k]);
  table.Set(8, 0, long_cells[0]);
  // What a workbook's size is bounded by: every byte stored, rewritten ones too.
  EXPECT_EQ(table.StoredBytes(), with_nul.size() + chunk_sized.size() + large.size() + 5 + 9 +
                                     100 * 1024 + 254 + 255 + 256 + 254);
  const std::string expected[] = {"",
                                  "rewritten",
                                  chunk_sized,
                                  large,
                                  "after",
                                  std::string(100 * 1024, 't'),
                                  long_cells[0],
                                  long_cells[1],
                                  long_cells[0]};
  // Also as another thread takes the column.
  const SampleTable::FinishedColumn column = table.TakeFinishedColumn(0);
  for (int row = 1; row <= 8; ++row) {
    EXPECT_EQ(table.Get(row, 0), expected[row]) << row;
    EXPECT_EQ(column.Get(row), expected[row]) << row;
  }
}

TEST(SampleTableTest, ManyCellsAcrossManyColumnsStayDistinct) {
  SampleTable table;
  const int rows = 3000;
  const int columns = 400;
  table.Create(rows);
  for (int column = 0; column < columns; ++column) {
    if (column > 0) table.AddColumn();
    for (int row = 1; row <= rows; row += 7) {
      table.Set(row, column, std::to_string(row) + ":" + std::to_string(column));
    }
  }
  EXPECT_EQ(table.LastColumn(), columns - 1);
  for (int column = 0; column < columns; column += 37) {
    for (int row = 1; row <= rows; row += 7 * 13) {
      EXPECT_EQ(table.Get(row, column), std::to_string(row) + ":" + std::to_string(column));
    }
    EXPECT_EQ(table.Get(2, column), "");
  }
  // The rows as a Write walks them, gathered a few at a time, and out of
  // order: the same cells, columns that end early included.
  table.Set(rows, 0, "last");
  RowBlock block(table);
  for (const int row : {0, 1, 2, 9, 8, 7, 2995, 3000, 1, 2999, 5}) {
    const auto cells = block.Row(row);
    ASSERT_EQ(cells.size(), static_cast<std::size_t>(columns));
    for (int column = 0; column < columns; ++column) {
      EXPECT_EQ(cells[column], table.Get(row, column)) << row << " " << column;
    }
  }
  EXPECT_THROW(block.Row(rows + 1), SubscriptOutOfRangeError);
  EXPECT_THROW(block.Row(-1), SubscriptOutOfRangeError);
}

TEST(SampleTableTest, SmallCellsFillBlockAfterBlock) {
  // Some 13 MB of 9-byte cells: the store's blocks (4 MiB) fill up and new
  // ones follow, a cell never split between two.
  SampleTable table;
  const int rows = 1'500'000;
  table.Create(rows);
  const auto cell = [](int row) { return "c" + std::to_string(10'000'000 + row); };
  for (int row = 1; row <= rows; ++row) table.Set(row, 0, cell(row));
  for (int row = 1; row <= rows; ++row) {
    if (table.Get(row, 0) != cell(row)) FAIL() << "row " << row << ": " << table.Get(row, 0);
  }
}

TEST(SampleTableTest, HugeDeclaredRowCountCostsNothingUntilFilled) {
  SampleTable table;
  table.Create(2'000'000'000);
  table.Set(1, 0, "near");
  EXPECT_EQ(table.Get(1, 0), "near");
  EXPECT_EQ(table.Get(1'999'999'999, 0), "");
  table.AddColumn();
  EXPECT_EQ(table.Get(2'000'000'000, 1), "");
}

}  // namespace
}  // namespace quillet
