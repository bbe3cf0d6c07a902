#include "bench/MotorRun.h"

#include <algorithm>
#include <optional>

#include "bench/BenchBus.h"
#include "bench/BenchControl.h"
#include "bench/BenchKeys.h"
#include "bench/MotorTypeKeeper.h"
#include "bench/OverloadCheck.h"
#include "bench/TestEnd.h"
#include "core/Clock.h"
#include "core/SettingsStore.h"
#include "operation/Commands.h"
#include "operation/Diagram.h"
#include "params/ModuleRegisters.h"

namespace {

constexpr uint16_t kAlarmFlag = modulemap::AlarmFlag;
constexpr uint16_t kAlarmMessage = modulemap::AlarmMessage;
constexpr uint32_t kAfterPermitMs = 100;
constexpr uint32_t kBeforeCommandMs = 200;
constexpr uint32_t kBeforeReleaseMs = 1000;
constexpr uint32_t kAfterRunMs = 1000;

using Result = ResultGrid::Result;

const QString kStopText = QStringLiteral("Прервано пользователем");
const QString kStopCaption = QStringLiteral("Останов");

}  // namespace

QString MotorRun::windowRowName(Direction direction, Voltage voltage) {
  return (voltage == Voltage::V24 ? QStringLiteral("24В ") : QStringLiteral("220В ")) +
         (direction == Direction::Forward ? QStringLiteral("вперед ") : QStringLiteral("назад "));
}

MotorRun::Window MotorRun::window(int profile, const QString& row) const {
  const QString section = QStringLiteral("current_wnd_%1").arg(profile);
  return {ctx_.tp.readInteger(section, row + QStringLiteral("мин"), 0),
          ctx_.tp.readInteger(section, row + QStringLiteral("макс"), 0)};
}

bool MotorRun::fail(Mode mode, const QString& text, bool bench) {
  if (bench) ctx_.state.record.noteBenchFault();
  ctx_.state.grid.addTestResult(text, Result::Failed);
  if (mode == Mode::Overload) OverloadCheck(ctx_).restoreBlockValues();
  return false;
}

std::optional<MotorRun::Plan> MotorRun::prepare(Mode mode, Direction direction, Voltage voltage,
                                                const QString& title) {
  Plan plan{mode, voltage == Voltage::V24, direction == Direction::Forward, 0, {}, {}, 0, title};
  ResultGrid& grid = ctx_.state.grid;
  grid.setStep(title);
  const TestSettings& settings = ctx_.state.settings;
  plan.runTime = mode == Mode::Motor      ? settings.value(TestSettings::MotTime)
                 : mode == Mode::Overload ? int(kOverloadRunMs)
                                          : settings.value(TestSettings::BeforeShortTime);
  // A negative time would run the motor for weeks: refused before the bench moves.
  if (plan.runTime < 0) {
    grid.addTestResult(QStringLiteral("Недопустимое время работы мотора: %1 мс").arg(plan.runTime),
                       Result::Failed);
    return std::nullopt;
  }
  if (mode == Mode::Overload) {
    OverloadCheck overload(ctx_);
    if (!overload.loadOverloadValues()) {
      if (ctx_.state.overload.inModule) overload.restoreBlockValues();
      sendCommand(ctx_.operation, command::kReset, command::kReset);
      return std::nullopt;
    }
  } else if (mode == Mode::Motor) {
    const QString row = windowRowName(direction, voltage);
    plan.fine = window(0, row);
    plan.coarse = window(1, row);
  }
  if (plan.v24 && !plan.forward) {
    // Wide arithmetic: a long run time times the percentage overflows an int.
    const qint64 align = ctx_.tp.readInteger(benchkeys::kAlign);
    plan.runTime = int(std::clamp<qint64>(qint64(plan.runTime) * align / 100, 0, INT32_MAX));
  }
  return plan;
}

