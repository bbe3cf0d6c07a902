#include "bench/TestRunner.h"

#include "bench/BenchBus.h"
#include "bench/BenchControl.h"
#include "bench/BenchKeys.h"
#include "bench/DiscreteTest.h"
#include "bench/MotorRun.h"
#include "bench/MotorTypeKeeper.h"
#include "bench/OverloadCheck.h"
#include "bench/TestEnd.h"
#include "core/Clock.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "link/LinkFlags.h"
#include "link/ModbusRtuClient.h"
#include "operation/Commands.h"
#include "params/StatusReader.h"
#include "params/TableTransfer.h"

namespace {

constexpr TestRunner::Step kStepTable[TestRunner::kSteps] = {
    {"di", "do", "Проверка дискретных входов"},
    {"do", "do", "Проверка дискретных выходов"},
    {"motion", "do", "Тест мотора"},
    {"overload", "do", "Тест перегрузки"},
    {"short", "do", "Тест КЗ"},
    {"motion", "final_do", "Финальный тест мотора"},
};
constexpr int kOverloadStep = 3;
constexpr int kFinalStep = 5;
constexpr uint32_t kPreparationMs = 500;
constexpr uint32_t kBetweenRunsMs = 1000;

using Mode = MotorRun::Mode;
using Direction = MotorRun::Direction;
using Voltage = MotorRun::Voltage;

}  // namespace

const TestRunner::Step& TestRunner::step(int index) { return kStepTable[index]; }

bool TestRunner::enabled(const SettingsStore& tp, int index) {
  return tp.readInteger(QLatin1String(kStepTable[index].section),
                        QLatin1String(kStepTable[index].key), 1) != 0;
}

QString TestRunner::finalMessage(bool fineWindowKept) {
  return fineWindowKept ? QStringLiteral("Тест завершен: Ток мотора на тесте 24В В ТОЧНОМ окне")
                        : QStringLiteral("Тест завершен: Ток мотора на тесте 24В В ГРУБОМ окне");
}

bool TestRunner::startTest(const BenchContext& ctx, const QString& serial) {
  LinkFlags& flags = ctx.link().flags;
  if (flags.testRunning) return false;
  ctx.state.plotFinalRun = false;
  if (!flags.moduleOnline) return false;
  ctx.state.record.setNextSerial(serial.trimmed());
  ctx.operation.state.diagram.clear(DiagramState::Test);
  flags.testRunning = true;
  return true;
}

void TestRunner::stopTest(const BenchContext& ctx) {
  if (!ctx.link().flags.testRunning.exchange(false)) return;
  ctx.link().journal.append(QStringLiteral("Испытание: нажата кнопка «Стоп»"));
}

QStringList TestRunner::usedSettings() const {
  QStringList out;
  const TestSettings& s = ctx_.state.settings;
  for (int e = 0; e < TestSettings::EditCount; ++e) {
    const TestSettings::Field& f = TestSettings::field(TestSettings::Edit(e));
    out << QStringLiteral("%1/%2=%3")
               .arg(QLatin1String(f.section), QLatin1String(f.key), s.text(TestSettings::Edit(e)));
  }
  const QVector<TestSettings::CodeRow> codes = s.codes();
  for (int r = 0; r < codes.size(); ++r)
    out << QStringLiteral("do/name%1=%2").arg(r + 1).arg(codes[r].name)
        << QStringLiteral("do/code%1=%2").arg(r + 1).arg(codes[r].code);
  using namespace benchkeys;
  for (const SettingKey& key : {kAlign, kMotorBit24, kMotorBit220, kOverloadBit, kShortBit})
    out << QStringLiteral("%1/%2=%3")
               .arg(QLatin1String(key.section), QLatin1String(key.key))
               .arg(ctx_.tp.readInteger(key));
  for (int profile = 0; profile < 2; ++profile) {
    const QString section = QStringLiteral("current_wnd_%1").arg(profile);
    for (const QString& line : ctx_.tp.readSectionValues(section)) out << section + '/' + line;
  }
  return out;
}

void TestRunner::beginAttempt() {
  TestRecord& record = ctx_.state.record;
  if (record.begin(ctx_.state.now(), record.nextSerial())) {
    MotorTypeKeeper(ctx_).forget();
    const QString serial = record.nextSerial();
    ctx_.link().journal.append(
        QStringLiteral("Испытание начато") +
        (serial.isEmpty() ? QString() : QStringLiteral(", заводской номер ") + serial));
  }
}

