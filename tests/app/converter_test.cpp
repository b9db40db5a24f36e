// In-process tests of the converter's option parsing and console interface.
#include "app/quillet-convert/console_ui.h"
#include "app/quillet-convert/options.h"
#include "app/quillet-convert/run.h"
#include "app/quillet-convert/summary_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace quillet::convert {
namespace {

using testing::TempDir;

struct ParseCase {
  const char* name;
  std::vector<std::string> args;
  std::string stem;
  std::optional<std::string> path;
  bool standard_output = false;
  Verbosity verbosity = Verbosity::kNormal;
  std::optional<std::string> index = std::nullopt;
  std::vector<std::string> data = {};
  bool summary = false;
};
void PrintTo(const ParseCase& c, std::ostream* os) {
  *os << c.name;
}

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, GivesStemTargetAndVerbosity) {
  const ParseCase& c = GetParam();
  const ParsedArguments parsed = ParseArguments(c.args);
  ASSERT_TRUE(parsed.options.has_value()) << parsed.error;
  EXPECT_EQ(parsed.options->stem, c.stem);
  const std::optional<WriteTarget>& output = parsed.options->output;
  EXPECT_EQ(output && !output->standardOutput ? std::optional(output->path) : std::nullopt, c.path);
  EXPECT_EQ(output && output->standardOutput, c.standard_output);
  EXPECT_EQ(parsed.options->verbosity, c.verbosity);
  EXPECT_EQ(parsed.options->index, c.index);
  EXPECT_EQ(parsed.options->data, c.data);
  EXPECT_EQ(parsed.options->summary, c.summary);
  EXPECT_FALSE(parsed.options->help);
  EXPECT_FALSE(parsed.options->version);
}

INSTANTIATE_TEST_SUITE_P(
    Options, ParseTest,
    ::testing::Values(ParseCase{"StemOnly", {"runs/chain"}, "runs/chain", std::nullopt},
                      ParseCase{"OutputAfterStem", {"s", "-o", "t.txt"}, "s", "t.txt"},
                      ParseCase{"OutputAttached", {"-ot.txt", "s"}, "s", "t.txt"},
                      ParseCase{"LongOutputWithEquals", {"--output=t.txt", "s"}, "s", "t.txt"},
                      ParseCase{"DashIsStandardOutput", {"-o", "-", "s"}, "s", std::nullopt, true},
                      ParseCase{"LastOfQuietAndVerbose",
                                {"-q", "-v", "s"},
                                "s",
                                std::nullopt,
                                false,
                                Verbosity::kVerbose},
                      ParseCase{"LastOfVerboseAndQuiet",
                                {"-v", "--quiet", "s"},
                                "s",
                                std::nullopt,
                                false,
                                Verbosity::kQuiet},
                      ParseCase{"StemAfterDoubleDash",
                                {"-q", "--", "-chain"},
                                "-chain",
                                std::nullopt,
                                false,
                                Verbosity::kQuiet},
                      ParseCase{"EmptyStem", {""}, "", std::nullopt},
                      ParseCase{"IndexAndSeveralData",
                                {"--index", "r.ind", "c1.out", "c 2"},
                                "",
                                std::nullopt,
                                false,
                                Verbosity::kNormal,
                                "r.ind",
                                {"c1.out", "c 2"}},
                      ParseCase{"IndexAfterDataAndOutput",
                                {"-o", "-", "--index=r.ind", "--", "-c1.out"},
                                "",
                                std::nullopt,
                                true,
                                Verbosity::kNormal,
                                "r.ind",
                                {"-c1.out"}},
                      ParseCase{"SummaryOfSeveralDataToOneFile",
                                {"--summary", "--index", "r.ind", "-o", "s.tsv", "c1", "c2"},
                                "",
                                "s.tsv",
                                false,
                                Verbosity::kNormal,
                                "r.ind",
                                {"c1", "c2"},
                                true},
                      ParseCase{"StemWithBlanksAndHighBytes",
                                {"my runs/\xE9t\xE9 1"},
                                "my runs/\xE9t\xE9 1",
                                std::nullopt}),
    [](const auto& info) { return info.param.name; });

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  const char* error;
};
void PrintTo(const UsageCase& c, std::ostream* os) {
  *os << c.name;
}

class UsageErrorTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrorTest, IsRefusedWithExitStatus64) {
  const UsageCase& c = GetParam();
  const ParsedArguments parsed = ParseArguments(c.args);
  EXPECT_FALSE(parsed.options.has_value());
  EXPECT_EQ(parsed.error, c.error);

