#pragma once

#include <cstdint>

#include "link/Exchange.h"

class Clock;
class SerialPortLink;
class SettingsStore;

// Modbus RTU master: functions 3, 16 and 6 with the reply checks in a fixed order and the
// failure texts the user sees, plus the thin wrappers that add the slave address and retries.
// The `send`, `sleep` and `receive` times of mem.ini are read at every call.
class ModbusRtuClient {
 public:
  ModbusRtuClient(SerialPortLink& port, SettingsStore& mem, Clock& clock);

  bool readRegisters(ReadExchange& x);
  bool writeRegisters(WriteExchange& x);
  bool writeRegister(WriteExchange& x);

  static constexpr int kAttempts = 5;
  // Module address: low 8 bits of connect/adr (default 100).
  uint8_t moduleAddress() const;
  bool readModuleRegisters(ReadExchange& x, uint16_t first, uint16_t count);
  bool readRegistersAt(ReadExchange& x, uint8_t slave, uint16_t first, uint16_t count);
  bool writeRegisterAt(WriteExchange& x, uint8_t slave, uint16_t reg, uint16_t value);
  bool writeRegisterAtRetry(WriteExchange& x, uint8_t slave, uint16_t reg, uint16_t value);
  bool writeBenchOutputs(uint8_t slave, uint16_t value);
  bool writeModuleRegisters(WriteExchange& x, const uint16_t* values, uint16_t count);

  // The exchange record the bench output writes go through.
  WriteExchange& benchExchange() { return bench_; }

 private:
  struct Timing {
    uint32_t send, sleep, receive;
  };
  Timing timing() const;
  bool writeFrame(WriteExchange& x, const uint8_t* request, int length, uint8_t function);

  SerialPortLink& port_;
  SettingsStore& mem_;
  Clock& clock_;
  WriteExchange bench_;
};
