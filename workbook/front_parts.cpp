#include "workbook/front_parts.h"

#include <utility>

namespace quillet {

void FrontParts::Make(Xml xml) {
  {
    const std::lock_guard lock(mutex_);
    xml_ = std::move(xml);
    begun_ = true;
  }
  changed_.notify_all();
  Work();
}

void FrontParts::Fail(std::exception_ptr failure) {
  {
    const std::lock_guard lock(mutex_);
    if (!failure_) failure_ = std::move(failure);
  }
  changed_.notify_all();
}

void FrontParts::Work() {
  for (;;) {
    std::size_t part = 0;
    {
      const std::lock_guard lock(mutex_);
      if (failure_ || next_ == count_) return;
      part = next_++;
    }
    std::exception_ptr failure;
    DeflatedBytes made;
    try {
      made = DeflateWhole(xml_(part));
    } catch (...) {
      failure = std::current_exception();
    }
    {
      const std::lock_guard lock(mutex_);
      parts_[part] = std::move(made);
      if (failure && !failure_) failure_ = std::move(failure);
      ++made_;
    }
    changed_.notify_all();
  }
}

std::vector<DeflatedBytes> FrontParts::Finish() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return begun_ || failure_; });
  }
  Work();
  std::unique_lock lock(mutex_);
  // A part taken by the other thread may still be in the making.
  changed_.wait(lock, [&] { return made_ == next_; });
  if (failure_) std::rethrow_exception(failure_);
  return std::move(parts_);
}

}  // namespace quillet
