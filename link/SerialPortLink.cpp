#include "link/SerialPortLink.h"

#include "app/SettingsStore.h"
#include "link/Prompter.h"
#include "link/StatusLine.h"

namespace {
const QString kConnect = QStringLiteral("connect");
}

SerialPortLink::SerialPortLink(SerialLine& line, SettingsStore& mem, StatusLine& status,
                               Prompter& prompter)
    : line_(line), mem_(mem), status_(status), prompter_(prompter) {}

QString SerialPortLink::devicePath(const QString& portName) {
#ifdef Q_OS_WIN
  return QStringLiteral("\\\\.\\COM") + portName.mid(3, 2);
#else
  if (portName.isEmpty() || portName.startsWith(QLatin1Char('/'))) return portName;
  if (portName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
    bool ok = false;
    const int n = portName.mid(3, 2).toInt(&ok);
    return ok && n >= 1 ? QStringLiteral("/dev/ttyS%1").arg(n - 1) : QString();
  }
  return QStringLiteral("/dev/") + portName;
#endif
}

QString SerialPortLink::configuredDevicePath(const SettingsStore& mem) {
  return devicePath(mem.readString(kConnect, QStringLiteral("port"), QString()));
}

uint32_t SerialPortLink::readMilliseconds(const SettingsStore& mem, const char* key,
                                          int defaultValue) {
  return uint32_t(std::max(0, mem.readInteger(kConnect, QLatin1String(key), defaultValue)));
}

LineSettings SerialPortLink::lineSettingsFrom(const SettingsStore& mem) {
  static const int kRates[] = {9600, 19200, 38400, 57600, 115200};
  LineSettings s;
  const int speed = mem.readInteger(kConnect, QStringLiteral("speed"), 0);
  if (speed >= 0 && speed <= 4) s.baudRate = kRates[speed];
  switch (mem.readInteger(kConnect, QStringLiteral("parity"), 0)) {
    case 0:
      s.parity = Parity::None;
      break;
    case 1:
      s.parity = Parity::Even;
      break;
    case 2:
      s.parity = Parity::Odd;
      break;
    default:
      break;  // keep the port's parity
  }
  s.twoStopBits = mem.readInteger(kConnect, QStringLiteral("stopbits"), 1) != 0;
  return s;
}

PortTimeouts SerialPortLink::timeoutsFrom(const SettingsStore& mem) {
  auto ms = [&](const char* key, int def) { return readMilliseconds(mem, key, def); };
  return PortTimeouts{ms("cto1", 10), ms("cto2", 0), ms("cto3", 1000), ms("cto4", 100),
                      ms("cto5", 1000)};
}

bool SerialPortLink::openPort(const QString& devicePath) {
  std::lock_guard lock(mutex_);
  if (!line_.isOpen()) {
    if (!line_.open(devicePath)) {
      status_.setText(StatusLine::Link, QStringLiteral("Ошибка открытия порта"));
      return false;
    }
    freshlyOpened_ = true;
  }
  if (!line_.applyLineSettings(lineSettingsFrom(mem_)))
    prompter_.showMessage(QStringLiteral("GetLastError"), line_.errorString(),
                          Prompter::Icon::Information);
  return applyPortTimeouts();
}

bool SerialPortLink::applyPortTimeouts() {
  std::lock_guard lock(mutex_);
  if (!line_.isOpen()) return false;
  return line_.applyTimeouts(timeoutsFrom(mem_));
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
