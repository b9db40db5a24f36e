// The named errors of a conversion. Like every QuilletError, the commands do
// not catch them: they stop the command where they occur and reach the
// program's top-level error report, which shows what() to the user: the
// error's name first, then, where it is known, what the user can act on
// ("Overflow: the table would have more than 32,767 columns (...)").
#pragma once

#include <string>

#include "files/errors.h"

namespace quillet {

// A field scan or a line read after the last byte of a chain file.
class InputPastEndError : public QuilletError {
 public:
  InputPastEndError() : QuilletError("Input past end of file") {}
  // `where`: "run.out ends inside line 7".
  explicit InputPastEndError(const std::string& where)
      : QuilletError("Input past end of file: " + where) {}
};

// A table cell outside the current bounds, or a table that was never created.
class SubscriptOutOfRangeError : public QuilletError {
 public:
  SubscriptOutOfRangeError() : QuilletError("Subscript out of range") {}
  // `why`: which input line found no place in the table.
  explicit SubscriptOutOfRangeError(const std::string& why)
      : QuilletError("Subscript out of range: " + why) {}
};

// A counter or a conversion that does not fit its integer type.
class OverflowError : public QuilletError {
 public:
  OverflowError() : QuilletError("Overflow") {}
  // `what`: the limit passed and the input that passed it.
  explicit OverflowError(const std::string& what) : QuilletError("Overflow: " + what) {}
};

}  // namespace quillet
