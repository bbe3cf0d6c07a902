#include "link/LinkFixture.h"
#include "support/Frames.h"

namespace {

class ModbusRtuClientTest : public LinkFixture {
 protected:
  ReadExchange read(uint16_t first = 16, uint16_t count = 2) {
    ReadExchange x;
    x.slaveAddress = 100;
    x.firstRegister = first;
    x.registerCount = count;
    return x;
  }
  WriteExchange write(uint16_t reg, uint16_t value) {
    WriteExchange x;
    x.slaveAddress = 100;
    x.firstRegister = reg;
    x.registerCount = 1;
    x.values[0] = value;
    return x;
  }
};

TEST_F(ModbusRtuClientTest, RequestFramesOfTheThreeFunctions) {
  ReadExchange r = read(16, 17);
  client.readRegisters(r);
  WriteExchange single = write(96, 0x1234);
  client.writeRegister(single);
  WriteExchange multi;
  multi.slaveAddress = 100;
  multi.firstRegister = 118;
  multi.registerCount = 2;
  multi.values[0] = 1234;
  multi.values[1] = 1;
  client.writeRegisters(multi);

  ASSERT_EQ(line.requests.size(), 3u);
  EXPECT_EQ(hex(line.requests[0]), "64 03 00 10 00 11 8D F6");
  EXPECT_EQ(hex(line.requests[1]), "64 06 00 60 12 34 8D 56");
  EXPECT_EQ(hex(line.requests[2]), "64 10 00 76 00 02 04 04 D2 00 01 FB A5");
}

TEST_F(ModbusRtuClientTest, GoodReadDecodesRegistersHighByteFirst) {
  line.script(withCrc({100, 3, 4, 0x12, 0x34, 0x00, 0x07}));
  ReadExchange x = read();
  x.error = "earlier";
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(x.decodedCount, 2);
  EXPECT_EQ(x.registers[0], 0x1234);
  EXPECT_EQ(x.registers[1], 7);
  EXPECT_EQ(x.error, "earlier");  // left as it was on success
}

// Each way a read reply can be wrong, and the text the user sees for it.
TEST_F(ModbusRtuClientTest, ReadFailureTable) {
  QByteArray good = withCrc({100, 3, 4, 0, 1, 0, 2});
  QByteArray swapped = good;
  std::swap(swapped[7], swapped[8]);
  struct Case {
    const char* name;
    QByteArray reply;
    QString error;
    int errorCode;
  } cases[] = {
      {"swapped CRC bytes", swapped, "Ошибочный CRC в ответе от модуля", 0},
      {"exception 2", withCrc({100, 0x83, 2}), "Ошибка модуля: код 2", 2},
      {"exception 0x0B", withCrc({100, 0x83, 0x0B}), "Ошибка модуля: код B", 0x0B},
      {"short reply", good.left(5), "Ошибочный CRC в ответе от модуля", 0},
      {"wrong address", withCrc({101, 3, 4, 0, 1, 0, 2}),
       "Ошибочный адрес модуля в ответе от модуля", 0},
      {"no reply", QByteArray(), "Ошибка получения результата из модуля", 0},
      {"more registers than asked", withCrc({100, 3, 6, 0, 1, 0, 2, 0, 3}),
       "Ошибка получения результата из модуля", 0},
      {"odd byte count", withCrc({100, 3, 3, 0, 1, 0}), "Ошибка получения результата из модуля", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.reply.isEmpty())
      line.silence();
    else
      line.script(c.reply);
    ReadExchange x = read();
    x.registers[0] = 0xAAAA;
    EXPECT_FALSE(client.readRegisters(x));
    EXPECT_EQ(x.error, c.error);
    EXPECT_EQ(x.errorCode, c.errorCode);
    EXPECT_EQ(x.registers[0], 0xAAAA);  // a failed read changes no register
    EXPECT_TRUE(port.isOpen());
  }
}

TEST_F(ModbusRtuClientTest, ReadRequestThatCannotLeave) {
  line.writeMode = ScriptedLine::WriteMode::NeverFinishes;
  ReadExchange x = read();
  EXPECT_FALSE(client.readRegisters(x));
  EXPECT_EQ(x.error, "Ошибка передачи команды чтения в модуль");
  EXPECT_TRUE(port.isOpen());

  line.writeMode = ScriptedLine::WriteMode::CannotStart;
  EXPECT_FALSE(client.readRegisters(x));
  EXPECT_EQ(x.error, "Нет связи с портом");
  EXPECT_FALSE(port.isOpen());
}

TEST_F(ModbusRtuClientTest, WriteFailureTable) {
  const QByteArray echo = withCrc({100, 6, 0, 96, 0, 5});
  QByteArray badCrc = echo;
  badCrc[6] = char(badCrc[6] ^ 0xFF);
  struct Case {
    const char* name;
    QByteArray reply;
    QString error;
  } cases[] = {
      {"echo", echo, ""},
      {"echo differs", withCrc({100, 6, 0, 96, 0, 6}), "Ошибка в данных в ответе от модуля"},
      {"wrong address", withCrc({7, 6, 0, 96, 0, 5}),
       "Ошибочный адрес модуля в ответе от модуля при записи"},
      {"exception", withCrc({100, 0x86, 2}), "Ошибка модуля: код 2"},
      {"bad CRC", badCrc, "Ошибочный CRC в ответе от модуля"},
      {"no reply", QByteArray(), "Ошибка подтверждения записи из модуля"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.reply.isEmpty())
      line.silence();
    else
      line.script(c.reply);
    WriteExchange x = write(96, 5);
    EXPECT_EQ(client.writeRegister(x), c.error.isEmpty());
    EXPECT_EQ(x.error, c.error);
  }
}

TEST_F(ModbusRtuClientTest, WriteMultipleChecksTheEchoedRange) {
  line.script(withCrc({100, 16, 0, 50, 0, 1}));
  WriteExchange x;
  EXPECT_TRUE(client.writeRegisterAt(x, 100, 50, 9));
  line.script(withCrc({100, 16, 0, 51, 0, 1}));
  EXPECT_FALSE(client.writeRegisterAt(x, 100, 50, 9));
  EXPECT_EQ(x.error, "Ошибка в данных в ответе от модуля");
}

TEST_F(ModbusRtuClientTest, WriteThatCannotStartKeepsThePortOpen) {
  line.writeMode = ScriptedLine::WriteMode::CannotStart;
  WriteExchange x = write(96, 5);
  EXPECT_FALSE(client.writeRegisters(x));
  EXPECT_EQ(x.error, "Ошибка передачи команды записи в модуль");
  EXPECT_TRUE(port.isOpen());
}

TEST_F(ModbusRtuClientTest, PartialReplyLeavesTheOtherRegisters) {
  line.script(withCrc({100, 3, 4, 0, 1, 0, 2}));
  ReadExchange x = read(16, 4);
  x.registers[2] = 33;
  x.registers[3] = 44;
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(x.decodedCount, 2);
  EXPECT_EQ(x.registers[0], 1);
  EXPECT_EQ(x.registers[2], 33);
  EXPECT_EQ(x.registers[3], 44);
}

TEST_F(ModbusRtuClientTest, WrappersRetryFiveTimes) {
  for (int i = 0; i < 4; ++i) line.silence();
  line.script(withCrc({100, 3, 2, 0, 9}));
  ReadExchange x;
  EXPECT_TRUE(client.readModuleRegisters(x, 768, 1));
  EXPECT_EQ(line.requests.size(), 5u);
  EXPECT_EQ(x.registers[0], 9);

  line.requests.clear();
  for (int i = 0; i < 6; ++i) line.silence();
  EXPECT_FALSE(client.readModuleRegisters(x, 768, 1));
  EXPECT_EQ(line.requests.size(), 5u);

  line.requests.clear();
  WriteExchange w;
  EXPECT_FALSE(client.writeRegisterAtRetry(w, 16, 50, 0x00FF));
  EXPECT_EQ(line.requests.size(), 5u);
  EXPECT_EQ(hex(line.requests[0]), hex(withCrc({16, 16, 0, 50, 0, 1, 2, 0, 0xFF})));
}

TEST_F(ModbusRtuClientTest, ModuleAddressIsTheLowByteOfAdr) {
  mem.writeInteger("connect", "adr", 0x1FF);
  line.script(withCrc({0xFF, 3, 2, 0, 1}));
  ReadExchange x;
  EXPECT_TRUE(client.readModuleRegisters(x, 768, 1));
  EXPECT_EQ(uint8_t(line.requests[0][0]), 0xFF);
}

// A reply that comes after its exchange gave up must not be taken as the next one's answer.
TEST_F(ModbusRtuClientTest, LateReplyIsNotTakenForTheNextExchange) {
  line.script(withCrc({100, 3, 2, 0x11, 0x11}), 150);  // budget is sleep 70 + receive 50
  line.script(withCrc({100, 3, 2, 0x22, 0x22}));
  ReadExchange x = read(16, 1);
  EXPECT_FALSE(client.readRegisters(x));
  clock.sleep(200);  // the stale reply lands in the port before the next request
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(x.registers[0], 0x2222);

  // Still on its way when the next request would leave: the line must fall quiet first.
  line.script(withCrc({100, 3, 2, 0x33, 0x33}), 150);
  line.script(withCrc({100, 3, 2, 0x44, 0x44}));
  EXPECT_FALSE(client.readRegisters(x));
  const uint32_t failedAt = clock.tick();
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(x.registers[0], 0x4444);
  // Quiet for sleep + receive after the stale reply (30 ms after the failure), then 80 ms of
  // exchange: 70 ms sleep, then the 10 ms interval after the reply that is waiting.
  EXPECT_EQ(clock.tick() - failedAt, 30u + 120u + 80u);
  // After a good exchange the next one starts at once.
  line.script(withCrc({100, 3, 2, 0x55, 0x55}));
  const uint32_t start = clock.tick();
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(clock.tick() - start, 80u);
}

// Nothing that cannot be a valid request reaches the bus.
TEST_F(ModbusRtuClientTest, RequestsOfNoOrTooManyRegistersAreRefused) {
  ReadExchange r = read(64, 0);
  EXPECT_FALSE(client.readRegisters(r));
  EXPECT_EQ(r.error, "Недопустимое число регистров в запросе: 0");
  r.registerCount = 126;
  EXPECT_FALSE(client.readRegisters(r));
  WriteExchange w;
  EXPECT_FALSE(client.writeModuleRegisters(w, 0, w.values.data(), 0));
  EXPECT_FALSE(client.writeModuleRegisters(w, 0, w.values.data(), 124));
  EXPECT_EQ(w.error, "Недопустимое число регистров в запросе: 124");
  // Nobody answers a broadcast: reading one could only fail after every attempt.
  r = read(64, 1);
  r.slaveAddress = 0;
  EXPECT_FALSE(client.readRegisters(r));
  EXPECT_EQ(r.error,
            "Чтение по адресу 0 невозможно: на широковещательный запрос модули не отвечают");
  EXPECT_TRUE(line.requests.empty());
}

TEST_F(ModbusRtuClientTest, TimingIsReadAtEveryCall) {
  line.script(withCrc({100, 3, 2, 0, 1}), 130);  // too late for sleep 70 + receive 50
  ReadExchange x = read(16, 1);
  EXPECT_FALSE(client.readRegisters(x));
  clock.sleep(100);
  mem.writeInteger("connect", "sleep", 120);
  line.script(withCrc({100, 3, 2, 0, 1}), 130);
  const uint32_t start = clock.tick();
  EXPECT_TRUE(client.readRegisters(x));
  // The stale reply is taken off the line, which must then stay quiet for the new sleep +
  // receive (170 ms); the read ends one interval time-out (10 ms) after the last byte.
  EXPECT_EQ(clock.tick() - start, 170u + 140u);
}

TEST_F(ModbusRtuClientTest, ZeroSendTimeCountsOnlyAWriteThatFinishedAtOnce) {
  mem.writeInteger("connect", "send", 0);
  line.script(withCrc({100, 3, 2, 0, 1}));
  ReadExchange x = read(16, 1);
  EXPECT_TRUE(client.readRegisters(x));
  line.writeMode = ScriptedLine::WriteMode::NeverFinishes;
  EXPECT_FALSE(client.readRegisters(x));
  EXPECT_EQ(x.error, "Ошибка передачи команды чтения в модуль");
}

}  // namespace

namespace {

// The tail of an exchange begun before the port was opened (another program, an earlier run)
// is no answer either.
TEST_F(ModbusRtuClientTest, FirstExchangeOnAFreshPortWaitsForAQuietLine) {
  port.closePort();
  port.openPort("COM1");
  line.arriveLater(withCrc({100, 3, 2, 0, 9}), 60);  // a reply to nobody's request
  line.script(withCrc({100, 3, 2, 0x44, 0x44}));
  ReadExchange x = read(768, 1);
  const uint32_t start = clock.tick();
  ASSERT_TRUE(client.readRegisters(x));
  EXPECT_EQ(x.registers[0], 0x4444);
  EXPECT_EQ(clock.tick() - start, 60u + 120u + 80u);
}

}  // namespace
