// Each step of the production test failing through a fault of the unit (the simulator's
// defects) or of the bench, and the faults of the sequence we mend: the right row turns red
// with its text, the test ends with its box, and the bench and the module are left reset with
// their own protection values.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

#include "BenchSim.h"

namespace {

QString lastFailedRow(BenchSim& sim) {
  const QStringList rows = sim.rows();
  for (int i = rows.size() - 1; i >= 0; --i)
    if (rows[i].endsWith("|1")) return rows[i];
  return QString();
}

QString reportOutcome(BenchSim& sim) {
  const QStringList files = QDir(sim.dir.filePath("reports")).entryList({"*.csv"});
  if (files.size() != 1) return QStringLiteral("%1 reports").arg(files.size());
  QFile f(sim.dir.filePath("reports/" + files[0]));
  f.open(QIODevice::ReadOnly);
  for (const QString& line : QString::fromUtf8(f.readAll()).split("\r\n"))
    if (line.startsWith("Итог;")) return line.mid(5);
  return QString();
}

struct Case {
  const char* name;
  std::function<void(BenchSim&)> breakIt;
  const char* failedRow;  // step|state|verdict; a regular expression
  const char* box;
  const char* outcome;
};

void expectFailure(const Case& c) {
  SCOPED_TRACE(c.name);
  BenchSim sim;
  const std::vector<uint16_t> own = sim.unitValues();
  c.breakIt(sim);
  ASSERT_TRUE(sim.startAndRun());
  EXPECT_FALSE(sim.core->flags.testRunning);
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^%1$").arg(QString::fromUtf8(c.failedRow)))
                  .match(lastFailedRow(sim))
                  .hasMatch())
      << lastFailedRow(sim).toStdString();
  EXPECT_EQ(sim.boxes(), QStringList{QString::fromUtf8(c.box)});
  EXPECT_EQ(reportOutcome(sim), QString::fromUtf8(c.outcome));
  // The page says how the run ended, not the step it was at.
  EXPECT_EQ(sim.core->bench.grid.stepProgress(),
            QStringLiteral("Испытание завершено: ") + QString::fromUtf8(c.outcome));
  // Left as it must be: the bench off, the module reset (the last command it was sent), its
  // own protection values and motor voltage type.
  EXPECT_EQ(sim.bus.r16().outputs(), 0);
  EXPECT_EQ(sim.bus.d8r4().outputs(), 0);
  const QStringList commands = sim.writes.filter(" cmd ");
  ASSERT_FALSE(commands.isEmpty());
  EXPECT_TRUE(commands.last().endsWith(" cmd 10")) << commands.last().toStdString();
  EXPECT_EQ(sim.unitValues(), own);
  EXPECT_FALSE(sim.core->bench.overload.inModule);
}

void defect(BenchSim& sim, const char* words) {
  sim.bus.bench()->defect(QString::fromUtf8(words).split(' '));
}

TEST(Defects, EachStepFailsThroughItsDefect) {
  const Case cases[] = {
      {"input stuck", [](BenchSim& s) { defect(s, "input 3 stuck"); },
       "ВХОД 3\\|0 0 0 0 0 0 0 0 \\|1", "Останов: Прервано по ошибке", "НЕ ПРОЙДЕН"},
      {"output dead", [](BenchSim& s) { defect(s, "output 2 dead"); },
       "Реле «Отключено»\\|0 0 0 0 0 0 0 0 \\|1", "Останов: Прервано по ошибке", "НЕ ПРОЙДЕН"},
      {"current 24V high", [](BenchSim& s) { defect(s, "current 24V high"); },
       "Тест мотора-24В-вперед-прогон 1\\|Ток 7[6-9]\\d за пределами грубого окна\\|1",
       "Ошибка: Ошибка при тесте мотора", "НЕ ПРОЙДЕН"},
      {"no trip", [](BenchSim& s) { defect(s, "no-trip"); },
       "Тест перегрузки-220В-вперед-прогон 1\\|ОШИБКА: ОТСУТСТВИЕ ВЕРНОГО КОДА ОШИБКИ\\|1",
       "Ошибка: Ошибка при тесте перегрузки", "НЕ ПРОЙДЕН"},
      {"no short alarm", [](BenchSim& s) { defect(s, "no-short-alarm"); },
       "Тест КЗ-220В-вперед-прогон 1\\|Ошибка: нет флага аварии по КЗ\\|1",
       "Останов: Прервано по ошибке теста КЗ", "НЕ ПРОЙДЕН"},
  };
  for (const Case& c : cases) expectFailure(c);
}

