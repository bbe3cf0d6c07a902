#pragma once

#include <QByteArray>
#include <cstdint>
#include <string>
#include <vector>

#include "link/ModbusCrc.h"
#include "sim/SimBus.h"

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

// What the module at address 100 answers to a read of `count` registers from `first`.
struct RegisterRead {
  bool answered = false;  // any reply at all
  int exception = 0;      // the exception code of an exception reply
  std::vector<uint16_t> values;
};

inline RegisterRead readModule(SimBus& bus, int first, int count) {
  const QByteArray request = QByteArray("64 03 ") +
                             QByteArray::number(first, 16).rightJustified(4, '0') + ' ' +
                             QByteArray::number(count, 16).rightJustified(4, '0');
  const QByteArray reply = bus.respond(frame(request.constData())).bytes;
  RegisterRead out;
  out.answered = !reply.isEmpty();
  if (reply.size() >= 5 && uint8_t(reply[1]) == 0x83) out.exception = uint8_t(reply[2]);
  if (reply.size() >= 5 && uint8_t(reply[1]) == 0x03)
    for (int i = 0; i < uint8_t(reply[2]) / 2; ++i)
      out.values.push_back(uint16_t(uint8_t(reply[3 + 2 * i]) << 8 | uint8_t(reply[4 + 2 * i])));
  return out;
}
