#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

#include "sim/SimBus.h"
#include "support/Frames.h"

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
