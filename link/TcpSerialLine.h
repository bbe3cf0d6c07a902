#pragma once

#include <QString>
#include <cstdint>

#include "link/SerialLine.h"

// A serial device server (an Ethernet box that passes Modbus RTU frames between a TCP
// connection and its RS-485 port) as a serial line, named HOST:PORT: the same frames, CRC,
// timings and texts as a serial port. Its serial side's speed, parity and stop bits are set in
// the box itself, so applyLineSettings only takes note. A connection the server closes, or
// one that breaks, fails the next operation as a vanished adapter does, so the poll cycle
// closes it and the next pass connects anew. Plain sockets (BSD, or Winsock on Windows), so
// both systems have it without a network library.
class TcpSerialLine : public TimedSerialLine {
 public:
  explicit TcpSerialLine(Clock& clock);
  ~TcpSerialLine() override;
  TcpSerialLine(const TcpSerialLine&) = delete;
  TcpSerialLine& operator=(const TcpSerialLine&) = delete;

  // A server that does not accept within this time counts as not there.
  static constexpr uint32_t kConnectMs = 3000;

  bool open(const QString& device) override;
  bool isOpen() const override { return socket_ != kNoSocket; }
  void close() override;
  bool applyLineSettings(const LineSettings& settings) override;
  bool isAlive() override;
  void discardInput() override;
  IoResult write(const uint8_t* data, int size, uint32_t waitMs) override;
  QString errorString() const override { return error_; }

 protected:
  int takeAvailable(uint8_t* buffer, int maxBytes) override;
  Wait waitReadable(uint32_t ms) override;

 private:
  static constexpr intptr_t kNoSocket = -1;
  // Waits up to `ms` for the socket to be readable (`out` false) or writable; -1 on failure.
  int waitFor(bool out, uint32_t ms);
  bool fail(const QString& what);  // notes the system's reason; false
  void setClosedByServer();

  intptr_t socket_ = kNoSocket;
  bool closedByServer_ = false;
  QString error_;
};
