#pragma once

#include <QString>
#include <cstdint>

#include "link/SerialLine.h"

class SettingsStore;
struct SettingKey;

// The `connect` keys of mem.ini as the link uses them. Every call reads the store afresh, so
// a value changed in a dialog applies to the next exchange (timing, address) or the next open
// of the port (line settings, time-outs).
class LinkSettings {
 public:
  explicit LinkSettings(const SettingsStore& mem) : mem_(mem) {}

  // send, sleep and receive of one exchange, in milliseconds.
  struct Timing {
    uint32_t send, sleep, receive;
  };
  Timing timing() const;
  // "Быстрый обмен" and "Эхо адаптера"; any value but 1 is off.
  bool fastExchange() const;
  bool adapterEcho() const;
  // The module's slave address: the low 8 bits of adr (default 100).
  uint8_t moduleAddress() const;
  // The device path of the port named by connect/port.
  QString devicePath() const;
  LineSettings lineSettings() const;
  PortTimeouts timeouts() const;
  // A duration in milliseconds; negative values count as 0.
  uint32_t milliseconds(const SettingKey& key) const;

  // The device path for a port name of mem.ini.
  //   Windows: "\\.\COM" followed by the 4th and 5th characters of the name.
  //   elsewhere: "COMn" is /dev/ttyS(n-1); a name starting with "/" is used as it stands;
  //   any other name is taken from /dev. An empty name gives an empty path, which fails to open.
  //   Everywhere: a name HOST:PORT (a serial device server) is used as it stands.
  static QString devicePath(const QString& portName);
  // A serial device server's address in a port name: "192.168.0.10:4001", "box.local:4001",
  // "[fe80::1]:4001". False for every serial port name.
  struct NetworkPort {
    QString host;
    quint16 port = 0;
  };
  static bool isNetworkPort(const QString& portName, NetworkPort* address = nullptr);

 private:
  const SettingsStore& mem_;
};
