// tarvix-cli scan against simulated modules that hear only their own line settings.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "core/Clock.h"
#include "params/ModuleRegisters.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/CliFixture.h"
#include "tools/CliTool.h"

namespace {

class CliScan : public CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    line.setLineSettingsHeard(true);
  }
  // A module at `address` listening at 38400 baud, even parity.
  static void at38400Even(ModuleModel& m, uint8_t address) {
    m.setAddress(address);
    m.set(modulemap::SpeedIndex, 2);
    m.set(modulemap::ParityCode, 1);
  }
};

// Two modules on one line at a speed other than the first tried: both found, with their
// firmware, and nothing written to either.
TEST_F(CliScan, FindsTwoModulesAtAnotherSpeedAndWritesNothing) {
  bus.module().setFirmware(204, 13);
  at38400Even(bus.module(), 12);
  ModuleModel& second = bus.addModule(14);
  second.setFirmware(205, 2);
  at38400Even(second, 14);
  int written = 0;
  bus.module().setWriteHook([&](uint16_t, uint16_t) { ++written; });
  second.setWriteHook([&](uint16_t, uint16_t) { ++written; });

  // Below the bench modules' 16 and 17 (found too, without a firmware version).
  EXPECT_EQ(run({"--port", "COM1", "scan", "--addresses", "1-15", "--speeds", "9600,38400"}),
            CliTool::Ok)
      << err.toStdString();
  EXPECT_EQ(out.toStdString(), "12;38400;204;13;even;2\n14;38400;205;2;even;2\n");
  EXPECT_EQ(written, 0);
  EXPECT_TRUE(err.contains("scan: 38400 baud, parity even, 2 stop bits")) << err.toStdString();
  EXPECT_TRUE(err.contains("2 found")) << err.toStdString();
  // The port is back at the settings it was opened with.
  EXPECT_EQ(line.lineSettings().baudRate.value_or(0), 9600);
}

TEST_F(CliScan, ExitCodes) {
  at38400Even(bus.module(), 12);
  EXPECT_EQ(run({"--port", "COM1", "scan", "--addresses", "1-20", "--speeds", "19200"}), 3);
  EXPECT_EQ(out, "");
  EXPECT_EQ(run({"scan", "--addresses", "1-5"}), CliTool::Failure);  // no port in mem.ini
  EXPECT_EQ(err, "Ошибка открытия порта\n");
  const QStringList bad[] = {{"scan", "--addresses", "0-5"},
                             {"scan", "--addresses", "9-3"},
                             {"scan", "--addresses", "248"},
                             {"scan", "--speeds", "1200"},
                             {"scan", "--speeds", "9600,x"},
                             {"scan", "--adr"},
                             {"scan", "--speeds"}};
  for (const QStringList& args : bad) {
    EXPECT_EQ(run(QStringList{"--port", "COM1"} + args), CliTool::Usage)
        << args.join(' ').toStdString();
  }
  EXPECT_EQ(line.requestCount(), 20 * 6);  // only the scan that ran sent anything
}

}  // namespace
