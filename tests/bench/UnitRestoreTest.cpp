// The unit under test leaves the bench as it came, however the run ends: with its own
// protection values (the overload step replaces them for its runs) and its own motor voltage
// type (the motor runs change it), or with a red row, a line of the closing message and a
// verdict other than passed.
#include <gtest/gtest.h>

#include "BenchSim.h"

namespace {

// The value of a "key;value" line of a report.
QString field(const QStringList& report, const QString& key) {
  for (const QString& line : report)
    if (line.startsWith(key + ';')) return line.mid(key.size() + 1);
  return QStringLiteral("(нет строки)");
}

QString lastOutcome(const BenchSim& sim) {
  const QList<QStringList> reports = sim.reports();
  return reports.isEmpty() ? QStringLiteral("(нет протокола)") : field(reports.last(), "Итог");
}

// The protection values alone (registers 94 to 118).
std::vector<uint16_t> protection(BenchSim& sim) {
  std::vector<uint16_t> values = sim.unitValues();
  values.pop_back();
  return values;
}

// A restore that fails in the middle of the overload step (every attempt at the times block),
// then the next overload run: its load must not take the test values the module still holds
// for the unit's own, or the final restore would write the test values "back".
TEST(UnitRestore, AFailedRestoreIsNotOverwrittenByTheNextLoad) {
  BenchSim sim;
  const std::vector<uint16_t> own = sim.unitValues();
  bool failed = false;
  sim.bus.d8r4().setWriteHook([&](uint16_t, uint16_t) {
    // The first overload run switched the motor off: its restore comes next.
    if (!failed && sim.core->bench.overload.inModule && sim.bus.d8r4().outputs() == 0) {
      failed = true;
      sim.bus.faults().failNext(FaultKind::Exception, 5);
    }
  });
  ASSERT_TRUE(sim.startAndRun());
  ASSERT_TRUE(failed);
  EXPECT_TRUE(sim.rows().contains("|Ошибка восстановления значений времени в блоке|1"));
  // The backward run's restore put the unit's own values back: it leaves as it came.
  EXPECT_EQ(sim.unitValues(), own);
  EXPECT_FALSE(sim.core->bench.overload.inModule);
  EXPECT_EQ(lastOutcome(sim), "ПРОЙДЕН");
}

// A run that ends with the test values in the module (it stops answering while it holds them),
// then another run: the same unit still gets back the values saved before them; another unit
// (other values in the module) keeps its own.
TEST(UnitRestore, ValuesLeftInTheModuleBelongToTheUnitThatStillShowsThem) {
  for (bool sameUnit : {true, false}) {
    SCOPED_TRACE(sameUnit ? "same unit" : "another unit");
    BenchSim sim;
    std::vector<uint16_t> own = protection(sim);
    sim.bus.d8r4().setWriteHook([&](uint16_t, uint16_t) {
      if (sim.bus.d8r4().outputs() == 5) sim.bus.faults().failAlways(FaultKind::Exception);
    });
    ASSERT_TRUE(sim.startAndRun());
    ASSERT_NE(protection(sim), own);
    EXPECT_EQ(lastOutcome(sim), "НЕ ПРОЙДЕН");
    sim.bus.d8r4().setWriteHook({});
    sim.bus.faults().clear();
    if (!sameUnit) {
      for (uint16_t r : {97, 98, 99, 113, 114, 115}) sim.bus.module().set(r, uint16_t(2000 + r));
      sim.bus.module().set(117, 5);
      own = protection(sim);
    }
    ASSERT_TRUE(sim.startAndRun());
    EXPECT_EQ(protection(sim), own);
    EXPECT_EQ(lastOutcome(sim), "ПРОЙДЕН");
  }
}

// The motor voltage type the unit came with goes back however the run ends, and the report
// records the type found and the type left.
TEST(UnitRestore, TheMotorVoltageTypeGoesBackOnEveryExit) {
  struct Case {
    const char* name;
    int type;  // the unit's own; the run leaves the other one where it ends
    std::function<void(BenchSim&)> breakIt;
    const char* outcome;
  };
  const Case cases[] = {
      {"passed", 1, [](BenchSim&) {}, "ПРОЙДЕН"},  // the final test ends at 24 V
      {"failed", 0, [](BenchSim& s) { s.bus.bench()->defect({"no-trip"}); }, "НЕ ПРОЙДЕН"},
      {"stopped", 0,
       [](BenchSim& s) {
         s.bus.module().setWriteHook([&s](uint16_t first, uint16_t) {
           if (first == 118 && s.bus.module().get(119) == 1) TestRunner::stopTest(s.ctx());
         });
       },
       "ПРЕРВАН ОПЕРАТОРОМ"},
      {"bench fault", 1,
       [](BenchSim& s) {
         s.bus.d8r4().setWriteHook([&s](uint16_t, uint16_t) {
           if (s.bus.d8r4().outputs() == 2) s.core->tp.writeInteger("connect", "d8r4_addr", 31);
         });
       },
       "НЕИСПРАВНОСТЬ СТЕНДА"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BenchSim sim;
    sim.bus.module().set(119, uint16_t(c.type));
    c.breakIt(sim);
    ASSERT_TRUE(sim.startAndRun());
    EXPECT_FALSE(sim.core->flags.testRunning);
    EXPECT_EQ(sim.bus.module().get(119), c.type);
    ASSERT_EQ(sim.reports().size(), 1);
    const QStringList report = sim.reports().last();
    EXPECT_EQ(field(report, "Итог"), QString::fromUtf8(c.outcome));
    const QString name = c.type == 0 ? "24V" : "220V";
    EXPECT_EQ(field(report, "Напряжение мотора до испытания"), name);
    EXPECT_EQ(field(report, "Напряжение мотора после испытания"), name);
  }
  // Below firmware 200 the module has no such register: the report does not speak of it.
  BenchSim old(150);
  ASSERT_TRUE(old.startAndRun());
  EXPECT_EQ(field(old.reports().last(), "Итог"), "ПРОЙДЕН");
  EXPECT_EQ(field(old.reports().last(), "Напряжение мотора до испытания"), "(нет строки)");
}

// The module refuses the test password once the final test has set 24 V: the type cannot go
// back, which is a red row, a line of the closing message and a unit not passed.
TEST(UnitRestore, AMotorTypeThatCannotGoBackIsARedRowAndNamed) {
  BenchSim sim;
  sim.bus.module().set(119, 1);
  sim.bus.module().setWriteHook([&sim](uint16_t first, uint16_t) {
    if (first == 118 && sim.core->bench.plotFinalRun && sim.bus.module().get(119) == 0)
      sim.bus.module().setMotorPassword(1);
  });
  ASSERT_TRUE(sim.startAndRun());
  EXPECT_EQ(sim.bus.module().get(119), 0);
  EXPECT_TRUE(sim.rows().contains("|Ошибка восстановления напряжения мотора|1"));
  EXPECT_EQ(sim.boxes(), QStringList{"ОК: Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне\n"
                                     "Напряжение мотора модуля не восстановлено (до испытания "
                                     "220V)"});
  const QStringList report = sim.reports().last();
  EXPECT_EQ(field(report, "Итог"), "НЕ ПРОЙДЕН");
  EXPECT_EQ(field(report, "Напряжение мотора до испытания"), "220V");
  EXPECT_EQ(field(report, "Напряжение мотора после испытания"), "24V");
}

}  // namespace
