#pragma once

#include <QByteArray>
#include <QString>
#include <initializer_list>
#include <string>

#include "link/ModbusCrc.h"

// Test helpers: frames as hex text ("64 03 02 00 01 35 8C", readable in a failure message)
// and frames with their CRC appended, low byte first.
inline std::string hex(const QByteArray& bytes) { return bytes.toHex(' ').toUpper().toStdString(); }

inline QByteArray withCrc(QByteArray frame) {
  const uint16_t crc = modbusCrc(reinterpret_cast<const uint8_t*>(frame.constData()), frame.size());
  frame.append(char(crc & 0xFF));
  frame.append(char(crc >> 8));
  return frame;
}

inline QByteArray withCrc(std::initializer_list<int> bytes) {
  QByteArray frame;
  for (int b : bytes) frame.append(char(b));
  return withCrc(frame);
}

// "64 03 00 00 00 01" with its CRC.
inline QByteArray frame(const char* hexText) { return withCrc(QByteArray::fromHex(hexText)); }
