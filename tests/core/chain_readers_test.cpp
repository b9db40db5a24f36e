#include "core/chain_readers.h"

#include <gtest/gtest.h>

#include "core/field_scanner.h"
#include "files/errors.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::RecordingUi;
using testing::TempDir;

class ScannerTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<TextReader> stream;
  ScanState scan;

  TextReader& Over(const std::string& bytes) {
    dir.Write("f", bytes);
    stream = std::make_unique<TextReader>(dir / "f");
    return *stream;
  }
};

TEST_F(ScannerTest, SkipFieldStopsOnTheFirstBlankAndKeepsIt) {
  TextReader& in = Over("12\t 5");
  SkipField(in, scan);
  EXPECT_EQ(scan.currentChar, '\t');
  SkipBlanks(in, scan);
  EXPECT_EQ(scan.currentChar, '5');
  EXPECT_TRUE(in.AtEndOfStream());
}

TEST_F(ScannerTest, SkipFieldReadsAtLeastOneByte) {
  TextReader& in = Over("  x");
  SkipField(in, scan);  // ends at once on the leading blank
  EXPECT_EQ(scan.currentChar, ' ');
  SkipBlanks(in, scan);
  EXPECT_EQ(scan.currentChar, 'x');
}

TEST_F(ScannerTest, LineEndsAreNotBlanks) {
  TextReader& in = Over("1\r\n2 x");
  SkipField(in, scan);
  SkipBlanks(in, scan);
  EXPECT_EQ(scan.currentChar, 'x');  // ran on through CR LF into the next line
}

TEST_F(ScannerTest, ScanPastTheEndThrows) {
  EXPECT_THROW(SkipField(Over("abc"), scan), InputPastEndError);
  EXPECT_THROW(SkipBlanks(Over(" \t "), scan), InputPastEndError);
  scan.currentChar = 'n';
  EXPECT_THROW(CollectField(Over("ame"), scan, IsNameEnd), InputPastEndError);
}

TEST_F(ScannerTest, CollectFieldAppendsCurrentCharFirstAndConsumesTheEnd) {
  TextReader& in = Over("000\t7 rest");
  scan.currentChar = '1';
  scan.fieldText = "pre";
  CollectField(in, scan, IsSamplesFieldEnd);
  EXPECT_EQ(scan.fieldText, "pre1000\t7");  // a tab does not end the samples field
  EXPECT_EQ(scan.currentChar, ' ');
  EXPECT_EQ(in.Read(), 'r');
}

TEST_F(ScannerTest, CollectFieldWithEmptyCurrentCharStartsFromTheStream) {
  TextReader& in = Over("alpha\tbeta");
  scan.currentChar = ScanState::kNoChar;
  CollectField(in, scan, IsNameEnd);
  EXPECT_EQ(scan.fieldText, "alpha");
  EXPECT_EQ(scan.currentChar, '\t');
}

struct IndexCase {
  const char* name;
  std::string index;
  double samples;
  std::int64_t variables;
};

void PrintTo(const IndexCase& c, std::ostream* os) {
  *os << c.name;
}

class IndexCountsTest : public ::testing::TestWithParam<IndexCase> {
 protected:
  TempDir dir;
  ConversionState state;
};

