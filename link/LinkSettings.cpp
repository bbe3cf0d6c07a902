#include "link/LinkSettings.h"

#include <algorithm>

#include "core/SettingsStore.h"

namespace {
const QString kConnect = QStringLiteral("connect");
}

LinkSettings::Timing LinkSettings::timing() const {
  return Timing{milliseconds("send", 50), milliseconds("sleep", 70), milliseconds("receive", 50)};
}

uint8_t LinkSettings::moduleAddress() const {
  return uint8_t(mem_.readInteger(kConnect, QStringLiteral("adr"), 100));
}

QString LinkSettings::devicePath() const {
  return devicePath(mem_.readString(kConnect, QStringLiteral("port"), QString()));
}

QString LinkSettings::devicePath(const QString& portName) {
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

uint32_t LinkSettings::milliseconds(const char* key, int defaultValue) const {
  return uint32_t(std::max(0, mem_.readInteger(kConnect, QLatin1String(key), defaultValue)));
}

LineSettings LinkSettings::lineSettings() const {
  static const int kRates[] = {9600, 19200, 38400, 57600, 115200};
  LineSettings s;
  const int speed = mem_.readInteger(kConnect, QStringLiteral("speed"), 0);
  if (speed >= 0 && speed <= 4) s.baudRate = kRates[speed];
  switch (mem_.readInteger(kConnect, QStringLiteral("parity"), 0)) {
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
  s.twoStopBits = mem_.readInteger(kConnect, QStringLiteral("stopbits"), 1) != 0;
  return s;
}

PortTimeouts LinkSettings::timeouts() const {
  return PortTimeouts{milliseconds("cto1", 10), milliseconds("cto2", 0), milliseconds("cto3", 1000),
                      milliseconds("cto4", 100), milliseconds("cto5", 1000)};
}
