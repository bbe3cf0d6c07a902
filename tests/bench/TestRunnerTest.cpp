// The whole production test on the simulated bench, on virtual time: the bench writes, the
// module commands and protection writes, and the grid rows against golden sequences; the
// runner's own rules (enables, the restart loop, "Стоп" at the points that matter, the final
// message) against the sequences they must leave.
#include <gtest/gtest.h>

#include <QDir>

#include "BenchSim.h"
#include "Golden.h"

namespace {

QStringList golden(BenchSim& sim) {
  QStringList all = {QStringLiteral("# bench writes, module commands and blocks (ms since Старт)")};
  all << sim.writes << QStringLiteral("# rows: step|state|verdict") << sim.rows()
      << QStringLiteral("# boxes") << sim.boxes();
  return all;
}

TEST(TestRunner, WholeTestOnTheDemoBench) {
  for (int firmware : {205, 150}) {
    SCOPED_TRACE(firmware);
    BenchSim sim(firmware);
    ASSERT_TRUE(sim.startAndRun());
    EXPECT_FALSE(sim.core->flags.testRunning);
    expectGolden(QStringLiteral("production_%1.txt").arg(firmware), golden(sim));
    EXPECT_EQ(sim.boxes(), QStringList{"ОК: Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне"});
    // The module leaves the bench with its own protection values and the bench off.
    EXPECT_EQ(sim.bus.r16().outputs(), 0);
    EXPECT_EQ(sim.bus.d8r4().outputs(), 0);
    EXPECT_FALSE(sim.core->bench.overload.inModule);
  }
}

TEST(TestRunner, ProtectionValuesAreTheModulesOwnAfterTheTest) {
  for (int firmware : {205, 150}) {
    SCOPED_TRACE(firmware);
    BenchSim sim(firmware);
    const std::vector<uint16_t> before = sim.unitValues();
    ASSERT_TRUE(sim.startAndRun());
    EXPECT_EQ(sim.unitValues(), before);
  }
}

TEST(TestRunner, AllStepsOffEmptiesTheGridResetsTheBenchAndReportsTheFineWindow) {
  BenchSim sim(205, [](SettingsStore& tp) {
    for (int i = 0; i < TestRunner::kSteps; ++i)
      tp.writeInteger(TestRunner::step(i).section, TestRunner::step(i).key, 0);
  });
  sim.core->bench.grid.setStep("от прошлого испытания");
  ASSERT_TRUE(sim.startAndRun());
  EXPECT_EQ(sim.rows(), QStringList{"||"});
  // The bench reset of the preparation, and the one at the end (after the 500 ms wait, the
  // input map and the main tables).
  EXPECT_EQ(sim.writes, (QStringList{"0 R16 0", "70 D8R4 0", "980 R16 0", "1050 D8R4 0"}));
  EXPECT_EQ(sim.boxes(), QStringList{"ОК: Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне"});
}

// A 24 V run outside the fine but inside the coarse window: the test goes on and ends with the
// coarse-window message; 220 V runs never clear the flag.
TEST(TestRunner, A24VCurrentOutsideTheFineWindowEndsInTheCoarseOne) {
  const auto run = [](const char* row) {
    BenchSim sim(205, [row](SettingsStore& tp) {
      tp.writeInteger("current_wnd_0", QString::fromUtf8(row) + "мин", 0);
      tp.writeInteger("current_wnd_0", QString::fromUtf8(row) + "макс", 10);
    });
    EXPECT_TRUE(sim.startAndRun());
    return sim.boxes().join(';');
  };
  EXPECT_EQ(run("24В назад "), "ОК: Тест завершен: Ток мотора на тесте 24В В ГРУБОМ окне");
  EXPECT_EQ(run("220В вперед "), "ОК: Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне");
}

TEST(TestRunner, StartNeedsTheModuleOnlineAndAlwaysClearsTheFinalPlotFlag) {
  BenchSim sim;
  sim.core->bench.plotFinalRun = true;
  EXPECT_FALSE(TestRunner::startTest(sim.ctx(), {}, {}));
  EXPECT_FALSE(sim.core->flags.testRunning);
  EXPECT_FALSE(sim.core->bench.plotFinalRun);
  ASSERT_TRUE(sim.online());
  sim.core->operation.diagram.add(DiagramState::Test, 1, 2);
  EXPECT_TRUE(TestRunner::startTest(sim.ctx(), {}, {}));
  EXPECT_EQ(sim.core->operation.diagram.pointsSince(DiagramState::Test, 0).total, 0);
  sim.core->bench.plotFinalRun = true;
  EXPECT_FALSE(TestRunner::startTest(sim.ctx(), {}, {}));  // running: nothing changes
  EXPECT_TRUE(sim.core->bench.plotFinalRun);
}

// The input test cannot switch R16 off at its start: the runner leaves testRunning set and the
// worker starts it over, until R16 answers (the test then runs on) or "Стоп" ends it quietly,
// as a fault of the bench.
TEST(TestRunner, AFailedInitialR16ResetRestartsTheRunUntilStopped) {
  BenchSim sim;
  sim.core->tp.writeInteger("connect", "r16_addr", 30);  // where no R16 answers
  ASSERT_TRUE(sim.startAndRun(3));
  EXPECT_TRUE(sim.core->flags.testRunning);
  EXPECT_EQ(sim.rows(), (QStringList{"|Ошибка сброса модуля R16|1", "||"}));
  EXPECT_TRUE(sim.boxes().isEmpty());

  TestRunner::stopTest(sim.ctx());
  TestRunner(sim.ctx()).runTestSequence();
  EXPECT_TRUE(sim.boxes().isEmpty());  // the runner itself ends it, without a box
  EXPECT_EQ(sim.bus.d8r4().outputs(), 0);
  const QStringList reports = QDir(sim.dir.filePath("reports")).entryList({"*.csv"});
  ASSERT_EQ(reports.size(), 1);
  QFile report(sim.dir.filePath("reports/" + reports[0]));
  ASSERT_TRUE(report.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(report.readAll());
  EXPECT_TRUE(text.contains("Запусков;4\r\n"));
  // Stopped while the bench could not be started: the bench is to blame, not the operator.
  EXPECT_TRUE(text.contains("Итог;НЕИСПРАВНОСТЬ СТЕНДА\r\n"));
}

TEST(TestRunner, TheRestartLoopGoesOnWhenR16Answers) {
  BenchSim sim;
  sim.core->tp.writeInteger("connect", "r16_addr", 30);
  ASSERT_TRUE(sim.startAndRun(2));
  sim.core->tp.writeInteger("connect", "r16_addr", 16);
  TestRunner(sim.ctx()).runTestSequence();
  EXPECT_FALSE(sim.core->flags.testRunning);
  EXPECT_EQ(sim.boxes(), QStringList{"ОК: Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне"});
}

// "Стоп" during the 500 ms preparation: an enabled input step sees it after its first hold
// poll and ends with "Прервано пользователем"; without the input step the runner sees it after
// step 1 and returns without a box.
TEST(TestRunner, StopDuringThePreparation) {
  for (bool inputStep : {true, false}) {
    SCOPED_TRACE(inputStep);
    BenchSim sim(205, [inputStep](SettingsStore& tp) { tp.writeInteger("di", "do", inputStep); });
    bool stopped = false;
    sim.bus.d8r4().setWriteHook([&](uint16_t, uint16_t) {
      if (!stopped) TestRunner::stopTest(sim.ctx());  // the preparation's bench reset
      stopped = true;
    });
    ASSERT_TRUE(sim.startAndRun());
    EXPECT_FALSE(sim.core->flags.testRunning);
    if (inputStep) {
      EXPECT_EQ(sim.rows(), (QStringList{"Дискретные входы: прогон 1||", "ВХОД 1|1 |"}));
      EXPECT_EQ(sim.boxes(), QStringList{"Останов: Прервано пользователем"});
    } else {
      EXPECT_EQ(sim.rows(), QStringList{"||"});
      EXPECT_TRUE(sim.boxes().isEmpty());
    }
    EXPECT_EQ(sim.bus.r16().outputs(), 0);
  }
}

TEST(TestRunner, TheReportOfAPassedUnit) {
  BenchSim sim;
  sim.serial = "A-17/5";
  ASSERT_TRUE(sim.startAndRun());
  const QString path = sim.dir.filePath("reports/A-17_5_2024-05-17_10-30-00.csv");
  QFile report(path);
  ASSERT_TRUE(report.open(QIODevice::ReadOnly)) << path.toStdString();
  const QByteArray bytes = report.readAll();
  EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  const QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n");
  for (const char* expected : {
           "Заводской номер;A-17/5",
           "Версия ПО модуля;205",
           "Логика;1",
           "Адрес модуля;100",
           "Начало;2024-05-17 10:30:00",
           "Итог;ПРОЙДЕН",
           "Сообщение;Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне",
           "Тест перегрузки",
           "overload/rms;1000",
           "current_wnd_1/24В вперед макс;750",
           "Напряжение мотора до испытания;24V",
           "Напряжение мотора после испытания;24V",
           "ВХОД 3;1 1 1 1 1 1 1 1 ;",
           "Тест мотора-220В-вперед-прогон 1;Ток 252  ОК;норма",
           "Тест мотора-24В-вперед-прогон 1;Ток мотора, мА;605;точное окно 560..640, грубое "
           "окно 450..750;норма",
           // The masks seen, as the mask expected is written.
           "ВХОД 3;Маска входов (R16 2);4 (опросов: 8);ожидается 4;норма",
           "Реле «Включено»;Вход D8R4 0 (код 257);1 (опросов: 8);ожидается 1;норма",
           "Тест КЗ-220В-вперед-прогон 1;Сообщение об аварии (регистр 51);1;не 0;норма",
       }) {
    SCOPED_TRACE(expected);
    EXPECT_TRUE(lines.contains(QString::fromUtf8(expected)));
  }
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
    return l.startsWith("Тест перегрузки-220В-вперед-прогон 1;Срабатывание защиты, мс;1") &&
           l.endsWith(";не более 5000;норма");
  }));
  // Words for people: no verdict in the program's own terms.
  EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
    return l.endsWith(";ok") || l.endsWith(";fail");
  }));
}

}  // namespace

