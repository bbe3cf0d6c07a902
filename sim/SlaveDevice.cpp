#include "sim/SlaveDevice.h"

namespace {

// Largest counts one RTU frame can carry (256 bytes at most).
constexpr uint16_t kMaxReadCount = 125;
constexpr uint16_t kMaxWriteCount = 123;

uint16_t word(const QByteArray& pdu, int at) {
  return uint16_t(uint8_t(pdu[at]) << 8 | uint8_t(pdu[at + 1]));
}

void appendWord(QByteArray& out, uint16_t value) {
  out.append(char(value >> 8));
  out.append(char(value & 0xFF));
}

}  // namespace

bool SlaveDevice::hears(const LineSettings& line) const {
  const LineFormat f = lineFormat();
  // A receiver checks the first stop bit only: a second one is idle line to it, so the stop
  // bits never keep a request from being heard.
  return (!line.baudRate || *line.baudRate == f.baud) && (!line.parity || *line.parity == f.parity);
}

QByteArray SlaveDevice::exceptionPdu(uint8_t function, uint8_t code) {
  QByteArray out;
  out.append(char(function | 0x80));
  out.append(char(code));
  return out;
}

bool SlaveDevice::isReadableRange(uint32_t first, uint32_t count) const {
  if (first + count > 0x10000) return false;
  for (uint32_t r = first; r < first + count; ++r)
    if (!isReadable(uint16_t(r))) return false;
  return true;
}

bool SlaveDevice::isWritableRange(uint32_t first, uint32_t count) const {
  if (first + count > 0x10000) return false;
  for (uint32_t r = first; r < first + count; ++r)
    if (!isWritable(uint16_t(r))) return false;
  return true;
}

QByteArray SlaveDevice::handle(const QByteArray& pdu) {
  if (pdu.isEmpty()) return {};
  const uint8_t function = uint8_t(pdu[0]);
  switch (function) {
    case 3:
      return readHolding(pdu);
    case 6:
      return writeSingle(pdu);
    case 16:
      return writeMultiple(pdu);
    default:
      return exceptionPdu(function, IllegalFunction);
  }
}

QByteArray SlaveDevice::readHolding(const QByteArray& pdu) {
  if (pdu.size() != 5) return exceptionPdu(3, IllegalDataValue);
  const uint16_t first = word(pdu, 1);
  const uint16_t count = word(pdu, 3);
  if (count == 0 || count > kMaxReadCount) return exceptionPdu(3, IllegalDataValue);
  if (!isReadableRange(first, count)) return exceptionPdu(3, IllegalDataAddress);
  beforeRead(first, count);
  QByteArray out;
  out.append(char(3));
  out.append(char(count * 2));
  for (uint16_t i = 0; i < count; ++i) appendWord(out, readRegister(uint16_t(first + i)));
  return out;
}

QByteArray SlaveDevice::writeSingle(const QByteArray& pdu) {
  if (pdu.size() != 5) return exceptionPdu(6, IllegalDataValue);
  const uint16_t reg = word(pdu, 1);
  if (!isWritableRange(reg, 1)) return exceptionPdu(6, IllegalDataAddress);
  if (!acceptsValue(reg, word(pdu, 3))) return exceptionPdu(6, IllegalDataValue);
  storeRegister(reg, word(pdu, 3));
  afterWrite(reg, 1);
  return pdu;  // the reply repeats the request
}

QByteArray SlaveDevice::writeMultiple(const QByteArray& pdu) {
  if (pdu.size() < 6) return exceptionPdu(16, IllegalDataValue);
  const uint16_t first = word(pdu, 1);
  const uint16_t count = word(pdu, 3);
  const int byteCount = uint8_t(pdu[5]);
  if (count == 0 || count > kMaxWriteCount || byteCount != count * 2 || pdu.size() != 6 + byteCount)
    return exceptionPdu(16, IllegalDataValue);
  if (!isWritableRange(first, count)) return exceptionPdu(16, IllegalDataAddress);
  for (uint16_t i = 0; i < count; ++i)
    if (!acceptsValue(uint16_t(first + i), word(pdu, 6 + 2 * i)))
      return exceptionPdu(16, IllegalDataValue);
  for (uint16_t i = 0; i < count; ++i) storeRegister(uint16_t(first + i), word(pdu, 6 + 2 * i));
  afterWrite(first, count);
  return pdu.left(5);  // function, first register, count
}
