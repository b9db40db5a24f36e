#include "core/unexpected_error.h"

#include <new>

namespace quillet {

std::string DescribeError(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const std::bad_alloc&) {
    return "Out of memory";  // what() names no more than the exception's class
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
  }
  return "Unknown error";
}

}  // namespace quillet
