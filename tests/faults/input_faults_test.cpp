// The Read command against chain files that change under it or hold hostile
// bytes: a failure is a named error, and any bytes come through unchanged.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "child_process.h"
#include "core/read_command.h"
#include "core/write_command.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::OutcomeOf;
using testing::RecordingUi;
using testing::TempDir;

const std::string kIndex = "alpha 1 2\r\nbeta 3 4\r\n";
const std::string kData = "1 0.5\r\n2 0.6\r\n1 1.5\r\n2 1.6\r\n";

// Runs a step of the test at a given moment of the command.
class HookUi : public RecordingUi {
 public:
  std::function<void()> on_progress_shown = [] {};
  std::function<void()> on_done_reading = [] {};

  void ShowProgress() override {
    RecordingUi::ShowProgress();
    on_progress_shown();
  }
  MessageAnswer ShowMessage(const std::string& text, MessageStyle style,
                            const std::optional<std::string>& title) override {
    if (text == "Done Reading") on_done_reading();
    return RecordingUi::ShowMessage(text, style, title);
  }
};

struct Swap {
  const char* name;
  std::function<void(const fs::path&)> apply;
  const char* error;  // the start of the expected outcome, before the path
  const char* reason;
};

const Swap kSwaps[] = {
    {"removed", [](const fs::path& file) { fs::remove(file); },
     "FileError: Cannot open file for reading", "No such file or directory"},
    {"replaced by a directory",
     [](const fs::path& file) {
       fs::remove(file);
       fs::create_directory(file);
     },
     "FileError: Cannot read file", "Is a directory"},
    {"replaced by a dangling link",
     [](const fs::path& file) {
       fs::remove(file);
       fs::create_symlink(file.parent_path() / "nowhere", file);
     },
     "FileError: Cannot open file for reading", "No such file or directory"},
    // Opens, but no byte of it can be read, whoever asks.
    {"replaced by an unreadable file",
     [](const fs::path& file) {
       fs::remove(file);
       fs::create_symlink("/proc/self/mem", file);
     },
     "FileError: Cannot read file", "Input/output error"},
};

// The files were there at the existence check; by the time a pass opens one,
// it has gone or cannot be read. Root reads through permission bits, so the
// file is swapped for something that nobody can read as a file. The index is
// read once, before the data: swapped after "Done Reading", its names still
// come from what was read.
TEST(ChainFileSwapTest, FileChangedBetweenCheckAndOpen) {
  for (const Swap& swap : kSwaps) {
    for (const bool data_file : {true, false}) {
      SCOPED_TRACE(std::string(swap.name) + (data_file ? ", data file" : ", index file"));
      TempDir dir;
      dir.Write("run.ind", kIndex);
      dir.Write("run.out", kData);
      const fs::path file = dir.path() / (data_file ? "run.out" : "run.ind");
      HookUi ui;
      // The data pass opens its file right after the progress bar appears;
      // the names pass opens the index after "Done Reading".
      (data_file ? ui.on_progress_shown : ui.on_done_reading) = [&] { swap.apply(file); };
      ConversionState state;
      const std::string outcome = OutcomeOf([&] { RunRead(state, dir / "run", ui); });
      const bool reached_done = !ui.messages().empty();
      EXPECT_EQ(reached_done, !data_file);
      if (!data_file) {
        EXPECT_EQ(outcome, "done");
        EXPECT_EQ(std::string(state.table.Get(0, 1)), "beta");
        continue;
      }
      EXPECT_EQ(outcome, std::string(swap.error) + " \"" + file.string() + "\": " + swap.reason);
    }
  }
}

