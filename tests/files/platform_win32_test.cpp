// What only Windows has: the ANSI code page of older programs, and files that
// others hold open.
#include <windows.h>

#include <gtest/gtest.h>

#include "files/errors.h"
#include "files/platform.h"
#include "files/text_reader.h"
#include "files/text_writer.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

using testing::TempDir;

// A stem that an older program stored in the ANSI code page names the file
// that program opened with it.
TEST(Win32PlatformTest, StemInTheAnsiCodePageNamesItsFile) {
  TempDir dir{/*make_current=*/true};
  const std::string ansi = "r\xe9sum\xe9";  // not UTF-8
  const HANDLE file = CreateFileA((ansi + ".out").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  dir.Write("qltini.ini", "[Path for QLT]\r\n" + ansi + "\r\n");
  const std::optional<std::string> stem = LoadSettings();
  ASSERT_TRUE(stem.has_value());
  EXPECT_TRUE(FileExists(*stem + ".out")) << *stem;
}

// A chain file that its writer holds open, sharing reading, can be read; an
// output that a program holds open without sharing is refused before any
// byte is written, and stays as it was.
TEST(Win32PlatformTest, FilesOpenElsewhere) {
  TempDir dir;
  dir.Write("chain.out", "1 0.5\r\n");
  dir.Write("dromout.txt", "earlier");
  const auto open_elsewhere = [&](const char* name, DWORD access, DWORD share) {
    return CreateFileW(NativePath(dir / name).c_str(), access, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  const HANDLE writer = open_elsewhere("chain.out", GENERIC_WRITE, FILE_SHARE_READ);
  const HANDLE viewer = open_elsewhere("dromout.txt", GENERIC_READ, 0);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);

  TextReader in(dir / "chain.out");
  std::string line;
  EXPECT_TRUE(in.ReadLine(line));
  EXPECT_EQ(line, "1 0.5");
  EXPECT_THROW(TextWriter out(dir / "dromout.txt"), FileError);

  CloseHandle(writer);
  CloseHandle(viewer);
  EXPECT_EQ(dir.Read("dromout.txt"), "earlier");
  EXPECT_EQ(dir.Listing(), "chain.out\ndromout.txt\n");
}

}  // namespace
}  // namespace quillet
