#pragma once

#include <deque>
#include <utility>

#include "link/SerialLine.h"

class SimBus;

// A serial line wired to the simulated bus, in memory. A request written to it is answered by
// the bus; the reply's bytes arrive on the clock, after the turnaround and, with line-time
// emulation, at the pace of the baud rate (10 bits a character). On a virtual clock every
// wait passes at once and exactly. The bus's devices run on the line's clock too (set at
// construction), so what the module does over time keeps step with the waits.
class MemoryLine : public TimedSerialLine {
 public:
  MemoryLine(SimBus& bus, Clock& clock);

  // 0 turns line-time emulation off: requests leave at once and replies arrive whole.
  void setEmulatedBaud(int baud) { emulatedBaud_ = baud; }
  void setTurnaroundMs(uint32_t ms) { turnaroundMs_ = ms; }
  // Unplugging makes every operation fail as on a vanished device; the open port stays open.
  void setUnplugged(bool unplugged) { unplugged_ = unplugged; }
  // Opening fails while the port is absent (no adapter, or held by another program).
  void setAbsent(bool absent) { absent_ = absent; }
  void setRejectLineSettings(bool reject) { rejectSettings_ = reject; }
  // Requests reach only the devices that listen at the line settings the port was given, as on
  // a real line; off, every device hears every request whatever the port's settings.
  void setLineSettingsHeard(bool heard) { settingsHeard_ = heard; }

  bool open(const QString& device) override;
  bool isOpen() const override { return open_; }
  void close() override;
  bool applyLineSettings(const LineSettings& settings) override;
  bool isAlive() override { return open_ && !unplugged_; }
  void discardInput() override;
  IoResult write(const uint8_t* data, int size, uint32_t waitMs) override;
  QString errorString() const override { return error_; }

  const QString& openedDevice() const { return device_; }
  const LineSettings& lineSettings() const { return settings_; }
  int openCount() const { return openCount_; }
  int requestCount() const { return requestCount_; }

 protected:
  int takeAvailable(uint8_t* buffer, int maxBytes) override;
  Wait waitReadable(uint32_t ms) override;

 private:
  uint32_t charTimeMicros() const;

  SimBus& bus_;
  std::deque<std::pair<uint32_t, uint8_t>> incoming_;  // arrival tick, byte
  LineSettings settings_;
  QString device_;
  QString error_;
  int emulatedBaud_ = 0;
  uint32_t turnaroundMs_ = 0;
  bool open_ = false;
  bool unplugged_ = false;
  bool absent_ = false;
  bool rejectSettings_ = false;
  bool settingsHeard_ = false;
  int openCount_ = 0;
  int requestCount_ = 0;
};
