// The program's numeric limits at their edge: the writer's signed 16-bit
// column counter, the signed 32-bit line counter of the Read, and the signed
// 32-bit row count. One step inside a limit works; one step past it is the
// "Overflow" error, saying which limit the input passed, and no file is lost.
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

// 32,767 columns are read and written; the data line that would open one
// more stops the Read, before its column takes any memory.
TEST(ColumnLimitTest, ReadsAndWritesUpTo32767ColumnsAndOverflowsAt32768) {
  for (const int columns : {32767, 32768}) {
    SCOPED_TRACE(columns);
    TempDir dir;
    dir.Write("run.ind", "v 1 1\r\n");
    dir.Write("run.out", OneSampleLines(columns));
    dir.Write("dromout.txt", "earlier");
    ConversionState state;
    RecordingUi ui;
    const std::string read = OutcomeOf([&] { RunRead(state, dir / "run", ui); });
    if (columns == 32768) {
      EXPECT_EQ(read,
                "OverflowError: Overflow: the table would have more than 32,767 columns (the "
                "index says 1 sample per variable; the data file has 32,768 lines)");
      EXPECT_EQ(state.table.LastColumn(), 32766);
      EXPECT_EQ(dir.Read("dromout.txt"), "earlier");
      continue;
    }
    ASSERT_EQ(read, "done");
    ASSERT_EQ(OutcomeOf([&] { RunWrite(state, dir / "run", ui); }), "done");
    std::string row = "1\t";
    for (int i = 0; i < columns; ++i) row += "x\t";
    EXPECT_EQ(dir.Read("dromout.txt"),
              "Iteration\tv\t" + std::string(columns - 1, '\t') + "\r\n" + row + "\r\n");
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
    EXPECT_EQ(outcome, lines == 1 ? "done"
                                  : "OverflowError: Overflow: the data file has more than "
                                    "2,147,483,647 lines");
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
      // halves to even: 2^31
      {"v 1 2147483647.5\r\n",
       "OverflowError: Overflow: the index says 2147483647.5 samples per variable, more than "
       "2,147,483,647"},
      {"v 1 2147483648\r\n",
       "OverflowError: Overflow: the index says 2,147,483,648 samples per variable, more than "
       "2,147,483,647"},
      {"v 1 1073741824\r\nw 1 2\r\n",  // 2^30 * 2 lines
       "OverflowError: Overflow: the index announces 2,147,483,648 data lines, more than "
       "2,147,483,647"},
      {"v 1 1e300\r\n",
       "OverflowError: Overflow: the index says 1e+300 samples per variable, more than "
       "2,147,483,647"},
      {"v 1 1e999\r\n",
       "OverflowError: Overflow: the index says 1e999 samples per variable, more than "
       "2,147,483,647"},
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
