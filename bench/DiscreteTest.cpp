#include "bench/DiscreteTest.h"

#include <optional>

#include "bench/BenchBus.h"
#include "bench/TestEnd.h"
#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "link/ModbusRtuClient.h"
#include "operation/Commands.h"
#include "params/ModuleRegisters.h"

namespace {

constexpr uint16_t kInputBlock = modulemap::DigitalInputs;
constexpr uint16_t kInputCount = modulemap::kDigitalInputCount;
constexpr uint16_t kOutputRestWord = 0x100;

using Result = ResultGrid::Result;

const QString kStop = QStringLiteral("Останов");

// The inputs the 16-bit status mask can show.
constexpr int kMaxInputSteps = 16;

// Input k alone; an input beyond the 16 bits of the mask can never be seen alone.
uint32_t expectedMask(int k) { return k < 16 ? 1u << k : 0x10000; }

// What the polls of a step saw, in the terms of what was expected: each value with the number
// of polls that saw it, in the order first seen ("4 (опросов: 8)", "0 (опросов: 7), сбой
// (опросов: 1)").
QString pollSummary(const QStringList& seen) {
  if (seen.isEmpty()) return QStringLiteral("нет опросов");
  QStringList values;
  QVector<int> counts;
  for (const QString& value : seen) {
    const int i = int(values.indexOf(value));
    if (i >= 0) {
      ++counts[i];
    } else {
      values << value;
      counts << 1;
    }
  }
  QStringList out;
  for (int i = 0; i < values.size(); ++i)
    out << QStringLiteral("%1 (опросов: %2)").arg(values[i]).arg(counts[i]);
  return out.join(QStringLiteral(", "));
}

}  // namespace

bool DiscreteTest::refuse(bool outputs, const QString& text) {
  ctx_.state.grid.setStep(outputs ? QStringLiteral("Дискретные выходы")
                                  : QStringLiteral("Дискретные входы"));
  ctx_.state.grid.addTestResult(text, Result::Failed);
  abortTest(ctx_, QStringLiteral("Прервано по ошибке"), kStop);
  return false;
}

bool DiscreteTest::stepWords(bool outputs, int steps, QVector<uint16_t>* words,
                             QStringList* names) {
  const BenchBus bus(ctx_);
  if (!outputs) {
    // The status mask has 16 bits: an input beyond them can never pass, and a count of a
    // slipped key would build millions of steps before the bench moves.
    if (steps > kMaxInputSteps)
      return refuse(outputs, QStringLiteral("Недопустимое количество входов: %1 (не более %2)")
                                 .arg(steps)
                                 .arg(kMaxInputSteps));
    const QString section = QStringLiteral("di_code%1").arg(bus.variant());
    const ParameterTables& tables = ctx_.params().tables();
    for (int k = 0; k < steps; ++k) {
      names->append(tables.name(ParameterTables::DigInputs, k));
      words->append(
          BenchButtons::bitWord(ctx_.tp.readInteger(section, QStringLiteral("i%1").arg(k + 1), 0)));
    }
    return true;
  }
  // Every code is checked before the bench is touched: a step that cannot be run must not
  // leave half a test behind.
  const QVector<TestSettings::CodeRow> codes = ctx_.state.settings.codes();
  for (int k = 0; k < steps; ++k) {
    const TestSettings::CodeRow row = k < codes.size() ? codes[k] : TestSettings::CodeRow();
    bool ok = false;
    const int code = row.code.trimmed().toInt(&ok, 10);
    if (!ok)
      return refuse(outputs,
                    QStringLiteral("Код выхода в строке %1 (%2) не является целым числом: %3")
                        .arg(k + 1)
                        .arg(row.name, row.code.isEmpty() ? QStringLiteral("пусто") : row.code));
    // The word has 16 bits, read signed or unsigned; a larger number would drive other inputs.
    if (code < -32768 || code > 65535)
      return refuse(outputs, QStringLiteral("Код выхода в строке %1 (%2) не умещается в 16 бит: %3")
                                 .arg(k + 1)
                                 .arg(row.name, row.code));
    names->append(row.name);
    words->append(uint16_t(code));
  }
  return true;
}

std::optional<DiscreteTest::Plan> DiscreteTest::plan(bool outputs) {
  const TestSettings& s = ctx_.state.settings;
  Plan plan;
  plan.outputs = outputs;
  const int steps = s.value(outputs ? TestSettings::DoCount : TestSettings::DICount);
  plan.passes = s.value(outputs ? TestSettings::DoCycles : TestSettings::DiCycles);
  plan.pause = s.value(outputs ? TestSettings::DoTime0 : TestSettings::Time0);
  plan.hold = s.value(outputs ? TestSettings::DoTime1 : TestSettings::Time1);
  // Negative times would compare as nearly endless unsigned waits; a hold of 0 would judge a
  // step without a single poll.
  if (plan.hold <= 0) {
    refuse(outputs, QStringLiteral("Недопустимое время удержания: %1 мс").arg(plan.hold));
    return std::nullopt;
  }
  if (plan.pause < 0) {
    refuse(outputs, QStringLiteral("Недопустимое время паузы: %1 мс").arg(plan.pause));
    return std::nullopt;
  }
  if (!stepWords(outputs, steps, &plan.words, &plan.names)) return std::nullopt;
  plan.logic = BenchBus(ctx_).alarmRelayLogic();
  return plan;
}

