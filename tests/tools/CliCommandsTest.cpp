// tarvix-cli's register commands against the simulated module: usage, exit codes, output.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "core/Clock.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/CliFixture.h"
#include "tools/CliTool.h"

namespace {

class CliOnSimulator : public CliFixture {};

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

// --adr 0 is the broadcast: a write goes out once, every module takes it, nobody answers and
// the tool says so; anything that needs a reply is bad usage and sends nothing.
TEST_F(CliOnSimulator, BroadcastWritesAndRefusesReads) {
  std::vector<int> written;
  bus.module().setWriteHook([&](uint16_t first, uint16_t) { written.push_back(first); });
  EXPECT_EQ(run({"--port", "COM1", "--adr", "0", "write", "99", "31"}), CliTool::Ok)
      << err.toStdString();
  EXPECT_EQ(out, "broadcast sent to address 0; no reply is expected\n");
  EXPECT_EQ(run({"--port", "COM1", "--adr", "0", "write-multi", "97", "5", "6"}), CliTool::Ok);
  EXPECT_EQ(written, (std::vector<int>{99, 97}));
  EXPECT_EQ(line.requestCount(), 2);
  EXPECT_EQ(bus.module().get(99), 31);
  EXPECT_EQ(bus.module().get(98), 6);
  const QStringList replied[] = {
      {"read", "97", "1"},      {"identify"}, {"push"}, {"log"}, {"clock"},
      {"params-save", "x.txt"}, {"test"}};
  for (const QStringList& command : replied) {
    EXPECT_EQ(run(QStringList{"--port", "COM1", "--adr", "0"} + command), CliTool::Usage)
        << command.join(' ').toStdString();
    EXPECT_TRUE(err.startsWith("address 0 is the broadcast")) << err.toStdString();
  }
  EXPECT_EQ(line.requestCount(), 2);
}

}  // namespace

namespace {

// push, pull and reset as the control page sends them: nothing while the module is busy.
TEST_F(CliOnSimulator, CommandsFollowTheBusyRule) {
  std::vector<int> written;
  bus.module().setWriteHook([&](uint16_t first, uint16_t) { written.push_back(first); });
  EXPECT_EQ(run({"--port", "COM1", "push"}), CliTool::Ok) << err.toStdString();
  EXPECT_EQ(written, (std::vector<int>{8}));
  // Register 8 reads 1 while the drive moves: the push is being executed, nothing is written.
  EXPECT_EQ(run({"--port", "COM1", "push"}), CliTool::Ok);
  EXPECT_EQ(written.size(), 1u);
  EXPECT_EQ(run({"--port", "COM1", "reset"}), CliTool::Ok);
  EXPECT_EQ(written, (std::vector<int>{8, 10}));
  EXPECT_EQ(run({"--port", "COM1", "pull", "now"}), CliTool::Usage);
  bus.setModulePlugged(false);
  EXPECT_EQ(run({"--port", "COM1", "pull"}), CliTool::Failure);
  EXPECT_EQ(err, "Ошибка получения результата из модуля\n");
}

}  // namespace

namespace {

// --trace: the frames on standard error, the command's own output and exit code untouched;
// a failed exchange's frame carries the error text the command ends with.
TEST_F(CliOnSimulator, TracePrintsEveryFrameOnStandardError) {
  bus.module().setFirmware(205, 0);
  EXPECT_EQ(run({"--port", "COM1", "--trace", "read", "768", "1"}), CliTool::Ok);
  EXPECT_EQ(out, "205\n");
  QStringList lines = err.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2) << err.toStdString();
  EXPECT_TRUE(
      QRegularExpression(R"(^\d\d:\d\d:\d\d\.\d\d\d;TX;100;3;768;1;;64 03 03 00 00 01 .. ..;OK;1$)")
          .match(lines[0])
          .hasMatch())
      << lines[0].toStdString();
  EXPECT_TRUE(lines[1].contains(";RX;100;3;768;1;205;64 03 02 00 CD ")) << lines[1].toStdString();

  bus.faults().failNext(FaultKind::Exception);
  EXPECT_EQ(run({"--trace", "--port", "COM1", "write", "97", "5"}), CliTool::Failure);
  lines = err.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 3) << err.toStdString();
  EXPECT_TRUE(lines[0].contains(";TX;100;6;97;1;5;64 06 00 61 00 05 "));
  EXPECT_TRUE(lines[1].contains(";RX;100;0x86;97;1;код "));
  EXPECT_TRUE(lines[1].endsWith(";" + lines[2] + ";1")) << lines[1].toStdString();

  // Without the option nothing but the error text, as before.
  EXPECT_EQ(run({"--port", "COM1", "read", "768", "1"}), CliTool::Ok);
  EXPECT_EQ(err, "");
}

}  // namespace

namespace {

// With the fixed pause a block whose line time does not fit sleep + receive is refused before
// anything is sent, with the shortfall; fast exchange takes it.
TEST_F(CliOnSimulator, LongBlockIsRefusedUnlessTheExchangeIsFast) {
  const QString refused =
      "Блок из 125 регистров не успеет: при 9600 бит/с запрос и ответ идут по линии 302 мс, а "
      "sleep + receive = 120 мс, не хватает 182 мс. Включите быстрый обмен (fast=1 в [connect] "
      "файла mem.ini) или увеличьте receive\n";
  EXPECT_EQ(run({"--port", "COM1", "read", "0", "125"}), CliTool::Failure);
  EXPECT_EQ(err, refused);
  QStringList values{"write-multi", "0"};
  for (int i = 0; i < 123; ++i) values << "0";
  EXPECT_EQ(run(QStringList{"--port", "COM1"} + values), CliTool::Failure);
  EXPECT_TRUE(err.startsWith("Блок из 123 регистров не успеет")) << err.toStdString();
  // 17 registers fit: 8 + 39 characters take 54 ms.
  EXPECT_EQ(run({"--port", "COM1", "read", "16", "17"}), CliTool::Ok) << err.toStdString();
  EXPECT_EQ(line.requestCount(), 1);

  QFile mem(dir.filePath("mem.ini"));
  ASSERT_TRUE(mem.open(QIODevice::WriteOnly));
  mem.write("[connect]\r\nfast=1\r\n");
  mem.close();
  // Sent now; the module has no 125 registers in a row from 0 and says so.
  run({"--port", "COM1", "read", "0", "125"});
  EXPECT_EQ(err, "Ошибка модуля: код 2\n");
  EXPECT_GT(line.requestCount(), 1);
}

}  // namespace