bool MotorRun::startMotor(Plan& plan) {
  const BenchBus bus(ctx_);
  ResultGrid& grid = ctx_.state.grid;
  if (!bus.writeR16(benchcontrol::kMotionPermitWord))
    return fail(plan.mode, QStringLiteral("Ошибка выдачи разрешения на движение"), true);
  bus.wait(kAfterPermitMs);
  const bool modern = bus.firmwareVersion() >= 200;
  plan.supplyWord = BenchButtons::bitWord(benchcontrol::supplyBit(ctx_, !modern || !plan.v24));
  if (modern && !MotorTypeKeeper(ctx_).select(plan.v24 ? 0 : 1))
    return fail(plan.mode, QStringLiteral("Ошибка установки напряжения мотора"), false);
  grid.setState(QStringLiteral("Подключение к мотору..."));
  if (!bus.writeD8r4(plan.supplyWord))
    return fail(plan.mode, QStringLiteral("Ошибка подключения к мотору"), true);
  grid.setState(QStringLiteral("Старт мотора..."));
  // The end-position input the drive leaves is held, then let go once the command is out.
  const int limitBit = ctx_.tp.readInteger(
      QStringLiteral("di_code0"), plan.forward ? QStringLiteral("i11") : QStringLiteral("i12"), 0);
  const uint16_t limitWord = BenchButtons::bitWord(limitBit);
  if (!bus.writeR16(limitWord | benchcontrol::kMotionPermitWord))
    return fail(plan.mode, QStringLiteral("Ошибка установки концевика"), true);
  bus.wait(kBeforeCommandMs);
  const uint16_t motion = plan.forward ? command::kPush : command::kPull;
  sendCommand(ctx_.operation, motion, motion);
  bus.wait(kBeforeReleaseMs);
  if (!bus.writeR16(uint16_t(~limitWord) & benchcontrol::kMotionPermitWord))
    return fail(plan.mode, QStringLiteral("Ошибка снятия концевика"), true);
  return true;
}

std::optional<int> MotorRun::driveMotor(const Plan& plan) {
  const BenchBus bus(ctx_);
  ResultGrid& grid = ctx_.state.grid;
  Clock& clock = ctx_.link().clock;
  const uint32_t start = clock.tick();
  int lastCurrent = 0;
  const bool plot =
      ctx_.state.plotFinalRun && plan.v24 && ctx_.operation.state.diagram.drawTestRuns;
  while (clock.tick() - start < uint32_t(plan.runTime)) {
    uint16_t value = 0;
    if (!bus.readModule(bus.currentRegister(), &value)) {
      grid.setState(QStringLiteral("Сбой "));
    } else {
      grid.setState(QStringLiteral("Ток   ") + QString::number(value));
      lastCurrent = value;
      if (plot) addTestDiagramPoint(ctx_.operation, value);
    }
    if (!bus.readModule(kAlarmFlag, &value)) {
      grid.addTestResult(QStringLiteral("Сбой опроса флага аварии"), Result::Note);
    } else if (bus.isAlarm(value)) {
      grid.addTestResult(QStringLiteral("Авария мотора при движении теста мотора"), Result::Failed);
      if (plan.mode == Mode::Overload) OverloadCheck(ctx_).restoreBlockValues();
      return std::nullopt;
    }
    if (bus.stopped()) {
      // The stop routine puts the protection values back before its box.
      abortTest(ctx_, kStopText, kStopCaption);
      return std::nullopt;
    }
  }
  return lastCurrent;
}

