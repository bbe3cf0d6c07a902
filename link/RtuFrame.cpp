#include "link/RtuFrame.h"

#include <algorithm>
#include <cstring>

#include "link/ModbusCrc.h"

namespace rtu {
namespace {

void putWord(uint8_t* at, uint16_t value) {
  at[0] = uint8_t(value >> 8);
  at[1] = uint8_t(value);
}

// Appends the CRC, low byte first, after `length` bytes; returns the new length.
int appendCrc(uint8_t* frame, int length) {
  const uint16_t crc = modbusCrc(frame, size_t(length));
  frame[length] = uint8_t(crc);
  frame[length + 1] = uint8_t(crc >> 8);
  return length + 2;
}

bool crcMatches(const uint8_t* frame, int lengthBeforeCrc) {
  const uint16_t crc = modbusCrc(frame, size_t(lengthBeforeCrc));
  return frame[lengthBeforeCrc] == uint8_t(crc) && frame[lengthBeforeCrc + 1] == uint8_t(crc >> 8);
}

// The reply as the checks see it: what arrived, then zeros.
struct Padded {
  uint8_t bytes[kMaxFrame + 8] = {};
  Padded(const uint8_t* reply, int received) {
    std::memcpy(bytes, reply, size_t(std::clamp(received, 0, int(sizeof bytes))));
  }
};

}  // namespace

// Slave, function, two words, CRC: the requests of functions 3 and 6.
int encodeTwoWords(uint8_t* out, uint8_t slave, uint8_t function, uint16_t a, uint16_t b) {
  out[0] = slave;
  out[1] = function;
  putWord(out + 2, a);
  putWord(out + 4, b);
  return appendCrc(out, 6);
}

int encodeRead(uint8_t* out, uint8_t slave, uint16_t first, uint16_t count) {
  return encodeTwoWords(out, slave, 3, first, count);
}

int encodeWriteSingle(uint8_t* out, uint8_t slave, uint16_t reg, uint16_t value) {
  return encodeTwoWords(out, slave, 6, reg, value);
}

int encodeWriteMultiple(uint8_t* out, uint8_t slave, uint16_t first, uint16_t count,
                        const uint16_t* values) {
  count = std::min(count, kMaxWriteCount);
  out[0] = slave;
  out[1] = 16;
  putWord(out + 2, first);
  putWord(out + 4, count);
  out[6] = uint8_t(2 * count);
  for (int i = 0; i < count; ++i) putWord(out + 7 + 2 * i, values[i]);
  return appendCrc(out, 7 + 2 * count);
}

ReadReply decodeReadReply(const uint8_t* reply, int received, uint8_t slave, uint16_t asked,
                          uint16_t* registers) {
  const Padded p(reply, received);
  const uint8_t* r = p.bytes;
  ReadReply out;
  if (r[0] != slave) {
    out.verdict = Verdict::WrongAddress;
  } else if (r[1] != 3) {
    out.verdict = Verdict::Exception;
    out.exceptionCode = r[2];
  } else if (!crcMatches(r, r[2] + 3)) {
    out.verdict = Verdict::BadCrc;
  } else if (const int n = r[2]; n % 2 != 0 || n / 2 > asked || received < n + 5) {
    // Fewer registers than asked is an answer; more, or half a register, is not this
    // request's, and a frame shorter than its byte count says was padded with zeros.
    out.verdict = Verdict::WrongLength;
  } else {
    out.count = n / 2;
    for (int i = 0; i < out.count; ++i) registers[i] = uint16_t(r[3 + 2 * i] << 8 | r[4 + 2 * i]);
  }
  return out;
}

WriteReply decodeWriteReply(const uint8_t* reply, int received, const uint8_t* request) {
  const Padded p(reply, std::min(received, 8));
  const uint8_t* r = p.bytes;
  WriteReply out;
  if (r[0] != request[0]) {
    out.verdict = Verdict::WrongAddress;
  } else if (r[1] != request[1]) {
    out.verdict = Verdict::Exception;
    out.exceptionCode = r[2];
  } else if (!crcMatches(r, 6)) {
    out.verdict = Verdict::BadCrc;
  } else if (received < 8) {
    out.verdict = Verdict::WrongLength;
  } else if (!std::equal(r + 2, r + 6, request + 2)) {
    out.verdict = Verdict::EchoDiffers;
  }
  return out;
}

int replyLength(const uint8_t* request, const uint8_t* reply, int received) {
  if (received < 2) return kShortestReply;
  if (reply[1] != request[1]) return kShortestReply;  // an exception, or not this request's
  if (request[1] != 3) return 8;
  if (received < 3) return kShortestReply;
  return 5 + reply[2];
}

int fullReplyLength(const uint8_t* request) {
  return request[1] == 3 ? 5 + 2 * (request[4] << 8 | request[5]) : 8;
}

}  // namespace rtu
