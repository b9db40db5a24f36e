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

#include "support/process.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

const std::string kIndex = "alpha 1 3\r\nbeta 4 6\r\n";
const std::string kChain1 =
    "1001  0.51\r\n1002  0.47\r\n1003  0.55\r\n1001  1.2\r\n1002  1.3\r\n1003  1.1\r\n";
// LF line ends, bytes that are no UTF-8, and one sample short.
const std::string kChain2 = "1 -1.43658e+06\n2 \xE9t\xE9\n3 0.3\n1 1\n2 2\n";
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

// The table that the stem form writes for an index file and a data file.
std::string StemFormTable(const std::string& index, const std::string& data) {
  TempDir pair;
  pair.Write("pair.ind", index);
  pair.Write("pair.out", data);
  const testing::ProcessResult result =
      testing::RunProcess(QUILLET_CONVERT_PATH, {"pair"}, {.cwd = pair.path().string()});
  EXPECT_EQ(result.status, 0) << result.err;
  return pair.Read("dromout.txt");
}

struct Table {
  std::string path;  // "-": standard output
  std::string index;
  std::string data;
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

class IndexFormTest : public ::testing::TestWithParam<IndexFormCase> {};

TEST_P(IndexFormTest, WritesEachTableBesideItsDataFile) {
  const IndexFormCase& c = GetParam();
  TempDir dir;
  for (const auto& [name, bytes] : c.files) {
    fs::create_directories((dir.path() / name).parent_path());
    dir.Write(name, bytes);
  }
  for (const auto& [name, target] : c.links) {
    std::error_code error;  // Wine, and Windows without the right, make none
    fs::create_symlink(target, dir.path() / name, error);
    if (error) GTEST_SKIP() << "no symbolic link can be made here: " << error.message();
  }
  const std::map<std::string, std::string> before = Snapshot(dir.path());

  const testing::ProcessResult result =
      testing::RunProcess(QUILLET_CONVERT_PATH, c.args, {.cwd = dir.path().string()});
  EXPECT_EQ(result.status, c.status);
  EXPECT_EQ(result.err, testing::TextLines(c.err));

  std::map<std::string, std::string> expected = before;
  std::string expected_out;
  for (const Table& table : c.tables) {
    const std::string bytes = StemFormTable(before.at(table.index), before.at(table.data));
    (table.path == "-" ? expected_out : expected[table.path]) = bytes;
  }
  EXPECT_EQ(result.out, expected_out);
  EXPECT_EQ(Snapshot(dir.path()), expected);
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
            "quillet-convert: broken.out: error: Input past end of file\n"
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
                      "quillet-convert: run1.out: the table run1.out would overwrite the data "
                      "file run1.out\n",
                      {}},
        IndexFormCase{"TableIsALinkToTheIndex",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}, {"run2.out", kChain2}},
                      {{"run2.table.txt", "run.ind"}},
                      {"--index", "run.ind", "run1.out", "run2.out"},
                      64,
                      "quillet-convert: run2.out: the table run2.table.txt would overwrite the "
                      "index file run.ind\n",
                      {}},
        IndexFormCase{"TableIsAnotherDataFile",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}, {"run1.table.txt", kChain2}},
                      {},
                      {"--index", "run.ind", "run1.out", "run1.table.txt"},
                      64,
                      "quillet-convert: run1.out: the table run1.table.txt would overwrite the "
                      "data file run1.table.txt\n",
                      {}},
        IndexFormCase{"TwoDataFilesOneTable",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}, {"run1.txt", kChain2}},
                      {},
                      {"--index", "run.ind", "run1.out", "run1.txt"},
                      64,
                      "quillet-convert: run1.txt: the table run1.table.txt would overwrite the "
                      "table of run1.out\n",
                      {}},
        IndexFormCase{"OutputWithSeveralData",
                      {{"run.ind", kIndex}, {"run1.out", kChain1}, {"run2.out", kChain2}},
                      {},
                      {"--index", "run.ind", "-o", "t.txt", "run1.out", "run2.out"},
                      64,
                      "quillet-convert: option -o needs a single DATA\n" + kUsage,
                      {}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quillet
