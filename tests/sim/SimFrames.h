#pragma once

#include <QByteArray>
#include <string>

#include "link/ModbusCrc.h"

// Frames for the simulator tests, written as hex ("64 03 00 00 00 01").

// The frame with its CRC appended, low byte first.
inline QByteArray frame(const char* hex) {
  QByteArray bytes = QByteArray::fromHex(hex);
  const uint16_t crc =
      modbusCrc(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
  bytes.append(char(crc & 0xFF));
  bytes.append(char(crc >> 8));
  return bytes;
}

// "64 03 02 00 01 35 8C": readable in a failure message.
inline std::string hex(const QByteArray& bytes) { return bytes.toHex(' ').toUpper().toStdString(); }
