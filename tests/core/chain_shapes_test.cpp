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
  // refused the pair (the directory shown as DIR); or "error: " and the error
  // that stopped the command.
  std::string outcome;
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
      const std::string shown = dir / "";  // with the separator after it
      outcome = "message: " + read_message.replace(read_message.find(shown), shown.size(), "DIR/");
    } else {
      RunWrite(state, dir / "run", ui);
      outcome = dir.Read("dromout.txt");
    }
  } catch (const QuilletError& error) {
    outcome = std::string("error: ") + error.what();
  }
  EXPECT_EQ(outcome, c.outcome);
  // Two variables of three samples: the progress maximum counts them all.
  if (c.outcome == kTable) {
    EXPECT_EQ(ui.calls()[2], "max 6");  // after remember, show
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
                  "error: Input past end of file"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet
