#include "sim/ModuleMotion.h"

#include <algorithm>

#include "sim/ModuleModel.h"

namespace {

constexpr uint16_t kPushEndMap1 = 23, kPullEndMap1 = 24;
constexpr uint16_t kPushEnd = 27, kPullEnd = 26;
constexpr uint16_t kStateMoving = 1, kStateArrived = 2, kStateReady = 3, kStateAlarm = 4;

// The inrush rises within 50 ms and decays to the plateau by 400 ms, as a small DC gear motor
// starting against the mechanism's friction.
constexpr uint32_t kRiseMs = 50;
constexpr uint32_t kSettleToPlateauMs = 400;

// A small deterministic wobble (about +-1.5 %) from the time itself, so the same virtual times
// give the same readings.
int noise(uint32_t nowMs, int plateau) {
  uint32_t h = nowMs * 2654435761u;
  h ^= h >> 15;
  h *= 2246822519u;
  h ^= h >> 13;
  const int span = std::max(1, plateau * 3 / 200);
  return int(h % uint32_t(2 * span + 1)) - span;
}

}  // namespace

uint16_t ModuleMotion::currentRegister(uint16_t firmwareVersion) {
  return firmwareVersion >= 200 ? ModuleModel::Debug + 8 : ModuleModel::Debug + 3;
}

void ModuleMotion::forget() {
  phase_ = Phase::Rest;
  busy_ = 0;
  resetting_ = false;
  alarm_ = false;
}

void ModuleMotion::command(ModuleModel& module, uint16_t reg, uint32_t nowMs) {
  advance(module, nowMs);
  if (reg == ModuleModel::ResetCommand) {
    if (phase_ != Phase::Rest) stopMotor(module);
    resetting_ = true;
    resetMs_ = nowMs;
    module.set(ModuleModel::ResetCommand, 1);
    if (!alarm_) module.set(ModuleModel::ControlState, 0);
    return;
  }
  if (phase_ != Phase::Rest || alarm_) return;
  start(module, reg, nowMs);
}

void ModuleMotion::start(ModuleModel& module, uint16_t reg, uint32_t nowMs) {
  const bool map1 = module.get(ModuleModel::InputMap) == 1;
  const uint16_t pushEnd = map1 ? kPushEndMap1 : kPushEnd;
  const uint16_t pullEnd = map1 ? kPullEndMap1 : kPullEnd;
  const bool push = reg == ModuleModel::PushCommand;
  phase_ = Phase::Moving;
  busy_ = reg;
  arriveReg_ = push ? pushEnd : pullEnd;
  currentReg_ = currentRegister(module.firmwareVersion());
  startMs_ = nowMs;
  module.set(reg, 1);
  module.set(ModuleModel::ControlState, kStateMoving);
  if (drivesEndInputs_) module.set(push ? pullEnd : pushEnd, 0);
  module.set(currentReg_, currentAt(module, nowMs));
}

void ModuleMotion::stopMotor(ModuleModel& module) {
  if (phase_ == Phase::Moving) module.set(currentReg_, 0);
  module.set(busy_, 0);
  phase_ = Phase::Rest;
  busy_ = 0;
}

void ModuleMotion::advance(ModuleModel& module, uint32_t nowMs) {
  if (resetting_ && nowMs - resetMs_ >= kResetMs) {
    resetting_ = false;
    module.set(ModuleModel::ResetCommand, 0);
  }
  if (phase_ == Phase::Moving) {
    if (nowMs - startMs_ < travelMs_) {
      module.set(currentReg_, currentAt(module, nowMs));
      return;
    }
    phase_ = Phase::Arrived;
    arrivedMs_ = startMs_ + travelMs_;
    module.set(currentReg_, 0);
    if (drivesEndInputs_) module.set(arriveReg_, 1);
    module.set(ModuleModel::ControlState, kStateArrived);
  }
  if (phase_ == Phase::Arrived && nowMs - arrivedMs_ >= kSettleMs) {
    module.set(ModuleModel::ControlState, kStateReady);
    module.set(busy_, 0);
    phase_ = Phase::Rest;
    busy_ = 0;
  }
}

void ModuleMotion::setAlarm(ModuleModel& module, bool on, uint32_t nowMs) {
  advance(module, nowMs);
  if (on && phase_ != Phase::Rest) stopMotor(module);
  alarm_ = on;
  module.set(ModuleModel::ControlState, on ? kStateAlarm : 0);
}

uint16_t ModuleMotion::currentAt(const ModuleModel& module, uint32_t nowMs) const {
  const bool has24V = module.firmwareVersion() >= 200;
  const bool motor24V = has24V && module.get(ModuleModel::MotorVoltageType) == 0;
  const int plateau = (motor24V ? kPlateau24V : kPlateau220V) + extraLoadMa_;
  const int peak = plateau * 5 / 2;
  const uint32_t t = nowMs - startMs_;
  int value = plateau;
  if (t < kRiseMs)
    value = peak * int(t + 1) / int(kRiseMs);
  else if (t < kSettleToPlateauMs)
    value = plateau +
            (peak - plateau) * int(kSettleToPlateauMs - t) / int(kSettleToPlateauMs - kRiseMs);
  return uint16_t(std::clamp(value + noise(nowMs, plateau), 0, 0xFFFF));
}
