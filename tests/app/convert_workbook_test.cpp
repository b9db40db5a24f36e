// The workbook form of quillet-convert, run as a process, its workbooks read
// back cell by cell, type and value, by an independent reader (Debian's
// python3-openpyxl) and by the spreadsheet programs people open them in
// (LibreOffice Calc and Gnumeric), all through read_workbook.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "core/read_command.h"
#include "files/platform.h"
#include "support/process.h"
#include "support/recording_ui.h"
#include "support/temp_dir.h"
#include "workbook/workbook_writer.h"

#ifdef QUILLET_HAVE_CHAIN_GENERATOR
#include "bench/chain_generator.h"
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::TempDir;

double NumberOf(const std::string& text) {
  double value = std::nan("");
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// How far a number read back may stray from the double its text spells:
// nothing, but for a reader whose own conversion of decimal text is not
// correctly rounded (set by the reader's tests).
double number_tolerance = 0;

// A cell as the reader gives it: 'n' a number (its Python repr; equal to
// another spelling of the same double), 's' text (UTF-8), 'e' empty.
struct Cell {
  char kind;
  std::string value;
  bool operator==(const Cell& other) const {
    if (kind != other.kind) return false;
    if (kind != 'n') return value == other.value;
    const double a = NumberOf(value), b = NumberOf(other.value);
    return a == b || std::abs(a - b) <= number_tolerance * std::abs(b);
  }
};
void PrintTo(const Cell& c, std::ostream* os) {
  *os << c.kind << " \"" << c.value << "\"";
}
Cell Text(std::string utf8) {
  return {'s', std::move(utf8)};
}
Cell Number(std::string repr) {
  return {'n', std::move(repr)};
}

using Rows = std::vector<std::vector<Cell>>;
struct Sheet {
  std::string name;
  Rows rows;
};

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// Who reads a workbook back, and the program it needs.
struct Reader {
  const char* name;     // read_workbook.py's --via
  const char* program;  // nullptr: openpyxl, installed with the tests
  // Gnumeric turns some decimal texts into a neighbouring double (0.495615
  // into 0.49561499999999997), as it does when the number is typed in.
  double tolerance = 0;
};
const Reader kOpenpyxl{"openpyxl", nullptr};
const Reader kReaders[] = {
    kOpenpyxl, {"libreoffice", "/usr/bin/soffice"}, {"gnumeric", "/usr/bin/ssconvert", 4e-16}};
void PrintTo(const Reader& reader, std::ostream* os) {
  *os << reader.name;
}

// Every sheet of the workbook at `path`, as `reader` sees it.
std::vector<Sheet> ReadBack(const std::string& path, const Reader& reader = kOpenpyxl) {
  const ProcessResult result = testing::RunProcess(
      "/usr/bin/python3",
      {QUILLET_READ_WORKBOOK_SCRIPT, std::string("--via=") + reader.name, path});
  EXPECT_EQ(result.status, 0) << result.err;
  std::vector<Sheet> sheets;
  std::istringstream lines(result.out);
  std::string line;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    if (fields.size() == 2 && fields[0] == "sheet") {
      sheets.push_back({FromHex(fields[1]), {}});
      continue;
    }
    if (sheets.empty() || fields.size() < 3) {
      ADD_FAILURE() << "unexpected line from the reader: " << line;
      continue;
    }
    Rows& rows = sheets.back().rows;
    const std::size_t row = std::stoul(fields[0]);
    if (rows.size() < row) rows.resize(row);
    const char kind = fields[2].front();
    const std::string value = fields.size() > 3 ? fields[3] : "";
    rows[row - 1].push_back({kind, kind == 's' ? FromHex(value) : value});
  }
  return sheets;
}