TEST_P(IndexCountsTest, ReadsSampleCountAndLineCount) {
  dir.Write("run.ind", GetParam().index);
  state.indexPath = dir / "run.ind";
  ReadIndexCounts(state);
  EXPECT_EQ(*state.samplesPerVariable, GetParam().samples);
  EXPECT_EQ(*state.variableCount, GetParam().variables);
  EXPECT_EQ(state.stream, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IndexCountsTest,
    ::testing::Values(
        IndexCase{"TwoVariables", "alpha 1 1000\r\nbeta 1001 2000\r\n", 1000, 2},
        IndexCase{"OnlyFirstLine", "alpha 1 1000\r\n", 1000, 1},
        IndexCase{"TabsAndSeveralBlanks", "alpha\t1 \t  1000\r\nbeta\t1001\t2000\r\n", 1000, 2},
        IndexCase{"LeadingBlankShiftsFields", " alpha 1 1000\r\nbeta 1001 2000\r\n", 1, 2},
        IndexCase{"TabAfterThirdField", "alpha 1 1000\tjunk 9\r\nbeta 1 2\r\n", 1000, 2},
        IndexCase{"LineFeedsOnly", "alpha 1 1000\nbeta 1001 2000\ngamma 2001 3000\n", 1000, 3},
        IndexCase{"LineFeedThenNameWithDigits", "a 1 7\n2b 8 9\n", 7, 2},
        IndexCase{"EmptyFieldBeforeLineFeed", "a 1 \n2b 8 9\n", 0, 2},
        IndexCase{"BlankLastLinesAreNotVariables", "alpha 1 10\r\nbeta 11 20\r\n\r\n \t\r\r\n\n",
                  10, 2},
        IndexCase{"LastLineWithoutTerminator", "alpha 1 10\r\nbeta 11 20", 10, 2},
        IndexCase{"FirstLineWithoutTerminator", "alpha 1 1000", 1000, 1},
        IndexCase{"FractionalCount", "a 1 2.5\r\n", 2.5, 1},
        IndexCase{"NotANumber", "a 1 many\r\n", 0, 1},
        IndexCase{"SpaceEndsThirdField", "a 1 30 extra\r\n", 30, 1},
        IndexCase{"NothingAfterThirdField", "a 1 30\r", 30, 0},
        IndexCase{"NothingAfterBlankAfterThirdField", "a 1 30 ", 30, 0}),
    [](const auto& info) { return info.param.name; });

TEST(IndexCountsFailureTest, TooFewFieldsReadPastTheEnd) {
  for (const char* index : {"alpha 1", "alpha 1 ", "alpha", ""}) {
    TempDir dir;
    dir.Write("run.ind", index);
    ConversionState state;
    state.indexPath = dir / "run.ind";
    EXPECT_THROW(ReadIndexCounts(state), InputPastEndError) << index;
  }
}

struct DataLineCase {
  const char* name;
  std::string line;
  std::string cell;
};

void PrintTo(const DataLineCase& c, std::ostream* os) {
  *os << c.name;
}

class DataValuesTest : public ::testing::Test {
 protected:
  TempDir dir;
  ConversionState state;
  RecordingUi ui;

  void ReadData(const std::string& data, double samples) {
    dir.Write("run.out", data);
    state.dataPath = dir / "run.out";
    state.samplesPerVariable = samples;
    state.rowCursor = 1;
    state.columnCursor = 0;
    state.linesRead = 0;
    ReadDataValues(state, ui);
  }
};

class DataLineTest : public DataValuesTest, public ::testing::WithParamInterface<DataLineCase> {};

TEST_P(DataLineTest, CellHoldsTheLineAfterTheIterationAndBlanks) {
  ReadData(GetParam().line + "\r\n2 next\r\n", 2);
  EXPECT_EQ(state.table.Get(1, 0), GetParam().cell);
  EXPECT_EQ(state.table.Get(2, 0), "next");
}

INSTANTIATE_TEST_SUITE_P(Lines, DataLineTest,
                         ::testing::Values(DataLineCase{"Space", "1 0.5", "0.5"},
                                           DataLineCase{"Tab", "1\t0.5", "0.5"},
                                           DataLineCase{"ThreeSpaces", "1   0.5", "0.5"},
                                           DataLineCase{"TrailingSpace", "1 0.5 ", "0.5 "},
                                           DataLineCase{"FurtherField", "1 0.5 x", "0.5 x"},
                                           DataLineCase{"LeadingBlank", " 1 0.5", "1 0.5"},
                                           DataLineCase{"HighBytesAndNul",
                                                        std::string("1 \xe9\0\xff", 5),
                                                        std::string("\xe9\0\xff", 3)},
                                           DataLineCase{"LoneCarriageReturnKept", "1 a\rb", "a\rb"},
                                           DataLineCase{"BlanksThenLineEnd", "1 \t ", ""}),
                         [](const auto& info) { return info.param.name; });

TEST_F(DataValuesTest, FillsColumnByColumnAndCountsLines) {
  ReadData("1 a1\r\n2 a2\r\n3 a3\r\n1 b1\r\n2 b2\r\n3 b3\r\n", 3);
  EXPECT_EQ(state.table.LastColumn(), 1);
  EXPECT_EQ(state.table.Get(3, 0), "a3");
  EXPECT_EQ(state.table.Get(1, 1), "b1");
  EXPECT_EQ(state.linesRead, 6);
  EXPECT_EQ(ui.values(), (std::vector<float>{1, 2, 3, 4, 5, 6}));
  EXPECT_NE(state.stream, nullptr);  // closed by the Read command later
}

TEST_F(DataValuesTest, FewerLinesLeaveTheLastColumnPartlyEmpty) {
  ReadData("1 a1\n2 a2\n3 a3\n1 b1\n", 3);
  EXPECT_EQ(state.table.LastColumn(), 1);
  EXPECT_EQ(state.table.Get(1, 1), "b1");
  EXPECT_EQ(state.table.Get(2, 1), "");
}

TEST_F(DataValuesTest, EmptyFileGivesAnEmptyTable) {
  ReadData("", 4);
  EXPECT_EQ(state.table.LastColumn(), 0);
  EXPECT_EQ(state.table.last_row(), 4);
  EXPECT_EQ(state.linesRead, 0);
}

TEST_F(DataValuesTest, EmptyLineRunsIntoTheNextLine) {
  ReadData("1 a\r\n\r\n3 c\r\n4 d\r\n", 10);
  // The empty line's scan ends on the blank of "3 c": the cell is "c".
  EXPECT_EQ(state.table.Get(2, 0), "c");
  EXPECT_EQ(state.table.Get(3, 0), "d");
}

TEST_F(DataValuesTest, LastLineWithoutBlankReadsPastTheEnd) {
  for (const char* data : {"1 a\r\n7", "1 a\r\n\r\n7"}) {
    TempDir fresh;
    ConversionState state;
    fresh.Write("run.out", data);
    state.dataPath = fresh / "run.out";
    state.samplesPerVariable = 5;
    state.rowCursor = 1;
    EXPECT_THROW(ReadDataValues(state, ui), InputPastEndError) << data;
  }
}

TEST_F(DataValuesTest, LastLineWithoutLineEndRunsToTheEnd) {
  for (const char* value : {"xyz", "x", ""}) {
    ReadData("1 a\r\n2 " + std::string(value), 5);
    EXPECT_EQ(state.table.Get(2, 0), value);
    EXPECT_EQ(state.linesRead, 2);
  }
}

TEST_F(DataValuesTest, BlankLastLinesAreNotDataLines) {
  ReadData("1 a\n2 b\n \t\r\n\n\r", 2);
  EXPECT_EQ(state.linesRead, 2);
  EXPECT_EQ(state.table.LastColumn(), 0);
}

class IndexNamesTest : public ::testing::Test {
 protected:
  TempDir dir;
  ConversionState state;

  // Runs pass C over `index` into a table of `columns` columns.
  void ReadNames(const std::string& index, int columns) {
    dir.Write("run.ind", index);
    state.indexPath = dir / "run.ind";
    state.table.Create(3);
    for (int c = 1; c < columns; ++c) state.table.AddColumn();
    state.columnCursor = 7;
    ReadIndexNames(state);
  }
};

TEST_F(IndexNamesTest, NamesGoIntoRowZeroOfSuccessiveColumns) {
  ReadNames("alpha 1 3\r\nbeta[2]\t4 6\r\n\xe9t\xe9 7 9\r\n", 3);
  EXPECT_EQ(state.table.Get(0, 0), "alpha");
  EXPECT_EQ(state.table.Get(0, 1), "beta[2]");
  EXPECT_EQ(state.table.Get(0, 2), "\xe9t\xe9");
  EXPECT_EQ(state.columnCursor, 3);
  EXPECT_EQ(state.stream, nullptr);
}

TEST_F(IndexNamesTest, NameWithoutBlankRunsIntoTheNextLine) {
  ReadNames("lonely\r\nbeta 4 6\r\n", 1);
  EXPECT_EQ(state.table.Get(0, 0), "lonely\r\nbeta");
  EXPECT_EQ(state.columnCursor, 1);
}

TEST_F(IndexNamesTest, BlankLastLinesGetNoName) {
  ReadNames("a 1 1\r\nb 2 2\r\n\r\n \t\r\n", 2);
  EXPECT_EQ(state.columnCursor, 2);
}

TEST_F(IndexNamesTest, NameWithoutColumnIsOutOfRange) {
  EXPECT_THROW(ReadNames("a 1 1\r\nb 2 2\r\n", 1), SubscriptOutOfRangeError);
  EXPECT_EQ(state.table.Get(0, 0), "a");
}

}  // namespace
}  // namespace quillet
