#include "ui/forms/error_report.h"

#include "core/unexpected_error.h"

namespace quillet::forms {

std::string ErrorReportText(std::exception_ptr error) {
  return "Quillet must close because of an error:\r\n\r\n" + DescribeError(error);
}

}  // namespace quillet::forms