// Compares cell by cell, naming the first cells that differ.
void ExpectRows(const Rows& actual, const Rows& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  int differences = 0;
  for (std::size_t r = 0; r < expected.size() && differences < 10; ++r) {
    ASSERT_EQ(actual[r].size(), expected[r].size()) << "row " << r + 1;
    for (std::size_t c = 0; c < expected[r].size(); ++c) {
      if (actual[r][c] == expected[r][c]) continue;
      ++differences;
      ADD_FAILURE() << "row " << r + 1 << ", column " << c + 1;
      EXPECT_EQ(actual[r][c], expected[r][c]);
    }
  }
}

ProcessResult Convert(const TempDir& dir, const std::vector<std::string>& args) {
  testing::ProcessOptions options;
  options.cwd = PathText(dir.path());
  return testing::RunProcess(QUILLET_CONVERT_PATH, args, options);
}

// A pair of variables `names`, each holding the samples `values`.
void WritePair(const TempDir& dir, const std::string& stem, const std::vector<std::string>& names,
               const std::vector<std::string>& values) {
  std::string index, data;
  for (std::size_t v = 0; v < names.size(); ++v) {
    const std::size_t first = v * values.size() + 1;
    index += names[v] + " " + std::to_string(first) + " " +
             std::to_string(first + values.size() - 1) + "\r\n";
    for (std::size_t s = 0; s < values.size(); ++s) {
      data += std::to_string(1001 + s) + "  " + values[s] + "\r\n";
    }
  }
  dir.Write(stem + ".ind", index);
  dir.Write(stem + ".out", data);
}

// The rows a workbook of that pair holds.
Rows ExpectedRows(const std::vector<Cell>& names, const std::vector<Cell>& values) {
  Rows rows(values.size() + 1);
  rows[0].push_back(Text("Iteration"));
  for (const Cell& name : names) rows[0].push_back(name);
  for (std::size_t s = 0; s < values.size(); ++s) {
    rows[s + 1].push_back(Number(std::to_string(s + 1)));
    for (std::size_t v = 0; v < names.size(); ++v) rows[s + 1].push_back(values[s]);
  }
  return rows;
}

// A cell's bytes as the data file holds them, and what the reader must find.
struct Shape {
  const char* what;
  std::string bytes;
  Cell read;
};

const std::vector<Shape> kValueShapes = {
    {"decimal", "0.51", Number("0.51")},
    {"negative zero", "-0", Number("0")},
    {"leading zeros", "007", Number("7")},
    {"plus sign", "+5", Number("5")},
    {"no integer digits", ".5", Number("0.5")},
    {"no fraction digits", "5.", Number("5.0")},
    {"exponent", "-1.5E+300", Number("-1.5e+300")},
    {"subnormal", "1e-310", Number("1e-310")},
    {"below the smallest", "1e-400", Number("0.0")},
    {"more digits than a double", "123456789012345678901234567890",
     Number("123456789012345678901234567890")},
    {"too large for a double", "1e999", Text("1e999")},
    {"not a number", "NaN", Text("NaN")},
    {"infinity", "Inf", Text("Inf")},
    {"truth value", "TRUE", Text("TRUE")},
    {"formula", "=1+1", Text("=1+1")},
    {"quote opens", "\"abc", Text("\"abc")},
    {"decimal comma", "1,289", Text("1,289")},
    {"fraction", "3/4", Text("3/4")},
    {"date", "2021-01-02", Text("2021-01-02")},
    {"hexadecimal", "0x1F", Text("0x1F")},
    {"trailing blank", "1.5 ", Text("1.5 ")},
    {"two fields", "1.5  2", Text("1.5  2")},
    {"two points", "1.2.3", Text("1.2.3")},
    {"exponent alone", "e5", Text("e5")},
    {"point alone", ".", Text(".")},
    {"sign alone", "-", Text("-")},
    {"markup", "<a href=\"x\">&amp;</a>", Text("<a href=\"x\">&amp;</a>")},
    {"Latin-1", "caf\xe9 \xb5", Text("caf\xc3\xa9 \xc2\xb5")},
    {"Windows-1252", "\x80 \x9f \x81", Text("\xe2\x82\xac \xc5\xb8 \xc2\x81")},
    {"UTF-8", "na\xc3\xafve \xe2\x82\xac \xf0\x9f\x98\x80",
     Text("na\xc3\xafve \xe2\x82\xac \xf0\x9f\x98\x80")},
    {"control characters",
     "a\x01"
     "b\x1f"
     "c\x7f",
     Text("a\x01"
          "b\x1f"
          "c\x7f")},
    {"carriage return", "a\rb", Text("a\rb")},
    {"tab", "a\tb", Text("a\tb")},
    {"literal escape", "_x0041_ and _x005F_", Text("_x0041_ and _x005F_")},
    {"no escape", "_x41_ _xZZZZ_", Text("_x41_ _xZZZZ_")},
    {"escape shape before a control character", "_x0041\x01", Text("_x0041\x01")},
    {"escape shape before a carriage return", "_x00e9\rb", Text("_x00e9\rb")},
    {"escape shape before U+FFFE", "_x0041\xef\xbf\xbe", Text("_x0041\xef\xbf\xbe")},
    {"escape shape at the end", "a_x0041", Text("a_x0041")},
    {"empty", "", Cell{'e', ""}},
    {"40,000 bytes", std::string(40000, 'q'), Text(std::string(40000, 'q'))},
};

