#include "operation/Cycles.h"

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "link/LinkFlags.h"
#include "link/RequestFlags.h"
#include "operation/Commands.h"
#include "operation/OperationKeys.h"

namespace {

using namespace operationkeys;
using Field = CyclesState::Field;
using Run = CyclesState::Run;
using Shade = CyclesState::Shade;
using Stage = CyclesState::Stage;

const QString kOk = QStringLiteral("ОК");
const QString kOperationTimeCaption = QStringLiteral("Время операции, с");  // Label34

// The label of each stage field; the seconds and " сек" follow it.
const QString kFieldLabels[CyclesState::FieldCount] = {
    QStringLiteral("ВКАТ/ВКЛЮЧЕНИЕ:  "), QStringLiteral("ПАУЗА ПОСЛЕ ВКАТ/ВКЛ:  "),
    QStringLiteral("ВЫКАТ/ОТКЛЮЧЕНИЕ:  "), QStringLiteral("ПАУЗА ПОСЛЕ ВЫКАТ/ОТКЛ:  ")};

QString fieldText(Field field, qint64 seconds) {
  return kFieldLabels[field] + QString::number(seconds) + QStringLiteral(" сек");
}

}  // namespace

CyclesState::View CyclesState::view() const {
  std::lock_guard lock(mutex_);
  return view_;
}
CyclesState::Run CyclesState::run() const {
  std::lock_guard lock(mutex_);
  return run_;
}
CyclesState::Stage CyclesState::stage() const {
  std::lock_guard lock(mutex_);
  return stage_;
}
int CyclesState::cyclesDone() const {
  std::lock_guard lock(mutex_);
  return cyclesDone_;
}
int CyclesState::cyclesNumber() const {
  std::lock_guard lock(mutex_);
  return cyclesNumber_;
}
int CyclesState::cyclesPause() const {
  std::lock_guard lock(mutex_);
  return cyclesPause_;
}

Cycles::Cycles(const OperationContext& ctx) : ctx_(ctx), s_(ctx.state.cycles) {}

void Cycles::journal(const QString& text) const {
  ctx_.link().journal.append(QStringLiteral("Циклы: ") + text);
}

Cycles::Settings Cycles::loadSettings() const {
  const SettingsStore& mem = ctx_.link().mem;
  Settings s;
  s.number = QString::number(mem.readInteger(kCyclesNumber));
  s.pause = QString::number(mem.readInteger(kCyclesPause));
  s.noFeedback = mem.readInteger(kNoFeedback) != 0;
  s.noFeedbackTime = mem.readString(kNoFeedbackTime);
  return s;
}

void Cycles::takeSettings(const Settings& settings) {
  int number = 0, pause = 0;
  std::lock_guard lock(s_.mutex_);
  if (parseInteger(settings.number, &number) && kCyclesNumber.accepts(number))
    s_.cyclesNumber_ = number;
  if (parseInteger(settings.pause, &pause) && kCyclesPause.accepts(pause)) s_.cyclesPause_ = pause;
}

bool Cycles::store(const QString& text, int& field, const SettingKey& key) {
  int value = 0;
  if (!parseInteger(text, &value) || !key.accepts(value)) return false;
  {
    std::lock_guard lock(s_.mutex_);
    field = value;
  }
  SettingsStore& mem = ctx_.link().mem;
  mem.writeInteger(key, value);
  flushOrReport(mem, ctx_.link().prompter);
  return true;
}

bool Cycles::setCyclesNumber(const QString& text) {
  return store(text, s_.cyclesNumber_, kCyclesNumber);
}

bool Cycles::setPause(const QString& text) { return store(text, s_.cyclesPause_, kCyclesPause); }

