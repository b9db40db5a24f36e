// Runs the real quillet-convert executable on chain pairs made in temporary
// directories and checks what a script sees: exit status, standard output,
// standard error, and the files left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/conversion_state.h"
#include "core/read_command.h"
#include "core/write_command.h"
#include "files/platform.h"
#include "support/process.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"

#ifdef QUILLET_HAVE_CHAIN_GENERATOR
#include "bench/chain_generator.h"
#endif

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::TempDir;

const std::string kIndex = "alpha 1 3\r\nbeta 4 6\r\n";
const std::string kData =
    "1001  0.51\r\n1002  0.47\r\n1003  0.55\r\n1001  1.2\r\n1002  1.3\r\n1003  1.1\r\n";
// The table of that pair, byte for byte: 62 bytes.
const std::string kTable =
    "Iteration\talpha\tbeta\t\r\n1\t0.51\t1.2\t\r\n2\t0.47\t1.3\t\r\n3\t0.55\t1.1\t\r\n";

using Result = testing::ProcessResult;

struct RunOptions : testing::ProcessOptions {
  explicit RunOptions(std::string directory) { cwd = std::move(directory); }
};

// Runs quillet-convert with `args`, standard input empty.
Result Convert(const std::vector<std::string>& args, const RunOptions& options) {
  return testing::RunProcess(QUILLET_CONVERT_PATH, args, options);
}

class ConvertProcessTest : public ::testing::Test {
 protected:
  TempDir dir;

  Result Run(const std::vector<std::string>& args, const std::string& cwd_name = "") {
    return Convert(args, RunOptions(cwd_name.empty() ? PathText(dir.path()) : dir / cwd_name));
  }
  void WritePair(const std::string& stem, const std::string& index, const std::string& data) {
    dir.Write(stem + ".ind", index);
    dir.Write(stem + ".out", data);
  }
};

std::string RecursiveListing(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    names.push_back(fs::relative(entry.path(), root).generic_string());
  }
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const auto& name : names) listing += name + " ";
  return listing;
}

// Where the table goes and what is reported. Without -o it lands in the
// stem's directory, as the window puts it; never a settings file, never a
// leftover temporary file. Standard error is no terminal: no progress line.
struct SuccessCase {
  const char* name;
  const char* cwd;  // inside the test directory
  std::vector<std::string> args;
  const char* table_file;  // nullptr: standard output
  const char* err;
};
void PrintTo(const SuccessCase& c, std::ostream* os) {
  *os << c.name;
}

class SuccessTest : public ConvertProcessTest, public ::testing::WithParamInterface<SuccessCase> {};

TEST_P(SuccessTest, WritesTheTableWhereAsked) {
  const SuccessCase& c = GetParam();
  fs::create_directories(dir.path() / "work");
  fs::create_directories(dir.path() / "runs");
  WritePair("runs/chain", kIndex, kData);
  const std::string settings = "[Path for QLT]\r\nsomewhere/else\r\n";
  dir.Write("work/qltini.ini", settings);
  dir.Write("work/table.txt", "an earlier table");
  const std::string before = RecursiveListing(dir.path());

  const Result result = Run(c.args, c.cwd);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, testing::TextLines(c.err));
  EXPECT_EQ(result.out, c.table_file == nullptr ? kTable : "");
  const std::string table_file = c.table_file == nullptr ? "" : c.table_file;
  if (!table_file.empty()) {
    EXPECT_EQ(dir.Read(table_file), kTable);
  }
  if (table_file != "work/table.txt") {
    EXPECT_EQ(dir.Read("work/table.txt"), "an earlier table");
  }
  const bool new_file = !table_file.empty() && before.find(table_file) == std::string::npos;
  EXPECT_EQ(RecursiveListing(dir.path()),
            new_file ? "runs runs/chain.ind runs/chain.out runs/dromout.txt work "
                       "work/qltini.ini work/table.txt "
                     : before);
  EXPECT_EQ(dir.Read("work/qltini.ini"), settings);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SuccessTest,
    ::testing::Values(
        SuccessCase{"RelativeStem", "work", {"../runs/chain"}, "runs/dromout.txt", ""},
        SuccessCase{"StemWithoutDirectory", "runs", {"chain"}, "runs/dromout.txt", ""},
        SuccessCase{"Quiet", "work", {"-q", "../runs/chain"}, "runs/dromout.txt", ""},
        SuccessCase{"Verbose",
                    "work",
                    {"-v", "../runs/chain"},
                    "runs/dromout.txt",
                    "quillet-convert: Done Reading\nquillet-convert: Done writing file\n"},
        SuccessCase{"OutputFileReplaced",
                    "work",
                    {"-o", "table.txt", "../runs/chain"},
                    "work/table.txt",
                    ""},
        SuccessCase{"StandardOutput", "work", {"-o", "-", "../runs/chain"}, nullptr, ""}),
    [](const auto& info) { return info.param.name; });

