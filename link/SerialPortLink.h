#pragma once

#include <QString>
#include <mutex>
#include <utility>

#include "link/LinkSettings.h"
#include "link/SerialLine.h"

class SettingsStore;
class StatusLine;

// The port the module and the bench modules share: opened lazily by the poll cycle with the
// `connect` settings of mem.ini, closed on demand, reopened by the next pass. Every exchange,
// open and close holds mutex() for its whole length, so only one is ever on the line. It tells
// of failures on the status line; what the user is asked is for its callers to decide.
class SerialPortLink {
 public:
  SerialPortLink(SerialLine& line, const SettingsStore& mem, StatusLine& status);

  // Opens the port if it is not open, then applies the line settings and the time-outs;
  // true when the time-outs were applied.
  bool openPort(const QString& devicePath);
  bool applyPortTimeouts();
  void closePort();
  bool isOpen() const;
  // True while the port's current line settings can be read.
  bool portAlive();
  // What the status line says when the port did not open: "Ошибка открытия порта" for a
  // serial port; for a serial device server (HOST:PORT) "Нет связи с портом" and the system's
  // reason, since a box on the network fails for reasons worth reading.
  QString openFailureText() const;
  // The line settings the port was last set to (at its open, or by setLineSettings).
  LineSettings lineSettings() const {
    std::lock_guard lock(mutex_);
    return applied_;
  }
  // Sets the open port to other line settings until setLineSettings again or the next open
  // (the search for modules tries them one by one); false when the driver refuses them.
  bool setLineSettings(const LineSettings& settings);
  // False for a serial device server, whose serial side is set in the box, not by us.
  bool setsLineSettings() const;
  // The system's text when the driver refused the line settings at the last open; empty when
  // it took them. Cleared by the reading.
  QString takeLineSettingsError() {
    std::lock_guard lock(mutex_);
    return std::exchange(lineSettingsError_, QString());
  }

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
  LinkSettings settings_;
  StatusLine& status_;
  mutable std::recursive_mutex mutex_;
  bool freshlyOpened_ = false;
  QString lineSettingsError_;
  QString device_;  // as last opened
  LineSettings applied_;
};
