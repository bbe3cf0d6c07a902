#include "link/LinkSettings.h"

#include <algorithm>

#include "core/SettingsStore.h"
#include "link/LinkKeys.h"

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool isIpv6Char(QChar c) {
  return isDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
         (c >= QLatin1Char('A') && c <= QLatin1Char('F')) || c == QLatin1Char(':') ||
         c == QLatin1Char('.');
}

bool isHostChar(QChar c) {
  return c != QLatin1Char(':') && c != QLatin1Char('/') && c != QLatin1Char('\\') && !c.isSpace();
}

// True for a text of at least one character, all of them allowed.
bool allOf(QStringView text, bool (*allowed)(QChar)) {
  return !text.isEmpty() && std::all_of(text.begin(), text.end(), allowed);
}

}  // namespace

LinkSettings::Timing LinkSettings::timing() const {
  return Timing{milliseconds(linkkeys::kSend), milliseconds(linkkeys::kSleep),
                milliseconds(linkkeys::kReceive)};
}

bool LinkSettings::fastExchange() const { return mem_.readInteger(linkkeys::kFast) == 1; }

bool LinkSettings::adapterEcho() const { return mem_.readInteger(linkkeys::kEcho) == 1; }

bool LinkSettings::isNetworkPort(const QString& name, NetworkPort* address) {
  // A host name or IPv4 address (no slash, backslash, colon or space), or an IPv6 address
  // in brackets; then ":" and the TCP port, 1 to 65535. COMn and device paths never take
  // this form. Read by hand, not by a regular expression: the worker reads it at every
  // open, and a regular expression leaves thread-local state behind whose clean-up at the
  // thread's end fails in the MinGW run-time, which then hangs the program's exit.
  const QString text = name.trimmed();
  const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
  if (colon < 1) return false;
  const QStringView host = QStringView(text).left(colon);
  const QStringView digits = QStringView(text).mid(colon + 1);
  const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
  const QStringView inner = bracketed ? host.mid(1, host.size() - 2) : host;
  if (!allOf(inner, bracketed ? isIpv6Char : isHostChar) || digits.size() > 5 ||
      !allOf(digits, isDigit))
    return false;
  const uint port = digits.toUInt();
  if (port < 1 || port > 65535) return false;
  if (address) {
    address->host = inner.toString();
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
