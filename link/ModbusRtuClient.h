#pragma once

#include <QVector>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "link/Exchange.h"

class Clock;
class SerialLine;
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
  // The most registers one RTU frame of 256 bytes carries; a request for none or for more is
  // refused before the bus with countRefusal().
  static constexpr uint16_t kMaxReadCount = 125;
  static constexpr uint16_t kMaxWriteCount = 123;
  static QString countRefusal(uint16_t count);
  // Module address: low 8 bits of connect/adr (default 100).
  uint8_t moduleAddress() const;
  bool readModuleRegisters(ReadExchange& x, uint16_t first, uint16_t count);
  bool readRegistersAt(ReadExchange& x, uint8_t slave, uint16_t first, uint16_t count);
  bool writeRegisterAt(WriteExchange& x, uint8_t slave, uint16_t reg, uint16_t value);
  bool writeRegisterAtRetry(WriteExchange& x, uint8_t slave, uint16_t reg, uint16_t value);
  bool writeBenchOutputs(uint8_t slave, uint16_t value);
  // One register of the module with function 6, one attempt.
  bool writeModuleRegister(WriteExchange& x, uint16_t reg, uint16_t value);
  // A block of the module's registers with function 16, one attempt.
  bool writeModuleRegisters(WriteExchange& x, uint16_t first, const uint16_t* values,
                            uint16_t count);

  // Told of every register write frame, with the value each register had when last read
  // (or written) where one is known: the session journal records what was changed on site.
  struct WrittenRegister {
    uint16_t address;
    std::optional<uint16_t> old;
    uint16_t value;
  };
  using WriteObserver = std::function<void(uint8_t slave, const QVector<WrittenRegister>& registers,
                                           bool ok, const QString& error)>;
  void setWriteObserver(WriteObserver observer);

  // The exchange record the bench output writes go through.
  WriteExchange& benchExchange() { return bench_; }

 private:
  struct Timing {
    uint32_t send, sleep, receive;
  };
  Timing timing() const;
  void prepareLine(SerialLine& line, const Timing& t);
  // Sets the error text and has the next exchange wait for the line to fall quiet; false.
  bool failed(QString& error, const QString& text);
  bool writeFrame(WriteExchange& x, const uint8_t* request, int length, uint8_t function);
  bool observedWrite(WriteExchange& x, uint16_t count, const uint8_t* request, int length,
                     uint8_t function);
  void rememberValues(uint8_t slave, uint16_t first, const uint16_t* values, int count);

  SerialPortLink& port_;
  SettingsStore& mem_;
  Clock& clock_;
  WriteExchange bench_;
  // Under the port lock: the last exchange failed at failedAt_.
  bool recoveryPending_ = false;
  uint32_t failedAt_ = 0;

  std::mutex knownMutex_;
  std::unordered_map<uint32_t, uint16_t> known_;  // (slave << 16 | register) -> value
  WriteObserver writeObserver_;
};
