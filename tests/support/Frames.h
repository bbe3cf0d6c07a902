#pragma once

#include <QByteArray>
#include <QString>
#include <initializer_list>

#include "link/ModbusCrc.h"

// Test helpers: frames as hex text and frames with their CRC appended.
inline QString hex(const QByteArray& bytes) {
  return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

inline QByteArray withCrc(std::initializer_list<int> bytes) {
  QByteArray frame;
  for (int b : bytes) frame.append(char(b));
  const uint16_t crc = modbusCrc(reinterpret_cast<const uint8_t*>(frame.constData()), frame.size());
  frame.append(char(crc & 0xFF));
  frame.append(char(crc >> 8));
  return frame;
}