namespace {

// The program closing during a test (the window asks the worker to stop): the test ends as
// "Стоп" ends it, with the bench and the module reset and the protection values back, so the
// worker can end its loop.
TEST(TestRunner, ClosingTheProgramEndsTheTestLikeStop) {
  BenchSim sim;
  sim.bus.d8r4().setWriteHook([&sim](uint16_t, uint16_t) {
    if (sim.bus.d8r4().outputs() == 5) sim.core->flags.workerStopRequest = true;
  });
  ASSERT_TRUE(sim.startAndRun(1));
  EXPECT_FALSE(sim.core->flags.testRunning);
  EXPECT_EQ(sim.boxes(), QStringList{"Останов: Прервано пользователем"});
  EXPECT_EQ(sim.bus.d8r4().outputs(), 0);
  EXPECT_FALSE(sim.core->bench.overload.inModule);
  EXPECT_EQ(sim.bus.module().get(117), 3);
}

}  // namespace

namespace {

// With "Диагр" ticked only the final motor test's 24 V runs plot their currents, in seconds
// since the series' time base.
TEST(TestRunner, TheFinalMotorTestPlotsIts24VCurrents) {
  BenchSim sim;
  sim.core->operation.diagram.drawTestRuns = true;
  ASSERT_TRUE(sim.startAndRun());
  const DiagramState::Points p = sim.core->operation.diagram.pointsSince(DiagramState::Test, 0);
  EXPECT_GE(p.total, 10);
  EXPECT_LE(p.total, 16);
  for (int i = 0; i < p.total; ++i) {
    EXPECT_GE(p.y[i], 560);  // 24 V currents, inside the fine window
    EXPECT_LE(p.y[i], 640);
    EXPECT_GT(p.x[i], 1.0);  // after the permit, the start and the release of the limit switch
    EXPECT_LT(p.x[i], 10.0);
  }
}

}  // namespace