  std::ostringstream out, err;
  EXPECT_EQ(RunConverter(c.args, out, err, false), kExitUsage);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(
      err.str(),
      std::string("quillet-convert: ") + c.error +
          "\nUsage: quillet-convert [-q | -v] [-o FILE] STEM\n"
          "       quillet-convert [-q | -v] --index INDEX [-o FILE] DATA...\n"
          "       quillet-convert [-q | -v] [--index INDEX] --xlsx [FILE.xlsx] STEM | DATA...\n"
          "Try 'quillet-convert --help' for more information.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Usage, UsageErrorTest,
    ::testing::Values(
        UsageCase{"NoArguments", {}, "missing STEM"},
        UsageCase{"TwoStems", {"a", "b"}, "unexpected argument 'b'"},
        UsageCase{"UnknownShort", {"-x", "s"}, "unknown option '-x'"},
        UsageCase{"NoClusteredFlags", {"-qv", "s"}, "unknown option '-qv'"},
        UsageCase{"OutputWithoutValue", {"s", "-o"}, "option -o needs a file name"},
        UsageCase{"EmptyOutput", {"-o", "", "s"}, "option -o needs a file name"},
        UsageCase{"EmptyWorkbook", {"--xlsx=", "s"}, "option --xlsx needs a file name"},
        UsageCase{"IndexWithoutData", {"--index", "r.ind"}, "missing DATA"},
        UsageCase{"IndexWithoutValue", {"a.out", "--index"}, "option --index needs a file name"},
        UsageCase{"IndexTwice",
                  {"--index", "r.ind", "--index=s.ind", "a.out"},
                  "option --index given twice"},
        UsageCase{"OutputWithSeveralData",
                  {"--index", "r.ind", "-o", "t.txt", "a.out", "b.out"},
                  "option -o needs a single DATA"},
        UsageCase{"SummaryAsWorkbook",
                  {"--summary", "--xlsx", "s"},
                  "option --summary writes text; a workbook has a Summary sheet of its own"}),
    [](const auto& info) { return info.param.name; });

// Words of a line, single-spaced.
std::string Words(const std::string& line) {
  std::istringstream in(line);
  std::string words, word;
  while (in >> word) words += (words.empty() ? "" : " ") + word;
  return words;
}

// The command forms of the usage message, one each.
std::vector<std::string> UsageForms() {
  std::ostringstream out, err;
  RunConverter({}, out, err, false);
  std::istringstream lines(err.str());
  std::vector<std::string> forms;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Usage: ")) line.erase(0, 7);
    if (Words(line).starts_with("quillet-convert ")) forms.push_back(Words(line));
  }
  return forms;
}

// The command forms of the manual's synopsis, a form's further lines joined
// to it.
std::vector<std::string> SynopsisForms(const std::string& help) {
  const std::size_t start = help.find("SYNOPSIS\n");
  std::istringstream lines(help.substr(start + 9, help.find("\nDESCRIPTION") - start - 9));
  std::vector<std::string> forms;
  for (std::string line; std::getline(lines, line);) {
    if (Words(line).starts_with("quillet-convert ")) {
      forms.push_back(Words(line));
    } else if (!forms.empty() && !Words(line).empty()) {
      forms.back() += " " + Words(line);
    }
  }
  return forms;
}

TEST(RunConverterTest, HelpIsAManualPageOnStandardOutput) {
  for (const char* flag : {"-h", "--help"}) {
    std::ostringstream out, err;
    // Help ends the parsing: what follows it is not looked at.
    EXPECT_EQ(RunConverter({"s", flag, "--bogus"}, out, err, false), kExitWritten);
    EXPECT_EQ(err.str(), "");
    const std::string help = out.str();
    std::size_t at = 0;
    for (const char* section :
         {"NAME\n", "SYNOPSIS\n", "DESCRIPTION\n", "OPTIONS\n", "EXIT STATUS\n", "EXAMPLES\n"}) {
      const std::size_t found = help.find(section, at);
      ASSERT_NE(found, std::string::npos) << section << " missing or out of order";
      at = found;
    }
    EXPECT_NE(help.find("for s in runs/*.ind; do\n"
                        "                  quillet-convert -o \"${s%.ind}.txt\" \"${s%.ind}\"\n"),
              std::string::npos);
    EXPECT_NE(help.find("quillet-convert --index runs/run.ind runs/chain[1-4].out\n"),
              std::string::npos);
    EXPECT_EQ(SynopsisForms(help), UsageForms());
    // A manual page fits a terminal of 80 columns.
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
  }
}

