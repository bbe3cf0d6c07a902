// Every kind of typed text in every field of the test tab and the current windows dialog, on
// the simulated bench: what a test takes from it, what reaches the module and the bench, and
// the red row that refuses it before anything moves.
#include <gtest/gtest.h>

#include <functional>

#include "BenchSim.h"
#include "bench/CurrentWindows.h"
#include "bench/DiscreteTest.h"
#include "bench/OverloadCheck.h"
#include "support/TypedInputs.h"

namespace {

// The number a test takes from the text: the typed integer, or the field's fallback.
qint64 taken(const TypedInput& in, TestSettings::Edit e) {
  return in.within(INT32_MIN, INT32_MAX).value_or(TestSettings::field(e).fallback);
}

struct Field {
  QString name;
  // The outcome of the typed text: a refusal (red row or message), or what reached the
  // module, the bench or tp.ini.
  std::function<QString(BenchSim&, const TypedInput&)> run;
  std::function<QString(const TypedInput&)> expected;
};

// The overload step's test values with one of its three settings typed (the others 1000,
// 1000 and 1500 mA), as written to the timers and motor blocks of firmware 205.
Field overloadField(TestSettings::Edit edit) {
  return {
      QLatin1String(TestSettings::field(edit).objectName),
      [edit](BenchSim& sim, const TypedInput& in) {
        TestSettings& s = sim.core->bench.settings;
        s.setText(TestSettings::OvTime, "1000");
        s.setText(TestSettings::MotTime, "1000");
        s.setText(TestSettings::OvRms, "1500");
        s.setText(edit, in.text);
        const QString refusal = OverloadCheck::settingsRefusal(s);
        if (!refusal.isEmpty()) return refusal;
        sim.writes.clear();
        if (!OverloadCheck(sim.ctx()).loadOverloadValues()) return QStringLiteral("load failed");
        QStringList written;
        for (const QString& w : sim.writes) written << w.section(' ', 1);
        return written.join(QStringLiteral(", "));
      },
      [edit](const TypedInput& in) {
        qint64 ovTime = 1000, motTime = 1000, rms = 1500;
        (edit == TestSettings::OvTime    ? ovTime
         : edit == TestSettings::MotTime ? motTime
                                         : rms) = taken(in, edit);
        const qint64 t = ovTime + motTime + 2000;
        if (rms < 300)
          return QStringLiteral("Недопустимый ток перегрузки: %1 мА (не менее 300 мА)").arg(rms);
        if (rms > 65535)
          return QStringLiteral("Недопустимый ток перегрузки: %1 мА (не более 65535 мА)").arg(rms);
        if (ovTime < 0 || t < 0 || t > 65535)
          return QStringLiteral(
                     "Недопустимое время перегрузки: %1 мс (с временем работы и 2000 мс не более "
                     "65535 мс)")
              .arg(ovTime);
        return QStringLiteral("module 97: %1 %1 %2, module 113: %3 %4 %5, module 117: 0")
            .arg(t)
            .arg(ovTime)
            .arg(rms - 300)
            .arg(rms - 200)
            .arg(rms);
      }};
}

QString lastRedRow(const BenchSim& sim) {
  const QStringList rows = sim.rows();
  for (int i = rows.size() - 1; i >= 0; --i)
    if (rows[i].endsWith(QLatin1String("|1"))) return rows[i].section('|', 1, 1);
  return QString();
}

TEST(TypedValues, EveryFieldOfTheTestTab) {
  std::vector<Field> fields;
  // Every edit: a text that is no integer takes the run-time fallback, as the window has
  // always done; an integer is taken as typed, and the step that uses it judges it.
  for (int e = 0; e < TestSettings::EditCount; ++e) {
    const auto edit = TestSettings::Edit(e);
    fields.push_back(
        {QLatin1String(TestSettings::field(edit).objectName) + QStringLiteral(" taken"),
         [edit](BenchSim& sim, const TypedInput& in) {
           sim.core->bench.settings.setText(edit, in.text);
           return QString::number(sim.core->bench.settings.value(edit));
         },
         [edit](const TypedInput& in) { return QString::number(taken(in, edit)); }});
  }
  for (auto e : {TestSettings::OvTime, TestSettings::MotTime, TestSettings::OvRms})
    fields.push_back(overloadField(e));
  // The code of output step 1 goes to R16 as a 16-bit word, written in decimal.
  fields.push_back(
      {QStringLiteral("StringGridCodes"),
       [](BenchSim& sim, const TypedInput& in) {
         TestSettings& s = sim.core->bench.settings;
         s.setText(TestSettings::DoCount, "1");
         s.setText(TestSettings::DoTime1, "10");
         s.setCode(0, {QStringLiteral("Реле"), in.text});
         sim.writes.clear();
         DiscreteTest(sim.ctx()).run(true);
         // A refused code ends the test, which puts the bench at rest.
         const QString red = lastRedRow(sim);
         if (red.startsWith(QStringLiteral("Код выхода"))) return red;
         const QStringList r16 = sim.writes.filter(QStringLiteral(" R16 "));
         return r16.isEmpty() ? QStringLiteral("no R16 write")
                              : QStringLiteral("R16 ") + r16[0].section(' ', 2);
       },
       [](const TypedInput& in) {
         bool decimal = false;
         const int code = in.text.trimmed().toInt(&decimal, 10);
         if (!decimal)
           return QStringLiteral("Код выхода в строке 1 (Реле) не является целым числом: ") +
                  (in.text.isEmpty() ? QStringLiteral("пусто") : in.text);
         if (code < -32768 || code > 65535)
           return QStringLiteral("Код выхода в строке 1 (Реле) не умещается в 16 бит: ") + in.text;
         return QStringLiteral("R16 %1").arg(uint16_t(code), 0, 16);
       }});
  // More inputs than the 16 bits of the status mask is refused before the bench moves.
  fields.push_back(
      {QStringLiteral("EditDICount"),
       [](BenchSim& sim, const TypedInput& in) {
         TestSettings& s = sim.core->bench.settings;
         s.setText(TestSettings::DICount, in.text);
         s.setText(TestSettings::Time1, "10");
         s.setText(TestSettings::Time0, "0");
         DiscreteTest(sim.ctx()).run(false);
         const QString row = lastRedRow(sim);
         return row.startsWith(QStringLiteral("Недопустимое количество")) ? row : QString();
       },
       [](const TypedInput& in) {
         const qint64 n = taken(in, TestSettings::DICount);
         return n > 16 ? QStringLiteral("Недопустимое количество входов: %1 (не более 16)").arg(n)
                       : QString();
       }});
  // A current window value from 0 to 10000 reaches tp.ini as typed; any other is refused.
  fields.push_back({QStringLiteral("current window"),
                    [](BenchSim& sim, const TypedInput& in) {
                      QVector<currentwindows::Row> rows = currentwindows::load(sim.core->tp, 0);
                      rows[0].value = in.text;
                      if (const auto refusal = currentwindows::validate(rows)) return *refusal;
                      currentwindows::save(sim.core->tp, 0, rows);
                      const SettingsStore onDisk(sim.dir.filePath(QStringLiteral("tp.ini")));
                      return QString::number(
                          onDisk.readInteger(currentwindows::section(0), rows[0].key, -1));
                    },
                    [](const TypedInput& in) {
                      if (const auto n = in.within(0, currentwindows::kMaxValue))
                        return QString::number(*n);
                      return QStringLiteral(
                          "Некорректное значение параметра: 24В вперед мин - значение "
                          "должно быть от 0 до 10000 ");
                    }});

  for (const Field& f : fields)
    for (const TypedInput& in : typedInputs()) {
      SCOPED_TRACE((f.name + QStringLiteral(": ") + QLatin1String(in.label)).toStdString());
      BenchSim sim;
      ASSERT_TRUE(sim.online());
      sim.core->bench.settings.load(sim.core->tp);
      sim.core->flags.testRunning = true;
      EXPECT_EQ(f.run(sim, in), f.expected(in));
    }
}

// A pause typed a few digits too long ends with "Стоп", not days later.
TEST(TypedValues, StopEndsATypedPause) {
  BenchSim sim;
  ASSERT_TRUE(sim.online());
  TestSettings& s = sim.core->bench.settings;
  s.load(sim.core->tp);
  s.setText(TestSettings::DICount, "2");
  s.setText(TestSettings::Time1, "10");
  s.setText(TestSettings::Time0, "2147483647");
  sim.core->flags.testRunning = true;
  // "Стоп" pressed as the first step ends: the rest word goes to R16, then the pause.
  // R16 writes: the reset, the word of input 1, then the rest word.
  int r16Writes = 0;
  sim.bus.r16().setWriteHook([&](uint16_t, uint16_t) {
    if (++r16Writes == 3) sim.core->flags.testRunning = false;
  });
  const uint32_t before = sim.clock.tick();
  EXPECT_FALSE(DiscreteTest(sim.ctx()).run(false));
  EXPECT_LT(sim.clock.tick() - before, 5000u);
  EXPECT_EQ(sim.boxes(), QStringList{"Останов: Прервано пользователем"});
}

}  // namespace
