#pragma once

#include <QString>
#include <mutex>
#include <utility>

#include "link/SerialLine.h"

class SettingsStore;
class StatusLine;
class Prompter;

// The port the module and the bench modules share: opened lazily by the poll cycle with the
// `connect` settings of mem.ini, closed on demand, reopened by the next pass. Every exchange,
// open and close holds mutex() for its whole length, so only one is ever on the line.
class SerialPortLink {
 public:
  SerialPortLink(SerialLine& line, SettingsStore& mem, StatusLine& status, Prompter& prompter);

  // Opens the port if it is not open, then applies the line settings and the time-outs;
  // true when the time-outs were applied.
  bool openPort(const QString& devicePath);
  bool applyPortTimeouts();
  void closePort();
  bool isOpen() const;
  // True while the port's current line settings can be read.
  bool portAlive();

  // The device path for a port name of mem.ini.
  //   Windows: "\\.\COM" followed by the 4th and 5th characters of the name.
  //   elsewhere: "COMn" is /dev/ttyS(n-1); a name starting with "/" is used as it stands;
  //   any other name is taken from /dev. An empty name gives an empty path, which fails to open.
  static QString devicePath(const QString& portName);
  // The device path of the port named by connect/port.
  static QString configuredDevicePath(const SettingsStore& mem);
  // A duration of the `connect` section in milliseconds; negative values count as 0.
  static uint32_t readMilliseconds(const SettingsStore& mem, const char* key, int defaultValue);
  static LineSettings lineSettingsFrom(const SettingsStore& mem);
  static PortTimeouts timeoutsFrom(const SettingsStore& mem);

  // True once after each open: the line may still carry the tail of an exchange another
  // program (or an earlier run) began, so the first exchange waits for it to fall quiet.
  bool takeFreshlyOpened() {
    std::lock_guard lock(mutex_);
    return std::exchange(freshlyOpened_, false);
  }

  std::recursive_mutex& mutex() { return mutex_; }
  SerialLine& line() { return line_; }

 private:
  SerialLine& line_;
  SettingsStore& mem_;
  StatusLine& status_;
  Prompter& prompter_;
  mutable std::recursive_mutex mutex_;
  bool freshlyOpened_ = false;
};