// A step of the run tests whose reads all failed saw nothing: it fails and ends the test. The
// module silent during input 3, or D8R4 during the first output step (the bench's fault).
TEST(Defects, AStepWhoseReadsAllFailedFails) {
  const Case cases[] = {
      {"module silent",
       [](BenchSim& s) {
         s.bus.module().setReadHook([&s](uint16_t first, uint16_t count) {
           if (first == 16 && count == 17 && s.bus.r16().outputs() == 2)  // input 3 driven
             s.bus.faults().failNext(FaultKind::Exception);
         });
       },
       "ВХОД 3\\|(Сбой )+\\|1", "Останов: Прервано по ошибке", "НЕ ПРОЙДЕН"},
      {"D8R4 silent",
       [](BenchSim& s) {
         s.bus.r16().setWriteHook([&s](uint16_t, uint16_t) {
           const bool firstCode = s.bus.r16().outputs() == 257;
           s.core->tp.writeInteger("connect", "d8r4_addr", firstCode ? 31 : 17);
         });
       },
       "Реле «Включено»\\|(Сбой )+\\|1", "Останов: Прервано по ошибке", "НЕИСПРАВНОСТЬ СТЕНДА"},
  };
  for (const Case& c : cases) expectFailure(c);
}

}  // namespace

namespace {

// What the sequence leaves undefined or gets wrong, mended: a bad setting fails its step with
// a red row that names it, before the bench moves.
TEST(Defects, BadSettingsFailTheirStepBeforeTheBenchMoves) {
  const auto tweak = [](const char* section, const char* key, const char* value) {
    return [=](BenchSim& s) { s.core->tp.writeString(section, key, QString::fromUtf8(value)); };
  };
  const Case cases[] = {
      {"negative hold", tweak("di", "time1", "-5"),
       "Дискретные входы\\|Недопустимое время удержания: -5 мс\\|1", "Останов: Прервано по ошибке",
       "НЕ ПРОЙДЕН"},
      {"no hold time: no poll to judge by", tweak("do", "time1", "0"),
       "Дискретные выходы\\|Недопустимое время удержания: 0 мс\\|1", "Останов: Прервано по ошибке",
       "НЕ ПРОЙДЕН"},
      {"negative pause", tweak("do", "time0", "-1"),
       "Дискретные выходы\\|Недопустимое время паузы: -1 мс\\|1", "Останов: Прервано по ошибке",
       "НЕ ПРОЙДЕН"},
      {"code not a number", tweak("do", "code2", "0x102"),
       "Дискретные выходы\\|Код выхода в строке 2 \\(Реле «Отключено»\\) не является целым "
       "числом: 0x102\\|1",
       "Останов: Прервано по ошибке", "НЕ ПРОЙДЕН"},
      {"negative run time", tweak("motion", "time", "-100"),
       "Тест мотора-220В-вперед-прогон 1\\|Недопустимое время работы мотора: -100 мс\\|1",
       "Ошибка: Ошибка при тесте мотора", "НЕ ПРОЙДЕН"},
      {"overload current below 300", tweak("overload", "rms", "250"),
       "Тест перегрузки\\|Недопустимый ток перегрузки: 250 мА \\(не менее 300 мА\\)\\|1",
       "Ошибка: Ошибка при тесте перегрузки", "НЕ ПРОЙДЕН"},
      {"negative alarm wait", tweak("overload", "timeout", "-1"),
       "Тест перегрузки\\|Недопустимое время ожидания аварии: -1 мс\\|1",
       "Ошибка: Ошибка при тесте перегрузки", "НЕ ПРОЙДЕН"},
  };
  for (const Case& c : cases) expectFailure(c);
}

// More output steps than the codes grid has rows: the missing code fails before the bench
// moves.
TEST(Defects, AStepBeyondTheCodesGridIsRefused) {
  BenchSim sim;
  sim.beforeStart = [&sim] { sim.core->bench.settings.setText(TestSettings::DoCount, "3"); };
  ASSERT_TRUE(sim.startAndRun());
  EXPECT_EQ(lastFailedRow(sim),
            "Дискретные выходы|Код выхода в строке 3 () не является целым числом: пусто|1");
  EXPECT_TRUE(sim.writes.filter(" R16 101").isEmpty());
  EXPECT_EQ(sim.boxes(), QStringList{"Останов: Прервано по ошибке"});
}

// An R16 that stops answering in the middle of the input test fails the step and the test,
// and the run counts as a bench fault, not the unit's.
TEST(Defects, AnR16WriteFailureFailsTheStepAndTheTest) {
  const Case c = {"R16 gone",
                  [](BenchSim& s) {
                    s.bus.r16().setWriteHook([&s](uint16_t, uint16_t) {
                      if (s.bus.r16().outputs() == 4)  // the word of input 5
                        s.core->tp.writeInteger("connect", "r16_addr", 30);
                    });
                  },
                  "\\|Ошибка сброса модуля R16\\|1", "Останов: Прервано по ошибке",
                  "НЕИСПРАВНОСТЬ СТЕНДА"};
  SCOPED_TRACE(c.name);
  BenchSim sim;
  c.breakIt(sim);
  ASSERT_TRUE(sim.startAndRun());
  const QStringList rows = sim.rows();
  EXPECT_TRUE(rows.contains("ВХОД 6|Ошибка записи лог 1 в модуль R16|1"));
  EXPECT_EQ(lastFailedRow(sim), "|Ошибка сброса модуля R16|1");
  EXPECT_FALSE(rows.contains("ВХОД 7|"));
  EXPECT_EQ(sim.boxes(), QStringList{"Останов: Прервано по ошибке"});
  EXPECT_EQ(reportOutcome(sim), "НЕИСПРАВНОСТЬ СТЕНДА");
}

// "Ошибка сброса команды перегрузки" fails the check, so its row is red.
TEST(Defects, AFailedOverloadReleaseIsARedRow) {
  BenchSim sim;
  sim.bus.d8r4().setWriteHook([&sim](uint16_t, uint16_t) {
    if (sim.bus.d8r4().outputs() == 5) sim.core->tp.writeInteger("connect", "d8r4_addr", 31);
  });
  ASSERT_TRUE(sim.startAndRun());
  EXPECT_TRUE(sim.rows().contains(
      "Тест перегрузки-220В-вперед-прогон 1|Ошибка сброса команды перегрузки|1"));
  EXPECT_EQ(sim.boxes(), QStringList{"Ошибка: Ошибка при тесте перегрузки"});
  EXPECT_EQ(reportOutcome(sim), "НЕИСПРАВНОСТЬ СТЕНДА");
  EXPECT_FALSE(sim.core->bench.overload.inModule);  // restored all the same
}

// A module that stops answering while it holds the test values: the restore fails with a red
// row, and the closing message says the values are still in the module.
TEST(Defects, ARestoreThatFailsSaysSo) {
  BenchSim sim;
  sim.bus.d8r4().setWriteHook([&sim](uint16_t, uint16_t) {
    if (sim.bus.d8r4().outputs() == 5) sim.bus.faults().failAlways(FaultKind::Exception);
  });
  ASSERT_TRUE(sim.startAndRun());
  EXPECT_TRUE(sim.rows().contains("|Ошибка восстановления значений времени в блоке|1"));
  ASSERT_FALSE(sim.boxes().isEmpty());
  EXPECT_TRUE(sim.rows().contains("|Ошибка восстановления напряжения мотора|1"));
  EXPECT_EQ(sim.boxes().last(),
            "Ошибка: Ошибка при тесте перегрузки\nЗначения защиты модуля не восстановлены\n"
            "Напряжение мотора модуля не восстановлено (до испытания 24V)");
  EXPECT_TRUE(sim.core->bench.overload.inModule);
  EXPECT_EQ(reportOutcome(sim), "НЕ ПРОЙДЕН");
}

// "Стоп" while the module holds the test values, in the 500 ms run and in the overload loop:
// the values go back before the stop box, whose wait must not keep them in the module.
TEST(Defects, StopDuringTheOverloadStepRestoresTheProtectionValues) {
  for (int point = 0; point < 2; ++point) {
    SCOPED_TRACE(point == 0 ? "500 ms run" : "overload loop");
    BenchSim sim;
    const std::vector<uint16_t> own = sim.unitValues();
    if (point == 0) {
      auto log = [&sim](uint16_t first, uint16_t) {
        if (first == 117 && sim.bus.module().get(117) == 0) TestRunner::stopTest(sim.ctx());
      };
      sim.bus.module().setWriteHook(log);
    } else {
      sim.bus.d8r4().setWriteHook([&sim](uint16_t, uint16_t) {
        if (sim.bus.d8r4().outputs() == 5) TestRunner::stopTest(sim.ctx());
      });
    }
    bool restoredBeforeBox = false;
    sim.core->bench.onConcluded = [&](const QString&, const TestRecord::Data&) {
      restoredBeforeBox = sim.bus.module().get(117) == 3 && sim.prompter.boxes.empty();
    };
    ASSERT_TRUE(sim.startAndRun());
    EXPECT_EQ(sim.boxes(), QStringList{"Останов: Прервано пользователем"});
    EXPECT_TRUE(restoredBeforeBox);
    EXPECT_EQ(sim.unitValues(), own);
    EXPECT_EQ(reportOutcome(sim), "ПРЕРВАН ОПЕРАТОРОМ");
  }
}

}  // namespace

namespace {

// A module that never trips: the trip is a failed measurement in the report, not one without a
// verdict.
TEST(Defects, AMissingTripIsAFailedMeasurement) {
  BenchSim sim;
  defect(sim, "no-trip");
  ASSERT_TRUE(sim.startAndRun());
  ASSERT_EQ(sim.reports().size(), 1);
  EXPECT_TRUE(sim.reports()[0].contains(
      "Тест перегрузки-220В-вперед-прогон 1;Срабатывание защиты, мс;нет;не более 5000;отказ"));
}

}  // namespace
