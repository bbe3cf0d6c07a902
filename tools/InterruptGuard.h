#pragma once

#include <atomic>

// While it lives, Ctrl-C at the terminal clears `flag` (as "Стоп" clears testRunning) instead
// of ending the process: SIGINT on POSIX systems, the console's Ctrl-C and Ctrl-Break events on
// Windows. Only an atomic store happens in the handler.
class InterruptGuard {
 public:
  explicit InterruptGuard(std::atomic_bool& flag);
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
};
