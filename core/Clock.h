#pragma once

#include <atomic>
#include <cstdint>

// Millisecond tick and sleep. Everything that waits or measures takes a Clock, so tests run
// on virtual time: a 3 s watch or a 120 s pause passes in microseconds and exactly.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary origin; differences are taken as unsigned 32-bit values.
  virtual uint32_t tick() = 0;
  // Returns no earlier than `ms` milliseconds after the call.
  virtual void sleep(uint32_t ms) = 0;
  // Finer time for the few waits shorter than a tick (the silence between two frames on a fast
  // line). A clock without it counts in whole milliseconds.
  virtual uint64_t tickMicros() { return uint64_t(tick()) * 1000; }
  virtual void sleepMicros(uint64_t us) { sleep(uint32_t((us + 999) / 1000)); }
};

// Real time from the steady clock. sleep() never returns early (Qt's coarse timers may fire
// up to 5 % early, which would shorten the pause the module needs between request and reply).
class SteadyClock : public Clock {
 public:
  uint32_t tick() override;
  void sleep(uint32_t ms) override;
  uint64_t tickMicros() override;
  void sleepMicros(uint64_t us) override;
  static SteadyClock& instance();
};

// Virtual time for tests: sleep() advances the time at once. It counts microseconds, so the
// short silences between frames on a fast line are exact too; tick() is the whole milliseconds.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(uint32_t start = 1000) : nowUs_(uint64_t(start) * 1000) {}
  uint32_t tick() override { return uint32_t(nowUs_.load() / 1000); }
  void sleep(uint32_t ms) override { nowUs_ += uint64_t(ms) * 1000; }
  uint64_t tickMicros() override { return nowUs_.load(); }
  void sleepMicros(uint64_t us) override { nowUs_ += us; }
  void advance(uint32_t ms) { nowUs_ += uint64_t(ms) * 1000; }

 private:
  std::atomic<uint64_t> nowUs_;
};
