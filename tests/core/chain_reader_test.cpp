#include "core/chain_reader.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/field_scanner.h"
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
  std::unique_ptr<FieldScanner> scan;

  FieldScanner& Over(const std::string& bytes) {
    dir.Write("f", bytes);
    scan.reset();
    stream = std::make_unique<TextReader>(dir / "f");
    scan = std::make_unique<FieldScanner>(*stream);
    return *scan;
  }
};

TEST_F(ScannerTest, SkipFieldStopsOnTheFirstBlankAndKeepsIt) {
  FieldScanner& in = Over("12\t 5");
  in.SkipField();
  EXPECT_EQ(in.currentChar(), '\t');
  in.SkipBlanks();
  EXPECT_EQ(in.currentChar(), '5');
  EXPECT_TRUE(stream->AtEndOfStream());
}

TEST_F(ScannerTest, SkipFieldReadsAtLeastOneByte) {
  FieldScanner& in = Over("  x");
  in.SkipField();  // ends at once on the leading blank
  EXPECT_EQ(in.currentChar(), ' ');
  in.SkipBlanks();
  EXPECT_EQ(in.currentChar(), 'x');
}

TEST_F(ScannerTest, LineEndsAreNotBlanks) {
  FieldScanner& in = Over("1\r\n2 x");
  in.SkipField();
  in.SkipBlanks();
  EXPECT_EQ(in.currentChar(), 'x');  // ran on through CR LF into the next line
}

TEST_F(ScannerTest, FieldScanPastTheEndThrows) {
  EXPECT_THROW(Over("abc").SkipField(), InputPastEndError);
  EXPECT_THROW(Over(" \t ").SkipBlanks(), InputPastEndError);
}

// A name is currentChar and the bytes up to a blank, a line end or the end of
// the file; the ending byte is consumed and left in currentChar.
TEST_F(ScannerTest, CollectNameEndsAtABlankALineEndOrTheEnd) {
  const struct {
    std::string bytes;
    bool skip_blank_first;  // currentChar then holds the name's first byte
    std::string name;
    int ended_by;
    int next;
  } cases[] = {
      {"alpha\tbeta", false, "alpha", '\t', 'b'},
      {" alpha beta", true, "alpha", ' ', 'b'},
      {"beta\r\ngamma", false, "beta", '\r', '\n'},
      {"beta\ngamma", false, "beta", '\n', 'g'},
      {"a\rb c", false, "a", '\r', 'b'},
      {"last", false, "last", TextReader::kEnd, TextReader::kEnd},
      {"\r\nx", false, "", '\r', '\n'},
      {"", false, "", TextReader::kEnd, TextReader::kEnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    FieldScanner& in = Over(c.bytes);
    in.Reset();
    if (c.skip_blank_first) in.SkipBlanks();
    in.CollectName();
    EXPECT_EQ(in.fieldText(), c.name);
    EXPECT_EQ(in.currentChar(), c.ended_by);
    EXPECT_EQ(stream->Read(), c.next);
  }
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
};

TEST_P(IndexCountsTest, ReadsSampleCountAndLineCount) {
  dir.Write("run.ind", GetParam().index);
  ChainReader reader({dir / "run.ind", ""});
  const IndexCounts counts = reader.ReadIndexCounts();
  EXPECT_EQ(counts.samplesPerVariable, GetParam().samples);
  EXPECT_EQ(counts.variableCount, GetParam().variables);
  EXPECT_FALSE(reader.streamOpen());
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
        IndexCase{"NothingAfterBlankAfterThirdField", "a 1 30 ", 30, 0},
        // The file ends before the third field: no variable either.
        IndexCase{"EmptyFile", "", 0, 0}, IndexCase{"OneField", "mu", 0, 0},
        IndexCase{"TwoFields", "a 1", 0, 0}, IndexCase{"TwoFieldsAndLineEnd", "a 1\r\n", 0, 0},
        IndexCase{"TwoFieldsAndBlank", "alpha 1 ", 0, 0}),
    [](const auto& info) { return info.param.name; });

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
  std::unique_ptr<ChainReader> reader;
  SampleTable table;
  std::int32_t linesRead = 0;
  RecordingUi ui;

  void ReadData(const std::string& data, double samples) {
    dir.Write("run.out", data);
    reader = std::make_unique<ChainReader>(ChainPaths{"", dir / "run.out"});
    linesRead = 0;
    reader->ReadDataValues(samples, table, linesRead, ui);
  }
};

class DataLineTest : public DataValuesTest, public ::testing::WithParamInterface<DataLineCase> {};

