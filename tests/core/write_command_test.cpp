#include "core/write_command.h"

#include <filesystem>
#include <functional>
#include <system_error>

#include <gtest/gtest.h>

#include "core/conversion_errors.h"
#include "core/numeric_text.h"
#include "core/read_command.h"
#include "core/row_text.h"
#include "support/process.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::RecordingUi;
using testing::TempDir;

const std::string kExample =
    "Iteration\talpha\tbeta\t\r\n"
    "1\t0.51\t1.2\t\r\n"
    "2\t0.47\t1.3\t\r\n"
    "3\t0.55\t1.1\t\r\n";

// A state as a Read leaves it, built directly from rows of cells.
ConversionState StateWith(double samples, const std::vector<std::vector<std::string>>& columns) {
  ConversionState state;
  state.samplesPerVariable = samples;
  state.variableCount = static_cast<std::int64_t>(columns.size());
  state.table.Create(RoundToInt32(samples));
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) state.table.AddColumn();
    for (std::size_t r = 0; r < columns[c].size(); ++r) {
      state.table.Set(static_cast<std::int64_t>(r), static_cast<std::int64_t>(c), columns[c][r]);
    }
  }
  return state;
}

ConversionState ExampleState() {
  return StateWith(3, {{"alpha", "0.51", "0.47", "0.55"}, {"beta", "1.2", "1.3", "1.1"}});
}

// A table of `rows` x `columns` whose cells vary in length from row to row
// and column to column, some empty, a few a few kilobytes long.
ConversionState VariedState(int rows, int columns) {
  std::vector<std::vector<std::string>> cells(static_cast<std::size_t>(columns));
  for (int c = 0; c < columns; ++c) {
    cells[c].push_back("v" + std::to_string(c));
    for (int r = 1; r <= rows; ++r) {
      const int length = (r * 7 + c * 13) % 97 == 0 ? 3000 + r : (r * 5 + c * 3) % 19;
      cells[c].push_back(
          std::string(static_cast<std::size_t>(length), static_cast<char>('a' + (r + c) % 26)));
    }
  }
  return StateWith(rows, cells);
}

// Rows 0..last_row of `table` as the text table has them, cell by cell.
std::string TextOfRows(const SampleTable& table, std::int64_t last_row) {
  std::string text;
  for (std::int64_t r = 0; r <= last_row; ++r) {
    text += r == 0 ? "Iteration" : std::to_string(r);
    text += '\t';
    for (std::int64_t c = 0; c <= table.LastColumn(); ++c) {
      text += table.Get(r, c);
      text += '\t';
    }
    text += "\r\n";
  }
  return text;
}

class RunWriteTest : public ::testing::Test {
 protected:
  TempDir dir{/*make_current=*/true};
  RecordingUi ui;
};

TEST_F(RunWriteTest, WritesTheWorkedExampleByteForByte) {
  const ConversionState state = ExampleState();
  EXPECT_EQ(RunWrite(state, dir / "run", ui), CommandOutcome::kDone);
  const std::string written = dir.Read("dromout.txt");
  EXPECT_EQ(written.size(), 62u);
  EXPECT_EQ(written, kExample);
  const std::vector<std::string> expected = {"remember " + (dir / "run"),
                                             "message 1 [] Writing to " + (dir / "dromout.txt"),
                                             "show",
                                             "max 3",
                                             "value 1",
                                             "value 2",
                                             "value 3",
                                             "hide",
                                             "message 0 [Quillet] Done writing file"};
  EXPECT_EQ(ui.calls(), expected);
  EXPECT_EQ(dir.Listing(), "dromout.txt\n");
}

TEST_F(RunWriteTest, ReadThenWriteConvertsAChainPair) {
  dir.Write("run.ind", "alpha 1 3\r\nbeta 4 6\r\n");
  dir.Write("run.out",
            "1001  0.51\r\n1002  0.47\r\n1003  0.55\r\n1001  1.2\r\n1002  1.3\r\n1003  1.1\r\n");
  ConversionState state;
  RunRead(state, dir / "run", ui);
  RunWrite(state, dir / "run", ui);
  EXPECT_EQ(dir.Read("dromout.txt"), kExample);
}

TEST_F(RunWriteTest, SecondWriteWritesTheSameBytes) {
  const ConversionState state = ExampleState();
  RunWrite(state, dir / "run", ui);
  dir.Write("dromout.txt", "changed");
  RunWrite(state, dir / "run", ui);
  EXPECT_EQ(dir.Read("dromout.txt"), kExample);
}

