#include "child_process.h"

#include <grp.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <stdexcept>

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

void FailSystemCall(long number, int error) {
#if defined(__x86_64__) || defined(__aarch64__)
#if defined(__x86_64__)
  constexpr std::uint32_t kArchitecture = AUDIT_ARCH_X86_64;
#else
  constexpr std::uint32_t kArchitecture = AUDIT_ARCH_AARCH64;
#endif
  // Calls of another architecture's numbering, and every other call, pass.
  sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArchitecture, 0, 3),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(number), 0, 1),
      BPF_STMT(BPF_RET | BPF_K,
               SECCOMP_RET_ERRNO | (static_cast<std::uint32_t>(error) & SECCOMP_RET_DATA)),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  const sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
  if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0) {
    throw std::runtime_error(std::string("cannot filter system calls: ") + std::strerror(errno));
  }
#else
  (void)number;
  (void)error;
  throw std::runtime_error("no system call filter for this architecture");
#endif
}

}  // namespace quillet::testing
