// tarvix-cli test against the simulated module on the simulated bench of the demo's tp.ini.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/SettingsStore.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "support/CliFixture.h"
#include "tools/CliTool.h"
#include "tools/InterruptGuard.h"

namespace {

class CliTest : public CliFixture {
 protected:
  void SetUp() override {
    CliFixture::SetUp();
    QFile mem(dir.filePath("mem.ini"));
    ASSERT_TRUE(mem.open(QIODevice::WriteOnly));
    mem.write("[connect]\r\nport=COM1\r\n");
    mem.close();
    ASSERT_TRUE(QFile::copy(TARVIX_DEMO_TP, dir.filePath("tp.ini")));
    QFile(dir.filePath("tp.ini")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    bus.attachBench(BenchDescription::read(SettingsStore(dir.filePath("tp.ini"))));
  }

  QStringList outLines() const { return out.split('\n', Qt::SkipEmptyParts); }
};

TEST_F(CliTest, APassedUnitPrintsItsRowsTheMessageAndExitsZero) {
  EXPECT_EQ(run({"test", "--serial", "77-1", "--report", "unit.csv"}), 0) << err.toStdString();
  const QStringList lines = outLines();
  ASSERT_EQ(lines.size(), 31);  // 30 rows, then the message
  EXPECT_EQ(lines[0], "Дискретные входы: прогон 1;;");
  EXPECT_EQ(lines[1], "ВХОД 1;1 1 1 1 1 1 1 1 ;");
  EXPECT_TRUE(lines[16].startsWith("Тест мотора-220В-вперед-прогон 1;Ток 2"));
  EXPECT_TRUE(lines[16].endsWith("  ОК;ok"));
  EXPECT_EQ(lines[20], "Тест перегрузки-220В-вперед-прогон 1;АВАРИЯ ПО ПРЕПЯТСТВИЮ - ТЕСТ ОК;ok");
  EXPECT_EQ(lines.last(), "Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне");
  EXPECT_TRUE(err.isEmpty()) << err.toStdString();
  QFile report(dir.filePath("unit.csv"));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(report.readAll());
  EXPECT_TRUE(text.contains("Заводской номер;77-1\r\n"));
  EXPECT_TRUE(QFile::exists(dir.filePath("unit.pdf")));
  EXPECT_TRUE(text.contains("Итог;ПРОЙДЕН\r\n"));
  // The report is for people; the lines above keep their ok/fail for scripts.
  EXPECT_TRUE(
      text.contains("Тест перегрузки-220В-вперед-прогон 1;АВАРИЯ ПО ПРЕПЯТСТВИЮ - ТЕСТ "
                    "ОК;норма\r\n"));
  EXPECT_FALSE(QDir(dir.filePath("reports")).exists());
}

TEST_F(CliTest, AFailedUnitExitsOneWithTheClosingTextOnStandardError) {
  bus.bench()->defect({"output", "1", "dead"});
  EXPECT_EQ(run({"test"}), 1);
  EXPECT_EQ(outLines().last(), "Реле «Включено»;0 0 0 0 0 0 0 0 ;fail");
  EXPECT_EQ(err, "Прервано по ошибке\n");
  EXPECT_EQ(QDir(dir.filePath("reports")).entryList({"*.csv"}).size(), 1);
}

// Ctrl-C stops the test as "Стоп" does: the step in progress ends it through the stop routine,
// which resets the bench and the module.
TEST_F(CliTest, CtrlCStopsTheTestAsStopDoes) {
  bool interrupted = false;
  bus.r16().setWriteHook([&](uint16_t, uint16_t) {
    if (bus.r16().outputs() == 4 && !interrupted) {  // input 5 is being held
      interrupted = true;
#ifdef _WIN32
      // A headless Windows process has no console to send Ctrl-C to: the guard is told as the
      // console's handler tells it.
      InterruptGuard::interrupt();
#else
      raise(SIGINT);
#endif
    }
  });
  EXPECT_EQ(run({"test"}), 1);
  EXPECT_EQ(err, "Прервано пользователем\n");
  EXPECT_EQ(outLines().last(), "ВХОД 5;1 ;");
  EXPECT_EQ(bus.r16().outputs(), 0);
  EXPECT_EQ(bus.d8r4().outputs(), 0);
}

// --operator goes into the report and the protocol beside it, and is kept in tp.ini for the
// runs without it.
TEST_F(CliTest, TheOperatorIsRecordedAndKeptAndTheProtocolLiesBesideTheReport) {
  EXPECT_EQ(run({"test", "--serial", "77-2", "--operator", "Иванов И. И."}), 0)
      << err.toStdString();
  bus.bench()->defect({"output", "1", "dead"});
  EXPECT_EQ(run({"test", "--serial", "77-2"}), 1);
  const QStringList reports =
      QDir(dir.filePath("reports")).entryList({"77-2_*"}, QDir::Files, QDir::Name);
  ASSERT_EQ(reports.size(), 4);  // two runs, each a CSV and its PDF
  for (const QString& name : reports) {
    if (!name.endsWith(".csv")) continue;
    SCOPED_TRACE(name.toStdString());
    EXPECT_TRUE(reports.contains(name.chopped(4) + ".pdf"));
    QFile report(dir.filePath("reports/" + name));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(report.readAll()).contains("Оператор;Иванов И. И.\r\n"));
  }
  EXPECT_EQ(SettingsStore(dir.filePath("tp.ini")).readString("protocol", "operator", {}),
            "Иванов И. И.");
  EXPECT_EQ(run({"reports"}), 0);
  EXPECT_EQ(outLines().last(),
            "итого 2: пройдено 1, не пройдено 1, прервано 0, неисправность стенда 0");
}

// A protocol that cannot be written: said on standard error; the report is written and the
// exit is the run's.
TEST_F(CliTest, AProtocolThatCannotBeWrittenLeavesTheReportAndTheExit) {
  ASSERT_TRUE(QDir().mkpath(dir.filePath("unit.pdf")));
  EXPECT_EQ(run({"test", "--report", "unit.csv"}), 0);
  EXPECT_TRUE(err.startsWith("Протокол PDF не сохранён: ")) << err.toStdString();
  EXPECT_EQ(outLines().last(), "Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне");
  QFile report(dir.filePath("unit.csv"));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(report.readAll()).contains("Итог;ПРОЙДЕН\r\n"));
}

TEST_F(CliTest, BadUsageExitsTwoAndAnAbsentModuleOne) {
  EXPECT_EQ(run({"test", "--report"}), 2);
  EXPECT_EQ(run({"test", "--verbose", "1"}), 2);
  EXPECT_EQ(run({"test", "--operator"}), 2);
  bus.setModulePlugged(false);
  EXPECT_EQ(run({"test"}), 1);
  EXPECT_TRUE(out.isEmpty());
}

}  // namespace
