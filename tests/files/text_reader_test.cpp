#include "files/text_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "files/byte_count.h"
#include "files/platform.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::TempDir;

std::vector<std::string> AllLines(const std::string& path) {
  TextReader in(path);
  std::vector<std::string> lines;
  std::string line;
  while (in.ReadLine(line)) lines.push_back(line);
  return lines;
}

struct LinesCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

void PrintTo(const LinesCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadLineTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(ReadLineTest, SplitsAtLineFeedsDroppingOneCarriageReturn) {
  TempDir dir;
  dir.Write("f", GetParam().bytes);
  EXPECT_EQ(AllLines(dir / "f"), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReadLineTest,
    ::testing::Values(LinesCase{"Empty", "", {}}, LinesCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      LinesCase{"LfOnly", "a\nb\n", {"a", "b"}},
                      LinesCase{"NoFinalTerminator", "a\r\nb", {"a", "b"}},
                      LinesCase{"EmptyLines", "\r\n\n\r\n", {"", "", ""}},
                      LinesCase{"LoneCrIsData", "a\rb\r\n", {"a\rb"}},
                      LinesCase{"OnlyOneCrDropped", "a\r\r\n", {"a\r"}},
                      LinesCase{"TrailingCrWithoutLf", "a\r", {"a\r"}},
                      LinesCase{"NulAndHighBytes",
                                std::string("\0\xff\xfe\r\n\xef\xbb\xbfx", 9),
                                {std::string("\0\xff\xfe", 3), "\xef\xbb\xbfx"}}),
    [](const auto& info) { return info.param.name; });

TEST(TextReaderTest, LinesAndCrLfAcrossBlockBoundaries) {
  // Lines longer than the reader's block, with CR LF split across blocks.
  TempDir dir;
  const std::size_t block = std::size_t{1} << 20;
  const std::string first(block - 1, 'a');  // its CR is the block's last byte
  const std::string second(3 * block + 17, 'b');
  dir.Write("f", first + "\r\n" + second + "\r\n" + "end");
  EXPECT_EQ(AllLines(dir / "f"), (std::vector<std::string>{first, second, "end"}));

  TextReader in(dir / "f");
  in.SkipLine();
  in.SkipLine();
  EXPECT_EQ(in.Read(), 'e');
}

TEST(TextReaderTest, OnlyBlankLinesLeftLooksAheadWithoutConsuming) {
  TempDir dir;
  for (const auto& [bytes, blank] : std::vector<std::pair<std::string, bool>>{
           {"", true}, {" \t\r\n\r", true}, {"\r\n\r\nx", false}, {std::string(" \0", 2), false}}) {
    dir.Write("f", bytes);
    TextReader in(dir / "f");
    EXPECT_EQ(in.OnlyBlankLinesLeft(), blank) << ::testing::PrintToString(bytes);
  }
  // A blank run longer than several blocks, then a byte of content: the
  // look ahead keeps every byte it passed for the reads that follow.
  const std::size_t block = std::size_t{1} << 20;
  std::string run(3 * block + 5, ' ');
  for (std::size_t i = 0; i < run.size(); i += 7) run[i] = i % 2 ? '\n' : '\r';
  dir.Write("f", "v" + run + "z" + run);
  TextReader in(dir / "f");
  EXPECT_EQ(in.Read(), 'v');
  EXPECT_FALSE(in.OnlyBlankLinesLeft());
  EXPECT_FALSE(in.OnlyBlankLinesLeft());
  std::string passed;
  for (std::size_t i = 0; i < run.size(); ++i) passed.push_back(in.Read());
  EXPECT_TRUE(passed == run);
  EXPECT_FALSE(in.OnlyBlankLinesLeft());
  EXPECT_EQ(in.Peek(), 'z');
  EXPECT_EQ(in.Read(), 'z');
  EXPECT_TRUE(in.OnlyBlankLinesLeft());
  passed.clear();
  while (!in.AtEndOfStream()) passed.push_back(in.Read());
  EXPECT_TRUE(passed == run);
}

TEST(TextReaderTest, ReadGivesEveryByteThenTheEnd) {
  TempDir dir;
  dir.Write("f", "a\r\n");
  TextReader in(dir / "f");
  EXPECT_EQ(in.Read(), 'a');
  EXPECT_EQ(in.Read(), '\r');
  EXPECT_FALSE(in.AtEndOfStream());
  EXPECT_EQ(in.Read(), '\n');
  EXPECT_TRUE(in.AtEndOfStream());
  std::string line = "kept";
  EXPECT_EQ(in.Read(), TextReader::kEnd);
  EXPECT_EQ(in.Peek(), TextReader::kEnd);
  EXPECT_FALSE(in.AppendLine(line));
  EXPECT_EQ(line, "kept");
  EXPECT_FALSE(in.ReadLine(line));
  EXPECT_EQ(line, "");
  EXPECT_FALSE(in.SkipLine());
}

TEST(TextReaderTest, AppendLineDropsOnlyItsOwnCarriageReturn) {
  TempDir dir;
  dir.Write("f", "\nx\r\n");
  TextReader in(dir / "f");
  std::string cell = "\r";
  in.AppendLine(cell);
  EXPECT_EQ(cell, "\r");
  in.AppendLine(cell);
  EXPECT_EQ(cell, "\rx");
}

TEST(TextReaderTest, MissingFileOrDirectoryIsAFileError) {
  TempDir dir;
  try {
    TextReader in(dir / "absent");
    FAIL() << "opened a missing file";
  } catch (const FileError& error) {
    EXPECT_EQ(error.path(), dir / "absent");
    EXPECT_NE(std::string(error.what()).find("absent"), std::string::npos);
  }
  std::filesystem::create_directory(dir.path() / "sub");
  EXPECT_THROW(
      {
        TextReader in(dir / "sub");
        in.AtEndOfStream();
      },
      FileError);
}

TEST(TextReaderTest, CloseEndsTheStream) {
  TempDir dir;
  dir.Write("f", "abc");
  TextReader in(dir / "f");
  in.Close();
  EXPECT_TRUE(in.AtEndOfStream());
  EXPECT_EQ(in.Read(), TextReader::kEnd);
}

TEST(FileExistsTest, OnlyFilesExist) {
  TempDir dir{/*make_current=*/true};
  dir.Write("plain", "");
  std::filesystem::create_directory(dir.path() / "folder");
  EXPECT_TRUE(FileExists(dir / "plain"));
  EXPECT_TRUE(FileExists("plain"));  // relative to the current directory
  EXPECT_FALSE(FileExists(dir / "folder"));
  EXPECT_FALSE(FileExists(dir / "absent"));
  EXPECT_FALSE(FileExists(""));
}

// The count of one byte value, eight bytes at a time, against one at a time:
// each value sought among neighbours that differ from it by one bit or by
// its high bit, where a carry or borrow between bytes would miscount.
TEST(CountByteTest, CountsEachValueWhereverItStands) {
  for (int sought = 0; sought < 256; ++sought) {
    const char byte = static_cast<char>(sought);
    std::string text;
    for (int i = 0; i < 77; ++i) {
      const int near = i % 3 == 0 ? sought : sought ^ (i % 5 == 0 ? 0x80 : 1 << (i % 8));
      text.push_back(static_cast<char>(near));
    }
    for (std::size_t from = 0; from < 9; ++from) {
      const std::string_view part = std::string_view(text).substr(from, 40 + from * 3);
      EXPECT_EQ(CountByte(part, byte),
                static_cast<std::size_t>(std::count(part.begin(), part.end(), byte)))
          << "byte " << sought << " from " << from;
    }
  }
}

}  // namespace
}  // namespace quillet