const std::vector<Shape> kNameShapes = {
    {"brackets", "theta[3,2]", Text("theta[3,2]")},
    {"number", "007", Text("007")},
    {"formula", "=1+1", Text("=1+1")},
    {"quotes", "\"q\"'", Text("\"q\"'")},
    {"Latin-1", "\xb5[1]", Text("\xc2\xb5[1]")},
    {"UTF-8", "\xce\xbc[2]", Text("\xce\xbc[2]")},
    {"escape", "_x0009_", Text("_x0009_")},
};

class ConvertWorkbookTest : public ::testing::Test {
 protected:
  TempDir dir;
};

// The workbooks that every reader must read cell for cell; a spreadsheet
// program that is not installed skips its cases, visibly.
class ReadBackTest : public ConvertWorkbookTest, public ::testing::WithParamInterface<Reader> {
 protected:
  void SetUp() override {
    if (GetParam().program != nullptr && !fs::exists(GetParam().program)) {
      GTEST_SKIP() << GetParam().program << " is not installed";
    }
    number_tolerance = GetParam().tolerance;
  }
  void TearDown() override { number_tolerance = 0; }
  std::vector<Sheet> Read(const std::string& workbook) { return ReadBack(workbook, GetParam()); }
};
INSTANTIATE_TEST_SUITE_P(Readers, ReadBackTest, ::testing::ValuesIn(kReaders),
                         [](const auto& info) { return std::string(info.param.name); });

// Every shape a cell or a name can have, in one workbook: the reader finds
// each with its type and value.
TEST_P(ReadBackTest, CellShapesReadBackWithTypeAndValue) {
  std::vector<std::string> names, values;
  std::vector<Cell> name_cells, value_cells;
  for (const Shape& shape : kNameShapes) {
    names.push_back(shape.bytes);
    name_cells.push_back(shape.read);
  }
  for (const Shape& shape : kValueShapes) {
    values.push_back(shape.bytes);
    value_cells.push_back(shape.read);
  }
  WritePair(dir, "shapes", names, values);
  const ProcessResult result = Convert(dir, {"--tables-only", "-o", "shapes.xlsx", "shapes"});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::vector<Sheet> sheets = Read(dir / "shapes.xlsx");
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0].name, "shapes");
  const Rows expected = ExpectedRows(name_cells, value_cells);
  ASSERT_EQ(sheets[0].rows.size(), expected.size());
  for (std::size_t v = 0; v < names.size(); ++v) {
    EXPECT_EQ(sheets[0].rows[0][v + 1], expected[0][v + 1]) << "name: " << kNameShapes[v].what;
  }
  for (std::size_t s = 0; s < values.size(); ++s) {
    EXPECT_EQ(sheets[0].rows[s + 1], expected[s + 1]) << "value: " << kValueShapes[s].what;
  }
}

