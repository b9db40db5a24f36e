// What the tests ask of the system they run on, from one place per system
// (process_posix.cpp, process_win32.cpp): running a program as a separate
// process, as a script would, and collecting what it did (exit status,
// standard output and standard error); what text streams do to line ends; the
// null device; whether a file is open.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillet::testing {

struct ProcessResult {
  int status = -1;  // the exit status; 128 + the signal when killed by one
  std::string out;
  std::string err;
};

struct ProcessOptions {
  std::string cwd;                      // where it runs; empty: here
  std::size_t address_space_limit = 0;  // bytes; 0: no limit (POSIX only)
};

// Runs `program` with `args` (not including the program itself) and an empty
// standard input, and waits for it. On Windows a program named without a
// directory is looked for first beside the running test, as Windows does.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options = {});

// What a program writes for `text` on a stream in text mode, as its messages
// go out: the text itself, and on Windows CR LF for each LF.
std::string TextLines(const std::string& text);

// What reading `bytes` back in text mode gives, as GoogleTest reads the
// output it captured: the bytes themselves, and on Windows LF for each CR LF.
std::string ReadInTextMode(const std::string& bytes);

// The device that takes any bytes and keeps none: /dev/null, or NUL.
std::string NullDevice();

// Whether this process holds `path` open, where the system can tell (Linux:
// /proc/self/fd); empty where it cannot.
std::optional<bool> IsOpenInThisProcess(const std::string& path);

}  // namespace quillet::testing