DiscreteTest::Poll DiscreteTest::poll(const Plan& plan, int k) {
  const BenchBus bus(ctx_);
  Poll p;
  if (!plan.outputs) {
    ReadExchange x;
    if (!ctx_.link().client.readModuleRegisters(x, kInputBlock, kInputCount)) return p;
    uint32_t mask = 0;
    for (int i = 0; i < kInputCount; ++i) mask |= uint32_t(x.registers[size_t(i)]) << i;
    mask &= 0xFFFF;
    p.answered = true;
    p.wrong = mask != expectedMask(k);
    p.shown = p.wrong ? QString::number(mask) + ' ' : QStringLiteral("1 ");
    p.seen = QString::number(mask);
    return p;
  }
  uint16_t word = 0;
  if (!bus.readBenchInputs(&word)) return p;
  const int bit = k < 16 ? (word >> k) & 1 : 0;
  p.answered = true;
  p.wrong = (plan.logic != 0 && bit == 0) || (plan.logic == 0 && bit == 1);
  p.shown = QString::number(bit) + ' ';
  p.seen = QString::number(bit);
  return p;
}

void DiscreteTest::benchFailure(const QString& text) {
  ctx_.state.record.noteBenchFault();
  ctx_.state.grid.addTestResult(text, Result::Failed);
}

DiscreteTest::Step DiscreteTest::runStep(const Plan& plan, int k) {
  const BenchBus bus(ctx_);
  ResultGrid& grid = ctx_.state.grid;
  TestRecord& record = ctx_.state.record;
  Clock& clock = ctx_.link().clock;
  grid.setStep(plan.names[k]);
  bool failed = false;
  QStringList seen;  // per poll, for the report
  if (!bus.writeR16(plan.words[k])) {
    // The step cannot be judged: it fails, and so does the test.
    benchFailure(QStringLiteral("Ошибка записи лог 1 в модуль R16"));
    failed = true;
  } else {
    bus.wait(kSettleMs);
    QString state;
    grid.setState(state);
    const uint32_t start = clock.tick();
    int answered = 0;
    while (clock.tick() - start < uint32_t(plan.hold)) {
      const Poll p = poll(plan, k);
      answered += p.answered ? 1 : 0;
      state += p.answered ? p.shown : QStringLiteral("Сбой ");
      seen << (p.answered ? p.seen : QStringLiteral("сбой"));
      failed = failed || p.wrong;
      grid.setState(state);
      if (bus.stopped()) return Step::Stopped;
    }
    // Polls that all failed saw nothing: the step is not judged good.
    if (answered == 0) {
      if (plan.outputs) record.noteBenchFault();
      failed = true;
    }
    if (failed) grid.markFailed();
    grid.newRow();
  }
  record.add({plan.names[k],
              plan.outputs ? QStringLiteral("Вход D8R4 %1 (код %2)").arg(k).arg(plan.words[k])
                           : QStringLiteral("Маска входов (R16 %1)").arg(plan.words[k]),
              pollSummary(seen),
              QStringLiteral("ожидается %1")
                  .arg(plan.outputs ? (plan.logic != 0 ? 1 : 0) : expectedMask(k)),
              TestRecord::verdictText(failed)});
  if (!bus.writeR16(plan.outputs ? kOutputRestWord : 0))
    benchFailure(QStringLiteral("Ошибка сброса модуля R16"));
  bus.wait(kSettleMs);
  if (plan.outputs) sendCommand(ctx_.operation, command::kReset, command::kReset);
  return failed ? Step::Failed : Step::Passed;
}

bool DiscreteTest::run(bool outputs) {
  const std::optional<Plan> plan = this->plan(outputs);
  if (!plan) return false;
  const BenchBus bus(ctx_);
  ResultGrid& grid = ctx_.state.grid;
  if (!outputs && !bus.writeR16(0)) {
    benchFailure(QStringLiteral("Ошибка сброса модуля R16"));
    return false;
  }
  const QString title = outputs ? QStringLiteral("Дискретные выходы: прогон ")
                                : QStringLiteral("Дискретные входы: прогон ");
  const auto stoppedByUser = [this] {
    abortTest(ctx_, QStringLiteral("Прервано пользователем"), kStop);
    return false;
  };
  for (int p = 1; p <= plan->passes; ++p) {
    grid.setStep(title + QString::number(p));
    grid.newRow();
    for (int k = 0; k < plan->words.size(); ++k) {
      const Step step = runStep(*plan, k);
      if (step == Step::Stopped) return stoppedByUser();
      if (step == Step::Failed) {
        abortTest(ctx_, QStringLiteral("Прервано по ошибке"), kStop);
        return false;
      }
      grid.setStep(QStringLiteral("Ожидание..."));
      bus.waitUnlessStopped(uint32_t(plan->pause));
      if (bus.stopped()) return stoppedByUser();
    }
  }
  return true;
}
