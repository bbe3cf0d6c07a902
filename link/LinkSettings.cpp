#include "link/LinkSettings.h"

#include <algorithm>

#include "core/SettingsStore.h"
#include "link/LinkKeys.h"

LinkSettings::Timing LinkSettings::timing() const {
  return Timing{milliseconds(linkkeys::kSend), milliseconds(linkkeys::kSleep),
                milliseconds(linkkeys::kReceive)};
}

uint8_t LinkSettings::moduleAddress() const {
  return uint8_t(mem_.readInteger(linkkeys::kAddress));
}

QString LinkSettings::devicePath() const { return devicePath(mem_.readString(linkkeys::kPort)); }

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

uint32_t LinkSettings::milliseconds(const SettingKey& key) const {
  return uint32_t(std::max(0, mem_.readInteger(key)));
}

LineSettings LinkSettings::lineSettings() const {
  static const int kRates[] = {9600, 19200, 38400, 57600, 115200};
  LineSettings s;
  const int speed = mem_.readInteger(linkkeys::kSpeed);
  if (linkkeys::kSpeed.accepts(speed)) s.baudRate = kRates[speed];
  switch (mem_.readInteger(linkkeys::kParity)) {
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
  s.twoStopBits = mem_.readInteger(linkkeys::kStopBits) != 0;
  return s;
}

PortTimeouts LinkSettings::timeouts() const {
  using namespace linkkeys;
  return PortTimeouts{milliseconds(kReadInterval), milliseconds(kReadTotalPerByte),
                      milliseconds(kReadTotalConstant), milliseconds(kWriteTotalPerByte),
                      milliseconds(kWriteTotalConstant)};
}
