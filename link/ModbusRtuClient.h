#pragma once

#include <QString>
#include <cstdint>
#include <functional>

#include "link/BusFrame.h"
#include "link/Exchange.h"
#include "link/LinkSettings.h"
#include "link/RtuFrame.h"

class Clock;
class SerialLine;
class SerialPortLink;
class SettingsStore;

// Told of every exchange that reached the bus; called on the exchanging thread, under the
// port lock, so it must be quick.
class ExchangeObserver {
 public:
  virtual ~ExchangeObserver() = default;
  // A read reply that passed every check.
  virtual void registersRead(uint8_t slave, uint16_t first, const uint16_t* values, int count) = 0;
  // A write frame, done or not; `error` holds the failure text.
  virtual void registersWritten(uint8_t slave, uint16_t first, const uint16_t* values, int count,
                                bool ok, const QString& error) = 0;
};

// Modbus RTU master: one exchange of function 3, 16 or 6 at a time on the shared port, with
// the reply checks (RtuFrame) and the failure texts the user sees, plus the thin wrappers
// that add the slave address and the retry policy. The timing and the module address come
// from mem.ini at every call.
class ModbusRtuClient {
 public:
  ModbusRtuClient(SerialPortLink& port, const SettingsStore& mem, Clock& clock);

  bool readRegisters(ReadExchange& x);
  bool writeRegisters(WriteExchange& x);
  bool writeRegister(WriteExchange& x);

  // The retry policy of every caller: up to kAttempts tries, stopping at the first success.
  static constexpr int kAttempts = 5;
  static bool withRetries(const std::function<bool()>& attempt);
  // Requests for no registers, or for more than a frame carries, never reach the bus.
  static QString countRefusal(uint16_t count);
  // Address 0 is the broadcast: a write to it is taken by every slave and answered by none, so
  // it succeeds once sent; a read of it is refused before anything is sent.
  static constexpr uint8_t kBroadcastAddress = 0;
  static QString broadcastReadRefusal();

  uint8_t moduleAddress() const { return settings_.moduleAddress(); }
  bool readModuleRegisters(ReadExchange& x, uint16_t first, uint16_t count);
  bool readRegistersAt(ReadExchange& x, uint8_t slave, uint16_t first, uint16_t count);
  bool writeRegisterAt(WriteExchange& x, uint8_t slave, uint16_t reg, uint16_t value);
  bool writeRegisterAtRetry(WriteExchange& x, uint8_t slave, uint16_t reg, uint16_t value);
  // One register of the module with function 6, one attempt.
  bool writeModuleRegister(WriteExchange& x, uint16_t reg, uint16_t value);
  // A block of the module's registers with function 16, one attempt.
  bool writeModuleRegisters(WriteExchange& x, uint16_t first, const uint16_t* values,
                            uint16_t count);

  void setObserver(ExchangeObserver* observer) { observer_ = observer; }
  // Told of every frame exchange, failed ones included (the traffic monitor, --trace).
  void setFrameObserver(FrameObserver* observer) { frameObserver_ = observer; }

 private:
  void prepareLine(SerialLine& line, const LinkSettings::Timing& t);
  // Sets the error text and has the next exchange wait for the line to fall quiet; false.
  bool failed(QString& error, const QString& text);
  // One request and its reply on the line, whatever the function: the send, the pause, the
  // reply up to its capacity, its checks, and the recovery after a failure. What differs
  // between a read and a write is said by the transaction.
  struct Transaction {
    const uint8_t* request = nullptr;
    int requestLength = 0;
    uint8_t* reply = nullptr;
    int replyCapacity = 0;
    bool write = false;                   // the failure texts of a write, else of a read
    bool closePortWhenSendFails = false;  // a send that fails outright counts as a lost port
    // The reply's checks on `received` bytes; sets the exception code of an exception reply.
    std::function<rtu::Verdict(int received, uint8_t& exceptionCode)> check;
    // Told of the outcome under the port lock, before the frame observer.
    std::function<void(bool ok)> done;
  };
  bool transact(const Transaction& t, QString& error, uint16_t& errorCode);
  bool exchangeWrite(WriteExchange& x, const uint8_t* request, int length, uint16_t count);

  // Tells the frame observer of an exchange that began at `startedAt`; returns `ok`.
  bool traced(bool ok, ExchangeOutcome outcome, const QString& error, const uint8_t* request,
              int requestLength, const uint8_t* reply, int replyLength, uint32_t startedAt);

  SerialPortLink& port_;
  LinkSettings settings_;
  Clock& clock_;
  ExchangeObserver* observer_ = nullptr;
  FrameObserver* frameObserver_ = nullptr;
  // Under the port lock: the last exchange failed at failedAt_.
  bool recoveryPending_ = false;
  uint32_t failedAt_ = 0;
};
