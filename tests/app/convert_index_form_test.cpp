// The converter's form with a shared index file, run as a process: several
// data files read with one index file, each into a table of its own beside
// it. Every table must be byte for byte the one the stem form writes for the
// same two files, and every file of the directory is checked afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "files/platform.h"
#include "support/process.h"
#include "support/temp_dir.h"
#ifndef _WIN32
#include "support/test_mount.h"
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

const std::string kIndex = "alpha 1 3\r\nbeta 4 6\r\n";
const std::string kChain1 =
    "1001  0.51\r\n1002  0.47\r\n1003  0.55\r\n1001  1.2\r\n1002  1.3\r\n1003  1.1\r\n";
// LF line ends, bytes that are no UTF-8, and one sample short.
const std::string kChain2 = "1 -1.43658e+06\n2 \xE9t\xE9\n3 0.3\n1 1\n2 2\n";
// Variables of different lengths: each chain laid out by the same ranges,
// the second one line short and with LF line ends.
const std::string kUnequalIndex = "mu 1 1\r\nsigma 2 4\r\ntau 5 6\r\n";
const std::string kUnequalChain1 = "1 0.1\r\n1 1.1\r\n2 1.2\r\n3 1.3\r\n1 2.1\r\n2 2.2\r\n";
const std::string kUnequalChain2 = "1 5\n1 6\n2 7\n3 8\n1 9\n";
// Ends inside a line: the Read stops with an error.
const std::string kBroken = "1 0.5\r\n2";
const std::string kUsage =
    "Usage: quillet-convert [-q | -v] [-o FILE] STEM\n"
    "       quillet-convert [-q | -v] --index INDEX [-o FILE] DATA...\n"
    "       quillet-convert [-q | -v] [--index INDEX] --xlsx [FILE.xlsx] STEM | DATA...\n"
    "Try 'quillet-convert --help' for more information.\n";

// Every file below `root` by its relative name: a regular file's bytes, a
// symbolic link's target after "-> ".
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(entry.path(), root).generic_string();
    if (entry.is_symlink()) {
      files[name] = "-> " + fs::read_symlink(entry.path()).generic_string();
    } else if (entry.is_regular_file()) {
      files[name] = testing::ReadFileBytes(entry.path().string());
    }
  }
  return files;
}

// The table that the stem form writes for an index file and a data file
// (asked once for each pair of contents).
std::string StemFormTable(const std::string& index, const std::string& data) {
  static std::map<std::pair<std::string, std::string>, std::string> known;
  if (const auto found = known.find({index, data}); found != known.end()) return found->second;
  TempDir pair;
  pair.Write("pair.ind", index);
  pair.Write("pair.out", data);
  const testing::ProcessResult result =
      testing::RunProcess(QUILLET_CONVERT_PATH, {"pair"}, {.cwd = pair.path().string()});
  EXPECT_EQ(result.status, 0) << result.err;
  return known[{index, data}] = pair.Read("dromout.txt");
}

struct Table {
  std::string path;  // "-": standard output
  std::string index;
  std::string data;
  std::string bytes = "";  // when given, what the stem form must write too
};

struct IndexFormCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // name and bytes
  std::vector<std::pair<std::string, std::string>> links;  // name and target
  std::vector<std::string> args;
  int status;
  std::string err;
  std::vector<Table> tables;  // written; every other file stays as it was
};
void PrintTo(const IndexFormCase& c, std::ostream* os) {
  *os << c.name;
}

// Makes the case's files under `root`, runs it there and checks every file.
void RunCase(const IndexFormCase& c, const fs::path& root) {
  for (const auto& [name, bytes] : c.files) {
    fs::create_directories((root / name).parent_path());
    testing::WriteFileBytes(PathText(root / name), bytes);
  }
  for (const auto& [name, target] : c.links) {
    std::error_code error;  // Wine, and Windows without the right, make none
    fs::create_symlink(target, root / name, error);
    if (error) GTEST_SKIP() << "no symbolic link can be made here: " << error.message();
  }
  const std::map<std::string, std::string> before = Snapshot(root);

  const testing::ProcessResult result =
      testing::RunProcess(QUILLET_CONVERT_PATH, c.args, {.cwd = root.string()});
  EXPECT_EQ(result.status, c.status);
  EXPECT_EQ(result.err, testing::TextLines(c.err));

  std::map<std::string, std::string> expected = before;
  std::string expected_out;
  for (const Table& table : c.tables) {
    const std::string bytes = StemFormTable(before.at(table.index), before.at(table.data));
    if (!table.bytes.empty()) {
      EXPECT_EQ(bytes, table.bytes) << table.path;
    }
    (table.path == "-" ? expected_out : expected[table.path]) = bytes;
  }
  EXPECT_EQ(result.out, expected_out);
  EXPECT_EQ(Snapshot(root), expected);
}

