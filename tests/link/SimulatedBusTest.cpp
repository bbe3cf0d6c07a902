// The client against the simulated module on the in-memory line: retries, stale replies, the
// line's own timing, and tarvix-cli's commands.
#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

#include "app/SettingsStore.h"
#include "link/ModbusRtuClient.h"
#include "link/SerialPortLink.h"
#include "link/StatusLine.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/ScriptedLine.h"
#include "tools/CliTool.h"

namespace {

class SimulatedBus : public ::testing::Test {
 protected:
  SimulatedBus()
      : mem(dir.filePath("mem.ini")),
        line(bus, clock),
        port(line, mem, status, prompter),
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

class CliOnSimulator : public SimulatedBus {
 protected:
  void SetUp() override {
    previous_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
  }
  void TearDown() override { QDir::setCurrent(previous_); }
  int run(const QStringList& args) {
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    line.close();  // the tool opens the port itself
    return CliTool(o, e, &line, &clock).run(args);
  }
  QString out, err;

 private:
  QString previous_;
};

TEST_F(CliOnSimulator, BadUsageExitsWithTwoAndTouchesNothing) {
  const QStringList cases[] = {{},
                               {"frobnicate"},
                               {"read", "16"},
                               {"read", "16", "0"},
                               {"read", "16", "17", "--repeat", "x"},
                               {"write", "97", "70000"},
                               {"write", "97"},
                               {"write-multi", "97"},
                               {"--adr"},
                               {"--adr", "300", "identify"},
                               {"identify", "5"}};
  for (const QStringList& args : cases) {
    EXPECT_EQ(run(args), CliTool::Usage) << args.join(' ').toStdString();
    EXPECT_TRUE(err.contains("usage:"));
  }
  EXPECT_EQ(line.requestCount(), 0);
}

TEST_F(CliOnSimulator, CommandsReachTheModule) {
  bus.module().setFirmware(204, 13);
  EXPECT_EQ(run({"--port", "COM1", "identify"}), CliTool::Ok);
  EXPECT_EQ(out, "204.13\n");
  bus.module().setFirmware(205, 0);
  EXPECT_EQ(run({"--port", "COM1", "identify"}), CliTool::Ok);
  EXPECT_EQ(out, "205\n");

  EXPECT_EQ(run({"--port", "COM1", "write-multi", "97", "0x10", "20"}), CliTool::Ok);
  EXPECT_EQ(run({"--port", "COM1", "write", "99", "30"}), CliTool::Ok);
  EXPECT_EQ(run({"--port", "COM1", "read", "97", "3", "--repeat", "2"}), CliTool::Ok);
  EXPECT_EQ(out, "16 20 30\n16 20 30\n");

  EXPECT_EQ(run({"--port", "COM1", "--adr", "5", "read", "97", "1"}), CliTool::Failure);
  EXPECT_EQ(err, "Ошибка получения результата из модуля\n");
  EXPECT_EQ(run({"identify"}), CliTool::Failure);  // no port in mem.ini
  EXPECT_EQ(err, "Ошибка открытия порта\n");
}

}  // namespace
