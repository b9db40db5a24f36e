// The program's numeric limits at their edge: the writer's signed 16-bit
// column counter, the signed 32-bit line counter of the Read, and the signed
// 32-bit row count. One step inside a limit works; one step past it is the
// "Overflow" error, and no file is lost.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "child_process.h"
#include "core/chain_reader.h"
#include "core/read_command.h"
#include "core/write_command.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::OutcomeOf;
using testing::RecordingUi;
using testing::TempDir;

// A data file of `columns` one-sample variables: one column per line.
std::string OneSampleLines(int columns) {
  std::string data;
  for (int i = 0; i < columns; ++i) data += "1 x\r\n";
  return data;
}

TEST(ColumnLimitTest, WritesUpTo32767ColumnsAndOverflowsAt32768) {
  for (const int columns : {32767, 32768}) {
    SCOPED_TRACE(columns);
    TempDir dir;
    dir.Write("run.ind", "v 1 1\r\n");
    dir.Write("run.out", OneSampleLines(columns));
    dir.Write("dromout.txt", "earlier");
    ConversionState state;
    RecordingUi ui;
    ASSERT_EQ(OutcomeOf([&] { RunRead(state, dir / "run", ui); }), "done");
    ASSERT_EQ(state.table.LastColumn(), columns - 1);

    const std::string outcome = OutcomeOf([&] { RunWrite(state, dir / "run", ui); });
    if (columns == 32767) {
      EXPECT_EQ(outcome, "done");
      std::string row = "1\t";
      for (int i = 0; i < columns; ++i) row += "x\t";
      EXPECT_EQ(dir.Read("dromout.txt"),
                "Iteration\tv\t" + std::string(columns - 1, '\t') + "\r\n" + row + "\r\n");
    } else {
      EXPECT_EQ(outcome, "OverflowError: Overflow");
      EXPECT_EQ(dir.Read("dromout.txt"), "earlier");
      EXPECT_EQ(dir.Listing(), "dromout.txt\nrun.ind\nrun.out\n");
    }
  }
}

// The data pass counts its lines in the counter it is given; started close
// to the limit, the last line that still fits is stored and the next
// overflows.
TEST(LineCounterTest, DataPassOverflowsOnTheLinePastTheLimit) {
  for (const int lines : {1, 2}) {
    SCOPED_TRACE(lines);
    TempDir dir;
    dir.Write("run.out", lines == 1 ? "1 a\r\n" : "1 a\r\n2 b\r\n");
    ChainReader reader({"", dir / "run.out"});
    SampleTable table;
    std::int32_t linesRead = INT32_MAX - 1;
    RecordingUi ui;
    const std::string outcome = OutcomeOf([&] { reader.ReadDataValues(2, table, linesRead, ui); });
    EXPECT_EQ(outcome, lines == 1 ? "done" : "OverflowError: Overflow");
    EXPECT_EQ(linesRead, INT32_MAX);
    EXPECT_EQ(table.Get(1, 0), "a");
    EXPECT_EQ(table.Get(2, 0), "");
    EXPECT_EQ(ui.values(), std::vector<float>{static_cast<float>(INT32_MAX)});
  }
}

struct RowCountCase {
  const char* index;
  const char* outcome;
};

// Rows and expected lines are signed 32-bit. A declared count that fits is
// read without storing rows that the data does not fill; one past it stops
// the Read before the data pass.
TEST(RowCountTest, DeclaredCountsAtTheSigned32BitLimit) {
  const RowCountCase cases[] = {
      {"v 1 2147483647\r\n", "done"},
      {"v 1 2147483647.5\r\n", "OverflowError: Overflow"},  // halves to even: 2^31
      {"v 1 2147483648\r\n", "OverflowError: Overflow"},
      {"v 1 1073741824\r\nw 1 2\r\n", "OverflowError: Overflow"},  // 2^30 * 2 lines
      {"v 1 1e300\r\n", "OverflowError: Overflow"},
      {"v 1 1e999\r\n", "OverflowError: Overflow"},
  };
  for (const RowCountCase& c : cases) {
    SCOPED_TRACE(c.index);
    TempDir dir;
    dir.Write("run.ind", c.index);
    dir.Write("run.out", "1 a\r\n");
    ConversionState state;
    RecordingUi ui;
    EXPECT_EQ(OutcomeOf([&] { RunRead(state, dir / "run", ui); }), c.outcome);
    if (std::string(c.outcome) == "done") {
      EXPECT_EQ(state.table.last_row(), INT32_MAX);
      EXPECT_EQ(state.table.Get(1, 0), "a");
      EXPECT_EQ(state.table.Get(INT32_MAX, 0), "");
    } else {
      EXPECT_FALSE(state.table.created());
    }
  }
}

}  // namespace
}  // namespace quillet
