// Runs a program as a separate process, as a script would, and collects what
// it did: exit status, standard output and standard error.
#pragma once

#include <cstddef>
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
  std::size_t address_space_limit = 0;  // bytes; 0: no limit
};

// Runs `program` with `args` (not including the program itself) and an empty
// standard input, and waits for it.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options = {});

}  // namespace quillet::testing