void TestRunner::leave(bool stepFailed) {
  benchcontrol::resetBench(ctx_);
  const QStringList notRestored = restoreUnit(ctx_);
  const LinkFlags& flags = ctx_.link().flags;
  if (!flags.testRunning || flags.workerStopRequest) {
    // A step that failed without ending the test could not start the bench (R16 silent at
    // the start of the input test): stopped then, the run failed through the bench, not
    // through the operator.
    const TestRecord::Outcome outcome = stepFailed && ctx_.state.record.benchFault()
                                            ? TestRecord::Outcome::BenchFault
                                            : TestRecord::Outcome::Aborted;
    concludeRun(ctx_, outcome,
                (QStringList{QStringLiteral("Прервано пользователем")} + notRestored).join('\n'));
  }
  ctx_.link().status.setPollTimerActive(true);
}

QStringList TestRunner::prepareRun() {
  const LinkContext& link = ctx_.link();
  const BenchBus bus(ctx_);
  BenchState& state = ctx_.state;
  const uint32_t begun = link.clock.tick();
  link.status.setPollTimerActive(false);
  beginAttempt();
  state.grid.setStepProgress(QString());  // how the last run ended no longer holds
  benchcontrol::resetBench(ctx_);
  const uint32_t spent = link.clock.tick() - begun;
  if (spent < kPreparationMs) bus.wait(kPreparationMs - spent);
  if (!state.settings.save(ctx_.tp))
    link.prompter.showMessage(QStringLiteral("Ошибка"), ctx_.tp.saveFailureText(),
                              Prompter::Icon::Error);
  StatusReader(ctx_.params()).clearStatusTables();
  state.fineWindowKept = true;
  state.grid.clearForRun();

  readInputMap(ctx_.operation);
  // From firmware 200 on the read ends with the motor voltage type: what the unit came with.
  if (TableTransfer(ctx_.params()).readMainTables() && bus.firmwareVersion() >= 200)
    MotorTypeKeeper(ctx_).noteFound(ctx_.params().tables().choices().motorVoltageType);
  selectFeedbackInputs(ctx_.operation.state.inputMap);

  const ParameterTables::Firmware firmware = ctx_.params().tables().firmware();
  state.record.setUnit({QString(), bus.firmwareVersion(), firmware.revision, firmware.logicNumber,
                        link.client.moduleAddress()});
  QStringList steps;
  for (int i = 0; i < kSteps; ++i)
    if (enabled(ctx_.tp, i)) steps << QString::fromUtf8(kStepTable[i].caption);
  state.record.startAttempt(steps, usedSettings());
  return steps;
}

bool TestRunner::runStep(int index) {
  const TestSettings& s = ctx_.state.settings;
  switch (index) {
    case 0:
      return DiscreteTest(ctx_).run(false);
    case 1:
      return DiscreteTest(ctx_).run(true);
    case 2:
      return runMotorSeries(s.value(TestSettings::MTCycles));
    case 3:
      return runOverloadSeries(s.value(TestSettings::OvCycles));
    case 4:
      return runShortSeries(s.value(TestSettings::ShortCycles));
    default:
      return runMotorSeries(1);  // the final motor run, plotted
  }
}

void TestRunner::concludePassedRun() {
  const LinkContext& link = ctx_.link();
  benchcontrol::resetBench(ctx_);
  // A unit that leaves the bench otherwise than it came is not passed.
  const QStringList notRestored = restoreUnit(ctx_);
  const bool restored = notRestored.isEmpty();
  link.flags.testRunning = false;
  const QString message =
      (QStringList{finalMessage(ctx_.state.fineWindowKept)} + notRestored).join('\n');
  concludeRun(ctx_, restored ? TestRecord::Outcome::Passed : TestRecord::Outcome::Failed, message);
  ctx_.verdicts.showMessage(QStringLiteral("ОК"), message,
                            restored ? Prompter::Icon::Information : Prompter::Icon::Error);
  link.status.setPollTimerActive(true);
}

