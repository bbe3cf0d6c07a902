#include "core/Clock.h"

#include <chrono>
#include <thread>

namespace {
using steady = std::chrono::steady_clock;
}

uint32_t SteadyClock::tick() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(steady::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

void SteadyClock::sleep(uint32_t ms) {
  const auto until = steady::now() + std::chrono::milliseconds(ms);
  // sleep_until on the steady clock is a clock_nanosleep: it blocks and does not wake early.
  // The loop only guards against a spurious early return.
  while (steady::now() < until) std::this_thread::sleep_until(until);
}

uint64_t SteadyClock::tickMicros() {
  return uint64_t(
      std::chrono::duration_cast<std::chrono::microseconds>(steady::now().time_since_epoch())
          .count());
}

void SteadyClock::sleepMicros(uint64_t us) {
  const auto until = steady::now() + std::chrono::microseconds(us);
  while (steady::now() < until) std::this_thread::sleep_until(until);
}

SteadyClock& SteadyClock::instance() {
  static SteadyClock clock;
  return clock;
}
