// The Write command against an output that cannot be written: it must stop
// with a named error, leave an earlier dromout.txt as it was, and leave no
// partial or temporary file behind.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "child_process.h"
#include "core/write_command.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::OutcomeInChild;
using testing::OutcomeOf;
using testing::RecordingUi;
using testing::TempDir;

const std::string kEarlier = "Iteration\tearlier\t\r\n1\t42\t\r\n";

// A read table of one column: R rows, each cell `cell_bytes` long.
void FillState(ConversionState& state, int rows, std::size_t cell_bytes) {
  state.samplesPerVariable = rows;
  state.variableCount = 1;
  state.table.Create(rows);
  state.table.Set(0, 0, "alpha");
  const std::string cell(cell_bytes, 'v');
  for (int row = 1; row <= rows; ++row) state.table.Set(row, 0, cell);
}

std::string Write(const ConversionState& state, const std::string& stem) {
  RecordingUi ui;
  return OutcomeOf([&] { RunWrite(state, stem, ui); });
}

class OutputFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FillState(state, 3, 4);
    fs::create_directory(dir.path() / "out");
    dir.Write("out/dromout.txt", kEarlier);
  }

  // Everything under the temporary directory, with its mode and each file's
  // bytes.
  std::string Snapshot() const {
    std::string text;
    for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
      text += entry.path().string() + " " +
              std::to_string(static_cast<int>(entry.symlink_status().permissions()));
      if (entry.is_regular_file()) text += " = " + testing::ReadFileBytes(entry.path().string());
      text += "\n";
    }
    return text;
  }

  TempDir dir;
  ConversionState state;
};

