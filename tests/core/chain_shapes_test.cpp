// Chain pairs as samplers and editors write them, through the Read and the
// Write command: LF or CR LF line ends, a last line with or without its line
// end, blank lines at the end, empty values. Each shape must give the table a
// user expects, or the message or error it gave before.
#include <gtest/gtest.h>

#include "core/conversion_errors.h"
#include "core/read_command.h"
#include "core/write_command.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::RecordingUi;
using testing::TempDir;

struct ShapeCase {
  const char* name;
  std::string index;
  std::string data;
  // dromout.txt byte for byte; or "message: " and the message box that
  // refused the pair; or "error: " and the error that stopped the command
  // (the directory shown as DIR).
  std::string outcome;
  // The progress maximum, when the row checks it ("max 6" for kTable).
  std::string maximum = "";
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
  *os << c.name;
}

// The table of two variables a and b, three samples each, that most shapes
// below must give.
const std::string kTable =
    "Iteration\ta\tb\t\r\n"
    "1\t0.1\t1.1\t\r\n"
    "2\t0.2\t1.2\t\r\n"
    "3\t0.3\t1.3\t\r\n";
const std::string kIndexCrLf = "a 1 3\r\nb 4 6\r\n";
const std::string kDataCrLf = "1 0.1\r\n2 0.2\r\n3 0.3\r\n1 1.1\r\n2 1.2\r\n3 1.3\r\n";
const std::string kIndexLf = "a 1 3\nb 4 6\n";
const std::string kDataLf = "1 0.1\n2 0.2\n3 0.3\n1 1.1\n2 1.2\n3 1.3\n";

// Variables of different lengths: a takes data lines 1 and 2, b lines 3 to 5.
const std::string kUnequalIndex = "a 1 2\r\nb 3 5\r\n";
const std::string kFiveLines = "1 0.1\r\n2 0.2\r\n1 1.1\r\n2 1.2\r\n3 1.3\r\n";
const std::string kUnequalTable =
    "Iteration\ta\tb\t\r\n"
    "1\t0.1\t1.1\t\r\n"
    "2\t0.2\t1.2\t\r\n"
    "3\t\t1.3\t\r\n";
// The same five lines laid out as before, two to a column, when the index
// gives only the first variable's count.
const std::string kTwoPerColumnTable =
    "Iteration\ta\tb\t\t\r\n"
    "1\t0.1\t1.1\t1.3\t\r\n"
    "2\t0.2\t1.2\t\t\r\n";

class ChainShapeTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ChainShapeTest, ConvertsAsAUserExpects) {
  const ShapeCase& c = GetParam();
  TempDir dir;
  dir.Write("run.ind", c.index);
  dir.Write("run.out", c.data);
  ConversionState state;
  RecordingUi ui;
  std::string outcome;
  try {
    RunRead(state, dir / "run", ui);
    std::string read_message = ui.messages().back();
    if (read_message.find("Done Reading") == std::string::npos) {
      outcome = "message: " + read_message;
    } else {
      RunWrite(state, dir / "run", ui);
      outcome = dir.Read("dromout.txt");
    }
  } catch (const QuilletError& error) {
    outcome = std::string("error: ") + error.what();
  }
  for (std::size_t at; (at = outcome.find(dir / "")) != std::string::npos;) {
    outcome.replace(at, (dir / "").size(), "DIR/");
  }
  EXPECT_EQ(outcome, c.outcome);
  // Two variables of three samples: the progress maximum counts them all.
  const std::string maximum = c.outcome == kTable ? "max 6" : c.maximum;
  if (!maximum.empty()) {
    ASSERT_GT(ui.calls().size(), 2u);
    EXPECT_EQ(ui.calls()[2], maximum);  // after remember, show
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ChainShapeTest,
    ::testing::Values(
        ShapeCase{"CrLfPair", kIndexCrLf, kDataCrLf, kTable},
        ShapeCase{"LfPair", kIndexLf, kDataLf, kTable},
        ShapeCase{"LfIndexOneVariable", "a 1 3\n", "1 0.1\n2 0.2\n3 0.3\n",
                  "Iteration\ta\t\r\n1\t0.1\t\r\n2\t0.2\t\r\n3\t0.3\t\r\n"},
        // The samples field ends at the LF, not at the next line's first blank.
        ShapeCase{"LfIndexNextNameBeginsWithDigit", "a 1 3\n2b 4 6\n", kDataLf,
                  "Iteration\ta\t2b\t\r\n1\t0.1\t1.1\t\r\n2\t0.2\t1.2\t\r\n3\t0.3\t1.3\t\r\n"},
        ShapeCase{"LfIndexNextNameLikeAnExponent", "a 1 3\ne2 4 6\n", kDataLf,
                  "Iteration\ta\te2\t\r\n1\t0.1\t1.1\t\r\n2\t0.2\t1.2\t\r\n3\t0.3\t1.3\t\r\n"},
        ShapeCase{"IndexWithoutAnyLineEnd", "a 1 3", "1 0.1\r\n2 0.2\r\n3 0.3\r\n",
                  "Iteration\ta\t\r\n1\t0.1\t\r\n2\t0.2\t\r\n3\t0.3\t\r\n"},
        ShapeCase{"IndexLastLineWithoutLineEnd", "a 1 3\r\nb 4 6", kDataCrLf, kTable},
        ShapeCase{"BlankLinesEndTheIndex", kIndexCrLf + "\r\n \t\r\n\n\r", kDataCrLf, kTable},
        ShapeCase{"BlankLinesEndTheData", kIndexLf, kDataLf + "\n  \r\n\t\n \r", kTable},
        ShapeCase{"LastValueOneByteWithoutLineEnd", kIndexCrLf,
                  "1 0.1\r\n2 0.2\r\n3 0.3\r\n1 1.1\r\n2 1.2\r\n3 5",
                  "Iteration\ta\tb\t\r\n1\t0.1\t1.1\t\r\n2\t0.2\t1.2\t\r\n3\t0.3\t5\t\r\n"},
        ShapeCase{"EmptyValues", kIndexCrLf, "1 0.1\r\n2 \r\n3 0.3\r\n1\t\t\n2 1.2\r\n3 ",
                  "Iteration\ta\tb\t\r\n1\t0.1\t\t\r\n2\t\t1.2\t\r\n3\t0.3\t\t\r\n"},
        // Kept as before: a lone CR belongs to the value, an empty line in the
        // middle runs into the next one, a blank or CR ending the first line
        // with nothing after it leaves no variable, a last line without a
        // blank reads past the end.
        ShapeCase{"LoneCrStartsAValue", "a 1 2\r\n", "1 \rx\r\n2 y\r\n",
                  "Iteration\ta\t\r\n1\t\rx\t\r\n2\ty\t\r\n"},
        ShapeCase{"EmptyLineInsideTheData", "a 1 2\r\n", "1 x\r\n\r\n3 y\r\n",
                  "Iteration\ta\t\r\n1\tx\t\r\n2\ty\t\r\n"},
        ShapeCase{"FirstLineEndsInBlank", "a 1 3 ", kDataCrLf,
                  "message: message 48 [] File DIR/run.ind is damaged."},
        ShapeCase{"FirstLineEndsInLoneCr", "a 1 3\r", kDataCrLf,
                  "message: message 48 [] File DIR/run.ind is damaged."},
        ShapeCase{"LastDataLineWithoutBlank", "a 1 3\r\n", "1 x\r\n2",
                  "error: Input past end of file: DIR/run.out ends inside line 2"},
        // A name ends at a blank, a line end or the end of the file: each
        // index line names its own column.
        ShapeCase{"IndexLineOfANameAlone", "a 1 3\r\nb\r\n", kDataCrLf, kTable},
        ShapeCase{"IndexLineOfANameAloneLf", "a 1 3\nb\n", kDataLf, kTable},
        ShapeCase{"IndexLastNameWithoutLineEnd", "a 1 3\r\nb", kDataCrLf, kTable},
        ShapeCase{"EmptyLineInsideTheIndex", "a 1 2\r\n\r\nc 5 6\r\n",
                  "1 0.1\r\n2 0.2\r\n1 1.1\r\n2 1.2\r\n1 2.1\r\n2 2.2\r\n",
                  "Iteration\ta\t\tc\t\r\n1\t0.1\t1.1\t2.1\t\r\n2\t0.2\t1.2\t2.2\t\r\n", "max 6"},
        // An index that ends before the third field of its first line.
        ShapeCase{"EmptyIndex", "", kDataCrLf,
                  "message: message 48 [] File DIR/run.ind is damaged."},
        ShapeCase{"IndexOfOneField", "mu", kDataCrLf,
                  "message: message 48 [] File DIR/run.ind is damaged."},
        ShapeCase{"IndexOfTwoFields", "a 1\r\n", kDataCrLf,
                  "message: message 48 [] File DIR/run.ind is damaged."},
        // Index ranges that tile the data file with different counts: each
        // variable in its own column, rows as many as the longest has.
        ShapeCase{"UnequalRanges", "a 1 2\r\nb 3 5\r\nc 6 6\r\n", kFiveLines + "1 2.1\r\n",
                  "Iteration\ta\tb\tc\t\r\n"
                  "1\t0.1\t1.1\t2.1\t\r\n"
                  "2\t0.2\t1.2\t\t\r\n"
                  "3\t\t1.3\t\t\r\n",
                  "max 6"},
        ShapeCase{"UnequalRangesLongerFirst", "a 1 3\r\nb 4 4\r\nc 5 6\r\n",
                  "1 0.1\r\n2 0.2\r\n3 0.3\r\n1 1.1\r\n1 2.1\r\n2 2.2\r\n",
                  "Iteration\ta\tb\tc\t\r\n"
                  "1\t0.1\t1.1\t2.1\t\r\n"
                  "2\t0.2\t\t2.2\t\r\n"
                  "3\t0.3\t\t\t\r\n",
                  "max 6"},
        ShapeCase{"UnequalRangesAfterTabsAndBlanksLf", "a\t1 \t 2\nb  3\t\t5 \n",
                  "1 0.1\n2 0.2\n1 1.1\n2 1.2\n3 1.3\n", kUnequalTable, "max 5"},
        ShapeCase{"UnequalRangesDataShorter", kUnequalIndex, "1 0.1\r\n2 0.2\r\n1 1.1\r\n",
                  "Iteration\ta\tb\t\r\n"
                  "1\t0.1\t1.1\t\r\n"
                  "2\t0.2\t\t\r\n"
                  "3\t\t\t\r\n",
                  "max 5"},
        // A variable none of whose lines exists has no column for its name.
        ShapeCase{"UnequalRangesVariableWithoutLines", kUnequalIndex + "c 6 6\r\n", kFiveLines,
                  "error: Subscript out of range: line 3 of DIR/run.ind names a variable that "
                  "DIR/run.out has no lines for"},
        ShapeCase{"UnequalRangesSurplusLines", kUnequalIndex, kFiveLines + "1 9.1\r\n2 9.2\r\n",
                  "Iteration\ta\tb\t\t\r\n"
                  "1\t0.1\t1.1\t9.1\t\r\n"
                  "2\t0.2\t1.2\t9.2\t\r\n"
                  "3\t\t1.3\t\t\r\n",
                  "max 5"},
        // Only the last variable shorter: the same table as the first line's
        // count alone gives.
        ShapeCase{"UnequalRangesLastShorter", "a 1 3\r\nb 4 5\r\n", kFiveLines,
                  "Iteration\ta\tb\t\r\n"
                  "1\t0.1\t1.2\t\r\n"
                  "2\t0.2\t1.3\t\r\n"
                  "3\t1.1\t\t\r\n",
                  "max 5"},
        // Ranges that do not tile the data file are not trusted: every
        // variable takes the first line's count, as before.
        ShapeCase{"RangesWithAGap", "a 1 2\r\nb 4 6\r\n", kFiveLines, kTwoPerColumnTable, "max 4"},
        ShapeCase{"RangesOverlap", "a 1 2\r\nb 2 4\r\n", kFiveLines, kTwoPerColumnTable},
        ShapeCase{"RangeWithADecimalPoint", "a 1 2\r\nb 3 5.0\r\n", kFiveLines, kTwoPerColumnTable},
        ShapeCase{"RangeWithAnExponent", "a 1 2\r\nb 3 5e0\r\n", kFiveLines, kTwoPerColumnTable},
        ShapeCase{"RangeWithFourFields", "a 1 2\r\nb 3 5 x\r\n", kFiveLines, kTwoPerColumnTable},
        ShapeCase{"RangeWithTwoFields", "a 1 2\r\nb 3\r\n", kFiveLines, kTwoPerColumnTable},
        ShapeCase{"RangesNotFromLineOne", "a 2 3\r\nb 4 6\r\n", kFiveLines,
                  "Iteration\ta\tb\t\r\n"
                  "1\t0.1\t1.2\t\r\n"
                  "2\t0.2\t1.3\t\r\n"
                  "3\t1.1\t\t\r\n",
                  "max 6"},
        ShapeCase{"RangeLineLedByABlank", "a 1 2\r\n b 3 5\r\n", kFiveLines,
                  "Iteration\ta\t\t\t\r\n"
                  "1\t0.1\t1.1\t1.3\t\r\n"
                  "2\t0.2\t1.2\t\t\r\n"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet
