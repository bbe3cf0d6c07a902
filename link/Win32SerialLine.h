#pragma once

#include <QString>
#include <QStringList>

#include "link/SerialLine.h"

// A COM port on Windows, straight on the Win32 API: "\\.\COMn" opened exclusively for
// overlapped I/O, the line set through the DCB, the five time-outs as the port's COMMTIMEOUTS,
// so the driver itself ends a read by the interval and total limits. One completion event and
// one OVERLAPPED record serve every write and read; only one operation is ever outstanding, and
// one the caller gave up on is cancelled before the next starts. Failures keep the system's text
// for the error code (FormatMessage).
class Win32SerialLine : public SerialLine {
 public:
  explicit Win32SerialLine(Clock& clock);
  ~Win32SerialLine() override;
  Win32SerialLine(const Win32SerialLine&) = delete;
  Win32SerialLine& operator=(const Win32SerialLine&) = delete;

  bool open(const QString& device) override;
  bool isOpen() const override;
  void close() override;
  bool applyLineSettings(const LineSettings& settings) override;
  bool applyTimeouts(const PortTimeouts& timeouts) override;
  bool isAlive() override;
  void discardInput() override;
  void drainUntilQuiet(uint32_t quietMs, uint32_t quietSince) override;
  IoResult write(const uint8_t* data, int size, uint32_t waitMs) override;
  IoResult read(uint8_t* buffer, int maxBytes, uint32_t waitMs, int* received) override;
  QString errorString() const override { return error_; }

  // The system's text for a Win32 error code, without the trailing line break.
  static QString systemText(unsigned long code);

 private:
  enum class Finish { Done, TimedOut, Failed };
  // Waits for the outstanding operation: its completion is tested without blocking, and
  // between two tests the thread sleeps on the completion event, so waiting costs no CPU.
  Finish finish(uint32_t waitMs, unsigned long* transferred);
  // Cancels the outstanding operation and waits until the driver has let go of the buffer.
  unsigned long cancel();
  void setError(unsigned long code);

  Clock& clock_;
  void* port_;   // HANDLE; INVALID_HANDLE_VALUE while not open
  void* event_;  // the completion event (automatic reset), null while not open
  struct Overlapped;
  Overlapped* overlapped_;  // the one asynchronous-operation record
  PortTimeouts timeouts_;
  uint32_t baudRate_ = 9600;  // as the port was last set, for the line time of a frame
  QString error_;
  uint8_t scratch_[256] = {};  // where drainUntilQuiet reads what it drops
};