TEST_F(OutputFaultTest, CannotCreateTheOutputFile) {
  dir.Write("plain", "a file, not a directory");
  const struct {
    const char* name;
    std::string stem;
    std::function<void()> prepare;
    const char* reason;
  } cases[] = {
      {"missing directory", dir / "missing/run", [] {}, "No such file or directory"},
      {"directory part is a file", dir / "plain/run", [] {}, "Not a directory"},
      {"read-only dromout.txt", dir / "out/run",
       [&] { fs::permissions(dir.path() / "out/dromout.txt", fs::perms::owner_read); },
       "Permission denied"},
      {"dromout.txt is a directory", dir / "out/run",
       [&] {
         fs::remove(dir.path() / "out/dromout.txt");
         fs::create_directory(dir.path() / "out/dromout.txt");
         dir.Write("out/dromout.txt/inside", kEarlier);
       },
       "Is a directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.prepare();
    const std::string before = Snapshot();
    const std::string outcome = Write(state, c.stem);
    EXPECT_EQ(outcome.rfind("FileError: Cannot create file \"" + OutputPathFor(c.stem) + "\"", 0),
              0u)
        << outcome;
    EXPECT_NE(outcome.find(c.reason), std::string::npos) << outcome;
    EXPECT_EQ(Snapshot(), before);
  }
}

// An output directory without write permission. Root may write anywhere, so
// the Write runs in a child that has given up root.
TEST_F(OutputFaultTest, DirectoryThatCannotBeWritten) {
  fs::permissions(dir.path(), fs::perms::all, fs::perm_options::add);
  fs::create_directory(dir.path() / "empty");
  // The earlier file itself could be written by anyone: only the directory
  // stands in the way of a replacement.
  fs::permissions(dir.path() / "out/dromout.txt", fs::perms::all & ~fs::perms::owner_exec &
                                                      ~fs::perms::group_exec &
                                                      ~fs::perms::others_exec);
  for (const char* sub : {"out", "empty"}) {
    SCOPED_TRACE(sub);
    fs::permissions(dir.path() / sub, fs::perms::owner_read | fs::perms::owner_exec |
                                          fs::perms::group_read | fs::perms::group_exec |
                                          fs::perms::others_read | fs::perms::others_exec);
    const std::string before = Snapshot();
    const std::string stem = dir / (std::string(sub) + "/run");
    const std::string written = OutcomeInChild(
        [&] {
          RecordingUi ui;
          RunWrite(state, stem, ui);
        },
        /*unprivileged=*/true);
    EXPECT_EQ(written.rfind("FileError: Cannot create file", 0), 0u) << written;
    EXPECT_NE(written.find("Permission denied"), std::string::npos) << written;
    EXPECT_EQ(Snapshot(), before);
  }
}

// Everything is written, but the finished file cannot be put in place: the
// target turned into a directory holding a file while the rows went out.
TEST_F(OutputFaultTest, FinishedFileThatCannotTakeItsPlace) {
  struct SwappingUi : RecordingUi {
    std::function<void()> on_last_row;
    float last_row = 0;
    void SetProgressValue(float value) override {
      RecordingUi::SetProgressValue(value);
      if (value == last_row) on_last_row();
    }
  } ui;
  ui.last_row = 3;
  ui.on_last_row = [&] {
    fs::remove(dir.path() / "out/dromout.txt");
    fs::create_directory(dir.path() / "out/dromout.txt");
    dir.Write("out/dromout.txt/inside", kEarlier);
  };
  const std::string outcome = OutcomeOf([&] { RunWrite(state, dir / "out/run", ui); });
  EXPECT_EQ(outcome.rfind("FileError: Cannot write file \"" + dir / "out/dromout.txt" + "\"", 0),
            0u)
      << outcome;
  EXPECT_EQ(dir.Read("out/dromout.txt/inside"), kEarlier);
  std::string names;
  for (const auto& entry : fs::directory_iterator(dir.path() / "out")) {
    names += entry.path().filename().string() + "\n";
  }
  EXPECT_EQ(names, "dromout.txt\n");  // no temporary file beside it
}

struct FullDiskCase {
  const char* name;
  int rows;
  std::size_t cell_bytes;
  rlim_t file_size_limit;  // 0: none
};

void PrintTo(const FullDiskCase& c, std::ostream* out) {
  *out << c.name;
}

class FullDiskTest : public OutputFaultTest, public ::testing::WithParamInterface<FullDiskCase> {};

// A file-size limit makes writes fail with EFBIG as a full disk would: in the
// middle of the table, or when the last buffered bytes go out at Close.
TEST_P(FullDiskTest, FailingWriteKeepsTheEarlierFile) {
  const FullDiskCase& c = GetParam();
  FillState(state, c.rows, c.cell_bytes);
  const std::string before = Snapshot();
  const std::string outcome = OutcomeInChild([&] {
    if (c.file_size_limit != 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = c.file_size_limit;
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit");
    }
    RecordingUi ui;
    RunWrite(state, dir / "out/run", ui);
  });
  if (c.file_size_limit == 0) {
    // The same Write without the fault replaces the file.
    EXPECT_EQ(outcome, "done");
    std::string expected = "Iteration\talpha\t\r\n";
    for (int row = 1; row <= c.rows; ++row) {
      expected += std::to_string(row) + "\t" + std::string(c.cell_bytes, 'v') + "\t\r\n";
    }
    EXPECT_EQ(dir.Read("out/dromout.txt"), expected);
    return;
  }
  EXPECT_EQ(outcome.rfind("FileError: Cannot write file \"" + dir / "out/dromout.txt" + "\"", 0),
            0u)
      << outcome;
  EXPECT_NE(outcome.find("File too large"), std::string::npos) << outcome;
  EXPECT_EQ(Snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(Faults, FullDiskTest,
                         ::testing::Values(FullDiskCase{"MidTable", 30000, 100, 256 * 1024},
                                           FullDiskCase{"AtClose", 2000, 100, 64 * 1024},
                                           FullDiskCase{"FirstByte", 2000, 100, 1},
                                           FullDiskCase{"NoLimitWrites", 30000, 100, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet
