#include "operation/Cycles.h"

#include "core/Clock.h"
#include "core/Numbers.h"
#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "link/LinkFlags.h"
#include "link/RequestFlags.h"
#include "operation/Commands.h"

namespace {

using Field = CyclesState::Field;
using Run = CyclesState::Run;
using Shade = CyclesState::Shade;
using Stage = CyclesState::Stage;

const QString kCycles = QStringLiteral("cycles");
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
  s.number = QString::number(mem.readInteger(kCycles, QStringLiteral("number"), 100));
  s.pause = QString::number(mem.readInteger(kCycles, QStringLiteral("pause"), 120));
  s.noFeedback = mem.readInteger(kCycles, QStringLiteral("no_feedback"), 0) != 0;
  s.noFeedbackTime = mem.readString(kCycles, QStringLiteral("no_fb_time"), QStringLiteral("10"));
  return s;
}

bool Cycles::storePositive(const QString& text, int& field, const char* key) {
  int value = 0;
  if (!parseInteger(text, &value) || value <= 0) return false;
  {
    std::lock_guard lock(s_.mutex_);
    field = value;
  }
  SettingsStore& mem = ctx_.link().mem;
  mem.writeInteger(kCycles, QLatin1String(key), value);
  flushOrReport(mem, ctx_.link().prompter);
  return true;
}

bool Cycles::EditCyclesChange(const QString& text) {
  return storePositive(text, s_.cyclesNumber_, "number");
}

bool Cycles::EditPauseChange(const QString& text) {
  return storePositive(text, s_.cyclesPause_, "pause");
}

bool Cycles::ButtonStartCyclesClick(const QString& noFeedbackTimeText) {
  const FeedbackInputs feedback = selectFeedbackInputs(ctx_.state.inputMap);
  SettingsStore& mem = ctx_.link().mem;
  const bool noFeedback = s_.noFeedback;
  int operationTime = 0;
  if (noFeedback) {
    if (!parseInteger(noFeedbackTimeText, &operationTime) || operationTime < 1) {
      ctx_.link().prompter.showMessage(
          QStringLiteral("Ошибка"),
          QStringLiteral("Значение ") + kOperationTimeCaption +
              QStringLiteral(" должно быть целым положительным числом больше нуля"),
          Prompter::Icon::Error);
      return false;
    }
    mem.writeString(kCycles, QStringLiteral("no_fb_time"), noFeedbackTimeText.trimmed());
  }
  mem.writeInteger(kCycles, QStringLiteral("no_feedback"), noFeedback ? 1 : 0);
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
      s_.run_ = Run::Running;
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
      s_.run_ = Run::Running;
      journalText = QStringLiteral("продолжение после %1 циклов").arg(s_.cyclesDone_);
    }
  }
  if (!journalText.isEmpty()) journal(journalText);
  emit s_.changed();
  return true;
}

void Cycles::ButtonStopCyclesClick() {
  {
    std::lock_guard lock(s_.mutex_);
    if (ctx_.state.control.block()[3] == 1) {
      ctx_.link().requests.module[RequestFlags::ResetCommand] = true;
      s_.stageCarriedSeconds_ += int((ctx_.link().clock.tick() - s_.stageStartTick_) / 1000);
    }
    s_.view_.noFeedbackTimeEditable = true;
    s_.run_ = Run::Paused;
  }
  journal(QStringLiteral("остановлены пользователем"));
  emit s_.changed();
}

void Cycles::ButtonResetCyclesClick() {
  int done = 0;
  {
    std::lock_guard lock(s_.mutex_);
    ctx_.link().requests.module[RequestFlags::ResetCommand] = true;
    s_.view_.fields.fill(QString());
    s_.view_.active.fill(false);
    s_.view_.done = QStringLiteral("0");
    s_.stage_ = Stage::Start;
    s_.run_ = Run::Stopped;
    done = s_.cyclesDone_;
    s_.cyclesDone_ = 0;
    s_.view_.noFeedbackTimeEditable = true;
  }
  journal(QStringLiteral("сброс, выполнено %1").arg(done));
  emit s_.changed();
}

void Cycles::pause(std::unique_lock<std::mutex>& lock, const QString& why, const QString& message) {
  s_.run_ = Run::Paused;
  s_.stageCarriedSeconds_ += int((ctx_.link().clock.tick() - s_.stageStartTick_) / 1000);
  lock.unlock();
  journal(QStringLiteral("пауза: ") + why);
  emit s_.changed();
  ctx_.link().prompter.showMessage(kOk, message, Prompter::Icon::Information);
}

bool Cycles::send(std::unique_lock<std::mutex>& lock, uint16_t reg) {
  lock.unlock();
  const bool ok = sendCommand(ctx_, reg, reg);
  lock.lock();
  return ok;
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
  const int timeoutMotion =
      ctx_.link().mem.readInteger(kCycles, QStringLiteral("timeout_motion"), 1000);
  const int controlState = ctx_.state.control.block()[3];
  const bool atEnd = ctx_.params.tables().bufferValue(ParamTables::DigInputs, feedbackRow) != 0;
  return (elapsedMs >= timeoutMotion && atEnd) || controlState == 3 || controlState == 2;
}