// A run of 1,000 chains: every table is checked against every input and
// every other table, by a hash of their identities and names.
IndexFormCase ThousandChains() {
  IndexFormCase c{
      "ThousandChains", {{"run.ind", kIndex}}, {}, {"-q", "--index", "run.ind"}, 0, "", {}};
  for (int i = 1; i <= 1000; ++i) {
    const std::string chain = "c" + std::to_string(i);
    c.files.emplace_back(chain + ".out", i % 2 == 0 ? kChain1 : kChain2);
    c.args.push_back(chain + ".out");
    c.tables.push_back({chain + ".table.txt", "run.ind", chain + ".out"});
  }
  return c;
}

class IndexFormTest : public ::testing::TestWithParam<IndexFormCase> {};

TEST_P(IndexFormTest, WritesEachTableBesideItsDataFile) {
  TempDir dir;
  RunCase(GetParam(), dir.path());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IndexFormTest,
    ::testing::Values(
        IndexFormCase{
            "SeveralChainsOneIndex",
            {{"runs/run.ind", kIndex},
             {"runs/run1.out", kChain1},
             {"runs/run2.out", kChain2},
             {"runs.v2/chain", kChain1}},
            {},
            {"-v", "--index", "runs/run.ind", "runs/run1.out", "runs/run2.out", "runs.v2/chain"},
            0,
            "quillet-convert: runs/run1.out: Done Reading\n"
            "quillet-convert: runs/run1.out: Done writing file\n"
            "quillet-convert: runs/run2.out: Done Reading\n"
            "quillet-convert: runs/run2.out: Done writing file\n"
            "quillet-convert: runs.v2/chain: Done Reading\n"
            "quillet-convert: runs.v2/chain: Done writing file\n",
            {{"runs/run1.table.txt", "runs/run.ind", "runs/run1.out"},
             {"runs/run2.table.txt", "runs/run.ind", "runs/run2.out"},
             {"runs.v2/chain.table.txt", "runs/run.ind", "runs.v2/chain"}}},
        IndexFormCase{"UnequalRangesLayEveryChain",
                      {{"run.ind", kUnequalIndex},
                       {"run1.out", kUnequalChain1},
                       {"run2.out", kUnequalChain2}},
                      {},
                      {"--index", "run.ind", "run1.out", "run2.out"},
                      0,
                      "",
                      {{"run1.table.txt", "run.ind", "run1.out",
                        "Iteration\tmu\tsigma\ttau\t\r\n1\t0.1\t1.1\t2.1\t\r\n"
                        "2\t\t1.2\t2.2\t\r\n3\t\t1.3\t\t\r\n"},
                       {"run2.table.txt", "run.ind", "run2.out",
                        "Iteration\tmu\tsigma\ttau\t\r\n1\t5\t6\t9\t\r\n"
                        "2\t\t7\t\t\r\n3\t\t8\t\t\r\n"}}},
        // Each failure is named and the rest still converted; the highest
        // status counts. A failed chain's earlier table stays as it was.
        IndexFormCase{
            "FailingChainsAmongGoodOnes",
            {{"run.ind", kIndex},
             {"broken.out", kBroken},
             {"broken.table.txt", "an earlier table"},
             {"run1.out", kChain1},
             {"run2.out", kChain2}},
            {},
            {"--index", "run.ind", "broken.out", "run1.out", "missing.out", "run2.out"},
            2,
            "quillet-convert: broken.out: error: Input past end of file: broken.out ends inside "
            "line 2\n"
            "quillet-convert: missing.out: Check path name.\n"
            "missing.out or run.ind not found.\n",
            {{"run1.table.txt", "run.ind", "run1.out"}, {"run2.table.txt", "run.ind", "run2.out"}}},
        IndexFormCase{"MissingIndexRefusesEveryChain",
                      {{"run1.out", kChain1}, {"run2.out", kChain2}},
                      {},
                      {"--index", "gone.ind", "run1.out", "run2.out"},
                      1,
                      "quillet-convert: run1.out: Check path name.\n"
                      "run1.out or gone.ind not found.\n"
                      "quillet-convert: run2.out: Check path name.\n"
                      "run2.out or gone.ind not found.\n",
                      {}},
        IndexFormCase{"SingleDataToStandardOutput",
                      {{"run.ind", kIndex}, {"run2.out", kChain2}},
                      {},
                      {"-o", "-", "--index", "run.ind", "run2.out"},
                      0,
                      "",
                      {{"-", "run.ind", "run2.out"}}},
        // Tables that would overwrite an input or each other: refused for
        // every DATA before anything is read or written.
        IndexFormCase{"OutputIsTheDataFile",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}},
                      {},
                      {"--index", "run.ind", "-o", "run1.out", "run1.out"},
                      64,
                      "quillet-convert: run1.out: The table run1.out would overwrite the data "
                      "file run1.out.\n",
                      {}},
        IndexFormCase{"TableIsALinkToTheIndex",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}, {"run2.out", kChain2}},
                      {{"run2.table.txt", "run.ind"}},
                      {"--index", "run.ind", "run1.out", "run2.out"},
                      64,
                      "quillet-convert: run2.out: The table run2.table.txt would overwrite the "
                      "index file run.ind.\n",
                      {}},
        IndexFormCase{"TableIsAnotherDataFile",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}, {"run1.table.txt", kChain2}},
                      {},
                      {"--index", "run.ind", "run1.out", "run1.table.txt"},
                      64,
                      "quillet-convert: run1.out: The table run1.table.txt would overwrite the "
                      "data file run1.table.txt.\n",
                      {}},
        IndexFormCase{"TwoDataFilesOneTable",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}, {"run1.txt", kChain2}},
                      {},
                      {"--index", "run.ind", "run1.out", "run1.txt"},
                      64,
                      "quillet-convert: run1.txt: The table run1.table.txt would overwrite the "
                      "table of run1.out.\n",
                      {}},
        // The stem form too: -o onto STEM.out or STEM.ind, or a link to one.
        IndexFormCase{"StemFormOutputIsTheDataFile",
                      {{"run.ind", kIndex}, {"run.out", kChain1}},
                      {},
                      {"-o", "run.out", "run"},
                      64,
                      "quillet-convert: The table run.out would overwrite the data file run.out.\n",
                      {}},
        IndexFormCase{"StemFormOutputIsALinkToTheIndex",
                      {{"run.ind", kIndex}, {"run.out", kChain1}},
                      {{"t.txt", "run.ind"}},
                      {"-o", "t.txt", "run"},
                      64,
                      "quillet-convert: The table t.txt would overwrite the index file run.ind.\n",
                      {}},
        ThousandChains(),
        IndexFormCase{"OutputWithSeveralData",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}, {"run2.out", kChain2}},
                      {},
                      {"--index", "run.ind", "-o", "t.txt", "run1.out", "run2.out"},
                      64,
                      "quillet-convert: option -o needs a single DATA\n" + kUsage,
                      {}}),
    [](const auto& info) { return info.param.name; });

