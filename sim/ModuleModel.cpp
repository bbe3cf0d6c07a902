#include "sim/ModuleModel.h"

#include <algorithm>

#include "core/Clock.h"

namespace {

bool within(uint16_t reg, uint16_t first, uint16_t last) { return reg >= first && reg <= last; }

// Timer block of each firmware version: first register and count.
struct Block {
  uint16_t first;
  uint16_t count;
  bool contains(uint16_t reg) const { return reg >= first && reg < first + count; }
};

Block timerBlock(uint16_t v) {
  switch (v) {
    case 0:
      return {96, 12};
    case 100:
      return {96, 10};
    case 101:
    case 103:
      return {96, 11};
    case 102:
    case 200:
      return {97, 10};
    case 104:
      return {94, 13};
    default:
      return {97, 13};
  }
}

Block motorBlock(uint16_t v) {
  switch (v) {
    case 0:
    case 100:
    case 101:
    case 103:
    case 104:
      return {112, 6};
    default:
      // Below 200 the protection has four stages, and the attempt count follows them one
      // register further on (118), where the production test's overload step writes it.
      return v > 104 && v < 200 ? Block{113, 6} : Block{113, 5};
  }
}

// Versions 103 and those without a row of their own leave the gain block to the tool; the
// module still has all four registers there.
Block ampsBlock(uint16_t v) { return v == 209 ? Block{66, 2} : Block{64, 4}; }

Block serviceInputsBlock(uint16_t v) { return {77, uint16_t(v == 0 ? 6 : 8)}; }

bool hasAutoReset(uint16_t v) { return v == 104 || v >= 203; }
bool hasMotorVoltage(uint16_t v) { return v >= 200; }
bool hasOutputLogic(uint16_t v) { return v >= 103; }

}  // namespace

ModuleModel::ModuleModel(uint8_t address)
    : SlaveDevice(address), regs_(0x10000, 0), clock_(&SteadyClock::instance()) {
  regs_[FirmwareVersion] = kDefaultFirmware;
  regs_[LogicNumber] = 1;
  resetDefaults();
}

void ModuleModel::resetDefaults() {
  // Identification and configuration survive; everything else starts afresh.
  const uint16_t version = regs_[FirmwareVersion];
  const uint16_t revision = regs_[FirmwareRevision];
  const uint16_t logic = regs_[LogicNumber];
  const uint16_t inputMap = regs_[InputMap];
  std::fill(regs_.begin(), regs_.end(), 0);
  motion_.forget();
  regs_[FirmwareVersion] = version;
  regs_[FirmwareRevision] = revision;
  regs_[LogicNumber] = logic;
  regs_[InputMap] = inputMap;

  regs_[SlaveAddress] = address();
  regs_[SpeedIndex] = 0;        // 9600 baud
  regs_[ParityCode] = 0;        // none
  regs_[StopBits] = 1;          // two
  setClockSeconds(1704067200);  // 2024-01-01 00:00:00

  // Parameters: small distinct values, so a block read from the wrong start shows at once.
  for (uint16_t r = 64; r <= 67; ++r) regs_[r] = 10 * (r - 63);             // gains 10..40
  for (uint16_t r = 0; r < 8; ++r) regs_[InputParameters + r] = r + 1;      // inputs 1..8
  for (uint16_t r = 0; r < 8; ++r) regs_[ServiceInputs + r] = 5 * (r + 1);  // service 5..40
  // The input inversion mask sits in row 1 from 209 on, in row 8 before; no input inverted.
  regs_[ServiceInputs + (version >= 209 ? 0 : 7)] = 0;
  regs_[AutoReset] = 1;  // auto-reset on
  regs_[AutoReset + 1] = 30;
  for (uint16_t r = 96; r <= 109; ++r) regs_[r] = 100 * (r - 95);          // timers 100..1400 ms
  for (uint16_t r = 112; r <= 117; ++r) regs_[r] = 500 + 100 * (r - 112);  // motor 500..1000
  regs_[117] = 3;                                                          // attempt count
  if (motorBlock(version).count == 6 && motorBlock(version).first == 113) regs_[118] = 3;
  regs_[MotorVoltageType] = 0;  // 24 V motor
  regs_[AlarmRelayLogic] = 1;
  regs_[PowerOutputLogic] = 1;
  regs_[KeepLog] = 1;

  // A module at rest on the bench: supply voltage in tenths of a volt, temperatures, counters;
  // the motor-change result (269) says nothing happened yet.
  static constexpr uint16_t kDebugAtRest[16] = {241, 3,  27, 1200, 512, 85, 6, 14,
                                                230, 60, 1,  4,    100, 0,  7, 33};
  for (uint16_t i = 0; i < 16; ++i) regs_[Debug + i] = kDebugAtRest[i];
  regs_[ModuleMotion::currentRegister(version)] = 0;  // the motor stands
  log_.reset(*this);
}

uint16_t ModuleModel::protectionThresholdMa() const {
  const uint16_t v = firmwareVersion();
  return regs_[motorBlock(v).first + (v >= 200 ? 2 : 3)];
}