void Cycles::cyclesStep() {
  std::unique_lock lock(s_.mutex_);
  bool changed = false;
  if (s_.run_ != s_.runShown_) {
    static const QString kStatus[] = {QStringLiteral("НЕ ВЫПОЛНЯЮТСЯ"),
                                      QStringLiteral("ВЫПОЛНЯЮТСЯ"),
                                      QStringLiteral("ПРИОСТАНОВЛЕНЫ: ПАУЗА")};
    static const Shade kShades[] = {Shade::Face, Shade::Red, Shade::Lime};
    s_.view_.status = kStatus[int(s_.run_)];
    s_.view_.statusShade = kShades[int(s_.run_)];
    s_.runShown_ = s_.run_;
    changed = true;
  }
  if (s_.run_ != Run::Running) {
    lock.unlock();
    if (changed) emit s_.changed();
    return;
  }

  Clock& clock = ctx_.link().clock;
  uint32_t now = clock.tick();
  // The run's own watch on the link: a loss of three seconds pauses it.
  const bool online = ctx_.link().flags.moduleOnline;
  if (!online && s_.linkWatchArmed_) {
    s_.linkLostTick_ = now;
    s_.linkWatchArmed_ = false;
  } else if (!online) {
    if (now - s_.linkLostTick_ >= kLinkWatchMs)
      return pause(lock, QStringLiteral("связь с модулем прервана"),
                   QStringLiteral("ВЫПОЛНЕНИЕ ЦИКЛОВ ПРИОСТАНОВЛЕНО: СВЯЗЬ С МОДУЛЕМ ПРЕРВАНА"));
  } else if (!s_.linkWatchArmed_) {
    s_.linkWatchArmed_ = true;
  }
  const int controlState = ctx_.state.control.block()[3];
  if (controlState == 4)
    return pause(lock, QStringLiteral("авария"),
                 QStringLiteral("ВЫПОЛНЕНИЕ ЦИКЛОВ ПРИОСТАНОВЛЕНО: АВАРИЯ"));

  const int elapsedMs = int32_t(now - s_.stageStartTick_);
  const int motionSeconds = elapsedMs / 1000 + s_.stageCarriedSeconds_;
  const qint64 pauseSeconds = (now - s_.stageStartTick_) / 1000;
  const bool readyForNext = controlState == 0 || controlState == 3;
  auto leave = [&](Field field) {
    s_.view_.fields[field].clear();
    s_.view_.active[field] = false;
  };
  bool finished = false;
  switch (s_.stage_) {
    case Stage::Start:
      send(lock, command::kPush);
      now = clock.tick();
      enterStage(Stage::Push, Field::StageOn, now);
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
      if (pauseSeconds >= s_.cyclesPause_ && readyForNext) {
        send(lock, command::kPull);
        leave(Field::StagePauseAfterOn);
        enterStage(Stage::Pull, Field::StageOff, clock.tick());
        s_.stageCarriedSeconds_ = 0;
      }
      break;
    case Stage::Pull:
      s_.view_.fields[Field::StageOff] = fieldText(Field::StageOff, motionSeconds);
      if (motionComplete(elapsedMs, motionSeconds, s_.pullFeedbackRow_)) {
        ++s_.cyclesDone_;
        if (s_.cyclesDone_ < s_.cyclesNumber_) {
          leave(Field::StageOff);
          enterStage(Stage::PauseAfterPull, Field::StagePauseAfterOff, now);
        } else {
          finished = true;
        }
      }
      break;
    case Stage::PauseAfterPull:
      s_.view_.fields[Field::StagePauseAfterOff] =
          fieldText(Field::StagePauseAfterOff, pauseSeconds);
      if (pauseSeconds >= s_.cyclesPause_ && readyForNext) {
        send(lock, command::kPush);
        leave(Field::StagePauseAfterOff);
        enterStage(Stage::Push, Field::StageOn, clock.tick());
        s_.stageCarriedSeconds_ = 0;
        s_.view_.done = QString::number(s_.cyclesDone_);
      }
      break;
  }
  if (!finished) {
    lock.unlock();
    emit s_.changed();
    return;
  }
  // The last cycle is done.
  if (s_.noFeedback) send(lock, command::kReset);
  leave(Field::StageOff);
  s_.stage_ = Stage::Start;
  s_.run_ = Run::Stopped;
  const int done = s_.cyclesDone_;
  s_.view_.done = QString::number(done);
  s_.cyclesDone_ = 0;
  lock.unlock();
  journal(QStringLiteral("завершены, выполнено %1").arg(done));
  emit s_.changed();
  ctx_.link().prompter.showMessage(kOk, QStringLiteral("ВЫПОЛНЕНИЕ ЦИКЛОВ ЗАВЕРШЕНО"),
                                   Prompter::Icon::Information);
}