// The Summary sheet holds what --summary prints for the same chains: the
// header, then per variable its name, the numbers (the same doubles) and the
// note, an empty field a missing cell; and under them the line that explains
// the highlighting.
void ExpectSummaryAsPrinted(const Sheet& sheet, const std::string& printed) {
  EXPECT_EQ(sheet.name, "Summary");
  std::istringstream lines(printed);
  std::size_t row = 0;
  for (std::string line; std::getline(lines, line); ++row) {
    SCOPED_TRACE(line);
    ASSERT_LT(row, sheet.rows.size());
    std::vector<std::string> fields;
    std::istringstream parts(line);
    for (std::string field; std::getline(parts, field, '\t');) fields.push_back(field);
    if (line.back() == '\t') fields.emplace_back();
    std::vector<Cell> cells = sheet.rows[row];
    cells.resize(fields.size(), Cell{'e', ""});
    for (std::size_t i = 0; i < fields.size(); ++i) {
      const bool text = row == 0 || i == 0 || i + 1 == fields.size();
      const Cell expected = fields[i].empty() ? Cell{'e', ""}
                            : text            ? Text(fields[i])
                                              : Number(fields[i]);
      EXPECT_EQ(cells[i], expected) << "column " << i + 1;
    }
  }
  ASSERT_EQ(sheet.rows.size(), row + 2);
  EXPECT_EQ(sheet.rows[row + 1].front(), Text("highlighted"));
}

#ifdef QUILLET_HAVE_CHAIN_GENERATOR
// A realistic generated pair: every value is a number, the one its text says;
// the Summary sheet before it is what --summary prints.
TEST_P(ReadBackTest, GeneratedPairReadsBackCellByCell) {
  const bench::ChainSpec spec{.variables = 100, .samples = 1000, .seed = 3};
  ASSERT_TRUE(bench::WriteChainPair(spec, dir / "gen"));
  const ProcessResult result = Convert(dir, {"-q", "--xlsx", "gen"});
  ASSERT_EQ(result.status, 0) << result.err;
  std::vector<Sheet> sheets = Read(dir / "dromout.xlsx");
  ASSERT_EQ(sheets.size(), 3u);
  const ProcessResult summary = Convert(dir, {"-q", "--summary", "gen"});
  ASSERT_EQ(summary.status, 0) << summary.err;
  ExpectSummaryAsPrinted(sheets[0], summary.out);
  EXPECT_EQ(sheets[1].name, "Traces");
  sheets.erase(sheets.begin(), sheets.begin() + 2);
  Rows expected(spec.samples + 1);
  expected[0].push_back(Text("Iteration"));
  for (std::int64_t v = 0; v < spec.variables; ++v) {
    expected[0].push_back(Text(bench::VariableName(spec, v)));
  }
  const Rows& actual = sheets[0].rows;
  ASSERT_EQ(actual.size(), expected.size());
  for (std::int64_t s = 0; s < spec.samples; ++s) {
    expected[s + 1].push_back(Number(std::to_string(s + 1)));
    for (std::int64_t v = 0; v < spec.variables; ++v) {
      expected[s + 1].push_back(Number(bench::SampleValue(spec, v, s)));
    }
  }
  ExpectRows(actual, expected);
}
#endif

