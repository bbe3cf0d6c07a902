#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class ModuleModel;

// Lets the module's debug values (registers 256..271) wander slowly around centre values, so
// the tool's debug table and diagram show a living module. Each value swings by a few per cent
// of its centre in a triangle wave of its own period (tens of seconds). The motor-change
// result is a code, not a measurement, and stays put; the motor current is the drive's. Time comes
// in as milliseconds of the caller's clock, so the wave is the same for the same times.
class DebugDrift {
 public:
  static constexpr int kValues = 16;

  // Takes the module's present debug values as the centres; the wave starts at them.
  void start(const ModuleModel& module, uint32_t nowMs);
  void stop() { running_ = false; }
  bool running() const { return running_; }

  // A value set by hand becomes the centre its drift swings around.
  void setCentre(int index, uint16_t value) { centre_[size_t(index)] = value; }

  // Writes the values for `nowMs` into the debug registers; nothing while stopped.
  void apply(ModuleModel& module, uint32_t nowMs) const;

 private:
  // The value of debug value `index` (0..15) at `elapsedMs` after start().
  uint16_t valueAt(int index, uint32_t elapsedMs) const;
  static uint32_t periodMs(int index);
  static int amplitude(uint16_t centre);

  std::array<uint16_t, kValues> centre_{};
  uint32_t startMs_ = 0;
  bool running_ = false;
};