struct MessageCase {
  const char* name;
  std::string text;
  MessageStyle style;
  bool verbose;
  std::string printed;
};
void PrintTo(const MessageCase& c, std::ostream* os) {
  *os << c.name;
}

class ConsoleMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ConsoleMessageTest, PrintsWhatIsNotAQuestion) {
  const MessageCase& c = GetParam();
  std::ostringstream err;
  ConsoleUi ui(err, /*show_progress=*/false, c.verbose);
  EXPECT_EQ(ui.ShowMessage(c.text, c.style), MessageAnswer::kOk);
  EXPECT_EQ(err.str(), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ConsoleMessageTest,
    ::testing::Values(
        MessageCase{"CheckPathNameOnTwoLines", "Check path name.\r\nr/a.out or r/a.ind not found.",
                    MessageStyle::kExclamation, false,
                    "quillet-convert: Check path name.\nr/a.out or r/a.ind not found.\n"},
        MessageCase{"LoneCarriageReturnKept", "a\rb.ind", MessageStyle::kExclamation, false,
                    "quillet-convert: a\rb.ind\n"},
        MessageCase{"ConfirmationAnsweredSilently", "Writing to dromout.txt",
                    MessageStyle::kOkCancel, true, ""},
        MessageCase{"CompletionHiddenByDefault", "Done Reading", MessageStyle::kOkOnly, false, ""},
        MessageCase{"CompletionShownWhenVerbose", "Done writing file", MessageStyle::kOkOnly, true,
                    "quillet-convert: Done writing file\n"}),
    [](const auto& info) { return info.param.name; });

// The percentages drawn, in order, from the progress output.
std::vector<std::string> DrawnLines(const std::string& output) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  std::string piece;
  while (std::getline(in, piece, '\r')) {
    const auto end = piece.find_last_not_of(' ');
    if (end != std::string::npos) lines.push_back(piece.substr(0, end + 1));
  }
  return lines;
}

TEST(ConsoleProgressTest, DrawsEachPercentageOnceAndClearsTheLine) {
  std::ostringstream err;
  ConsoleUi ui(err, /*show_progress=*/true, false);
  ui.SetTask("reading");
  ui.ShowProgress();
  ui.SetProgressMaximum(1000.0f);
  for (int value = 1; value <= 1200; ++value) ui.SetProgressValue(static_cast<float>(value));
  ui.HideProgress();

  const std::vector<std::string> lines = DrawnLines(err.str());
  ASSERT_EQ(lines.size(), 101u);  // 0% to 100%, however many values arrive
  for (int percent = 0; percent <= 100; ++percent) {
    EXPECT_EQ(lines[percent], "quillet-convert: reading " + std::to_string(percent) + "%");
  }
  // The line is blanked and the cursor back at its start: nothing is left over.
  const std::string output = err.str();
  const std::string blank = "\r" + std::string(lines.back().size(), ' ') + "\r";
  EXPECT_EQ(output.substr(output.size() - blank.size()), blank);
}

TEST(ConsoleProgressTest, FractionalAndZeroMaximum) {
  std::ostringstream err;
  ConsoleUi ui(err, true, false);
  ui.SetTask("writing");
  ui.ShowProgress();
  ui.SetProgressMaximum(2.5f);  // a value may run past an unrounded maximum
  for (float value : {1.0f, 2.0f, 3.0f}) ui.SetProgressValue(value);
  // Without an inside, nothing done is 0% and anything done is 100%, as the
  // window's bar shows it.
  ui.SetProgressMaximum(0.0f);
  ui.SetProgressValue(0.0f);
  ui.SetProgressValue(1.0f);
  const std::vector<std::string> expected = {
      "quillet-convert: writing 0%",  "quillet-convert: writing 40%",
      "quillet-convert: writing 80%", "quillet-convert: writing 100%",
      "quillet-convert: writing 0%",  "quillet-convert: writing 100%"};
  EXPECT_EQ(DrawnLines(err.str()), expected);
}

