// quillet-convert: converts a chain pair from the command line.
#include <iostream>

#include "app/quillet-convert/program_arguments.h"
#include "app/quillet-convert/run.h"
#include "files/platform.h"

int main(int argc, char** argv) {
  return quillet::convert::RunConverter(quillet::convert::ProgramArguments(argc, argv), std::cout,
                                        std::cerr, quillet::StandardErrorIsTerminal(),
                                        quillet::StandardOutputIsTerminal());
}
