// The platform seam, on whichever system the tests run: names beyond ASCII,
// and the file with a second name.
#include "files/platform.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/text_reader.h"
#include "files/text_writer.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

// A name beyond ASCII, and beyond any one code page, is written, found and
// read under its own bytes, and the system spells it as UTF-8 says.
TEST(PlatformTest, NamesBeyondAsciiRoundTrip) {
  TempDir dir;
  const std::string name = "\xc3\xa9t\xc3\xa9 \xd0\xb4\xd0\xb0 \xe4\xb8\xad.txt";
  TextWriter out(dir / name);
  out.WriteLine("x");
  out.Close();
  EXPECT_TRUE(fs::exists(dir.path() / fs::path(u8"\u00e9t\u00e9 \u0434\u0430 \u4e2d.txt")));
  EXPECT_TRUE(FileExists(dir / name));
  TextReader in(dir / name);
  std::string line;
  EXPECT_TRUE(in.ReadLine(line));
  EXPECT_EQ(line, "x");
}

// A file with a second name is written in place: both names get the new
// bytes. Its old bytes stay until the first Write.
TEST(PlatformTest, FileWithASecondNameIsWrittenInPlace) {
  TempDir dir;
  dir.Write("table.txt", "old");
  fs::create_hard_link(dir.path() / "table.txt", dir.path() / "kept.txt");
  { TextWriter dropped(dir / "table.txt"); }
  EXPECT_EQ(dir.Read("kept.txt"), "old");
  TextWriter out(dir / "table.txt");
  out.Write("new");
  out.Close();
  EXPECT_EQ(dir.Read("table.txt"), "new");
  EXPECT_EQ(dir.Read("kept.txt"), "new");
  EXPECT_EQ(dir.Listing(), "kept.txt\ntable.txt\n");
}

}  // namespace
}  // namespace quillet