#ifndef _WIN32
// Names that differ in letter case only: one file on a file system that
// ignores case (exFAT, as on a USB stick), two where case is kept.
TEST(CaseInsensitiveDiskTest, NamesThatMayBeOneFileAreOne) {
  const std::vector<std::pair<std::string, std::string>> pair = {
      {"one.ind", kIndex}, {"chain.out", kChain1}, {"Chain.dat", kChain2}};
  const IndexFormCase on_exfat[] = {
      {"TablesDifferingInCase",
       pair,
       {},
       {"--index", "one.ind", "chain.out", "Chain.dat"},
       64,
       "quillet-convert: Chain.dat: The table Chain.table.txt would overwrite the table of "
       "chain.out.\n",
       {}},
      {"OutputIsTheIndexInOtherCase",
       pair,
       {},
       {"--index", "one.ind", "-o", "ONE.IND", "chain.out"},
       64,
       "quillet-convert: chain.out: The table ONE.IND would overwrite the index file one.ind.\n",
       {}},
      {"StemFormOutputIsTheDataFileInOtherCase",
       pair,
       {},
       {"-o", "CHAIN.OUT", "chain"},
       64,
       "quillet-convert: The table CHAIN.OUT would overwrite the data file chain.out.\n",
       {}},
  };
  const IndexFormCase keeping_case = {
      "TablesDifferingInCaseWhereCaseIsKept",
      pair,
      {},
      {"--index", "one.ind", "chain.out", "Chain.dat"},
      0,
      "",
      {{"chain.table.txt", "one.ind", "chain.out"}, {"Chain.table.txt", "one.ind", "Chain.dat"}}};
  {
    SCOPED_TRACE(keeping_case.name);
    TempDir dir;  // the system's temporary directory keeps case apart
    RunCase(keeping_case, dir.path());
  }
  for (const IndexFormCase& c : on_exfat) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::string why_not;
    const auto stick = testing::TestMount::Exfat(dir.path(), why_not);
    if (!stick) GTEST_SKIP() << "no exFAT file system can be mounted here: " << why_not;
    RunCase(c, dir.path());
  }
}
#endif

}  // namespace
}  // namespace quillet
