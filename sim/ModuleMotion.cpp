#include "sim/ModuleMotion.h"

#include <algorithm>

#include "sim/ModuleModel.h"

namespace {

using modulemap::kPullEnd;
using modulemap::kPullEndMap1;
using modulemap::kPushEnd;
using modulemap::kPushEndMap1;
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

// The alarm relay (output 3) as it stands on the terminals: inverted when register 131 is 0.
uint16_t alarmRelay(const ModuleModel& module, bool alarm) {
  const bool inverted = module.get(ModuleMotion::kAlarmRelayLogic) == 0;
  return uint16_t((module.get(ModuleMotion::kAlarmFlag) & ~1u) | ((alarm != inverted) ? 1 : 0));
}

}  // namespace

uint16_t ModuleMotion::currentRegister(uint16_t firmwareVersion) {
  return modulemap::motorCurrent(firmwareVersion);
}

void ModuleMotion::forget() {
  phase_ = Phase::Rest;
  busy_ = 0;
  overSince_.reset();
  resetting_ = false;
  alarm_ = false;
  raised_ = false;
}

void ModuleMotion::command(ModuleModel& module, uint16_t reg, uint32_t nowMs) {
  advance(module, nowMs);
  if (reg == ModuleModel::ResetCommand) {
    if (phase_ != Phase::Rest) stopMotor(module);
    clearRaised(module);
    resetting_ = true;
    resetMs_ = nowMs;
    module.set(ModuleModel::ResetCommand, 1);
    if (!alarm_) module.set(ModuleModel::ControlState, 0);
    return;
  }
  if (phase_ != Phase::Rest || alarm_ || raised_) return;
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
  overSince_.reset();
  module.set(reg, 1);
  module.set(ModuleModel::ControlState, kStateMoving);
  if (drivesEndInputs_) module.set(push ? pullEnd : pushEnd, 0);
  module.set(currentReg_, currentAt(module, nowMs));
  watchOverload(module, nowMs);
  if (circuit_.shorted && !circuit_.shortAlarmOff) raise(module, kAlarmMessage);
}

void ModuleMotion::stopMotor(ModuleModel& module) {
  if (phase_ == Phase::Moving) module.set(currentReg_, 0);
  module.set(busy_, 0);
  phase_ = Phase::Rest;
  busy_ = 0;
  overSince_.reset();
}

void ModuleMotion::raise(ModuleModel& module, uint16_t reg) {
  stopMotor(module);
  raised_ = true;
  module.set(reg, 1);
  module.set(kAlarmFlag, alarmRelay(module, true));
  module.set(ModuleModel::ControlState, kStateAlarm);
}

void ModuleMotion::clearRaised(ModuleModel& module) {
  if (!raised_) return;
  raised_ = false;
  module.set(kAlarmMessage, 0);
  module.set(kAlarmCode, 0);
  module.set(kAlarmFlag, alarmRelay(module, false));
}

void ModuleMotion::watchOverload(const ModuleModel& module, uint32_t fromMs) {
  if (phase_ != Phase::Moving || circuit_.protectionOff ||
      plateau(module) <= module.protectionThresholdMa()) {
    overSince_.reset();
    return;
  }
  if (overSince_) return;
  const uint32_t blankEnd = startMs_ + kInrushBlankMs;
  overSince_ = int32_t(fromMs - blankEnd) > 0 ? fromMs : blankEnd;
}

void ModuleMotion::advance(ModuleModel& module, uint32_t nowMs) {
  if (!enabled_) return;
  if (resetting_ && nowMs - resetMs_ >= kResetMs) {
    resetting_ = false;
    module.set(ModuleModel::ResetCommand, 0);
  }
  if (phase_ == Phase::Moving) {
    if (overSince_ && nowMs - *overSince_ >= module.protectionTripMs() &&
        (!drivesEndInputs_ || *overSince_ + module.protectionTripMs() - startMs_ < travelMs_)) {
      raise(module, kAlarmCode);
      return;
    }
    const bool arrived =
        drivesEndInputs_ ? nowMs - startMs_ >= travelMs_ : module.get(arriveReg_) != 0;
    if (!arrived) {
      module.set(currentReg_, currentAt(module, nowMs));
      return;
    }
    phase_ = Phase::Arrived;
    arrivedMs_ = drivesEndInputs_ ? startMs_ + travelMs_ : nowMs;
    overSince_.reset();
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
  module.set(ModuleModel::ControlState, on ? kStateAlarm : raised_ ? kStateAlarm : 0);
}

void ModuleMotion::setCircuit(ModuleModel& module, const Circuit& circuit, uint32_t nowMs) {
  advance(module, nowMs);
  const bool newShort = circuit.shorted && !circuit_.shorted;
  circuit_ = circuit;
  if (phase_ != Phase::Moving) return;
  if (newShort && !circuit_.shortAlarmOff) {
    raise(module, kAlarmMessage);
    return;
  }
  module.set(currentReg_, currentAt(module, nowMs));
  watchOverload(module, nowMs);
}

int ModuleMotion::plateau(const ModuleModel& module) const {
  using Supply = Circuit::Supply;
  bool at24V = false;
  switch (circuit_.supply) {
    case Supply::None:
      return 0;
    case Supply::V24:
      at24V = true;
      break;
    case Supply::V220:
      break;
    case Supply::ByVoltageType:
      at24V = module.firmwareVersion() >= 200 && module.get(ModuleModel::MotorVoltageType) == 0;
      break;
  }
  int value = at24V ? kPlateau24V * circuit_.percentAt24V / 100 : kPlateau220V;
  if (circuit_.overload || circuit_.shorted) value *= kStallFactor;
  return value;
}

uint16_t ModuleMotion::currentAt(const ModuleModel& module, uint32_t nowMs) const {
  const int settled = plateau(module);
  if (settled == 0) return 0;
  const int peak = settled * 5 / 2;
  const uint32_t t = nowMs - startMs_;
  int value = settled;
  if (t < kRiseMs)
    value = peak * int(t + 1) / int(kRiseMs);
  else if (t < kSettleToPlateauMs)
    value = settled +
            (peak - settled) * int(kSettleToPlateauMs - t) / int(kSettleToPlateauMs - kRiseMs);
  return uint16_t(std::clamp(value + noise(nowMs, settled), 0, 0xFFFF));
}