TEST(OutputPathTest, DirectoryEndsAtTheLastSeparator) {
  const std::pair<const char*, const char*> cases[] = {
      {"c:\\drom\\myfile", "c:\\drom\\dromout.txt"},
      {"c:\\drom\\", "c:\\drom\\dromout.txt"},
      {"\\myfile", "\\dromout.txt"},
      {"myfile", "dromout.txt"},
      {"", "dromout.txt"},
      {"/home/ann/runs/chain1", "/home/ann/runs/dromout.txt"},
      {"runs/a.b\\c", "runs/a.b\\dromout.txt"},
      {"runs\\win/unix", "runs\\win/dromout.txt"},
      {"/", "/dromout.txt"},
  };
  for (const auto& [stem, output] : cases) EXPECT_EQ(OutputPathFor(stem), output) << stem;
}

TEST_F(RunWriteTest, StemWithoutDirectoryWritesIntoTheCurrentDirectory) {
  const ConversionState state = ExampleState();
  for (const std::string stem : {"myfile", ""}) {
    RecordingUi quiet;
    RunWrite(state, stem, quiet);
    EXPECT_EQ(quiet.calls().front(), "remember " + stem);  // the empty stem too
    EXPECT_EQ(quiet.messages().front(), "message 1 [] Writing to dromout.txt");
    EXPECT_EQ(dir.Read("dromout.txt"), kExample);
  }
}

TEST_F(RunWriteTest, WritesIntoTheDirectoryOfTheStemNowTyped) {
  const ConversionState state = ExampleState();
  TempDir elsewhere;
  RunWrite(state, elsewhere / "other", ui);
  EXPECT_EQ(elsewhere.Read("dromout.txt"), kExample);
  EXPECT_FALSE(dir.Exists("dromout.txt"));
}

struct NotReadCase {
  const char* name;
  std::optional<double> samples;
  std::optional<std::int64_t> variables;
};

void PrintTo(const NotReadCase& c, std::ostream* os) {
  *os << c.name;
}

class NotReadTest : public RunWriteTest, public ::testing::WithParamInterface<NotReadCase> {};

TEST_P(NotReadTest, RefusesAndTouchesNoFileButSavesTheStem) {
  ConversionState state = ExampleState();
  state.samplesPerVariable = GetParam().samples;
  state.variableCount = GetParam().variables;
  dir.Write("dromout.txt", "earlier");
  EXPECT_EQ(RunWrite(state, dir / "run", ui), CommandOutcome::kRefused);
  EXPECT_EQ(ui.calls(), (std::vector<std::string>{"remember " + (dir / "run"),
                                                  "message 48 [] Data has not been read."}));
  EXPECT_EQ(dir.Read("dromout.txt"), "earlier");
}

INSTANTIATE_TEST_SUITE_P(Counts, NotReadTest,
                         ::testing::Values(NotReadCase{"NeverRead", std::nullopt, std::nullopt},
                                           NotReadCase{"DamagedIndex", 3.0, 0},
                                           NotReadCase{"NoSamples", 0.6, 2},
                                           NotReadCase{"SamplesUnset", std::nullopt, 2}),
                         [](const auto& info) { return info.param.name; });

// A dromout.txt that is a link to the stem's index or data file is refused
// before the confirmation: the input stays. A link to any other file is
// written through.
TEST_F(RunWriteTest, NeverOverwritesTheStemsInputs) {
  const struct {
    const char* name;
    std::function<void(std::error_code&)> link;
    const char* refusal;  // what the table would overwrite; null: written
    const char* input;    // the file it is
  } cases[] = {
      {"symbolic link to the index",
       [&](std::error_code& e) {
         std::filesystem::create_symlink("run.ind", dir.path() / "dromout.txt", e);
       },
       "the index file ", "run.ind"},
      {"hard link to the data",
       [&](std::error_code& e) {
         std::filesystem::create_hard_link(dir.path() / "run.out", dir.path() / "dromout.txt", e);
       },
       "the data file ", "run.out"},
      {"symbolic link to another file",
       [&](std::error_code& e) {
         std::filesystem::create_symlink("other.txt", dir.path() / "dromout.txt", e);
       },
       nullptr, nullptr},
  };
  const ConversionState state = ExampleState();
  int made = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(dir.path() / "dromout.txt");
    dir.Write("run.ind", "alpha 1 3\r\n");
    dir.Write("run.out", "1 0.51\r\n");
    std::error_code error;
    c.link(error);
    if (error) continue;  // a system without such links (Windows without the privilege)
    ++made;
    RecordingUi seen;
    const CommandOutcome outcome = RunWrite(state, dir / "run", seen);
    if (c.refusal == nullptr) {
      EXPECT_EQ(outcome, CommandOutcome::kDone);
      EXPECT_EQ(dir.Read("other.txt"), kExample);
    } else {
      const std::string message = "message 48 [] The table " + (dir / "dromout.txt") +
                                  " would overwrite " + c.refusal + (dir / c.input) + ".";
      EXPECT_EQ(outcome, CommandOutcome::kRefused);
      EXPECT_EQ(seen.calls(), (std::vector<std::string>{"remember " + (dir / "run"), message}));
    }
    EXPECT_EQ(dir.Read("run.ind"), "alpha 1 3\r\n");
    EXPECT_EQ(dir.Read("run.out"), "1 0.51\r\n");
  }
  if (made == 0) GTEST_SKIP() << "no link of either kind can be made here";
}

