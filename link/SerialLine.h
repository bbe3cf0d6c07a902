#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "core/Clock.h"

enum class Parity { None, Even, Odd };

// Line settings for one open. An empty rate or parity keeps what the port already has.
struct LineSettings {
  std::optional<int32_t> baudRate;
  std::optional<Parity> parity;
  bool twoStopBits = true;  // data bits are always 8
};

// The five port time-outs, in milliseconds, with the meanings of a Windows COMMTIMEOUTS record.
// Every SerialLine honours them the same way (TimedSerialLine::read below):
//  readInterval       a read that has received at least one byte completes when no further
//                     byte arrives within this time (0: no interval limit);
//  readTotalPerByte   added to the read limit once per requested byte;
//  readTotalConstant  a read completes at the latest readTotalPerByte * requested + this after
//                     it started, with whatever it has (both 0: no total limit);
//  writeTotalPerByte, writeTotalConstant
//                     a write gives up after writeTotalPerByte * bytes + writeTotalConstant.
// A read also completes as soon as the requested number of bytes has arrived.
struct PortTimeouts {
  uint32_t readInterval = 10;
  uint32_t readTotalPerByte = 0;
  uint32_t readTotalConstant = 1000;
  uint32_t writeTotalPerByte = 100;
  uint32_t writeTotalConstant = 1000;
};

enum class IoResult {
  Completed,  // the operation finished within the caller's wait
  Pending,    // still unfinished when the caller's wait ran out; it has been cancelled
  Failed,     // could not be started, or the port has gone (end of file, device error)
};

// A serial port as the Modbus client sees it. Implementations: QtSerialLine (real ports and
// pseudo-terminals) and the simulator's in-memory line. One exchange at a time; the caller
// (SerialPortLink) serialises access.
class SerialLine {
 public:
  virtual ~SerialLine() = default;

  virtual bool open(const QString& device) = 0;
  virtual bool isOpen() const = 0;
  virtual void close() = 0;
  virtual bool applyLineSettings(const LineSettings& settings) = 0;
  virtual bool applyTimeouts(const PortTimeouts& timeouts) = 0;
  // True while the port's current line settings can be read.
  virtual bool isAlive() = 0;
  // Drops every byte the port holds for reading.
  virtual void discardInput() = 0;
  // Drops every byte that arrives until none has come for `quietMs`. The line counts as quiet
  // since `quietSince` (a tick in the past) when nothing is waiting at the call. Gives up after
  // kMaxDrainMs on a line that never falls silent.
  virtual void drainUntilQuiet(uint32_t quietMs, uint32_t quietSince) = 0;
  static constexpr uint32_t kMaxDrainMs = 2000;
  // Sends `size` bytes; Completed once they have left within `waitMs`. A wait of 0 sets no
  // limit of the caller's: the whole frame is handed over within the port's own time-outs.
  virtual IoResult write(const uint8_t* data, int size, uint32_t waitMs) = 0;
  // Reads up to `maxBytes` under the port time-outs; Completed (with *received bytes, maybe 0)
  // when the read finished within `waitMs`.
  virtual IoResult read(uint8_t* buffer, int maxBytes, uint32_t waitMs, int* received) = 0;
  // The system's text for the last failure.
  virtual QString errorString() const = 0;
};

// Implements the read completion rules of PortTimeouts on top of two primitives, so every
// line times its reads identically.
class TimedSerialLine : public SerialLine {
 public:
  explicit TimedSerialLine(Clock& clock) : clock_(clock) {}

  bool applyTimeouts(const PortTimeouts& timeouts) override;
  IoResult read(uint8_t* buffer, int maxBytes, uint32_t waitMs, int* received) override;
  void drainUntilQuiet(uint32_t quietMs, uint32_t quietSince) override;
  const PortTimeouts& timeouts() const { return timeouts_; }

 protected:
  enum class Wait { Readable, TimedOut, Failed };
  // Moves up to `maxBytes` already received bytes into `buffer`; -1 when the port has gone.
  virtual int takeAvailable(uint8_t* buffer, int maxBytes) = 0;
  // Blocks until bytes can be read or `ms` milliseconds have passed.
  virtual Wait waitReadable(uint32_t ms) = 0;

  Clock& clock_;
  PortTimeouts timeouts_;
};
