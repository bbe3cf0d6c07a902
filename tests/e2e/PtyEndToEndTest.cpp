// The real QSerialPort over a pseudo-terminal to tarvix-sim, driven through tarvix-cli's code.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "core/SettingsStore.h"
#include "sim/SimProcess.h"
#include "tools/CliTool.h"

namespace {

struct CliRun {
  int exit;
  QString out, err;
};

class PtyEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = QDir::currentPath();
    QDir::setCurrent(dir_.path());  // tarvix-cli reads mem.ini from the working directory
  }
  void TearDown() override { QDir::setCurrent(previous_); }

  CliRun cli(const SimProcess& sim, QStringList args) {
    args.prepend(sim.path());
    args.prepend("--port");
    QString out, err;
    QTextStream o(&out), e(&err);
    const int exit = CliTool(o, e).run(args);
    return {exit, out.trimmed(), err.trimmed()};
  }

 private:
  QTemporaryDir dir_;
  QString previous_;
};

TEST_F(PtyEndToEnd, IdentifyReadAndWriteThroughTheRealPort) {
  SimProcess sim({"--firmware", "204", "--revision", "13", "--baud", "115200"});
  ASSERT_TRUE(sim.started());

  CliRun r = cli(sim, {"identify"});
  EXPECT_EQ(r.exit, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "204.13");

  r = cli(sim, {"read", "768", "2", "--repeat", "2"});
  EXPECT_EQ(r.exit, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "204 13\n204 13");

  EXPECT_EQ(cli(sim, {"write", "97", "321"}).exit, 0);
  EXPECT_EQ(cli(sim, {"write-multi", "98", "7", "8"}).exit, 0);
  r = cli(sim, {"read", "97", "3"});
  EXPECT_EQ(r.out, "321 7 8");
}

// QSerialPort writes from its own buffer: with no send time the whole frame must still go.
TEST_F(PtyEndToEnd, ZeroSendTimeStillSendsTheFrame) {
  SimProcess sim({"--baud", "115200"});
  ASSERT_TRUE(sim.started());
  SettingsStore mem("mem.ini");
  mem.writeInteger("connect", "send", 0);
  ASSERT_TRUE(mem.flush());
  const CliRun r = cli(sim, {"identify"});
  EXPECT_EQ(r.exit, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "205");
}

TEST_F(PtyEndToEnd, CorruptedRepliesAreReportedInTheUsersWords) {
  SimProcess sim({"--fault", "crc", "--baud", "115200"});
  ASSERT_TRUE(sim.started());
  const CliRun r = cli(sim, {"read", "16", "17"});
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "Ошибочный CRC в ответе от модуля");
  EXPECT_TRUE(r.out.isEmpty());
}

TEST_F(PtyEndToEnd, AbsentPortFailsToOpen) {
  QString out, err;
  QTextStream o(&out), e(&err);
  EXPECT_EQ(CliTool(o, e).run({"--port", "/dev/tarvix-no-such-port", "identify"}), 1);
  EXPECT_EQ(err.trimmed(), "Ошибка открытия порта");
}

}  // namespace
