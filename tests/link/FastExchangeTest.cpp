// "Быстрый обмен": the reply is taken the moment it is complete, the whole wait is bounded by
// sleep + receive + the reply's line time, and requests keep the frame gap between them.
#include "link/LinkFixture.h"
#include "support/Frames.h"

namespace {

class FastExchangeTest : public LinkFixture {
 protected:
  FastExchangeTest() { mem.writeInteger("connect", "fast", 1); }

  // The time from the last request leaving to now, in ms.
  uint32_t sinceRequest() {
    return uint32_t((clock.tickMicros() - line.requestTimes.back()) / 1000);
  }
};

// Every shape a reply can take on the line, at 9600 baud (8 + 9 characters of 11 bits: 20 ms
// of line time, so a silent module is given up after 70 + 50 + 20 ms).
TEST_F(FastExchangeTest, ReplyShapes) {
  const QByteArray good = withCrc({100, 3, 4, 0x12, 0x34, 0, 7});
  const QByteArray echo = withCrc({100, 6, 0, 96, 0, 5});
  struct Case {
    const char* name;
    bool write;
    QByteArray first;
    QByteArray rest;
    uint32_t gapMs;
    QString error;  // empty: the exchange succeeds
    uint32_t tookMs;
  } cases[] = {
      {"whole read reply", false, good, {}, 0, "", 5},
      {"whole write reply", true, echo, {}, 0, "", 5},
      {"read exception", false, withCrc({100, 0x83, 2}), {}, 0, "Ошибка модуля: код 2", 5},
      {"write exception", true, withCrc({100, 0x86, 4}), {}, 0, "Ошибка модуля: код 4", 5},
      {"extra bytes after the frame", false, good + QByteArray("\x01\x02\x03", 3), {}, 0, "", 5},
      {"split by a gap shorter than the character time-out", false, good.left(4), good.mid(4), 6,
       "", 11},
      {"split by a gap longer than the character time-out", false, good.left(6), good.mid(6), 15,
       "Ошибочный CRC в ответе от модуля", 15},
      {"stops half way", false, good.left(6), {}, 0, "Ошибочный CRC в ответе от модуля", 15},
      {"write stops half way", true, echo.left(5), {}, 0, "Ошибочный CRC в ответе от модуля", 15},
      {"no reply", false, {}, {}, 0, "Ошибка получения результата из модуля", 140},
      {"no write reply", true, {}, {}, 0, "Ошибка подтверждения записи из модуля", 139},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.first.isEmpty())
      line.silence();
    else if (c.rest.isEmpty())
      line.script(c.first, 5);
    else
      line.scriptSplit(c.first, 5, c.rest, c.gapMs);
    bool ok = false;
    QString error;
    if (c.write) {
      WriteExchange x;
      x.slaveAddress = 100;
      x.firstRegister = 96;
      x.registerCount = 1;
      x.values[0] = 5;
      ok = client.writeRegister(x);
      error = x.error;
    } else {
      ReadExchange x;
      x.slaveAddress = 100;
      x.firstRegister = 16;
      x.registerCount = 2;
      ok = client.readRegisters(x);
      error = x.error;
      if (ok) {
        EXPECT_EQ(x.registers[0], 0x1234);
      }
    }
    EXPECT_EQ(ok, c.error.isEmpty());
    EXPECT_EQ(error, ok ? QString() : c.error);
    EXPECT_EQ(sinceRequest(), c.tookMs);
    clock.sleep(200);  // whatever is left of this reply has come before the next case
  }
}

// 125 registers at 9600 baud take 302 ms on the line: with the fixed pause they never fit
// sleep + receive; fast, they are read at any speed.
TEST_F(FastExchangeTest, LongBlockFitsOnlyInFastExchange) {
  QByteArray reply;
  reply.append(char(100));
  reply.append(char(3));
  reply.append(char(250));
  reply.append(QByteArray(250, '\x01'));
  reply = withCrc(reply);
  ReadExchange x;
  x.slaveAddress = 100;
  x.firstRegister = 0;
  x.registerCount = 125;

  line.script(reply, 295);
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(x.decodedCount, 125);
  EXPECT_EQ(sinceRequest(), 295u);
  EXPECT_EQ(client.blockShortfallMs(8, 255), 0u);

  clock.sleep(500);
  mem.writeInteger("connect", "fast", 0);
  line.script(reply, 295);
  EXPECT_FALSE(client.readRegisters(x));
  EXPECT_EQ(x.error, "Ошибка получения результата из модуля");
  uint32_t lineMs = 0;
  EXPECT_EQ(client.blockShortfallMs(8, 255, &lineMs), 302u - 120u);
  EXPECT_EQ(lineMs, 302u);
}

// The next request waits for 3.5 characters of silence after the last exchange: 4011 us at
// 9600 baud with two stop bits, and 1750 us at any rate above 19200.
TEST_F(FastExchangeTest, RequestsKeepTheFrameGap) {
  for (const auto& [speed, gapUs] : {std::pair{0, 4011}, std::pair{4, 1750}}) {
    SCOPED_TRACE(speed);
    mem.writeInteger("connect", "speed", speed);
    port.closePort();
    port.openPort("COM1");
    line.requestTimes.clear();
    ReadExchange x;
    x.slaveAddress = 100;
    x.firstRegister = 16;
    x.registerCount = 1;
    for (int i = 0; i < 2; ++i) {
      line.script(withCrc({100, 3, 2, 0, 1}), 3);
      ASSERT_TRUE(client.readRegisters(x));
    }
    ASSERT_EQ(line.requestTimes.size(), 2u);
    EXPECT_EQ(line.requestTimes[1] - line.requestTimes[0], 3000u + uint64_t(gapUs));
  }
}

// A freshly opened port is flushed, not waited on for a quiet line: what it held goes, and the
// first request leaves at once.
TEST_F(FastExchangeTest, FreshPortIsFlushedNotWaitedOn) {
  port.closePort();
  port.openPort("COM1");
  line.arriveLater(withCrc({100, 3, 2, 0, 9}), 0);  // left over from before the open
  line.script(withCrc({100, 3, 2, 0x44, 0x44}), 5);
  const uint32_t start = clock.tick();
  ReadExchange x;
  x.slaveAddress = 100;
  x.firstRegister = 768;
  x.registerCount = 1;
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(x.registers[0], 0x4444);
  EXPECT_EQ(clock.tick() - start, 5u);
}

// After a failure the line must still fall quiet for sleep + receive, as with the fixed pause:
// the late reply is no answer to the next request.
TEST_F(FastExchangeTest, LateReplyStillWaitsForAQuietLine) {
  line.script(withCrc({100, 3, 2, 0x11, 0x11}), 150);
  line.script(withCrc({100, 3, 2, 0x22, 0x22}), 5);
  ReadExchange x;
  x.slaveAddress = 100;
  x.firstRegister = 16;
  x.registerCount = 1;
  EXPECT_FALSE(client.readRegisters(x));  // given up after 70 + 50 + 18 ms
  const uint32_t failedAt = clock.tick();
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(x.registers[0], 0x2222);
  // The stale reply lands 12 ms after the failure; then 120 ms of quiet, and the reply.
  EXPECT_EQ(clock.tick() - failedAt, 12u + 120u + 5u);
}

}  // namespace