bool Cycles::startOrContinue(const QString& noFeedbackTimeText) {
  const FeedbackInputs feedback = selectFeedbackInputs(ctx_.state.inputMap);
  SettingsStore& mem = ctx_.link().mem;
  const bool noFeedback = s_.noFeedback;
  int operationTime = 0;
  if (noFeedback) {
    if (!parseInteger(noFeedbackTimeText, &operationTime) ||
        !kNoFeedbackTime.accepts(operationTime)) {
      ctx_.link().prompter.showMessage(
          QStringLiteral("Ошибка"),
          QStringLiteral("Значение ") + kOperationTimeCaption +
              QStringLiteral(" должно быть целым положительным числом больше нуля"),
          Prompter::Icon::Error);
      return false;
    }
    mem.writeString(kNoFeedbackTime, noFeedbackTimeText.trimmed());
  }
  mem.writeInteger(kNoFeedback, noFeedback ? 1 : 0);
  flushOrReport(mem, ctx_.link().prompter);

  QString journalText;
  {
    std::lock_guard lock(s_.mutex_);
    s_.pushFeedbackRow_ = feedback.pushRow;
    s_.pullFeedbackRow_ = feedback.pullRow;
    if (noFeedback) s_.noFeedbackTime_ = operationTime;
    s_.view_.noFeedbackTimeEditable = false;
    if (s_.run_ == Run::Stopped) {
      s_.stage_ = Stage::Start;
      s_.view_.done = QStringLiteral("0");
      setRun(Run::Running);
      journalText = QStringLiteral("пуск, %1 циклов, пауза %2 с%3")
                        .arg(s_.cyclesNumber_)
                        .arg(s_.cyclesPause_)
                        .arg(noFeedback ? QStringLiteral(", без концевиков") : QString());
    } else if (s_.run_ == Run::Paused) {
      // An interrupted motion is sent again and its timing restarts; a pause goes on counting.
      const uint32_t now = ctx_.link().clock.tick();
      if (s_.stage_ == Stage::Push) {
        ctx_.link().requests.module[RequestFlags::Push] = true;
        s_.stageStartTick_ = now;
      } else if (s_.stage_ == Stage::Pull) {
        ctx_.link().requests.module[RequestFlags::Pull] = true;
        s_.stageStartTick_ = now;
      }
      setRun(Run::Running);
      journalText = QStringLiteral("продолжение после %1 циклов").arg(s_.cyclesDone_);
    }
  }
  if (!journalText.isEmpty()) journal(journalText);
  emit s_.changed();
  return true;
}

void Cycles::stop() {
  {
    std::lock_guard lock(s_.mutex_);
    if (ctx_.state.control.block()[3] == 1) {
      ctx_.link().requests.module[RequestFlags::ResetCommand] = true;
      s_.stageCarriedSeconds_ += int((ctx_.link().clock.tick() - s_.stageStartTick_) / 1000);
    }
    s_.view_.noFeedbackTimeEditable = true;
    setRun(Run::Paused);
  }
  journal(QStringLiteral("остановлены пользователем"));
  emit s_.changed();
}

void Cycles::reset() {
  int done = 0;
  {
    std::lock_guard lock(s_.mutex_);
    ctx_.link().requests.module[RequestFlags::ResetCommand] = true;
    s_.view_.fields.fill(QString());
    s_.view_.active.fill(false);
    s_.view_.done = QStringLiteral("0");
    s_.stage_ = Stage::Start;
    setRun(Run::Stopped);
    done = s_.cyclesDone_;
    s_.cyclesDone_ = 0;
    s_.view_.noFeedbackTimeEditable = true;
  }
  journal(QStringLiteral("сброс, выполнено %1").arg(done));
  emit s_.changed();
}

void Cycles::setRun(Run run) {
  static const QString kStatus[] = {QStringLiteral("НЕ ВЫПОЛНЯЮТСЯ"), QStringLiteral("ВЫПОЛНЯЮТСЯ"),
                                    QStringLiteral("ПРИОСТАНОВЛЕНЫ: ПАУЗА")};
  static const Shade kShades[] = {Shade::Face, Shade::Red, Shade::Lime};
  s_.run_ = run;
  s_.view_.status = kStatus[int(run)];
  s_.view_.statusShade = kShades[int(run)];
  s_.runShown_ = run;
}

