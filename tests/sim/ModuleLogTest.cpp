// The simulated module's event log and clock, over the bus and from the console.
#include <gtest/gtest.h>

#include "core/Clock.h"
#include "sim/SimBus.h"
#include "sim/SimConsole.h"
#include "sim/SimFrames.h"

namespace {

class ModuleLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module().log().setClock(&clock);
    module().motion().setEnabled(false);  // commands are only logged, the drive stays put
  }
  ModuleModel& module() { return bus.module(); }
  void write(int reg, int value) {
    const QByteArray request = QByteArray("64 06 ") +
                               QByteArray::number(reg, 16).rightJustified(4, '0') + ' ' +
                               QByteArray::number(value, 16).rightJustified(4, '0');
    ASSERT_FALSE(bus.respond(frame(request.constData())).bytes.isEmpty());
  }
  void writeClock(uint32_t seconds) {
    const QByteArray request = QByteArray("64 10 00 04 00 02 04 ") +
                               QByteArray::number(seconds & 0xFFFF, 16).rightJustified(4, '0') +
                               QByteArray::number(seconds >> 16, 16).rightJustified(4, '0');
    ASSERT_FALSE(bus.respond(frame(request.constData())).bytes.isEmpty());
  }
  uint32_t readClock() {
    const std::vector<uint16_t> v = readModule(bus, 4, 2).values;
    return v.size() == 2 ? uint32_t(v[1]) << 16 | v[0] : 0;
  }
  // The record at `index` as the tool fetches it: select, then read the block.
  std::vector<uint16_t> fetch(int index) {
    write(337, index);
    return readModule(bus, 337, 9).values;
  }
  uint16_t unread() { return readModule(bus, 336, 1).values.at(0); }
  std::string run(const char* line) { return console.execute(line).toStdString(); }

  SimBus bus;
  VirtualClock clock;
  SimConsole console{bus, clock};
};

TEST_F(ModuleLogTest, ClockTicksWithTheSimulatorsClock) {
  writeClock(1709294400);
  EXPECT_EQ(readClock(), 1709294400u);
  clock.advance(2'500);
  EXPECT_EQ(readClock(), 1709294402u);
  writeClock(4294967295u);  // a write starts a new second
  clock.advance(999);
  EXPECT_EQ(readClock(), 4294967295u);
  clock.advance(1);
  EXPECT_EQ(readClock(), 0u);  // the module's two registers wrap
  module().log().setClock(nullptr);
  clock.advance(10'000);
  EXPECT_EQ(readClock(), 0u);  // without a clock it stands still
}

TEST_F(ModuleLogTest, CommandsAreLoggedWithTheModulesTime) {
  writeClock(1709294400);
  write(8, 1);
  clock.advance(3'000);
  write(9, 1);
  write(10, 1);
  write(10, 0);  // only a command, 1, counts
  EXPECT_EQ(unread(), 3);
  EXPECT_EQ(fetch(1), (std::vector<uint16_t>{2, 0xC343, 0x65E1, 0x0301, 0, 0, 0, 0, 0}));
  EXPECT_EQ(fetch(2), (std::vector<uint16_t>{2, 0xC343, 0x65E1, 0x0201, 0, 0, 0, 0, 0}));
  EXPECT_EQ(fetch(3), (std::vector<uint16_t>{2, 0xC340, 0x65E1, 0x0101, 0, 0, 0, 0, 0}));
  EXPECT_EQ(unread(), 0);  // reading a record marks it read
  EXPECT_EQ(fetch(0).at(0), 0);
  EXPECT_EQ(fetch(4).at(0), 0);
  EXPECT_EQ(fetch(4).at(1), 0);
}

TEST_F(ModuleLogTest, KeepLogSwitchAndCapacity) {
  write(335, 0);
  write(8, 1);
  EXPECT_EQ(unread(), 0);
  write(335, 1);
  for (int i = 0; i < ModuleLog::kCapacity + 5; ++i)
    module().logEvent(ModuleLog::Error, uint8_t(i % 12), uint8_t(i));
  EXPECT_EQ(module().log().size(), ModuleLog::kCapacity);
  EXPECT_EQ(unread(), ModuleLog::kCapacity);
  EXPECT_EQ(fetch(ModuleLog::kCapacity).at(4), 5);  // the five oldest went
  // Another module plugged in brings its own, empty log.
  module().installFirmware(209);
  EXPECT_EQ(unread(), 0);
  EXPECT_EQ(fetch(1).at(0), 0);
}

TEST_F(ModuleLogTest, ConsoleErrorsEndPositionsAndDamage) {
  EXPECT_EQ(run("clock 1709294400"), "module clock 1709294400 (01.03.2024 12:00:00)");
  run("error 3 on 10");
  run("error 3 on");  // already raised: no new record
  run("error 3 off");
  run("input 3 on");   // no end position
  run("input 12 on");  // push end position (register 27) with input map 0
  run("input 11 on");  // pull end position (register 26)
  run("input 12 off");
  EXPECT_EQ(unread(), 4);
  EXPECT_EQ(fetch(4).at(3), 0x0202);
  EXPECT_EQ(fetch(4).at(4), 10);
  EXPECT_EQ(fetch(3).at(3), 0x0103);
  EXPECT_EQ(fetch(2).at(3), 0x0303);
  EXPECT_EQ(fetch(1).at(3), 0x0203);

  module().setInputMap(1);
  run("input 11 off");
  module().log().clear(module());
  run("input 8 on");  // push end position (register 23) with input map 1
  EXPECT_EQ(fetch(1).at(3), 0x0103);

  EXPECT_EQ(run("damage 1"), "record 1 reads as damaged");
  EXPECT_EQ(fetch(1).at(0), 1);
  EXPECT_EQ(run("damage 2").substr(0, 2), "? ");
  EXPECT_EQ(run("log"),
            "event log: 1 records, 0 unread, logging on\n"
            "  1: 01.03.2024 12:00:00 end positions code 1 detail 0, damaged");
  EXPECT_EQ(run("log clear"), "event log cleared");
  EXPECT_EQ(unread(), 0);
  for (const char* bad : {"damage", "damage x", "clock x", "clock 4294967296", "log x",
                          "error 1 off 5", "error 1 on 256", "clock 1 2"})
    EXPECT_EQ(run(bad).substr(0, 2), "? ") << bad;
  EXPECT_EQ(module().log().size(), 0);
}

}  // namespace
