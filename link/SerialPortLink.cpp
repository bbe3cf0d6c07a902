#include "link/SerialPortLink.h"

#include "core/StatusLine.h"

SerialPortLink::SerialPortLink(SerialLine& line, const SettingsStore& mem, StatusLine& status)
    : line_(line), settings_(mem), status_(status) {}

bool SerialPortLink::openPort(const QString& devicePath) {
  std::lock_guard lock(mutex_);
  if (!line_.isOpen()) {
    if (!line_.open(devicePath)) {
      status_.setText(StatusLine::Link, QStringLiteral("Ошибка открытия порта"));
      return false;
    }
    freshlyOpened_ = true;
  }
  lineSettingsError_ =
      line_.applyLineSettings(settings_.lineSettings()) ? QString() : line_.errorString();
  return applyPortTimeouts();
}

bool SerialPortLink::applyPortTimeouts() {
  std::lock_guard lock(mutex_);
  if (!line_.isOpen()) return false;
  return line_.applyTimeouts(settings_.timeouts());
}

void SerialPortLink::closePort() {
  std::lock_guard lock(mutex_);
  if (line_.isOpen()) line_.close();
}

bool SerialPortLink::isOpen() const {
  std::lock_guard lock(mutex_);
  return line_.isOpen();
}

bool SerialPortLink::portAlive() {
  std::lock_guard lock(mutex_);
  return line_.isOpen() && line_.isAlive();
}