void TestRunner::runTestSequence() {
  const QStringList steps = prepareRun();
  int stepNumber = 0;
  for (int i = 0; i <= kFinalStep; ++i) {
    if (i == kFinalStep) ctx_.state.plotFinalRun = true;
    bool ok = true;
    if (enabled(ctx_.tp, i)) {
      ctx_.state.grid.setStepProgress(QStringLiteral("Шаг %1 из %2: %3")
                                          .arg(++stepNumber)
                                          .arg(steps.size())
                                          .arg(QString::fromUtf8(kStepTable[i].caption)));
      ok = runStep(i);
    }
    // The run tests end their failures themselves; a stop made before the motor series (the
    // preparation included) ends the run.
    if (!ok || (i < 2 && !ctx_.link().flags.testRunning)) {
      leave(!ok);
      return;
    }
  }
  concludePassedRun();
}

bool TestRunner::check(bool ok, const QString& text, const QString& caption) {
  if (!ok && ctx_.link().flags.testRunning) {
    abortTest(ctx_, text, caption);
    return false;
  }
  return ctx_.link().flags.testRunning;
}

bool TestRunner::runMotorSeries(int passes) {
  const QString text = QStringLiteral("Ошибка при тесте мотора");
  const QString caption = QStringLiteral("Ошибка");
  MotorRun run(ctx_);
  const BenchBus bus(ctx_);
  const auto pair = [&](Voltage v, const QString& forward, const QString& backward, int p) {
    if (!check(run.run(Mode::Motor, Direction::Forward, v, forward + QString::number(p)), text,
               caption))
      return false;
    bus.wait(kBetweenRunsMs);
    return check(run.run(Mode::Motor, Direction::Backward, v, backward + QString::number(p)), text,
                 caption);
  };
  for (int p = 1; p <= passes; ++p)
    if (!pair(Voltage::V220, QStringLiteral("Тест мотора-220В-вперед-прогон "),
              QStringLiteral("Тест мотора-220В-назад-прогон "), p))
      return false;
  if (bus.firmwareVersion() < 200) return true;
  ctx_.operation.state.diagram.testTimeBase = ctx_.link().clock.tick();
  for (int p = 1; p <= passes; ++p)
    if (!pair(Voltage::V24, QStringLiteral("Тест мотора-24В-вперед-прогон "),
              QStringLiteral("Тест мотора-24В-назад-прогон "), p))
      return false;
  return true;
}

bool TestRunner::runOverloadSeries(int passes) {
  const QString text = QStringLiteral("Ошибка при тесте перегрузки");
  const QString caption = QStringLiteral("Ошибка");
  const QString refusal = OverloadCheck::settingsRefusal(ctx_.state.settings);
  if (!refusal.isEmpty()) {
    ctx_.state.grid.setStep(QString::fromUtf8(kStepTable[kOverloadStep].caption));
    ctx_.state.grid.addTestResult(refusal, ResultGrid::Result::Failed);
    return check(false, text, caption);
  }
  MotorRun run(ctx_);
  for (int p = 1; p <= passes; ++p) {
    const QString n = QString::number(p);
    if (!check(run.run(Mode::Overload, Direction::Forward, Voltage::V220,
                       QStringLiteral("Тест перегрузки-220В-вперед-прогон ") + n),
               text, caption))
      return false;
    if (!check(run.run(Mode::Overload, Direction::Backward, Voltage::V220,
                       QStringLiteral("Тест перегрузки-220В-назад-прогон ") + n),
               text, caption))
      return false;
  }
  return true;
}

bool TestRunner::runShortSeries(int passes) {
  const QString text = QStringLiteral("Прервано по ошибке теста КЗ");
  const QString caption = QStringLiteral("Останов");
  MotorRun run(ctx_);
  const auto pair = [&](Voltage v, const QString& label, int p) {
    const QString n = QString::number(p);
    return check(run.run(Mode::ShortCircuit, Direction::Forward, v,
                         QStringLiteral("Тест КЗ-%1-вперед-прогон ").arg(label) + n),
                 text, caption) &&
           check(run.run(Mode::ShortCircuit, Direction::Backward, v,
                         QStringLiteral("Тест КЗ-%1-назад-прогон ").arg(label) + n),
                 text, caption);
  };
  for (int p = 1; p <= passes; ++p)
    if (!pair(Voltage::V220, QStringLiteral("220В"), p)) return false;
  if (BenchBus(ctx_).firmwareVersion() < 200) return true;
  for (int p = 1; p <= passes; ++p)
    if (!pair(Voltage::V24, QStringLiteral("24В"), p)) return false;
  return true;
}
