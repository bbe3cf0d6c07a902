// The client against the simulated module on the in-memory line: retries, stale replies and
// the line's own timing.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/ModbusRtuClient.h"
#include "link/SerialPortLink.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/ScriptedLine.h"

namespace {

class SimulatedBus : public ::testing::Test {
 protected:
  SimulatedBus()
      : mem(dir.filePath("mem.ini")),
        line(bus, clock),
        port(line, mem, status),
        client(port, mem, clock) {
    port.openPort("COM1");
  }

  QTemporaryDir dir;
  SettingsStore mem;
  VirtualClock clock;
  SimBus bus;
  StatusLine status;
  RecordingPrompter prompter;
  MemoryLine line;
  SerialPortLink port;
  ModbusRtuClient client;
};

TEST_F(SimulatedBus, DroppedAndCorruptedRepliesAreRetried) {
  bus.module().set(16, 1);
  bus.faults().failNext(FaultKind::Drop, 2);
  bus.faults().failNext(FaultKind::Crc, 2);
  ReadExchange x;
  ASSERT_TRUE(client.readModuleRegisters(x, 16, 17));
  EXPECT_EQ(line.requestCount(), 5);
  EXPECT_EQ(x.registers[0], 1);

  bus.faults().failNext(FaultKind::Address, 5);
  EXPECT_FALSE(client.readModuleRegisters(x, 16, 17));
  EXPECT_EQ(x.error, "Ошибочный адрес модуля в ответе от модуля");
}

TEST_F(SimulatedBus, ExceptionFromTheModule) {
  ReadExchange x;
  EXPECT_FALSE(client.readModuleRegisters(x, 1000, 1));  // not in the register map
  EXPECT_EQ(x.errorCode, 2);
  EXPECT_EQ(x.error, "Ошибка модуля: код 2");
}

// A late reply lands in the port after its exchange gave up; the next exchange (after the
// poll cycle's pause) reads its own reply, not the stale one.
TEST_F(SimulatedBus, StaleReplyIsNotTakenForTheNextBlock) {
  bus.module().set(16, 0x1111);
  bus.module().set(48, 0x2222);
  bus.faults().setLateMs(150);
  bus.faults().failNext(FaultKind::Late);
  ReadExchange inputs, errors;
  inputs.slaveAddress = errors.slaveAddress = 100;
  inputs.firstRegister = 16;
  errors.firstRegister = 48;
  inputs.registerCount = errors.registerCount = 1;
  EXPECT_FALSE(client.readRegisters(inputs));
  EXPECT_EQ(inputs.error, "Ошибка получения результата из модуля");
  clock.sleep(200);
  ASSERT_TRUE(client.readRegisters(errors));
  EXPECT_EQ(errors.registers[0], 0x2222);
}

TEST_F(SimulatedBus, EmulatedLineTime) {
  line.setEmulatedBaud(9600);
  line.setTurnaroundMs(5);
  mem.writeInteger("connect", "sleep", 0);
  mem.writeInteger("connect", "receive", 200);
  ReadExchange x;
  // The first exchange on a port just opened waits for the line to fall quiet.
  ASSERT_TRUE(client.readModuleRegisters(x, 768, 1));
  const uint32_t start = clock.tick();
  ASSERT_TRUE(client.readModuleRegisters(x, 16, 17));
  // 8 request + 39 reply characters at 1.04 ms, the turnaround, then the 10 ms interval.
  EXPECT_NEAR(double(clock.tick() - start), 47 * 10000.0 / 9600 + 5 + 10, 2.0);

  // With the default 50 ms for the reply, 17 registers at 9600 baud cannot arrive in time.
  mem.writeInteger("connect", "receive", 30);
  EXPECT_FALSE(client.readModuleRegisters(x, 16, 17));
  EXPECT_EQ(x.error, "Ошибка получения результата из модуля");
}

TEST_F(SimulatedBus, VanishedPortClosesOnRead) {
  line.setUnplugged(true);
  ReadExchange x;
  EXPECT_FALSE(client.readModuleRegisters(x, 16, 1));
  EXPECT_EQ(x.error, "Нет связи с портом");
  EXPECT_FALSE(port.isOpen());
}

}  // namespace

namespace {

// An adapter that echoes hands the request back ahead of the reply: with "Эхо адаптера" those
// bytes are dropped, in both timings and for reads and writes; without it the echo is taken
// for the reply and every exchange fails.
TEST_F(SimulatedBus, AdapterEchoIsDroppedOnlyWhenSet) {
  line.setEmulatedBaud(9600);
  line.setTurnaroundMs(5);
  bus.setAdapterEcho(true);
  bus.module().set(97, 0x1234);
  for (const int fast : {0, 1}) {
    SCOPED_TRACE(fast);
    mem.writeInteger("connect", "fast", fast);
    mem.writeInteger("connect", "echo", 1);
    ReadExchange r;
    r.slaveAddress = 100;
    r.firstRegister = 97;
    r.registerCount = 1;
    ASSERT_TRUE(client.readRegisters(r)) << r.error.toStdString();
    EXPECT_EQ(r.registers[0], 0x1234);
    WriteExchange w;
    EXPECT_TRUE(client.writeRegisterAt(w, 100, 97, 0x4321)) << w.error.toStdString();
    EXPECT_EQ(bus.module().get(97), 0x4321);
    bus.module().set(97, 0x1234);

    mem.writeInteger("connect", "echo", 0);
    EXPECT_FALSE(client.readRegisters(r));
    clock.sleep(500);
  }
  // A module that stays silent: the echo alone is no reply.
  mem.writeInteger("connect", "echo", 1);
  bus.setModulePlugged(false);
  ReadExchange r;
  r.slaveAddress = 100;
  r.firstRegister = 97;
  r.registerCount = 1;
  EXPECT_FALSE(client.readRegisters(r));
  EXPECT_EQ(r.error, "Ошибка получения результата из модуля");
}

}  // namespace