// Chains of one run, their index shared: one worksheet per chain, named
// after its data file (made fit for a sheet name, and unique regardless of
// letter case), each the table of its chain.
TEST_P(ReadBackTest, SharedIndexRunHasOneSheetPerChain) {
  fs::create_directories(dir.path() / "a");
  fs::create_directories(dir.path() / "b");
  const std::vector<std::string> names = {"alpha", "beta"};
  WritePair(dir, "run", names, {"1", "2"});
  struct Chain {
    std::string data;   // the data file
    std::string sheet;  // its worksheet's name (UTF-8)
    std::vector<Shape> values;
  };
  const std::vector<Chain> chains = {
      {"a/chain.out", "chain.out", {{"", "0.5", Number("0.5")}, {"", "x", Text("x")}}},
      {"b/chain.out", "chain.out (2)", {{"", "1e3", Number("1000")}, {"", "", Cell{'e', ""}}}},
      {"a/a very long name: [with] *? marks.out",
       "a very long name_ _with_ __ mar",
       {{"", "-2", Number("-2")}, {"", "7", Number("7")}}},
      // Cut to 31 characters, the name would end in an apostrophe.
      {"abcdefghijklmnopqrstuvwxyzabcd'efg.out",
       "abcdefghijklmnopqrstuvwxyzabcd_",
       {{"", "3", Number("3")}, {"", "y", Text("y")}}},
      {"\xc3\x84rger.out", "\xc3\x84rger.out", {{"", "4", Number("4")}, {"", "5", Number("5")}}},
      {"b/\xc3\xa4rger.out",
       "\xc3\xa4rger.out (2)",
       {{"", "6", Number("6")}, {"", "z", Text("z")}}},
      {"\xc3\x89T\xc3\x89.out",
       "\xc3\x89T\xc3\x89.out",
       {{"", "8", Number("8")}, {"", "9", Number("9")}}},
      {"b/\xc3\xa9t\xc3\xa9.out",
       "\xc3\xa9t\xc3\xa9.out (2)",
       {{"", "10", Number("10")}, {"", "w", Text("w")}}}};
  std::vector<std::string> args = {"-q", "--index", "run.ind", "--xlsx", "run.xlsx"};
  for (const Chain& chain : chains) {
    std::string text;
    for (std::size_t v = 0; v < names.size(); ++v) {
      for (const Shape& value : chain.values) text += "1  " + value.bytes + "\r\n";
    }
    dir.Write(chain.data, text);
    args.push_back(chain.data);
  }
  const ProcessResult result = Convert(dir, args);
  ASSERT_EQ(result.status, 0) << result.err;
  // Summary and Traces first, then the chains' sheets.
  const std::vector<Sheet> sheets = Read(dir / "run.xlsx");
  ASSERT_EQ(sheets.size(), chains.size() + 2);
  EXPECT_EQ(sheets[0].name, "Summary");
  EXPECT_EQ(sheets[1].name, "Traces");
  for (std::size_t i = 0; i < chains.size(); ++i) {
    SCOPED_TRACE(chains[i].data);
    EXPECT_EQ(sheets[i + 2].name, chains[i].sheet);
    std::vector<Cell> values;
    for (const Shape& value : chains[i].values) values.push_back(value.read);
    ExpectRows(sheets[i + 2].rows, ExpectedRows({Text("alpha"), Text("beta")}, values));
  }
}

// A workbook forced into the zip container's 64-bit form, which a worksheet
// takes when it could reach 4 GiB, reads back as the classic form does.
TEST_P(ReadBackTest, LargeZipFormReadsBack) {
  WritePair(dir, "z", {"mu", "sigma"}, {"0.25", "text", ""});
  ConversionState state;
  testing::RecordingUi ui;
  ASSERT_EQ(RunRead(state, dir / "z", ui), CommandOutcome::kDone);
  WorkbookWriter workbook(WriteTarget{dir / "z.xlsx"}, {"z"}, /*zip64_from=*/0);
  ASSERT_EQ(workbook.WriteSheet(state, ui), CommandOutcome::kDone);
  workbook.Close();
  const std::string bytes = dir.Read("z.xlsx");
  ASSERT_GE(bytes.size(), 30u);
  EXPECT_EQ(bytes[4], 45) << "the first entry needs the 64-bit form to be read";
  const std::vector<Sheet> sheets = Read(dir / "z.xlsx");
  ASSERT_EQ(sheets.size(), 1u);
  ExpectRows(sheets[0].rows, ExpectedRows({Text("mu"), Text("sigma")},
                                          {Number("0.25"), Text("text"), Cell{'e', ""}}));
}