TEST(ChainFileSwapTest, ChainFileThatIsADirectoryIsNotFound) {
  for (const char* extension : {".out", ".ind"}) {
    SCOPED_TRACE(extension);
    TempDir dir(/*make_current=*/true);
    dir.Write("run.ind", kIndex);
    dir.Write("run.out", kData);
    fs::remove(dir.path() / (std::string("run") + extension));
    fs::create_directory(dir.path() / (std::string("run") + extension));
    RecordingUi ui;
    ConversionState state;
    EXPECT_EQ(OutcomeOf([&] { RunRead(state, dir / "run", ui); }), "done");
    const std::string stem = dir / "run";
    const std::vector<std::string> expected = {"message 48 [] Check path name.\r\n" + stem +
                                               ".out or " + stem + ".ind not found."};
    EXPECT_EQ(ui.calls(), expected);
    EXPECT_FALSE(dir.Exists("qltini.ini"));  // nothing read, nothing remembered
    EXPECT_FALSE(state.table.created());
  }
}

// Bytes of every value but LF, in order, `size` of them; starting at `first`.
std::string AllBytes(std::size_t size, unsigned first = 0, const std::string& without = "\n") {
  std::string bytes;
  bytes.reserve(size);
  for (unsigned i = first; bytes.size() < size; ++i) {
    const char c = static_cast<char>(i % 256);
    if (without.find(c) == std::string::npos) bytes.push_back(c);
  }
  return bytes;
}

struct HostileCase {
  const char* name;
  std::string index;
  std::string data;
  std::string output;  // dromout.txt, byte for byte
};

// Long lines, NUL bytes and bytes above 127 pass through the Read and the
// Write unchanged, in names and values alike.
TEST(HostileBytesTest, PassThroughReadAndWrite) {
  constexpr std::size_t kMiB = 1 << 20;
  // A name holds anything but its ends (space, tab, CR, LF); a value anything
  // but LF, and no CR at its end (one there belongs to the line end).
  const std::string name = AllBytes(3 * kMiB + 7, 0, std::string("\n\r \t", 4));
  const std::string value = "v" + AllBytes(5 * kMiB) + "v";
  const std::string short_name("\xe4\x00\xff\x80x", 5);
  std::string blanks(4 * kMiB, ' ');
  for (std::size_t i = 0; i < blanks.size(); i += 3) blanks[i] = '\t';
  const std::string short_value = std::string("\x00\x01\xfe\r\x7f", 5);
  const HostileCase cases[] = {
      {"several megabytes of name and value", name + " 1 2\r\n",
       "1 " + value + "\r\n2 " + short_value + "\r\n",
       "Iteration\t" + name + "\t\r\n1\t" + value + "\t\r\n2\t" + short_value + "\t\r\n"},
      {"NUL and high bytes, LF line ends", short_name + "\t1\t1\nb\xe9ta 2 2\n",
       "1 " + short_value + "\n1 \xc3\xa9\n",
       // LF line ends: two variables of one sample each.
       "Iteration\t" + short_name + "\tb\xe9ta\t\r\n1\t" + short_value + "\t\xc3\xa9\t\r\n"},
      {"several megabytes of iteration number", "a 1 1\r\n",
       std::string(4 * kMiB, '7') + " " + short_value + "\r\n",
       "Iteration\ta\t\r\n1\t" + short_value + "\t\r\n"},
      {"several megabytes of blanks", "a 1 1\r\n", "1" + blanks + "\xff\r\n",
       "Iteration\ta\t\r\n1\t\xff\t\r\n"},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("run.ind", c.index);
    dir.Write("run.out", c.data);
    ConversionState state;
    RecordingUi ui;
    ASSERT_EQ(OutcomeOf([&] { RunRead(state, dir / "run", ui); }), "done");
    ASSERT_EQ(OutcomeOf([&] { RunWrite(state, dir / "run", ui); }), "done");
    const std::string written = dir.Read("dromout.txt");
    EXPECT_EQ(written.size(), c.output.size());
    EXPECT_TRUE(written == c.output)
        << "first difference at byte "
        << std::mismatch(written.begin(), written.end(), c.output.begin(), c.output.end()).first -
               written.begin();
  }
}

}  // namespace
}  // namespace quillet
