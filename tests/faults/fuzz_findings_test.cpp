// What the fuzzers found, kept as ordinary tests. The inputs themselves are
// also in fuzz/corpus/*/finding-*, which the corpus replay runs.
#include <string>

#include <gtest/gtest.h>

#include "core/write_command.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::RecordingUi;
using testing::TempDir;

// A cell that nothing filled is an empty view without any bytes behind it.
// Writing it once handed a null pointer to memcpy, which the undefined-
// behaviour sanitizer reports (the sanitizer build of these tests catches a
// return of it).
TEST(FuzzFindingTest, UnfilledCellsWriteAsNothing) {
  TempDir dir;
  ConversionState state;
  state.samplesPerVariable = 2;
  state.variableCount = 1;
  state.table.Create(2);
  state.table.AddColumn();
  state.table.Set(1, 1, "x");
  RecordingUi ui;
  RunWrite(state, dir / "run", ui);
  EXPECT_EQ(dir.Read("dromout.txt"), "Iteration\t\t\t\r\n1\t\tx\t\r\n2\t\t\t\r\n");
}

}  // namespace
}  // namespace quillet