// How the command line picks the workbook, and what it refuses: exit status,
// standard error, and what is left in the directory.
struct ProcessCase {
  const char* name;
  std::string index;
  std::string data;
  std::vector<std::string> args;
  int status;
  std::string err;       // standard error, exactly
  const char* workbook;  // the file that must then hold the workbook; nullptr: none
  // More files, by name and content; "=old.xlsx" makes a hard link to it.
  std::vector<std::pair<std::string, std::string>> files = {};
};
void PrintTo(const ProcessCase& c, std::ostream* os) {
  *os << c.name;
}

class WorkbookProcessTest : public ConvertWorkbookTest,
                            public ::testing::WithParamInterface<ProcessCase> {};

TEST_P(WorkbookProcessTest, WritesOrRefuses) {
  const ProcessCase& c = GetParam();
  dir.Write("chain.ind", c.index);
  dir.Write("chain.out", c.data);
  dir.Write("old.xlsx", "an earlier workbook");
  for (const auto& [name, content] : c.files) {
    if (content == "=old.xlsx") {
      fs::create_hard_link(dir / "old.xlsx", dir / name);
    } else {
      dir.Write(name, content);
    }
  }
  const std::string before = dir.Listing();
  const ProcessResult result = Convert(dir, c.args);
  EXPECT_EQ(result.status, c.status);
  EXPECT_EQ(result.err, testing::TextLines(c.err));
  if (c.workbook == nullptr) {
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(dir.Listing(), before);
    EXPECT_EQ(dir.Read("old.xlsx"), "an earlier workbook");
    return;
  }
  // The reader goes by the name's ending.
  dir.Write("read-back.xlsx", std::string(c.workbook) == "-" ? result.out : dir.Read(c.workbook));
  const std::string path = dir / "read-back.xlsx";
  const std::vector<Sheet> sheets = ReadBack(path);
  // Summary and Traces before the table, unless only the table was asked for.
  const bool tables_only = std::count(c.args.begin(), c.args.end(), "--tables-only") > 0;
  ASSERT_EQ(sheets.size(), tables_only ? 1u : 3u);
  ASSERT_GE(sheets.back().rows.size(), 2u);
  EXPECT_EQ(sheets.back().rows[0].front(), Text("Iteration"));
  EXPECT_EQ(sheets.back().rows[1].at(1), Number("0.5"));
}

const std::string kTwoSamples = "x 1 2\r\n";
const std::string kTwoLines = "1  0.5\r\n2  0.25\r\n";
// With the header, one row too many; the rows need not be filled.
const std::string kTooManyRows = "x 1 1048576\r\n";