// Refusals: exit 1, the message on standard error, and nothing written, not
// to an existing output file and not to standard output.
struct RefusalCase {
  const char* name;
  const char* index;    // nullptr: no index file
  const char* data;     // nullptr: no data file
  const char* message;  // after "quillet-convert: "; STEM stands for the stem
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class RefusalTest : public ConvertProcessTest, public ::testing::WithParamInterface<RefusalCase> {
 protected:
  std::string Expected() const {
    std::string message = GetParam().message;
    for (auto at = message.find("STEM"); at != std::string::npos; at = message.find("STEM")) {
      message.replace(at, 4, "runs/chain");
    }
    return testing::TextLines("quillet-convert: " + message + "\n");
  }
  void Prepare() {
    fs::create_directories(dir.path() / "runs");
    if (GetParam().index != nullptr) dir.Write("runs/chain.ind", GetParam().index);
    if (GetParam().data != nullptr) dir.Write("runs/chain.out", GetParam().data);
    dir.Write("table.txt", "an earlier table");
  }
};

TEST_P(RefusalTest, ExitsWithOneAndWritesNothing) {
  Prepare();
  const std::string before = RecursiveListing(dir.path());
  for (const char* target : {"table.txt", "-"}) {
    SCOPED_TRACE(target);
    const Result result = Run({"-o", target, "runs/chain"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, Expected());
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(dir.Read("table.txt"), "an earlier table");
  }
  const Result result = Run({"-v", "runs/chain"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(RecursiveListing(dir.path()), before);  // no dromout.txt, no settings file
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusalTest,
    ::testing::Values(RefusalCase{"NoIndexFile", nullptr, "1 0.5\r\n",
                                  "Check path name.\nSTEM.out or STEM.ind not found."},
                      RefusalCase{"NoDataFile", "a 1 1\r\n", nullptr,
                                  "Check path name.\nSTEM.out or STEM.ind not found."},
                      // The line ends right after the third field: no line to count.
                      RefusalCase{"DamagedIndex", "alpha 1 3\r", "1 0.5\r\n",
                                  "File STEM.ind is damaged."},
                      // Zero samples per variable: read, but nothing to write.
                      RefusalCase{"NoSamples", "alpha 1 0\r\n", "", "Data has not been read."}),
    [](const auto& info) { return info.param.name; });

// Unexpected errors: exit 2, the error named, and no partial output.
struct ErrorCase {
  const char* name;
  std::string index;
  std::string data;
  std::string error;
};
void PrintTo(const ErrorCase& c, std::ostream* os) {
  *os << c.name;
}

std::string Repeated(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line;
  return text;
}

class ErrorTest : public ConvertProcessTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(ErrorTest, ExitsWithTwoAndLeavesEarlierOutputAlone) {
  const ErrorCase& c = GetParam();
  WritePair("chain", c.index, c.data);
  dir.Write("table.txt", "an earlier table");
  dir.Write("dromout.txt", "an earlier dromout");
  const std::string expected_err = testing::TextLines("quillet-convert: error: " + c.error + "\n");

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"chain"}, {"-o", "table.txt", "chain"}, {"-o", "-", "chain"}}) {
    SCOPED_TRACE(args.front());
    const Result result = Run(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, expected_err);
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(dir.Read("table.txt"), "an earlier table");
  EXPECT_EQ(dir.Read("dromout.txt"), "an earlier dromout");
  EXPECT_EQ(dir.Listing(), "chain.ind\nchain.out\ndromout.txt\ntable.txt\n");
}

INSTANTIATE_TEST_SUITE_P(
    Errors, ErrorTest,
    ::testing::Values(
        // The last data line holds no blank: the field scan reads past the end.
        ErrorCase{"DataEndsInsideALine", "a 1 2\r\n", "1 0.5\r\n2",
                  "Input past end of file: chain.out ends inside line 2"},
        // Three names but only two variables' worth of lines.
        ErrorCase{"NameWithoutColumn", "a 1 1\r\nb 2 2\r\nc 3 3\r\n", "1 0.5\r\n1 0.7\r\n",
                  "Subscript out of range: line 3 of chain.ind names a variable that chain.out "
                  "has no lines for"},
        ErrorCase{"EmptyDataFile", "a 1 1\r\nb 2 2\r\n", "",
                  "Subscript out of range: chain.out holds no lines, none for the variables that "
                  "chain.ind names"},
        ErrorCase{"NegativeSampleCount", "a 1 -5\r\n", "1 0.5\r\n",
                  "Subscript out of range: line 1 of chain.ind says -5 samples per variable, and a "
                  "table cannot have fewer than none"},
        // More columns than the writer's signed 16-bit column counter allows:
        // the Read stops before it opens the first of them.
        ErrorCase{"TooManyColumns", "v 1 1\r\n", Repeated("1 0.5\r\n", 40000),
                  "Overflow: the table would have more than 32,767 columns (the index says 1 "
                  "sample per variable; the data file has 40,000 lines)"}),
    [](const auto& info) { return info.param.name; });

TEST_F(ConvertProcessTest, OutputThatCannotBeCreatedIsAnError) {
  WritePair("chain", kIndex, kData);
  const Result result = Run({"-o", "missing/table.txt", "chain"});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.err, testing::TextLines("quillet-convert: error: Cannot create file "
                                           "\"missing/table.txt\": No such file or directory\n"));
  EXPECT_EQ(dir.Listing(), "chain.ind\nchain.out\n");
}

// A device takes the table as it goes out: it is written, not replaced by a
// file of its name.
TEST_F(ConvertProcessTest, WritesIntoTheNullDevice) {
  WritePair("chain", kIndex, kData);
  const Result result = Run({"-o", testing::NullDevice(), "chain"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(dir.Listing(), "chain.ind\nchain.out\n");
}

// Names that no single code page holds reach the converter as they are (on
// Windows through the wide-character command line), and so does the name of
// its output.
TEST_F(ConvertProcessTest, NamesBeyondOneCodePage) {
  const std::string stem = "\xd0\xb4\xd0\xb0\xe4\xb8\xad";
  WritePair(stem, kIndex, kData);
  const Result result = Run({"-o", stem + ".txt", stem});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(fs::exists(dir.path() / fs::path(u8"\u0434\u0430\u4e2d.txt")));
  EXPECT_EQ(dir.Read(stem + ".txt"), kTable);
}

TEST_F(ConvertProcessTest, UsageErrorsHelpAndVersion) {
  Result result = Run({"-x", "chain"});
  EXPECT_EQ(result.status, 64);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind(testing::TextLines("quillet-convert: unknown option '-x'\n"), 0), 0u)
      << result.err;
  EXPECT_EQ(Run({}).status, 64);
  EXPECT_EQ(Run({"a", "b"}).status, 64);

  result = Run({"--help"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out.rfind(testing::TextLines("NAME\n"), 0), 0u);
  EXPECT_EQ(result.err, "");
  result = Run({"--version"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, testing::TextLines(std::string("quillet-convert ") +
                                           QUILLET_TEST_PROJECT_VERSION + "\n"));
  EXPECT_EQ(dir.Listing(), "");
}

// The converter and the window run the same commands: for a pair full of
// awkward bytes the converter's file equals what Read and Write write in
// process, as the window calls them.
TEST_F(ConvertProcessTest, SameBytesAsTheWindowsCommands) {
  const std::string index =
      "\xE9t\xE9 1 4\r\n"  // a name in a single-byte code page
      "b\tx 5 8 more\r\n"  // a name ended by a tab
      "c 9 12\r\n";        // more data than declared: an extra column
  const std::string data =
      "1001  0.5 \r\n"  // trailing blank kept
      "1002\t-1.43658e+06\r\n"
      "1003 1 2 3\r\n"                         // further fields kept
      "1004   x\ry\r\n"                        // a lone CR inside a value
      "1 a\r\n2 \xFF\xFE\r\n3 \x01z\r\n4 q\n"  // LF alone ends a line too
      "1 c1\r\n2 c2\r\n3 c3\r\n4 c4\r\n"
      "1 overflow\r\n";
  fs::create_directories(dir.path() / "window");
  fs::create_directories(dir.path() / "cli");
  for (const char* folder : {"window", "cli"}) {
    dir.Write(std::string(folder) + "/chain.ind", index);
    dir.Write(std::string(folder) + "/chain.out", data);
  }
  {
    TempDir settings_home(/*make_current=*/true);  // the window's settings file goes here
    ConversionState state;
    testing::RecordingUi ui;
    RunRead(state, dir / "window/chain", ui);
    RunWrite(state, dir / "window/chain", ui);
    ASSERT_EQ(ui.messages().back(), "message 0 [Quillet] Done writing file");
  }
  const Result result = Run({"cli/chain"});
  EXPECT_EQ(result.status, 0) << result.err;
  const std::string expected = dir.Read("window/dromout.txt");
  EXPECT_EQ(dir.Read("cli/dromout.txt"), expected);
  EXPECT_NE(expected.find("\t\xE9t\xE9\tb\tc\t\t\r\n"), std::string::npos);
}

std::vector<std::string> TabFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == '\t') {
      fields.emplace_back();
    } else {
      fields.back().push_back(c);
    }
  }
  return fields;
}

// The summary of the reference runs in both forms, on standard output and in a
// file: a header, then per variable the values that the R package posterior
// gives (tests/stats/data/expected.tsv) in numbers that read back exactly.
struct SummaryCase {
  const char* name;
  const char* run;
  std::vector<std::string> args;  // after --summary; files in the reference folder
  const char* file;               // the -o FILE in the test directory; nullptr: standard output
};
void PrintTo(const SummaryCase& c, std::ostream* os) {
  *os << c.name;
}

class SummaryTest : public ConvertProcessTest, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(SummaryTest, AgreesWithTheReference) {
  const SummaryCase& c = GetParam();
  const fs::path data = QUILLET_STATS_DATA_DIR;
  std::vector<std::string> args = {"--summary"};
  for (const std::string& arg : c.args) {
    args.push_back(arg.starts_with("-") ? arg : PathText(data / arg));
  }
  if (c.file) args.insert(args.end(), {"-o", c.file});
  const Result result = Run(args);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  std::istringstream text(c.file ? dir.Read(c.file) : result.out);
  std::ifstream expected(data / "expected.tsv");
  std::string line, want;
  std::getline(expected, want);
  ASSERT_TRUE(std::getline(text, line));
  EXPECT_EQ(line,
            "variable\tchains\tdraws\tmean\tsd\tmcse_mean\tq2.5\tq25\tq50\tq75\tq97.5\t"
            "hdi95_lower\thdi95_upper\trhat\tess_bulk\tess_tail\tnote");
  int lines = 0;
  while (std::getline(expected, want)) {
    std::vector<std::string> reference = TabFields(want);
    if (reference[0] != c.run) continue;
    ASSERT_TRUE(std::getline(text, line)) << "missing " << want;
    const std::vector<std::string> fields = TabFields(line);
    ASSERT_EQ(fields.size(), reference.size()) << line;  // less the run, plus the note
    for (std::size_t i = 0; i + 1 < fields.size(); ++i) {
      const std::string& field = fields[i];
      const std::string& reference_field = reference[i + 1];
      if (i < 3 || reference_field.empty() || field.empty()) {
        EXPECT_EQ(field, reference_field) << line;
        continue;
      }
      double value = 0.0;
      const auto parsed = std::from_chars(field.data(), field.data() + field.size(), value);
      EXPECT_EQ(parsed.ptr, field.data() + field.size()) << field;
      EXPECT_NEAR(value, std::stod(reference_field), 1e-8 * std::fabs(value)) << line;
      // The shortest form: with one significant digit less it reads back otherwise.
      const std::string mantissa = field.substr(0, field.find('e'));
      const std::size_t first = mantissa.find_first_of("123456789");
      const auto digits = first == std::string::npos
                              ? 0
                              : std::count_if(mantissa.begin() + static_cast<long>(first),
                                              mantissa.end(), ::isdigit);
      if (digits > 1) {
        char shorter[32];
        const auto written =
            std::to_chars(shorter, shorter + sizeof shorter, value, std::chars_format::general,
                          static_cast<int>(digits - 1));
        double other = 0.0;
        std::from_chars(shorter, written.ptr, other);
        EXPECT_NE(other, value) << field;
      }
    }
    EXPECT_EQ(fields.back().empty(), line.find("\t\t") == std::string::npos) << line;
    ++lines;
  }
  EXPECT_GT(lines, 0);
  EXPECT_FALSE(std::getline(text, line)) << line;
}

INSTANTIATE_TEST_SUITE_P(Summary, SummaryTest,
                         ::testing::Values(SummaryCase{"IndexFormOnStandardOutput",
                                                       "four",
                                                       {"--index", "four.ind", "four1.out",
                                                        "four2.out", "four3.out", "four4.out"},
                                                       nullptr},
                                           SummaryCase{
                                               "IndexFormChainsOfDifferentLengthsToFile",
                                               "uneven",
                                               {"-q", "--index", "uneven.ind", "uneven1.out",
                                                "uneven2.out", "uneven3.out"},
                                               "summary.tsv"},
                                           SummaryCase{"StemForm", "one", {"one"}, nullptr}),
                         [](const auto& info) { return info.param.name; });

#ifdef QUILLET_HAVE_CHAIN_GENERATOR
// A realistic generated pair: every cell of the table is the generated value
// of its variable and sample.
TEST_F(ConvertProcessTest, GeneratedPairConvertsCellByCell) {
  const bench::ChainSpec spec{.variables = 23, .samples = 301, .seed = 7};
  ASSERT_TRUE(bench::WriteChainPair(spec, dir / "gen"));
  std::string expected = "Iteration\t";
  for (std::int64_t v = 0; v < spec.variables; ++v) expected += bench::VariableName(spec, v) + "\t";
  expected += "\r\n";
  for (std::int64_t s = 0; s < spec.samples; ++s) {
    expected += std::to_string(s + 1) + "\t";
    for (std::int64_t v = 0; v < spec.variables; ++v) {
      expected += bench::SampleValue(spec, v, s) + "\t";
    }
    expected += "\r\n";
  }
  const Result result = Run({"-q", "-o", "-", "gen"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, expected);
}
#endif

#ifdef _WIN32
// Ended while it writes, by Ctrl-C in its console or from outside,
// the converter leaves the earlier table and nothing else: its new file,
// hidden while it is written, goes with the process.
TEST_F(ConvertProcessTest, EndedWhileWritingLeavesNothing) {
  WritePair("chain", "a 1 4000000\r\nb 4000001 8000000\r\n", Repeated("1 0.5\r\n", 8000000));
  for (const bool ctrl_break : {true, false}) {
    SCOPED_TRACE(ctrl_break ? "Ctrl-C" : "ended from outside");
    dir.Write("table.txt", "an earlier table");
    std::wstring command =
        L"\"" + NativePath(QUILLET_CONVERT_PATH).native() + L"\" -q -o table.txt chain";
    const std::wstring cwd = dir.path().native();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // A console of its own, as a user's window would be.
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                               nullptr, cwd.c_str(), &startup, &process))
        << GetLastError();
    // The new file appears once the table is read; it is hidden.
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    for (int waited = 0; attributes == INVALID_FILE_ATTRIBUTES && waited < 120000; ++waited) {
      for (const auto& entry : fs::directory_iterator(dir.path())) {
        if (entry.path().filename().string().starts_with(".table.txt.")) {
          attributes = GetFileAttributesW(entry.path().c_str());
        }
      }
      if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << "no new file seen while it was written";
    EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
    if (ctrl_break) {
      // Ctrl-C in the converter's console, as a user would press it: this
      // process joins that console for the moment, ignoring the event itself.
      FreeConsole();
      EXPECT_TRUE(AttachConsole(process.dwProcessId)) << GetLastError();
      SetConsoleCtrlHandler(nullptr, TRUE);
      EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << GetLastError();
      FreeConsole();
    } else {
      EXPECT_TRUE(TerminateProcess(process.hProcess, 3));
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    // Ctrl-C's status is the system's (Wine's own handler gives 0); the
    // table left as it was shows that the process ended before its end.
    if (!ctrl_break) {
      EXPECT_EQ(status, 3u);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_TRUE(dir.Read("table.txt") == "an earlier table");  // not the 90 MB table
    EXPECT_EQ(dir.Listing(), "chain.ind\nchain.out\ntable.txt\n");
  }
}
#endif

}  // namespace
}  // namespace quillet