TEST_P(DataLineTest, CellHoldsTheLineAfterTheIterationAndBlanks) {
  ReadData(GetParam().line + "\r\n2 next\r\n", 2);
  EXPECT_EQ(table.Get(1, 0), GetParam().cell);
  EXPECT_EQ(table.Get(2, 0), "next");
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
  EXPECT_EQ(table.LastColumn(), 1);
  EXPECT_EQ(table.Get(3, 0), "a3");
  EXPECT_EQ(table.Get(1, 1), "b1");
  EXPECT_EQ(linesRead, 6);
  EXPECT_EQ(ui.values(), (std::vector<float>{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(reader->streamOpen());  // closed by the Read command later
  reader->CloseData();
  EXPECT_FALSE(reader->streamOpen());
}

TEST_F(DataValuesTest, FewerLinesLeaveTheLastColumnPartlyEmpty) {
  ReadData("1 a1\n2 a2\n3 a3\n1 b1\n", 3);
  EXPECT_EQ(table.LastColumn(), 1);
  EXPECT_EQ(table.Get(1, 1), "b1");
  EXPECT_EQ(table.Get(2, 1), "");
}

TEST_F(DataValuesTest, EmptyFileGivesAnEmptyTable) {
  ReadData("", 4);
  EXPECT_EQ(table.LastColumn(), 0);
  EXPECT_EQ(table.last_row(), 4);
  EXPECT_EQ(linesRead, 0);
}

TEST_F(DataValuesTest, EmptyLineRunsIntoTheNextLine) {
  ReadData("1 a\r\n\r\n3 c\r\n4 d\r\n", 10);
  // The empty line's scan ends on the blank of "3 c": the cell is "c".
  EXPECT_EQ(table.Get(2, 0), "c");
  EXPECT_EQ(table.Get(3, 0), "d");
}

// The error names the file and the line where it ends.
TEST_F(DataValuesTest, LastLineWithoutBlankReadsPastTheEnd) {
  for (const auto& [data, line] :
       {std::pair{"1 a\r\n7", "2"}, {"1 a\r\n\r\n7", "3"}, {"1 a\r\n7\r\n", "2"}}) {
    SCOPED_TRACE(data);
    try {
      ReadData(data, 5);
      ADD_FAILURE() << "read to the end";
    } catch (const InputPastEndError& error) {
      EXPECT_EQ(error.what(),
                "Input past end of file: " + dir / "run.out" + " ends inside line " + line);
    }
  }
}

TEST_F(DataValuesTest, LastLineWithoutLineEndRunsToTheEnd) {
  for (const char* value : {"xyz", "x", ""}) {
    ReadData("1 a\r\n2 " + std::string(value), 5);
    EXPECT_EQ(table.Get(2, 0), value);
    EXPECT_EQ(linesRead, 2);
  }
}

TEST_F(DataValuesTest, BlankLastLinesAreNotDataLines) {
  ReadData("1 a\n2 b\n \t\r\n\n\r", 2);
  EXPECT_EQ(linesRead, 2);
  EXPECT_EQ(table.LastColumn(), 0);
}

// A data file read in two halves, the second on a second thread, reads as
// it does whole, wherever the halves meet: the same cells, line count, last
// progress value and error. Where every line before the meeting point is of
// the usual shape, the second half's lines are joined to the table at once.
TEST_F(DataValuesTest, ReadInTwoHalvesAsWhole) {
  struct Shape {
    const char* name;
    std::string data;
    IndexCounts counts;
    bool plain = false;  // every line of the usual shape: always joined
  };
  IndexCounts three{3, 2, std::nullopt};
  IndexCounts two{2, 3, std::nullopt};
  IndexCounts unequal{3, 2, IndexRanges{{2, 3}, 3, 5}};
  const Shape shapes[] = {
      {"Usual", "1 a1\n2 a2\n3 a3\n1 b1\n2 b2\n3 b3\n", three, true},
      {"CrLfNoLastLineEnd", "1 a\r\n2  b\r\n3\tc\r\n4 \r\n5 e\r\n6 f", two},
      {"RunOnLines", "1 a\n\n3 c\n4 d\n5 e\n\n7 g\n8 h\n", three},
      {"OddLines", " 1 a\n2 b\rc\n3 \t\r\n4 d\n5 e \n6 f\r\n", two},
      {"BlankLinesAtTheEnd", "1 a\n2 b\n3 c\n4 d\n \t\r\n\n", two},
      {"BlankLinesLedByACr", "1 a\n2 b\n3 c\n4 d\n\r\t\n\n \n", two},
      {"SurplusLines", "1 a\n2 b\n3 c\n4 d\n5 e\n6 f\n7 g\n8 h\n", {2, 1, std::nullopt}},
      {"NoRowForALine", "1 a\n2 b\n3 c\n4 d\n", {0.4, 1, std::nullopt}},
      {"LastLineWithoutBlank", "1 a\n2 b\n3 c\n4 d\n7", two},
      {"UnequalRanges", "1 a1\n2 a2\n1 b1\n2 b2\n3 b3\n4 c1\n", unequal, true},
      {"FractionalCount", "1 a\n2 b\n3 c\n4 d\n5 e\n6 f\n7 g\n", {2.6, 3, std::nullopt}, true},
  };
  // What a read leaves, as text.
  auto read = [&](const Shape& shape, std::optional<std::uint64_t> split) {
    dir.Write("run.out", shape.data);
    ChainReader halves(ChainPaths{"", dir / "run.out"});
    if (split) {
      halves.SplitDataNear(*split);
    } else {
      halves.ReadDataByteAtATime();
    }
    RecordingUi progress;
    std::int32_t lines = 0;
    std::string left;
    try {
      halves.ReadDataValues(shape.counts, table, lines, progress);
    } catch (const std::exception& error) {
      left = std::string("error ") + error.what() + "\n";
    }
    left += "lines " + std::to_string(lines) + " shown " +
            (progress.values().empty() ? "-" : std::to_string(progress.values().back())) + "\n";
    for (std::int64_t column = 0; column <= table.LastColumn(); ++column) {
      for (std::int64_t row = 1; row <= table.last_row(); ++row) {
        left += std::string(table.Get(row, column)) + "|";
      }
      left += "\n";
    }
    return std::pair{left, progress.values()};
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    const std::string whole = read(shape, std::nullopt).first;
    const auto lines =
        static_cast<std::size_t>(std::count(shape.data.begin(), shape.data.end(), '\n'));
    // Where the second part still gets two lines or more.
    const std::size_t last_two =
        shape.data.rfind('\n', shape.data.rfind('\n', shape.data.size() - 2) - 1);
    for (std::uint64_t split = 0; split <= shape.data.size(); ++split) {
      SCOPED_TRACE(split);
      const auto [left, shown] = read(shape, split);
      EXPECT_EQ(left, whole);
      // Joined: the second part's lines counted at once.
      if (shape.plain && split < last_two) {
        EXPECT_LT(shown.size(), lines);
      }
    }
  }
  // Split after "3 a3": the first three lines counted one by one, then all.
  EXPECT_EQ(read(shapes[0], 14).second, (std::vector<float>{1, 2, 3, 6}));
}

class IndexNamesTest : public ::testing::Test {
 protected:
  TempDir dir;
  SampleTable table;
  std::int64_t names = -1;

  // Runs pass C over `index` into a table of `columns` columns, after the
  // other passes have moved the reader's column cursor.
  void ReadNames(const std::string& index, int columns) {
    dir.Write("run.ind", index);
    dir.Write("run.out", "1 a\r\n1 b\r\n");
    ChainReader reader({dir / "run.ind", dir / "run.out"});
    std::int32_t lines = 0;
    RecordingUi ui;
    reader.ReadDataValues(1, table, lines, ui);
    table.Create(3);
    for (int c = 1; c < columns; ++c) table.AddColumn();
    names = reader.ReadIndexNames(table);
    EXPECT_FALSE(reader.streamOpen());
  }
};

TEST_F(IndexNamesTest, NamesGoIntoRowZeroOfSuccessiveColumns) {
  ReadNames("alpha 1 3\r\nbeta[2]\t4 6\r\n\xe9t\xe9 7 9\r\n", 3);
  EXPECT_EQ(table.Get(0, 0), "alpha");
  EXPECT_EQ(table.Get(0, 1), "beta[2]");
  EXPECT_EQ(table.Get(0, 2), "\xe9t\xe9");
  EXPECT_EQ(names, 3);
}

// Each line names its own column: a line of a name alone, an empty line,
// a last name without a line end.
TEST_F(IndexNamesTest, EachLineNamesItsOwnColumn) {
  const struct {
    std::string index;
    std::vector<std::string> names;
  } cases[] = {
      {"lonely\r\nbeta 4 6\r\n", {"lonely", "beta"}},
      {"a 1 1\r\nlonely\nc 3 3\n", {"a", "lonely", "c"}},
      {"a 1 1\r\n\r\nc 3 3\r\n", {"a", "", "c"}},
      {"a 1 1\r\nb\rtail 2 2\r\nc 3 3", {"a", "b", "c"}},
      {"a 1 1\r\nlast", {"a", "last"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.index);
    ReadNames(c.index, 3);
    ASSERT_EQ(names, static_cast<std::int64_t>(c.names.size()));
    for (std::size_t i = 0; i < c.names.size(); ++i) {
      EXPECT_EQ(table.Get(0, static_cast<std::int64_t>(i)), c.names[i]) << i;
    }
  }
}

TEST_F(IndexNamesTest, BlankLastLinesGetNoName) {
  ReadNames("a 1 1\r\nb 2 2\r\n\r\n \t\r\n", 2);
  EXPECT_EQ(names, 2);
}

TEST_F(IndexNamesTest, NameWithoutColumnIsOutOfRange) {
  EXPECT_THROW(ReadNames("a 1 1\r\nb 2 2\r\n", 1), SubscriptOutOfRangeError);
  EXPECT_EQ(table.Get(0, 0), "a");
}

}  // namespace
}  // namespace quillet