void Cycles::pause(std::unique_lock<std::mutex>& lock, const QString& why, const QString& message) {
  setRun(Run::Paused);
  s_.stageCarriedSeconds_ += int((ctx_.link().clock.tick() - s_.stageStartTick_) / 1000);
  lock.unlock();
  journal(QStringLiteral("пауза: ") + why);
  emit s_.changed();
  ctx_.link().prompter.showMessage(kOk, message, Prompter::Icon::Information);
}

bool Cycles::send(std::unique_lock<std::mutex>& lock, uint16_t reg) {
  const Stage stage = s_.stage_;
  lock.unlock();
  sendCommand(ctx_, reg, reg);  // the stage moves on whether or not the write got through
  lock.lock();
  return s_.run_ == Run::Running && s_.stage_ == stage;
}

void Cycles::enterStage(Stage stage, Field field, uint32_t now) {
  s_.stage_ = stage;
  s_.stageStartTick_ = now;
  s_.view_.fields[field] = fieldText(field, 0);
  s_.view_.active[field] = true;
}

bool Cycles::motionComplete(int elapsedMs, int motionSeconds, int feedbackRow) {
  if (s_.noFeedback) {
    if (motionSeconds < s_.noFeedbackTime_) return false;
    // Without end-position inputs the motion is ended by a reset.
    ctx_.link().requests.module[RequestFlags::ResetCommand] = true;
    return true;
  }
  const int timeoutMotion = ctx_.link().mem.readInteger(kMotionTimeout);
  const int controlState = ctx_.state.control.block()[3];
  const bool atEnd = ctx_.params.tables().bufferValue(ParameterTables::DigInputs, feedbackRow) != 0;
  return (elapsedMs >= timeoutMotion && atEnd) || controlState == 3 || controlState == 2;
}

bool Cycles::watchLink(uint32_t now) {
  const bool online = ctx_.link().flags.moduleOnline;
  if (online) {
    s_.linkWatchArmed_ = true;
    return true;
  }
  if (s_.linkWatchArmed_) {
    s_.linkLostTick_ = now;
    s_.linkWatchArmed_ = false;
    return true;
  }
  return now - s_.linkLostTick_ < kLinkWatchMs;
}

void Cycles::cyclesStep(bool portOpen) {
  std::unique_lock lock(s_.mutex_);
  const bool redraw = s_.run_ != s_.runShown_;
  if (redraw) setRun(s_.run_);
  if (s_.run_ != Run::Running) {
    lock.unlock();
    if (redraw) emit s_.changed();
    return;
  }
  Clock& clock = ctx_.link().clock;
  const uint32_t now = clock.tick();
  // The run's own watch on the link, whether the module is silent or the port is gone: a loss
  // of three seconds pauses it.
  if (!watchLink(now))
    return pause(lock, QStringLiteral("связь с модулем прервана"),
                 QStringLiteral("ВЫПОЛНЕНИЕ ЦИКЛОВ ПРИОСТАНОВЛЕНО: СВЯЗЬ С МОДУЛЕМ ПРЕРВАНА"));
  const int controlState = ctx_.state.control.block()[3];
  if (portOpen && controlState == 4)
    return pause(lock, QStringLiteral("авария"),
                 QStringLiteral("ВЫПОЛНЕНИЕ ЦИКЛОВ ПРИОСТАНОВЛЕНО: АВАРИЯ"));
  // Without a port nothing can be sent or read: the stages wait for it.
  const bool finished = portOpen && evaluateStage(lock, now, controlState);
  if (!finished) {
    lock.unlock();
    emit s_.changed();
    return;
  }
  finishRun(lock);
}

