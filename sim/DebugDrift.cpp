#include "sim/DebugDrift.h"

#include <algorithm>

#include "sim/ModuleModel.h"

namespace {

constexpr int kMotorChangeResult = ModuleModel::MotorChangeResult - ModuleModel::Debug;

// 0 at phase 0, +a at a quarter, 0 at a half, -a at three quarters of the period.
int64_t triangle(uint32_t phase, uint32_t period, int64_t a) {
  const int64_t x = 4 * a * int64_t(phase) / int64_t(period);  // 0 .. 4a
  if (x <= a) return x;
  if (x <= 3 * a) return 2 * a - x;
  return x - 4 * a;
}

}  // namespace

void DebugDrift::start(const ModuleModel& module, uint32_t nowMs) {
  for (int i = 0; i < kValues; ++i)
    centre_[size_t(i)] = module.get(uint16_t(ModuleModel::Debug + i));
  startMs_ = nowMs;
  running_ = true;
}

uint32_t DebugDrift::periodMs(int index) {
  // Periods that share no small multiple, so the values do not move in step.
  return 30'000 + 7'000 * uint32_t(index);
}

int DebugDrift::amplitude(uint16_t centre) { return std::max(2, centre / 20); }

uint16_t DebugDrift::valueAt(int index, uint32_t elapsedMs) const {
  const uint16_t centre = centre_[size_t(index)];
  if (index == kMotorChangeResult) return centre;
  const uint32_t period = periodMs(index);
  const int64_t value = centre + triangle(elapsedMs % period, period, amplitude(centre));
  return uint16_t(std::clamp<int64_t>(value, 0, 0xFFFF));
}

void DebugDrift::apply(ModuleModel& module, uint32_t nowMs) const {
  if (!running_) return;
  const uint32_t elapsed = nowMs - startMs_;  // wraps with the tick
  // The motor current belongs to the drive's motion: 0 at rest, whatever drifts.
  const int current = ModuleMotion::currentRegister(module.firmwareVersion()) - ModuleModel::Debug;
  for (int i = 0; i < kValues; ++i)
    if (i != current) module.set(uint16_t(ModuleModel::Debug + i), valueAt(i, elapsed));
}
