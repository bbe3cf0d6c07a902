#pragma once

#include <memory>

#include "link/SerialLine.h"

// The line a port name leads to, chosen at every open: a serial device server for a name
// HOST:PORT, the system's serial port for any other. Everything above it (the port, the Modbus
// client, the poll cycle) is the same code for both.
class PortNameLine : public SerialLine {
 public:
  PortNameLine(std::unique_ptr<SerialLine> serial, std::unique_ptr<SerialLine> network);

  bool open(const QString& device) override;
  bool isOpen() const override { return current_->isOpen(); }
  void close() override { current_->close(); }
  bool applyLineSettings(const LineSettings& s) override { return current_->applyLineSettings(s); }
  bool applyTimeouts(const PortTimeouts& t) override { return current_->applyTimeouts(t); }
  bool isAlive() override { return current_->isAlive(); }
  void discardInput() override { current_->discardInput(); }
  void drainUntilQuiet(uint32_t quietMs, uint32_t quietSince) override {
    current_->drainUntilQuiet(quietMs, quietSince);
  }
  IoResult write(const uint8_t* data, int size, uint32_t waitMs) override {
    return current_->write(data, size, waitMs);
  }
  IoResult read(uint8_t* buffer, int maxBytes, uint32_t waitMs, int* received) override {
    return current_->read(buffer, maxBytes, waitMs, received);
  }
  QString errorString() const override { return current_->errorString(); }

 private:
  std::unique_ptr<SerialLine> serial_;
  std::unique_ptr<SerialLine> network_;
  SerialLine* current_;
};
