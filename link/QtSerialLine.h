#pragma once

#include <memory>

#include "link/SerialLine.h"

class QSerialPort;

// A real serial port (or pseudo-terminal) through QSerialPort. The QSerialPort object is made
// by open() in the calling thread, which is the only thread that uses it until close().
class QtSerialLine : public TimedSerialLine {
 public:
  explicit QtSerialLine(Clock& clock);
  ~QtSerialLine() override;

  bool open(const QString& device) override;
  bool isOpen() const override;
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
  bool portFailed() const;
  // The driver's low-latency mode, where it has one.
  void requestLowLatency();
  // Added to a frame's line time where that alone bounds a write.
  static constexpr uint64_t kFrameSlackMs = 20;

  std::unique_ptr<QSerialPort> port_;
  QString error_;
};
