#include "files/text_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "files/errors.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(TextWriterTest, WritesBytesAndCrLfLineEnds) {
  TempDir dir;
  TextWriter out(dir / "f");
  out.Write("a\tb");
  out.Write('\0');
  out.WriteLine("\xff");
  out.WriteLine();
  out.Close();
  EXPECT_EQ(dir.Read("f"), std::string("a\tb\0\xff\r\n\r\n", 9));
}

TEST(TextWriterTest, LargeWritesKeepTheirOrder) {
  TempDir dir;
  const std::string big(3 * 1024 * 1024 + 5, 'x');
  const std::string almost(1024 * 1024 - 1, 'y');
  TextWriter out(dir / "f");
  out.Write("head");
  out.Write(big);
  out.Write(almost);
  out.Write("tail");
  out.Close();
  EXPECT_EQ(dir.Read("f"), "head" + big + almost + "tail");
}

TEST(TextWriterTest, TargetChangesOnlyOnClose) {
  TempDir dir;
  dir.Write("f", "earlier");
  {
    TextWriter out(dir / "f");
    out.Write(std::string(2 * 1024 * 1024, 'z'));  // flushed to the side file
    EXPECT_EQ(dir.Read("f"), "earlier");
  }  // dropped without Close
  EXPECT_EQ(dir.Read("f"), "earlier");
  EXPECT_EQ(dir.Listing(), "f\n");

  TextWriter out(dir / "f");
  out.WriteLine("new");
  out.Close();
  EXPECT_EQ(dir.Read("f"), "new\r\n");
  EXPECT_EQ(dir.Listing(), "f\n");
}

TEST(TextWriterTest, RefusedTargetsAreFileErrorsAndLeaveNothing) {
  TempDir dir;
  dir.Write("readonly", "keep");
  fs::permissions(dir.path() / "readonly", fs::perms(0444));
  fs::create_directory(dir.path() / "folder");
  for (const std::string name : {"readonly", "folder", "missing/f"}) {
    EXPECT_THROW(TextWriter out(dir / name), FileError) << name;
  }
  EXPECT_EQ(dir.Read("readonly"), "keep");
  EXPECT_EQ(dir.Listing(), "folder\nreadonly\n");
}

TEST(TextWriterTest, ErrorNamesTheOperationPathAndReason) {
  TempDir dir;
  try {
    TextWriter out(dir / "missing/f");
    FAIL();
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file \"" + (dir / "missing/f") + "\": No such file or directory");
  }
}

}  // namespace
}  // namespace quillet
