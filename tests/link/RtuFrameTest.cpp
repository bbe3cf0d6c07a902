// RTU frames without a line: requests as bytes, replies as fields.
#include <gtest/gtest.h>

#include "link/RtuFrame.h"
#include "support/Frames.h"

namespace {

QByteArray bytes(const uint8_t* data, int length) {
  return QByteArray(reinterpret_cast<const char*>(data), length);
}

TEST(RtuFrame, RequestsOfTheThreeFunctions) {
  uint8_t out[rtu::kMaxFrame];
  EXPECT_EQ(hex(bytes(out, rtu::encodeRead(out, 100, 16, 17))), "64 03 00 10 00 11 8D F6");
  EXPECT_EQ(hex(bytes(out, rtu::encodeWriteSingle(out, 100, 96, 0x1234))),
            "64 06 00 60 12 34 8D 56");
  const uint16_t values[] = {1234, 1};
  EXPECT_EQ(hex(bytes(out, rtu::encodeWriteMultiple(out, 100, 118, 2, values))),
            "64 10 00 76 00 02 04 04 D2 00 01 FB A5");
}

// Each reply to "read 2 registers at address 100", bytes in, fields out.
// A reply of one register whose CRC is 0x0000: cut before its CRC, the zeros of the cleared
// buffer would pass for it.
QByteArray zeroCrcReply() {
  for (int v = 0; v < 0x10000; ++v) {
    const QByteArray body = QByteArray::fromHex("640302") + char(v >> 8) + char(v & 0xFF);
    if (modbusCrc(reinterpret_cast<const uint8_t*>(body.constData()), body.size()) == 0)
      return body;
  }
  return QByteArray();
}

TEST(RtuFrame, ReadReplies) {
  using rtu::Verdict;
  const QByteArray zeroCrc = zeroCrcReply();
  ASSERT_EQ(zeroCrc.size(), 5);
  const QByteArray good = withCrc({100, 3, 4, 0x12, 0x34, 0, 7});
  QByteArray swapped = good;
  std::swap(swapped[7], swapped[8]);
  struct Case {
    const char* name;
    QByteArray reply;
    int received;  // -1: all of it
    Verdict verdict;
    int count;
    int code;
  } cases[] = {
      {"good", good, -1, Verdict::Ok, 2, 0},
      {"trailing byte", good + QByteArray(1, '\0'), -1, Verdict::Ok, 2, 0},
      {"fewer registers", withCrc({100, 3, 2, 0, 9}), -1, Verdict::WrongLength, 0, 0},
      {"no registers", withCrc({100, 3, 0}), -1, Verdict::WrongLength, 0, 0},
      {"more registers", withCrc({100, 3, 6, 0, 1, 0, 2, 0, 3}), -1, Verdict::WrongLength, 0, 0},
      {"odd byte count", withCrc({100, 3, 3, 0, 1, 0}), -1, Verdict::WrongLength, 0, 0},
      {"wrong address", withCrc({101, 3, 4, 0, 1, 0, 2}), -1, Verdict::WrongAddress, 0, 0},
      {"exception 0x0B", withCrc({100, 0x83, 0x0B}), -1, Verdict::Exception, 0, 0x0B},
      {"swapped CRC", swapped, -1, Verdict::BadCrc, 0, 0},
      {"cut short", good, 5, Verdict::BadCrc, 0, 0},
      {"nothing", QByteArray(), 0, Verdict::WrongAddress, 0, 0},
      {"short, CRC of zeros", zeroCrc, 5, Verdict::WrongLength, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint16_t registers[4] = {0xAAAA, 0xAAAA, 0xAAAA, 0xAAAA};
    const int received = c.received < 0 ? int(c.reply.size()) : c.received;
    const rtu::ReadReply r = rtu::decodeReadReply(
        reinterpret_cast<const uint8_t*>(c.reply.constData()), received, 100, 2, registers);
    EXPECT_EQ(r.verdict, c.verdict);
    EXPECT_EQ(r.count, c.count);
    EXPECT_EQ(r.exceptionCode, c.code);
    EXPECT_EQ(registers[0], c.verdict == Verdict::Ok ? 0x1234 : 0xAAAA);
    EXPECT_EQ(registers[2], 0xAAAA);  // nothing beyond what was asked
  }
}

TEST(RtuFrame, WriteReplies) {
  using rtu::Verdict;
  uint8_t request[rtu::kMaxFrame];
  rtu::encodeWriteSingle(request, 100, 96, 5);
  const QByteArray echo = withCrc({100, 6, 0, 96, 0, 5});
  struct Case {
    const char* name;
    QByteArray reply;
    Verdict verdict;
  } cases[] = {
      {"echo", echo, Verdict::Ok},
      {"other value", withCrc({100, 6, 0, 96, 0, 6}), Verdict::EchoDiffers},
      {"other slave", withCrc({7, 6, 0, 96, 0, 5}), Verdict::WrongAddress},
      {"exception", withCrc({100, 0x86, 2}), Verdict::Exception},
      {"cut short", echo.left(7), Verdict::BadCrc},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const rtu::WriteReply r = rtu::decodeWriteReply(
        reinterpret_cast<const uint8_t*>(c.reply.constData()), int(c.reply.size()), request);
    EXPECT_EQ(r.verdict, c.verdict);
  }
}

}  // namespace
