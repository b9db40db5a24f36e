// The command-line converter: runs the Read and the Write command without a
// window, on one stem or on an index file with any number of data files.
// Kept apart from main() so that the whole program can be tested in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quillet::convert {

// Exit statuses.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitRefused = 1;  // Read or Write ended with its own message
inline constexpr int kExitError = 2;    // an unexpected error stopped the conversion
inline constexpr int kExitUsage = 64;   // the command line itself is wrong

// Where the table of a data file goes without -o: beside it, named after its
// file name without the last extension, plus ".table.txt".
std::string TablePathFor(const std::string& data);

// The whole program: parses `args` (without the program name), converts, and
// returns the exit status; of several data files, the highest status met.
// Help and version go to `out`, everything else that is not a table goes to
// `err`. A summary on standard output is aligned for reading when
// `out_is_terminal`.
int RunConverter(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 bool err_is_terminal, bool out_is_terminal = false);

}  // namespace quillet::convert