// With the "Iteration" column, one column too many: the index file, or the
// data file.
std::string TooManyColumns(bool index) {
  std::string text;
  for (int v = 0; v < 16384; ++v) {
    const std::string line = std::to_string(v + 1);
    text += index ? "v" + std::to_string(v) + " " + line + " " + line + "\r\n" : "1  0.5\r\n";
  }
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, WorkbookProcessTest,
    ::testing::Values(
        ProcessCase{"TablesOnly",
                    kTwoSamples,
                    kTwoLines,
                    {"--tables-only", "-o", "new.xlsx", "chain"},
                    0,
                    "",
                    "new.xlsx"},
        ProcessCase{
            "ByEnding", kTwoSamples, kTwoLines, {"-o", "new.XLSX", "chain"}, 0, "", "new.XLSX"},
        ProcessCase{"ReplacesAnEarlierOne",
                    kTwoSamples,
                    kTwoLines,
                    {"-o", "old.xlsx", "chain"},
                    0,
                    "",
                    "old.xlsx"},
        ProcessCase{
            "BesideTheStem", kTwoSamples, kTwoLines, {"--xlsx", "chain"}, 0, "", "dromout.xlsx"},
        ProcessCase{
            "StandardOutput", kTwoSamples, kTwoLines, {"--xlsx", "-o", "-", "chain"}, 0, "", "-"},
        ProcessCase{
            "NamedAfterTheOption", kTwoSamples, kTwoLines, {"--xlsx=book", "chain"}, 0, "", "book"},
        ProcessCase{"SharedIndexOfOneChain",
                    kTwoSamples,
                    kTwoLines,
                    {"--index", "chain.ind", "-o", "one.xlsx", "chain.out"},
                    0,
                    "",
                    "one.xlsx"},
        ProcessCase{"TooManyRows",
                    kTooManyRows,
                    kTwoLines,
                    {"-o", "old.xlsx", "chain"},
                    1,
                    "quillet-convert: The table is too large for a workbook: 1,048,577 rows, more "
                    "than the 1,048,576 a worksheet holds.\n",
                    nullptr},
        ProcessCase{"TooManyRowsToStandardOutput",
                    kTooManyRows,
                    kTwoLines,
                    {"--xlsx", "-o", "-", "chain"},
                    1,
                    "quillet-convert: The table is too large for a workbook: 1,048,577 rows, more "
                    "than the 1,048,576 a worksheet holds.\n",
                    nullptr},
        ProcessCase{"TooManyColumns",
                    TooManyColumns(true),
                    TooManyColumns(false),
                    {"-o", "old.xlsx", "chain"},
                    1,
                    "quillet-convert: The table is too large for a workbook: 16,385 columns, more "
                    "than the 16,384 a worksheet holds.\n",
                    nullptr},
        ProcessCase{
            "OverwritesTheDataFile",
            kTwoSamples,
            kTwoLines,
            {"--xlsx=chain.out", "chain"},
            64,
            "quillet-convert: The workbook chain.out would overwrite the data file chain.out.\n",
            nullptr},
        ProcessCase{
            "OverwritesTheIndexFile",
            kTwoSamples,
            kTwoLines,
            {"--index", "chain.ind", "--xlsx=./chain.ind", "chain.out"},
            64,
            "quillet-convert: The workbook ./chain.ind would overwrite the index file chain.ind.\n",
            nullptr},
        ProcessCase{"MissingChainBeforeAnyByte",
                    kTwoSamples,
                    kTwoLines,
                    {"--index", "chain.ind", "--xlsx", "-o", "-", "chain.out", "missing.out"},
                    1,
                    "quillet-convert: missing.out: Check path name.\n"
                    "missing.out or chain.ind not found.\n",
                    nullptr},
        // Chain by chain (--tables-only): the first is written when the second fails.
        ProcessCase{
            "LaterChainFailsTheWorkbook",
            kTwoSamples,
            kTwoLines,
            {"--tables-only", "--index", "chain.ind", "-o", "old.xlsx", "chain.out", "cut.out"},
            2,
            "quillet-convert: cut.out: error: Input past end of file: cut.out ends inside "
            "line "
            "2\n"
            "quillet-convert: the workbook old.xlsx is incomplete and was not written\n",
            nullptr,
            {{"cut.out", "1  0.5\r\n2"}}},
        // With the summary every chain is read first: nothing was begun.
        ProcessCase{"LaterChainFailsBeforeTheWorkbookBegins",
                    kTwoSamples,
                    kTwoLines,
                    {"--index", "chain.ind", "-o", "old.xlsx", "chain.out", "cut.out"},
                    2,
                    "quillet-convert: cut.out: error: Input past end of file: cut.out ends inside "
                    "line 2\n",
                    nullptr,
                    {{"cut.out", "1  0.5\r\n2"}}},
        ProcessCase{"InPlaceTargetOfSeveralChains",
                    kTwoSamples,
                    kTwoLines,
                    {"--index", "chain.ind", "-o", "old.xlsx", "chain.out", "chain.out"},
                    64,
                    "quillet-convert: the workbook old.xlsx can only be written in place, which a "
                    "chain failing part way would leave cut; write it elsewhere or remove it "
                    "first\n",
                    nullptr,
                    {{"linked.xlsx", "=old.xlsx"}}},
        ProcessCase{"SharedIndexWithoutAName",
                    kTwoSamples,
                    kTwoLines,
                    {"--index", "chain.ind", "--xlsx", "chain.out"},
                    64,
                    "quillet-convert: a workbook of DATA files needs a name: --xlsx FILE\n"
                    "Usage: quillet-convert [-q | -v] [-o FILE] STEM\n"
                    "       quillet-convert [-q | -v] --index INDEX [-o FILE] DATA...\n"
                    "       quillet-convert [-q | -v] [--index INDEX] --xlsx [FILE.xlsx] STEM | "
                    "DATA...\n"
                    "Try 'quillet-convert --help' for more information.\n",
                    nullptr}),
    [](const auto& info) { return info.param.name; });

