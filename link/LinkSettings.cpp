#include "link/LinkSettings.h"

#include <QRegularExpression>
#include <algorithm>

#include "core/SettingsStore.h"
#include "link/LinkKeys.h"

LinkSettings::Timing LinkSettings::timing() const {
  return Timing{milliseconds(linkkeys::kSend), milliseconds(linkkeys::kSleep),
                milliseconds(linkkeys::kReceive)};
}

bool LinkSettings::fastExchange() const { return mem_.readInteger(linkkeys::kFast) == 1; }

bool LinkSettings::adapterEcho() const { return mem_.readInteger(linkkeys::kEcho) == 1; }

bool LinkSettings::isNetworkPort(const QString& name, NetworkPort* address) {
  // A host name or IPv4 address (no slash, backslash or colon), or an IPv6 address in
  // brackets; then the TCP port. COMn and device paths never take this form.
  static const QRegularExpression form(
      QStringLiteral("^(?:\\[([0-9A-Fa-f:.]+)\\]|([^:/\\\\\\s]+)):([0-9]{1,5})$"));
  const QRegularExpressionMatch m = form.match(name.trimmed());
  if (!m.hasMatch()) return false;
  const uint port = m.captured(3).toUInt();
  if (port < 1 || port > 65535) return false;
  if (address) {
    address->host = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
    address->port = quint16(port);
  }
  return true;
}

uint8_t LinkSettings::moduleAddress() const {
  return uint8_t(mem_.readInteger(linkkeys::kAddress));
}

QString LinkSettings::devicePath() const { return devicePath(mem_.readString(linkkeys::kPort)); }

QString LinkSettings::devicePath(const QString& portName) {
  if (isNetworkPort(portName)) return portName.trimmed();
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
