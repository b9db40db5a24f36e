// The top-level error report's words: an error that no action handles is
// named in a box captioned "Quillet", after which the program ends.
#pragma once

#include <exception>
#include <string>

namespace quillet::forms {

std::string ErrorReportText(std::exception_ptr error);

}  // namespace quillet::forms
