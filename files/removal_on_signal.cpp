#include "files/removal_on_signal.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>

namespace quillet {
namespace {

// A process writes one file at a time, or a few: the table and the
// settings file.
constexpr int kSlots = 8;

struct Slot {
  std::atomic<bool> taken{false};  // claimed by a writer
  std::atomic<bool> armed{false};  // `path` is complete and to be removed
  char path[PATH_MAX];
};

Slot slots[kSlots];

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// Only async-signal-safe calls: unlink, sigaction, sigprocmask, raise.
extern "C" void RemoveAndEnd(int signal_number) {
  for (Slot& slot : slots) {
    if (slot.armed.load(std::memory_order_acquire)) ::unlink(slot.path);
  }
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  ::sigaction(signal_number, &fallback, nullptr);
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  ::sigprocmask(SIG_UNBLOCK, &just_this, nullptr);
  ::raise(signal_number);
}

bool LeftToDefault(int signal_number) {
  struct sigaction now {};
  if (::sigaction(signal_number, nullptr, &now) != 0) return false;
  return (now.sa_flags & SA_SIGINFO) == 0 && now.sa_handler == SIG_DFL;
}

void Install() {
  for (const int signal_number : kEndingSignals) {
    if (!LeftToDefault(signal_number)) continue;
    struct sigaction handler {};
    handler.sa_handler = RemoveAndEnd;
    sigemptyset(&handler.sa_mask);
    // The other ending signals wait while one removes the files.
    for (const int other : kEndingSignals) sigaddset(&handler.sa_mask, other);
    handler.sa_flags = SA_RESTART;
    ::sigaction(signal_number, &handler, nullptr);
  }
  if (LeftToDefault(SIGXFSZ)) ::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace

void PrepareForWriting() {
  static std::once_flag installed;
  std::call_once(installed, Install);
}

int RemoveOnSignal(const std::string& path) {
  if (path.size() >= PATH_MAX || path.find('\0') != std::string::npos) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!slots[i].taken.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].armed.store(true, std::memory_order_release);
    return i;
  }
  return -1;
}

void KeepOnSignal(int slot) {
  if (slot < 0) return;
  slots[slot].armed.store(false, std::memory_order_release);
  slots[slot].taken.store(false, std::memory_order_release);
}

}  // namespace quillet
