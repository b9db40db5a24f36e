// The named errors of a conversion. Like every QuilletError, the commands do
// not catch them: they stop the command where they occur and reach the
// program's top-level error report, which shows what() to the user.
#pragma once

#include "files/errors.h"

namespace quillet {

// A field scan or a line read after the last byte of a chain file.
class InputPastEndError : public QuilletError {
 public:
  InputPastEndError() : QuilletError("Input past end of file") {}
};

// A table cell outside the current bounds, or a table that was never created.
class SubscriptOutOfRangeError : public QuilletError {
 public:
  SubscriptOutOfRangeError() : QuilletError("Subscript out of range") {}
};

// A counter or a conversion that does not fit its integer type.
class OverflowError : public QuilletError {
 public:
  OverflowError() : QuilletError("Overflow") {}
};

}  // namespace quillet