TEST(ConsoleProgressTest, MessageClearsTheLineAndProgressResumes) {
  std::ostringstream err;
  ConsoleUi ui(err, true, false);
  ui.SetTask("reading");
  ui.ShowProgress();
  ui.SetProgressMaximum(4.0f);
  ui.SetProgressValue(1.0f);
  ui.ShowMessage("File x.ind is damaged.", MessageStyle::kExclamation);
  ui.SetProgressValue(1.0f);  // same percentage, but the line is gone: drawn again

  const std::string line = "quillet-convert: reading 25%";
  const std::string blank(line.size(), ' ');
  EXPECT_EQ(err.str(), "\rquillet-convert: reading 0%\r" + line + "\r" + blank +
                           "\rquillet-convert: File x.ind is damaged.\n\r" + line);
}

// The whole run in-process, as on a terminal: progress for both commands,
// and none with -q.
TEST(RunConverterTest, ShowsProgressOnATerminalUnlessQuiet) {
  TempDir dir;
  dir.Write("r.ind", "alpha 1 3\r\nbeta 4 6\r\n");
  dir.Write("r.out", "1  0.51\r\n2  0.47\r\n3  0.55\r\n1  1.2\r\n2  1.3\r\n3  1.1\r\n");

  std::ostringstream out, err;
  EXPECT_EQ(RunConverter({"-o", dir / "t.txt", dir / "r"}, out, err, true), kExitWritten);
  const std::vector<std::string> lines = DrawnLines(err.str());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "quillet-convert: reading 0%");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "quillet-convert: reading 100%"), lines.end());
  EXPECT_EQ(lines.back(), "quillet-convert: writing 100%");
  EXPECT_EQ(err.str().back(), '\r');  // cleared at the end
  EXPECT_EQ(dir.Read("t.txt").size(), 62u);

  std::ostringstream quiet_err;
  EXPECT_EQ(RunConverter({"-q", "-o", dir / "t.txt", dir / "r"}, out, quiet_err, true),
            kExitWritten);
  EXPECT_EQ(quiet_err.str(), "");
  EXPECT_EQ(out.str(), "");

  // With an index file, each line names its data file.
  std::ostringstream index_err;
  EXPECT_EQ(RunConverter({"--index", dir / "r.ind", dir / "r.out"}, out, index_err, true),
            kExitWritten);
  const std::vector<std::string> index_lines = DrawnLines(index_err.str());
  ASSERT_FALSE(index_lines.empty());
  EXPECT_EQ(index_lines.front(), "quillet-convert: " + (dir / "r.out") + ": reading 0%");
  EXPECT_EQ(index_lines.back(), "quillet-convert: " + (dir / "r.out") + ": writing 100%");
  EXPECT_EQ(dir.Read("r.table.txt"), dir.Read("t.txt"));
}

}  // namespace
}  // namespace quillet::convert

namespace quillet::convert {
namespace {

// On a terminal every number ends under the end of its column's name, and a
// missing one leaves its column blank.
TEST(SummaryTextTest, AlignedNumbersEndUnderTheirNames) {
  std::vector<VariableSummary> summaries(2);
  summaries[0].name = "theta[12]";
  summaries[0].summary.chains = 4;
  summaries[0].summary.draws = 1000;
  for (std::size_t s = 0; s < stats::kStatisticCount; ++s) {
    summaries[0].summary.values[s] = -12345.678 / static_cast<double>(s + 1);
  }
  summaries[0].summary.values[stats::kRhat] = 1.0004;
  summaries[1].name = "a";
  summaries[1].summary.values.fill(NAN);
  summaries[1].summary.note = "constant draws";
  std::istringstream text(SummaryAligned(summaries));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[1].starts_with("theta[12]  "));
  EXPECT_TRUE(lines[2].ends_with("  constant draws"));
  const std::vector<std::string> names = SummaryColumnNames();
  for (std::size_t i = 1; i + 1 < names.size(); ++i) {
    const std::size_t end = lines[0].find("  " + names[i] + " ") + 2 + names[i].size();
    ASSERT_NE(lines[0].find("  " + names[i] + " "), std::string::npos) << names[i];
    EXPECT_NE(lines[1][end - 1], ' ') << names[i] << "\n" << lines[0] << "\n" << lines[1];
    EXPECT_TRUE(end == lines[1].size() || lines[1][end] == ' ') << names[i];
    if (i >= 3) {
      EXPECT_EQ(lines[2][end - 1], ' ') << names[i];
    }
  }
  EXPECT_NE(lines[1].find("  1.000  "), std::string::npos) << "R-hat to three decimals\n"
                                                           << lines[1];
}

}  // namespace
}  // namespace quillet::convert
