// The words that name an error no command handles, for every front end: the
// window's error report and the converter's error line say the same.
#pragma once

#include <exception>
#include <string>

namespace quillet {

// "Out of memory" for a failed allocation, the message of any other standard
// exception (every QuilletError is one), and a fixed text for anything else.
std::string DescribeError(std::exception_ptr error);

}  // namespace quillet
