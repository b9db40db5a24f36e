#include "core/read_command.h"

#include <gtest/gtest.h>

#include "core/conversion_errors.h"
#include "support/process.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::RecordingUi;
using testing::TempDir;

const std::string kIndex = "alpha 1 3\r\nbeta 4 6\r\n";
const std::string kData = "1 0.51\r\n2 0.47\r\n3 0.55\r\n1 1.2\r\n2 1.3\r\n3 1.1\r\n";

class RunReadTest : public ::testing::Test {
 protected:
  TempDir dir{/*make_current=*/true};
  ConversionState state;
  RecordingUi ui;

  std::string Stem() const { return dir / "run"; }
  void WritePair(const std::string& index, const std::string& data) {
    dir.Write("run.ind", index);
    dir.Write("run.out", data);
  }
};

TEST_F(RunReadTest, ReadsPairAndReportsInOrder) {
  WritePair(kIndex, kData);
  EXPECT_EQ(RunRead(state, Stem(), ui), CommandOutcome::kDone);

  const std::vector<std::string> expected = {"remember " + Stem(),
                                             "show",
                                             "max 6",
                                             "value 1",
                                             "value 2",
                                             "value 3",
                                             "value 4",
                                             "value 5",
                                             "value 6",
                                             "hide",
                                             "message 0 [Quillet] Done Reading"};
  EXPECT_EQ(ui.calls(), expected);
  EXPECT_EQ(*state.samplesPerVariable, 3.0);
  EXPECT_EQ(*state.variableCount, 2);
  EXPECT_EQ(state.expectedLines, 6);
  EXPECT_EQ(state.linesRead, 6);
  EXPECT_EQ(state.table.LastColumn(), 1);
  EXPECT_EQ(state.table.Get(0, 0), "alpha");
  EXPECT_EQ(state.table.Get(0, 1), "beta");
  EXPECT_EQ(state.table.Get(1, 0), "0.51");
  EXPECT_EQ(state.table.Get(3, 1), "1.1");
  for (const char* file : {"run.out", "run.ind"}) {
    EXPECT_NE(testing::IsOpenInThisProcess(dir / file), true) << file;
  }
}

TEST_F(RunReadTest, NamesArriveOnlyAfterDoneReadingIsConfirmed) {
  WritePair(kIndex, kData);
  struct PeekingUi : RecordingUi {
    ConversionState* state = nullptr;
    std::string name_seen = "unset";
    MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                              const std::optional<std::string>& title) override {
      name_seen = std::string(state->table.Get(0, 0));
      // The data file is still open.
      EXPECT_NE(testing::IsOpenInThisProcess(state->dataPath), false);
      return RecordingUi::ShowMessage(text, style, title);
    }
  } peeking;
  peeking.state = &state;
  RunRead(state, Stem(), peeking);
  EXPECT_EQ(peeking.name_seen, "");
  EXPECT_EQ(state.table.Get(0, 0), "alpha");
}

struct MissingCase {
  const char* name;
  bool data;
  bool index;
};

void PrintTo(const MissingCase& c, std::ostream* os) {
  *os << c.name;
}

class MissingFileTest : public RunReadTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingFileTest, ReportsCheckPathNameAndKeepsEarlierRead) {
  WritePair(kIndex, kData);
  RunRead(state, Stem(), ui);

  TempDir other;
  if (GetParam().data) other.Write("x.out", kData);
  if (GetParam().index) other.Write("x.ind", kIndex);
  RecordingUi second;
  EXPECT_EQ(RunRead(state, other / "x", second), CommandOutcome::kRefused);

  const std::string out = other / "x.out";
  const std::string ind = other / "x.ind";
  ASSERT_EQ(second.calls().size(), 1u);  // nothing read, nothing remembered
  EXPECT_EQ(second.calls()[0],
            "message 48 [] Check path name.\r\n" + out + " or " + ind + " not found.");
  EXPECT_EQ(state.dataPath, out);
  EXPECT_EQ(state.indexPath, ind);
  EXPECT_EQ(*state.variableCount, 2);
  EXPECT_EQ(state.table.Get(0, 1), "beta");
}

INSTANTIATE_TEST_SUITE_P(Cases, MissingFileTest,
                         ::testing::Values(MissingCase{"NoIndex", true, false},
                                           MissingCase{"NoData", false, true},
                                           MissingCase{"Neither", false, false}),
                         [](const auto& info) { return info.param.name; });

TEST_F(RunReadTest, StemIsUsedAsTypedWithExtensionAndBlanks) {
  WritePair(kIndex, kData);
  RunRead(state, Stem() + ".out", ui);
  EXPECT_EQ(state.dataPath, Stem() + ".out.out");
  EXPECT_EQ(state.indexPath, Stem() + ".out.ind");
  ASSERT_EQ(ui.messages().size(), 1u);

  dir.Write(" run .out", kData);
  dir.Write(" run .ind", kIndex);
  RecordingUi blanks;
  RunRead(state, dir / " run ", blanks);
  EXPECT_EQ(blanks.messages(), std::vector<std::string>{"message 0 [Quillet] Done Reading"});
}

TEST_F(RunReadTest, DirectoryNamedLikeDataFileIsNotAFile) {
  dir.Write("run.ind", kIndex);
  std::filesystem::create_directory(dir.path() / "run.out");
  RunRead(state, Stem(), ui);
  ASSERT_EQ(ui.messages().size(), 1u);
  EXPECT_NE(ui.messages()[0].find("Check path name."), std::string::npos);
}

TEST_F(RunReadTest, DamagedIndexKeepsEarlierTableButZeroesCount) {
  WritePair(kIndex, kData);
  RunRead(state, Stem(), ui);

  dir.Write("bad.ind", "alpha 1 3\r");  // nothing after the third field
  dir.Write("bad.out", kData);
  RecordingUi second;
  EXPECT_EQ(RunRead(state, dir / "bad", second), CommandOutcome::kRefused);
  EXPECT_EQ(second.calls(),
            (std::vector<std::string>{"remember " + (dir / "bad"),
                                      "message 48 [] File " + (dir / "bad.ind") + " is damaged."}));
  EXPECT_EQ(*state.variableCount, 0);
  EXPECT_EQ(*state.samplesPerVariable, 3.0);
  EXPECT_EQ(state.table.Get(0, 1), "beta");
}

TEST_F(RunReadTest, FractionalSampleCountRoundsRowsAndOpensColumnsEarly) {
  WritePair("a 1 2.5\r\nb 3 5\r\n", "1 x1\r\n2 x2\r\n3 y1\r\n4 y2\r\n");
  RunRead(state, Stem(), ui);
  EXPECT_EQ(state.table.last_row(), 2);
  EXPECT_EQ(state.expectedLines, 5);  // 2.5 * 2
  EXPECT_EQ(state.table.Get(2, 0), "x2");
  EXPECT_EQ(state.table.Get(1, 1), "y1");
  EXPECT_EQ(state.table.Get(2, 1), "y2");
  EXPECT_EQ(ui.calls()[2], "max 5");
}

TEST_F(RunReadTest, ExpectedLinesRoundHalfToEven) {
  WritePair("a 1 0.5\r\nb 1 1\r\nc 1 1\r\nd 1 1\r\ne 1 1\r\n", "1 x\r\n");
  // 0.5 * 5 = 2.5 rounds to 2; R rounds 0.5 to 0, so the first value has no row.
  EXPECT_THROW(RunRead(state, Stem(), ui), SubscriptOutOfRangeError);
  EXPECT_EQ(state.expectedLines, 2);
}

TEST_F(RunReadTest, MoreLinesThanExpectedOpenUnnamedColumns) {
  WritePair("a 1 2\r\n", "1 p\r\n2 q\r\n3 r\r\n");
  RunRead(state, Stem(), ui);
  EXPECT_EQ(state.table.LastColumn(), 1);
  EXPECT_EQ(state.table.Get(0, 1), "");
  EXPECT_EQ(state.table.Get(1, 1), "r");
  EXPECT_EQ(ui.values().back(), 3.0f);  // past the maximum of 2
}

TEST_F(RunReadTest, MissingVariableFailsAfterDoneReading) {
  WritePair(kIndex, "1 0.51\r\n2 0.47\r\n3 0.55\r\n");
  EXPECT_THROW(RunRead(state, Stem(), ui), SubscriptOutOfRangeError);
  EXPECT_EQ(ui.messages(), std::vector<std::string>{"message 0 [Quillet] Done Reading"});
}

TEST_F(RunReadTest, ZeroSampleCountStopsBeforeAnyValue) {
  WritePair("a 1 none\r\n", "1 x\r\n");
  try {
    RunRead(state, Stem(), ui);
    ADD_FAILURE() << "read a value without a row";
  } catch (const SubscriptOutOfRangeError& error) {
    EXPECT_EQ(error.what(),
              "Subscript out of range: the index says 0 samples per variable, which "
              "leaves line 1 of " +
                  Stem() + ".out no row");
  }
  EXPECT_EQ(*state.samplesPerVariable, 0.0);
}

TEST_F(RunReadTest, SampleCountBeyondInt32Overflows) {
  WritePair("a 1 3e9\r\n", "1 x\r\n");
  EXPECT_THROW(RunRead(state, Stem(), ui), OverflowError);
}

TEST_F(RunReadTest, PairNamedFreelyReadsTheSameAndRemembersNothing) {
  dir.Write("shared.ind", kIndex);
  dir.Write("chain2.txt", kData);
  RunReadPair(state, {dir / "shared.ind", dir / "chain2.txt"}, ui);
  EXPECT_EQ(ui.calls().front(), "show");
  EXPECT_EQ(ui.messages(), std::vector<std::string>{"message 0 [Quillet] Done Reading"});
  EXPECT_EQ(state.table.Get(0, 1), "beta");
  EXPECT_EQ(state.table.Get(3, 1), "1.1");

  RecordingUi missing;
  RunReadPair(state, {dir / "shared.ind", dir / "chain3.txt"}, missing);
  EXPECT_EQ(missing.calls(),
            std::vector<std::string>{"message 48 [] Check path name.\r\n" + (dir / "chain3.txt") +
                                     " or " + (dir / "shared.ind") + " not found."});
}

}  // namespace
}  // namespace quillet
