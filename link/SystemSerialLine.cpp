#include "link/SystemSerialLine.h"

#include <algorithm>

#include "link/PortNameLine.h"
#include "link/TcpSerialLine.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <QRegularExpression>
#include <iterator>
#include <vector>

#include "link/Win32SerialLine.h"

std::unique_ptr<SerialLine> makeSystemSerialLine(Clock& clock) {
  return std::make_unique<PortNameLine>(std::make_unique<Win32SerialLine>(clock),
                                        std::make_unique<TcpSerialLine>(clock));
}

namespace {

// The ports the serial drivers have registered: each driver (a USB adapter's included) writes
// its port's name under SERIALCOMM while the port exists.
QStringList registeredPorts() {
  QStringList ports;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS)
    return ports;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    wchar_t data[64];
    DWORD nameLength = DWORD(std::size(name));
    DWORD dataBytes = sizeof data - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    data[dataBytes / sizeof(wchar_t)] = L'\0';
    ports << QString::fromWCharArray(data);
  }
  RegCloseKey(key);
  return ports;
}

// Every DOS device name, NUL-separated: ports that some drivers announce only there.
QStringList dosDevicePorts() {
  std::vector<wchar_t> names(64 * 1024);
  const DWORD length = QueryDosDeviceW(nullptr, names.data(), DWORD(names.size()));
  QStringList ports;
  for (DWORD at = 0; at < length && names[at];) {
    const QString name = QString::fromWCharArray(&names[at]);
    ports << name;
    at += DWORD(name.size()) + 1;
  }
  return ports;
}

}  // namespace

QStringList systemSerialPorts() {
  static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                      QRegularExpression::CaseInsensitiveOption);
  QStringList ports;
  for (const QString& name : registeredPorts() + dosDevicePorts()) {
    const auto match = com.match(name.trimmed());
    if (match.hasMatch()) ports << QStringLiteral("COM") + match.captured(1);
  }
  std::sort(ports.begin(), ports.end(),
            [](const QString& a, const QString& b) { return a.mid(3).toInt() < b.mid(3).toInt(); });
  ports.removeDuplicates();
  return ports;
}

#else
#include <QSerialPortInfo>

#include "link/QtSerialLine.h"

std::unique_ptr<SerialLine> makeSystemSerialLine(Clock& clock) {
  return std::make_unique<PortNameLine>(std::make_unique<QtSerialLine>(clock),
                                        std::make_unique<TcpSerialLine>(clock));
}

QStringList systemSerialPorts() {
  QStringList ports;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
    ports << info.systemLocation();
  std::sort(ports.begin(), ports.end());
  return ports;
}
#endif
