#include "child_process.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <exception>

#include "core/conversion_errors.h"

namespace quillet::testing {

std::string OutcomeOf(const std::function<void()>& body) {
  try {
    body();
    return "done";
  } catch (const InputPastEndError& error) {
    return std::string("InputPastEndError: ") + error.what();
  } catch (const SubscriptOutOfRangeError& error) {
    return std::string("SubscriptOutOfRangeError: ") + error.what();
  } catch (const OverflowError& error) {
    return std::string("OverflowError: ") + error.what();
  } catch (const FileError& error) {
    return std::string("FileError: ") + error.what();
  } catch (const QuilletError& error) {
    return std::string("QuilletError: ") + error.what();
  } catch (const std::exception& error) {
    return std::string("other: ") + error.what();
  }
}

std::string OutcomeInChild(const std::function<void()>& body, bool unprivileged) {
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return std::string("died: pipe: ") + std::strerror(errno);
  const pid_t child = ::fork();
  if (child < 0) return std::string("died: fork: ") + std::strerror(errno);
  if (child == 0) {
    ::close(pipe_ends[0]);
    std::string outcome;
    constexpr gid_t kNobody = 65534;
    if (unprivileged && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
      outcome = std::string("died: cannot drop privileges: ") + std::strerror(errno);
    } else {
      outcome = OutcomeOf(body);
    }
    const char* data = outcome.data();
    std::size_t left = outcome.size();
    while (left > 0) {
      const ssize_t done = ::write(pipe_ends[1], data, left);
      if (done <= 0) break;
      data += done;
      left -= static_cast<std::size_t>(done);
    }
    // Leave at once: no destructors or exit handlers of the parent's objects.
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  std::string outcome;
  char block[4096];
  ssize_t got;
  while ((got = ::read(pipe_ends[0], block, sizeof block)) > 0) {
    outcome.append(block, static_cast<std::size_t>(got));
  }
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return "died: signal " + std::to_string(WTERMSIG(status));
  return outcome;
}

}  // namespace quillet::testing
