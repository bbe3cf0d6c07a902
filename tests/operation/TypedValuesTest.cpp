// Every kind of typed text in every field of the control and log pages, against the simulated
// module: the clock table, the log read count, the cycle edits and the operation time.
#include <gtest/gtest.h>

#include <functional>

#include "operation/Cycles.h"
#include "operation/EventLog.h"
#include "operation/ModuleClock.h"
#include "operation/OperationSession.h"
#include "support/SimSession.h"
#include "support/TypedInputs.h"

namespace {

// What a field made of one typed text: the message shown (empty for none) and what reached the
// module or mem.ini, as text.
struct Outcome {
  QString message;
  QString effect;
  bool operator==(const Outcome&) const = default;
};
void PrintTo(const Outcome& o, std::ostream* os) {
  *os << '{' << o.message.toStdString() << " | " << o.effect.toStdString() << '}';
}

struct Field {
  QString name;
  std::function<Outcome(SimSession<OperationSession>&, const TypedInput&)>
      run;                                             // what the program does
  std::function<Outcome(const TypedInput&)> expected;  // what it must do
};

QString message(const SimSession<OperationSession>& s) {
  return s.prompter.boxes.empty() ? QString() : s.prompter.boxes.back().text;
}

std::vector<Field> clockFields() {
  std::vector<Field> fields;
  const QStringList captions = ModuleClockState::captions();
  const QStringList good = {"2024", "2", "29", "12", "0", "0"};
  for (int r = 0; r < ModuleClockState::kRows; ++r) {
    const auto limit = ModuleClockState::kLimits[size_t(r)];
    const QString caption = captions[r];
    fields.push_back(
        {caption,
         [=](SimSession<OperationSession>& s, const TypedInput& in) {
           QStringList values = good;
           values[r] = in.text;
           QString written = QStringLiteral("nothing written");
           s.bus.module().setWriteHook([&](uint16_t first, uint16_t) {
             if (first == 4)
               written =
                   QString::number(uint32_t(s.bus.module().get(5)) << 16 | s.bus.module().get(4));
           });
           s.core->operation.clock.setNewValues(values);
           ModuleClock(s.core->operationContext()).writeModuleClock();
           return Outcome{message(s), written};
         },
         [=](const TypedInput& in) {
           const auto withRow = [&](int v) {
             QList<int> f = {2024, 2, 29, 12, 0, 0};
             f[r] = v;
             return QString::number(
                 dateFieldsToSeconds({uint16_t(f[0]), uint8_t(f[1]), uint8_t(f[2]), uint8_t(f[3]),
                                      uint8_t(f[4]), uint8_t(f[5])}));
           };
           const QString untouched = QStringLiteral("nothing written");
           if (!in.number)
             return Outcome{QStringLiteral("Ошибка преобразования числа в ячейке: ") + caption,
                            untouched};
           if (*in.number < limit.min)
             return Outcome{QStringLiteral("Число в ячейке: %1 не может быть меньше %2")
                                .arg(caption)
                                .arg(limit.min),
                            untouched};
           if (*in.number > limit.max)
             return Outcome{QStringLiteral("Число в ячейке: %1 не может быть больше %2")
                                .arg(caption)
                                .arg(limit.max),
                            untouched};
           return Outcome{QString(), withRow(int(*in.number))};
         }});
  }
  return fields;
}

TEST(TypedValues, EveryFieldOfTheControlAndLogPages) {
  constexpr int kRecords = 3;
  std::vector<Field> fields = clockFields();
  // The log read count: text that is no count of at least 1 means one record; more than the
  // module holds means all it holds.
  fields.push_back(
      {QStringLiteral("EditReadCount"),
       [](SimSession<OperationSession>& s, const TypedInput& in) {
         for (int i = 0; i < kRecords; ++i) s.bus.module().logEvent(1, 1);
         EventLog log(s.core->operationContext());
         log.showLogState();
         s.core->operation.log.setReadCountText(in.text);
         log.readLogRecords();
         return Outcome{message(s), s.core->operation.log.readCountText() + ' ' +
                                        QString::number(s.core->operation.log.rowCount() - 1)};
       },
       [](const TypedInput& in) {
         const qint64 n = std::min<qint64>(in.within(1, INT32_MAX).value_or(1), kRecords);
         return Outcome{QString(), QStringLiteral("%1 %1").arg(n)};
       }});
  // The cycle count and pause: a positive number is taken and stored; anything else changes
  // nothing (the edit turns red).
  for (const char* key : {"number", "pause"})
    fields.push_back({QLatin1String(key),
                      [key](SimSession<OperationSession>& s, const TypedInput& in) {
                        Cycles c(s.core->operationContext());
                        const bool taken = QLatin1String(key) == QLatin1String("number")
                                               ? c.setCyclesNumber(in.text)
                                               : c.setPause(in.text);
                        const SettingsStore onDisk(s.dir.filePath(QStringLiteral("mem.ini")));
                        return Outcome{message(s), QString::number(taken) + ' ' +
                                                       onDisk.readString(QStringLiteral("cycles"),
                                                                         QLatin1String(key), "-")};
                      },
                      [](const TypedInput& in) {
                        const auto n = in.within(1, INT32_MAX);
                        return Outcome{QString(), n ? QStringLiteral("1 %1").arg(*n) : "0 -"};
                      }});
  fields.push_back(
      {QStringLiteral("EditNoFeedbackTime"),
       [](SimSession<OperationSession>& s, const TypedInput& in) {
         s.core->operation.cycles.noFeedback = true;
         const bool started = Cycles(s.core->operationContext()).startOrContinue(in.text);
         const SettingsStore onDisk(s.dir.filePath(QStringLiteral("mem.ini")));
         return Outcome{message(s), QString::number(started) + ' ' +
                                        onDisk.readString(QStringLiteral("cycles"),
                                                          QStringLiteral("no_fb_time"), "-")};
       },
       [](const TypedInput& in) {
         if (const auto n = in.within(1, INT32_MAX))
           return Outcome{QString(), "1 " + in.text.trimmed()};
         return Outcome{QStringLiteral("Значение Время операции, с должно быть целым положительным "
                                       "числом больше нуля"),
                        "0 -"};
       }});

  for (const Field& f : fields)
    for (const TypedInput& in : typedInputs()) {
      SCOPED_TRACE((f.name + QStringLiteral(": ") + QLatin1String(in.label)).toStdString());
      SimSession<OperationSession> sim;
      sim.bus.module().motion().setEnabled(false);
      ASSERT_TRUE(sim.online());
      sim.prompter.boxes.clear();
      EXPECT_EQ(f.run(sim, in), f.expected(in));
    }
}

}  // namespace