TEST_F(RunWriteTest, CancelLeavesAnExistingFileUntouched) {
  const ConversionState state = ExampleState();
  dir.Write("dromout.txt", "earlier");
  ui.Answer(MessageAnswer::kCancel);
  EXPECT_EQ(RunWrite(state, dir / "run", ui), CommandOutcome::kCancelled);
  EXPECT_EQ(ui.calls().size(), 2u);  // remember, confirm
  EXPECT_EQ(dir.Read("dromout.txt"), "earlier");
  EXPECT_EQ(dir.Listing(), "dromout.txt\n");
}

TEST_F(RunWriteTest, FractionalCountWritesRoundedRowsWithUnroundedMaximum) {
  const ConversionState state = StateWith(2.5, {{"x", "a", "b"}});
  RunWrite(state, dir / "run", ui);
  EXPECT_EQ(dir.Read("dromout.txt"), "Iteration\tx\t\r\n1\ta\t\r\n2\tb\t\r\n");
  EXPECT_EQ(ui.calls()[3], "max 2.5");
}

TEST_F(RunWriteTest, CountRoundingUpLetsProgressPassTheMaximum) {
  const ConversionState state = StateWith(2.6, {{"x", "a", "b", "c"}});
  RunWrite(state, dir / "run", ui);
  EXPECT_EQ(dir.Read("dromout.txt"), "Iteration\tx\t\r\n1\ta\t\r\n2\tb\t\r\n3\tc\t\r\n");
  EXPECT_EQ(ui.values().back(), 3.0f);
}

TEST_F(RunWriteTest, CellsAreWrittenExactlyAndEveryColumnOfTheTableCounts) {
  // Three columns although only one variable was counted; empty and odd cells.
  ConversionState state =
      StateWith(2, {{"n", "", " sp "}, {"", "\"q\"", std::string("\0\xff", 2)}, {"", "x\ty", ""}});
  state.variableCount = 1;
  RunWrite(state, dir / "run", ui);
  const char expected[] = "Iteration\tn\t\t\t\r\n1\t\t\"q\"\tx\ty\t\r\n2\t sp \t\0\xff\t\t\r\n";
  EXPECT_EQ(dir.Read("dromout.txt"), std::string(expected, sizeof expected - 1));
}

TEST_F(RunWriteTest, RowNumbersArePlainDecimal) {
  std::vector<std::string> column = {"v"};
  for (int r = 1; r <= 12; ++r) column.push_back(std::to_string(r * r));
  RunWrite(StateWith(12, {column}), dir / "run", ui);
  const std::string written = dir.Read("dromout.txt");
  EXPECT_NE(written.find("\r\n9\t81\t\r\n10\t100\t\r\n11\t121\t\r\n12\t144\t\r\n"),
            std::string::npos);
}

TEST_F(RunWriteTest, ColumnCounterIsSigned16Bit) {
  for (const std::int64_t columns : {32767, 32768}) {
    ConversionState state = StateWith(1, {{"first", "1"}});
    for (std::int64_t c = 1; c < columns; ++c) state.table.AddColumn();
    state.table.Set(1, columns - 1, "last");
    dir.Write("dromout.txt", "earlier");
    RecordingUi quiet;
    if (columns == 32767) {
      RunWrite(state, dir / "run", quiet);
      const auto empty_cells = static_cast<std::size_t>(columns - 2);
      EXPECT_EQ(dir.Read("dromout.txt"), "Iteration\tfirst\t" + std::string(empty_cells + 1, '\t') +
                                             "\r\n1\t1\t" + std::string(empty_cells, '\t') +
                                             "last\t\r\n");
    } else {
      EXPECT_THROW(RunWrite(state, dir / "run", quiet), OverflowError);
      EXPECT_EQ(dir.Read("dromout.txt"), "earlier");
      EXPECT_EQ(dir.Listing(), "dromout.txt\n");
    }
  }
}

