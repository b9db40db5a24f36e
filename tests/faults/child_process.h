// Running a piece of a test in a forked child, for faults that must not touch
// the test process itself: a lowered file-size limit, or dropped privileges
// (the tests run as root in CI, where permission bits alone stop nothing).
#pragma once

#include <functional>
#include <string>

namespace quillet::testing {

// What `body` did, in words a test can compare: "done" when it returned, or
// the kind of error it threw and its message, such as "FileError: ...",
// "OverflowError: Overflow", or "other: ..." for anything outside the family.
std::string OutcomeOf(const std::function<void()>& body);

// OutcomeOf(body), run in a forked child. With `unprivileged`, a child of
// root first becomes the user and group "nobody" (65534). A child that dies
// instead of returning gives "died: ...".
std::string OutcomeInChild(const std::function<void()>& body, bool unprivileged = false);

// Makes every later call of the system call `number` in this process fail
// with `error`, as a file system that refuses the call would. The seccomp
// filter behind it stays for the life of the process: call it only in a
// forked child (OutcomeInChild). Throws std::runtime_error when the kernel
// takes no filter.
void FailSystemCall(long number, int error);

}  // namespace quillet::testing
