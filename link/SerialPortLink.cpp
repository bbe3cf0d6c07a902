#include "link/SerialPortLink.h"

#include "core/StatusLine.h"

SerialPortLink::SerialPortLink(SerialLine& line, const SettingsStore& mem, StatusLine& status)
    : line_(line), settings_(mem), status_(status) {}

bool SerialPortLink::openPort(const QString& devicePath) {
  std::lock_guard lock(mutex_);
  if (!line_.isOpen()) {
    device_ = devicePath;
    if (!line_.open(devicePath)) {
      status_.setText(StatusLine::Link, openFailureText());
      return false;
    }
    freshlyOpened_ = true;
  }
  applied_ = settings_.lineSettings();
  lineSettingsError_ = line_.applyLineSettings(applied_) ? QString() : line_.errorString();
  return applyPortTimeouts();
}

QString SerialPortLink::openFailureText() const {
  std::lock_guard lock(mutex_);
  if (!LinkSettings::isNetworkPort(device_)) return QStringLiteral("Ошибка открытия порта");
  const QString reason = line_.errorString();
  return reason.isEmpty() ? QStringLiteral("Нет связи с портом")
                          : QStringLiteral("Нет связи с портом: ") + reason;
}

bool SerialPortLink::setLineSettings(const LineSettings& settings) {
  std::lock_guard lock(mutex_);
  if (!line_.isOpen()) return false;
  if (!line_.applyLineSettings(settings)) return false;
  applied_ = settings;
  return true;
}

bool SerialPortLink::setsLineSettings() const {
  std::lock_guard lock(mutex_);
  return !LinkSettings::isNetworkPort(device_);
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