bool MotorRun::judgeCurrent(const Plan& plan, int lastCurrent) {
  BenchState& state = ctx_.state;
  ResultGrid& grid = state.grid;
  const QString current = QString::number(lastCurrent);
  grid.setState(QStringLiteral("Ток   ") + current);
  const auto bounds = [](const Window& w) {
    return QStringLiteral("%1..%2").arg(w.low).arg(w.high);
  };
  const bool inCoarse = plan.coarse.contains(lastCurrent);
  const bool inFine = plan.fine.contains(lastCurrent);
  state.record.add(
      {plan.title, QStringLiteral("Ток мотора, мА"), current,
       QStringLiteral("точное окно %1, грубое окно %2").arg(bounds(plan.fine), bounds(plan.coarse)),
       !inCoarse || !plan.v24 || inFine
           ? TestRecord::verdictText(!inCoarse)
           : TestRecord::verdictText(false) + QStringLiteral(" (вне точного окна)")});
  const QString reading = QStringLiteral("Ток ") + current;
  if (!inCoarse) {
    grid.addTestResult(reading + QStringLiteral(" за пределами грубого окна"), Result::Failed);
    return false;
  }
  if (!plan.v24) {
    grid.addTestResult(reading + QStringLiteral("  ОК"), Result::Passed);
    return true;
  }
  if (!inFine) {
    grid.addTestResult(reading + QStringLiteral(" за пределами точного окна"), Result::Passed);
    state.fineWindowKept = false;
    return true;
  }
  grid.addTestResult(reading + QStringLiteral(" В ТОЧНОМ ОКНЕ - ОК"), Result::Passed);
  return true;
}

bool MotorRun::run(Mode mode, Direction direction, Voltage voltage, const QString& title) {
  std::optional<Plan> plan = prepare(mode, direction, voltage, title);
  if (!plan || !startMotor(*plan)) return false;
  const std::optional<int> lastCurrent = driveMotor(*plan);
  if (!lastCurrent) return false;

  const BenchBus bus(ctx_);
  if (mode != Mode::Motor) {
    const bool ok = mode == Mode::Overload ? OverloadCheck(ctx_).runOverloadCheck(plan->supplyWord)
                                           : runShortCircuitCheck(plan->supplyWord);
    bus.wait(kAfterRunMs);
    return ok;
  }
  sendCommand(ctx_.operation, command::kReset, command::kReset);
  bus.wait(kAfterRunMs);
  if (!bus.writeD8r4(0)) return fail(mode, QStringLiteral("Ошибка отключения от мотора"), true);
  return judgeCurrent(*plan, *lastCurrent);
}

bool MotorRun::runShortCircuitCheck(uint16_t supplyWord) {
  const BenchBus bus(ctx_);
  ResultGrid& grid = ctx_.state.grid;
  const QString step = grid.currentStep();
  const uint16_t shortBit = BenchButtons::bitWord(ctx_.tp.readInteger(benchkeys::kShortBit));
  const uint16_t shorted = supplyWord | shortBit;
  if (!bus.writeD8r4(shorted)) {
    ctx_.state.record.noteBenchFault();
    grid.addTestResult(QStringLiteral("Ошибка выдачи команды КЗ"), Result::Failed);
    return false;
  }
  bus.wait(kAfterRunMs);
  if (bus.stopped()) {
    abortTest(ctx_, kStopText, kStopCaption);
    return false;
  }
  bool result = false;
  uint16_t message = 0;
  QString seen = QStringLiteral("нет ответа");
  if (!bus.readModule(kAlarmMessage, &message)) {
    grid.addTestResult(QStringLiteral("Сбой проверки сообщения об аварии"), Result::Failed);
  } else if (message == 0) {
    seen = QStringLiteral("0");
    grid.addTestResult(QStringLiteral("Ошибка: нет флага аварии по КЗ"), Result::Failed);
  } else {
    seen = QString::number(message);
    grid.addTestResult(QStringLiteral("Авария КЗ - ОК"), Result::Passed);
    result = true;
  }
  ctx_.state.record.add({step, QStringLiteral("Сообщение об аварии (регистр 51)"), seen,
                         QStringLiteral("не 0"), TestRecord::verdictText(!result)});
  if (!bus.writeD8r4(shorted & ~shortBit)) {
    ctx_.state.record.noteBenchFault();
    grid.addTestResult(QStringLiteral("Ошибка сброса команды КЗ"), Result::Failed);
  }
  sendCommand(ctx_.operation, command::kReset, command::kReset);
  if (!bus.writeD8r4(0)) {
    ctx_.state.record.noteBenchFault();
    grid.addTestResult(QStringLiteral("Ошибка отключения от мотора"), Result::Failed);
    return false;
  }
  if (bus.stopped()) {
    abortTest(ctx_, kStopText, kStopCaption);
    return false;
  }
  return result;
}