TEST_F(RunWriteTest, OutputThatCannotBeCreatedIsANamedErrorAndLeavesNothing) {
  const ConversionState state = ExampleState();
  EXPECT_THROW(RunWrite(state, dir / "missing/run", ui), FileError);
  std::filesystem::create_directory(dir.path() / "dromout.txt");
  EXPECT_THROW(RunWrite(state, dir / "run", ui), FileError);
  EXPECT_EQ(dir.Listing(), "dromout.txt\n");
}

TEST_F(RunWriteTest, ExplicitTargetRemembersNothing) {
  const ConversionState state = ExampleState();
  RunWriteTo(state, {dir / "chosen.tsv"}, ui);
  EXPECT_EQ(dir.Read("chosen.tsv"), kExample);
  EXPECT_EQ(ui.calls().front(), "message 1 [] Writing to " + (dir / "chosen.tsv"));
  EXPECT_EQ(dir.Listing(), "chosen.tsv\n");
}

TEST_F(RunWriteTest, StandardOutputIsNamedInTheConfirmation) {
  const ConversionState state = StateWith(1, {{"x", "1"}});
  ::testing::internal::CaptureStdout();
  RunWriteTo(state, {"", /*standardOutput=*/true}, ui);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            testing::ReadInTextMode("Iteration\tx\t\r\n1\t1\t\r\n"));
  EXPECT_EQ(ui.messages().front(), "message 1 [] Writing to (standard output)");
  EXPECT_EQ(dir.Listing(), "");
}

TEST_F(RunWriteTest, TableNeverCreatedIsOutOfRange) {
  ConversionState state;
  state.samplesPerVariable = 2;
  state.variableCount = 1;
  EXPECT_THROW(RunWrite(state, dir / "run", ui), SubscriptOutOfRangeError);
  EXPECT_FALSE(dir.Exists("dromout.txt"));
}

TEST_F(RunWriteTest, TableLargeEnoughForTheWorkerIsWrittenByteForByte) {
  const ConversionState state = VariedState(3000, 60);  // over 2 MB of text
  RunWrite(state, dir / "run", ui);
  EXPECT_EQ(dir.Read("dromout.txt"), TextOfRows(state.table, 3000));
  EXPECT_EQ(ui.values().size(), 3000u);
}

// Rows made in blocks by one thread or two give the same bytes, in order, and
// a row that cannot be made fails at its turn, after every row before it.
TEST(RowTextBlocksTest, BlocksOnEitherThreadGiveTheRowsInOrder) {
  using Worker = RowTextBlocks::Worker;
  const struct {
    const char* name;
    int rows, columns;
    std::int64_t last_row;  // past the table's: out of range there
    Worker worker;
    std::size_t block_bytes;
    bool helped;
  } cases[] = {
      {"one thread", 400, 30, 400, Worker::kNever, 2000, false},
      {"two threads", 400, 30, 400, Worker::kWhenWorthIt, 2000, true},
      {"two threads, a row a block", 400, 30, 400, Worker::kWhenWorthIt, 1, true},
      {"two threads, blocks of whole gathers", 400, 30, 400, Worker::kWhenWorthIt, 20000, true},
      {"fewer rows than the table", 400, 30, 300, Worker::kWhenWorthIt, 2000, true},
      {"too few cells for a thread", 40, 10, 40, Worker::kWhenWorthIt, 100, false},
      {"past the table, one thread", 300, 30, 600, Worker::kNever, 2000, false},
      {"past the table, two threads", 300, 30, 600, Worker::kWhenWorthIt, 2000, true},
      {"past the table, a row a block", 300, 30, 600, Worker::kWhenWorthIt, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ConversionState state = VariedState(c.rows, c.columns);
    RowTextBlocks blocks(state.table, c.last_row, c.worker, c.block_bytes);
    EXPECT_EQ(blocks.HasWorker(), c.helped);
    std::string text;
    std::int64_t row = 0;
    try {
      for (; row <= c.last_row; ++row) text += blocks.TextFor(row);
    } catch (const SubscriptOutOfRangeError&) {
    }
    const std::int64_t made = std::min<std::int64_t>(c.rows, c.last_row);
    EXPECT_EQ(row, made + 1);
    EXPECT_TRUE(text == TextOfRows(state.table, made)) << "wrong bytes";
  }
}

}  // namespace
}  // namespace quillet
