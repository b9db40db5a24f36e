// The converter run as a process on what only POSIX systems have: named
// pipes, descriptors named as files, and a limit of the address space.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/process.h"
#include "support/temp_dir.h"

namespace quillet {
namespace {

// The converter in shell scripts. A name that stands for a descriptor the
// converter was given open (/dev/stdout, /dev/stderr, /dev/fd/N,
// /proc/self/fd/N, a link to one) is written through that descriptor, from
// where it stands, as "-o -" is: what the shell wrote there before and after
// stays, whether the descriptor is a file, a pipe or a process substitution.
// An index that is a pipe or a named pipe, read once, converts as a file
// does; an endless data stream stops at the column limit; a workbook is
// written even where no thread can be started. Each script leaves the
// result in "f"; "$1" is the converter.
TEST(ConvertProcessPosixTest, WorksInShellScripts) {
  const std::string table = "Iteration\ta\t\r\n1\t0.5\t\r\n2\t0.7\t\r\n";
  const struct {
    const char* name;
    const char* script;
    std::string result;
    const char* listing = "chain.ind\nchain.out\nf\n";
  } cases[] = {
      {"stdout inside a group redirected to a file",
       "{ echo head; \"$1\" -q -o /dev/stdout chain; echo tail; } > f",
       "head\n" + table + "tail\n"},
      {"stdout appended to a log",
       "echo old > f; \"$1\" -q -o /dev/stdout chain >> f; echo new >> f",
       "old\n" + table + "new\n"},
      {"stdout into a pipe", "\"$1\" -q -o /dev/stdout chain | cat > f", table},
      {"stderr", "{ echo head >&2; \"$1\" -q -o /dev/stderr chain; } 2> f", "head\n" + table},
      {"/dev/fd/3 open on a file",
       "exec 3> f; echo head >&3; \"$1\" -q -o /dev/fd/3 chain; echo tail >&3",
       "head\n" + table + "tail\n"},
      {"/proc/self/fd/3", "exec 3> f; echo head >&3; \"$1\" -q -o /proc/self/fd/3 chain",
       "head\n" + table},
      {"a link to /dev/stdout", "ln -s /dev/stdout out; { echo head; \"$1\" -q -o out chain; } > f",
       "head\n" + table, "chain.ind\nchain.out\nf\nout\n"},
      {"/dev/fd/3 open on a named pipe",
       "mkfifo p; cat p > f & exec 3> p; echo head >&3; \"$1\" -q -o /dev/fd/3 chain; "
       "exec 3>&-; wait; rm p",
       "head\n" + table},
      {"process substitution",
       "\"$1\" -q -o >(gzip > t.gz) chain; wait $!; gzip -dc t.gz > f; rm t.gz", table},
      {"a descriptor open for reading only: refused, the file untouched",
       "echo kept > r; \"$1\" -q -o /dev/fd/3 chain 3< r 2> f; echo \"status $?\" >> f; "
       "cat r >> f; rm r",
       "quillet-convert: error: Cannot create file \"/dev/fd/3\": Bad file descriptor\nstatus 2\n"
       "kept\n"},
      {"a descriptor open on the index file: refused before anything is read",
       "\"$1\" -q -o /dev/fd/3 chain 3>> chain.ind 2> f; echo \"status $?\" >> f; cat chain.ind >> "
       "f",
       "quillet-convert: The table /dev/fd/3 would overwrite the index file chain.ind.\nstatus 64\n"
       "a 1 2\r\n"},
      {"a line feed in a path: shown as \\n, the report one line",
       "\"$1\" -q -o $'new\\nline/t' chain 2> f; echo \"status $?\" >> f",
       "quillet-convert: error: Cannot create file \"new\\nline/t\": No such file or directory\n"
       "status 2\n"},
      {"the index through a pipe", "\"$1\" -q --index <(cat chain.ind) -o f chain.out", table},
      {"a named pipe as the index",
       "mkfifo p; cat chain.ind > p & timeout 60 \"$1\" -q --index p -o f chain.out; kill $! 2> "
       "/dev/null || true",
       table, "chain.ind\nchain.out\nf\np\n"},
      {"a named pipe as the stem's index",
       "mkdir s; mkfifo s/chain.ind; cp chain.out s; cat chain.ind > s/chain.ind & "
       "timeout 60 \"$1\" -q -o f s/chain; kill $! 2> /dev/null; rm -r s",
       table},
      {"an endless data stream: stopped at the column limit",
       "timeout 60 \"$1\" -q --index chain.ind -o t /dev/urandom 2> f; echo \"status $?\" >> f",
       "quillet-convert: /dev/urandom: error: Overflow: the table would have more than 32,767 "
       "columns (the index says 2 samples per variable; the data file has at least 65,535 "
       "lines)\nstatus 2\n"},
      {"a workbook where no thread can start: written on the one thread",
       // Root is not held to the limit of processes: the converter runs as "nobody".
       // The leak checker of a sanitized build needs a thread of its own at the end.
       "chmod 777 .; run=(); [ \"$(id -u)\" != 0 ] || run=(setpriv --reuid=65534 --regid=65534 "
       "--clear-groups); ASAN_OPTIONS=detect_leaks=0 \"${run[@]}\" bash -c "
       "'ulimit -u 1 && exec \"$0\" -q -o t.xlsx chain' \"$1\" 2> f; echo \"status $?\" >> f; "
       "\"$1\" -q -o u.xlsx chain; cmp t.xlsx u.xlsx >> f && rm t.xlsx u.xlsx",
       "status 0\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    dir.Write("chain.ind", "a 1 2\r\n");
    dir.Write("chain.out", "1 0.5\r\n2 0.7\r\n");
    testing::ProcessOptions options;
    options.cwd = dir.path().string();
    const testing::ProcessResult result =
        testing::RunProcess("/bin/bash", {"-c", c.script, "bash", QUILLET_CONVERT_PATH}, options);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(dir.Read("f"), c.result);
    EXPECT_EQ(dir.Listing(), c.listing);  // no file beside, nothing hidden
  }
}

// A named pipe (or a device such as /dev/null) is written into, not
// replaced by a regular file.
TEST(ConvertProcessPosixTest, WritesIntoANamedPipe) {
  testing::TempDir dir;
  dir.Write("chain.ind", "a 1 2\r\n");
  dir.Write("chain.out", "1 0.5\r\n2 0.7\r\n");
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  // Both ends held open here, so that the converter's open does not wait and
  // the table (far less than a pipe's buffer) waits in the pipe.
  const int read_end = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  const int write_end = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(read_end, 0);
  ASSERT_GE(write_end, 0);
  testing::ProcessOptions options;
  options.cwd = dir.path().string();
  const testing::ProcessResult result =
      testing::RunProcess(QUILLET_CONVERT_PATH, {"-o", "pipe", "chain"}, options);
  ::close(write_end);
  std::string received;
  char buffer[4096];
  for (ssize_t got; (got = ::read(read_end, buffer, sizeof buffer)) > 0;) {
    received.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(read_end);

  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(received, "Iteration\ta\t\r\n1\t0.5\t\r\n2\t0.7\t\r\n");
  struct stat info {};
  ASSERT_EQ(::stat(pipe.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(dir.Listing(), "chain.ind\nchain.out\npipe\n");
}

// Under a limit of the address space far below what a table of millions of
// cells needs: a table that the data file really fills is named out of
// memory; surplus lines, each of which would open a column, stop the Read
// at the column limit instead, long before their columns fill the memory.
// Blank lines without end are not kept beyond a stated amount, and a long
// cell whose workbook text is seven times its size is written a slice at a
// time, within a limit far below that text.
TEST(ConvertProcessPosixTest, MemoryLimitIsNamedOrNeverReached) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than the limit allows";
#else
  std::string lines;
  for (int i = 0; i < 4'000'000; ++i) lines += "1 5\r\n";
  const std::string long_cell = "1 " + std::string(16 << 20, '\x01') + "\r\n";
  const struct {
    const char* name;
    const char* index;
    const std::string& data;
    const char* command;  // "$1" is the converter
    std::size_t limit_mib;
    int status;
    const char* err;
  } cases[] = {
      {"four million samples of one variable", "a 1 4000000\r\n", lines,
       "\"$1\" -o table.txt chain", 36, 2, "quillet-convert: error: Out of memory\n"},
      {"one sample per variable over four million lines", "a 1 1\r\n", lines,
       "\"$1\" -o table.txt chain", 48, 2,
       "quillet-convert: error: Overflow: the table would have more than 32,767 columns (the "
       "index says 1 sample per variable; the data file has 4,000,000 lines)\n"},
      {"endless blank lines", "a 1 1\r\n", lines, "\"$1\" --index chain.ind -o table.txt <(yes '')",
       256, 2,
       "quillet-convert: /dev/fd/63: error: Cannot read file \"/dev/fd/63\": more than 64 MiB of "
       "blank lines in a row, more than is kept of a stream that cannot be read again\n"},
      {"a 16 MiB cell of control characters into a workbook", "a 1 1\r\n", long_cell,
       "\"$1\" -o table.xlsx chain", 128, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir dir;
    dir.Write("chain.ind", c.index);
    dir.Write("chain.out", c.data);
    dir.Write("table.txt", "an earlier table");
    testing::ProcessOptions options;
    options.cwd = dir.path().string();
    options.address_space_limit = c.limit_mib << 20;
    const testing::ProcessResult result =
        testing::RunProcess("/bin/bash", {"-c", c.command, "bash", QUILLET_CONVERT_PATH}, options);
    EXPECT_EQ(result.status, c.status);
    EXPECT_EQ(result.err, c.err);
    EXPECT_EQ(dir.Read("table.txt"), "an earlier table");
  }
#endif
}

}  // namespace
}  // namespace quillet
