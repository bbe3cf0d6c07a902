#pragma once

#include <cstdint>

// The module's holding registers with a role of their own, by protocol address: the one map
// the program, tarvix-cli and the simulated module share. The blocks of the parameter tables
// whose place depends on the firmware version are laid out by FirmwareLayout.
namespace modulemap {

enum Register : uint16_t {
  // The module's own link settings, in mem.ini's encodings (from firmware 202 with stop bits).
  SlaveAddress = 0,
  SpeedIndex = 1,
  ParityCode = 2,
  StopBits = 3,
  // The clock: seconds since 1970, low word first.
  ClockLow = 4,
  ClockHigh = 5,
  // The control block: the command being executed (non-zero while it runs; 1 written starts
  // it) and the control state.
  PushCommand = 8,
  PullCommand = 9,
  ResetCommand = 10,
  ControlState = 11,
  DigitalInputs = 16,    // 17 registers
  Errors = 48,           // 12 registers
  AlarmMessage = 51,     // among the error flags: the alarm a short circuit raises
  AlarmCode = 55,        // non-zero once the module has recorded an alarm
  InputParameters = 68,  // 9 registers: the main tab's inputs table
  InputMap = 76,
  ServiceInputs = 77,  // the service inputs table, as long as the firmware has it
  AutoReset = 94,      // 2 registers, firmware 104 and from 203
  MotorPassword = 118,
  MotorVoltageType = 119,  // 0 = 24 V, 1 = 220 V
  DigitalOutputs = 128,    // 3 registers
  AlarmFlag = 130,         // bit 0: the alarm relay's state
  AlarmRelayLogic = 131,
  PowerOutputLogic = 132,
  Debug = 256,  // 16 registers
  MotorChangeResult = 269,
  KeepLog = 335,
  UnreadLogRecords = 336,
  LogRecord = 337,  // 9 registers
  LogicNumber = 592,
  FirmwareVersion = 768,
  FirmwareRevision = 769,
};

inline constexpr uint16_t kDigitalInputCount = 17;
inline constexpr uint16_t kErrorCount = 12;
inline constexpr uint16_t kDigitalOutputCount = 3;
inline constexpr uint16_t kDebugCount = 16;
inline constexpr uint16_t kLogRecordSize = 9;
inline constexpr uint16_t kAutoResetCount = 2;

// The end-position inputs among the digital inputs: push and pull ends, as input map 1 has
// them and as every other map has them.
inline constexpr uint16_t kPushEndMap1 = 23, kPullEndMap1 = 24;
inline constexpr uint16_t kPushEnd = 27, kPullEnd = 26;

// The motor current is a debug value: debug value 9 from firmware 200 on, 4 before.
inline constexpr uint16_t motorCurrent(int firmwareVersion) {
  return firmwareVersion >= 200 ? Debug + 8 : Debug + 3;
}

}  // namespace modulemap
