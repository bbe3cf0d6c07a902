#pragma once

#include <cstdint>

// Modbus RTU frames of functions 3, 6 and 16, without a line: requests encoded into bytes,
// replies decoded into fields. 16-bit values travel high byte first, the CRC low byte first.
namespace rtu {

constexpr int kMaxFrame = 256;
// The most registers one frame carries.
constexpr uint16_t kMaxReadCount = 125;
constexpr uint16_t kMaxWriteCount = 123;

// Each writes the whole request with its CRC into `out` (kMaxFrame bytes) and returns its
// length.
int encodeRead(uint8_t* out, uint8_t slave, uint16_t first, uint16_t count);
int encodeWriteSingle(uint8_t* out, uint8_t slave, uint16_t reg, uint16_t value);
int encodeWriteMultiple(uint8_t* out, uint8_t slave, uint16_t first, uint16_t count,
                        const uint16_t* values);

// What a reply turned out to be. The checks run in this order, and the first that fails
// decides: the slave address, the function code (anything else is an exception reply, its
// code in the third byte), the CRC, then the reply's fit to its request.
enum class Verdict {
  Ok,
  WrongAddress,
  Exception,
  BadCrc,
  WrongLength,  // more registers than asked, half a register, fewer bytes than the frame needs
  EchoDiffers,  // write: the echoed register and count (or value) are not the request's
};

struct ReadReply {
  Verdict verdict = Verdict::Ok;
  uint8_t exceptionCode = 0;
  int count = 0;  // registers decoded into `registers` when Ok
};
// `reply` holds `received` bytes; bytes beyond them count as zero, as in a buffer cleared
// before the read. At most `asked` registers are written to `registers`.
ReadReply decodeReadReply(const uint8_t* reply, int received, uint8_t slave, uint16_t asked,
                          uint16_t* registers);

struct WriteReply {
  Verdict verdict = Verdict::Ok;
  uint8_t exceptionCode = 0;
};
// The 8-byte reply of a write: `request` is the request as sent (its bytes 2 to 5 are echoed).
WriteReply decodeWriteReply(const uint8_t* reply, int received, const uint8_t* request);

// The length of the reply to `request` as far as its first `received` bytes tell: the whole
// frame once the function code (and for a read the byte count) has come, 5 before that, the
// shortest reply there is. A function code other than the request's makes an exception reply:
// 5 bytes. Bytes beyond the frame belong to no reply.
constexpr int kShortestReply = 5;
int replyLength(const uint8_t* request, const uint8_t* reply, int received);
// The regular reply to `request`: 5 + 2 x count bytes for a read, 8 for a write.
int fullReplyLength(const uint8_t* request);

}  // namespace rtu