uint16_t ModuleModel::protectionTripMs() const {
  const uint16_t v = firmwareVersion();
  return regs_[timerBlock(v).first + (v >= 200 ? 2 : 3)];
}

void ModuleModel::update() {
  motion_.advance(*this, clock_->tick());
  log_.logEndPositions(*this);  // a drive that arrived or left an end position
}

void ModuleModel::installFirmware(uint16_t version, uint16_t revision) {
  setFirmware(version, revision);
  resetDefaults();
}

void ModuleModel::setFirmware(uint16_t version, uint16_t revision) {
  regs_[FirmwareVersion] = version;
  regs_[FirmwareRevision] = revision;
}

void ModuleModel::setAddress(uint8_t address) {
  SlaveDevice::setAddress(address);
  regs_[SlaveAddress] = address;
}

void ModuleModel::setClockSeconds(uint32_t seconds) {
  regs_[ClockLow] = uint16_t(seconds & 0xFFFF);
  regs_[ClockHigh] = uint16_t(seconds >> 16);
}

bool ModuleModel::isParameterMapped(uint16_t reg) const {
  const uint16_t v = firmwareVersion();
  if (within(reg, InputParameters, InputMap) || within(reg, DigitalOutputs, AlarmFlag)) return true;
  if (ampsBlock(v).contains(reg) || serviceInputsBlock(v).contains(reg)) return true;
  if (timerBlock(v).contains(reg) || motorBlock(v).contains(reg)) return true;
  if (hasAutoReset(v) && within(reg, AutoReset, AutoReset + 1)) return true;
  if (hasMotorVoltage(v) && within(reg, MotorPassword, MotorVoltageType)) return true;
  if (hasOutputLogic(v) && within(reg, AlarmRelayLogic, PowerOutputLogic)) return true;
  return false;
}

bool ModuleModel::isMapped(uint16_t reg) const {
  if (reg <= StopBits || within(reg, ClockLow, ClockHigh)) return true;
  if (within(reg, PushCommand, ControlState)) return true;
  if (within(reg, DigitalInputs, DigitalInputs + 16) || within(reg, Errors, Errors + 11))
    return true;
  if (within(reg, 64, PowerOutputLogic)) return isParameterMapped(reg);
  if (within(reg, Debug, Debug + 15) || within(reg, KeepLog, LogRecord + 8)) return true;
  return reg == LogicNumber || reg == FirmwareVersion || reg == FirmwareRevision;
}

bool ModuleModel::isReadOnly(uint16_t reg) const {
  // What the module measures or reports about itself; the tool never writes these.
  return reg == ControlState || within(reg, DigitalInputs, DigitalInputs + 16) ||
         within(reg, Errors, Errors + 11) || within(reg, DigitalOutputs, DigitalOutputs + 2) ||
         within(reg, Debug, Debug + 15) || reg == UnreadLogRecords ||
         within(reg, LogRecord + 1, LogRecord + 8) || reg == LogicNumber ||
         reg == FirmwareVersion || reg == FirmwareRevision;
}

void ModuleModel::beforeRead(uint16_t first, uint16_t count) {
  update();
  log_.beforeRead(*this, first, count);
  if (readHook_) readHook_(first, count);
}

bool ModuleModel::acceptsValue(uint16_t reg, uint16_t value) const {
  switch (reg) {
    case SlaveAddress:
      return value >= 1 && value <= 247;  // 0 is the broadcast address
    case SpeedIndex:
      return value <= 4;  // 9600 .. 115200
    case ParityCode:
      return value <= 2;  // none, even, odd
    case StopBits:
      return value <= 1;  // one, two
    default:
      return true;
  }
}

void ModuleModel::storeRegister(uint16_t reg, uint16_t value) {
  if (reg == MotorPassword && hasMotorVoltage(firmwareVersion())) {
    framePassword_ = value;
  } else if (reg == MotorVoltageType) {
    frameVoltageType_ = value;
  } else if (reg >= PushCommand && reg <= ResetCommand) {
    // The command registers report what the module executes; writing 1 starts it, 0 nothing.
    if (!motion_.enabled())
      regs_[reg] = value;
    else if (value)
      motion_.command(*this, reg, clock_->tick());
  } else {
    regs_[reg] = value;
  }
}

void ModuleModel::judgeMotorVoltageChange() {
  // A type written without the password in the same frame is refused like a wrong password.
  const bool accepted = framePassword_ && *framePassword_ == motorPassword_;
  if (accepted) regs_[MotorVoltageType] = *frameVoltageType_;
  regs_[MotorChangeResult] = accepted ? 1 : 0;
}

void ModuleModel::afterWrite(uint16_t first, uint16_t count) {
  // The reply to this write still carries the old address; the next request needs the new one.
  if (first == SlaveAddress) SlaveDevice::setAddress(uint8_t(regs_[SlaveAddress]));
  if (frameVoltageType_) judgeMotorVoltageChange();
  framePassword_.reset();
  frameVoltageType_.reset();
  log_.afterWrite(*this, first, count);
  log_.logEndPositions(*this);
  if (writeHook_) writeHook_(first, count);
}
