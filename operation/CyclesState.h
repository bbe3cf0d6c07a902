#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "params/ModuleRegisters.h"

// The endurance run of the group "Циклы": push, pause, pull, pause, a chosen number of times,
// watched on the end-position inputs, the link and the alarm state. The buttons act on the
// user-interface thread, cyclesStep once per pass on the worker; both under one lock.
class CyclesState : public QObject {
  Q_OBJECT
 public:
  enum class Run { Stopped = 0, Running = 1, Paused = 2 };
  enum class Stage { Start = 0, Push = 1, PauseAfterPush = 2, Pull = 3, PauseAfterPull = 4 };
  enum class Shade { Face, Red, Lime, Yellow };
  // The four stage fields, in the group's order.
  enum Field { StageOn, StagePauseAfterOn, StageOff, StagePauseAfterOff, FieldCount };

  // What the group shows.
  struct View {
    QString status;  // StaticTextCyclesStatus
    Shade statusShade = Shade::Face;
    std::array<QString, FieldCount> fields;
    std::array<bool, FieldCount> active{};  // yellow while its stage runs
    QString done = QStringLiteral("0");     // StaticTextDoneCycles
    bool noFeedbackTimeEditable = true;     // EditNoFeedbackTime
  };
  View view() const;
  Run run() const;
  Stage stage() const;
  int cyclesDone() const;
  int cyclesNumber() const;
  int cyclesPause() const;

  // "Без концевиков", consulted on every pass.
  std::atomic_bool noFeedback{false};

 signals:
  void changed();

 private:
  friend class Cycles;
  mutable std::mutex mutex_;
  Run run_ = Run::Stopped;
  Run runShown_ = Run::Running;  // so that the first pass draws the stopped state
  Stage stage_ = Stage::Start;
  int cyclesNumber_ = 0;
  int cyclesPause_ = 0;
  int noFeedbackTime_ = 0;
  int cyclesDone_ = 0;
  uint32_t stageStartTick_ = 0;
  int stageCarriedSeconds_ = 0;
  bool linkWatchArmed_ = true;
  uint32_t linkLostTick_ = 0;
  int pushFeedbackRow_ = modulemap::kPushEnd - modulemap::DigitalInputs;
  int pullFeedbackRow_ = modulemap::kPullEnd - modulemap::DigitalInputs;
  View view_;
};
