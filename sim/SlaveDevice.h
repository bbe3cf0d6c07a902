#pragma once

#include <QByteArray>
#include <cstdint>

#include "link/SerialLine.h"

// One Modbus slave behind the simulated bus: answers the protocol data unit of a request
// (function code onwards; no address, no CRC) with the reply's protocol data unit. Functions 3,
// 6 and 16 are served; everything else gets exception 1. A request that touches one register
// the device does not have (or cannot write) is refused whole with exception 2, as the module
// does: nothing of a partly valid write is stored.
class SlaveDevice {
 public:
  enum Exception : uint8_t {
    IllegalFunction = 1,
    IllegalDataAddress = 2,
    IllegalDataValue = 3,
  };

  explicit SlaveDevice(uint8_t address) : address_(address) {}
  virtual ~SlaveDevice() = default;

  uint8_t address() const { return address_; }
  virtual void setAddress(uint8_t address) { address_ = address; }

  // The line settings the device listens at. A request sent at another rate or parity reaches
  // it as noise, and it stays silent. An empty rate or parity on the line (a transport that does
  // not know them) is heard.
  struct LineFormat {
    int32_t baud = 9600;
    Parity parity = Parity::None;
    bool twoStopBits = true;
  };
  virtual LineFormat lineFormat() const { return {}; }
  bool hears(const LineSettings& line) const;

  QByteArray handle(const QByteArray& pdu);

  // True when a request for `count` registers from `first` addresses only existing registers.
  bool isReadableRange(uint32_t first, uint32_t count) const;
  bool isWritableRange(uint32_t first, uint32_t count) const;

  static QByteArray exceptionPdu(uint8_t function, uint8_t code);

 protected:
  virtual bool isReadable(uint16_t reg) const = 0;
  virtual bool isWritable(uint16_t reg) const = 0;
  // A value the device cannot take refuses the whole request with exception 3.
  virtual bool acceptsValue(uint16_t reg, uint16_t value) const {
    (void)reg;
    (void)value;
    return true;
  }
  virtual uint16_t readRegister(uint16_t reg) const = 0;
  virtual void storeRegister(uint16_t reg, uint16_t value) = 0;
  // Behaviour seams: a read may refresh values first, a write may set things in motion.
  virtual void beforeRead(uint16_t first, uint16_t count) {
    (void)first;
    (void)count;
  }
  virtual void afterWrite(uint16_t first, uint16_t count) {
    (void)first;
    (void)count;
  }

 private:
  QByteArray readHolding(const QByteArray& pdu);
  QByteArray writeSingle(const QByteArray& pdu);
  QByteArray writeMultiple(const QByteArray& pdu);

  uint8_t address_;
};