bool Cycles::evaluateStage(std::unique_lock<std::mutex>& lock, uint32_t now, int controlState) {
  Clock& clock = ctx_.link().clock;
  const int elapsedMs = int32_t(now - s_.stageStartTick_);
  const int motionSeconds = elapsedMs / 1000 + s_.stageCarriedSeconds_;
  const qint64 pauseSeconds = (now - s_.stageStartTick_) / 1000;
  const bool readyForNext = controlState == 0 || controlState == 3;
  auto leave = [&](Field field) {
    s_.view_.fields[field].clear();
    s_.view_.active[field] = false;
  };
  // A command goes out with the lock released; a run stopped or reset meanwhile stays as the
  // user left it.
  auto sendAndEnter = [&](uint16_t command, Field left, Stage next, Field entered) {
    if (!send(lock, command)) return;
    leave(left);
    enterStage(next, entered, clock.tick());
    s_.stageCarriedSeconds_ = 0;
  };
  switch (s_.stage_) {
    case Stage::Start:
      if (!send(lock, command::kPush)) return false;
      enterStage(Stage::Push, Field::StageOn, clock.tick());
      s_.stageCarriedSeconds_ = 0;
      break;
    case Stage::Push:
      s_.view_.fields[Field::StageOn] = fieldText(Field::StageOn, motionSeconds);
      if (motionComplete(elapsedMs, motionSeconds, s_.pushFeedbackRow_)) {
        leave(Field::StageOn);
        enterStage(Stage::PauseAfterPush, Field::StagePauseAfterOn, now);
      }
      break;
    case Stage::PauseAfterPush:
      s_.view_.fields[Field::StagePauseAfterOn] = fieldText(Field::StagePauseAfterOn, pauseSeconds);
      if (pauseSeconds >= s_.cyclesPause_ && readyForNext)
        sendAndEnter(command::kPull, Field::StagePauseAfterOn, Stage::Pull, Field::StageOff);
      break;
    case Stage::Pull:
      s_.view_.fields[Field::StageOff] = fieldText(Field::StageOff, motionSeconds);
      if (!motionComplete(elapsedMs, motionSeconds, s_.pullFeedbackRow_)) break;
      ++s_.cyclesDone_;
      if (s_.cyclesDone_ >= s_.cyclesNumber_) return true;
      leave(Field::StageOff);
      enterStage(Stage::PauseAfterPull, Field::StagePauseAfterOff, now);
      break;
    case Stage::PauseAfterPull:
      s_.view_.fields[Field::StagePauseAfterOff] =
          fieldText(Field::StagePauseAfterOff, pauseSeconds);
      if (pauseSeconds >= s_.cyclesPause_ && readyForNext) {
        sendAndEnter(command::kPush, Field::StagePauseAfterOff, Stage::Push, Field::StageOn);
        s_.view_.done = QString::number(s_.cyclesDone_);
      }
      break;
  }
  return false;
}

void Cycles::finishRun(std::unique_lock<std::mutex>& lock) {
  s_.view_.fields[Field::StageOff].clear();
  s_.view_.active[Field::StageOff] = false;
  s_.stage_ = Stage::Start;
  setRun(Run::Stopped);
  s_.view_.noFeedbackTimeEditable = true;  // the next run may take another operation time
  const int done = s_.cyclesDone_;
  s_.view_.done = QString::number(done);
  s_.cyclesDone_ = 0;
  const bool noFeedback = s_.noFeedback;
  lock.unlock();
  emit s_.changed();
  if (noFeedback) sendCommand(ctx_, command::kReset, command::kReset);
  journal(QStringLiteral("завершены, выполнено %1").arg(done));
  // The window goes on showing the module while the message is up: the run is over, and the
  // command and control state are read as they change.
  ctx_.link().prompter.notify(kOk, QStringLiteral("ВЫПОЛНЕНИЕ ЦИКЛОВ ЗАВЕРШЕНО"),
                              Prompter::Icon::Information);
}
