#include "link/SystemSerialLine.h"

#include <algorithm>

#include "link/PortNameLine.h"
#include "link/TcpSerialLine.h"

#ifdef Q_OS_WIN
#include <windows.h>

#include <QRegularExpression>
#include <vector>

#include "link/Win32SerialLine.h"

std::unique_ptr<SerialLine> makeSystemSerialLine(Clock& clock) {
  return std::make_unique<PortNameLine>(std::make_unique<Win32SerialLine>(clock),
                                        std::make_unique<TcpSerialLine>(clock));
}

QStringList systemSerialPorts() {
  // Every DOS device name, NUL-separated; the COM ports among them are the ones present (a
  // USB adapter's port exists while it is plugged in).
  std::vector<wchar_t> names(64 * 1024);
  const DWORD length = QueryDosDeviceW(nullptr, names.data(), DWORD(names.size()));
  static const QRegularExpression com(QStringLiteral("^COM([0-9]+)$"),
                                      QRegularExpression::CaseInsensitiveOption);
  QStringList ports;
  for (DWORD at = 0; at < length && names[at];) {
    const QString name = QString::fromWCharArray(&names[at]);
    const auto match = com.match(name);
    if (match.hasMatch()) ports << QStringLiteral("COM") + match.captured(1);
    at += DWORD(name.size()) + 1;
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
