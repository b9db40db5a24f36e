// The front's parts (the summary's worksheets and their charts), made and
// compressed while the tables' worksheets are written: by the thread that
// makes the front, and, once the worksheets are written, by the thread that
// wrote them, which would otherwise only wait. Each takes the next part not
// yet taken, so that only compressed bytes are held; the last parts, most of
// them a chart each, are then made on two cores instead of one.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "workbook/parallel_deflate.h"

namespace quillet {

class FrontParts {
 public:
  // The XML of part `i` (0 <= i < count); called from two threads at once.
  using Xml = std::function<std::string(std::size_t i)>;

  explicit FrontParts(std::size_t count) : count_(count), parts_(count) {}

  // Makes parts with `xml` until none is left to take; Finish() helps.
  void Make(Xml xml);
  // The parts cannot be made: Finish() throws `failure`.
  void Fail(std::exception_ptr failure);
  // Waits for Make() or Fail(), makes parts not yet taken, waits for those
  // still being made, and gives them all in order. Throws the first failure.
  std::vector<DeflatedBytes> Finish();

 private:
  // Takes and makes parts until none is left or one failed.
  void Work();

  // Not the size of parts_, which Finish() gives away while the other thread
  // may still look for a part to take.
  const std::size_t count_;
  std::mutex mutex_;
  std::condition_variable changed_;
  Xml xml_;  // set once by Make()
  bool begun_ = false;
  std::size_t next_ = 0;  // the next part to take
  std::size_t made_ = 0;  // parts taken and finished, made or failed
  std::exception_ptr failure_;
  std::vector<DeflatedBytes> parts_;
};

}  // namespace quillet