// The text form writes a table of any size, and says once when spreadsheet
// programs cannot show all of it.
TEST_F(ConvertWorkbookTest, TextFormWarnsOfTablesBeyondASpreadsheet) {
  dir.Write("chain.ind", TooManyColumns(true));
  dir.Write("chain.out", TooManyColumns(false));
  const ProcessResult result = Convert(dir, {"chain"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, testing::TextLines("quillet-convert: warning: the table is larger than a "
                                           "spreadsheet can show: 16,385 columns, more than the "
                                           "16,384 a worksheet holds.\n"));
  EXPECT_EQ(dir.Read("dromout.txt").substr(0, 15), "Iteration\tv0\tv1");
}

#ifdef QUILLET_HAVE_CHAIN_GENERATOR
// How many charts a file holds: chart objects in an OpenDocument
// spreadsheet's content, graphs in a gzipped Gnumeric file.
int CountInFile(const std::string& path, const std::string& pattern) {
  const ProcessResult result = testing::RunProcess(
      "/usr/bin/python3", {"-c",
                           "import gzip, sys, zipfile\n"
                           "p = sys.argv[1]\n"
                           "t = zipfile.ZipFile(p).read('content.xml') if p.endswith('.ods') else "
                           "gzip.open(p).read()\n"
                           "print(t.decode().count(sys.argv[2]))\n",
                           path, pattern});
  EXPECT_EQ(result.status, 0) << result.err;
  return result.status == 0 ? std::stoi(result.out) : -1;
}

// Both spreadsheet programs open the Traces sheet's charts: one for each of
// the first 100 variables, none for the rest.
TEST_F(ConvertWorkbookTest, SpreadsheetProgramsShowTheCharts) {
  if (!fs::exists("/usr/bin/soffice") || !fs::exists("/usr/bin/ssconvert")) {
    GTEST_SKIP() << "LibreOffice (soffice) or Gnumeric (ssconvert) is not installed";
  }
  const bench::ChainSpec spec{.variables = 103, .samples = 2100, .seed = 5};
  ASSERT_TRUE(bench::WriteChainPair(spec, dir / "gen"));
  ASSERT_EQ(Convert(dir, {"-q", "-o", "gen.xlsx", "gen"}).status, 0);
  testing::ProcessOptions options;
  options.cwd = PathText(dir.path());
  const ProcessResult calc =
      testing::RunProcess("/usr/bin/soffice",
                          {"-env:UserInstallation=file://" + (dir / "profile"), "--headless",
                           "--convert-to", "ods", "--outdir", dir / "ods", dir / "gen.xlsx"},
                          options);
  ASSERT_EQ(calc.status, 0) << calc.err;
  EXPECT_EQ(CountInFile(dir / "ods/gen.ods", "<draw:object "), 100);
  const ProcessResult gnumeric =
      testing::RunProcess("/usr/bin/ssconvert", {dir / "gen.xlsx", dir / "gen.gnumeric"}, options);
  ASSERT_EQ(gnumeric.status, 0) << gnumeric.err;
  EXPECT_EQ(gnumeric.err.find("CRITICAL"), std::string::npos) << gnumeric.err;
  EXPECT_EQ(CountInFile(dir / "gen.gnumeric", "<gnm:SheetObjectGraph"), 100);
}
#endif

}  // namespace
}  // namespace quillet
