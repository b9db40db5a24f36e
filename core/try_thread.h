// The one way the conversion starts a thread of its own: where the system
// gives none (a process limit), the caller does the work itself.
#pragma once

#include <system_error>
#include <thread>
#include <utility>

namespace quillet {

// A thread running `work`; one not joinable when the system gives none.
template <typename Work>
std::thread TryThread(Work&& work) {
  try {
    return std::thread(std::forward<Work>(work));
  } catch (const std::system_error&) {
    return std::thread();
  }
}

}  // namespace quillet
