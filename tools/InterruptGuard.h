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

  // What Ctrl-C does: clears the guarded flag, if a guard lives. The system's handlers call it;
  // so does a test where no console exists to send Ctrl-C to (a headless Windows process).
  static void interrupt();
};
