// quillet-convert: converts a chain pair from the command line.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/quillet-convert/converter.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return quillet::convert::RunConverter(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
}
